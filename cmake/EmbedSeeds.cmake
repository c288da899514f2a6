# Writes a C++ source holding the seed CSV files of the Sample database, so that the program
# needs nothing from the source tree at run time.
# Usage: cmake -DOUT=file.cpp -DSEEDS="Table=path|Table=path" -P EmbedSeeds.cmake
string(REPLACE "|" ";" seeds "${SEEDS}")
set(body "")
foreach(seed IN LISTS seeds)
    string(FIND "${seed}" "=" eq)
    string(SUBSTRING "${seed}" 0 ${eq} table)
    math(EXPR start "${eq} + 1")
    string(SUBSTRING "${seed}" ${start} -1 path)
    file(READ "${path}" text)
    string(FIND "${text}" ")pelmora_seed\"" clash)
    if(NOT clash EQUAL -1)
        message(FATAL_ERROR "${path} contains the raw-string delimiter")
    endif()
    string(APPEND body "        {\"${table}\", R\"pelmora_seed(${text})pelmora_seed\"},\n")
endforeach()
file(WRITE "${OUT}.tmp" "// Generated from resources/sample by cmake/EmbedSeeds.cmake; do not edit.
#include \"data/SampleDatabase.h\"

namespace pelmora::data {

const std::vector<SeedFile>& sampleSeedFiles()
{
    static const std::vector<SeedFile> files = {
${body}    };
    return files;
}

} // namespace pelmora::data
")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
