#include "app/MainPage.h"

#include "comms/TEditAndDial.h"
#include "widgets/DateText.h"
#include "widgets/Widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QStyle>
#include <QToolButton>

namespace pelmora::app {

namespace {

QToolButton* navigationButton(QWidget* parent, const QString& name, QStyle::StandardPixmap glyph, const QString& hint)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setIcon(parent->style()->standardIcon(glyph));
    button->setToolTip(hint);
    button->setAutoRaise(true);
    return button;
}

} // namespace

MainPage::MainPage(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("tabMain"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildNavigationBar());
    layout->addWidget(buildContactFields());
    layout->addWidget(buildCommentsAndSite(), 1);
}

QWidget* MainPage::buildNavigationBar()
{
    auto* bar = new QWidget(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(navigationButton(bar, QStringLiteral("btnFirst"), QStyle::SP_MediaSkipBackward, tr("First")));
    row->addWidget(navigationButton(bar, QStringLiteral("btnPrior"), QStyle::SP_MediaSeekBackward, tr("Previous")));
    row->addWidget(navigationButton(bar, QStringLiteral("btnNext"), QStyle::SP_MediaSeekForward, tr("Next")));
    row->addWidget(navigationButton(bar, QStringLiteral("btnLast"), QStyle::SP_MediaSkipForward, tr("Last")));
    row->addSpacing(12);
    row->addWidget(navigationButton(bar, QStringLiteral("btnAddRecord"), QStyle::SP_FileIcon, tr("Add Record")));
    row->addWidget(navigationButton(bar, QStringLiteral("btnDeleteRecord"), QStyle::SP_TrashIcon, tr("Delete Record")));
    row->addWidget(
        navigationButton(bar, QStringLiteral("btnSaveRecord"), QStyle::SP_DialogSaveButton, tr("Save Record")));
    row->addSpacing(24);
    row->addWidget(boldLabel(tr("Database:"), bar));
    m_dataName = new QLabel(bar);
    m_dataName->setObjectName(QStringLiteral("lblDataName"));
    m_dataName->setTextFormat(Qt::PlainText); // a name is shown as typed, never as markup
    row->addWidget(m_dataName);
    row->addStretch(1);
    return bar;
}

QLineEdit* MainPage::addEdit(
    QGridLayout* grid, int row, int column, const QString& label, const QString& name, int size)
{
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    edit->setMaxLength(size);
    grid->addWidget(boldLabel(label, this), row, column);
    grid->addWidget(edit, row, column + 1, 1, 2);
    return edit;
}

comms::TCustomEditAndBtn* MainPage::addEditWithButton(
    QGridLayout* grid, int row, int column, const QString& label, const QString& name, int size)
{
    auto* edit = new comms::TCustomEditAndBtn(this);
    edit->setObjectName(name);
    edit->setButtonShortCut(comms::TCustomEditAndBtn::standardShortCut());
    edit->setMaxLength(size);
    grid->addWidget(boldLabel(label, this), row, column);
    grid->addWidget(edit, row, column + 1, 1, 2);
    return edit;
}

comms::TCustomEditAndBtn* MainPage::addDateBox(
    QGridLayout* grid, int row, int column, const QString& label, const QString& name)
{
    auto* box = addEditWithButton(grid, row, column, label, name, dateTextLength());
    box->setButtonIcon(calendarGlyph());
    box->setButtonHint(tr("Select a Date"));
    return box;
}

QComboBox* MainPage::addList(
    QGridLayout* grid, int row, int column, const QString& label, const QString& name, const QString& editHint)
{
    auto* list = new QComboBox(this);
    list->setObjectName(name);
    list->setEditable(true);
    list->lineEdit()->setMaxLength(40);
    auto* edit = new QToolButton(this);
    edit->setObjectName(QStringLiteral("btnEdit") + name.mid(3));
    edit->setText(QStringLiteral("…"));
    edit->setToolTip(editHint + tr(" (F2)"));
    // Out of the Tab chain: a fast typist's Space on it would open the list and type the next
    // field's text over its entries. F2 in the box opens it from the keyboard.
    edit->setFocusPolicy(Qt::NoFocus);
    auto* key = new QShortcut(QKeySequence(Qt::Key_F2), list, edit, &QToolButton::click);
    key->setContext(Qt::WidgetWithChildrenShortcut);
    grid->addWidget(boldLabel(label, this), row, column);
    grid->addWidget(list, row, column + 1);
    grid->addWidget(edit, row, column + 2);
    return list;
}

QWidget* MainPage::buildContactFields()
{
    auto* fields = new QWidget(this);
    auto* grid = new QGridLayout(fields);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(5, 1);
    grid->setColumnMinimumWidth(3, 16);

    grid->addWidget(boldLabel(tr("Name: F/L"), fields), 0, 0);
    auto* names = new QHBoxLayout;
    m_fName = new QLineEdit(fields);
    m_fName->setObjectName(QStringLiteral("edtFName"));
    m_fName->setMaxLength(20);
    auto* lName = new QLineEdit(fields);
    lName->setObjectName(QStringLiteral("edtLName"));
    lName->setMaxLength(20);
    names->addWidget(m_fName);
    names->addWidget(lName);
    grid->addLayout(names, 0, 1, 1, 2);
    addEdit(grid, 1, 0, tr("Company"), QStringLiteral("edtCompany"), 45);
    auto* email = addEditWithButton(grid, 2, 0, tr("E-mail"), QStringLiteral("edtEMail"), 60);
    email->setButtonIcon(style()->standardIcon(QStyle::SP_ArrowForward));
    email->setButtonHint(tr("Send E-mail"));
    addList(grid, 3, 0, tr("Job Title"), QStringLiteral("cmbJobTitle"), tr("Edit Job Title List"));
    addList(grid, 4, 0, tr("Depart."), QStringLiteral("cmbDepartment"), tr("Edit Department List"));
    const QString phones[][2] = { { tr("Phone 1"), QStringLiteral("edtPhone1") },
        { tr("Phone 2"), QStringLiteral("edtPhone2") }, { tr("Cellular"), QStringLiteral("edtCellular") } };
    for (int i = 0; i < 3; ++i) {
        auto* phone = addEditWithButton(grid, 5 + i, 0, phones[i][0], phones[i][1], 20);
        phone->setButtonIcon(comms::TEditAndDial::standardGlyph());
        phone->setButtonHint(tr("Dial Phone"));
    }
    auto* fax = addEditWithButton(grid, 8, 0, tr("Fax"), QStringLiteral("edtFax"), 20);
    fax->setButtonIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    fax->setButtonHint(tr("Send Fax"));

    addEdit(grid, 0, 4, tr("Address 1"), QStringLiteral("edtAddress1"), 40);
    addEdit(grid, 1, 4, tr("Address 2"), QStringLiteral("edtAddress2"), 40);
    grid->addWidget(boldLabel(tr("City"), fields), 2, 4);
    auto* city = new QComboBox(fields);
    city->setObjectName(QStringLiteral("cmbCity"));
    city->setEditable(true);
    city->lineEdit()->setMaxLength(20);
    grid->addWidget(city, 2, 5, 1, 2);
    addEdit(grid, 3, 4, tr("State"), QStringLiteral("edtState"), 20);
    addEdit(grid, 4, 4, tr("Zip"), QStringLiteral("edtZip"), 13);
    addEdit(grid, 5, 4, tr("Country"), QStringLiteral("edtCountry"), 20);
    addList(grid, 6, 4, tr("Category 1"), QStringLiteral("cmbCategoryA"), tr("Edit Category List"));
    addList(grid, 7, 4, tr("Category 2"), QStringLiteral("cmbCategoryB"), tr("Edit Category List"));
    addList(grid, 8, 4, tr("Category 3"), QStringLiteral("cmbCategoryC"), tr("Edit Category List"));

    auto* dates = new QHBoxLayout;
    auto* mark = new QCheckBox(tr("Mark"), fields);
    mark->setObjectName(QStringLiteral("chkMark"));
    dates->addWidget(mark);
    dates->addStretch(1);
    auto* datesGrid = new QGridLayout;
    addDateBox(datesGrid, 0, 0, tr("Created"), QStringLiteral("edtCreated"));
    addDateBox(datesGrid, 0, 3, tr("Last Contacted"), QStringLiteral("edtLastContact"));
    dates->addLayout(datesGrid);
    grid->addLayout(dates, 9, 0, 1, 7);
    return fields;
}

QWidget* MainPage::buildCommentsAndSite()
{
    auto* area = new QWidget(this);
    auto* row = new QHBoxLayout(area);
    row->setContentsMargins(0, 0, 0, 0);
    auto* comments = new QGroupBox(tr("Comments"), area);
    auto* commentsLayout = new QVBoxLayout(comments);
    auto* memo = new QPlainTextEdit(comments);
    memo->setObjectName(QStringLiteral("memComments"));
    memo->setTabChangesFocus(true); // Tab goes on to the next field, as in every other box
    memo->setToolTip(tr("Double-click to edit in a larger box"));
    commentsLayout->addWidget(memo);
    row->addWidget(comments, 1);

    auto* site = new QGroupBox(tr(" Web Site"), area);
    auto* grid = new QGridLayout(site);
    auto* url = addEditWithButton(grid, 0, 0, tr("URL"), QStringLiteral("edtURL"), 80);
    url->setButtonIcon(style()->standardIcon(QStyle::SP_ComputerIcon));
    url->setButtonHint(tr("Go To Web Page"));
    addEdit(grid, 1, 0, tr("Site Title"), QStringLiteral("edtSiteTitle"), 80);
    grid->addWidget(boldLabel(tr("Description"), site), 2, 0, Qt::AlignTop);
    auto* description = new QPlainTextEdit(site);
    description->setObjectName(QStringLiteral("memSiteDesc"));
    description->setTabChangesFocus(true);
    description->setToolTip(tr("Double-click to edit in a larger box"));
    grid->addWidget(description, 2, 1, 1, 2);
    grid->setRowStretch(2, 1);
    addDateBox(grid, 3, 0, tr("Last Visited"), QStringLiteral("edtLastVisited"));
    row->addWidget(site, 1);
    return area;
}

void MainPage::setDatabaseName(const QString& name)
{
    m_dataName->setText(name);
}

} // namespace pelmora::app
