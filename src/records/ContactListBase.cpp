#include "records/ContactListBase.h"

#include "data/ExactCondition.h"
#include "data/TfrmDataModule.h"
#include "net/WebAddress.h"
#include "widgets/HelpPage.h"
#include "widgets/OpenWebAddress.h"
#include "widgets/TDataSource.h"
#include "widgets/TDBGrid.h"
#include "widgets/Widgets.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <filesystem>

namespace pelmora::records {

namespace {

const char* const CategoryFields[3] = { "CategoryA", "CategoryB", "CategoryC" };

std::vector<std::pair<std::string, int>> columns(bool userFields)
{
    std::vector<std::pair<std::string, int>> list = { { "LName", 13 }, { "FName", 13 }, { "Company", 20 },
        { "EMail", 18 }, { "Mark", 5 }, { "SiteTitle", 35 }, { "URL", 35 }, { "SiteDesc", 10 }, { "LastVisited", 10 },
        { "CategoryA", 15 }, { "CategoryB", 15 }, { "CategoryC", 15 }, { "JobTitle", 15 }, { "Department", 15 },
        { "Phone1", 13 }, { "Phone2", 13 }, { "Cellular", 13 }, { "Fax", 13 }, { "Address1", 20 }, { "Address2", 20 },
        { "City", 13 }, { "State", 10 }, { "Zip", 9 }, { "Country", 15 }, { "Created", 10 }, { "LastContact", 12 },
        { "Comments", 10 } };
    if (userFields) {
        for (int i = 1; i <= 10; ++i)
            list.push_back({ "User" + std::to_string(i), 20 });
        for (int i = 1; i <= 5; ++i)
            list.push_back({ "Date" + std::to_string(i), 10 });
        for (int i = 1; i <= 5; ++i)
            list.push_back({ "Num" + std::to_string(i), 10 });
    }
    return list;
}

} // namespace

ContactListBase::ContactListBase(data::TfrmDataModule& data, app::TDataSource* contacts, Setup setup, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_data(data)
    , m_contacts(contacts)
    , m_setup(std::move(setup))
    , m_grid(new app::TDBGrid(this))
{
    setObjectName(m_setup.objectName);
    setWindowTitle(m_setup.caption);

    auto* top = new QHBoxLayout;
    for (int i = 0; i < 3; ++i) {
        m_categories[i] = new QComboBox(this);
        m_categories[i]->setObjectName(QStringLiteral("cbCategory%1").arg(i + 1));
        m_categories[i]->setMinimumContentsLength(15);
        top->addWidget(app::boldLabel(tr("Category %1").arg(i + 1), this));
        top->addWidget(m_categories[i], 1);
        connect(m_categories[i], &QComboBox::activated, this, &ContactListBase::applyCategories);
    }

    m_grid->setObjectName(QStringLiteral("grdContacts"));
    m_grid->setTitleSort(true);
    m_grid->setMemoWindows(true);
    // A million contacts: the grid learns of them a page at a time instead of counting them and
    // keeping a header entry for each; the record number comes from the row the user is on.
    m_grid->setCountsByPages(true);
    m_grid->setDataSource(m_contacts, columns(m_setup.userFields));
    m_grid->setToggleOnClick("Mark");
    m_grid->addButtonField("URL");
    m_grid->addButtonField("EMail");
    connect(m_grid, &app::TDBGrid::buttonClicked, this, [this](const QString& field) {
        if (field == QLatin1String("URL"))
            browse();
        else if (field == QLatin1String("EMail"))
            sendEmailToContact();
    });
    connect(m_grid, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (!m_grid->isMemoColumn(index.column()))
            recordChosen();
    });

    auto* bottom = new QHBoxLayout;
    auto* hints = new QVBoxLayout;
    for (const QString& hint : m_setup.hints)
        hints->addWidget(new QLabel(hint, this));
    bottom->addLayout(hints, 1);
    QPushButton* ok = app::addButton(bottom, QStringLiteral("btnOK"), tr("OK"));
    QPushButton* cancel = app::addButton(bottom, QStringLiteral("btnCancel"), tr("Cancel"));
    QPushButton* help = app::addButton(bottom, QStringLiteral("btnHelp"), tr("Help"));
    connect(ok, &QPushButton::clicked, this, &ContactListBase::closeList);
    connect(cancel, &QPushButton::clicked, this, &ContactListBase::closeList);
    connect(help, &QPushButton::clicked, this, [this] {
        const std::filesystem::path page = m_setup.helpFile.toStdString();
        app::openHelpPage(this, page.parent_path(), page.filename().string());
    });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_grid, 1);
    layout->addLayout(bottom);
    resize(960, 520);
}

