#pragma once

#include <QDialog>

#include <string>

class QFormLayout;
class QLineEdit;
class QPlainTextEdit;

namespace pelmora::app {
class TDataSource;
}
namespace pelmora::comms {
class TCustomEditAndBtn;
}

namespace pelmora::records {

// The shape every detail editor shares: labelled controls bound to the current record of one
// view, OK and Cancel below. The editor never posts: OK stores what is still typed and closes,
// and the caller posts or cancels. Without a data source (screenshots) the controls are unbound.
class TDetailEditor : public QDialog {
    Q_OBJECT
public:
    void accept() override;

protected:
    TDetailEditor(const QString& objectName, const QString& caption, app::TDataSource* source, QWidget* parent);

    QLineEdit* addEdit(const QString& label, const char* field, int maxLength);
    comms::TCustomEditAndBtn* addEditWithButton(const QString& label, const char* field, int maxLength);
    comms::TCustomEditAndBtn* addDateBox(const QString& label, const char* field);
    QPlainTextEdit* addMemo(const QString& label, const char* field, const QString& memoTitle);
    void addRow(const QString& label, QWidget* control);
    // Binds a control made by the subclass to `field`.
    void bind(QWidget* control, const char* field);

    app::TDataSource* source() const { return m_source; }
    // The control that gets the focus each time the editor is shown (the first row's otherwise).
    void setFirstControl(QWidget* control) { m_first = control; }
    void showEvent(QShowEvent* event) override;

private:
    app::TDataSource* m_source;
    QFormLayout* m_form;
    QWidget* m_first = nullptr; // gets the focus each time the editor is shown
};

} // namespace pelmora::records
