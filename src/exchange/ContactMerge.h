#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace pelmora::data {
class SqlDatabase;
}

namespace pelmora::exchange {

// Whose value a field of the merged contact takes.
enum class MergeSide { Keep, Other };

// One field of two contacts about to be merged, and the value the merge will leave.
struct MergeField {
    std::string name;
    std::string keepValue, otherValue; // as text, empty for a blank field
    MergeSide side = MergeSide::Keep;
};

struct MergeResult {
    std::int64_t keep = 0, removed = 0;
    std::vector<std::string> taken; // the fields that now hold the other's value
    std::map<std::string, std::int64_t> moved; // table -> rows moved onto the kept contact
    bool noteAdded = false; // the other's values that were not kept went into a note
};

// The detail tables whose rows belong to a contact through their Contact field, in the order
// they are moved. Attachment rows hang off their message and go with it.
const std::vector<std::string>& contactDetailTables();

// The contact fields a merge chooses between (all but Counter), in the table's order.
std::vector<std::string> mergeFieldNames();

// The per-field plan of merging `other` into `keep`: the side given in `choices` (field names
// in any case), else the kept contact's value, or the other's where the kept one is blank.
// Throws when either contact does not exist, they are the same, or a choice names no field.
std::vector<MergeField> planMerge(data::SqlDatabase& sql, std::int64_t keep, std::int64_t other,
    const std::map<std::string, MergeSide>& choices = {});

// Merges `other` into `keep` in one transaction: the fields as planned, every activity, note,
// person, document, link and message of the other moved onto the kept contact, then the other
// deleted. The other's values that the merge does not keep are written into a note on the kept
// contact, so a merge never throws away what the user typed. On any error nothing has changed.
MergeResult mergeContacts(data::SqlDatabase& sql, std::int64_t keep, std::int64_t other,
    const std::map<std::string, MergeSide>& choices = {});

} // namespace pelmora::exchange
