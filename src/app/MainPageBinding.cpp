#include "app/MainPageBinding.h"

#include "data/TfrmDataModule.h"
#include "widgets/DateText.h"
#include "widgets/FieldLink.h"
#include "widgets/OpenWebAddress.h"
#include "widgets/TBrDateForm.h"
#include "widgets/TCustomEditAndBtn.h"
#include "widgets/TDataSource.h"
#include "widgets/TfrmMemo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace pelmora::app {

namespace {

// Control names end in the field's name: "edtFName" shows FName, "cmbCity" shows City.
QString fieldFromName(const QString& objectName)
{
    for (const char* prefix : { "edt", "cmb", "chk", "mem" }) {
        if (objectName.startsWith(QLatin1String(prefix)))
            return objectName.mid(3);
    }
    return {};
}

// Opens the memo box on a double click into the memo, or on Alt+Down, the key that presses the
// button of an edit box, so the keyboard reaches the box too.
class MemoOpener : public QObject {
public:
    MemoOpener(QPlainTextEdit* memo, std::function<void()> open)
        : QObject(memo)
        , m_open(std::move(open))
    {
        memo->viewport()->installEventFilter(this);
        memo->installEventFilter(this);
        memo->setToolTip(tr("Double-click or Alt+Down to edit in a larger box"));
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        bool wanted = event->type() == QEvent::MouseButtonDblClick;
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            wanted = key->key() == Qt::Key_Down && key->modifiers() == Qt::AltModifier;
        }
        if (!wanted)
            return false;
        m_open();
        return true;
    }

private:
    std::function<void()> m_open;
};

} // namespace

MainPageBinding::MainPageBinding(
    QWidget* mainPage, QWidget* userFieldsPage, TDataSource* dsCon, data::TfrmDataModule& data, Dialer dial)
    : QObject(mainPage)
    , m_page(mainPage)
    , m_userFields(userFieldsPage)
    , m_dsCon(dsCon)
    , m_data(data)
    , m_dial(std::move(dial))
{
    bindFields(m_page);
    bindFields(m_userFields);
    bindLists();
    bindButtons();
}

QString MainPageBinding::fieldOf(const QString& objectName)
{
    return fieldFromName(objectName);
}

void MainPageBinding::bindFields(QWidget* page)
{
    const data::TableView& view = m_dsCon->view();
    for (QWidget* control : page->findChildren<QWidget*>()) {
        const std::string field = fieldOf(control->objectName()).toStdString();
        if (field.empty() || view.fieldIndex(field) < 0)
            continue;
        FieldLink* link = nullptr;
        if (auto* edit = qobject_cast<QLineEdit*>(control))
            link = FieldLink::bind(edit, m_dsCon, field);
        else if (auto* box = qobject_cast<comms::TCustomEditAndBtn*>(control))
            link = FieldLink::bind(box->edit(), m_dsCon, field);
        else if (auto* list = qobject_cast<QComboBox*>(control))
            link = FieldLink::bind(list, m_dsCon, field);
        else if (auto* check = qobject_cast<QCheckBox*>(control))
            FieldLink::bind(check, m_dsCon, field);
        else if (auto* memo = qobject_cast<QPlainTextEdit*>(control))
            link = FieldLink::bind(memo, m_dsCon, field);
        if (link)
            link->revertOnEscape(); // Esc takes back what was typed, as data-entry forms do
    }
}

void MainPageBinding::fillList(QComboBox* list, data::TableView& view, const char* field)
{
    if (!list || !view.isOpen())
        return;
    const int column = view.fieldIndex(field);
    QStringList items;
    for (const data::Record& row : view.rows(0, view.recordCount()))
        items << QString::fromStdString(data::valueToString(row.values[static_cast<size_t>(column)]));
    const QString shown = list->currentText();
    const QSignalBlocker quiet(list);
    list->clear();
    list->addItems(items);
    list->setCurrentText(shown);
}

void MainPageBinding::refreshLists()
{
    auto list = [this](const char* name) { return m_page->findChild<QComboBox*>(QLatin1String(name)); };
    fillList(list("cmbJobTitle"), m_data.TBLJobTitle, "Description");
    fillList(list("cmbDepartment"), m_data.TBLDepart, "Description");
    for (const char* name : { "cmbCategoryA", "cmbCategoryB", "cmbCategoryC" })
        fillList(list(name), m_data.TBLCategory, "Desc");
    fillList(list("cmbCity"), m_data.TBLZip, "CITY");
}

