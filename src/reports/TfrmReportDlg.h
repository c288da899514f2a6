#pragma once

#include <QDialog>

#include <string>

class QRadioButton;

namespace pelmora::reports {

// "Reports": which of the two contact reports to preview. The choice stays for the next time
// within the run.
class TfrmReportDlg : public QDialog {
    Q_OBJECT
public:
    explicit TfrmReportDlg(QWidget* parent = nullptr);

    // The report's name ("contacts-web" or "contacts") as chosen; empty when cancelled.
    static std::string choose(QWidget* parent);
    std::string chosenReport() const;

    void accept() override;

private:
    QRadioButton* m_web;
    QRadioButton* m_full;
};

} // namespace pelmora::reports
