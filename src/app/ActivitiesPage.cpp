#include "app/ActivitiesPage.h"

#include "data/ActivityFilter.h"
#include "widgets/FlowLayout.h"
#include "widgets/TDBGrid.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>

namespace pelmora::app {

ActivitiesPage::ActivitiesPage(QWidget* parent)
    : GridPage(QStringLiteral("tabActivities"), QStringLiteral("grdActivity"),
        { { tr("Activity"), 31 }, { tr("When"), 8 }, { tr("Priority"), 7 }, { tr("Done"), 5 }, { tr("Details"), 40 },
            { tr("Notes"), 10 }, { tr("Created"), 10 } },
        parent)
{
    FlowLayout* row = buttonRow();
    addButton(row, QStringLiteral("btnAddActivity"), tr("Add New Activity"));
    addButton(row, QStringLiteral("btnActivityProperties"), tr("Properties"));
    addButton(row, QStringLiteral("btnDeleteActivity"), tr("Delete Activity"));
    addButton(row, QStringLiteral("btnActivityReport"), tr("Print Activity Report"));
    addButton(row, QStringLiteral("btnEditActivityList"), tr("Edit Activity List"));
    // The filters have a line of their own: beside the buttons they ran off a 1024-pixel screen.
    m_filters = new QHBoxLayout;
    m_filters->setContentsMargins(0, 0, 0, 0);
    pageLayout()->insertLayout(1, m_filters);
    m_activity = addList(tr("Activity"), QStringLiteral("cmbActivity"));
    m_date = addList(tr("Date"), QStringLiteral("cmbDate"));
    m_status = addList(tr("Status"), QStringLiteral("cmbStatus"));
    m_filters->addStretch(1);
    m_activity->setMinimumContentsLength(16);
    for (const std::string& item : data::ActivityFilter::dateItems())
        m_date->addItem(QString::fromStdString(item));
    for (const std::string& item : data::ActivityFilter::statusItems())
        m_status->addItem(QString::fromStdString(item));
    setActivityDescriptions({});
    grid()->setToggleOnClick("Done"); // ticking off activities is what this grid is used for most
    connect(m_date, &QComboBox::activated, this, &ActivitiesPage::dateChosen);
    for (QComboBox* list : { m_activity, m_date, m_status })
        connect(list, &QComboBox::activated, this, &ActivitiesPage::filterChanged);
}

QComboBox* ActivitiesPage::addList(const QString& caption, const QString& name)
{
    auto* label = boldLabel(caption, this);
    auto* list = new QComboBox(this);
    list->setObjectName(name);
    list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    label->setBuddy(list);
    m_filters->addWidget(label);
    m_filters->addWidget(list);
    return list;
}

void ActivitiesPage::setActivityDescriptions(const QStringList& descriptions)
{
    m_activity->clear();
    m_activity->addItem(tr("All"));
    m_activity->addItems(descriptions);
    m_activity->setCurrentIndex(-1);
}

} // namespace pelmora::app
