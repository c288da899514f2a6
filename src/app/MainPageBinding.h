#pragma once

#include <QObject>

#include <functional>

class QComboBox;
class QPlainTextEdit;
class QWidget;

namespace pelmora::data {
class TableView;
class TfrmDataModule;
} // namespace pelmora::data

namespace pelmora::app {

class TDataSource;

// Binds the Main page and the User Fields page to the contact view: every edit to its field,
// the drop-downs to their lists, and the page's buttons (dates, dialing, web page, memo boxes)
// to what they do with the current contact.
class MainPageBinding : public QObject {
    Q_OBJECT
public:
    using Dialer = std::function<void(const QString& number)>;

    MainPageBinding(
        QWidget* mainPage, QWidget* userFieldsPage, TDataSource* dsCon, data::TfrmDataModule& data, Dialer dial);

    // Reads the drop-down lists (job titles, departments, categories, cities) again.
    void refreshLists();

    // The contact's field that a control of the Main or User Fields page shows ("" if none).
    static QString fieldOf(const QString& objectName);

private:
    void bindFields(QWidget* page);
    void bindLists();
    void bindButtons();
    void bindDateBox(QWidget* page, const QString& objectName, const char* field);
    void bindMemo(const QString& objectName, const char* field, const QString& title);
    void fillList(QComboBox* list, data::TableView& view, const char* field);
    void cityChosen(const QString& city);
    void goToWebPage();

    QWidget* m_page;
    QWidget* m_userFields;
    TDataSource* m_dsCon;
    data::TfrmDataModule& m_data;
    Dialer m_dial;
};

} // namespace pelmora::app
