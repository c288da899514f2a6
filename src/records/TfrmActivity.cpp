#include "records/TfrmActivity.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QShortcut>
#include <QToolButton>

namespace pelmora::records {

TfrmActivity::TfrmActivity(app::TDataSource* source, QWidget* parent)
    : TDetailEditor(QStringLiteral("TfrmActivity"), tr("Activity"), source, parent)
    , m_activity(new QComboBox(this))
{
    m_activity->setObjectName(QStringLiteral("cmbActivity"));
    m_activity->setEditable(true);
    m_activity->lineEdit()->setMaxLength(50);
    auto* editList = new QToolButton(this);
    editList->setObjectName(QStringLiteral("btnEditActivityList"));
    editList->setText(QStringLiteral("…"));
    editList->setToolTip(tr("Edit Activity List (F2)"));
    // Out of the Tab chain, as beside the main window's lists: a typist's Space must not open the
    // list whose entries the next keys would rename. F2 in the box opens it from the keyboard.
    editList->setFocusPolicy(Qt::NoFocus);
    auto* key = new QShortcut(QKeySequence(Qt::Key_F2), m_activity, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(key, &QShortcut::activated, editList, &QToolButton::click);
    auto* row = new QWidget(this);
    auto* rowLayout = new QHBoxLayout(row);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    rowLayout->addWidget(m_activity, 1);
    rowLayout->addWidget(editList);
    row->setFocusProxy(m_activity);
    addRow(tr("Activity"), row);
    addDateBox(tr("When"), "DateOf");
    addEdit(tr("Details"), "Detailes", 100);
    addDateBox(tr("Date Created"), "DateCreated");
    auto* priority = new QComboBox(this);
    priority->setObjectName(QStringLiteral("cmbPriority"));
    priority->setEditable(true);
    priority->addItems(
        { QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D"), QString() });
    priority->lineEdit()->setMaxLength(2);
    addRow(tr("Priority"), priority);
    addMemo(tr("Notes"), "Notes", tr("Notes"));
    auto* done = new QCheckBox(this);
    done->setObjectName(QStringLiteral("chkDone"));
    addRow(tr("Done"), done);
    // Bound once the items are in: binding shows the record's value in the lists.
    bind(m_activity, "Activity");
    bind(priority, "Priority");
    bind(done, "Done");
    connect(editList, &QToolButton::clicked, this, &TfrmActivity::editActivityList);
    resize(460, 420);
}

void TfrmActivity::setActivityNames(const QStringList& names)
{
    const QString shown = m_activity->currentText();
    const QSignalBlocker quiet(m_activity);
    m_activity->clear();
    m_activity->addItems(names);
    m_activity->setCurrentText(shown);
}

} // namespace pelmora::records
