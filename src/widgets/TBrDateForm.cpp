#include "widgets/TBrDateForm.h"

#include <QCalendarWidget>
#include <QDialogButtonBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QTableView>
#include <QTextCharFormat>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

namespace pelmora::app {

TBrDateForm::TBrDateForm(QWidget* parent)
    : QDialog(parent)
    , m_title(new QLabel(this))
    , m_back(new QToolButton(this))
    , m_forward(new QToolButton(this))
    , m_calendar(new QCalendarWidget(this))
{
    setObjectName(QStringLiteral("TBrDateForm"));
    setWindowTitle(tr("Select a Date"));
    m_title->setObjectName(QStringLiteral("lblMonth"));
    m_title->setAlignment(Qt::AlignCenter);
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    m_back->setObjectName(QStringLiteral("btnPrevMonth"));
    m_back->setArrowType(Qt::LeftArrow);
    m_back->setToolTip(tr("Previous month"));
    m_back->setShortcut(QKeySequence(Qt::Key_PageUp));
    m_forward->setObjectName(QStringLiteral("btnNextMonth"));
    m_forward->setArrowType(Qt::RightArrow);
    m_forward->setToolTip(tr("Next month"));
    m_forward->setShortcut(QKeySequence(Qt::Key_PageDown));
    m_calendar->setObjectName(QStringLiteral("Calendar"));
    styleCalendar();

    auto* heading = new QHBoxLayout;
    heading->addWidget(m_back);
    heading->addWidget(m_title, 1);
    heading->addWidget(m_forward);
    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::StyledPanel);
    auto* framed = new QVBoxLayout(frame);
    framed->addLayout(heading);
    framed->addWidget(m_calendar);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize); // a dialog, not a resizable window

    connect(m_back, &QToolButton::clicked, this, &TBrDateForm::stepBack);
    connect(m_forward, &QToolButton::clicked, this, &TBrDateForm::stepForward);
    connect(m_calendar, &QCalendarWidget::selectionChanged, this, [this] { showMonthOf(date()); });
    connect(m_calendar, &QCalendarWidget::currentPageChanged, this,
        [this](int year, int month) { m_title->setText(titleFor(QDate(year, month, 1))); });
    connect(m_calendar, &QCalendarWidget::activated, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    setDate(QDate::currentDate());
}

void TBrDateForm::styleCalendar()
{
    m_calendar->setNavigationBarVisible(false); // the arrows and title above replace it
    m_calendar->setFirstDayOfWeek(Qt::Sunday);
    m_calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    m_calendar->setGridVisible(true);
    QFont bold = m_calendar->font();
    bold.setBold(true);
    m_calendar->setFont(bold);
    if (auto* view = m_calendar->findChild<QTableView*>()) {
        QPalette palette = view->palette();
        palette.setColor(QPalette::Base, QToolTip::palette().color(QPalette::ToolTipBase));
        palette.setColor(QPalette::AlternateBase, QToolTip::palette().color(QPalette::ToolTipBase));
        view->setPalette(palette);
    }
}

QString TBrDateForm::titleFor(const QDate& date)
{
    return QLocale().toString(date, QStringLiteral("MMMM, yyyy"));
}

QDate TBrDateForm::date() const
{
    return m_calendar->selectedDate();
}

void TBrDateForm::setDate(const QDate& date)
{
    m_calendar->setSelectedDate(date);
    showMonthOf(date);
}

void TBrDateForm::showMonthOf(const QDate& date)
{
    m_calendar->setCurrentPage(date.year(), date.month());
    m_title->setText(titleFor(date));
}

// QDate::addMonths keeps the day of the month, or takes the month's last day when it is shorter.
void TBrDateForm::stepBack()
{
    setDate(date().addMonths(-1));
}

void TBrDateForm::stepForward()
{
    setDate(date().addMonths(1));
}

std::optional<QDate> TBrDateForm::pick(QWidget* parent)
{
    TBrDateForm form(parent);
    form.setDate(QDate::currentDate()); // always today, never the field's value
    if (form.exec() != QDialog::Accepted)
        return std::nullopt;
    return form.date();
}

} // namespace pelmora::app
