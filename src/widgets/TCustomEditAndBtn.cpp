#include "widgets/TCustomEditAndBtn.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>

namespace pelmora::comms {

TCustomEditAndBtn::TCustomEditAndBtn(QWidget* parent)
    : QWidget(parent)
    , m_edit(new QLineEdit(this))
    , m_button(new QToolButton(this))
{
    setMinimumHeight(MinimumHeight);
    setFocusProxy(m_edit);
    m_button->setFocusPolicy(Qt::NoFocus); // the shortcut key reaches it from the edit
    m_button->setAutoRaise(true);
    m_edit->installEventFilter(this);
    connect(m_edit, &QLineEdit::textChanged, this, &TCustomEditAndBtn::changed);
    connect(m_button, &QToolButton::clicked, this, &TCustomEditAndBtn::buttonClicked);
    resize(sizeHint());
    placeParts();
}

QString TCustomEditAndBtn::text() const
{
    return m_edit->text();
}

void TCustomEditAndBtn::setText(const QString& text)
{
    m_edit->setText(text);
}

int TCustomEditAndBtn::maxLength() const
{
    return m_edit->maxLength();
}

void TCustomEditAndBtn::setMaxLength(int length)
{
    m_edit->setMaxLength(length);
}

bool TCustomEditAndBtn::isReadOnly() const
{
    return m_edit->isReadOnly();
}

void TCustomEditAndBtn::setReadOnly(bool readOnly)
{
    m_edit->setReadOnly(readOnly);
}

void TCustomEditAndBtn::setButtonEnabled(bool enabled)
{
    m_buttonEnabled = enabled;
    m_button->setEnabled(enabled && isEnabled());
}

void TCustomEditAndBtn::setButtonVisible(bool visible)
{
    m_button->setVisible(visible);
}

void TCustomEditAndBtn::setButtonHint(const QString& hint)
{
    m_hint = hint;
    m_button->setToolTip(hint);
    m_button->setAccessibleName(hint);
    showShortCutInHint();
}

void TCustomEditAndBtn::setButtonShortCut(const QKeySequence& shortCut)
{
    m_shortCut = shortCut;
    showShortCutInHint();
}

// The edit tells which key does the button's work, so a keyboard user can find it.
void TCustomEditAndBtn::showShortCutInHint()
{
    if (m_shortCut.isEmpty() || m_hint.isEmpty()) {
        m_edit->setToolTip({});
        return;
    }
    m_edit->setToolTip(m_shortCut.toString(QKeySequence::NativeText) + QStringLiteral(": ") + m_hint);
}

void TCustomEditAndBtn::setButtonIcon(const QIcon& icon)
{
    m_button->setIcon(icon);
}

QSize TCustomEditAndBtn::sizeHint() const
{
    return { 121, qMax(MinimumHeight, m_edit->sizeHint().height()) };
}

QSize TCustomEditAndBtn::minimumSizeHint() const
{
    return { ButtonWidth + ButtonGap + 30, MinimumHeight };
}

void TCustomEditAndBtn::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeParts();
}

void TCustomEditAndBtn::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        m_button->setEnabled(m_buttonEnabled && isEnabled());
}

bool TCustomEditAndBtn::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_edit && event->type() == QEvent::KeyPress && !m_shortCut.isEmpty()) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (QKeySequence(key->keyCombination()) == m_shortCut && m_button->isEnabled()) {
            emit buttonClicked();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TCustomEditAndBtn::placeParts()
{
    const int w = width();
    const int h = height();
    m_edit->setGeometry(0, 0, qMax(0, w - ButtonWidth - ButtonGap), h);
    m_button->setGeometry(w - ButtonWidth, 0, ButtonWidth, h);
}

} // namespace pelmora::comms
