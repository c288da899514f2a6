#pragma once

#include "settings/Paths.h"
#include "settings/Settings.h"

#include <QMainWindow>

#include <memory>

class QKeyEvent;
class QLabel;
class QLineEdit;
class QProgressBar;
class QTabWidget;

namespace pelmora::comms {
class TEditAndDial;
}

namespace pelmora::net {
class RasBackend;
class TagRas;
} // namespace pelmora::net

namespace pelmora::data {
class TableView;
class TfrmDataModule;
} // namespace pelmora::data

namespace pelmora::records {
class TfrmDateRange1;
}

namespace pelmora::app {

class ActivitiesPage;
class DatabaseCommands;
class GuiDataPrompts;
class MailCommands;
class MainPageBinding;
class TDataSource;
class MainCommands;
class MainPage;
class QueryCommands;
class UserFieldsPage;

// The main window: one contact over eight pages, with the menu bar, tool bar, status line and
// header line from which every other window is opened.
class TfrmMainForm : public QMainWindow {
    Q_OBJECT
public:
    enum Page { MainTab, EmailTab, LinksTab, ActivitiesTab, UserFieldsTab, ContactsTab, NotesTab, DocumentsTab };

    // Reads the INI settings of `paths` at once; writes them back when the window closes.
    explicit TfrmMainForm(const settings::Paths& paths, QWidget* parent = nullptr);
    ~TfrmMainForm() override;

    MainCommands* commands() const { return m_commands; }
    QTabWidget* pageControl() const { return m_pages; }
    MainPage* mainPage() const { return m_mainPage; }
    ActivitiesPage* activitiesPage() const { return m_activitiesPage; }
    UserFieldsPage* userFieldsPage() const { return m_userFieldsPage; }
    // The hidden dial control through which every dial button places its call.
    comms::TEditAndDial* dialer() const { return m_dialer; }
    // The dial-up link; its status texts go to the first status panel.
    net::TagRas& agRas1() { return *m_agRas1; }
    // Puts a new dial-up link over `backend` and chooses the entry the settings name.
    void useRasBackend(std::unique_ptr<net::RasBackend> backend);

    const settings::Paths& paths() const { return m_paths; }
    // The run-time settings; other windows change the values they own, the INI file is
    // written only when the window closes.
    settings::Settings& settings() { return m_settings; }
    void setStatusText(int panel, const QString& text);
    void setRecordPosition(int number, int count);
    void setHeaderLine(const QString& text);

    // Shows the data module's views on the pages and turns on the commands that work on them.
    void attachDataModule(data::TfrmDataModule& data, GuiDataPrompts& dataPrompts);
    TDataSource* dsCon() const { return m_dsCon; }
    QueryCommands* queryCommands() const { return m_queryCommands; }
    DatabaseCommands* databaseCommands() const { return m_databaseCommands; }
    MailCommands* mailCommands() const { return m_mailCommands; }
    // Shows the database that is open now, after the database commands switched or replaced
    // it: its name in the Main page's label, and the lists and captions read from it.
    void showDatabase(const QString& name);
    // Puts the window, its page, contact and order back as they were left at the last exit;
    // true when it is to be shown maximized (as on a first start).
    bool restoreWindowState();
    // The activity names of the open database, in their index order.
    QStringList activityNames() const;

public slots:
    void showPage(int index);
    void dial(const QString& number);

protected:
    void closeEvent(QCloseEvent* event) override;
    // Ctrl+Ins and Shift+Del copy and cut in an edit, though they are New and Delete Record elsewhere.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void formCreate();
    bool keepOrDropContactBeforeExit();
    void saveWindowState();
    void buildPages();
    void buildBottomBar();
    void wireCommands();
    void cutCopyPaste(const char* slot);
    // The slot ("copy", "cut") that the edit key `event` stands for while `watched` types text.
    const char* editKeySlot(QObject* watched, const QKeyEvent* event) const;
    void showAbout();
    void bindGrids(data::TfrmDataModule& data);
    void applyUserFieldNames(data::TfrmDataModule& data);
    void fillActivityList();
    void applyActivityFilter();
    // The "Date" list's filter expression; "Date Range" asks for the two dates.
    QString activityDateExpression();
    void disableUnbuiltCommands();
    void wireListWindows();
    void wireEditors(GuiDataPrompts& dataPrompts);
    void wireContactSync(data::TfrmDataModule& data);
    // Shows the editor `Editor` on the current record of `view`; true when it closed with OK.
    template <typename Editor> bool showEditor(data::TableView& view);

    settings::Paths m_paths;
    settings::Settings m_settings;
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
    std::unique_ptr<net::TagRas> m_agRas1;
    data::TfrmDataModule* m_data = nullptr;
    TDataSource* m_dsCon = nullptr;
    MainPageBinding* m_binding = nullptr;
    QueryCommands* m_queryCommands = nullptr;
    DatabaseCommands* m_databaseCommands = nullptr;
    MailCommands* m_mailCommands = nullptr;
    records::TfrmDateRange1* m_dateRange = nullptr; // made on first use, then reused
    QString m_dateRangeExpression; // the range chosen last; "" after Cancel
    bool m_askDateRange = false;
    bool m_activityListEdited = false; // from inside an activity editor; the filter waits for it to close
};

} // namespace pelmora::app
