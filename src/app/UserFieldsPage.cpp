#include "app/UserFieldsPage.h"

#include "data/TableView.h"
#include "widgets/TCustomEditAndBtn.h"
#include "widgets/Widgets.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace pelmora::app {

UserFieldsPage::UserFieldsPage(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("tabUserFields"));
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    addButton(row, QStringLiteral("btnDefine"), tr("Define"), tr("Define Fied Names"));
    // The clipboard buttons act on the focused edit, so they must not take the focus themselves.
    addButton(row, QStringLiteral("btnUserCut"), tr("Cut"))->setFocusPolicy(Qt::NoFocus);
    addButton(row, QStringLiteral("btnUserCopy"), tr("Copy"))->setFocusPolicy(Qt::NoFocus);
    addButton(row, QStringLiteral("btnUserPaste"), tr("Paste"))->setFocusPolicy(Qt::NoFocus);
    row->addStretch(1);
    layout->addLayout(row);
    auto* columns = new QHBoxLayout;
    columns->addWidget(buildColumn(QStringLiteral("User"), tr("User %1"), 10, false), 1);
    auto* right = new QVBoxLayout;
    right->addWidget(buildColumn(QStringLiteral("Date"), tr("Date %1"), 5, true));
    right->addWidget(buildColumn(QStringLiteral("Num"), tr("Number %1"), 5, false));
    right->addStretch(1);
    columns->addLayout(right, 1);
    layout->addLayout(columns);
    layout->addStretch(1);
}

QWidget* UserFieldsPage::buildColumn(const QString& prefix, const QString& captionPrefix, int count, bool dates)
{
    auto* column = new QWidget(this);
    auto* grid = new QGridLayout(column);
    grid->setColumnStretch(1, 1);
    for (int i = 1; i <= count; ++i) {
        const QString field = prefix + QString::number(i);
        QLabel* label = boldLabel(captionPrefix.arg(i), column);
        label->setObjectName(QStringLiteral("lbl") + field);
        m_captions[field] = label;
        grid->addWidget(label, i - 1, 0);
        if (dates) {
            auto* box = new comms::TCustomEditAndBtn(column);
            box->setObjectName(QStringLiteral("edt") + field);
            box->setButtonShortCut(comms::TCustomEditAndBtn::standardShortCut());
            box->setButtonIcon(calendarGlyph());
            box->setButtonHint(tr("Select a Date"));
            grid->addWidget(box, i - 1, 1);
            label->setBuddy(box);
        } else {
            auto* edit = new QLineEdit(column);
            edit->setObjectName(QStringLiteral("edt") + field);
            if (prefix == QLatin1String("User"))
                edit->setMaxLength(20);
            grid->addWidget(edit, i - 1, 1);
            label->setBuddy(edit);
        }
    }
    return column;
}

void UserFieldsPage::setCaption(const QString& realName, const QString& nikName)
{
    auto found = m_captions.find(realName);
    if (found == m_captions.end() || nikName.isEmpty())
        return;
    found->second->setText(nikName);
}

void UserFieldsPage::applyNames(data::TableView& names)
{
    if (!names.isOpen())
        return;
    for (const QString& field : fieldNames()) {
        if (names.locate({ "RealName" }, { data::Value(field.toStdString()) }, {}))
            setCaption(field, QString::fromStdString(names.asString("NikName")));
    }
}

QString UserFieldsPage::caption(const QString& realName) const
{
    auto found = m_captions.find(realName);
    return found == m_captions.end() ? QString() : found->second->text();
}

QStringList UserFieldsPage::fieldNames()
{
    QStringList names;
    for (int i = 1; i <= 10; ++i)
        names << QStringLiteral("User%1").arg(i);
    for (int i = 1; i <= 5; ++i)
        names << QStringLiteral("Date%1").arg(i);
    for (int i = 1; i <= 5; ++i)
        names << QStringLiteral("Num%1").arg(i);
    return names;
}

} // namespace pelmora::app
