#include "data/Value.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sstream>
#include <vector>

namespace pelmora::data {

std::optional<double> parseDecimal(const std::string& text)
{
    // Only plain decimal notation: strtod also reads "nan", "inf" and hexadecimal, none of which
    // is a number a user means or a report can add up.
    if (text.empty() || text.find_first_not_of("0123456789+-.eE") != std::string::npos)
        return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const double number = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(number))
        return std::nullopt;
    return number;
}

std::string valueToString(const Value& value)
{
    if (const auto* i = std::get_if<std::int64_t>(&value))
        return std::to_string(*i);
    if (const auto* d = std::get_if<double>(&value)) {
        std::ostringstream out;
        out.precision(15);
        out << *d;
        return out.str();
    }
    if (const auto* s = std::get_if<std::string>(&value))
        return *s;
    return {};
}

bool isValidDate(int year, int month, int day)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1)
        return false;
    static const int days[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= days[month - 1] + (month == 2 && leap ? 1 : 0);
}

std::string Date::iso() const
{
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
    return text;
}

namespace {

// Splits "12/31/2026" into its runs of digits; anything else but single separators fails.
std::optional<std::vector<std::string>> digitGroups(const std::string& text)
{
    std::vector<std::string> groups(1);
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            groups.back() += c;
        } else if (c == '/' || c == '.' || c == '-' || c == ' ') {
            if (groups.back().empty())
                return std::nullopt;
            groups.emplace_back();
        } else {
            return std::nullopt;
        }
    }
    if (groups.size() != 3 || groups.back().empty())
        return std::nullopt;
    for (const auto& group : groups) {
        if (group.size() > 4)
            return std::nullopt;
    }
    return groups;
}

std::optional<Date> makeDate(int year, int month, int day, size_t yearDigits)
{
    // Years are typed with two digits or four: one or three is a slip of the keyboard ("202"
    // for 2026), not the year 202.
    if (yearDigits != 2 && yearDigits != 4)
        return std::nullopt;
    if (yearDigits == 2)
        year += year < 50 ? 2000 : 1900; // two-digit years as the short date form types them
    if (!isValidDate(year, month, day))
        return std::nullopt;
    return Date { year, month, day };
}

} // namespace

std::optional<Date> Date::fromIso(const std::string& text)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return std::nullopt;
    auto groups = digitGroups(text);
    if (!groups || (*groups)[0].size() != 4 || (*groups)[1].size() != 2 || (*groups)[2].size() != 2)
        return std::nullopt;
    return makeDate(std::stoi((*groups)[0]), std::stoi((*groups)[1]), std::stoi((*groups)[2]), 4);
}

Date Date::today()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    return Date { local.tm_year + 1900, local.tm_mon + 1, local.tm_mday };
}

Date Date::addDays(int days) const
{
    using namespace std::chrono;
    const sys_days base = year_month_day { std::chrono::year(year), std::chrono::month(unsigned(month)),
        std::chrono::day(unsigned(day)) };
    const year_month_day moved { base + std::chrono::days(days) };
    return Date { int(moved.year()), int(unsigned(moved.month())), int(unsigned(moved.day())) };
}

DateFormat::DateFormat(std::string pattern)
    : m_pattern(std::move(pattern))
{
    for (char c : m_pattern) {
        char lower = char(c == 'M' ? 'm' : c);
        if ((lower == 'd' || lower == 'm' || lower == 'y') && m_order.find(lower) == std::string::npos)
            m_order += lower;
    }
    if (m_order.size() != 3)
        m_order = "mdy";
}

std::optional<Date> DateFormat::parse(const std::string& text) const
{
    if (auto iso = Date::fromIso(text))
        return iso;
    auto groups = digitGroups(text);
    if (!groups)
        return std::nullopt;
    int year = 0, month = 0, day = 0;
    size_t yearDigits = 4;
    for (size_t i = 0; i < 3; ++i) {
        const int number = std::stoi((*groups)[i]);
        switch (m_order[i]) {
        case 'd':
            day = number;
            break;
        case 'm':
            month = number;
            break;
        default:
            year = number;
            yearDigits = (*groups)[i].size();
            break;
        }
    }
    return makeDate(year, month, day, yearDigits);
}

std::string DateFormat::format(const Date& date) const
{
    std::string out;
    for (size_t i = 0; i < m_pattern.size();) {
        const char c = m_pattern[i];
        size_t run = 1;
        while (i + run < m_pattern.size() && m_pattern[i + run] == c)
            ++run;
        char part[8];
        if (c == 'd')
            std::snprintf(part, sizeof part, run >= 2 ? "%02d" : "%d", date.day);
        else if (c == 'M')
            std::snprintf(part, sizeof part, run >= 2 ? "%02d" : "%d", date.month);
        else if (c == 'y')
            std::snprintf(part, sizeof part, run >= 3 ? "%04d" : "%02d", run >= 3 ? date.year : date.year % 100);
        else
            std::snprintf(part, sizeof part, "%s", std::string(run, c).c_str());
        out += part;
        i += run;
    }
    return out;
}

} // namespace pelmora::data
