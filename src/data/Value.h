#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace pelmora::data {

// One field value as SQLite stores it. Logicals are integers 0/1, dates ISO text "YYYY-MM-DD".
using Value = std::variant<std::monostate, std::int64_t, double, std::string>;

inline bool isNull(const Value& value)
{
    return std::holds_alternative<std::monostate>(value);
}

// A number typed in plain decimal notation ("12", "-3.5", "1e3"); nullopt for anything else,
// "nan", "inf" and hexadecimal included.
std::optional<double> parseDecimal(const std::string& text);

// Text of a value as a user would read it; null is the empty string.
std::string valueToString(const Value& value);

// A calendar date without time.
struct Date {
    int year = 0;
    int month = 0;
    int day = 0;

    std::string iso() const;
    static std::optional<Date> fromIso(const std::string& text);
    static Date today();
    Date addDays(int days) const;
    bool operator==(const Date&) const = default;
};

bool isValidDate(int year, int month, int day);

// The short date form dates are typed in ("M/d/yyyy", "dd.MM.yyyy", "yyyy-MM-dd"...): only the
// order of day, month and year matters when reading, the separators and widths when writing.
class DateFormat {
public:
    explicit DateFormat(std::string pattern = "M/d/yyyy");

    const std::string& pattern() const { return m_pattern; }
    // Reads a date typed in this form or in ISO form; nullopt when it is neither.
    std::optional<Date> parse(const std::string& text) const;
    std::string format(const Date& date) const;

private:
    std::string m_pattern;
    std::string m_order; // "mdy", "dmy" or "ymd"
};

} // namespace pelmora::data
