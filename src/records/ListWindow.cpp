#include "records/ListWindow.h"

#include "data/TableView.h"
#include "widgets/TDataSource.h"

namespace pelmora::records::ListWindow {

bool goToContact(data::TableView& contacts, app::TDataSource* contactSource, std::int64_t counter, QWidget* parent)
{
    if (contactSource && !contactSource->post(parent))
        return false;
    if (!contacts.isOpen())
        return false;
    const std::string order = contacts.indexName();
    bool found = false;
    app::TDataSource guard(contacts);
    guard.guarded(parent, [&] {
        contacts.setIndexName({});
        found = contacts.locate({ "Counter" }, { data::Value(counter) }, {});
    });
    // Back to the user's order; the contact found stays the current one in it.
    const std::int64_t current = contacts.current() ? contacts.current()->rowId : 0;
    guard.guarded(parent, [&] {
        contacts.setIndexName(order);
        if (current)
            contacts.gotoRowId(current);
    });
    return found;
}

} // namespace pelmora::records::ListWindow
