#include "exchange/Duplicates.h"

#include "data/SqlDatabase.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace pelmora::exchange {

namespace {

// A bucket larger than this pairs its members with its first member only: a shared switchboard
// number or a role address would otherwise flood the list with every pair among hundreds.
constexpr size_t kFullPairsUpTo = 16;
// Names shorter than this are matched exactly: one letter apart is another person there ("Bo Li", "Jo Li").
constexpr size_t kFuzzyNameFrom = 8;

bool isAsciiAlnum(unsigned char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char lowerAscii(unsigned char c)
{
    return char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
}

// Words of a text: runs of letters and digits; bytes of UTF-8 letters count as letters.
std::vector<std::string> words(std::string_view text)
{
    std::vector<std::string> out;
    std::string word;
    for (unsigned char c : text) {
        if (isAsciiAlnum(c) || c >= 0x80) {
            word += lowerAscii(c);
        } else if (!word.empty()) {
            out.push_back(std::move(word));
            word.clear();
        }
    }
    if (!word.empty())
        out.push_back(std::move(word));
    return out;
}

std::string join(const std::vector<std::string>& parts)
{
    std::string out;
    for (const std::string& part : parts) {
        if (!out.empty())
            out += ' ';
        out += part;
    }
    return out;
}

std::string trim(std::string_view text)
{
    const auto begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string_view::npos)
        return {};
    const auto end = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(begin, end - begin + 1));
}

// The addresses of an e-mail field, lower-cased: it may hold several, separated by commas or
// semicolons, and in the "Name <address>" form.
std::vector<std::string> emailAddresses(std::string_view field)
{
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= field.size()) {
        size_t end = field.find_first_of(",;", start);
        if (end == std::string_view::npos)
            end = field.size();
        std::string part = trim(field.substr(start, end - start));
        const auto open = part.find('<');
        const auto close = part.rfind('>');
        if (open != std::string::npos && close != std::string::npos && close > open)
            part = trim(std::string_view(part).substr(open + 1, close - open - 1));
        if (part.find('@') != std::string::npos && part.find(' ') == std::string::npos) {
            for (char& c : part)
                c = lowerAscii(static_cast<unsigned char>(c));
            out.push_back(std::move(part));
        }
        start = end + 1;
    }
    return out;
}

std::uint64_t pairKey(std::int64_t a, std::int64_t b)
{
    return (std::uint64_t(std::uint32_t(a)) << 32) | std::uint32_t(b);
}

class PairCollector {
public:
    explicit PairCollector(const std::vector<ContactKeys>& contacts)
        : m_contacts(contacts)
    {
    }

    // Adds the pairs of one bucket (indexes into the contact list) with the given reason;
    // `accept`, when given, decides each candidate pair.
    template <class Accept>
    void bucket(
        const std::vector<size_t>& members, DuplicateReason::Kind kind, const std::string& detail, Accept&& accept)
    {
        if (members.size() < 2)
            return;
        const size_t heads = members.size() <= kFullPairsUpTo ? members.size() - 1 : 1;
        for (size_t i = 0; i < heads; ++i) {
            for (size_t j = i + 1; j < members.size(); ++j) {
                if (accept(members[i], members[j]))
                    add(members[i], members[j], kind, detail);
            }
        }
    }

    void add(size_t a, size_t b, DuplicateReason::Kind kind, const std::string& detail)
    {
        std::int64_t first = m_contacts[a].counter, second = m_contacts[b].counter;
        if (first == second)
            return;
        if (first > second)
            std::swap(first, second);
        auto [it, inserted] = m_index.try_emplace(pairKey(first, second), m_pairs.size());
        if (inserted)
            m_pairs.push_back({ first, second, {} });
        auto& reasons = m_pairs[it->second].reasons;
        // One reason of each kind says enough; a second matching phone adds nothing.
        for (const DuplicateReason& reason : reasons) {
            if (reason.kind == kind)
                return;
        }
        reasons.push_back({ kind, detail });
    }

    std::vector<DuplicatePair> take()
    {
        for (DuplicatePair& pair : m_pairs)
            std::sort(pair.reasons.begin(), pair.reasons.end(),
                [](const DuplicateReason& x, const DuplicateReason& y) { return x.kind < y.kind; });
        std::sort(m_pairs.begin(), m_pairs.end(), [](const DuplicatePair& x, const DuplicatePair& y) {
            return x.first != y.first ? x.first < y.first : x.second < y.second;
        });
        return std::move(m_pairs);
    }

private:
    const std::vector<ContactKeys>& m_contacts;
    std::vector<DuplicatePair> m_pairs;
    std::unordered_map<std::uint64_t, size_t> m_index;
};

// Each member once, in first-seen order (a contact with the same address twice is one member).
void addMember(std::vector<size_t>& members, size_t index)
{
    if (members.empty() || members.back() != index)
        members.push_back(index);
}

} // namespace

