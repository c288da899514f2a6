// Add: every file becomes one deflated entry under its bare name, read through a source of our
// own so that each file's start, blocks and end reach OnProgress while the library compresses.
#include "archive/TZipMaster.h"

#include "archive/ArchiveError.h"
#include "archive/ZipLibrary.h"

#include <zip.h>

#include <cerrno>
#include <cstdio>
#include <exception>
#include <memory>
#include <random>
#include <set>
#include <sys/stat.h>

namespace pelmora::archive {

namespace {

namespace fs = std::filesystem;

struct AddState {
    TZipMaster* owner;
    std::exception_ptr failure; // an exception of an event handler, carried across the C library
};

struct FileSource {
    AddState* state;
    fs::path path;
    std::string name;
    std::uint64_t size = 0;
    time_t mtime = 0;
    std::FILE* file = nullptr;
    std::uint64_t done = 0;
    zip_error_t error;
};

// Runs an event handler inside a library callback; an exception may not unwind through C.
template <typename F> bool guarded(FileSource& source, F&& call)
{
    try {
        call();
        return true;
    } catch (...) {
        source.state->failure = std::current_exception();
        zip_error_set(&source.error, ZIP_ER_INTERNAL, 0);
        return false;
    }
}

zip_int64_t readBlock(FileSource& source, void* data, zip_uint64_t length)
{
    if (source.state->owner->Cancelled()) {
        zip_error_set(&source.error, ZIP_ER_CANCELLED, 0);
        return -1;
    }
    std::size_t count = std::fread(data, 1, length, source.file);
    if (count < length && std::ferror(source.file)) {
        zip_error_set(&source.error, ZIP_ER_READ, errno);
        return -1;
    }
    std::uint64_t before = source.done / TZipMaster::blockSize;
    source.done += count;
    for (std::uint64_t block = before; block < source.done / TZipMaster::blockSize; ++block) {
        if (!guarded(source, [&] { source.state->owner->progress(TZipMaster::BlockDone, source.name, source.size); }))
            return -1;
    }
    return static_cast<zip_int64_t>(count);
}

zip_int64_t openFile(FileSource& source)
{
    source.file = std::fopen(source.path.c_str(), "rb");
    if (!source.file) {
        zip_error_set(&source.error, ZIP_ER_OPEN, errno);
        return -1;
    }
    source.done = 0;
    bool reported = guarded(source, [&] {
        source.state->owner->verboseMessage("  adding: " + source.name);
        source.state->owner->progress(TZipMaster::NewFile, source.name, source.size);
    });
    return reported ? 0 : -1;
}

zip_int64_t sourceCallback(void* userdata, void* data, zip_uint64_t length, zip_source_cmd_t command)
{
    auto& source = *static_cast<FileSource*>(userdata);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        return openFile(source);
    case ZIP_SOURCE_READ:
        return readBlock(source, data, length);
    case ZIP_SOURCE_CLOSE:
        if (source.file)
            std::fclose(source.file);
        source.file = nullptr;
        return guarded(source, [&] { source.state->owner->progress(TZipMaster::FileDone, {}, 0); }) ? 0 : -1;
    case ZIP_SOURCE_STAT: {
        auto* stat = static_cast<zip_stat_t*>(data);
        zip_stat_init(stat);
        stat->size = source.size;
        stat->mtime = source.mtime;
        stat->valid = ZIP_STAT_SIZE | ZIP_STAT_MTIME;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&source.error, data, length);
    case ZIP_SOURCE_FREE:
        if (source.file)
            std::fclose(source.file);
        zip_error_fini(&source.error);
        delete &source;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(
            ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
        zip_error_set(&source.error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

zip_source_t* makeFileSource(AddState& state, const fs::path& path, const std::string& name)
{
    struct stat info { };
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return nullptr;
    auto* source = new FileSource();
    source->state = &state;
    source->path = path;
    source->name = name;
    source->size = static_cast<std::uint64_t>(info.st_size);
    source->mtime = info.st_mtime;
    zip_error_init(&source->error);
    zip_source_t* created = zip_source_function_create(sourceCallback, source, nullptr);
    if (!created) {
        zip_error_fini(&source->error);
        delete source;
    }
    return created;
}

// The library writes its own temporary file named after the archive plus seven characters, which
// fails for a name near the file system's limit; it is given a short name in the same directory
// instead, renamed to the archive's once complete.
fs::path temporaryArchivePath(const fs::path& archive)
{
    std::random_device random;
    fs::path dir = archive.parent_path().empty() ? fs::path(".") : archive.parent_path();
    return dir / (".pelmora-backup-" + std::to_string(random()) + ".zip");
}

int cancelCallback(zip_t*, void* userdata)
{
    return static_cast<TZipMaster*>(userdata)->Cancelled() ? 1 : 0;
}

} // namespace

int TZipMaster::runAdd()
{
    std::set<std::string> names;
    for (const fs::path& file : FSpecArgs) {
        if (!names.insert(file.filename().string()).second)
            fail("Two files to add have the same name: " + file.filename().string());
    }
    int error = 0;
    fs::path temporary = temporaryArchivePath(m_zipFilename);
    ZipHandle archive(zip_open(temporary.c_str(), ZIP_CREATE | ZIP_EXCL, &error));
    if (!archive)
        fail("Can not create " + m_zipFilename.string() + ": " + zipErrorText(error));
    zip_register_cancel_callback_with_state(archive.get(), cancelCallback, nullptr, this);
    AddState state { this, nullptr };
    for (const fs::path& file : FSpecArgs) {
        std::string name = file.filename().string();
        zip_source_t* source = makeFileSource(state, file, name);
        if (!source)
            fail("Can not read " + file.string());
        zip_int64_t index = zip_file_add(archive.get(), name.c_str(), source, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(source);
            fail("Can not add " + name + ": " + zip_strerror(archive.get()));
        }
        zip_set_file_compression(
            archive.get(), static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, static_cast<zip_uint32_t>(AddCompLevel));
    }
    if (zip_close(archive.get()) != 0) {
        std::string text = zip_strerror(archive.get());
        if (state.failure)
            std::rethrow_exception(state.failure);
        if (m_cancel)
            throw ArchiveCanceled();
        fail("Can not write " + m_zipFilename.string() + ": " + text);
    }
    archive.release();
    // A cancel pressed as the last file ended still leaves the previous archive in place, as a
    // cancel at any earlier moment does.
    std::error_code renameError;
    if (!m_cancel)
        fs::rename(temporary, m_zipFilename, renameError);
    if (m_cancel || renameError) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        if (m_cancel)
            throw ArchiveCanceled();
        fail("Can not write " + m_zipFilename.string() + ": " + renameError.message());
    }
    message(0, std::to_string(FSpecArgs.size()) + " files written to " + m_zipFilename.string());
    return static_cast<int>(FSpecArgs.size());
}

} // namespace pelmora::archive
