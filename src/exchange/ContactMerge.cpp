#include "exchange/ContactMerge.h"

#include "data/DataError.h"
#include "data/Schema.h"
#include "data/SqlDatabase.h"
#include "data/Value.h"

#include <algorithm>

namespace pelmora::exchange {

namespace {

using data::Value;

bool isBlank(const Value& value)
{
    if (data::isNull(value))
        return true;
    const auto* text = std::get_if<std::string>(&value);
    return text && text->find_first_not_of(" \t\r\n") == std::string::npos;
}

std::string quoted(const std::string& name)
{
    return "\"" + name + "\"";
}

// The merge fields of one contact, in mergeFieldNames() order; throws when there is no such contact.
std::vector<Value> readContact(data::SqlDatabase& sql, const std::vector<std::string>& fields, std::int64_t counter)
{
    std::string select;
    for (const std::string& field : fields)
        select += (select.empty() ? "" : ", ") + quoted(field);
    data::Statement& st = sql.prepare("SELECT " + select + " FROM \"Contacts\" WHERE \"Counter\" = ?");
    st.bind(1, counter);
    if (!st.step()) {
        st.reset();
        throw data::EDatabaseError("There is no contact " + std::to_string(counter));
    }
    std::vector<Value> values;
    for (int i = 0; i < int(fields.size()); ++i)
        values.push_back(st.column(i));
    st.reset();
    return values;
}

struct Plan {
    std::vector<std::string> fields;
    std::vector<Value> keep, other;
    std::vector<MergeSide> sides;
};

Plan makePlan(
    data::SqlDatabase& sql, std::int64_t keep, std::int64_t other, const std::map<std::string, MergeSide>& choices)
{
    if (keep == other)
        throw data::EDatabaseError("A contact cannot be merged with itself");
    Plan plan;
    plan.fields = mergeFieldNames();
    const data::TableDef& contacts = data::tableDef("Contacts");
    std::map<std::string, MergeSide> chosen;
    for (const auto& [name, side] : choices) {
        const data::FieldDef* field = contacts.field(name);
        if (!field || field->name == "Counter")
            throw data::EDatabaseError("Contacts has no field \"" + name + "\" to merge");
        chosen[field->name] = side;
    }
    plan.keep = readContact(sql, plan.fields, keep);
    plan.other = readContact(sql, plan.fields, other);
    for (size_t i = 0; i < plan.fields.size(); ++i) {
        const auto it = chosen.find(plan.fields[i]);
        if (it != chosen.end())
            plan.sides.push_back(it->second);
        else
            plan.sides.push_back(isBlank(plan.keep[i]) && !isBlank(plan.other[i]) ? MergeSide::Other : MergeSide::Keep);
    }
    return plan;
}

std::string displayName(const Plan& plan, const std::vector<Value>& values)
{
    auto text = [&](const char* name) {
        const auto at = std::find(plan.fields.begin(), plan.fields.end(), name) - plan.fields.begin();
        return data::valueToString(values[size_t(at)]);
    };
    std::string name = text("LName");
    const std::string first = text("FName");
    if (!first.empty())
        name += (name.empty() ? "" : ", ") + first;
    const std::string company = text("Company");
    if (!company.empty())
        name += (name.empty() ? "" : " - ") + company;
    return name;
}

} // namespace

const std::vector<std::string>& contactDetailTables()
{
    static const std::vector<std::string> tables = { "Activity", "notes", "People", "documents", "Links", "EMAIL" };
    return tables;
}

std::vector<std::string> mergeFieldNames()
{
    std::vector<std::string> names;
    for (const data::FieldDef& field : data::tableDef("Contacts").fields) {
        if (field.name != "Counter")
            names.push_back(field.name);
    }
    return names;
}

std::vector<MergeField> planMerge(
    data::SqlDatabase& sql, std::int64_t keep, std::int64_t other, const std::map<std::string, MergeSide>& choices)
{
    const Plan plan = makePlan(sql, keep, other, choices);
    std::vector<MergeField> fields;
    for (size_t i = 0; i < plan.fields.size(); ++i) {
        fields.push_back(
            { plan.fields[i], data::valueToString(plan.keep[i]), data::valueToString(plan.other[i]), plan.sides[i] });
    }
    return fields;
}

MergeResult mergeContacts(
    data::SqlDatabase& sql, std::int64_t keep, std::int64_t other, const std::map<std::string, MergeSide>& choices)
{
    data::Transaction transaction(sql);
    const Plan plan = makePlan(sql, keep, other, choices);
    MergeResult result;
    result.keep = keep;
    result.removed = other;

    std::string assignments;
    std::vector<Value> values;
    std::string leftOver; // the other's values the merged contact does not hold
    for (size_t i = 0; i < plan.fields.size(); ++i) {
        const Value& chosen = plan.sides[i] == MergeSide::Other ? plan.other[i] : plan.keep[i];
        if (plan.sides[i] == MergeSide::Other) {
            result.taken.push_back(plan.fields[i]);
            assignments += (assignments.empty() ? "" : ", ") + quoted(plan.fields[i]) + " = ?";
            values.push_back(chosen);
        }
        if (!isBlank(plan.other[i]) && data::valueToString(plan.other[i]) != data::valueToString(chosen))
            leftOver += plan.fields[i] + ": " + data::valueToString(plan.other[i]) + "\n";
    }
    if (!assignments.empty()) {
        sql.prepare("UPDATE \"Contacts\" SET " + assignments + " WHERE \"Counter\" = ?")
            .bindAll(values)
            .bind(int(values.size()) + 1, keep)
            .run();
    }

    // The details move before the other contact goes, so nothing that hangs off it is lost.
    for (const std::string& table : contactDetailTables()) {
        sql.prepare("UPDATE " + quoted(table) + " SET \"Contact\" = ? WHERE \"Contact\" = ?")
            .bind(1, keep)
            .bind(2, other)
            .run();
        result.moved[table] = sql.changes();
    }
    if (!leftOver.empty()) {
        sql.prepare("INSERT INTO \"notes\" (\"Subject\", \"DateCreated\", \"Memo\", \"Contact\") VALUES (?, ?, ?, ?)")
            .bindAll({ "Merged from " + displayName(plan, plan.other), data::Date::today().iso(), leftOver, keep })
            .run();
        result.noteAdded = true;
    }
    sql.prepare("DELETE FROM \"Contacts\" WHERE \"Counter\" = ?").bind(1, other).run();
    if (sql.changes() != 1)
        throw data::EDatabaseError("The contact " + std::to_string(other) + " could not be deleted");
    transaction.commit();
    return result;
}

} // namespace pelmora::exchange
