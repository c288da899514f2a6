#pragma once

#include "records/TDetailEditor.h"

class QPushButton;
class QRadioButton;

namespace pelmora::records {

// "Attached Document": the editor of one document of the current contact. A new document gets
// its file from "Attach File" or "Grab Page From Web"; an existing one's file can only be typed.
class TfrmInsertedDoc : public TDetailEditor {
    Q_OBJECT
public:
    explicit TfrmInsertedDoc(app::TDataSource* source = nullptr, QWidget* parent = nullptr);

    QPushButton* attachButton() const { return m_attach; }
    QPushButton* grabButton() const { return m_grab; }
    // Asks for a file and stores its path, size and date into the record.
    void attachFile();

signals:
    // "Grab Page From Web": the page-grab window is to fill the document's file.
    void grabPage();

protected:
    TfrmInsertedDoc(const QString& objectName, const QString& caption, const QString& attachHint, bool factsEditable,
        app::TDataSource* source, QWidget* parent);
    void showEvent(QShowEvent* event) override;

private:
    QPushButton* m_attach = nullptr;
    QPushButton* m_grab = nullptr;
};

// "Inserted Document": the same editor over the document list's current document; its size and
// date may be typed.
class TfrmInsertedDocFull : public TfrmInsertedDoc {
    Q_OBJECT
public:
    explicit TfrmInsertedDocFull(app::TDataSource* source = nullptr, QWidget* parent = nullptr);
};

// "Delete ": whether the document's file goes with its link.
class TfrmDelDoc : public QDialog {
    Q_OBJECT
public:
    explicit TfrmDelDoc(QWidget* parent = nullptr);

    bool withFile() const;
    QRadioButton* linkOnly() const { return m_linkOnly; }
    QRadioButton* linkAndFile() const { return m_linkAndFile; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QRadioButton* m_linkOnly;
    QRadioButton* m_linkAndFile;
};

// Deletes the current document of `source` as the user chooses in "Delete ". A file that may not
// or cannot be erased gives "File Can't be Deleted": asked before anything is deleted, Cancel
// keeps the document; after the link is gone, it only says so. True when the link was deleted.
bool deleteDocumentAsked(QWidget* parent, app::TDataSource* source);

} // namespace pelmora::records
