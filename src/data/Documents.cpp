#include "data/Documents.h"

#include "data/Database.h"
#include "data/SqlDatabase.h"
#include "data/TableView.h"

#include <ctime>
#include <fstream>
#include <system_error>

namespace pelmora::data {

FileFacts readFileFacts(const std::filesystem::path& file)
{
    FileFacts facts;
    std::error_code error;
    const auto stamp = std::filesystem::last_write_time(file, error);
    if (!error) {
        const auto seconds = std::chrono::time_point_cast<std::chrono::seconds>(std::chrono::file_clock::to_sys(stamp));
        const std::time_t time = std::chrono::system_clock::to_time_t(seconds);
        std::tm local {};
        if (localtime_r(&time, &local))
            facts.modified = Date { local.tm_year + 1900, local.tm_mon + 1, local.tm_mday };
    }
    // The size as read through the file, as opening it is what tells whether it can be read.
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    if (in && std::filesystem::is_regular_file(file, error)) {
        const std::streamoff length = in.tellg();
        if (length >= 0)
            facts.size = static_cast<std::int64_t>(length);
    }
    return facts;
}

void attachFile(TableView& view, const std::filesystem::path& file)
{
    const FileFacts facts = readFileFacts(file);
    if (!view.isEditing())
        view.edit();
    view.setString("File", file.string());
    if (facts.modified)
        view.setDate("ModiDate", *facts.modified);
    else
        view.setValue("ModiDate", Value {});
    if (facts.size)
        view.setValue("Size", Value { *facts.size });
    else
        view.setValue("Size", Value {});
}

std::string documentFileRefusal(Database& database, std::int64_t counter, const std::string& file)
{
    if (file.empty())
        return "the document names no file";
    const std::filesystem::path path(file);
    if (!path.is_absolute())
        return "\"" + file + "\" is not a full path";
    std::error_code error;
    const auto status = std::filesystem::symlink_status(path, error);
    if (error || !std::filesystem::is_regular_file(status))
        return "\"" + file + "\" is not a file";
    const std::int64_t others = database.sql().scalar(
        "SELECT count(*) FROM documents WHERE File = ? AND Counter <> ?", { Value { file }, Value { counter } });
    if (others > 0)
        return "another document names \"" + file + "\"";
    return {};
}

std::string deleteDocument(TableView& view, bool withFile)
{
    if (view.state() == ViewState::Insert) {
        view.cancel(); // a document not stored yet has nothing to delete, its file least of all
        return {};
    }
    if (view.isEditing())
        view.cancel(); // the file that is stored, not one typed and not yet kept
    if (view.isEmpty())
        return {};
    const std::string file = view.asString("File");
    std::string refusal;
    if (withFile)
        refusal = documentFileRefusal(*view.database(), view.current()->rowId, file);
    view.remove(); // committed here; a failure throws before any file is touched
    if (!withFile || !refusal.empty())
        return refusal;
    std::error_code error;
    if (!std::filesystem::remove(file, error) || error)
        return "\"" + file + "\" could not be erased" + (error ? ": " + error.message() : std::string());
    return {};
}

} // namespace pelmora::data
