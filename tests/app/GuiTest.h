#pragma once

#include "widgets/Prompts.h"

#include <QApplication>
#include <QStringList>

#include <gtest/gtest.h>

#include <deque>

namespace pelmora::test {

class ScriptedPrompts;
// Installs prompts that answer every question with No/Cancel unless a test scripts them, so an
// unexpected message box can never wait for a click that no one gives.
ScriptedPrompts* installScriptedPrompts();

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
