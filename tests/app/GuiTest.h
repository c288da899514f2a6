#pragma once

#include "widgets/Prompts.h"

#include <QApplication>
#include <QDialog>
#include <QStringList>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

namespace pelmora::test {

class ScriptedPrompts;
// Installs prompts that answer every question with No/Cancel unless a test scripts them, so an
// unexpected message box can never wait for a click that no one gives.
ScriptedPrompts* installScriptedPrompts();

// Keeps a GUI test from hanging when it goes wrong. An ASSERT that fails inside a script run by
// a modal window's event loop only leaves that script: the window would wait for a click until
// ctest gives up on the whole executable. So once a test has failed fatally, every modal window
// and popup is closed (and kept closed) until the test ends. Each test also gets its own time
// limit (PELMORA_GUI_TEST_SECONDS, 60 by default): past it the test fails and its windows are
// closed; should even that not end it, the executable stops with the test's name.
class GuiTestGuard : public ::testing::EmptyTestEventListener {
public:
    GuiTestGuard()
        : m_limit(limitFromEnvironment())
    {
        m_closer.setInterval(50);
        QObject::connect(&m_closer, &QTimer::timeout, [] { closeModalWindows(); });
        m_watchdog = std::thread([this] { watch(); });
    }
    ~GuiTestGuard() override
    {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_changed.notify_all();
        m_watchdog.join();
    }
    GuiTestGuard(const GuiTestGuard&) = delete;
    GuiTestGuard& operator=(const GuiTestGuard&) = delete;

    // Starts the clock for the test running now (the guard is installed during the first test).
    void arm(const std::string& name)
    {
        std::lock_guard lock(m_mutex);
        m_test = name;
        ++m_generation;
        m_deadline = std::chrono::steady_clock::now() + m_limit;
        m_changed.notify_all();
    }

    void OnTestStart(const ::testing::TestInfo& info) override
    {
        arm(std::string(info.test_suite_name()) + "." + info.name());
    }
    void OnTestPartResult(const ::testing::TestPartResult& result) override
    {
        if (result.fatally_failed()) {
            closeModalWindows();
            m_closer.start();
        }
    }
    void OnTestEnd(const ::testing::TestInfo&) override
    {
        m_closer.stop();
        std::lock_guard lock(m_mutex);
        m_test.clear();
        ++m_generation;
        m_changed.notify_all();
    }

    static void closeModalWindows()
    {
        for (int i = 0; i < 20; ++i) {
            QWidget* window = QApplication::activePopupWidget();
            if (!window)
                window = QApplication::activeModalWidget();
            if (!window)
                return;
            if (auto* dialog = qobject_cast<QDialog*>(window))
                dialog->reject();
            window->close();
        }
    }

private:
    static std::chrono::seconds limitFromEnvironment()
    {
        const char* text = std::getenv("PELMORA_GUI_TEST_SECONDS");
        long seconds = text ? std::strtol(text, nullptr, 10) : 0;
        return std::chrono::seconds(seconds > 0 ? seconds : 60);
    }

    void watch()
    {
        std::unique_lock lock(m_mutex);
        while (!m_stopping) {
            if (m_test.empty()) {
                m_changed.wait(lock);
                continue;
            }
            const unsigned generation = m_generation;
            if (m_changed.wait_until(lock, m_deadline, [&] { return m_stopping || m_generation != generation; }))
                continue;
            // Past the limit: fail the test on its own thread, where the windows live.
            std::string name = m_test;
            QMetaObject::invokeMethod(
                qApp,
                [this, name] {
                    ADD_FAILURE() << name << " ran longer than " << m_limit.count() << " s";
                    closeModalWindows();
                    m_closer.start();
                },
                Qt::QueuedConnection);
            if (m_changed.wait_for(
                    lock, std::chrono::seconds(10), [&] { return m_stopping || m_generation != generation; }))
                continue;
            std::fprintf(stderr, "\n%s hangs: stopped after %lld s\n", name.c_str(),
                static_cast<long long>(m_limit.count()) + 10);
            std::fflush(stderr);
            std::_Exit(1);
        }
    }

    std::chrono::seconds m_limit;
    QTimer m_closer;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_test;
    unsigned m_generation = 0;
    std::chrono::steady_clock::time_point m_deadline;
    bool m_stopping = false;
    std::thread m_watchdog;
};

// The one QApplication of a GUI test executable, made on first use (tests run offscreen).
inline QApplication& guiApp()
{
    static int argc = 1;
    static char name[] = "pelmora-test";
    static char* argv[] = { name, nullptr };
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        auto* created = new QApplication(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Pelmora"));
        installScriptedPrompts();
        // gtest owns the listener and ends it after the last test, before the application goes.
        auto* guard = new GuiTestGuard;
        ::testing::UnitTest::GetInstance()->listeners().Append(guard);
        if (const ::testing::TestInfo* running = ::testing::UnitTest::GetInstance()->current_test_info())
            guard->arm(std::string(running->test_suite_name()) + "." + running->name());
        return created;
    }();
    return *app;
}

// A fixture whose widget members can be made directly: the application exists before them.
class GuiTestBase : public ::testing::Test {
protected:
    GuiTestBase() { guiApp(); }
};

// Prompts answered by the test: each question takes the next answer (No/Cancel when none is
// left) and every prompt is written down, so a test can check what the user would have seen.
class ScriptedPrompts : public app::Prompts {
public:
    std::deque<bool> answers;
    std::deque<QString> texts;
    QStringList shown; // "title|text" of every prompt, in order

    bool askYesNo(QWidget*, const QString& title, const QString& text) override { return next(title, text); }
    bool confirm(QWidget*, const QString& title, const QString& text) override { return next(title, text); }
    void inform(QWidget*, const QString& title, const QString& text) override { note(title, text); }
    void showError(QWidget*, const QString& title, const QString& text) override { note(title, text); }
    std::optional<QString> askText(QWidget*, const QString& title, const QString& label, const QString&) override
    {
        note(title, label);
        if (texts.empty())
            return std::nullopt;
        QString text = texts.front();
        texts.pop_front();
        return text;
    }
    QString openFileName(QWidget*, const QString& title, const QString&, const QString&) override
    {
        return takeText(title);
    }
    QString saveFileName(QWidget*, const QString& title, const QString&, const QString&) override
    {
        return takeText(title);
    }
    QString directory(QWidget*, const QString& title, const QString&) override { return takeText(title); }

private:
    void note(const QString& title, const QString& text) { shown << title + QLatin1Char('|') + text; }
    bool next(const QString& title, const QString& text)
    {
        note(title, text);
        if (answers.empty())
            return false;
        bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    QString takeText(const QString& title)
    {
        note(title, {});
        if (texts.empty())
            return {};
        QString text = texts.front();
        texts.pop_front();
        return text;
    }
};

inline ScriptedPrompts* installScriptedPrompts()
{
    auto prompts = std::make_unique<ScriptedPrompts>();
    ScriptedPrompts* raw = prompts.get();
    app::setPrompts(std::move(prompts));
    return raw;
}

} // namespace pelmora::test
