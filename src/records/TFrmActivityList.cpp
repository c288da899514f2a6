#include "records/TFrmActivityList.h"

#include "data/ActivityFilter.h"
#include "data/TfrmDataModule.h"
#include "records/ListWindow.h"
#include "records/TfrmActivity.h"
#include "records/TfrmDateRange1.h"
#include "records/TfrmDefActivity.h"
#include "widgets/DateText.h"
#include "widgets/Prompts.h"
#include "widgets/TBrDateForm.h"
#include "widgets/TDataSource.h"
#include "widgets/TDBGrid.h"
#include "widgets/TfrmListSearch.h"
#include "widgets/Widgets.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace pelmora::records {

namespace {

QStringList toList(const std::vector<std::string>& items)
{
    QStringList list;
    for (const std::string& item : items)
        list << QString::fromStdString(item);
    return list;
}

// The activity editor on the list's current activity, under the list's caption.
class TfrmActivityFull : public TfrmActivity {
public:
    TfrmActivityFull(app::TDataSource* source, QWidget* parent)
        : TfrmActivity(source, parent)
    {
        setObjectName(QStringLiteral("TfrmActivityFull"));
        setWindowTitle(tr("Activity List"));
    }
};

} // namespace

TFrmActivityList::TFrmActivityList(data::TfrmDataModule& data, app::TDataSource* contactSource, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_data(data)
    , m_contacts(contactSource)
    , m_source(new app::TDataSource(data.TBLActivityList, this))
    , m_grid(new app::TDBGrid(this))
    , m_activity(new QComboBox(this))
    , m_date(new QComboBox(this))
    , m_status(new QComboBox(this))
{
    setObjectName(QStringLiteral("TFrmActivityList"));
    setWindowTitle(tr("Activity List"));
    // The list narrows through its condition list alone (see applyFilter); turned off before the
    // grid shows the view, so that no grid reads it again for it.
    m_source->guarded(this, [this] { m_data.TBLActivityList.setFiltered(false); });

    auto* tools = new QHBoxLayout;
    QPushButton* properties = app::addButton(tools, QStringLiteral("btnProperties"), tr("Properties"));
    QPushButton* go = app::addButton(tools, QStringLiteral("btnGoToContact"), tr("Go To Contact"));
    QPushButton* remove = app::addButton(tools, QStringLiteral("btnDeleteActivity"), tr("Delete Activity"));
    QPushButton* find = app::addButton(tools, QStringLiteral("btnSearch"), tr("Search"));
    QPushButton* print = app::addButton(
        tools, QStringLiteral("btnPrintActivity"), tr(" Print Activity Report"), tr(" Print Activity Report"));
    // The report previews live above the records folder: the main window wires this button to
    // its report and enables it, so a list shown on its own offers no dead button.
    print->setEnabled(false);
    tools->addStretch();
    QPushButton* close = app::addButton(tools, QStringLiteral("btnClose"), tr("Close"));

    auto* filters = new QHBoxLayout;
    const std::pair<QString, QComboBox*> lists[]
        = { { tr("Activity"), m_activity }, { tr("Date"), m_date }, { tr("Status"), m_status } };
    for (const auto& [label, list] : lists) {
        filters->addWidget(app::boldLabel(label, this));
        filters->addWidget(list, list == m_activity ? 2 : 1);
    }
    m_activity->setObjectName(QStringLiteral("cbActivity"));
    m_date->setObjectName(QStringLiteral("cbDate"));
    m_status->setObjectName(QStringLiteral("cbStatus"));
    m_date->addItems(toList(data::ActivityFilter::dateItems()));
    m_status->addItems(toList(data::ActivityFilter::statusItems()));

    m_grid->setObjectName(QStringLiteral("grdActivityList"));
    m_grid->setTitleSort(true);
    m_grid->setMemoWindows(true);
    // Millions of activities: the grid learns of them a page at a time.
    m_grid->setCountsByPages(true);
    m_grid->setDataSource(m_source,
        { { "Activity", 31 }, { "DateOf", 10 }, { "Done", 5 }, { "Priority", 5 }, { "Detailes", 40 }, { "Notes", 7 },
            { "DateCreated", 10 }, { "FName", 15 }, { "LName", 20 }, { "Company", 30 } });
    m_grid->setToggleOnClick("Done");
    m_grid->addButtonField("DateOf");
    m_grid->addButtonField("DateCreated");

    auto* hints = new QVBoxLayout;
    hints->addWidget(new QLabel(tr("Click a column header to change the sort order of the list."), this));
    hints->addWidget(new QLabel(tr("Double click inside a Notes field to open a view and edit window."), this));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addLayout(filters);
    layout->addWidget(m_grid, 1);
    layout->addLayout(hints);

    fillActivityNames();
    for (QComboBox* list : { m_activity, m_date, m_status })
        connect(list, &QComboBox::activated, this, &TFrmActivityList::applyFilter);
    connect(properties, &QPushButton::clicked, this, &TFrmActivityList::showProperties);
    connect(go, &QPushButton::clicked, this, &TFrmActivityList::goToContact);
    connect(remove, &QPushButton::clicked, this, &TFrmActivityList::deleteActivity);
    connect(find, &QPushButton::clicked, this, &TFrmActivityList::search);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_grid, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (!m_grid->isMemoColumn(index.column()))
            goToContact();
    });
    connect(m_grid, &app::TDBGrid::buttonClicked, this, &TFrmActivityList::pickDate);
    resize(900, 480);
}

