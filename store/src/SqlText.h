#pragma once
// Reading the text of a table's CREATE statement as stored in a file, to see which
// rules it would have the database engine evaluate. SQLite keeps that text as written,
// so it is split into tokens the way SQLite splits it: comments, quoted names and
// strings are never mistaken for keywords.
#include <string>
#include <vector>

namespace kessig::detail {

struct TableClauses {
    std::vector<std::string> checks;  // each CHECK expression, tokens upper-cased and joined by one space
    bool conflictClause = false;      // an ON CONFLICT clause: a rule that changes what a write does
    bool withoutRowid = false;        // WITHOUT ROWID: rows have no row number
};

TableClauses tableClauses(const std::string& createSql);

} // namespace kessig::detail
