#pragma once
// The one way into a store file. Every connection this library opens, on a
// configuration or on the catalogue, for reading, writing or creating, is made by
// openStoreFile: it refuses what is not a file, runs the connection with SQLite's
// defensive settings so that nothing stored in a file can run, and checks the file
// before anyone reads it: the expected tables with their fields and types, no
// triggers, views, virtual tables or generated columns, no rules the store does not
// know, an intact file, and every row's values within their fields' rules.
// A new way of opening a store file belongs here, so that it gets the same checks.
#include "kessig/OrvaneDB.h"

#include <sqlite3.h>

#include <optional>
#include <string>
#include <utility>

namespace kessig::detail {

enum class FileKind { Configuration, Catalogue };
enum class Access { Read, Write, Create };

// An open connection; closed with the object.
class Connection {
public:
    Connection() = default;
    explicit Connection(sqlite3* db) : db_(db) {}
    ~Connection() { if (db_) sqlite3_close_v2(db_); }
    Connection(Connection&& other) noexcept : db_(std::exchange(other.db_, nullptr)) {}
    Connection& operator=(Connection&& other) noexcept {
        if (this != &other) { if (db_) sqlite3_close_v2(db_); db_ = std::exchange(other.db_, nullptr); }
        return *this;
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    sqlite3* get() const { return db_; }
    explicit operator bool() const { return db_ != nullptr; }

private:
    sqlite3* db_ = nullptr;
};

// Opens `path` (Create: a new file, which must not exist yet) and checks it as a file
// of `kind`. `shownName` is the name messages give the file: the user's file when
// `path` is a working copy of it. Throws DbError.
Connection openStoreFile(const std::string& path, Access access, FileKind kind, const std::string& shownName);

// How long an open waits for another program that holds the file locked.
inline constexpr int kLockWaitSeconds = 5;

// Another process holding the engine's lock bytes of a file: a writer (the reserved,
// pending or exclusive lock) or a reader.
struct LockHolder {
    long pid = 0;
    bool writing = false;
};
// The holder of such a lock on `path`, a writer first; nullopt when no other process holds one.
std::optional<LockHolder> lockHolder(const std::string& path);
// The failure of an open that found `path` locked for longer than it waits, naming the holder.
DbError lockedFile(const std::string& path, const std::string& shown, int number);

// True when `table` of the open file has a field named `field` (in any letter case).
bool hasField(sqlite3* db, const char* table, const char* field);

} // namespace kessig::detail