TFrmActivityList::~TFrmActivityList() = default;

TfrmDateRange1* TFrmActivityList::dateRangeDialog()
{
    if (!m_dateRange)
        m_dateRange = new TfrmDateRange1(this);
    return m_dateRange;
}

void TFrmActivityList::fillActivityNames()
{
    const QString chosen = m_activity->currentIndex() > 0 ? m_activity->currentText() : QString();
    const QSignalBlocker quiet(m_activity);
    m_activity->clear();
    m_activity->addItem(tr("All"));
    data::TableView& names = m_data.TBLActDesc;
    m_source->guarded(this, [&] {
        if (!names.isOpen())
            names.open();
        else if (!names.isEditing())
            names.refresh(); // names added elsewhere since show
        // Read without moving the names' cursor, which other windows show.
        const size_t column = static_cast<size_t>(names.fieldIndex("ActDesc"));
        for (const data::Record& row : names.rows(0, names.recordCount()))
            m_activity->addItem(QString::fromStdString(data::valueToString(row.values[column])));
    });
    // The name chosen stays chosen while it is still on the list, so the list says what the
    // grid is narrowed by.
    const int kept = chosen.isEmpty() ? 0 : m_activity->findText(chosen);
    m_activity->setCurrentIndex(qMax(0, kept));
}

void TFrmActivityList::refreshFromDisk()
{
    const bool lostName = m_activity->currentIndex() > 0;
    const QString name = m_activity->currentText();
    m_source->guarded(this, [this] {
        data::TableView& view = m_data.TBLActivityList;
        if (!view.isOpen())
            view.open();
        else if (!view.isEditing())
            view.refresh();
    });
    fillActivityNames();
    if (lostName && m_activity->currentText() != name)
        applyFilter(); // the chosen name went away: the list shows "All" and the grid follows
}

