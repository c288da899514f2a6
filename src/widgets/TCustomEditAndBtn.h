#pragma once

#include <QKeySequence>
#include <QWidget>

class QLineEdit;
class QToolButton;

namespace pelmora::comms {

// A single-line edit with a small button at its right edge. The edit is laid out by hand rather
// than by a layout so that the button keeps a fixed 24-pixel width and the gap between the two
// parts stays the same at every size; a height below 24 pixels would crop the button's glyph.
class TCustomEditAndBtn : public QWidget {
    Q_OBJECT
public:
    static constexpr int ButtonWidth = 24;
    static constexpr int ButtonGap = 6;
    static constexpr int MinimumHeight = 24;

    explicit TCustomEditAndBtn(QWidget* parent = nullptr);

    QString text() const;
    void setText(const QString& text);
    int maxLength() const;
    void setMaxLength(int length);
    bool isReadOnly() const;
    void setReadOnly(bool readOnly);

    bool buttonEnabled() const { return m_buttonEnabled; }
    void setButtonEnabled(bool enabled);
    void setButtonVisible(bool visible);
    void setButtonHint(const QString& hint);
    void setButtonIcon(const QIcon& icon);
    QKeySequence buttonShortCut() const { return m_shortCut; }
    void setButtonShortCut(const QKeySequence& shortCut);
    // The key the program's boxes use to press their button from the edit, as a drop-down list
    // opens with it: the button itself takes no focus, so without a key it is mouse-only.
    static QKeySequence standardShortCut() { return QKeySequence(Qt::ALT | Qt::Key_Down); }

    QLineEdit* edit() const { return m_edit; }
    QToolButton* button() const { return m_button; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void changed(const QString& text);
    void buttonClicked();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void placeParts();
    void showShortCutInHint();

    QLineEdit* m_edit;
    QToolButton* m_button;
    bool m_buttonEnabled = true;
    QKeySequence m_shortCut;
    QString m_hint;
};

} // namespace pelmora::comms
