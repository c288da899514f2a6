#include "records/TfrmDateRange1.h"

#include "widgets/DateText.h"
#include "widgets/TBrDateForm.h"
#include "widgets/TCustomEditAndBtn.h"
#include "widgets/Widgets.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace pelmora::records {

namespace {

// The input pattern of a date in the locale's short form: one or two digits for the day and the
// month, two or four for the year, the separators as the form writes them ("M/d/yyyy" takes
// "1/31/2027" and "01/31/27").
QRegularExpression datePattern()
{
    const QString form = app::shortDatePattern();
    QString pattern = QStringLiteral("^");
    for (int i = 0; i < form.size();) {
        const QChar c = form.at(i);
        if (c == QLatin1Char('\'')) {
            // Quoted text is written as it stands ("d.MM.yyyy 'г'."); '' is an apostrophe.
            int end = form.indexOf(QLatin1Char('\''), i + 1);
            if (end < 0)
                end = form.size();
            const QString literal = end == i + 1 ? QStringLiteral("'") : form.mid(i + 1, end - i - 1);
            pattern += QRegularExpression::escape(literal);
            i = end + 1;
            continue;
        }
        int run = 1;
        while (i + run < form.size() && form.at(i + run) == c)
            ++run;
        if (c == QLatin1Char('y'))
            pattern += QStringLiteral("(\\d{2}|\\d{4})");
        else if (c == QLatin1Char('d') || c == QLatin1Char('M'))
            pattern += QStringLiteral("\\d{1,2}");
        else
            pattern += QRegularExpression::escape(QString(run, c));
        i += run;
    }
    return QRegularExpression(pattern + QStringLiteral("$"));
}

} // namespace

TfrmDateRange1::TfrmDateRange1(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TfrmDateRange1"));
    setWindowTitle(tr("Date Range"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    auto* frame = new QGroupBox(this);
    auto* form = new QFormLayout(frame);
    m_from = addDateBox(QStringLiteral("edtFromDate"));
    m_to = addDateBox(QStringLiteral("edtToDate"));
    form->addRow(app::boldLabel(tr("From Date"), this), m_from);
    form->addRow(app::boldLabel(tr("To date"), this), m_to);
    const QString today = app::dateText(QDate::currentDate());
    m_from->setText(today);
    m_to->setText(today);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

comms::TCustomEditAndBtn* TfrmDateRange1::addDateBox(const QString& name)
{
    auto* box = new comms::TCustomEditAndBtn(this);
    box->setObjectName(name);
    box->setButtonShortCut(comms::TCustomEditAndBtn::standardShortCut());
    box->setButtonIcon(app::calendarGlyph());
    box->setButtonHint(tr("Select a Date"));
    box->edit()->setValidator(new QRegularExpressionValidator(datePattern(), box));
    // Room for the longest date of the locale's form and a character more.
    box->edit()->setMinimumWidth(
        box->edit()->fontMetrics().horizontalAdvance(QString(app::dateTextLength() + 1, QLatin1Char('0'))));
    connect(box, &comms::TCustomEditAndBtn::buttonClicked, this, [this, box] {
        if (const std::optional<QDate> picked = app::TBrDateForm::pick(this)) {
            box->setText(app::dateText(*picked));
            box->edit()->selectAll();
        }
    });
    return box;
}

std::optional<std::pair<QString, QString>> TfrmDateRange1::ask()
{
    m_from->edit()->setFocus();
    m_from->edit()->selectAll();
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return std::make_pair(m_from->text(), m_to->text());
}

} // namespace pelmora::records
