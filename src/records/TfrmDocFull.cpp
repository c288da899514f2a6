#include "records/TfrmDocFull.h"

#include "data/TfrmDataModule.h"
#include "records/ListWindow.h"
#include "records/TfrmInsertedDoc.h"
#include "widgets/DateText.h"
#include "widgets/Prompts.h"
#include "widgets/TBrDateForm.h"
#include "widgets/TDataSource.h"
#include "widgets/TDBGrid.h"
#include "widgets/TfrmFind.h"
#include "widgets/TfrmListSearch.h"
#include "widgets/Widgets.h"

#include <QDesktopServices>
#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace pelmora::records {

TfrmDocFull::TfrmDocFull(data::TfrmDataModule& data, app::TDataSource* contactSource, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_data(data)
    , m_contacts(contactSource)
    , m_source(new app::TDataSource(data.TBLDocFull, this))
    , m_grid(new app::TDBGrid(this))
{
    setObjectName(QStringLiteral("TfrmDocFull"));
    setWindowTitle(tr("Document List"));
    auto* tools = new QHBoxLayout;
    QPushButton* remove = app::addButton(tools, QStringLiteral("btnDeleteDocument"), tr("Delete Document"));
    QPushButton* properties = app::addButton(tools, QStringLiteral("btnProperties"), tr("Properties"));
    QPushButton* go = app::addButton(tools, QStringLiteral("btnGoToContact"), tr("Go To Contact"));
    QPushButton* find = app::addButton(tools, QStringLiteral("btnFind"), tr("Find"));
    QPushButton* search = app::addButton(tools, QStringLiteral("btnSearch"), tr("Search"));
    QPushButton* open = app::addButton(tools, QStringLiteral("btnOpenDocument"), tr("Open Ducument"));
    QPushButton* print = app::addButton(
        tools, QStringLiteral("btnPrintDocument"), tr(" Print Document Report"), tr(" Print Document Report"));
    // The report previews live above the records folder: the main window wires this button to
    // its report and enables it, so a list shown on its own offers no dead button.
    print->setEnabled(false);
    tools->addStretch();
    QPushButton* close = app::addButton(tools, QStringLiteral("btnClose"), tr("Close"));

    m_grid->setObjectName(QStringLiteral("grdDocFull"));
    m_grid->setTitleSort(true);
    m_grid->setMemoWindows(true);
    m_grid->setDeleteFromKeyboard(true);
    m_grid->setDataSource(m_source,
        { { "Name", 36 }, { "File", 40 }, { "Added", 10 }, { "Size", 10 }, { "ModiDate", 10 }, { "Notes", 7 } });
    m_grid->addButtonField("Added");
    m_grid->addButtonField("File");

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(m_grid, 1);

    connect(remove, &QPushButton::clicked, this, &TfrmDocFull::deleteDocument);
    connect(properties, &QPushButton::clicked, this, &TfrmDocFull::showProperties);
    connect(go, &QPushButton::clicked, this, &TfrmDocFull::goToContact);
    connect(find, &QPushButton::clicked, this, &TfrmDocFull::find);
    connect(search, &QPushButton::clicked, this, &TfrmDocFull::search);
    connect(open, &QPushButton::clicked, this, &TfrmDocFull::openDocument);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_grid, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (!m_grid->isMemoColumn(index.column()))
            goToContact();
    });
    connect(m_grid, &app::TDBGrid::buttonClicked, this, [this](const QString& field) {
        data::TableView& view = m_data.TBLDocFull;
        if (view.isEmpty())
            return;
        if (field == QLatin1String("File")) {
            openDocument();
        } else if (const std::optional<QDate> picked = app::TBrDateForm::pick(this)) {
            m_source->guarded(this, [&] {
                m_source->ensureEditing();
                view.setDate("Added", app::fromQDate(*picked));
            });
        }
    });
    resize(900, 440);
}

void TfrmDocFull::refreshFromDisk()
{
    m_source->guarded(this, [this] {
        data::TableView& view = m_data.TBLDocFull;
        if (!view.isOpen())
            view.open();
        else if (!view.isEditing())
            view.refresh();
    });
}

void TfrmDocFull::showProperties()
{
    data::TableView& view = m_data.TBLDocFull;
    if (!view.isOpen() || view.isEmpty() || !m_source->post(this))
        return;
    TfrmInsertedDocFull editor(m_source, this);
    if (editor.exec() == QDialog::Accepted)
        m_source->post(this);
    else if (view.isEditing())
        view.cancel();
}

bool TfrmDocFull::goToContact()
{
    data::TableView& view = m_data.TBLDocFull;
    if (!view.isOpen() || view.isEmpty() || !m_source->post(this))
        return false;
    if (!ListWindow::goToContact(m_data.TBLCon, m_contacts, view.asInteger("Contact"), this)) {
        app::prompts().inform(this, windowTitle(), tr("No Contact was Found"));
        return false;
    }
    hide();
    emit contactShown();
    return true;
}

void TfrmDocFull::deleteDocument()
{
    deleteDocumentAsked(this, m_source);
}

void TfrmDocFull::openDocument()
{
    data::TableView& view = m_data.TBLDocFull;
    if (!view.isOpen() || view.isEmpty())
        return;
    const QString file = QString::fromStdString(view.asString("File"));
    if (!file.isEmpty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(file)); // a missing file fails silently
}

void TfrmDocFull::find()
{
    if (!m_data.TBLDocFull.isOpen() || !m_source->post(this))
        return;
    app::TfrmFind dialog(m_source, this, QStringLiteral("Name"), tr("document"));
    dialog.exec();
}

void TfrmDocFull::search()
{
    if (!m_data.TBLDocFull.isOpen() || !m_source->post(this))
        return;
    app::TfrmListSearch dialog(
        m_source, { { "Name", tr("Name") }, { "File", tr("File") }, { "Notes", tr("Notes") } }, this);
    dialog.exec();
}

void TfrmDocFull::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        refreshFromDisk();
}

} // namespace pelmora::records
