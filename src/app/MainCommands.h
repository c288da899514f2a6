#pragma once

#include <QKeySequence>
#include <QObject>
#include <QString>

#include <map>

class QAction;
class QMainWindow;
class QMenu;
class QToolBar;

namespace pelmora::app {

// The commands of the main window: every menu entry and tool-bar button, built once and found
// by name. A command whose window or data is not there yet is disabled, never left doing
// nothing; `setAvailable` turns it on when its part arrives.
class MainCommands : public QObject {
    Q_OBJECT
public:
    explicit MainCommands(QMainWindow* window);

    // The action named `name` (its object name, such as "mnuExit"); nullptr when unknown.
    QAction* action(const QString& name) const;
    void setAvailable(const QString& name, bool available);

    QToolBar* toolBar() const { return m_toolBar; }

signals:
    // A page was asked for through the View menu's tab entries or "E-mail Tab".
    void pageRequested(int index);

private:
    QAction* add(QMenu* menu, const QString& name, const QString& text, const QKeySequence& key = {});
    void buildFileMenu(QMenu* menu);
    void buildEditMenu(QMenu* menu);
    void buildViewMenu(QMenu* menu);
    void buildQueryMenu(QMenu* menu);
    void buildEmailMenu(QMenu* menu);
    void buildSetupAndHelpMenus(QMenu* setup, QMenu* help);
    void buildToolBar();
    QAction* addTool(const QString& name, const QString& hint, int standardPixmap, const QString& sameAs = {});

    QMainWindow* m_window;
    QToolBar* m_toolBar = nullptr;
    std::map<QString, QAction*> m_actions;
};

} // namespace pelmora::app
