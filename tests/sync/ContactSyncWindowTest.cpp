#include "sync/ContactSyncWindow.h"
#include "carddav/Account.h"
#include "carddav/SyncState.h"
#include "data/Database.h"
#include "TestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace pelmora;

namespace {

// The window shows the stored account, the last result and each conflict by the server's name
// for it, and never the password in clear.
TEST(ContactSyncWindowTest, ShowsTheAccountTheLastSyncAndTheConflicts)
{
    int argc = 1;
    char name[] = "test";
    char* argv[] = { name };
    QApplication app(argc, argv);
    test::TempDir dir;
    auto db = data::Database::create(dir.path());
    carddav::Account account;
    account.server = "https://dav.example.org/";
    account.user = "ann";
    account.password = "secret";
    account.book = "https://dav.example.org/ann/contacts/";
    account.bookName = "Contacts";
    account.save(dir / "pelmora.ini");
    {
        carddav::SyncState state(db->sql());
        state.setValue("LastSync", "2026-12-08T10:00:00Z");
        state.setValue("LastResult", "sent 1, received 2, deleted here 0, deleted there 0, conflicts 1");
        carddav::SyncItem item;
        item.href = "/ann/contacts/bob.vcf";
        item.contact = 1;
        item.etag = "\"1\"";
        item.theirs = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Bob Baker\r\nEMAIL:bob@example.org\r\nEND:VCARD\r\n";
        item.theirsEtag = "\"2\"";
        state.save(item);
    }

    sync::ContactSyncWindow window(dir / "pelmora.ini", db->sql());
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(window.ServerEdit->text(), "https://dav.example.org/");
    EXPECT_EQ(window.PasswordEdit->echoMode(), QLineEdit::Password);
    EXPECT_EQ(window.BookCombo->currentText(), "Contacts");
    EXPECT_TRUE(window.LastSyncLabel->text().contains("conflicts 1"));
    ASSERT_EQ(window.ConflictList->count(), 1);
    EXPECT_EQ(window.ConflictList->item(0)->text(), "Bob Baker <bob@example.org>");
    EXPECT_FALSE(window.KeepMineBtn->isEnabled()) << "nothing chosen yet";
    window.ConflictList->setCurrentRow(0);
    EXPECT_TRUE(window.KeepMineBtn->isEnabled());
    EXPECT_TRUE(window.SyncBtn->isEnabled());
    if (const char* out = std::getenv("PELMORA_SCREENSHOT"))
        window.grab().save(QString::fromLocal8Bit(out));
}

} // namespace