void ContactListBase::fillCategories()
{
    QStringList names { tr("All") };
    data::TableView& categories = m_data.TBLCategory;
    m_contacts->guarded(this, [&] {
        if (!categories.isOpen())
            categories.open();
        else if (!categories.isEditing())
            categories.refresh(); // categories added since the last activation show
        // Read without moving the categories' cursor, which the category window shows.
        const size_t column = static_cast<size_t>(categories.fieldIndex("Desc"));
        for (const data::Record& row : categories.rows(0, categories.recordCount()))
            names << QString::fromStdString(data::valueToString(row.values[column]));
    });
    for (QComboBox* list : m_categories) {
        const QSignalBlocker quiet(list);
        list->clear();
        list->addItems(names);
        list->setCurrentIndex(0);
    }
}

void ContactListBase::activate()
{
    if (m_active)
        return;
    m_active = true;
    m_savedConditions = m_contacts->view().conditions();
    fillCategories();
    applyCategories();
}

void ContactListBase::applyCategories()
{
    if (!m_active || !m_contacts->post(this))
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    data::TableView& view = m_contacts->view();
    m_contacts->guarded(this, [&] {
        view.clearConditions();
        for (const std::string& condition : m_savedConditions)
            view.addCondition(condition);
        for (const std::string& condition : m_setup.ownConditions)
            view.addCondition(condition);
        for (int i = 0; i < 3; ++i) {
            if (m_categories[i]->currentIndex() > 0)
                view.addCondition(
                    data::exactCondition(CategoryFields[i], m_categories[i]->currentText().toStdString()));
        }
        view.applyConditions();
    });
    QApplication::restoreOverrideCursor();
}

void ContactListBase::deactivate()
{
    if (!m_active)
        return;
    m_active = false;
    data::TableView& view = m_contacts->view();
    m_contacts->post(this);
    const std::int64_t current = view.current() ? view.current()->rowId : 0;
    m_contacts->guarded(this, [&] {
        view.clearConditions();
        for (const std::string& condition : m_savedConditions)
            view.addCondition(condition);
        view.applyConditions();
        if (current)
            view.gotoRowId(current);
    });
}

void ContactListBase::browse()
{
    data::TableView& view = m_contacts->view();
    if (view.isEmpty())
        return;
    const QString address = QString::fromStdString(view.asString("URL"));
    if (!net::browsableAddress(address.toStdString())) {
        app::openWebAddress(this, address); // says why it is not opened; the visit is not noted
        return;
    }
    const bool noted = m_contacts->guarded(this, [&] {
        m_contacts->ensureEditing();
        view.setDate("LastVisited", data::Date::today());
    }) && m_contacts->post(this);
    if (noted)
        app::openWebAddress(this, address);
}

void ContactListBase::sendEmailToContact()
{
    if (!m_contacts->view().isEmpty())
        emit sendEmail(QString::fromStdString(m_contacts->view().asString("EMail")));
}

void ContactListBase::closeList()
{
    deactivate();
    hide();
}

bool ContactListBase::ownsActiveWindow() const
{
    // A dialog opened from the list (the memo window, the date picker, a message) takes the
    // activation without the user leaving the list.
    for (const QWidget* w = QApplication::activeWindow(); w; w = w->parentWidget()) {
        if (w == this)
            return true;
    }
    return false;
}

void ContactListBase::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange)
        return;
    if (isActiveWindow())
        activate();
    else if (!ownsActiveWindow())
        deactivate();
}

void ContactListBase::hideEvent(QHideEvent* event)
{
    deactivate();
    QWidget::hideEvent(event);
}

} // namespace pelmora::records
