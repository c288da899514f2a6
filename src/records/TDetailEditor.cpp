#include "records/TDetailEditor.h"

#include "data/TableView.h"
#include "widgets/DateText.h"
#include "widgets/FieldLink.h"
#include "widgets/TBrDateForm.h"
#include "widgets/TCustomEditAndBtn.h"
#include "widgets/TDataSource.h"
#include "widgets/TfrmMemo.h"
#include "widgets/Widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFormLayout>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace pelmora::records {

namespace {

class DoubleClickFilter : public QObject {
public:
    DoubleClickFilter(QWidget* watched, std::function<void()> action)
        : QObject(watched)
        , m_action(std::move(action))
    {
        watched->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::MouseButtonDblClick)
            return false;
        m_action();
        return true;
    }

private:
    std::function<void()> m_action;
};

} // namespace

TDetailEditor::TDetailEditor(
    const QString& objectName, const QString& caption, app::TDataSource* source, QWidget* parent)
    : QDialog(parent)
    , m_source(source)
    , m_form(new QFormLayout)
{
    setObjectName(objectName);
    setWindowTitle(caption);
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setLayout(m_form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel, 1);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &TDetailEditor::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void TDetailEditor::addRow(const QString& label, QWidget* control)
{
    m_form->addRow(app::boldLabel(label, this), control);
    if (!m_first)
        m_first = control;
}

void TDetailEditor::bind(QWidget* control, const char* field)
{
    if (!m_source)
        return;
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        app::FieldLink::bind(edit, m_source, field);
    else if (auto* memo = qobject_cast<QPlainTextEdit*>(control))
        app::FieldLink::bind(memo, m_source, field);
    else if (auto* check = qobject_cast<QCheckBox*>(control))
        app::FieldLink::bind(check, m_source, field);
    else if (auto* list = qobject_cast<QComboBox*>(control))
        app::FieldLink::bind(list, m_source, field);
}

QLineEdit* TDetailEditor::addEdit(const QString& label, const char* field, int maxLength)
{
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QStringLiteral("edt") + QLatin1String(field));
    edit->setMaxLength(maxLength);
    addRow(label, edit);
    bind(edit, field);
    return edit;
}

comms::TCustomEditAndBtn* TDetailEditor::addEditWithButton(const QString& label, const char* field, int maxLength)
{
    auto* box = new comms::TCustomEditAndBtn(this);
    box->setObjectName(QStringLiteral("edt") + QLatin1String(field));
    box->setMaxLength(maxLength);
    box->setButtonShortCut(comms::TCustomEditAndBtn::standardShortCut());
    addRow(label, box);
    bind(box->edit(), field);
    return box;
}

comms::TCustomEditAndBtn* TDetailEditor::addDateBox(const QString& label, const char* field)
{
    comms::TCustomEditAndBtn* box = addEditWithButton(label, field, app::dateTextLength());
    box->setButtonIcon(app::calendarGlyph());
    box->setButtonHint(tr("Select a Date"));
    connect(box, &comms::TCustomEditAndBtn::buttonClicked, this, [this, box, field] {
        const std::optional<QDate> picked = app::TBrDateForm::pick(this);
        if (!picked || !m_source)
            return;
        m_source->guarded(this, [&] {
            m_source->ensureEditing();
            m_source->view().setDate(field, app::fromQDate(*picked));
        });
        box->edit()->selectAll();
    });
    return box;
}

QPlainTextEdit* TDetailEditor::addMemo(const QString& label, const char* field, const QString& memoTitle)
{
    auto* memo = new QPlainTextEdit(this);
    memo->setObjectName(QStringLiteral("mem") + QLatin1String(field));
    memo->setTabChangesFocus(true); // else Tab is typed into the memo and OK is out of reach
    memo->setToolTip(tr("Double-click to edit in a larger box"));
    addRow(label, memo);
    bind(memo, field);
    new DoubleClickFilter(memo->viewport(), [this, memo, memoTitle] {
        if (const std::optional<QString> text = app::TfrmMemo::edit(this, memoTitle, memo->toPlainText()))
            memo->setPlainText(*text); // the memo's link stores it into the field
    });
    return memo;
}

void TDetailEditor::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_first)
        m_first->setFocus();
}

void TDetailEditor::accept()
{
    // A date or number still being typed is stored now; a bad one keeps the editor open.
    if (m_source && !m_source->storePending())
        return;
    QDialog::accept();
}

} // namespace pelmora::records