void TFrmActivityList::applyFilter()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    data::TableView& view = m_data.TBLActivityList;
    if (!m_source->post(this)) {
        QApplication::restoreOverrideCursor();
        return;
    }
    std::string dateExpression;
    const int dateItem = m_date->currentIndex();
    if (dateItem == data::ActivityFilter::DateRange) {
        QApplication::restoreOverrideCursor(); // the user works in the dialog
        if (const auto range = dateRangeDialog()->ask())
            dateExpression
                = data::ActivityFilter::dateRangeExpression(range->first.toStdString(), range->second.toStdString());
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (dateItem > 0) {
        dateExpression = data::ActivityFilter::dateExpression(static_cast<data::ActivityFilter::DateItem>(dateItem),
            app::fromQDate(QDate::currentDate()), app::engineDateFormat());
    }
    // The dates go into the condition list beside the name and the status, so the view is read
    // once for the whole change: each change of a filter reads all activities again.
    m_source->guarded(this, [&] {
        view.clearConditions();
        view.setFiltered(false);
    });
    // A date the engine cannot read is reported in its words and gives no date condition; the
    // other two lists still apply.
    if (!dateExpression.empty())
        m_source->guarded(this, [&] { view.addCondition(dateExpression); });
    m_source->guarded(this, [&] {
        const std::string name = data::ActivityFilter::activityCondition(
            m_activity->currentIndex(), m_activity->currentText().toStdString());
        if (!name.empty())
            view.addCondition(name);
        const std::string status = data::ActivityFilter::statusCondition(m_status->currentIndex());
        if (!status.empty())
            view.addCondition(status);
        if (!view.isOpen())
            view.open();
        view.applyConditions();
    });
    QApplication::restoreOverrideCursor();
}

void TFrmActivityList::showProperties()
{
    data::TableView& view = m_data.TBLActivityList;
    if (!view.isOpen() || view.isEmpty())
        return;
    // An edit made in the grid is stored first, so Cancel takes back only the editor's changes.
    if (!m_source->post(this))
        return;
    TfrmActivityFull editor(m_source, this);
    QStringList names;
    for (int i = 1; i < m_activity->count(); ++i)
        names << m_activity->itemText(i);
    editor.setActivityNames(names);
    connect(&editor, &TfrmActivity::editActivityList, this, [this, &editor] {
        TfrmDefActivity list(this);
        app::TDataSource descriptions(m_data.TBLActDesc);
        list.setDataSource(&descriptions, "ActDesc");
        list.exec();
        fillActivityNames();
        QStringList refreshed;
        for (int i = 1; i < m_activity->count(); ++i)
            refreshed << m_activity->itemText(i);
        editor.setActivityNames(refreshed);
    });
    if (editor.exec() == QDialog::Accepted)
        m_source->post(this);
    else if (view.isEditing())
        view.cancel();
}

bool TFrmActivityList::goToContact()
{
    data::TableView& view = m_data.TBLActivityList;
    if (!view.isOpen() || view.isEmpty() || !m_source->post(this))
        return false;
    const std::int64_t contact = view.asInteger("Contact");
    if (!ListWindow::goToContact(m_data.TBLCon, m_contacts, contact, this)) {
        app::prompts().inform(this, windowTitle(), tr("No Contact was Found"));
        return false;
    }
    hide();
    emit contactShown();
    return true;
}

void TFrmActivityList::deleteActivity()
{
    data::TableView& view = m_data.TBLActivityList;
    if (!view.isOpen() || view.isEmpty())
        return;
    if (!app::prompts().askYesNo(this, windowTitle(), tr("Do You Want to Delete the Item ?")))
        return;
    m_source->guarded(this, [&] {
        if (view.isEditing())
            view.cancel();
        view.remove();
    });
}

void TFrmActivityList::search()
{
    if (!m_data.TBLActivityList.isOpen() || !m_source->post(this))
        return;
    app::TfrmListSearch dialog(m_source,
        { { "Activity", tr("Activity") }, { "Detailes", tr("Details") }, { "Priority", tr("Priority") } }, this);
    dialog.exec();
}

void TFrmActivityList::pickDate(const QString& field)
{
    data::TableView& view = m_data.TBLActivityList;
    if (view.isEmpty() || (field != QLatin1String("DateOf") && field != QLatin1String("DateCreated")))
        return;
    if (const std::optional<QDate> picked = app::TBrDateForm::pick(this)) {
        m_source->guarded(this, [&] {
            m_source->ensureEditing();
            view.setDate(field.toStdString(), app::fromQDate(*picked));
        });
    }
}

void TFrmActivityList::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        refreshFromDisk();
}

} // namespace pelmora::records
