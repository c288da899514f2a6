#include "GuiTest.h"
#include "TestSupport.h"

#include "app/TOnlyOpenOnce.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QWidget>

#include <gtest/gtest.h>

using pelmora::app::TOnlyOpenOnce;

namespace {

// Every test gets its own runtime directory, so no copy of the program that the user has
// running, and no other test, shares the lock and socket.
class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.path().string()));
        std::filesystem::permissions(runtime.path(), std::filesystem::perms::owner_all);
        pelmora::test::guiApp();
    }

    // Pumps events until `done` holds, for at most five seconds.
    template <typename Predicate> bool waitFor(Predicate done)
    {
        QDeadlineTimer deadline(5000);
        while (!done() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    }

    // A first copy owning `window` claims the name; a second claim must fail and hand over.
    bool startSecondCopyBeside(QWidget& window, const QString& name)
    {
        TOnlyOpenOnce first(name);
        if (!first.claim())
            return false;
        first.setWindow(&window);
        bool handedOver = false;
        QObject::connect(&first, &TOnlyOpenOnce::handedOver, [&handedOver] { handedOver = true; });
        TOnlyOpenOnce second(name);
        EXPECT_FALSE(second.claim());
        return waitFor([&handedOver] { return handedOver; });
    }

    pelmora::test::TempDir runtime;
};

TEST_F(SingleInstanceTest, SecondClaimHandsOverAndRestoresAMinimizedWindow)
{
    QWidget window;
    window.showMinimized();
    ASSERT_TRUE(startSecondCopyBeside(window, QStringLiteral("test-handover")));
    EXPECT_FALSE(window.isMinimized());
}

TEST_F(SingleInstanceTest, AMaximizedWindowStaysMaximized)
{
    QWidget window;
    window.showMaximized();
    ASSERT_TRUE(startSecondCopyBeside(window, QStringLiteral("test-maximized")));
    EXPECT_TRUE(window.isMaximized());
}

TEST_F(SingleInstanceTest, ALinkGivenToASecondCopyIsOpenedByTheFirst)
{
    QWidget window;
    window.show();
    TOnlyOpenOnce first(QStringLiteral("test-link"));
    ASSERT_TRUE(first.claim());
    first.setWindow(&window);
    QStringList links;
    bool handedOver = false;
    QObject::connect(&first, &TOnlyOpenOnce::linkHandedOver, [&links](const QString& link) { links << link; });
    QObject::connect(&first, &TOnlyOpenOnce::handedOver, [&handedOver] { handedOver = true; });
    TOnlyOpenOnce second(QStringLiteral("test-link"));
    second.setLink(QStringLiteral("mailto:a@example.org?subject=Hi%20there"));
    EXPECT_FALSE(second.claim());
    ASSERT_TRUE(waitFor([&] { return handedOver && !links.isEmpty(); }));
    EXPECT_EQ(links, QStringList { QStringLiteral("mailto:a@example.org?subject=Hi%20there") });
}

TEST_F(SingleInstanceTest, TheNextStartAfterTheFirstCopyEndedRuns)
{
    {
        TOnlyOpenOnce first(QStringLiteral("test-release"));
        ASSERT_TRUE(first.claim());
    }
    TOnlyOpenOnce again(QStringLiteral("test-release"));
    EXPECT_TRUE(again.claim());
    EXPECT_TRUE(QFileInfo(again.socketPath()).exists());
}

TEST_F(SingleInstanceTest, ASecondProgramEndsAtOnceWithCodeZero)
{
    pelmora::test::TempDir home;
    const QString binary = qEnvironmentVariable("PELMORA_BINARY");
    ASSERT_FALSE(binary.isEmpty());
    const QStringList args { QStringLiteral("--home"), QString::fromStdString(home.path().string()) };
    QProcess first;
    first.start(binary, args);
    ASSERT_TRUE(first.waitForStarted(5000));
    const QString socket = TOnlyOpenOnce(QStringLiteral("12345tovek")).socketPath();
    ASSERT_TRUE(waitFor([&socket] { return QFileInfo::exists(socket); })) << "the first copy never listened";

    QProcess second;
    second.start(binary, args);
    EXPECT_TRUE(second.waitForFinished(5000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);

    first.terminate();
    if (!first.waitForFinished(5000)) {
        first.kill();
        first.waitForFinished(5000);
    }
}

TEST_F(SingleInstanceTest, TheRunningCopyAnswersWhetherItCouldComeForwardOnTheCallersDisplay)
{
    QWidget window;
    window.show();
    TOnlyOpenOnce first(QStringLiteral("test-answer"));
    ASSERT_TRUE(first.claim());
    first.setWindow(&window);
    auto ask = [&](const QByteArray& display) {
        QLocalSocket socket;
        socket.connectToServer(first.socketPath());
        EXPECT_TRUE(waitFor([&] { return socket.state() == QLocalSocket::ConnectedState; }));
        socket.write("show " + display + "\n");
        QByteArray reply;
        waitFor([&] {
            reply += socket.readAll();
            return reply.contains('\n');
        });
        return reply;
    };
    EXPECT_EQ(ask(TOnlyOpenOnce::displayName().toUtf8()), "shown\n");
    const QByteArray elsewhere = ask("xcb :99");
    EXPECT_TRUE(elsewhere.startsWith("elsewhere ")) << elsewhere.toStdString();
}

TEST_F(SingleInstanceTest, ASecondStartWhoseRunningCopyDoesNotListenSaysSoInsteadOfEndingSilently)
{
    // A copy that holds the lock but never listens, as one stuck before it could.
    QLockFile held(TOnlyOpenOnce(QStringLiteral("test-silent")).lockPath());
    ASSERT_TRUE(held.tryLock(0));
    TOnlyOpenOnce second(QStringLiteral("test-silent"));
    EXPECT_FALSE(second.claim());
    EXPECT_TRUE(second.handOverNotice().contains(QStringLiteral("already running")))
        << second.handOverNotice().toStdString();
}

} // namespace
