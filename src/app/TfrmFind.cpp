#include "app/TfrmFind.h"

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

bool TfrmFind::find(bool next)
{
    if (!m_records || !m_records->post(this))
        return false;
    data::TableView& view = m_records->view();
    const std::string field = m_field->currentData().toString().toStdString();
    const std::string value = m_value->text().toStdString();
    const data::TableView::LocateOptions options { !m_caseSensitive->isChecked(), !m_wholeValue->isChecked(), next };
    bool found = false;
    m_records->guarded(this, [&] { found = view.locate({ field }, { data::Value(value) }, options); });
    if (!found) {
        prompts().inform(this, windowTitle(),
            tr("No %1 holds \"%2\" in %3.").arg(m_recordKind, m_value->text(), m_field->currentText()));
    }
    return found;
}

} // namespace pelmora::app
