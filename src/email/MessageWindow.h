#pragma once

#include <QDialog>

#include <filesystem>
#include <functional>

class QComboBox;
class QPlainTextEdit;
class QSplitter;
class QToolBar;
class QToolButton;
class QVBoxLayout;

namespace pelmora::data {
class TableView;
class TfrmDataModule;
} // namespace pelmora::data
namespace pelmora::app {
class TDataSource;
class TDBGrid;
} // namespace pelmora::app

namespace pelmora::email {

// What the inbox and the e-mail list share: the unlinked message table in a grid whose titles
// order it, the body of the current message in an editable pane under a splitter, the
// Sent/Received selector and the commands on the current message.
class MessageWindow : public QDialog {
    Q_OBJECT
public:
    MessageWindow(
        data::TfrmDataModule& data, const QString& objectName, const QString& caption, QWidget* parent = nullptr);
    ~MessageWindow() override;

    // Where Print writes the text it hands to the print command (program directory + emailtext.txt).
    std::filesystem::path printFile;
    // The print command, given the file as its one argument ("lp" unless changed).
    QString printCommand;

    app::TDataSource* source() const { return m_source; }
    data::TableView& messages() const;

    // The commands of the buttons, callable on their own.
    void deleteMessage(const QString& question);
    // Writes the current message as text to `fileName`; asks for the name when it is empty.
    bool saveAs(const QString& fileName = {});
    bool print();
    void findMessage();
    void searchMessages();
    void showAttached();
    // "All", "Sent" or "Received": which messages the table lists.
    void directionChanged(const QString& choice);

    app::TDBGrid* grdEmail;
    QPlainTextEdit* memBody;
    QComboBox* cmbSentReceived;
    QSplitter* splitter;

protected:
    QToolBar* addToolBar();
    QToolButton* addButton(QToolBar* bar, const char* name, const QString& caption, const QString& hint, int icon,
        const std::function<void()>& action);
    void addSelector(QToolBar* bar);
    // Runs a change of the message table, showing an engine error over this window.
    bool guarded(const std::function<void()>& change);
    // Stores a body still being typed; false when the engine refused it.
    bool postBody();
    QVBoxLayout* windowLayout() const { return m_layout; }

    data::TfrmDataModule& m_data;

private:
    app::TDataSource* m_source;
    QVBoxLayout* m_layout;
};

} // namespace pelmora::email
