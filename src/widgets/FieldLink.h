#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;

namespace pelmora::app {

class TDataSource;

// Binds one control to one field of a data source: the control shows the current record's
// value and follows every move; what the user types goes into the record (putting the view
// into edit state first) and is stored when the record is posted. Text edits are limited to
// the field's size. The link belongs to the control and goes with it.
class FieldLink : public QObject {
    Q_OBJECT
public:
    static FieldLink* bind(QLineEdit* edit, TDataSource* source, const std::string& field);
    static FieldLink* bind(QPlainTextEdit* memo, TDataSource* source, const std::string& field);
    static FieldLink* bind(QCheckBox* box, TDataSource* source, const std::string& field);
    // An editable drop-down: typed text and a chosen entry are both stored.
    static FieldLink* bind(QComboBox* list, TDataSource* source, const std::string& field);

    const std::string& fieldName() const { return m_field; }
    // Writes `text` into the field as if typed (date fields take the short date form).
    // False when the engine refused it (the error has been shown).
    bool store(const QString& text);
    // Shows the current value again.
    void show();
    // Lets Esc in the control undo: the first gives the field back the value it had when the
    // edit began, the next (or the first, when the field was not changed) the whole record's.
    void revertOnEscape();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    FieldLink(QWidget* control, TDataSource* source, std::string field);
    // Dates and numbers are checked only when whole: typed text waits here until the control
    // is left or the record is posted, so a half-typed "1/3" raises no error.
    bool waitsUntilWhole() const;
    void typed(const QString& text);
    void storePending();
    QString currentText() const;
    void follow();

    QPointer<QWidget> m_control;
    TDataSource* m_source;
    std::string m_field;
    std::function<void(const QString&)> m_display;
    bool m_showing = false;
    std::optional<QString> m_pending;
};

} // namespace pelmora::app
