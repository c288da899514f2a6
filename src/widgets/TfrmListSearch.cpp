#include "widgets/TfrmListSearch.h"

#include "data/TableView.h"
#include "widgets/TDataSource.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace pelmora::app {

TfrmListSearch::TfrmListSearch(
    TDataSource* source, const std::vector<std::pair<std::string, QString>>& fields, QWidget* parent)
    : QDialog(parent)
    , m_source(source)
    , m_fields(new QComboBox(this))
    , m_edit(new QLineEdit(this))
{
    setObjectName(QStringLiteral("TfrmListSearch"));
    setWindowTitle(tr("Search"));
    m_fields->setObjectName(QStringLiteral("cbSearchField"));
    m_edit->setObjectName(QStringLiteral("edtSearch"));
    for (const auto& [name, title] : fields) {
        m_names.push_back(name);
        m_fields->addItem(title);
    }
    if (const data::Record* current = m_source->view().current()) {
        m_hadRecord = true;
        m_startRowId = current->rowId;
    }
    auto* form = new QFormLayout;
    form->addRow(tr("Search by"), m_fields);
    form->addRow(tr("Value"), m_edit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    connect(m_edit, &QLineEdit::textEdited, this, &TfrmListSearch::searchFor);
    connect(m_fields, &QComboBox::currentIndexChanged, this, [this] { searchFor(m_edit->text()); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TfrmListSearch::reject);
    m_edit->setFocus();
    setMinimumWidth(360);
}

bool TfrmListSearch::searchFor(const QString& text)
{
    const int chosen = m_fields->currentIndex();
    if (text.isEmpty() || chosen < 0 || !m_source->view().isOpen())
        return false;
    // A record being edited is stored before the cursor leaves it, as moving in the grid does.
    if (!m_source->post(this))
        return false;
    bool found = false;
    m_source->guarded(this, [&] {
        found = m_source->view().locate(
            { m_names[static_cast<size_t>(chosen)] }, { data::Value(text.toStdString()) }, { true, true, false });
    });
    return found;
}

void TfrmListSearch::reject()
{
    if (m_hadRecord && m_source->view().isOpen())
        m_source->guarded(this, [this] { m_source->view().gotoRowId(m_startRowId); });
    QDialog::reject();
}

} // namespace pelmora::app
