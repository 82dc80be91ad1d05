#pragma once
// Values checked against their field's rule on their way out of a file and into one.
// A value that breaks its rule fails with a DbError that names the file, the table,
// the field and the row, so that a damaged or hostile file can never be read as
// something it is not.
#include "Tables.h"

#include "kessig/OrvaneDB.h"

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>

namespace kessig::detail {

// Where a value sits: for messages only.
struct Place {
    const Table& table;
    const Field& field;
    std::optional<int64_t> row;  // the row's rowid, when the row exists
    const std::string& file;     // the name the user knows the file by
    std::string text() const;
};

// Reads column `column` of the statement's current row as the value of `place.field`.
// Null comes back as nullopt where the field may hold it.
std::optional<int64_t> readNumber(sqlite3_stmt* statement, int column, const Place& place);
std::optional<std::string> readText(sqlite3_stmt* statement, int column, const Place& place);

// The same rules for a value about to be written; a key left Null fails as a primary
// key that cannot hold a Null would.
void checkNumber(const std::optional<int64_t>& value, const Place& place);
void checkText(const std::optional<std::string>& value, const Place& place);

// A field read from a row that is Null where a value is needed.
[[noreturn]] void throwNull(const Place& place);

// Reads the fields of a cursor's row: the statement's columns are Table::selectList().
class RowReader {
public:
    RowReader(sqlite3_stmt* statement, const Table& table, const std::string& file)
        : statement_(statement), table_(table), file_(file) {}
    int64_t rowid() const { return sqlite3_column_int64(statement_, 0); }
    std::optional<int64_t> number(size_t field) const {
        return readNumber(statement_, static_cast<int>(field) + 1, {table_, table_.fields[field], rowid(), file_});
    }
    std::optional<std::string> text(size_t field) const {
        return readText(statement_, static_cast<int>(field) + 1, {table_, table_.fields[field], rowid(), file_});
    }
    // A key or required field: never Null.
    int64_t key(size_t field) const { return *number(field); }

private:
    sqlite3_stmt* statement_;
    const Table& table_;
    const std::string& file_;
};

} // namespace kessig::detail
