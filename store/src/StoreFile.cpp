#include "StoreFile.h"

#include "Sqlite.h"
#include "SqlText.h"
#include "Tables.h"
#include "Values.h"

#include <strings.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cctype>
#include <charconv>
#include <climits>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string_view>
#include <vector>

namespace kessig::detail {

namespace {

[[noreturn]] void refuse(const std::string& shown, const std::string& why) {
    throw DbError(err::UnrecognizedFormat, "Unrecognized database format '" + shown + "': " + why + ".");
}

bool sameName(const std::string& a, const char* b) { return ::strcasecmp(a.c_str(), b) == 0; }

std::string quoted(const std::string& name) { return "'" + name + "'"; }

// SQLite's rule for the type a declared field type gives its values.
bool hasIntegerAffinity(std::string declared) {
    for (char& c : declared) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return declared.find("INT") != std::string::npos;
}
bool hasTextAffinity(std::string declared) {
    for (char& c : declared) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return !hasIntegerAffinity(declared) && (declared.find("CHAR") != std::string::npos ||
                                             declared.find("CLOB") != std::string::npos ||
                                             declared.find("TEXT") != std::string::npos);
}

// A default that is a plain value, not an expression the engine would evaluate.
bool isLiteralDefault(const std::string& value) {
    if (value.empty() || sameName(value, "NULL") || sameName(value, "TRUE") || sameName(value, "FALSE")) return true;
    // One quoted string: every quote inside it doubled, so nothing can follow it.
    const auto quotedString = [](std::string_view v) {
        if (v.size() < 2 || v.front() != '\'' || v.back() != '\'') return false;
        for (size_t i = 1; i + 1 < v.size(); ++i)
            if (v[i] == '\'' && v[++i] != '\'') return false;
        return true;
    };
    if (quotedString(value)) return true;
    if (value.size() >= 3 && (value[0] == 'x' || value[0] == 'X') && quotedString(std::string_view(value).substr(1)))
        return value.find_first_not_of("0123456789abcdefABCDEF", 2) == value.size() - 1;
    size_t i = value[0] == '-' || value[0] == '+' ? 1 : 0;
    if (i == value.size()) return false;
    bool digit = false;
    for (; i < value.size(); ++i) {
        const auto c = static_cast<unsigned char>(value[i]);
        if (std::isdigit(c)) digit = true;
        else if (c != '.' && c != 'e' && c != 'E' && !((c == '+' || c == '-') && (value[i - 1] == 'e' || value[i - 1] == 'E'))) return false;
    }
    return digit;
}

const std::set<std::string>& knownChecks() {
    static const std::set<std::string> checks = [] {
        const auto clauses = tableClauses(configurationSchema());
        return std::set<std::string>(clauses.checks.begin(), clauses.checks.end());
    }();
    return checks;
}

struct Column {
    std::string name, type, defaultValue;
    int primaryKey = 0;
    int hidden = 0;
};

std::vector<Column> columnsOf(sqlite3* db, const std::string& table) {
    Statement s(db, "SELECT name, type, dflt_value, pk, hidden FROM pragma_table_xinfo(?1)");
    s.bind(1, table);
    std::vector<Column> columns;
    while (s.step())
        columns.push_back({s.text(0).value_or(""), s.text(1).value_or(""), s.text(2).value_or(""),
                           static_cast<int>(s.integer(3).value_or(0)), static_cast<int>(s.integer(4).value_or(0))});
    return columns;
}

struct StoredTable {
    std::string name, sql;
};

// Nothing stored in the file may run: no triggers, views, virtual tables or
// generated columns anywhere in it. Returns its ordinary tables.
std::vector<StoredTable> refuseStoredCode(sqlite3* db, const std::string& shown) {
    std::vector<StoredTable> tables;
    Statement s(db, "SELECT type, name, tbl_name, rootpage, sql FROM sqlite_master");
    while (s.step()) {
        const std::string type = s.text(0).value_or(""), name = s.text(1).value_or("");
        if (type == "trigger")
            refuse(shown, "it holds a trigger " + quoted(name) + " on table " + quoted(s.text(2).value_or("")) +
                              ", and a configuration holds data only");
        if (type == "view") refuse(shown, "it holds a view " + quoted(name) + ", and a configuration holds data only");
        if (type != "table" || name.rfind("sqlite_", 0) == 0) continue;
        if (s.integer(3).value_or(0) == 0)
            refuse(shown, "it holds a virtual table " + quoted(name) + ", and a configuration holds data only");
        tables.push_back({name, s.text(4).value_or("")});
    }
    for (const StoredTable& t : tables)
        for (const Column& c : columnsOf(db, t.name))
            if (c.hidden == 2 || c.hidden == 3)
                refuse(shown, "field " + quoted(c.name) + " of table " + quoted(t.name) +
                                  " is a generated column, computed by the file itself");
    return tables;
}

// The rules a configuration's tables may carry are the store's own: anything else
// would be run by the engine on every write or check.
void refuseUnknownRules(sqlite3* db, const StoredTable& table, const std::string& shown) {
    const TableClauses clauses = tableClauses(table.sql);
    if (clauses.conflictClause)
        refuse(shown, "table " + quoted(table.name) + " has an ON CONFLICT rule that changes what a write does");
    for (const std::string& check : clauses.checks)
        if (!knownChecks().count(check))
            refuse(shown, "table " + quoted(table.name) + " has a rule the program does not know: CHECK (" + check + ")");
    for (const Column& c : columnsOf(db, table.name))
        if (!isLiteralDefault(c.defaultValue))
            refuse(shown, "field " + quoted(c.name) + " of table " + quoted(table.name) + " has a computed default value");
    Statement indexes(db, "SELECT name, partial FROM pragma_index_list(?1)");
    indexes.bind(1, table.name);
    while (indexes.step()) {
        const std::string index = indexes.text(0).value_or("");
        if (indexes.integer(1).value_or(0) != 0)
            refuse(shown, "index " + quoted(index) + " on table " + quoted(table.name) + " has a condition");
        Statement keys(db, "SELECT 1 FROM pragma_index_xinfo(?1) WHERE cid = -2");
        keys.bind(1, index);
        if (keys.step()) refuse(shown, "index " + quoted(index) + " on table " + quoted(table.name) + " is on an expression");
    }
}

// A unique index on exactly the table's key fields: the store's seeks and its
// refusal of duplicate keys depend on it.
bool hasUniqueKey(sqlite3* db, const std::string& table, const std::vector<const Field*>& keys,
                  const std::vector<Column>& columns) {
    if (keys.size() == 1)
        for (const Column& c : columns)
            if (c.primaryKey == 1 && sameName(c.name, keys[0]->name) && sameName(c.type, "INTEGER")) return true;
    Statement indexes(db, "SELECT name FROM pragma_index_list(?1) WHERE \"unique\" = 1 AND partial = 0");
    indexes.bind(1, table);
    while (indexes.step()) {
        Statement fields(db, "SELECT name FROM pragma_index_xinfo(?1) WHERE key = 1");
        fields.bind(1, indexes.text(0).value_or(""));
        std::set<std::string> names;
        bool matches = true;
        while (fields.step()) {
            const std::string name = fields.text(0).value_or("");
            bool isKey = false;
            for (const Field* k : keys) isKey = isKey || sameName(name, k->name);
            matches = matches && isKey;
            names.insert(name);
        }
        if (matches && names.size() == keys.size()) return true;
    }
    return false;
}

// The expected table with its fields in the expected types.
void checkTable(sqlite3* db, const Table& table, FileKind kind, const std::string& shown) {
    Statement find(db, "SELECT name, sql FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE");
    find.bind(1, std::string(table.name));
    if (!find.step()) {
        if (kind == FileKind::Catalogue)
            throw DbError(err::TableNotFound, "Cannot find the input table or query '" + std::string(table.name) + "' in '" + shown + "'.");
        refuse(shown, "it has no table " + quoted(table.name));
    }
    const std::string name = find.text(0).value_or(""), sql = find.text(1).value_or("");
    find.reset();
    const std::vector<Column> columns = columnsOf(db, name);
    for (const Field& field : table.fields) {
        const Column* column = nullptr;
        for (const Column& c : columns)
            if (sameName(c.name, field.name)) column = &c;
        if (!column) {
            if (field.is(Field::MayBeMissing)) continue;
            refuse(shown, "table " + quoted(table.name) + " has no field " + quoted(field.name));
        }
        if (field.isNumber() ? !hasIntegerAffinity(column->type) : !hasTextAffinity(column->type))
            refuse(shown, "field " + quoted(field.name) + " of table " + quoted(table.name) + " has the type " +
                              quoted(column->type) + " where " + (field.isNumber() ? "a whole number" : "text") +
                              " is expected");
    }
    if (kind == FileKind::Catalogue) return;
    for (const Column& c : columns)
        if (sameName(c.name, "rowid") || sameName(c.name, "oid") || sameName(c.name, "_rowid_"))
            refuse(shown, "table " + quoted(table.name) + " has a field named " + quoted(c.name));
    if (tableClauses(sql).withoutRowid) refuse(shown, "table " + quoted(table.name) + " is a WITHOUT ROWID table");
    const auto keys = table.keyFields();
    if (!keys.empty() && !hasUniqueKey(db, name, keys, columns)) {
        std::string list;
        for (const Field* k : keys) list += (list.empty() ? "" : ", ") + std::string(k->name);
        refuse(shown, "table " + quoted(table.name) + " has no unique index on " + list);
    }
}

void refuseDamage(sqlite3* db, const std::string& shown) {
    Statement s(db, "PRAGMA integrity_check(1)");
    if (s.step()) {
        const std::string result = s.text(0).value_or("");
        if (result != "ok") refuse(shown, "the file is damaged (" + result + ")");
    }
}

// Every value of every row within its field's rule.
void checkRows(sqlite3* db, const Table& table, const std::string& shown) {
    std::string select = "rowid";
    std::vector<const Field*> present;
    for (const Field& f : table.fields) {
        if (f.is(Field::MayBeMissing) && !hasField(db, table.name, f.name)) continue;
        select += std::string(", \"") + f.name + "\"";
        present.push_back(&f);
    }
    Statement rows(db, ("SELECT " + select + " FROM \"" + table.name + "\"").c_str());
    while (rows.step()) {
        const int64_t rowid = sqlite3_column_int64(rows.handle(), 0);
        for (size_t i = 0; i < present.size(); ++i) {
            const Place place{table, *present[i], rowid, shown};
            if (present[i]->isNumber()) readNumber(rows.handle(), static_cast<int>(i) + 1, place);
            else readText(rows.handle(), static_cast<int>(i) + 1, place);
        }
    }
}

void checkFile(sqlite3* db, FileKind kind, const std::string& shown) {
    const std::vector<StoredTable> stored = refuseStoredCode(db, shown);
    const auto& tables = kind == FileKind::Configuration ? configurationTables() : catalogueTables();
    for (const Table* table : tables) checkTable(db, *table, kind, shown);
    if (kind == FileKind::Catalogue) return;  // read whole and checked row by row as it is loaded
    for (const StoredTable& t : stored) refuseUnknownRules(db, t, shown);
    // Rows first: a value outside its field is named exactly, where the engine's own
    // check would only call the file damaged.
    for (const Table* table : tables) checkRows(db, *table, shown);
    refuseDamage(db, shown);
}

// The lock bytes of SQLite's file locking: the pending and reserved bytes and the shared range.
constexpr long long kFirstLockByte = 0x40000000;
constexpr long long kLastLockByte = kFirstLockByte + 511;

std::optional<long long> number(const std::string& text) {
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

void configure(sqlite3* db, int option, int value) {
    int now = -1;
    const int rc = sqlite3_db_config(db, option, value, &now);
    if (rc != SQLITE_OK || now != value) throw DbError(SQLITE_MISUSE, "The database engine refused a safety setting.");
}

} // namespace

// Read from the system's list rather than asked through a descriptor of the file:
// closing one would drop this process's own locks on it.
std::optional<LockHolder> lockHolder(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    char device[64];
    std::snprintf(device, sizeof device, "%02x:%02x:%llu", major(st.st_dev), minor(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    std::ifstream list("/proc/locks");
    std::optional<LockHolder> found;
    for (std::string line; std::getline(list, line);) {
        std::istringstream words(line);
        std::string id, kind, advisory, type, file, start, end;
        long pid = 0;
        // A process waiting for a lock is listed as "N: -> ...": it holds nothing.
        if (!(words >> id >> kind) || kind == "->" || !(words >> advisory >> type >> pid >> file >> start >> end)) continue;
        const auto from = number(start), to = end == "EOF" ? std::optional<long long>(LLONG_MAX) : number(end);
        if (file != device || pid <= 0 || pid == ::getpid() || !from || !to) continue;
        if (*from > kLastLockByte || *to < kFirstLockByte) continue;
        if (!found || (type == "WRITE" && !found->writing)) found = LockHolder{pid, type == "WRITE"};
    }
    return found;
}

DbError lockedFile(const std::string& path, const std::string& shown, int number) {
    const auto holder = lockHolder(path);
    std::string who = "another program";
    if (holder) {
        std::ifstream comm("/proc/" + std::to_string(holder->pid) + "/comm");
        std::string name;
        std::getline(comm, name);
        who += " (" + (name.empty() ? std::string() : name + ", ") + "process " + std::to_string(holder->pid) + ")";
    }
    const std::string doing = !holder ? "using" : holder->writing ? "writing" : "reading";
    return DbError(number, "'" + shown + "' is locked by " + who + " that is " + doing + " it; it was not let go within " +
                               std::to_string(kLockWaitSeconds) + " seconds. Try again when that program has finished.");
}

} // namespace kessig::detail

namespace kessig {

void secureConnection(sqlite3* db) {
    using detail::configure;
    configure(db, SQLITE_DBCONFIG_DEFENSIVE, 1);
    configure(db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0);
    configure(db, SQLITE_DBCONFIG_ENABLE_VIEW, 0);
    configure(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0);
    configure(db, SQLITE_DBCONFIG_ENABLE_FKEY, 0);
    configure(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, 0);
    detail::exec(db, "PRAGMA cell_size_check = ON");
}

} // namespace kessig

namespace kessig::detail {

bool hasField(sqlite3* db, const char* table, const char* field) {
    Statement s(db, "SELECT 1 FROM pragma_table_info(?1) WHERE name = ?2 COLLATE NOCASE");
    s.bind(1, std::string(table));
    s.bind(2, std::string(field));
    return s.step();
}

Connection openStoreFile(const std::string& path, Access access, FileKind kind, const std::string& shownName) {
    const std::string& shown = shownName.empty() ? path : shownName;
    if (access == Access::Create) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0) throw DbError(err::CannotOpenFile, "Database '" + shown + "' already exists.");
    } else {
        requireDatabaseFile(path, shown);
        // Read alone, the file would show a configuration that never was; written, the
        // engine would apply a journal nobody checked. The caller recovers it first.
        if (const std::string beside = interruptedWriteBeside(path); !beside.empty())
            throw DbError(err::CannotOpenFile, "Could not open file '" + shown + "': a write into it did not finish (" +
                                                   beside + " lies beside it); it must be recovered before the file is used.");
    }
    // Each connection is used by one thread only: the engine's own locking of it is pure cost.
    const int flags = SQLITE_OPEN_NOMUTEX | (access == Access::Read ? SQLITE_OPEN_READONLY
                                                                    : SQLITE_OPEN_READWRITE | (access == Access::Create ? SQLITE_OPEN_CREATE : 0));
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    Connection connection(raw);
    try {
        if (rc != SQLITE_OK) throwSqlite(raw, rc);
        secureConnection(raw);
        // Another program in the middle of a write is waited for a while, as a person would.
        sqlite3_busy_timeout(raw, kLockWaitSeconds * 1000);
        if (access != Access::Create) checkFile(raw, kind, shown);
    } catch (const DbError& e) {
        if ((e.number() & 0xff) == SQLITE_BUSY) throw lockedFile(path, shown, e.number());
        rethrowOpenFailure(e, shown);
    }
    return connection;
}

} // namespace kessig::detail
