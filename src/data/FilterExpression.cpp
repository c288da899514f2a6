#include "data/FilterExpression.h"

#include "data/DataError.h"
#include "data/ExactCondition.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <optional>

namespace pelmora::data {

namespace {

enum class Tok { End, Name, Number, Text, Op, Open, Close };

struct Token {
    Tok kind = Tok::End;
    std::string text;
    size_t position = 0; // 1-based, for messages
};

// Parentheses deeper than this are refused rather than risking the stack.
constexpr int kMaxDepth = 64;

const IndexDef* leadingIndex(const TableDef& table, const FieldDef& field)
{
    for (const IndexDef& index : table.indexes) {
        if (!index.fields.empty() && equalsNoCase(index.fields.front(), field.name))
            return &index;
    }
    return nullptr;
}

// The least text above every text that starts with `prefix` in the index's order; none when the
// prefix is all 0xFF bytes. NOCASE compares ASCII letters folded to lower case, so the bound is
// built from the folded prefix (the byte after a folded one folds to itself or higher).
std::optional<std::string> prefixEnd(std::string prefix, bool noCase)
{
    if (noCase) {
        for (char& c : prefix)
            c = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
    }
    while (!prefix.empty() && static_cast<unsigned char>(prefix.back()) == 0xFF)
        prefix.pop_back();
    if (prefix.empty())
        return std::nullopt;
    prefix.back() = char(static_cast<unsigned char>(prefix.back()) + 1);
    return prefix;
}

class Parser {
public:
    Parser(const std::string& expression, const TableDef& table, const DateFormat& dates, bool seekIndexes)
        : m_text(expression)
        , m_table(table)
        , m_dates(dates)
        , m_seekIndexes(seekIndexes)
    {
        advance();
    }

    SqlCondition parse()
    {
        if (m_token.kind == Tok::End)
            return {};
        SqlCondition result = orExpression(0);
        if (m_token.kind != Tok::End)
            fail("unexpected \"" + m_token.text + "\"");
        return result;
    }

private:
    [[noreturn]] void fail(const std::string& what, size_t position = 0) const
    {
        throw EDatabaseError("Error in filter expression: " + what + " at position "
            + std::to_string(position ? position : m_token.position));
    }

    bool isKeyword(const char* word) const { return m_token.kind == Tok::Name && equalsNoCase(m_token.text, word); }

