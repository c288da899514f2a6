#include "settings/Paths.h"

#include "base/Error.h"

#include <algorithm>
#include <cstdlib>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace pelmora::settings {

namespace {

// The system's own directories are never a portable install, even for root, who may write
// there: data and settings would otherwise be scattered into /usr/bin.
bool isSystemDirectory(const fs::path& dir)
{
    if (dir == dir.root_path())
        return true;
    for (const char* root : { "/usr", "/bin", "/sbin", "/lib", "/lib32", "/lib64", "/libx32", "/etc", "/boot" }) {
        const fs::path prefix(root);
        auto mismatch = std::mismatch(prefix.begin(), prefix.end(), dir.begin(), dir.end());
        if (mismatch.first == prefix.end())
            return true;
    }
    return false;
}

bool isPortableHome(const fs::path& dir)
{
    std::error_code error;
    const fs::path real = fs::weakly_canonical(dir, error);
    return !error && fs::is_directory(real, error) && !isSystemDirectory(real)
        && ::access(real.c_str(), W_OK | X_OK) == 0;
}

// An installed copy: PREFIX/bin/pelmora beside PREFIX/share/pelmora, as `cmake --install` lays
// it out. Its bin directory may well be writable (~/.local/bin, /opt/...), but it is shared with
// other programs and is no place for databases and settings.
bool isInstalledLayout(const fs::path& dir)
{
    std::error_code error;
    const fs::path real = fs::weakly_canonical(dir, error);
    return !error && real.filename() == "bin" && fs::is_directory(real.parent_path() / "share" / "pelmora", error);
}

// $XDG_DATA_HOME/pelmora, or ~/.local/share/pelmora. A relative XDG_DATA_HOME is ignored, as
// the base-directory convention asks, so the home never moves with the working directory.
fs::path userDataHome()
{
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg && fs::path(xdg).is_absolute())
        return fs::path(xdg) / "pelmora";
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
            home = entry->pw_dir;
    }
    if (!home || !*home)
        throw Error("Cannot find a directory for Pelmora's data: neither XDG_DATA_HOME nor HOME is set");
    return fs::path(home) / ".local" / "share" / "pelmora";
}

// A name that becomes one directory entry below a fixed directory: anything that could reach
// elsewhere ("..", "a/b") is refused rather than followed.
void checkEntryName(const std::string& name, const char* what)
{
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos
        || name.find('\0') != std::string::npos)
        throw Error("\"" + name + "\" cannot be used as " + what);
}

} // namespace

fs::path iniPathFor(const fs::path& executable)
{
    fs::path ini = executable;
    ini.replace_extension(".ini");
    return ini;
}

fs::path currentExecutable()
{
    std::error_code error;
    fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (error)
        throw Error("Cannot find the running program's path: " + error.message());
    return self;
}

Paths Paths::forProgramDir(const fs::path& programDir, const std::string& executableName)
{
    Paths paths;
    paths.m_programDir = fs::absolute(programDir).lexically_normal();
    if (paths.m_programDir.has_relative_path() && !paths.m_programDir.has_filename())
        paths.m_programDir = paths.m_programDir.parent_path(); // no trailing separator
    paths.m_iniFile = paths.m_programDir / iniPathFor(fs::path(executableName).filename());
    return paths;
}

Paths Paths::resolve(const std::optional<fs::path>& home, const fs::path& executable)
{
    const std::string name = executable.filename().string();
    if (home && !home->empty())
        return forProgramDir(*home, name);
    const fs::path exeDir = executable.parent_path();
    if (isPortableHome(exeDir) && !isInstalledLayout(exeDir))
        return forProgramDir(exeDir, name);
    return forProgramDir(userDataHome(), name);
}

Paths Paths::resolve(const std::optional<fs::path>& home)
{
    return resolve(home, currentExecutable());
}

fs::path Paths::pageFile(const std::string& number) const
{
    checkEntryName(number, "a page number");
    return pageDir() / (number + ".htm");
}

fs::path Paths::databaseDir(const std::string& name) const
{
    checkEntryName(name, "a database name");
    // A database named after one of the program's own directories would be created on top of
    // it: "data" would overwrite the Sample database and the shared tables.
    for (const char* reserved : { "data", "attach", "Docs", "help" }) {
        if (name == reserved)
            throw Error("\"" + name + "\" cannot be used as a database name: the program keeps its own files there");
    }
    return m_programDir / name;
}

void Paths::createDirectories() const
{
    for (const fs::path& dir : { m_programDir, attachDir(), dataDir(), pageDir() }) {
        std::error_code error;
        fs::create_directories(dir, error);
        if (error || !fs::is_directory(dir))
            throw Error("Cannot create the directory " + dir.string() + ": "
                + (error ? error.message() : std::string("a file of that name is in the way")));
    }
}

} // namespace pelmora::settings
