#include "databases/TFrmDatabaseList.h"

#include "data/DatabaseSet.h"
#include "data/TableView.h"
#include "widgets/Prompts.h"
#include "widgets/TDataSource.h"
#include "widgets/TDBGrid.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace pelmora::databases {

TFrmDatabaseList::TFrmDatabaseList(data::DatabaseSet& set, data::TableView& baseNames, QWidget* parent)
    : QDialog(parent)
    , m_set(set)
    , m_source(new app::TDataSource(baseNames, this))
    , m_grid(new app::TDBGrid(this))
    , m_commands(new QWidget(this))
    , m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
{
    setObjectName(QStringLiteral("TFrmDatabaseList"));
    setWindowTitle(tr("Database List"));
    m_grid->setObjectName(QStringLiteral("DBGrid"));
    m_grid->setDataSource(m_source, { { "BaseName", 30 }, { "BaseDir", 100 } });
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers); // the list changes only by its commands
    m_grid->horizontalHeader()->setStretchLastSection(true);

    auto* row = new QHBoxLayout(m_commands);
    row->setContentsMargins(0, 0, 0, 0);
    addCommand(QStringLiteral("btnOpen"), tr("&Open"), tr("Open Selected Database"), &TFrmDatabaseList::OpenClick);
    addCommand(QStringLiteral("btnNew"), tr("&New"), tr("Create New Database"), &TFrmDatabaseList::NewClick);
    addCommand(QStringLiteral("btnRestore"), tr("&Restore"), tr("Restore To Selected Database"),
        &TFrmDatabaseList::RestoreClick);
    addCommand(
        QStringLiteral("btnBackup"), tr("&Backup"), tr("Backup Selected Database"), &TFrmDatabaseList::BackupClick);
    addCommand(
        QStringLiteral("btnInsert"), tr("&Insert Database"), tr("Import Database"), &TFrmDatabaseList::InsertClick);
    addCommand(QStringLiteral("btnDelete"), tr("&Delete Database"), tr("Delete Selected Database"),
        &TFrmDatabaseList::DeleteClick);
    row->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_grid, 1);
    layout->addWidget(m_commands);
    layout->addWidget(m_buttons);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &TFrmDatabaseList::reject);
    // Wide enough for both columns, so the directories are read without scrolling.
    const int columns = m_grid->columnWidth(0) + m_grid->columnWidth(1) + 2 * m_grid->frameWidth()
        + style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    resize(columns + layout->contentsMargins().left() + layout->contentsMargins().right(), 320);
}

QPushButton* TFrmDatabaseList::addCommand(
    const QString& name, const QString& text, const QString& hint, void (TFrmDatabaseList::*click)())
{
    auto* button = new QPushButton(text, m_commands);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setAutoDefault(false);
    m_commands->layout()->addWidget(button);
    connect(button, &QPushButton::clicked, this, click);
    return button;
}

std::optional<data::DatabaseRow> TFrmDatabaseList::selectedRow() const
{
    data::TableView& view = m_source->view();
    if (!view.isOpen() || view.isEmpty() || !view.current())
        return std::nullopt;
    return data::DatabaseRow { view.current()->rowId, view.asString("BaseName"), view.asString("BaseDir") };
}

bool TFrmDatabaseList::run(const std::function<bool()>& command)
{
    // The archive lets events through while it runs; a second command must not start then.
    if (m_busy)
        return false;
    m_busy = true;
    m_commands->setEnabled(false);
    m_buttons->setEnabled(false);
    bool done = false;
    try {
        done = command();
    } catch (const std::exception& error) {
        app::prompts().showError(this, windowTitle(), QString::fromUtf8(error.what()));
    }
    m_commands->setEnabled(true);
    m_buttons->setEnabled(true);
    m_busy = false;
    emit commandDone();
    return done;
}

void TFrmDatabaseList::runOnSelected(
    const char* name, const std::function<bool(const data::DatabaseRow&)>& command, bool closes)
{
    const std::optional<data::DatabaseRow> row = selectedRow();
    if (!row)
        return;
    if (!run([&] { return command(*row); }))
        return;
    emit commandSucceeded(QLatin1String(name), QString::fromStdString(row->BaseName));
    if (closes)
        accept();
}

void TFrmDatabaseList::OpenClick()
{
    runOnSelected(
        "open", [this](const data::DatabaseRow& row) { return m_set.Open(row); }, true);
}

void TFrmDatabaseList::NewClick()
{
    if (run([this] { return m_set.New(); })) {
        emit commandSucceeded(QStringLiteral("new"), {});
        accept();
    }
}

void TFrmDatabaseList::RestoreClick()
{
    runOnSelected(
        "restore", [this](const data::DatabaseRow& row) { return m_set.Restore(row); }, false);
}

void TFrmDatabaseList::BackupClick()
{
    runOnSelected(
        "backup", [this](const data::DatabaseRow& row) { return m_set.Backup(row); }, false);
}

void TFrmDatabaseList::InsertClick()
{
    if (run([this] { return m_set.Insert(); }))
        emit commandSucceeded(QStringLiteral("insert"), {});
}

void TFrmDatabaseList::DeleteClick()
{
    runOnSelected(
        "delete", [this](const data::DatabaseRow& row) { return m_set.Delete(row); }, false);
}

void TFrmDatabaseList::reject()
{
    if (!m_busy) // Escape while the archive runs would leave the command without its window
        QDialog::reject();
}

void TFrmDatabaseList::closeEvent(QCloseEvent* event)
{
    if (m_busy) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

} // namespace pelmora::databases
