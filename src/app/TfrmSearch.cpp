#include "app/TfrmSearch.h"

#include "widgets/Prompts.h"
#include "widgets/TDataSource.h"
#include "widgets/TDBGrid.h"
#include "data/TableView.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QVBoxLayout>

namespace pelmora::app {

namespace {

// At most this high, so the dialog stays a dialog on a contact list of any length.
constexpr int MaxGridHeight = 209;

} // namespace

TfrmSearch::TfrmSearch(data::TableView& searchView, TDataSource* contacts, QWidget* parent)
    : QDialog(parent)
    , m_search(searchView)
    , m_contacts(contacts)
    , m_source(new TDataSource(searchView, this))
    , m_edit(new QLineEdit(this))
    , m_grid(new TDBGrid(this))
{
    setObjectName(QStringLiteral("TfrmSearch"));
    setWindowTitle(tr("Search"));
    m_edit->setObjectName(QStringLiteral("edtSearch"));
    m_edit->setPlaceholderText(tr("Type the start of the value to find"));
    m_grid->setObjectName(QStringLiteral("grdSearch"));
    m_source->guarded(this, [this] {
        m_search.setIndexName(m_contacts->view().indexName()); // the main window's order
        if (!m_search.isOpen())
            m_search.open();
        if (m_contacts->view().current())
            m_search.gotoRowId(m_contacts->view().current()->rowId);
    });
    m_grid->setDataSource(m_source,
        { { "Company", 25 }, { "FName", 20 }, { "JobTitle", 25 }, { "LName", 20 }, { "SiteTitle", 30 }, { "EMail", 60 },
            { "URL", 80 } });
    m_grid->setMaximumHeight(MaxGridHeight);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_edit);
    layout->addWidget(m_grid);
    layout->addWidget(buttons);
    connect(m_edit, &QLineEdit::textEdited, this, &TfrmSearch::searchFor);
    m_edit->installEventFilter(this);
    connect(m_grid, &QAbstractItemView::doubleClicked, this, &TfrmSearch::accept);
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmSearch::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(760, sizeHint().height());
}

bool TfrmSearch::searchFor(const QString& text)
{
    if (text.isEmpty() || !m_search.isOpen())
        return false;
    const std::vector<data::IndexInfo> indexes = m_search.indexes();
    std::string field = "LName";
    for (const data::IndexInfo& index : indexes) {
        if (index.name == m_search.indexName())
            field = index.firstField;
    }
    bool found = false;
    m_source->guarded(this, [&] {
        found = m_search.locate({ field }, { data::Value(text.toStdString()) }, { true, true, false });
    });
    return found;
}

// The arrow and page keys typed in the edit move the grid, so the user can step from the match
// to its neighbours and press Enter without leaving the text.
bool TfrmSearch::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_edit && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            QCoreApplication::sendEvent(m_grid, event);
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmSearch::accept()
{
    const data::Record* chosen = m_search.current();
    if (chosen) {
        const std::int64_t rowId = chosen->rowId;
        if (!m_contacts->post(this))
            return;
        bool reached = false;
        m_contacts->guarded(this, [this, rowId, &reached] { reached = m_contacts->view().gotoRowId(rowId); });
        if (!reached) {
            // The dialog lists every contact, the main window only those its filter lets through.
            prompts().inform(this, windowTitle(),
                tr("The filter hides this contact, so the main window cannot show it. Remove the filter to go "
                   "to it."));
            return;
        }
    }
    QDialog::accept();
}

} // namespace pelmora::app
