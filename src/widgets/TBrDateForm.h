#pragma once

#include <QDate>
#include <QDialog>

#include <optional>

class QCalendarWidget;
class QLabel;
class QToolButton;

namespace pelmora::app {

// The date picker shared by every date button of the program. Callers set it to today, show it
// modally and read the date when it closes with OK.
class TBrDateForm : public QDialog {
    Q_OBJECT
public:
    explicit TBrDateForm(QWidget* parent = nullptr);

    QDate date() const;
    void setDate(const QDate& date);

    // Opens the picker on today and returns the chosen date, or nothing when cancelled.
    static std::optional<QDate> pick(QWidget* parent);

    // The title over the calendar: full month name, a comma and the four-digit year.
    static QString titleFor(const QDate& date);

public slots:
    void stepBack();
    void stepForward();

private:
    void showMonthOf(const QDate& date);
    void styleCalendar();

    QLabel* m_title;
    QToolButton* m_back;
    QToolButton* m_forward;
    QCalendarWidget* m_calendar;
};

} // namespace pelmora::app
