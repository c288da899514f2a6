#pragma once

#include "exchange/ContactImport.h"

#include <QDialog>

#include <functional>
#include <string>
#include <utility>
#include <vector>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace pelmora::data {
class TfrmDataModule;
}

namespace pelmora::records {

// "Import Contacts": a vCard or CSV file previewed (for CSV with a combo box per column that
// says which contact field it fills), then a dry run or the import itself, each ending with the
// summary of what was (or would be) added, updated and skipped, and of every record in error.
class TfrmImportContacts : public QDialog {
    Q_OBJECT
public:
    explicit TfrmImportContacts(data::TfrmDataModule& data, QWidget* parent = nullptr);

    // Asks for the file through the prompts and reads it; false when cancelled or unreadable.
    bool chooseFile();
    // Reads `file` for the preview; false (after saying why) when it cannot be read.
    bool loadFile(const QString& file);
    // Maps a CSV column (0-based) onto a target: a Contacts column name, "#name", "#categories",
    // or empty to keep the column in the notes. False when the choice is not offered.
    bool mapColumn(int column, const QString& target);
    // Runs the import (or only tries it); false when there was nothing to run or it failed.
    bool runImport(bool dryRun);

    // Reads a CSV file again in the character set `name` (empty: UTF-8, else Windows-1252). An
    // unknown name is shown as an error and leaves nothing to import.
    void setCharset(const QString& name);

    QTableWidget* previewTable() const { return m_preview; }
    QComboBox* columnCombo(int column) const;
    QString summaryText() const;
    const exchange::ImportRead& read() const { return m_read; }

    // Runs before the import; false stops it. The main window stores a contact being edited
    // there, so the import never works under a half-typed record.
    std::function<bool()> beforeImport;

signals:
    // Contacts were added or changed; the main window reads them anew.
    void imported();

private:
    void reread();
    void showPreview();
    void showCsvPreview();
    void showVCardPreview();
    void columnChanged(int column);
    void showSummary(const exchange::ImportResult& result);

    data::TfrmDataModule& m_data;
    QLabel* m_fileLabel;
    QComboBox* m_charset;
    QTableWidget* m_preview;
    QPlainTextEdit* m_summary;
    QPushButton* m_dryRun;
    QPushButton* m_import;
    QString m_fileName;
    std::string m_bytes;
    exchange::ImportOptions m_options;
    exchange::ImportRead m_read;
    std::vector<std::string> m_autoTargets; // the mapping read from the header, before any choice
    std::vector<QComboBox*> m_combos;
    bool m_filling = false;
};

} // namespace pelmora::records
