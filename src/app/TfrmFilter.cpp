#include "app/TfrmFilter.h"

#include "data/FilterExpression.h"
#include "data/TableView.h"
#include "widgets/Prompts.h"
#include "widgets/Widgets.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace pelmora::app {

namespace {

// A value as a literal of the expression: a quotation mark inside it is doubled, so a name such
// as O'Brien "Bros" is looked for as typed.
QString quoted(QString value)
{
    value.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + value + QLatin1Char('\'');
}

} // namespace

TfrmFilter::TfrmFilter(const data::TableView* contacts, QWidget* parent)
    : QDialog(parent)
    , m_contacts(contacts)
{
    setObjectName(QStringLiteral("TfrmFilter"));
    setWindowTitle(tr("Filter"));
    auto* fields = new QWidget;
    auto* grid = new QGridLayout(fields);
    grid->setColumnStretch(2, 1);
    QLineEdit* preselected = nullptr;
    if (contacts) {
        for (const data::ViewField& f : contacts->fields()) {
            if (f.kind != data::FieldKind::Data || f.hidden)
                continue;
            const bool isText = f.type == data::FieldType::Alpha || f.type == data::FieldType::Memo;
            auto* match = new QComboBox(fields);
            match->addItems(isText ? QStringList { tr("starts with"), tr("equals") } : QStringList { tr("equals") });
            auto* value = new QLineEdit(fields);
            value->setObjectName(QStringLiteral("flt") + QString::fromStdString(f.name));
            const int row = static_cast<int>(m_rows.size());
            grid->addWidget(boldLabel(QString::fromStdString(f.title()), fields), row, 0);
            grid->addWidget(match, row, 1);
            grid->addWidget(value, row, 2);
            m_rows.push_back({ QString::fromStdString(f.name), isText, match, value });
            if (f.name == "CategoryA")
                preselected = value;
        }
    }
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(fields);
    scroll->setWidgetResizable(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* clearButton = buttons->addButton(tr("C&lear"), QDialogButtonBox::ResetRole);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scroll, 1);
    layout->addWidget(buttons);
    connect(clearButton, &QPushButton::clicked, this, &TfrmFilter::clear);
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmFilter::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    if (preselected)
        preselected->setFocus();
    resize(520, 560);
}

QString TfrmFilter::expression() const
{
    QStringList conditions;
    for (const Row& row : m_rows) {
        const QString value = row.value->text();
        if (value.isEmpty())
            continue;
        const bool startsWith = row.isText && row.match->currentIndex() == 0;
        conditions << row.field + QStringLiteral(" = ") + quoted(startsWith ? value + QLatin1Char('*') : value);
    }
    return conditions.join(QStringLiteral(" and "));
}

void TfrmFilter::clear()
{
    for (const Row& row : m_rows) {
        row.value->clear();
        row.match->setCurrentIndex(0);
    }
}

void TfrmFilter::setValue(const QString& field, const QString& value, bool exact)
{
    for (const Row& row : m_rows) {
        if (row.field == field) {
            row.value->setText(value);
            row.match->setCurrentIndex(exact && row.isText ? 1 : 0);
        }
    }
}

// A value the engine cannot read for its field (a word in a number field, a malformed date) is
// reported while the dialog is still open, so the user can mend it.
void TfrmFilter::accept()
{
    const std::string text = expression().toStdString();
    if (m_contacts && m_contacts->database() && !text.empty()) {
        try {
            data::parseFilter(text, m_contacts->table(), m_contacts->database()->dateFormat());
        } catch (const std::exception& error) {
            prompts().showError(this, windowTitle(), QString::fromUtf8(error.what()));
            return;
        }
    }
    QDialog::accept();
}

} // namespace pelmora::app
