#include "ZipFixtures.h"

#include <zip.h>

#include <cstdio>
#include <fstream>
#include <iterator>
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

void declareSize(const std::filesystem::path& path, std::uint32_t size)
{
    std::string bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    auto at32 = [&](std::size_t at) {
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i)
            value = (value << 8) | static_cast<unsigned char>(bytes.at(at + static_cast<std::size_t>(i)));
        return value;
    };
    auto put32 = [&](std::size_t at) {
        for (int i = 0; i < 4; ++i)
            bytes.at(at + static_cast<std::size_t>(i)) = static_cast<char>((size >> (8 * i)) & 0xFF);
    };
    const std::string central("PK\x01\x02", 4);
    for (std::size_t at = bytes.find(central); at != std::string::npos; at = bytes.find(central, at + 4)) {
        put32(at + 24);
        put32(at32(at + 42) + 22);
    }
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
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
