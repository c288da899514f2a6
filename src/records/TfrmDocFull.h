#pragma once

#include <QWidget>

namespace pelmora::data {
class TfrmDataModule;
}

namespace pelmora::app {
class TDBGrid;
class TDataSource;
} // namespace pelmora::app

namespace pelmora::records {

// "Document List": the documents of every contact. The grid edits in place and deletes from the
// keyboard but never starts a document, which would belong to no contact.
class TfrmDocFull : public QWidget {
    Q_OBJECT
public:
    TfrmDocFull(data::TfrmDataModule& data, app::TDataSource* contactSource, QWidget* parent = nullptr);

    app::TDBGrid* grid() const { return m_grid; }
    app::TDataSource* source() const { return m_source; }

    void refreshFromDisk();
    void showProperties();
    bool goToContact();
    void deleteDocument();
    void openDocument();
    // "Find": the locate dialog over every field of the list.
    void find();
    // "Search": the search dialog with its choice of field.
    void search();

signals:
    void contactShown();

protected:
    void changeEvent(QEvent* event) override;

private:
    data::TfrmDataModule& m_data;
    app::TDataSource* m_contacts;
    app::TDataSource* m_source;
    app::TDBGrid* m_grid;
};

} // namespace pelmora::records
