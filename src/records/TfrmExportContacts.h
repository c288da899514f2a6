#pragma once

#include <QDialog>

#include <cstdint>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QRadioButton;

namespace pelmora::data {
class TfrmDataModule;
}

namespace pelmora::records {

// "Export Contacts": all contacts, those the main window's filter shows, or the current one,
// as vCard 4.0, vCard 3.0 or CSV, into one file or one file per contact in a folder.
class TfrmExportContacts : public QDialog {
    Q_OBJECT
public:
    enum class Which { All, Filtered, Current };
    enum class Format { VCard4, VCard3, Csv };

    // `filter` is the main window's filter expression (empty when it shows every contact);
    // `current` the Counter of its current contact (0 for none).
    TfrmExportContacts(data::TfrmDataModule& data, std::string filter, std::int64_t current, QWidget* parent = nullptr);

    void setWhich(Which which);
    void setFormat(Format format);
    void setPerContact(bool perContact);
    // Asks for the file (or folder) through the prompts and writes it; false when cancelled or failed.
    bool chooseAndExport();
    // Writes the contacts chosen to `target`, a new file or, one file per contact, a folder;
    // false (after saying why) when it failed. The summary line says what was written.
    bool exportTo(const QString& target);
    QString summaryText() const;

private:
    data::TfrmDataModule& m_data;
    std::string m_filter;
    std::int64_t m_current;
    QRadioButton* m_all;
    QRadioButton* m_filtered;
    QRadioButton* m_currentOne;
    QComboBox* m_format;
    QCheckBox* m_perContact;
    QLabel* m_summary;
};

} // namespace pelmora::records
