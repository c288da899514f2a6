#include "ZipFixtures.h"

#include <zip.h>

#include <cstdio>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>

namespace pelmora::test {

void makeArchive(const std::filesystem::path& path, const std::vector<FixtureEntry>& entries)
{
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive)
        throw std::runtime_error("cannot create fixture archive");
    for (const FixtureEntry& entry : entries) {
        zip_source_t* source = zip_source_buffer(archive, entry.content.data(), entry.content.size(), 0);
        zip_int64_t index = zip_file_add(archive, entry.name.c_str(), source, ZIP_FL_ENC_RAW);
        if (index < 0)
            throw std::runtime_error("cannot add fixture entry");
        if (entry.link)
            zip_file_set_external_attributes(archive, static_cast<zip_uint64_t>(index), 0, ZIP_OPSYS_UNIX,
                static_cast<zip_uint32_t>(S_IFLNK | 0777) << 16);
    }
    if (zip_close(archive) != 0)
        throw std::runtime_error("cannot write fixture archive");
}

ShellResult shell(const std::string& command)
{
    ShellResult result;
    std::FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe)
        return result;
    char buffer[4096];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.out.append(buffer, count);
    int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string quoted(const std::filesystem::path& path)
{
    std::string text = "'";
    for (char c : path.string())
        text += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return text + "'";
}

} // namespace pelmora::test
