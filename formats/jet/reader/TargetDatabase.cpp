#include "TargetDatabase.h"

#include <kessig/OrvaneDB.h>

#include <sqlite3.h>

#include <algorithm>

namespace orvane::jetreader {

namespace {

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string quoted(const std::string& name)
{
    std::string q = "\"";
    for (char c : name)
        q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

// Configurations made before drawing comments existed lack this one field; the store
// adds it when it opens them.
bool isOptionalField(const std::string& table, const std::string& field)
{
    return table == "Block List" && field == "VisioComment";
}

const char* sqliteType(JetValue::Kind kind)
{
    switch (kind) {
    case JetValue::Kind::Integer: return "INTEGER";
    case JetValue::Kind::Real: return "REAL";
    case JetValue::Kind::Blob: return "BLOB";
    case JetValue::Kind::Text:
    case JetValue::Kind::Null: break;
    }
    return "TEXT";
}

class Statement {
public:
    Statement(sqlite3* db, const std::string& sql) : db_(db)
    {
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt_, nullptr) != SQLITE_OK)
            throw JetError(std::string("its copy cannot be written (") + sqlite3_errmsg(db) + ")");
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* get() const { return stmt_; }

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

void exec(sqlite3* db, const std::string& sql)
{
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        throw JetError(std::string("its copy cannot be written (") + sqlite3_errmsg(db) + ")");
}

// Why the store refused a row, in the words of the file's fields.
std::string refusal(sqlite3* db)
{
    const std::string message = sqlite3_errmsg(db);
    switch (sqlite3_extended_errcode(db)) {
    case SQLITE_CONSTRAINT_CHECK: {
        // The store names its rules "<field>.<rule>".
        const auto colon = message.rfind(": ");
        const std::string rule = colon == std::string::npos ? message : message.substr(colon + 2);
        const std::string field = rule.substr(0, rule.find('.'));
        return "field " + quoted(field) + " holds a value a configuration does not allow (" + rule + ")";
    }
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY:
        return "its key is the key of an earlier row";
    case SQLITE_CONSTRAINT_NOTNULL:
        return "a key field is Null";
    default:
        return message;
    }
}

} // namespace

TargetDatabase::TargetDatabase(const std::string& path, bool configuration)
{
    if (configuration) {
        try {
            kessig::OrvaneDB().create_new_database(path);
        } catch (const kessig::DbError& e) {
            throw JetError(std::string("its copy cannot be made (") + e.what() + ")");
        }
    }
    const int flags = SQLITE_OPEN_READWRITE | (configuration ? 0 : SQLITE_OPEN_CREATE | SQLITE_OPEN_EXCLUSIVE);
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK)
        throw JetError(std::string("its copy cannot be made (") + sqlite3_errmsg(db_) + ")");
    // The copy is a new file that nobody else sees before the reader has finished.
    exec(db_, "PRAGMA journal_mode=MEMORY; PRAGMA synchronous=OFF; BEGIN");
    if (!configuration)
        return;
    Statement tables(db_, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY rowid");
    while (sqlite3_step(tables.get()) == SQLITE_ROW) {
        const std::string name = reinterpret_cast<const char*>(sqlite3_column_text(tables.get(), 0));
        configurationTables_[lower(name)] = name;
    }
    // The store fills a new configuration with its defaults; the file's rows replace them.
    for (const auto& [key, name] : configurationTables_)
        exec(db_, "DELETE FROM " + quoted(name));
}

TargetDatabase::~TargetDatabase() { sqlite3_close_v2(db_); }

std::vector<std::string> TargetDatabase::configurationTables() const
{
    std::vector<std::string> names;
    for (const auto& [key, name] : configurationTables_)
        names.push_back(name);
    return names;
}

std::vector<TargetDatabase::TargetColumn> TargetDatabase::prepareConfigurationTable(const std::string& table,
                                                                                  const JetTable& source)
{
    std::vector<TargetColumn> store;
    {
        Statement info(db_, "SELECT name, type FROM pragma_table_info(" + quoted(table) + ")");
        while (sqlite3_step(info.get()) == SQLITE_ROW)
            store.push_back({reinterpret_cast<const char*>(sqlite3_column_text(info.get(), 0)),
                             reinterpret_cast<const char*>(sqlite3_column_text(info.get(), 1))});
    }
    const auto& columns = source.columns();
    std::vector<TargetColumn> target(columns.size());
    for (const TargetColumn& field : store) {
        const auto found = std::find_if(columns.begin(), columns.end(),
                                        [&](const JetColumn& c) { return lower(c.name) == lower(field.name); });
        if (found == columns.end()) {
            if (!isOptionalField(table, field.name))
                throw JetError("table " + quoted(table) + " has no field " + quoted(field.name)
                               + ", so it is no Orvane configuration");
            exec(db_, "ALTER TABLE " + quoted(table) + " DROP COLUMN " + quoted(field.name));
            continue;
        }
        const bool number = field.type == "INTEGER";
        if (number ? !found->wholeNumber : !found->text)
            throw JetError("field " + quoted(found->name) + " of table " + quoted(table) + " is of type "
                           + found->typeName + ", where a configuration holds " + (number ? "a whole number" : "a text"));
        target[static_cast<std::size_t>(found - columns.begin())] = field;
    }
    // Fields of the file's own beyond the configuration's are kept as they are.
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (!target[i].name.empty())
            continue;
        exec(db_, "ALTER TABLE " + quoted(table) + " ADD COLUMN " + quoted(columns[i].name) + " "
                      + sqliteType(columns[i].kind));
        target[i].name = columns[i].name;
    }
    return target;
}

std::vector<TargetDatabase::TargetColumn> TargetDatabase::createTable(const JetTable& source)
{
    if (source.columns().empty())
        throw JetError("it is damaged: table " + quoted(source.name()) + " has no fields");
    std::vector<TargetColumn> target;
    std::string sql = "CREATE TABLE " + quoted(source.name()) + " (";
    for (const JetColumn& c : source.columns()) {
        sql += (target.empty() ? "" : ", ") + quoted(c.name) + " " + sqliteType(c.kind);
        target.push_back({c.name, ""});
    }
    exec(db_, sql + ")");
    return target;
}

void TargetDatabase::copy(JetTable& table)
{
    const auto configurationTable = configurationTables_.find(lower(table.name()));
    const std::string name =
        configurationTable == configurationTables_.end() ? table.name() : configurationTable->second;
    const std::vector<TargetColumn> columns = configurationTable == configurationTables_.end()
                                                  ? createTable(table)
                                                  : prepareConfigurationTable(name, table);
    std::string names, places;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        names += (i ? ", " : "") + quoted(columns[i].name);
        places += (i ? ", ?" : "?") + std::to_string(i + 1);
    }
    Statement insert(db_, "INSERT INTO " + quoted(name) + " (" + names + ") VALUES (" + places + ")");
    sqlite3_stmt* s = insert.get();
    unsigned row = 0;
    table.readRows([&](const std::vector<JetValue>& values) {
        ++row;
        for (std::size_t i = 0; i < values.size(); ++i) {
            const JetValue& v = values[i];
            const int at = static_cast<int>(i + 1);
            switch (v.kind) {
            case JetValue::Kind::Null: sqlite3_bind_null(s, at); break;
            case JetValue::Kind::Integer: sqlite3_bind_int64(s, at, v.integer); break;
            case JetValue::Kind::Real: sqlite3_bind_double(s, at, v.real); break;
            case JetValue::Kind::Text:
                sqlite3_bind_text(s, at, v.bytes.data(), static_cast<int>(v.bytes.size()), SQLITE_TRANSIENT);
                break;
            case JetValue::Kind::Blob:
                sqlite3_bind_blob(s, at, v.bytes.data(), static_cast<int>(v.bytes.size()), SQLITE_TRANSIENT);
                break;
            }
        }
        const int rc = sqlite3_step(s);
        if (rc != SQLITE_DONE)
            throw JetError("row " + std::to_string(row) + " of table " + quoted(table.name()) + " cannot be kept: "
                           + refusal(db_));
        sqlite3_reset(s);
    });
}

void TargetDatabase::commit() { exec(db_, "COMMIT"); }

} // namespace orvane::jetreader