const char* reasonName(DuplicateReason::Kind kind)
{
    switch (kind) {
    case DuplicateReason::Kind::Email:
        return "email";
    case DuplicateReason::Kind::Phone:
        return "phone";
    case DuplicateReason::Kind::Name:
        break;
    }
    return "name";
}

std::string reasonText(const DuplicateReason& reason)
{
    switch (reason.kind) {
    case DuplicateReason::Kind::Email:
        return "Same e-mail address: " + reason.detail;
    case DuplicateReason::Kind::Phone:
        return "Same phone number: " + reason.detail;
    case DuplicateReason::Kind::Name:
        break;
    }
    return "Similar name at the same company: " + reason.detail;
}

std::string normalisePhone(std::string_view phone)
{
    // The number ends where an extension begins.
    std::string lowered;
    for (unsigned char c : phone)
        lowered += lowerAscii(c);
    size_t end = lowered.size();
    for (const char* mark : { "x", "ext", "#" }) {
        const auto at = lowered.find(mark);
        if (at != std::string::npos && at > 0)
            end = std::min(end, at);
    }
    const std::string_view number = phone.substr(0, end);
    std::string digits;
    bool international = false;
    for (unsigned char c : number) {
        if (c >= '0' && c <= '9')
            digits += char(c);
        else if (c == '+' && digits.empty())
            international = true;
    }
    if (!international && digits.rfind("00", 0) == 0) {
        digits.erase(0, 2);
        international = true;
    }
    if (!international) {
        const auto first = digits.find_first_not_of('0');
        digits.erase(0, first == std::string::npos ? digits.size() : first);
    }
    return digits.size() >= 7 ? digits : std::string();
}

bool samePhone(const std::string& a, const std::string& b)
{
    if (a.empty() || b.empty())
        return false;
    if (a == b)
        return true;
    const std::string& shorter = a.size() < b.size() ? a : b;
    const std::string& longer = a.size() < b.size() ? b : a;
    // A country code is one to three digits.
    return longer.size() - shorter.size() <= 3
        && longer.compare(longer.size() - shorter.size(), shorter.size(), shorter) == 0;
}

std::string normaliseName(std::string_view lastName, std::string_view firstName)
{
    std::vector<std::string> parts = words(lastName);
    for (std::string& word : words(firstName))
        parts.push_back(std::move(word));
    std::sort(parts.begin(), parts.end());
    return join(parts);
}

std::string normaliseCompany(std::string_view company)
{
    static const std::unordered_set<std::string> forms = { "inc", "incorporated", "ltd", "limited", "llc", "llp", "plc",
        "corp", "corporation", "co", "company", "gmbh", "ag", "sa", "sarl", "bv", "nv", "srl", "spa", "the" };
    std::vector<std::string> kept;
    for (std::string& word : words(company)) {
        if (!forms.count(word))
            kept.push_back(std::move(word));
    }
    return join(kept);
}

int editDistance(std::string_view a, std::string_view b, int limit)
{
    const int n = int(a.size()), m = int(b.size());
    if (std::abs(n - m) > limit)
        return limit + 1;
    std::vector<int> before(size_t(m) + 1), previous(size_t(m) + 1), current(size_t(m) + 1);
    for (int j = 0; j <= m; ++j)
        previous[size_t(j)] = j;
    for (int i = 1; i <= n; ++i) {
        current[0] = i;
        int best = current[0];
        for (int j = 1; j <= m; ++j) {
            const int cost = a[size_t(i - 1)] == b[size_t(j - 1)] ? 0 : 1;
            int value
                = std::min({ previous[size_t(j)] + 1, current[size_t(j - 1)] + 1, previous[size_t(j - 1)] + cost });
            if (i > 1 && j > 1 && a[size_t(i - 1)] == b[size_t(j - 2)] && a[size_t(i - 2)] == b[size_t(j - 1)])
                value = std::min(value, before[size_t(j - 2)] + 1);
            current[size_t(j)] = value;
            best = std::min(best, value);
        }
        if (best > limit)
            return limit + 1;
        std::swap(before, previous);
        std::swap(previous, current);
    }
    return std::min(previous[size_t(m)], limit + 1);
}

