#pragma once

#include <QDialog>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;

namespace pelmora::net {
class TagHTTP;
}

namespace pelmora::app {
class QtEventPump;
}

namespace pelmora::records {

// "Grab Page From The Web": fetches one page and saves it as the next numbered page file of the
// documents folder. The page number is read before the fetch and stored as soon as the page is
// saved, so numbers never repeat after a crash; a failed or cancelled grab leaves the window
// open for another try, with no file written and the number unchanged.
class TfrmHttp : public QDialog {
    Q_OBJECT
public:
    struct PageNumber {
        std::function<std::string()> load; // the number as the settings keep it
        std::function<void(const std::string&)> store; // writes the next one at once
    };

    TfrmHttp(std::filesystem::path folder, PageNumber number, QWidget* parent = nullptr);
    ~TfrmHttp() override;

    QLineEdit* URLEdit;
    QPushButton* GetButton;
    QPushButton* CancelButton;
    QStatusBar* StatusBar1;
    QPlainTextEdit* Memo1;
    net::TagHTTP& HTTP1() { return *m_http; }

    // The page file saved by the last successful grab.
    const std::filesystem::path& savedFile() const { return m_saved; }

    void GetButtonClick();
    void CancelButtonClick();

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;

    TfrmHttp(std::filesystem::path folder, PageNumber number, const QString& getCaption, QWidget* parent);

private:
    void setBusy(bool busy);

    std::filesystem::path m_folder;
    PageNumber m_number;
    std::unique_ptr<app::QtEventPump> m_pump;
    std::unique_ptr<net::TagHTTP> m_http;
    std::filesystem::path m_saved;
    bool m_busy = false;
};

// The same window, a little lower, its button reading "Get It".
class TfrmHttpFull : public TfrmHttp {
    Q_OBJECT
public:
    TfrmHttpFull(std::filesystem::path folder, PageNumber number, QWidget* parent = nullptr);
};

} // namespace pelmora::records
