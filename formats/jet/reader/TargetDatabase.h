#pragma once
// The SQLite file the reader writes: every table of the Jet file with every row,
// field and Null. For a configuration the six configuration tables take the store's
// own tables, fields and indexes, so the file opens like any other configuration.

#include "JetDatabase.h"

#include <map>
#include <string>

struct sqlite3;

namespace orvane::jetreader {

class TargetDatabase {
public:
    // Makes `path`, which must not exist yet: an empty configuration of the store when
    // `configuration` is set, else an empty database.
    TargetDatabase(const std::string& path, bool configuration);
    ~TargetDatabase();
    TargetDatabase(const TargetDatabase&) = delete;
    TargetDatabase& operator=(const TargetDatabase&) = delete;

    // The configuration tables the source must hold, by their names in the store.
    std::vector<std::string> configurationTables() const;
    // Copies all rows of `table` into the table of the same name (matched without regard
    // to case), made for it when it is no configuration table.
    void copy(JetTable& table);
    // Makes the copies final; without it the file is worthless (the caller removes it).
    void commit();

private:
    struct TargetColumn {
        std::string name;
        std::string type;   // the store's declared type, "INTEGER" or "TEXT"; "" for added fields
    };
    std::vector<TargetColumn> prepareConfigurationTable(const std::string& table, const JetTable& source);
    std::vector<TargetColumn> createTable(const JetTable& source);

    sqlite3* db_ = nullptr;
    // Configuration table names in lower case -> their name in the store.
    std::map<std::string, std::string> configurationTables_;
};

} // namespace orvane::jetreader
