#include "widgets/TfrmMemo.h"

#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace pelmora::app {

TfrmMemo::TfrmMemo(QWidget* parent)
    : QDialog(parent)
    , m_memo(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("TfrmMemo"));
    setWindowTitle(tr("Memo"));
    m_memo->setObjectName(QStringLiteral("Memo"));
    m_memo->setTabChangesFocus(true); // Tab reaches OK and Cancel; the memos of the fields hold no tabs either
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif); // the desktop's sans-serif face where Arial is missing
    font.setPixelSize(12);
    m_memo->setFont(font);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_memo);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(500, 350);
}

QString TfrmMemo::text() const
{
    return m_memo->toPlainText();
}

void TfrmMemo::setText(const QString& text)
{
    m_memo->setPlainText(text);
}

std::optional<QString> TfrmMemo::edit(QWidget* parent, const QString& title, const QString& text)
{
    TfrmMemo memo(parent);
    memo.setWindowTitle(title);
    memo.setText(text);
    if (memo.exec() != QDialog::Accepted)
        return std::nullopt;
    return memo.text();
}

} // namespace pelmora::app
