#include "app/Tfrmsort.h"

#include "data/TableView.h"
#include "widgets/TDataSource.h"
#include "widgets/Widgets.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace pelmora::app {

Tfrmsort::Tfrmsort(data::TableView* contacts, QWidget* parent)
    : QDialog(parent)
    , m_contacts(contacts)
    , m_fields(new QComboBox(this))
{
    setObjectName(QStringLiteral("Tfrmsort"));
    setWindowTitle(tr("Sort By"));
    m_fields->setObjectName(QStringLiteral("cmbSortField"));
    if (m_contacts) {
        for (const data::IndexInfo& index : m_contacts->indexes()) {
            const int first = m_contacts->fieldIndex(index.firstField);
            const QString entry = index.name.empty() ? tr("Contact Number")
                : first >= 0 ? QString::fromStdString(m_contacts->fields()[static_cast<size_t>(first)].title())
                             : QString::fromStdString(index.firstField);
            const int existing = m_fields->findText(entry);
            const data::IndexDef* def = m_contacts->table().index(index.name);
            // Of two indexes on one field, the one that ignores letter case orders names as people expect.
            if (existing >= 0) {
                if (def && def->caseInsensitive)
                    m_indexNames[existing] = QString::fromStdString(index.name);
                continue;
            }
            m_fields->addItem(entry);
            m_indexNames << QString::fromStdString(index.name);
        }
        m_fields->setCurrentIndex(m_indexNames.indexOf(QString::fromStdString(m_contacts->indexName())));
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(boldLabel(tr("Select a field to sort by"), this));
    layout->addWidget(m_fields);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(m_fields, &QComboBox::activated, this, &Tfrmsort::sortBy);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void Tfrmsort::sortBy(int entry)
{
    if (!m_contacts || entry < 0 || entry >= m_indexNames.size())
        return;
    TDataSource(*m_contacts).guarded(this, [this, entry] {
        if (m_contacts->isEditing())
            m_contacts->post();
        m_contacts->setIndexName(m_indexNames.at(entry).toStdString());
    });
}

} // namespace pelmora::app
