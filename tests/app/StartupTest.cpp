// The program started as a whole, as main() starts it: the single-instance guard, the INI, the
// data module and the main window, offscreen, and ended by closing the main window.
#include "GuiTest.h"
#include "TestSupport.h"

#include "app/Application.h"
#include "app/TfrmMainForm.h"
#include "app/TOnlyOpenOnce.h"
#include "data/TableView.h"
#include "settings/Paths.h"
#include "widgets/TDataSource.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLockFile>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <memory>

namespace fs = std::filesystem;
using pelmora::app::TfrmMainForm;
using pelmora::test::TempDir;

namespace {

// What the test saw of the running program before it closed the main window.
struct Seen {
    bool mainWindow = false;
    bool dataOpen = false;
    QString dataName;
};

// Set while a test runs the program: called from each QApplication as it is made, it watches
// for the main window, notes what it shows and closes it, which ends the program; a program
// that never shows it is stopped after 20 s.
Seen* g_seen = nullptr;

void watchForTheMainWindow()
{
    if (!g_seen)
        return;
    auto* timer = new QTimer(QCoreApplication::instance());
    auto clock = std::make_shared<QElapsedTimer>(); // goes with the timer's connection
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [timer, clock] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* form = qobject_cast<TfrmMainForm*>(widget);
            if (!form || !form->isVisible())
                continue;
            timer->stop();
            g_seen->mainWindow = true;
            g_seen->dataOpen = form->dsCon() && form->dsCon()->view().isOpen();
            if (auto* label = form->findChild<QLabel*>(QStringLiteral("lblDataName")))
                g_seen->dataName = label->text();
            form->close();
            return;
        }
        if (clock->elapsed() > 20000) {
            timer->stop();
            QCoreApplication::exit(3);
        }
    });
    timer->start(50);
}

class StartupTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { qAddPreRoutine(&watchForTheMainWindow); }

    void SetUp() override
    {
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.path().string()));
        qputenv("QT_QPA_PLATFORM", "offscreen");
        fs::permissions(runtime.path(), fs::perms::owner_all);
        prompts = pelmora::test::installScriptedPrompts();
        g_seen = &seen;
    }
    void TearDown() override { g_seen = nullptr; }

    int start()
    {
        std::string home = this->home.path().string();
        char name[] = "pelmora";
        char option[] = "--home";
        char* argv[] = { name, option, home.data(), nullptr };
        return pelmora::app::run(3, argv);
    }

    // The INI the program reads: named after the executable, in the home given.
    fs::path ini() const { return pelmora::settings::Paths::resolve(home.path()).iniFile(); }

    // The lock and socket files of the one copy allowed to run.
    QString lockPath() const { return pelmora::app::TOnlyOpenOnce(QStringLiteral("12345tovek")).lockPath(); }
    QString socketPath() const { return pelmora::app::TOnlyOpenOnce(QStringLiteral("12345tovek")).socketPath(); }

    TempDir runtime;
    TempDir home;
    Seen seen;
    pelmora::test::ScriptedPrompts* prompts = nullptr;
};

TEST_F(StartupTest, AGoodIniOpensItsDatabaseAndIsWrittenBackAtTheEnd)
{
    pelmora::test::writeFile(ini(), "[Setup]\r\nLastData=Sample\r\nLastDataName=Sample\r\nServer=pop.example.org\r\n");
    EXPECT_EQ(start(), 0);
    EXPECT_TRUE(seen.mainWindow);
    EXPECT_TRUE(seen.dataOpen);
    EXPECT_EQ(seen.dataName, QStringLiteral("Sample"));
    EXPECT_TRUE(prompts->shown.isEmpty()) << prompts->shown.join(QLatin1Char('\n')).toStdString();
    const std::string text = pelmora::test::readFile(ini());
    EXPECT_NE(text.find("Server=pop.example.org"), std::string::npos) << text;
    EXPECT_NE(text.find("LastData=" + (home.path() / "data").string()), std::string::npos) << text;
    EXPECT_FALSE(QFileInfo::exists(lockPath())) << "the lock outlived the program";
}

TEST_F(StartupTest, ABrokenIniStillStartsWithTheSampleDatabase)
{
    pelmora::test::writeFile(ini(),
        std::string("\xff\xfe[Setup\r\nLastData\r\n=\r\n[Window]Left=abc\r\nTop=99999999999999999999\r\n\0\0", 62));
    EXPECT_EQ(start(), 0);
    EXPECT_TRUE(seen.mainWindow);
    EXPECT_TRUE(seen.dataOpen);
}

TEST_F(StartupTest, AMissingDatabaseIsReportedAndTheWindowStillComes)
{
    const fs::path gone = home.path() / "gone";
    pelmora::test::writeFile(ini(), "[Setup]\r\nLastData=" + gone.string() + "\r\nLastDataName=Gone\r\n");
    EXPECT_EQ(start(), 0);
    EXPECT_TRUE(seen.mainWindow);
    // Either the database is made afresh or the user is told why there is none.
    EXPECT_TRUE(seen.dataOpen || !prompts->shown.isEmpty());
}

// A copy that crashed leaves its lock and its socket file behind; the next start must run, not
// hand over to a copy that is no longer there. Both a lock QLockFile knows to be stale (its
// process is gone) and one it can not read (cut short as it was written) are taken over.
TEST_F(StartupTest, ALockLeftByACrashedCopyDoesNotStopTheNextStart)
{
    for (bool readable : { true, false }) {
        SCOPED_TRACE(readable ? "a dead owner" : "a lock cut short");
        seen = {};
        if (readable) {
            pid_t child = fork();
            if (child == 0) {
                QLockFile lock(lockPath());
                lock.tryLock(0);
                _exit(0); // no unlock: the crash
            }
            ASSERT_GT(child, 0);
            waitpid(child, nullptr, 0);
        } else {
            pelmora::test::writeFile(lockPath().toStdString(), "4");
        }
        ASSERT_TRUE(QFileInfo::exists(lockPath()));
        int left = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, socketPath().toLocal8Bit().constData(), sizeof address.sun_path - 1);
        ::unlink(address.sun_path);
        ASSERT_EQ(::bind(left, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(left); // the socket file stays, with no one listening
        EXPECT_EQ(start(), 0);
        EXPECT_TRUE(seen.mainWindow);
    }
}

} // namespace
