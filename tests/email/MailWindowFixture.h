#pragma once

#include "../app/GuiTest.h"
#include "TestSupport.h"

#include "data/DataPrompts.h"
#include "data/TfrmDataModule.h"
#include "mailstore/StoredMessage.h"
#include "settings/Paths.h"
#include "settings/Settings.h"
#include "widgets/DateText.h"

#include <QApplication>
#include <QTimer>

#include <functional>
#include <memory>

namespace pelmora::test {

// A fresh Sample database with a few messages: two in the inbox (one with two files), one
// sent to a contact and one received from that contact.
// Public, so that a suite with servers can make one beside its own fixture.
class MailWindowTest : public GuiTestBase {
public:
    MailWindowTest()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        paths.createDirectories();
        data = std::make_unique<data::TfrmDataModule>(dataPrompts, paths.dataDir(), paths.attachDir());
        data->setDateFormat(app::engineDateFormat());
        data->openDatabase(paths.dataDir());
        data->TBLCon.first();
        contact = data->TBLCon.current()->rowId;
        withFiles = addMessage(mailstore::kInbox, mailstore::kReceived, "Catalog", "tessa@example.com",
            "Line one\nLine two\nLine three", { file("catalog.pdf"), file("prices.csv") });
        plain = addMessage(mailstore::kInbox, mailstore::kReceived, "Meeting", "leo@example.org", "See you");
        sent = addMessage(contact, mailstore::kOutgoing, "Order", "ann@example.com", "Please send");
        received = addMessage(contact, mailstore::kReceived, "Invoice", "ann@example.com", "Attached");
        data->TBLEmailFull.refresh();
    }

    std::string file(const std::string& name)
    {
        const auto path = paths.attachDir() / name;
        writeFile(path, name);
        return path.string();
    }
    std::int64_t addMessage(std::int64_t owner, std::int64_t status, const std::string& subject,
        const std::string& from, const std::string& body, std::vector<std::string> files = {})
    {
        mailstore::StoredMessage message;
        message.contact = owner;
        message.status = status;
        message.subject = subject;
        message.senderName = "Sender of " + subject;
        message.senderEmail = from;
        message.body = body;
        message.attachments = std::move(files);
        return mailstore::MailStore(*data->currentDatabase()).insert(message);
    }
    std::int64_t scalar(const std::string& sql) { return data->currentDatabase()->sql().scalar(sql); }
    // The subjects the view lists, in its order.
    static std::vector<std::string> subjects(data::TableView& view)
    {
        std::vector<std::string> found;
        const int column = view.fieldIndex("Subject");
        for (const auto& row : view.rows(0, view.recordCount()))
            found.push_back(data::valueToString(row.values[std::size_t(column)]));
        return found;
    }
    // Runs `command`, which opens a modal `Window`, and `respond` inside it; `respond` closes it.
    template <typename Window>
    static void inModal(const std::function<void()>& command, const std::function<void(Window*)>& respond)
    {
        bool answered = false;
        QTimer::singleShot(0, [&] {
            auto* window = qobject_cast<Window*>(QApplication::activeModalWidget());
            ASSERT_NE(window, nullptr);
            respond(window);
            answered = true;
        });
        command();
        EXPECT_TRUE(answered);
    }

    ScriptedPrompts* prompts = installScriptedPrompts();
    TempDir home;
    settings::Paths paths = settings::Paths::forProgramDir(home.path());
    settings::Settings settings;
    data::DefaultPrompts dataPrompts;
    std::unique_ptr<data::TfrmDataModule> data;
    std::int64_t contact = 0, withFiles = 0, plain = 0, sent = 0, received = 0;
};

} // namespace pelmora::test