void MainPageBinding::bindLists()
{
    refreshLists();
    auto* city = m_page->findChild<QComboBox*>(QStringLiteral("cmbCity"));
    connect(city, &QComboBox::textActivated, this, &MainPageBinding::cityChosen);
    connect(city->lineEdit(), &QLineEdit::textEdited, this, &MainPageBinding::cityChosen);
}

void MainPageBinding::cityChosen(const QString& city)
{
    data::TableView& contact = m_dsCon->view();
    data::TableView& zip = m_data.TBLZip;
    if (!contact.isEditing() || !zip.isOpen())
        return;
    m_dsCon->guarded(m_page, [&] {
        // Case-sensitive on purpose: "paris" typed by hand is not the table's "Paris".
        if (!zip.locate({ "CITY" }, { data::Value(city.toStdString()) }, {}))
            return;
        contact.setString("Zip", zip.asString("ZIP"));
        contact.setString("State", zip.asString("STATE"));
    });
}

void MainPageBinding::bindDateBox(QWidget* page, const QString& objectName, const char* field)
{
    auto* box = page->findChild<comms::TCustomEditAndBtn*>(objectName);
    connect(box, &comms::TCustomEditAndBtn::buttonClicked, this, [this, box, field] {
        const std::optional<QDate> picked = TBrDateForm::pick(m_page);
        if (!picked)
            return;
        m_dsCon->guarded(m_page, [&] {
            m_dsCon->ensureEditing();
            m_dsCon->view().setDate(field, fromQDate(*picked));
        });
        box->edit()->selectAll();
    });
}

void MainPageBinding::bindMemo(const QString& objectName, const char* field, const QString& title)
{
    auto* memo = m_page->findChild<QPlainTextEdit*>(objectName);
    new MemoOpener(memo, [this, memo, field, title] {
        const std::optional<QString> text = TfrmMemo::edit(m_page, title, memo->toPlainText());
        if (!text)
            return;
        m_dsCon->guarded(m_page, [&] {
            m_dsCon->ensureEditing();
            m_dsCon->view().setString(field, text->toStdString());
        });
    });
}

void MainPageBinding::bindButtons()
{
    bindDateBox(m_page, QStringLiteral("edtCreated"), "Created");
    bindDateBox(m_page, QStringLiteral("edtLastContact"), "LastContact");
    bindDateBox(m_page, QStringLiteral("edtLastVisited"), "LastVisited");
    for (const char* field : { "Date1", "Date2", "Date3", "Date4", "Date5" })
        bindDateBox(m_userFields, QStringLiteral("edt") + QLatin1String(field), field);
    bindMemo(QStringLiteral("memComments"), "Comments", tr("Comments"));
    bindMemo(QStringLiteral("memSiteDesc"), "SiteDesc", tr("Site Description"));
    for (const char* field : { "Phone1", "Phone2", "Cellular" }) {
        auto* box = m_page->findChild<comms::TCustomEditAndBtn*>(QStringLiteral("edt") + QLatin1String(field));
        // The stored number is dialed, not what may be half typed in the box.
        connect(box, &comms::TCustomEditAndBtn::buttonClicked, this,
            [this, field] { m_dial(QString::fromStdString(m_dsCon->view().asString(field))); });
    }
    auto* url = m_page->findChild<comms::TCustomEditAndBtn*>(QStringLiteral("edtURL"));
    connect(url, &comms::TCustomEditAndBtn::buttonClicked, this, &MainPageBinding::goToWebPage);
}

void MainPageBinding::goToWebPage()
{
    data::TableView& view = m_dsCon->view();
    const bool posted = m_dsCon->guarded(m_page, [&] {
        m_dsCon->ensureEditing();
        view.setDate("LastVisited", data::Date::today());
    }) && m_dsCon->post(m_page);
    const QString url = QString::fromStdString(view.asString("URL"));
    if (posted)
        openWebAddress(m_page, url);
}

} // namespace pelmora::app