    void advance()
    {
        while (m_pos < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[m_pos])))
            ++m_pos;
        m_token = Token { Tok::End, "", m_pos + 1 };
        if (m_pos >= m_text.size())
            return;
        const char c = m_text[m_pos];
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_')
            return readWhile(
                Tok::Name, [](char ch) { return std::isalnum(static_cast<unsigned char>(ch)) || ch == '_'; });
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '.')
            return readWhile(
                Tok::Number, [](char ch) { return std::isdigit(static_cast<unsigned char>(ch)) || ch == '.'; });
        if (c == '\'' || c == '"')
            return readQuoted(c);
        if (c == '(' || c == ')') {
            m_token.kind = c == '(' ? Tok::Open : Tok::Close;
            m_token.text = std::string(1, c);
            ++m_pos;
            return;
        }
        if (c == '=' || c == '<' || c == '>') {
            m_token.kind = Tok::Op;
            m_token.text = std::string(1, c);
            ++m_pos;
            if (m_pos < m_text.size() && (m_text[m_pos] == '=' || (c == '<' && m_text[m_pos] == '>'))) {
                m_token.text += m_text[m_pos];
                ++m_pos;
            }
            return;
        }
        fail(std::string("unexpected character '") + c + "'", m_pos + 1);
    }

    template <typename Pred> void readWhile(Tok kind, Pred pred)
    {
        m_token.kind = kind;
        m_token.text = m_text[m_pos++];
        while (m_pos < m_text.size() && pred(m_text[m_pos]))
            m_token.text += m_text[m_pos++];
    }

    void readQuoted(char quote)
    {
        m_token.kind = Tok::Text;
        ++m_pos;
        for (;;) {
            if (m_pos >= m_text.size())
                fail("text not closed by " + std::string(1, quote), m_token.position);
            if (m_text[m_pos] == quote) {
                if (m_pos + 1 < m_text.size() && m_text[m_pos + 1] == quote) {
                    m_token.text += quote; // a doubled quote stands for itself
                    m_pos += 2;
                    continue;
                }
                ++m_pos;
                return;
            }
            m_token.text += m_text[m_pos++];
        }
    }

    // Operands joined by one keyword, left to right: "or" over "and" over "not".
    SqlCondition chain(int depth, const char* keyword, SqlCondition (Parser::*operand)(int))
    {
        SqlCondition left = (this->*operand)(depth);
        while (isKeyword(keyword)) {
            advance();
            SqlCondition right = (this->*operand)(depth);
            left = join(left, keyword, right);
        }
        return left;
    }

    SqlCondition orExpression(int depth) { return chain(depth, "or", &Parser::andExpression); }
    SqlCondition andExpression(int depth) { return chain(depth, "and", &Parser::notExpression); }

    static SqlCondition join(SqlCondition left, const char* op, const SqlCondition& right)
    {
        const bool both = op[0] == 'a';
        left.sql = "(" + left.sql + (both ? " AND " : " OR ") + right.sql + ")";
        left.params.insert(left.params.end(), right.params.begin(), right.params.end());
        // Either side's range holds when both sides must; neither holds when one side may do.
        if (both)
            left.rangedIndexes.insert(left.rangedIndexes.end(), right.rangedIndexes.begin(), right.rangedIndexes.end());
        else
            left.rangedIndexes.clear();
        return left;
    }

    SqlCondition notExpression(int depth)
    {
        if (depth > kMaxDepth)
            fail("expression nested too deeply");
        if (isKeyword("not")) {
            advance();
            SqlCondition inner = notExpression(depth + 1);
            inner.sql = "NOT " + inner.sql;
            inner.rangedIndexes.clear();
            return inner;
        }
        if (m_token.kind == Tok::Open) {
            advance();
            SqlCondition inner = orExpression(depth + 1);
            if (m_token.kind != Tok::Close)
                fail(m_token.kind == Tok::End ? "missing )" : "expected ) instead of \"" + m_token.text + "\"");
            advance();
            inner.sql = "(" + inner.sql + ")";
            return inner;
        }
        return comparison();
    }

    SqlCondition comparison();
    SqlCondition textComparison(
        const FieldDef& field, const std::string& op, const Token& literal, bool exactOnly) const;
    Value literalFor(const FieldDef& field, const Token& literal) const;

    std::string m_text;
    const TableDef& m_table;
    const DateFormat& m_dates;
    bool m_seekIndexes;
    size_t m_pos = 0;
    Token m_token;
};

SqlCondition Parser::comparison()
{
    if (m_token.kind != Tok::Name)
        fail(m_token.kind == Tok::End ? "a field name is missing"
                                      : "expected a field name instead of \"" + m_token.text + "\"");
    const FieldDef* field = m_table.field(m_token.text);
    if (!field)
        fail("unknown field \"" + m_token.text + "\"");
    advance();
    if (m_token.kind != Tok::Op)
        fail(m_token.kind == Tok::End ? "a comparison is missing"
                                      : "expected a comparison instead of \"" + m_token.text + "\"");
    // "==" is equality without the "starts with" reading of a trailing *: names chosen from a list
    // (a category, an activity) must match whole whatever characters they hold.
    const bool exactOnly = m_token.text == "==";
    const std::string op = exactOnly ? "=" : m_token.text;
    advance();
    const Token literal = m_token;
    if (literal.kind != Tok::Number && literal.kind != Tok::Text && literal.kind != Tok::Name)
        fail(literal.kind == Tok::End ? "a value is missing" : "expected a value instead of \"" + literal.text + "\"");
    advance();
    const std::string column = "\"" + field->name + "\"";
    const bool isNullWord = literal.kind == Tok::Name && equalsNoCase(literal.text, "null");
    const bool blank = isNullWord || (literal.kind == Tok::Text && literal.text.empty());
    if (blank) {
        if (op != "=" && op != "<>")
            fail("null can only be compared with = or <>", literal.position);
        return { column + (op == "=" ? " IS NULL" : " IS NOT NULL"), {} };
    }
    if ((field->type == FieldType::Alpha || field->type == FieldType::Memo) && (op == "=" || op == "<>"))
        return textComparison(*field, op, literal, exactOnly);
    if (field->type == FieldType::Logical)
        return { "ifnull(" + column + ", 0) " + op + " ?", { literalFor(*field, literal) } };
    const IndexDef* index = op == "=" || op == "<>" ? nullptr : leadingIndex(m_table, *field);
    if (index && !index->caseInsensitive) {
        if (m_seekIndexes)
            return { column + " " + op + " ?", { literalFor(*field, literal) }, { index->name } };
        // A range (a month of dates) read in another order is tested record by record: read
        // through its own index, SQLite would sort the whole range again for every page.
        return { "+" + column + " " + op + " ?", { literalFor(*field, literal) } };
    }
    return { column + " " + op + " ?", { literalFor(*field, literal) } };
}

