#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace pelmora::settings {
struct Settings;
}

namespace pelmora::email {

// "E-mail Setup": moves the e-mail settings between the program's run-time values and its
// controls. It checks nothing: any server, name or address text is accepted as typed.
class TSetupDlg : public QDialog {
    Q_OBJECT
public:
    explicit TSetupDlg(QWidget* parent = nullptr);

    // Fills the controls from `values`; `rasEntries` are the phone-book entry names, enumerated
    // now. A stored choice past the end of its list shows as the nearest one (RAS: "None").
    void load(const settings::Settings& values, const std::vector<std::string>& rasEntries);
    // Copies the controls back. A list the user left as shown keeps the stored number, so a
    // value this version does not know is not lost by opening the dialog.
    void store(settings::Settings& values) const;
    // The dial-up entry chosen, by its name as listed; empty for "None".
    QString rasService() const;

    QLineEdit* ServerEdit;
    QLineEdit* SmtpServer;
    QComboBox* EncodingComboBox;
    QComboBox* CharSetComboBox;
    QLineEdit* SenderName;
    QLineEdit* UserNameEdit;
    QComboBox* RASComboBox;
    QLineEdit* PasswordEdit;
    QLineEdit* UserAddressEdit;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;
    QPushButton* BitBtn3; // Help

signals:
    void helpRequested();

private:
    int m_shownCharSet = 0;
    int m_shownEncoding = 0;
    int m_shownRas = 0;
};

// Opens the dialog over `values`; on OK copies the controls back and returns true. `rasService`
// receives the chosen entry's name.
bool editEmailSetup(QWidget* parent, settings::Settings& values, const std::vector<std::string>& rasEntries,
    const QString& helpFile, QString* rasService = nullptr);

} // namespace pelmora::email