std::vector<DuplicatePair> findDuplicates(const std::vector<ContactKeys>& contacts)
{
    PairCollector pairs(contacts);
    auto always = [](size_t, size_t) { return true; };

    // Same address, ignoring case.
    {
        std::unordered_map<std::string, std::vector<size_t>> buckets;
        for (size_t i = 0; i < contacts.size(); ++i) {
            for (const std::string& address : emailAddresses(contacts[i].email))
                addMember(buckets[address], i);
        }
        for (const auto& [address, members] : buckets)
            pairs.bucket(members, DuplicateReason::Kind::Email, address, always);
    }

    // Same phone number: bucketed by the last seven digits, which every spelling of one number
    // shares, then compared in full.
    {
        std::vector<std::vector<std::string>> numbers(contacts.size());
        std::unordered_map<std::string, std::vector<size_t>> buckets;
        for (size_t i = 0; i < contacts.size(); ++i) {
            for (const std::string& phone : contacts[i].phones) {
                std::string digits = normalisePhone(phone);
                if (digits.empty())
                    continue;
                addMember(buckets[digits.substr(digits.size() - 7)], i);
                numbers[i].push_back(std::move(digits));
            }
        }
        for (const auto& [tail, members] : buckets) {
            // The evidence is the number as the first of them has it, not just its last digits.
            std::string shown = tail;
            for (const std::string& digits : numbers[members.front()]) {
                if (digits.size() >= tail.size() && digits.compare(digits.size() - tail.size(), tail.size(), tail) == 0)
                    shown = digits;
            }
            pairs.bucket(members, DuplicateReason::Kind::Phone, shown, [&](size_t a, size_t b) {
                for (const std::string& x : numbers[a]) {
                    for (const std::string& y : numbers[b]) {
                        if (samePhone(x, y))
                            return true;
                    }
                }
                return false;
            });
        }
    }

    // Similar names at the same company. Two names one edit apart share a variant with one
    // character deleted (or one is the other's variant), so keying by (company, variant) finds
    // every such pair without comparing all names with all others. The keys are hashes, sorted
    // into runs instead of hashed into buckets of their own: a million short vectors cost more
    // than the work itself. A hash collision only proposes a pair; the check decides.
    {
        std::vector<std::string> names(contacts.size()), companies(contacts.size());
        std::vector<std::pair<std::uint64_t, std::uint32_t>> keys;
        keys.reserve(contacts.size() * 4);
        const std::hash<std::string_view> hash;
        std::string variant;
        for (size_t i = 0; i < contacts.size(); ++i) {
            names[i] = normaliseName(contacts[i].lastName, contacts[i].firstName);
            const std::string& name = names[i];
            if (name.empty())
                continue;
            companies[i] = normaliseCompany(contacts[i].company);
            const std::uint64_t company = hash(companies[i]) * 0x9E3779B97F4A7C15ull;
            // Exact names and variants live apart, so "ann lee" never meets a variant of "anne lee"
            // where only exact names are meant.
            auto key = [&](std::string_view text, std::uint64_t space) { return company ^ (hash(text) + space); };
            const auto index = std::uint32_t(i);
            // Without a company, or for a short name, only the very same name says anything.
            if (companies[i].empty() || name.size() + 1 < kFuzzyNameFrom) {
                keys.emplace_back(key(name, 1), index);
                continue;
            }
            keys.emplace_back(key(name, 2), index);
            if (name.size() < kFuzzyNameFrom)
                continue;
            for (size_t k = 0; k < name.size(); ++k) {
                variant.assign(name, 0, k).append(name, k + 1, std::string::npos);
                keys.emplace_back(key(variant, 2), index);
            }
        }
        std::sort(keys.begin(), keys.end());
        keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
        std::vector<size_t> members;
        for (size_t start = 0; start < keys.size();) {
            size_t end = start + 1;
            while (end < keys.size() && keys[end].first == keys[start].first)
                ++end;
            if (end - start >= 2) {
                members.clear();
                for (size_t k = start; k < end; ++k)
                    members.push_back(keys[k].second);
                const ContactKeys& front = contacts[members.front()];
                const std::string detail = trim(front.firstName + " " + front.lastName)
                    + (companies[members.front()].empty() ? std::string() : ", " + trim(front.company));
                pairs.bucket(members, DuplicateReason::Kind::Name, detail, [&](size_t a, size_t b) {
                    const std::string& x = names[a];
                    const std::string& y = names[b];
                    return companies[a] == companies[b]
                        && (x == y
                            || (std::min(x.size(), y.size()) + 1 >= kFuzzyNameFrom && editDistance(x, y, 1) <= 1));
                });
            }
            start = end;
        }
    }
    return pairs.take();
}

std::vector<ContactKeys> readContactKeys(data::SqlDatabase& sql)
{
    std::vector<ContactKeys> keys;
    data::Statement& st = sql.prepare("SELECT \"Counter\", \"LName\", \"FName\", \"Company\", \"EMail\", \"Phone1\", "
                                      "\"Phone2\", \"Cellular\", \"Fax\" FROM \"Contacts\" ORDER BY \"Counter\"");
    auto text = [&](int column) {
        const data::Value v = st.column(column);
        return data::isNull(v) ? std::string() : data::valueToString(v);
    };
    while (st.step()) {
        ContactKeys k;
        k.counter = st.columnInt(0);
        k.lastName = text(1);
        k.firstName = text(2);
        k.company = text(3);
        k.email = text(4);
        for (int c = 5; c <= 8; ++c) {
            std::string phone = text(c);
            if (!phone.empty())
                k.phones.push_back(std::move(phone));
        }
        keys.push_back(std::move(k));
    }
    st.reset();
    return keys;
}

} // namespace pelmora::exchange
