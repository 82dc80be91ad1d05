#pragma once
// Thin helpers over the SQLite C API shared by the configuration and catalogue sides.
#include "kessig/OrvaneDB.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <cstdint>
#include <optional>
#include <string>

namespace kessig::detail {

// The cursor layer's own failures, with the texts users of such databases know.
inline DbError noCurrentRecord() { return DbError(err::NoCurrentRecord, "No current record."); }
inline DbError updateWithoutEdit() {
    return DbError(err::UpdateWithoutEdit, "Update or CancelUpdate without AddNew or Edit.");
}
inline DbError readOnlyDatabase() {
    return DbError(err::ReadOnlyDatabase, "Cannot update. Database or object is read-only.");
}

inline const char* const kUnrecognizedFormat = "Unrecognized database format.";

// Maps a failed step to the number a caller of this store expects; named
// constraints tell which rule was broken.
[[noreturn]] inline void throwSqlite(sqlite3* db, int rc) {
    std::string msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    const int ext = db ? sqlite3_extended_errcode(db) : rc;
    // The system's own reason tells a full disk or a size limit from a failing disk.
    const int primary = ext & 0xff;
    if (db && (primary == SQLITE_IOERR || primary == SQLITE_FULL || primary == SQLITE_CANTOPEN)) {
        int reason = sqlite3_system_errno(db);
        if (reason == 0) sqlite3_file_control(db, "main", SQLITE_FCNTL_LAST_ERRNO, &reason);
        if (reason != 0) msg += std::string(" (") + std::strerror(reason) + ")";
    }
    if (ext == SQLITE_CONSTRAINT_UNIQUE || ext == SQLITE_CONSTRAINT_PRIMARYKEY)
        throw DbError(err::DuplicateKey, "The changes you requested to the table were not successful because they would create duplicate values in the index, primary key, or relationship.");
    if (ext == SQLITE_CONSTRAINT_CHECK) {
        if (msg.find(".range") != std::string::npos) throw DbError(err::NumericOverflow, "Numeric field overflow.");
        if (msg.find(".length") != std::string::npos) throw DbError(err::FieldTooSmall, "The field is too small to accept the amount of data you attempted to add.");
        if (msg.find(".zerolength") != std::string::npos) throw DbError(err::ZeroLengthNotAllowed, "Field cannot be a zero-length string.");
    }
    if (ext == SQLITE_CONSTRAINT_NOTNULL) throw DbError(err::NullNotAllowed, "Field cannot contain a Null value.");
    if ((ext & 0xff) == SQLITE_READONLY) throw readOnlyDatabase();
    if ((ext & 0xff) == SQLITE_NOTADB) throw DbError(err::UnrecognizedFormat, kUnrecognizedFormat);
    throw DbError(ext, msg);
}

class Statement {
public:
    Statement(sqlite3* db, const char* sql) : db_(db) {
        const int rc = sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr);
        if (rc != SQLITE_OK) throwSqlite(db, rc);
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    void bind(int i, int64_t v) { sqlite3_bind_int64(stmt_, i, v); }
    void bind(int i, const std::string& v) { sqlite3_bind_text(stmt_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT); }
    bool step() {
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) { sqlite3_reset(stmt_); return false; }
        sqlite3_reset(stmt_);
        throwSqlite(db_, rc);
    }
    template <class T>
    void bind(int i, const std::optional<T>& v) {
        if (v) bind(i, *v);
        else sqlite3_bind_null(stmt_, i);
    }
    void reset() { sqlite3_reset(stmt_); sqlite3_clear_bindings(stmt_); }
    int columns() const { return sqlite3_column_count(stmt_); }
    sqlite3_stmt* handle() const { return stmt_; }
    std::optional<int64_t> integer(int c) const {
        if (sqlite3_column_type(stmt_, c) == SQLITE_NULL) return std::nullopt;
        return sqlite3_column_int64(stmt_, c);
    }
    std::optional<std::string> text(int c) const {
        if (sqlite3_column_type(stmt_, c) == SQLITE_NULL) return std::nullopt;
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, c));
        return std::string(text, static_cast<size_t>(sqlite3_column_bytes(stmt_, c)));
    }

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

inline void exec(sqlite3* db, const char* sql) {
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) throwSqlite(db, rc);
}

// Checks that `file` can be a database at all (exists, regular, not empty) and returns
// its status; SQLite would create a missing file or accept an empty one. Messages call
// the file `shown`.
inline struct stat requireDatabaseFile(const std::string& file, const std::string& shown) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) throw DbError(err::FileNotFound, "Could not find file '" + shown + "'.");
    if (!S_ISREG(st.st_mode)) throw DbError(err::CannotOpenFile, "Could not open file '" + shown + "': not a regular file.");
    if (st.st_size == 0) throw DbError(err::UnrecognizedFormat, "Unrecognized database format '" + shown + "': the file is empty.");
    if (::access(file.c_str(), R_OK) != 0)
        throw DbError(err::CannotOpenFile, "Could not open file '" + shown + "': " + std::strerror(errno) + ".");
    return st;
}

// A failure met while opening a file or reading its first pages: garbage and truncated
// files show as "not a database" or "corrupt", which the caller learns as an
// unrecognised format; a file that cannot be opened at all (no permission) as such.
[[noreturn]] inline void rethrowOpenFailure(const DbError& e, const std::string& shown) {
    const int n = e.number();
    if (n == SQLITE_NOTADB || n == SQLITE_CORRUPT || n == SQLITE_CORRUPT_INDEX || n == SQLITE_CORRUPT_SEQUENCE ||
        n == SQLITE_IOERR_SHORT_READ || (n == err::UnrecognizedFormat && e.text() == kUnrecognizedFormat))
        throw DbError(err::UnrecognizedFormat, "Unrecognized database format '" + shown + "'.");
    if ((n & 0xff) == SQLITE_CANTOPEN || (n & 0xff) == SQLITE_PERM)
        throw DbError(err::CannotOpenFile, "Could not open file '" + shown + "': " + e.text());
    throw e;
}

} // namespace kessig::detail
