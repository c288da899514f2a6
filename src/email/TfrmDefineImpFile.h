#pragma once

#include <QDialog>

#include <array>

class QButtonGroup;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace pelmora::settings {
struct Settings;
}

namespace pelmora::email {

// "Define Import File": which mail program's mailbox the inbox imports, and where it is. Each
// program keeps its own path field, so switching the choice back and forth loses nothing typed.
class TfrmDefineImpFile : public QDialog {
    Q_OBJECT
public:
    // The choices, numbered as the settings store them.
    enum Program { Netscape, Eudora, Explorer, Mbox, Maildir, ProgramCount };

    // Reads and, on OK, writes `settings` (DefImp, DefImpStr).
    explicit TfrmDefineImpFile(settings::Settings& settings, QWidget* parent = nullptr);

    // Shows the stored choice and its file (done on every show).
    void load();
    void OKBtnClick();
    QLineEdit* field(int program) const { return m_fields[static_cast<std::size_t>(program)]; }
    QRadioButton* choice(int program) const { return m_choices[static_cast<std::size_t>(program)]; }
    // The help page the Help button opens.
    QString helpFile;

    QLineEdit* edtNetscape;
    QLineEdit* edtEudora;
    QLineEdit* edtExplorer;
    QLineEdit* edtMbox;
    QLineEdit* edtMaildir;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;
    QPushButton* HelpBtn;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void browse(int program);
    void chosen(int program);

    settings::Settings& m_settings;
    QButtonGroup* m_group;
    std::array<QRadioButton*, ProgramCount> m_choices {};
    std::array<QLineEdit*, ProgramCount> m_fields {};
};

} // namespace pelmora::email
