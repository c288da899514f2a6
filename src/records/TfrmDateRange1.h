#pragma once

#include <QDialog>

#include <optional>
#include <utility>

namespace pelmora::comms {
class TCustomEditAndBtn;
}

namespace pelmora::records {

// "Date Range": two dates typed or picked, for the activity filters. The texts are handed on as
// typed; the table engine reads them when it builds the filter and reports what it cannot read.
// The window is made once and reused, so it offers the range chosen last.
class TfrmDateRange1 : public QDialog {
    Q_OBJECT
public:
    explicit TfrmDateRange1(QWidget* parent = nullptr);

    comms::TCustomEditAndBtn* fromDate() const { return m_from; }
    comms::TCustomEditAndBtn* toDate() const { return m_to; }

    // Shows the dialog modally; the "From Date" and "To date" texts on OK, nothing on Cancel.
    std::optional<std::pair<QString, QString>> ask();

private:
    comms::TCustomEditAndBtn* addDateBox(const QString& name);

    comms::TCustomEditAndBtn* m_from;
    comms::TCustomEditAndBtn* m_to;
};

} // namespace pelmora::records
