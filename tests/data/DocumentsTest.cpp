#include "data/Documents.h"
#include "data/Database.h"
#include "data/SqlDatabase.h"
#include "data/TableView.h"
#include "DataTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

namespace pelmora::data {
namespace {

class DocumentsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        database = Database::create(temp.path());
        view.setDatabase(database);
        view.open();
    }

    std::filesystem::path write(const std::string& name, const std::string& content)
    {
        const std::filesystem::path file = temp.path() / name;
        std::ofstream(file, std::ios::binary) << content;
        return file;
    }

    std::int64_t addDocument(const std::string& file)
    {
        view.insert();
        view.setString("Name", "doc");
        view.setString("File", file);
        view.setValue("Contact", Value { std::int64_t(1) });
        view.post();
        return view.current()->rowId;
    }

    test::TempDir temp;
    std::shared_ptr<Database> database;
    TableView view { "TBLDocFull", tableDef("documents") };
};

TEST_F(DocumentsTest, SizeAndDateComeFromTheFileEachTimeAndAreClearedWhenUnknown)
{
    const auto letter = write("letter.txt", "Dear Ann,\n");
    const FileFacts facts = readFileFacts(letter);
    ASSERT_TRUE(facts.size);
    EXPECT_EQ(*facts.size, 10);
    ASSERT_TRUE(facts.modified);
    EXPECT_EQ(*facts.modified, Date::today());
    EXPECT_FALSE(readFileFacts(temp.path() / "missing").size);
    EXPECT_FALSE(readFileFacts(temp.path()).size); // a folder has no size to speak of

    addDocument("x");
    attachFile(view, letter);
    view.post();
    EXPECT_EQ(view.asString("File"), letter.string());
    EXPECT_EQ(view.asInteger("Size"), 10);
    EXPECT_EQ(std::get<std::string>(view.value("ModiDate")), Date::today().iso());
    // A second file that cannot be read leaves no size or date of the first one behind.
    attachFile(view, temp.path() / "gone.txt");
    view.post();
    EXPECT_TRUE(isNull(view.value("Size")));
    EXPECT_TRUE(isNull(view.value("ModiDate")));
    EXPECT_EQ(view.asString("Name"), "doc");
}

TEST_F(DocumentsTest, OnlyAFileNoOtherDocumentNamesIsErasedAndOnlyAfterTheRecordGoes)
{
    const auto shared = write("shared.txt", "one");
    const auto own = write("own.txt", "two");
    const auto kept = write("kept.txt", "three");
    std::filesystem::create_symlink(own, temp.path() / "link.txt");
    const std::int64_t first = addDocument(shared.string());
    addDocument(shared.string());
    const std::int64_t ownDoc = addDocument(own.string());
    const std::int64_t relative = addDocument("own.txt");
    const std::int64_t linked = addDocument((temp.path() / "link.txt").string());
    const std::int64_t keptDoc = addDocument(kept.string());

    EXPECT_NE(documentFileRefusal(*database, first, shared.string()), "");
    EXPECT_NE(documentFileRefusal(*database, relative, "own.txt"), "");
    EXPECT_NE(documentFileRefusal(*database, linked, (temp.path() / "link.txt").string()), "");
    EXPECT_NE(documentFileRefusal(*database, ownDoc, temp.path().string()), "");
    EXPECT_EQ(documentFileRefusal(*database, ownDoc, own.string()), "");

    ASSERT_TRUE(view.gotoRowId(first));
    EXPECT_NE(deleteDocument(view, true), "");
    EXPECT_TRUE(std::filesystem::exists(shared)); // the other record still names it
    ASSERT_TRUE(view.gotoRowId(linked));
    EXPECT_NE(deleteDocument(view, true), "");
    EXPECT_TRUE(std::filesystem::exists(own));
    ASSERT_TRUE(view.gotoRowId(keptDoc));
    EXPECT_EQ(deleteDocument(view, false), "");
    EXPECT_TRUE(std::filesystem::exists(kept));
    ASSERT_TRUE(view.gotoRowId(ownDoc));
    view.edit();
    view.setString("File", kept.string()); // typed, not stored: the stored file is the one meant
    EXPECT_EQ(deleteDocument(view, true), "");
    EXPECT_FALSE(std::filesystem::exists(own));
    EXPECT_TRUE(std::filesystem::exists(kept));
    EXPECT_EQ(database->sql().scalar("SELECT count(*) FROM documents"), 2);
    EXPECT_EQ(database->sql().scalar("SELECT count(*) FROM documents WHERE Counter IN (?, ?, ?)",
                  { Value { first }, Value { ownDoc }, Value { keptDoc } }),
        0);
}

} // namespace
} // namespace pelmora::data
