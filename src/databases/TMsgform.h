#pragma once

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace pelmora::archive {
class TZipMaster;
}

namespace pelmora::data {
class TMsgform;
}

namespace pelmora::databases {

// The "Compress Messages" window: what the back-up and restore commands report while the
// archive runs. It shows the core's progress state (data::TMsgform) and follows it: it appears
// and goes when the command shows and hides that state, and after every report it lets Qt
// handle pending events, since the archive runs on this thread, so that the window repaints
// and "&Cancel Operation" can be pressed.
class TMsgform : public QWidget {
    Q_OBJECT
public:
    // Takes over `state`'s callbacks; `zip` is the component that "&Cancel Operation" stops.
    TMsgform(data::TMsgform& state, archive::TZipMaster& zip, QWidget* parent = nullptr);
    ~TMsgform() override;

    QLabel* fileLabel() const { return m_fileLabel; }
    QProgressBar* progressBar() const { return m_bar; }
    QPlainTextEdit* memo() const { return m_memo; }
    QPushButton* dismissButton() const { return m_dismiss; }
    QPushButton* cancelButton() const { return m_cancel; }

    // Shows the state as it is now.
    void sync();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void build();
    void showFileName();
    void syncMemo();
    void visibleChanged(bool visible);

    data::TMsgform& m_state;
    archive::TZipMaster& m_zip;
    QLabel* m_fileLabel = nullptr;
    QProgressBar* m_bar = nullptr;
    QPlainTextEdit* m_memo = nullptr;
    QPushButton* m_dismiss = nullptr;
    QPushButton* m_cancel = nullptr;
    size_t m_linesShown = 0;
};

} // namespace pelmora::databases
