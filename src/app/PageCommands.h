#pragma once

#include <QObject>

namespace pelmora::data {
class TableView;
class TfrmDataModule;
} // namespace pelmora::data

namespace pelmora::app {

class TDataSource;
class TDBGrid;
class TfrmMainForm;

// The commands of the detail pages that work on records alone: the message clipboard and find
// of the E-mail page, web pages and documents opened through the desktop, the grids' button
// cells, and the user-field names. Commands that need other windows stay with those windows.
class PageCommands : public QObject {
    Q_OBJECT
public:
    PageCommands(TfrmMainForm* form, data::TfrmDataModule& data, TDataSource* dsCon);

private:
    void wireEmail();
    void wireLinks();
    void wireDocuments();
    void wirePeople();
    void wireDateCells();
    void wireDefine();
    void wireShortcutMenus();
    // A page button that works on the records: enabled, clicking it runs `handler`.
    template <typename Handler> void onButton(const char* name, Handler handler);
    TDBGrid* grid(const char* name) const;
    // The contact is stored before a command that files records under it.
    bool contactStored();
    void findMessage();
    void goToLink(bool fromCell);
    void openDocument();
    void defineUserFields();

    TfrmMainForm* m_form;
    data::TfrmDataModule& m_data;
    TDataSource* m_dsCon;
};

} // namespace pelmora::app
