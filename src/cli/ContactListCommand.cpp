// `pelmora contacts list`: the contacts as the Contact List and the URL List narrow them, as JSON.
#include "cli/ContactGroup.h"

#include "cli/DataSession.h"

#include "base/Error.h"
#include "data/ExactCondition.h"
#include "data/TableView.h"

#include <algorithm>
#include <iostream>

namespace pelmora::cli {

namespace {

// The index that orders the contacts by `field` (its first field), as a click on a column title
// of the list chooses it; "Counter" is the order in which they were entered.
std::string indexLedBy(const data::TableView& view, const std::string& field)
{
    std::string known;
    for (const data::IndexInfo& index : view.indexes()) {
        if (data::equalsNoCase(index.firstField, field))
            return index.name;
        known += (known.empty() ? "" : ", ") + index.firstField;
    }
    throw UsageError("The contacts cannot be ordered by \"" + field + "\" (use one of " + known + ")");
}

} // namespace

int contactsList(Context& context, std::vector<std::string> words)
{
    Args args(std::move(words), { "category1", "category2", "category3", "where", "order" }, { "with-url" });
    args.expectEnd();
    DataSession session(context);
    data::TableView& view = session.module().TBLCon;
    view.clearConditions();
    if (args.flag("with-url"))
        view.addCondition("url<>null");
    const char* categories[] = { "CategoryA", "CategoryB", "CategoryC" };
    for (int i = 0; i < 3; ++i) {
        // A category is matched whole, whatever quotes or asterisks its name holds.
        if (auto name = args.option("category" + std::to_string(i + 1)))
            view.addCondition(data::exactCondition(categories[i], *name));
    }
    view.setFilter(args.option("where").value_or(""));
    view.setFiltered(args.option("where").has_value());
    if (auto order = args.option("order"))
        view.setIndexName(indexLedBy(view, *order));
    if (!view.isOpen())
        view.open();
    view.applyConditions();
    std::vector<std::string> fields;
    for (const data::FieldDef& field : view.table().fields)
        fields.push_back(field.name);
    std::rotate(fields.begin(), fields.end() - 1, fields.end()); // the Counter first, as in every list
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (view.first(); !view.isEmpty() && !view.eof(); view.next())
        list.push_back(recordJson(view, fields));
    std::cout << list.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    return 0;
}

} // namespace pelmora::cli
