#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <filesystem>

class QWidget;

namespace pelmora::data {
class TableView;
class TfrmDataModule;
} // namespace pelmora::data

namespace pelmora::email {

// The choices of the Sent/Received selector: "All", "Sent", "Received".
QStringList directionChoices();
// Lists the sent (Status 1), the received (Status 0) or all rows of `messages`; any other text
// leaves the view as it is. Reopens the view, so the current row may change.
void applyDirection(data::TableView& messages, const QString& choice);

// Writes message `counter` as text straight to `fileName`, asking for the name (and whether
// to replace an existing file) when it is empty. False when cancelled or failed (shown).
bool saveMessageAs(QWidget* parent, data::TfrmDataModule& data, std::int64_t counter, QString fileName = {});

// Writes message `counter` as text to `workFile` and hands that file to `command` (a program
// name, run without a shell). A command that cannot be started or ends with an error is
// reported; true only when it accepted the file.
bool printMessage(QWidget* parent, data::TfrmDataModule& data, std::int64_t counter,
    const std::filesystem::path& workFile, const QString& command);

} // namespace pelmora::email
