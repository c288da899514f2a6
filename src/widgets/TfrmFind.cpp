#include "widgets/TfrmFind.h"

#include "data/Database.h"
#include "data/TableView.h"
#include "widgets/Prompts.h"
#include "widgets/TDataSource.h"
#include "widgets/Widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace pelmora::app {

TfrmFind::TfrmFind(TDataSource* records, QWidget* parent, const QString& firstField, const QString& recordKind)
    : QDialog(parent)
    , m_records(records)
    , m_recordKind(recordKind)
    , m_field(new QComboBox(this))
    , m_value(new QLineEdit(this))
    , m_caseSensitive(new QCheckBox(tr("Match letter case"), this))
    , m_wholeValue(new QCheckBox(tr("Match the whole value"), this))
{
    setObjectName(QStringLiteral("TfrmFind"));
    setWindowTitle(tr("Locate Field Value"));
    m_field->setObjectName(QStringLiteral("cmbField"));
    m_value->setObjectName(QStringLiteral("edtValue"));
    if (m_records) {
        for (const data::ViewField& field : m_records->view().fields()) {
            if (field.kind == data::FieldKind::Data)
                m_field->addItem(QString::fromStdString(field.title()), QString::fromStdString(field.name));
        }
    }
    // Listed by label, chosen by name.
    m_field->setCurrentIndex(qMax(0, m_field->findData(firstField)));
    auto* form = new QFormLayout;
    form->addRow(boldLabel(tr("Field"), this), m_field);
    form->addRow(boldLabel(tr("Value"), this), m_value);
    form->addRow(QString(), m_caseSensitive);
    form->addRow(QString(), m_wholeValue);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* first = buttons->addButton(tr("Find &First"), QDialogButtonBox::ActionRole);
    QPushButton* next = buttons->addButton(tr("Find &Next"), QDialogButtonBox::ActionRole);
    first->setObjectName(QStringLiteral("btnFindFirst"));
    next->setObjectName(QStringLiteral("btnFindNext"));
    next->setDefault(true);
    buttons->addButton(QDialogButtonBox::Close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    connect(first, &QPushButton::clicked, this, [this] { find(false); });
    connect(next, &QPushButton::clicked, this, [this] { find(true); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(380, sizeHint().height());
}

// Dates and numbers are stored as the engine keeps them (ISO dates), so the text is read the way
// the edits read it: a date as shown in the windows finds the date it shows.
std::optional<data::Value> TfrmFind::typedValue(
    const data::TableView& view, const std::string& field, const QString& text)
{
    const int index = view.fieldIndex(field);
    if (index < 0 || text.trimmed().isEmpty())
        return data::Value(text.toStdString());
    const data::FieldType type = view.fields()[static_cast<size_t>(index)].type;
    const QString typed = text.trimmed();
    bool ok = true;
    std::optional<data::Value> value;
    if (type == data::FieldType::Date) {
        const data::DateFormat format = view.database() ? view.database()->dateFormat() : data::DateFormat();
        if (const std::optional<data::Date> date = format.parse(typed.toStdString()))
            value = data::Value(date->iso());
    } else if (type == data::FieldType::Long || type == data::FieldType::AutoInc) {
        const qlonglong number = typed.toLongLong(&ok);
        if (ok)
            value = data::Value(std::int64_t(number));
    } else if (type == data::FieldType::Number) {
        const double number = typed.toDouble(&ok);
        if (ok)
            value = data::Value(number);
    } else {
        return data::Value(text.toStdString());
    }
    if (!value) {
        // In the words the edits use for the same text.
        const data::DateFormat format = view.database() ? view.database()->dateFormat() : data::DateFormat();
        const QString what = type == data::FieldType::Date
            ? tr("a valid date; dates look like %1")
                  .arg(QString::fromStdString(format.format({ data::Date::today().year, 12, 31 })))
            : type == data::FieldType::Number ? tr("a number")
                                              : tr("an integer");
        const QString title = QString::fromStdString(view.fields()[static_cast<size_t>(index)].title());
        prompts().showError(this, windowTitle(), tr("'%1' is not %2 (%3)").arg(typed, what, title));
    }
    return value;
}

bool TfrmFind::find(bool next)
{
    if (!m_records || !m_records->post(this))
        return false;
    data::TableView& view = m_records->view();
    const std::string field = m_field->currentData().toString().toStdString();
    const std::optional<data::Value> value = typedValue(view, field, m_value->text());
    if (!value)
        return false;
    const data::TableView::LocateOptions options { !m_caseSensitive->isChecked(), !m_wholeValue->isChecked(), next };
    bool found = false;
    m_records->guarded(this, [&] { found = view.locate({ field }, { *value }, options); });
    if (!found) {
        prompts().inform(this, windowTitle(),
            tr("No %1 holds \"%2\" in %3.").arg(m_recordKind, m_value->text(), m_field->currentText()));
    }
    return found;
}

} // namespace pelmora::app
