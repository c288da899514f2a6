#include "app/QueryCommands.h"

#include "app/MainCommands.h"
#include "app/TfrmFilter.h"
#include "widgets/TfrmFind.h"
#include "app/TfrmMainForm.h"
#include "app/TfrmSearch.h"
#include "app/Tfrmsort.h"
#include "data/TfrmDataModule.h"
#include "widgets/TDataSource.h"

#include <QAction>
#include <QLabel>
#include <QToolBar>

namespace pelmora::app {

QueryCommands::QueryCommands(TfrmMainForm* form, data::TfrmDataModule& data, TDataSource* dsCon)
    : QObject(form)
    , m_form(form)
    , m_data(data)
    , m_dsCon(dsCon)
    , m_filter(new TfrmFilter(&data.TBLCon, form))
    , m_counter(new QLabel(form))
{
    MainCommands* commands = form->commands();
    m_counter->setObjectName(QStringLiteral("lblFilterCount"));
    QFont bold = m_counter->font();
    bold.setBold(true);
    m_counter->setFont(bold);
    m_counter->setContentsMargins(8, 0, 8, 0);
    // The tool bar shows and hides its widgets through their actions: hiding the label itself
    // is undone by the tool bar's layout.
    m_counterAction = commands->toolBar()->addWidget(m_counter);
    m_counterAction->setObjectName(QStringLiteral("actFilterCount"));
    auto enable = [this, commands](const char* name, auto handler) {
        QAction* action = commands->action(QLatin1String(name));
        action->setEnabled(true);
        connect(action, &QAction::triggered, this, handler);
    };
    enable("mnuFilter", [this] { toggleFilter(); });
    enable("mnuSearch", [this] {
        if (!m_dsCon->post(m_form))
            return;
        TfrmSearch search(m_data.TBLSearchCon, m_dsCon, m_form);
        search.exec();
    });
    enable("mnuFind", [this] {
        TfrmFind find(m_dsCon, m_form);
        find.exec();
    });
    enable("mnuSort", [this] {
        const std::string before = m_data.TBLCon.indexName();
        Tfrmsort sort(&m_data.TBLCon, m_form);
        sort.exec();
        if (m_data.TBLCon.indexName() != before)
            m_form->setStatusText(0, tr("Sorted by %1").arg(orderName()));
        showState();
    });
    // The order shown follows every change of it (the sort dialog, the order restored at start).
    connect(
        m_dsCon, &TDataSource::listChanged, this, [this] { m_form->setStatusText(1, tr("By %1").arg(orderName())); });
    showState();
}

bool QueryCommands::filterOn() const
{
    return m_data.TBLCon.filtered() && !m_data.TBLCon.filter().empty();
}

void QueryCommands::toggleFilter()
{
    if (filterOn()) {
        removeFilter();
        return;
    }
    if (!m_dsCon->post(m_form))
        return;
    if (m_filter->exec() == QDialog::Accepted) {
        const std::string expression = m_filter->expression().toStdString();
        m_dsCon->guarded(m_form, [this, &expression] {
            m_data.TBLCon.setFilter(expression);
            m_data.TBLCon.setFiltered(!expression.empty());
        });
    }
    showState();
    if (filterOn())
        m_form->setStatusText(0, tr("Filter on: %1 contacts shown").arg(m_data.TBLCon.recordCount()));
}

void QueryCommands::removeFilter()
{
    if (!filterOn())
        return;
    m_filter->clear();
    m_dsCon->guarded(m_form, [this] {
        m_data.TBLCon.setFiltered(false);
        m_data.TBLCon.setFilter({});
        m_data.TBLCon.refresh();
    });
    showState();
    m_form->setStatusText(0, tr("Filter removed: all %1 contacts shown").arg(m_data.TBLCon.recordCount()));
}

QString QueryCommands::orderName() const
{
    const data::TableView& contacts = m_data.TBLCon;
    for (const data::IndexInfo& index : contacts.indexes()) {
        if (index.name != contacts.indexName())
            continue;
        const int field = contacts.fieldIndex(index.firstField);
        if (index.name.empty() || field < 0)
            break;
        return QString::fromStdString(contacts.fields()[static_cast<size_t>(field)].title());
    }
    return tr("Contact Number");
}

void QueryCommands::showState()
{
    const bool on = filterOn();
    m_form->commands()->action(QStringLiteral("mnuFilter"))->setChecked(on);
    m_counterAction->setVisible(on);
    if (on)
        m_counter->setText(tr("Filter On = %1").arg(m_data.TBLCon.recordCount()));
    m_form->setStatusText(1, tr("By %1").arg(orderName()));
}

} // namespace pelmora::app
