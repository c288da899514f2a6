#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace pelmora::settings {

// The directories every part of the program reads, fixed once at start. The program directory is
// chosen from `--home DIR`; else the executable's own directory when the user may write there (a
// portable install keeps everything beside the program) and it is not one of the system's own
// directories (/usr, /bin, ...); else $XDG_DATA_HOME/pelmora (by default ~/.local/share/pelmora),
// so an installed copy still has a home of its own.
class Paths {
public:
    // `home` is the value of --home; `executable` the full path of the running program, whose
    // file name also names the INI file ("pelmora" -> "pelmora.ini").
    static Paths resolve(const std::optional<std::filesystem::path>& home, const std::filesystem::path& executable);
    // The same, for the program that is running now (read from /proc/self/exe).
    static Paths resolve(const std::optional<std::filesystem::path>& home);
    // All paths below a known program directory, with the INI file named after `executableName`.
    static Paths forProgramDir(const std::filesystem::path& programDir, const std::string& executableName = "pelmora");

    const std::filesystem::path& programDir() const { return m_programDir; }
    const std::filesystem::path& iniFile() const { return m_iniFile; }
    std::filesystem::path attachDir() const { return m_programDir / "attach"; }
    std::filesystem::path dataDir() const { return m_programDir / "data"; }
    std::filesystem::path pageDir() const { return m_programDir / "Docs"; }
    std::filesystem::path helpDir() const { return m_programDir / "help"; }
    std::filesystem::path helpContents() const { return helpDir() / "help.htm"; }
    // Working files kept beside the program: the message being imported from another mail
    // program, and the text of a message being printed.
    std::filesystem::path importWorkFile() const { return m_programDir / "tempEmail.eml"; }
    std::filesystem::path emailPrintFile() const { return m_programDir / "emailtext.txt"; }
    // A grabbed web page: Docs/<number>.htm. Throws pelmora::Error for a number that would name a
    // file outside the page directory (empty, "..", holding "/").
    std::filesystem::path pageFile(const std::string& number) const;
    // Where a new database of that name is created: beside the program, under its own name.
    // Throws pelmora::Error for a name that would leave the program directory or land on one of
    // its own directories (data, attach, Docs, help).
    std::filesystem::path databaseDir(const std::string& name) const;

    // Creates the program, attachments, data and page directories when missing; throws
    // pelmora::Error naming the directory that cannot be made.
    void createDirectories() const;

private:
    std::filesystem::path m_programDir;
    std::filesystem::path m_iniFile;
};

// The full path of the running executable.
std::filesystem::path currentExecutable();

// The INI file of an executable: its path with the extension replaced by ".ini", or ".ini"
// appended when the name has none.
std::filesystem::path iniPathFor(const std::filesystem::path& executable);

} // namespace pelmora::settings
