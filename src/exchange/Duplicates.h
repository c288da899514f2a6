#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora::data {
class SqlDatabase;
}

namespace pelmora::exchange {

// What duplicate detection looks at of one contact.
struct ContactKeys {
    std::int64_t counter = 0;
    std::string lastName, firstName, company, email;
    std::vector<std::string> phones; // Phone1, Phone2, Cellular, Fax as typed
};

struct DuplicateReason {
    enum class Kind { Email, Phone, Name };
    Kind kind = Kind::Email;
    std::string detail; // the address, the number's digits or the normalised name
};

// Two contacts that are probably one person; `first` < `second`.
struct DuplicatePair {
    std::int64_t first = 0, second = 0;
    std::vector<DuplicateReason> reasons;
};

const char* reasonName(DuplicateReason::Kind kind); // "email", "phone", "name"
std::string reasonText(const DuplicateReason& reason); // a line for the windows

// The digits of a phone number in a form two spellings of one number share: "+1 (212) 555-1234"
// and "212.555.1234" become "12125551234" and "2125551234". An international prefix (+ or 00)
// is dropped, and so is a national trunk 0 when no international prefix was given. Extensions
// ("x12", "ext. 12") are not part of the number. Empty for fewer than 7 digits: short numbers
// (extensions, service numbers) are shared by too many to say anything.
std::string normalisePhone(std::string_view phone);
// True when two normalised numbers are the same number, one perhaps with a country code the
// other leaves out.
bool samePhone(const std::string& a, const std::string& b);
// Lower-case words of a name or company, punctuation removed, sorted, joined by one space, so
// "Smith, John" and "john smith" agree.
std::string normaliseName(std::string_view lastName, std::string_view firstName);
// A company without case, punctuation or legal-form words ("Acme, Inc." = "ACME").
std::string normaliseCompany(std::string_view company);
// Damerau-Levenshtein distance, stopping early once it exceeds `limit` (returns limit + 1).
int editDistance(std::string_view a, std::string_view b, int limit);

// Pairs of contacts with the same e-mail address (ignoring case), the same phone number, or a
// similar name at the same company, ordered by first then second. Hashing into buckets keeps the
// work near linear; a bucket shared by many contacts (a switchboard number) pairs each with the
// first of them only, so the list stays one a user can work through.
std::vector<DuplicatePair> findDuplicates(const std::vector<ContactKeys>& contacts);

// The keys of every contact of a database.
std::vector<ContactKeys> readContactKeys(data::SqlDatabase& sql);

} // namespace pelmora::exchange
