#include "SqlText.h"

#include <cctype>
#include <string_view>

namespace kessig::detail {

namespace {

struct Token {
    enum Kind { Word, Name, Literal, Symbol } kind;
    std::string text;  // Word and Name upper-cased (names compare without regard to case)
};

bool wordChar(unsigned char c) { return std::isalnum(c) || c == '_' || c == '$' || c >= 0x80; }

std::string upper(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return r;
}

// Up to and including the closing quote; a doubled quote stands for itself.
size_t endOfQuoted(const std::string& sql, size_t start, char close) {
    size_t i = start + 1;
    while (i < sql.size()) {
        if (sql[i] == close) {
            if (close != ']' && i + 1 < sql.size() && sql[i + 1] == close) { i += 2; continue; }
            return i + 1;
        }
        ++i;
    }
    return sql.size();
}

std::vector<Token> tokens(const std::string& sql) {
    static constexpr std::string_view kLongSymbols[] = {"->>", "<>", "!=", "<=", ">=", "==", "||", "<<", ">>", "->"};
    std::vector<Token> out;
    size_t i = 0;
    while (i < sql.size()) {
        const auto c = static_cast<unsigned char>(sql[i]);
        if (std::isspace(c)) { ++i; continue; }
        if (sql.compare(i, 2, "--") == 0) {
            const size_t eol = sql.find('\n', i);
            i = eol == std::string::npos ? sql.size() : eol + 1;
            continue;
        }
        if (sql.compare(i, 2, "/*") == 0) {
            const size_t end = sql.find("*/", i + 2);
            i = end == std::string::npos ? sql.size() : end + 2;
            continue;
        }
        if ((c == 'x' || c == 'X') && i + 1 < sql.size() && sql[i + 1] == '\'') {
            const size_t end = endOfQuoted(sql, i + 1, '\'');
            out.push_back({Token::Literal, sql.substr(i, end - i)});
            i = end;
            continue;
        }
        if (c == '\'') {
            const size_t end = endOfQuoted(sql, i, '\'');
            out.push_back({Token::Literal, sql.substr(i, end - i)});
            i = end;
            continue;
        }
        if (c == '"' || c == '`' || c == '[') {
            const char close = c == '[' ? ']' : static_cast<char>(c);
            const size_t end = endOfQuoted(sql, i, close);
            const size_t inner = end - i >= 2 ? end - i - 2 : 0;
            out.push_back({Token::Name, upper(std::string_view(sql).substr(i + 1, inner))});
            i = end;
            continue;
        }
        if (std::isdigit(c) || (c == '.' && i + 1 < sql.size() && std::isdigit(static_cast<unsigned char>(sql[i + 1])))) {
            size_t end = i;
            while (end < sql.size()) {
                const auto d = static_cast<unsigned char>(sql[end]);
                const bool exponentSign = (d == '+' || d == '-') && end > i && (sql[end - 1] == 'e' || sql[end - 1] == 'E');
                if (!(wordChar(d) || d == '.' || exponentSign)) break;
                ++end;
            }
            out.push_back({Token::Literal, sql.substr(i, end - i)});
            i = end;
            continue;
        }
        if (wordChar(c)) {
            size_t end = i;
            while (end < sql.size() && wordChar(static_cast<unsigned char>(sql[end]))) ++end;
            out.push_back({Token::Word, upper(std::string_view(sql).substr(i, end - i))});
            i = end;
            continue;
        }
        size_t length = 1;
        for (std::string_view symbol : kLongSymbols)
            if (sql.compare(i, symbol.size(), symbol) == 0) { length = symbol.size(); break; }
        out.push_back({Token::Symbol, sql.substr(i, length)});
        i += length;
    }
    return out;
}

bool isWord(const std::vector<Token>& t, size_t i, std::string_view word) {
    return i < t.size() && t[i].kind == Token::Word && t[i].text == word;
}
bool isSymbol(const std::vector<Token>& t, size_t i, std::string_view symbol) {
    return i < t.size() && t[i].kind == Token::Symbol && t[i].text == symbol;
}

} // namespace

TableClauses tableClauses(const std::string& createSql) {
    const std::vector<Token> t = tokens(createSql);
    TableClauses clauses;
    for (size_t i = 0; i < t.size(); ++i) {
        if (isWord(t, i, "ON") && isWord(t, i + 1, "CONFLICT")) clauses.conflictClause = true;
        if (isWord(t, i, "WITHOUT") && isWord(t, i + 1, "ROWID")) clauses.withoutRowid = true;
        if (!isWord(t, i, "CHECK") || !isSymbol(t, i + 1, "(")) continue;
        std::string expression;
        int depth = 0;
        size_t j = i + 1;
        for (; j < t.size(); ++j) {
            if (isSymbol(t, j, "(")) ++depth;
            if (isSymbol(t, j, ")") && --depth == 0) break;
            if (j > i + 1) expression += (expression.empty() ? "" : " ") + t[j].text;
        }
        clauses.checks.push_back(expression);
        i = j;
    }
    return clauses;
}

} // namespace kessig::detail
