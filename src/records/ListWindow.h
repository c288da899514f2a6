#pragma once

#include <QWidget>

#include <cstdint>
#include <string>

namespace pelmora::data {
class TableView;
}

namespace pelmora::app {
class TDataSource;
}

namespace pelmora::records {

// What the list windows over all contacts' records share: finding the owning contact in the
// main window's contact view, which the main window then shows.
namespace ListWindow {

// Makes the contact whose Counter is `counter` the current one of `contacts`, looked up by its
// primary index as the main window filters it; the view keeps the order it had. The record being
// edited in the main window is stored first (`contactSource` may be null in tests). False when
// the contact is not there (deleted, or hidden by the filter) or could not be reached.
bool goToContact(data::TableView& contacts, app::TDataSource* contactSource, std::int64_t counter, QWidget* parent);

} // namespace ListWindow

} // namespace pelmora::records
