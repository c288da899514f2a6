#pragma once

#include <QMainWindow>
#include <QPointer>

#include <functional>

class QAction;
class QActionGroup;
class QComboBox;
class QPrinter;
class QSpinBox;
class QTextCharFormat;
class QTextEdit;

namespace pelmora::comms {

class FaxRuler;

// "Send Fax": a one-page word processor whose page is sent by printing it to a fax printer
// queue, a paper printer or a PDF file.
class TfrmFax : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmFax(QWidget* parent = nullptr);
    ~TfrmFax() override;

    // The one fax window of the program, made on first use.
    static TfrmFax* instance();
    // Writes the address lines into the page and shows the window without waiting. Unsaved text
    // is offered for saving first; false when the user kept it (Cancel, or a save that failed).
    bool showWithAddress(const QStringList& lines);
    // The address block of a contact (To, Company, Fax) or a person (To, Fax).
    static QStringList contactLines(
        const QString& first, const QString& last, const QString& company, const QString& fax);
    static QStringList personLines(const QString& first, const QString& last, const QString& fax);

    // Loads a rich-text or plain-text file; false, with the error shown, when it can not be read.
    bool loadFile(const QString& path);
    // Replaces the page with rich text held in memory (a sample page, say); false when it can
    // not be read.
    bool loadPage(const QString& rtfText);
    // Writes the page to `path` in rich text or, for plain, plain text; atomically.
    bool saveFile(const QString& path, bool plain);

    QString fileName() const { return m_fileName; }
    bool isPlainText() const { return m_plainText; }
    // The file was opened read-only: Save asks for a name, as Save As does.
    bool isReadOnlyFile() const { return m_readOnlyFile; }
    QTextEdit* editor() const { return m_editor; }
    FaxRuler* ruler() const { return m_ruler; }

    // The user's answers, replaceable so tests can answer for the user.
    enum class Answer { Yes, No, Cancel };
    std::function<Answer(const QString& text)> ask;
    std::function<QString(bool save, bool* plain, bool* readOnly)> chooseFile;
    std::function<void(const QString& text)> showError;

    // Brings the tool bar and ruler in line with the text under the cursor.
    void updateToolbar();
    // Applies the ruler markers' positions to the paragraph, as releasing a marker does.
    void applyRulerIndent(int marker, int markerLeft, int offset);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildMenus();
    void buildToolBar();
    void setFileName(const QString& name);
    bool askToSave();
    bool save();
    bool saveAs();
    void fileNew();
    void fileOpen();
    void print();
    void chooseFont();
    void mergeFormat(const QTextCharFormat& format);
    void setAlignment(int code);
    void setBullets(bool on);

    QTextEdit* m_editor = nullptr;
    FaxRuler* m_ruler = nullptr;
    QComboBox* m_fontName = nullptr;
    QSpinBox* m_fontSize = nullptr;
    QAction* m_bold = nullptr;
    QAction* m_italic = nullptr;
    QAction* m_underline = nullptr;
    QAction* m_bullets = nullptr;
    QAction* m_align[3] = {};
    QActionGroup* m_alignGroup = nullptr;
    QString m_fileName;
    bool m_plainText = false;
    bool m_readOnlyFile = false;
    bool m_updating = false;
};

} // namespace pelmora::comms
