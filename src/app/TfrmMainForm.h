#pragma once

#include <QMainWindow>

class QLabel;
class QLineEdit;
class QProgressBar;
class QTabWidget;

namespace pelmora::comms {
class TEditAndDial;
}

namespace pelmora::app {

class ActivitiesPage;
class MainCommands;
class MainPage;
class UserFieldsPage;

// The main window: one contact over eight pages, with the menu bar, tool bar, status line and
// header line from which every other window is opened.
class TfrmMainForm : public QMainWindow {
    Q_OBJECT
public:
    enum Page { MainTab, EmailTab, LinksTab, ActivitiesTab, UserFieldsTab, ContactsTab, NotesTab, DocumentsTab };

    explicit TfrmMainForm(const QString& programDirectory, QWidget* parent = nullptr);
    ~TfrmMainForm() override;

    MainCommands* commands() const { return m_commands; }
    QTabWidget* pageControl() const { return m_pages; }
    MainPage* mainPage() const { return m_mainPage; }
    ActivitiesPage* activitiesPage() const { return m_activitiesPage; }
    UserFieldsPage* userFieldsPage() const { return m_userFieldsPage; }
    // The hidden dial control through which every dial button places its call.
    comms::TEditAndDial* dialer() const { return m_dialer; }

    QString programDirectory() const { return m_programDirectory; }
    void setStatusText(int panel, const QString& text);
    void setRecordPosition(int number, int count);
    void setHeaderLine(const QString& text);

public slots:
    void showPage(int index);
    void dial(const QString& number);

private:
    void buildPages();
    void buildBottomBar();
    void wireCommands();
    void cutCopyPaste(const char* slot);
    void showAbout();

    QString m_programDirectory;
    MainCommands* m_commands;
    QTabWidget* m_pages = nullptr;
    MainPage* m_mainPage = nullptr;
    ActivitiesPage* m_activitiesPage = nullptr;
    UserFieldsPage* m_userFieldsPage = nullptr;
    QLabel* m_panels[3] = {};
    QProgressBar* m_progress = nullptr;
    QLabel* m_position = nullptr;
    QLineEdit* m_headerLine = nullptr;
    comms::TEditAndDial* m_dialer = nullptr;
};

} // namespace pelmora::app
