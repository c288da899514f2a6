#include "records/TfrmInsertedDoc.h"

#include "data/Documents.h"
#include "data/TableView.h"
#include "widgets/Prompts.h"
#include "widgets/TCustomEditAndBtn.h"
#include "widgets/TDataSource.h"
#include "widgets/Widgets.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace pelmora::records {

TfrmInsertedDoc::TfrmInsertedDoc(app::TDataSource* source, QWidget* parent)
    : TfrmInsertedDoc(
        QStringLiteral("TfrmInsertedDoc"), tr("Attached Document"), tr("Insert File From Disk"), false, source, parent)
{
}

TfrmInsertedDoc::TfrmInsertedDoc(const QString& objectName, const QString& caption, const QString& attachHint,
    bool factsEditable, app::TDataSource* source, QWidget* parent)
    : TDetailEditor(objectName, caption, source, parent)
{
    comms::TCustomEditAndBtn* added = addDateBox(tr("Date"), "Added");
    added->edit()->setFocusPolicy(Qt::ClickFocus); // Tab passes the date by
    QLineEdit* name = addEdit(tr("Document Name"), "Name", 50);
    setFirstControl(name);
    addEdit(tr("File Name"), "File", 100);
    addMemo(tr("Notes"), "Notes", tr("Notes"));
    // What was read from the file itself, apart from what the user names and notes.
    auto* facts = new QGroupBox(tr("File Information"), this);
    facts->setObjectName(QStringLiteral("grpFileInformation"));
    auto* factRows = new QFormLayout(facts);
    for (const auto& [label, field] : { std::pair { tr("Size:"), "Size" }, std::pair { tr("Date:"), "ModiDate" } }) {
        auto* fact = new QLineEdit(facts);
        fact->setObjectName(QStringLiteral("edt") + QLatin1String(field));
        fact->setMaxLength(20);
        fact->setMaximumWidth(fact->fontMetrics().horizontalAdvance(QStringLiteral("0000000000000000")));
        fact->setReadOnly(!factsEditable);
        if (!factsEditable)
            fact->setFocusPolicy(Qt::ClickFocus);
        factRows->addRow(app::boldLabel(label, facts), fact);
        bind(fact, field);
    }
    addRow(QString(), facts);
    auto* buttons = new QWidget(this);
    auto* row = new QHBoxLayout(buttons);
    row->setContentsMargins(0, 0, 0, 0);
    m_attach = new QPushButton(tr("Attach File"), buttons);
    m_attach->setObjectName(QStringLiteral("btnAttachFile"));
    m_attach->setToolTip(attachHint);
    m_attach->setAutoDefault(false);
    m_grab = new QPushButton(tr("Grab Page From Web"), buttons);
    m_grab->setObjectName(QStringLiteral("btnGrabPage"));
    m_grab->setAutoDefault(false);
    row->addWidget(m_attach);
    row->addWidget(m_grab);
    row->addStretch(1);
    addRow(QString(), buttons);
    connect(m_attach, &QPushButton::clicked, this, &TfrmInsertedDoc::attachFile);
    connect(m_grab, &QPushButton::clicked, this, &TfrmInsertedDoc::grabPage);
    resize(560, 420);
}

void TfrmInsertedDoc::showEvent(QShowEvent* event)
{
    // A file is chosen for a new document only; an existing one keeps its file unless retyped.
    const bool inserting = source() && source()->view().state() == data::ViewState::Insert;
    m_attach->setEnabled(inserting);
    m_grab->setEnabled(inserting);
    TDetailEditor::showEvent(event);
}

void TfrmInsertedDoc::attachFile()
{
    if (!source())
        return;
    const QString file = app::prompts().openFileName(this, tr("Attach File"), QString(), tr("All Files (*)"));
    if (file.isEmpty())
        return;
    source()->guarded(this, [&] { data::attachFile(source()->view(), file.toStdString()); });
}

TfrmInsertedDocFull::TfrmInsertedDocFull(app::TDataSource* source, QWidget* parent)
    : TfrmInsertedDoc(QStringLiteral("TfrmInsertedDocFull"), tr("Inserted Document"), tr("Attach File From Disk"), true,
        source, parent)
{
}

TfrmDelDoc::TfrmDelDoc(QWidget* parent)
    : QDialog(parent)
    , m_linkOnly(new QRadioButton(tr("Delete Document Link Only"), this))
    , m_linkAndFile(new QRadioButton(tr("Delete Document Link And Associated File"), this))
{
    setObjectName(QStringLiteral("TfrmDelDoc"));
    setWindowTitle(tr("Delete "));
    m_linkOnly->setObjectName(QStringLiteral("rbLinkOnly"));
    m_linkAndFile->setObjectName(QStringLiteral("rbLinkAndFile"));
    auto* group = new QGroupBox(tr("Delete Document"), this);
    auto* options = new QVBoxLayout(group);
    options->addWidget(m_linkOnly);
    options->addWidget(m_linkAndFile);
    auto* buttons
        = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    buttons->button(QDialogButtonBox::Help)->setEnabled(false); // no page describes it yet
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    m_linkOnly->setChecked(true);
}

bool TfrmDelDoc::withFile() const
{
    return m_linkAndFile->isChecked();
}

void TfrmDelDoc::showEvent(QShowEvent* event)
{
    m_linkOnly->setChecked(true); // the harmless choice each time
    QDialog::showEvent(event);
}

bool deleteDocumentAsked(QWidget* parent, app::TDataSource* source)
{
    data::TableView& view = source->view();
    if (!view.isOpen() || view.isEmpty())
        return false;
    TfrmDelDoc dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QString title = dialog.windowTitle();
    const QString cannot = QObject::tr("File Can't be Deleted");
    bool withFile = dialog.withFile();
    if (withFile && view.state() != data::ViewState::Insert) {
        if (view.isEditing())
            view.cancel(); // the file stored is the one meant, not one typed and not yet kept
        const std::string refusal
            = data::documentFileRefusal(*view.database(), view.current()->rowId, view.asString("File"));
        if (!refusal.empty()) {
            if (!app::prompts().confirm(parent, title, cannot))
                return false; // Cancel keeps the document
            withFile = false;
        }
    }
    std::string failure;
    if (!source->guarded(parent, [&] { failure = data::deleteDocument(view, withFile); }))
        return false;
    if (!failure.empty())
        app::prompts().inform(parent, title, cannot);
    return true;
}

} // namespace pelmora::records
