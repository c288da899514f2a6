#include "widgets/FieldLink.h"

#include "data/TableView.h"
#include "widgets/DateText.h"
#include "widgets/TDataSource.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace pelmora::app {

FieldLink::FieldLink(QWidget* control, TDataSource* source, std::string field)
    : QObject(control)
    , m_control(control)
    , m_source(source)
    , m_field(std::move(field))
{
}

void FieldLink::follow()
{
    connect(m_source, &TDataSource::flushing, this, &FieldLink::storePending);
    connect(m_source, &TDataSource::currentChanged, this, &FieldLink::show);
    connect(m_source, &TDataSource::dataChanged, this, &FieldLink::show);
    connect(m_source, &TDataSource::stateChanged, this, &FieldLink::show);
    show();
}

QString FieldLink::currentText() const
{
    const data::TableView& view = m_source->view();
    if (!view.isOpen() || (view.isEmpty() && !view.isEditing()))
        return {};
    const QString text = QString::fromStdString(view.asString(m_field));
    const int i = view.fieldIndex(m_field);
    const bool isDate = i >= 0 && view.fields()[static_cast<size_t>(i)].type == data::FieldType::Date;
    return isDate ? isoToDateText(text) : text;
}

void FieldLink::show()
{
    if (!m_control || m_showing)
        return;
    if (!m_source->view().isEditing())
        m_pending.reset(); // cancelled or posted: what was typed is gone
    else if (m_pending)
        return;
    m_showing = true;
    m_control->setEnabled(m_source->view().isOpen());
    m_display(currentText());
    m_showing = false;
}

bool FieldLink::waitsUntilWhole() const
{
    const data::TableView& view = m_source->view();
    const int i = view.fieldIndex(m_field);
    if (i < 0)
        return false;
    const data::FieldType type = view.fields()[static_cast<size_t>(i)].type;
    return type == data::FieldType::Date || type == data::FieldType::Number || type == data::FieldType::Long;
}

void FieldLink::typed(const QString& text)
{
    if (m_showing)
        return;
    if (!waitsUntilWhole()) {
        store(text);
        return;
    }
    m_showing = true; // the edit state shows the typed text, not the stored value
    if (m_source->guarded(m_control, [this] { m_source->ensureEditing(); }))
        m_pending = text;
    m_showing = false;
}

void FieldLink::storePending()
{
    if (!m_pending)
        return;
    const QString text = *m_pending;
    m_pending.reset();
    if (!store(text)) {
        m_pending = text; // kept, so the user can mend it
        m_source->refusePost();
    }
}

bool FieldLink::store(const QString& text)
{
    if (m_showing)
        return false;
    m_pending.reset();
    m_showing = true; // what the engine notifies back is what was just typed
    const bool stored = m_source->guarded(m_control, [this, &text] {
        m_source->ensureEditing();
        m_source->view().setString(m_field, text.toStdString());
    });
    m_showing = false;
    if (!stored && !waitsUntilWhole())
        show();
    return stored;
}

void FieldLink::revertOnEscape()
{
    if (!m_control)
        return;
    m_control->installEventFilter(this);
    if (auto* list = qobject_cast<QComboBox*>(m_control.data()); list && list->lineEdit())
        list->lineEdit()->installEventFilter(this);
}

bool FieldLink::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Escape || key->modifiers() != Qt::NoModifier)
        return false;
    data::TableView& view = m_source->view();
    if (!view.isEditing() && !m_pending)
        return false; // nothing to undo: Esc does what it does elsewhere
    bool fieldChanged = m_pending.has_value();
    m_pending.reset();
    m_source->guarded(m_control, [&] { fieldChanged = view.revertField(m_field) || fieldChanged; });
    if (fieldChanged) {
        show();
        return true;
    }
    // A new record dropped this way goes back to the record shown before it.
    m_source->guarded(m_control, [&] { view.cancel(); });
    return true;
}

FieldLink* FieldLink::bind(QLineEdit* edit, TDataSource* source, const std::string& field)
{
    auto* link = new FieldLink(edit, source, field);
    const data::ViewField& f = source->view().field(field);
    if (f.type == data::FieldType::Alpha && f.size > 0)
        edit->setMaxLength(f.size);
    link->m_display = [edit](const QString& text) {
        if (edit->text() != text)
            edit->setText(text);
    };
    connect(edit, &QLineEdit::textEdited, link, &FieldLink::typed);
    connect(edit, &QLineEdit::editingFinished, link, &FieldLink::storePending);
    link->follow();
    return link;
}

FieldLink* FieldLink::bind(QPlainTextEdit* memo, TDataSource* source, const std::string& field)
{
    auto* link = new FieldLink(memo, source, field);
    link->m_display = [memo](const QString& text) {
        if (memo->toPlainText() != text)
            memo->setPlainText(text);
    };
    connect(memo, &QPlainTextEdit::textChanged, link, [link, memo] { link->store(memo->toPlainText()); });
    link->follow();
    return link;
}

FieldLink* FieldLink::bind(QCheckBox* box, TDataSource* source, const std::string& field)
{
    auto* link = new FieldLink(box, source, field);
    link->m_display = [box](const QString& text) { box->setChecked(text == QLatin1String("1")); };
    connect(box, &QCheckBox::clicked, link,
        [link](bool checked) { link->store(checked ? QStringLiteral("1") : QStringLiteral("0")); });
    link->follow();
    return link;
}

FieldLink* FieldLink::bind(QComboBox* list, TDataSource* source, const std::string& field)
{
    auto* link = new FieldLink(list, source, field);
    const data::ViewField& f = source->view().field(field);
    if (list->lineEdit() && f.type == data::FieldType::Alpha && f.size > 0)
        list->lineEdit()->setMaxLength(f.size);
    link->m_display = [list](const QString& text) {
        if (list->currentText() != text)
            list->setCurrentText(text);
    };
    if (list->lineEdit())
        connect(list->lineEdit(), &QLineEdit::textEdited, link, &FieldLink::typed);
    connect(list, &QComboBox::textActivated, link, &FieldLink::store);
    link->follow();
    return link;
}

} // namespace pelmora::app