// Equal or not equal to a text, or (a quoted text ending in *) starting or not starting with it.
SqlCondition Parser::textComparison(
    const FieldDef& field, const std::string& op, const Token& literal, bool exactOnly) const
{
    const std::string column = "\"" + field.name + "\"";
    const bool prefixed
        = !exactOnly && literal.kind == Tok::Text && literal.text.size() > 1 && literal.text.back() == '*';
    std::string value = std::get<std::string>(literalFor(field, literal));
    if (prefixed)
        value.pop_back();
    SqlCondition exact = prefixed ? SqlCondition { "(substr(" + column + ", 1, length(?)) = ?)", { value, value } }
                                  : SqlCondition { column + " = ?", { value } };
    if (op == "<>") {
        exact.sql = prefixed ? "NOT " + exact.sql : column + " <> ?";
        return exact;
    }
    const IndexDef* index = m_seekIndexes ? leadingIndex(m_table, field) : nullptr;
    if (!index || (!prefixed && !index->caseInsensitive))
        return exact; // no index, or a plain equality the index already serves
    const std::string collate = index->caseInsensitive ? " COLLATE NOCASE" : "";
    SqlCondition seek;
    if (!prefixed) {
        seek = { column + " = ?" + collate, { value } };
    } else {
        seek = { column + " >= ?" + collate, { value } };
        if (auto end = prefixEnd(value, index->caseInsensitive)) {
            seek.sql += " AND " + column + " < ?" + collate;
            seek.params.push_back(*end);
        }
    }
    seek.sql = "(" + seek.sql + " AND " + exact.sql + ")";
    seek.params.insert(seek.params.end(), exact.params.begin(), exact.params.end());
    seek.rangedIndexes.push_back(index->name);
    return seek;
}

Value Parser::literalFor(const FieldDef& field, const Token& literal) const
{
    const std::string& t = literal.text;
    if (literal.kind == Tok::Name && field.type != FieldType::Logical)
        fail("expected a value instead of \"" + t + "\"", literal.position);
    switch (field.type) {
    case FieldType::Logical:
        if (equalsNoCase(t, "true") || t == "1")
            return std::int64_t(1);
        if (equalsNoCase(t, "false") || t == "0")
            return std::int64_t(0);
        fail("'" + t + "' is not true or false", literal.position);
    case FieldType::Date:
        if (auto date = m_dates.parse(t))
            return date->iso();
        // The example shows the order of day, month and year that this date form reads.
        fail("'" + t + "' is not a valid date (dates look like " + m_dates.format({ Date::today().year, 12, 31 }) + ")",
            literal.position);
    case FieldType::Long:
    case FieldType::AutoInc:
    case FieldType::Number: {
        const std::optional<double> parsed = parseDecimal(t);
        if (!parsed)
            fail("'" + t + "' is not a number", literal.position);
        const double number = *parsed;
        if (field.type != FieldType::Number && std::fabs(number) < 9.0e15 && number == double(std::int64_t(number)))
            return std::int64_t(number);
        return number;
    }
    default:
        return t;
    }
}

} // namespace

std::string exactCondition(const std::string& field, const std::string& text)
{
    std::string quoted;
    quoted.reserve(text.size() + 2);
    for (char c : text) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return field + " ==\"" + quoted + "\"";
}

SqlCondition parseFilter(
    const std::string& expression, const TableDef& table, const DateFormat& dates, bool seekIndexes)
{
    return Parser(expression, table, dates, seekIndexes).parse();
}

} // namespace pelmora::data
