#pragma once

#include <QDialog>

#include <optional>

class QPlainTextEdit;

namespace pelmora::app {

// The roomy editing box that a double-click on a memo opens: the whole text in a larger font.
class TfrmMemo : public QDialog {
    Q_OBJECT
public:
    explicit TfrmMemo(QWidget* parent = nullptr);

    QString text() const;
    void setText(const QString& text);

    // Shows the box modally on `text` under `title`; the edited text on OK, nothing on Cancel.
    static std::optional<QString> edit(QWidget* parent, const QString& title, const QString& text);

private:
    QPlainTextEdit* m_memo;
};

} // namespace pelmora::app
