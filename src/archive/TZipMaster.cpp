#include "archive/TZipMaster.h"

#include "archive/ArchiveError.h"

namespace pelmora::archive {

namespace {

// Marks an operation as running for its whole call, also when it ends by an exception.
class RunningFlag {
public:
    explicit RunningFlag(bool& flag)
        : m_flag(flag)
    {
        m_flag = true;
    }
    ~RunningFlag() { m_flag = false; }
    RunningFlag(const RunningFlag&) = delete;
    RunningFlag& operator=(const RunningFlag&) = delete;

private:
    bool& m_flag;
};

} // namespace

void TZipMaster::setZipFilename(const std::filesystem::path& path)
{
    m_zipFilename = path;
    m_contents.clear();
    std::error_code error;
    if (!path.empty() && std::filesystem::exists(path, error))
        m_contents = readZipEntryList(path);
}

int TZipMaster::Add()
{
    if (m_adding)
        return m_successCount;
    if (FSpecArgs.empty()) {
        message(1, "Error - no files to zip");
        return m_successCount;
    }
    return runGuarded(m_adding, &TZipMaster::runAdd);
}

int TZipMaster::Extract()
{
    if (m_extracting)
        return m_successCount;
    return runGuarded(m_extracting, &TZipMaster::runExtract);
}

int TZipMaster::runGuarded(bool& running, int (TZipMaster::*operation)())
{
    if (m_zipFilename.empty()) {
        message(1, "Error - no zip file specified");
        return m_successCount;
    }
    RunningFlag flag(running);
    m_cancel = false;
    try {
        m_successCount = (this->*operation)();
    } catch (const ArchiveCanceled&) {
        throw;
    } catch (const Error&) {
        message(1, "Fatal DLL Error: abort exception");
        throw;
    }
    return m_successCount;
}

void TZipMaster::message(int errorCode, std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    if (OnMessage)
        OnMessage(errorCode, text);
}

void TZipMaster::progress(int kind, const std::string& fileName, std::uint64_t fileSize)
{
    if (OnProgress)
        OnProgress(kind, fileName, fileSize);
}

void TZipMaster::fail(const std::string& detail)
{
    message(1, detail);
    throw ArchiveError(detail);
}

} // namespace pelmora::archive
