# Writes a C++ source holding the help pages, so that the program can put them into its help
# folder without the source tree. Usage: cmake -DOUT=file.cpp -DPAGES="a.htm|b.htm" -DDIR=dir -P EmbedHelp.cmake
string(REPLACE "|" ";" pages "${PAGES}")
set(body "")
foreach(page IN LISTS pages)
    file(READ "${DIR}/${page}" text)
    string(FIND "${text}" ")pelmora_help\"" clash)
    if(NOT clash EQUAL -1)
        message(FATAL_ERROR "${page} contains the raw-string delimiter")
    endif()
    string(APPEND body "        {\"${page}\", R\"pelmora_help(${text})pelmora_help\"},\n")
endforeach()
file(WRITE "${OUT}.tmp" "// Generated from resources/help by cmake/EmbedHelp.cmake; do not edit.
#include \"settings/HelpPages.h\"

namespace pelmora::settings {

const std::vector<HelpPage>& helpPages()
{
    static const std::vector<HelpPage> pages = {
${body}    };
    return pages;
}

} // namespace pelmora::settings
")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
