#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace pelmora::data {

// A list, in a file of the program directory, of what the running database commands are
// building: the hidden working directories of New, back-up and restore, and the directory of a
// database that New or Insert has not finished. Each entry is added before the work starts and
// dropped when it ends, whichever way; an entry still there when the program starts again was
// left by a command that was killed, and only such entries are cleaned up, so nothing the
// program did not make is ever touched.
class WorkRecord {
public:
    enum class Kind {
        WorkingDirectory, // removed with everything in it
        NewDatabase, // a database directory whose row goes when it holds no database
    };

    struct Entry {
        int pid = 0;
        Kind kind = Kind::WorkingDirectory;
        std::filesystem::path path;
    };

    // Registers `path` in the list file `list`; an empty `list` records nothing.
    WorkRecord(std::filesystem::path list, Kind kind, std::filesystem::path path);
    ~WorkRecord();
    WorkRecord(const WorkRecord&) = delete;
    WorkRecord& operator=(const WorkRecord&) = delete;

    const std::filesystem::path& path() const { return m_path; }

    // The entries of processes that no longer run, taken out of the list.
    static std::vector<Entry> takeAbandoned(const std::filesystem::path& list);
    // Whether a working directory's name is one this program gives them (".NAME.PURPOSE-NUMBER").
    static bool isWorkingDirectoryName(const std::string& name);

private:
    std::filesystem::path m_list;
    std::filesystem::path m_path;
    Kind m_kind;
};

// A working directory that is removed with its contents whatever way the command ends, and
// recorded while it exists.
class Staging {
public:
    Staging(std::filesystem::path path, const std::filesystem::path& list)
        : m_record(list, WorkRecord::Kind::WorkingDirectory, path)
    {
    }
    ~Staging()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_record.path(), ignored);
    }
    Staging(const Staging&) = delete;
    Staging& operator=(const Staging&) = delete;
    const std::filesystem::path& path() const { return m_record.path(); }

private:
    WorkRecord m_record;
};

} // namespace pelmora::data
