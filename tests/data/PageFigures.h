#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <utility>

namespace pelmora::test {

// What a pack is for, measured on the file: the pages it holds (its size once the log is written
// back) and those of them that are free.
struct PageFigures {
    std::int64_t pages = -1;
    std::int64_t freePages = -1;
};

inline PageFigures pageFigures(const std::filesystem::path& file)
{
    PageFigures figures;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        for (auto [pragma, value] : { std::pair { "PRAGMA page_count", &figures.pages },
                 std::pair { "PRAGMA freelist_count", &figures.freePages } }) {
            sqlite3_stmt* statement = nullptr;
            if (sqlite3_prepare_v2(db, pragma, -1, &statement, nullptr) == SQLITE_OK
                && sqlite3_step(statement) == SQLITE_ROW)
                *value = sqlite3_column_int64(statement, 0);
            sqlite3_finalize(statement);
        }
    }
    sqlite3_close(db);
    return figures;
}

} // namespace pelmora::test
