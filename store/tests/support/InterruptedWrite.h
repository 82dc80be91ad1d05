#pragma once
// A write into a configuration that a killed program left: a child process runs the
// statements in one transaction with a page cache so small that changed pages reach the
// file before the commit, and is killed before it commits, leaving the file changed half
// way with its journal beside it. With a write-ahead log the statements are committed
// into the log and the child is killed before the log is written into the file.
#include <sqlite3.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace kessig::testsupport {

enum class Journal { Rollback, WriteAheadLog };

// True when the child got as far as planned and was killed there.
inline bool killedHalfWay(const char* file, const char* statements, Journal journal = Journal::Rollback) {
    const pid_t child = ::fork();
    if (child == 0) {
        sqlite3* db = nullptr;
        if (sqlite3_open(file, &db) != SQLITE_OK) ::_exit(2);
        const char* start = journal == Journal::Rollback ? "PRAGMA cache_size=2; BEGIN;"
                                                         : "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;";
        if (sqlite3_exec(db, start, nullptr, nullptr, nullptr) != SQLITE_OK ||
            sqlite3_exec(db, statements, nullptr, nullptr, nullptr) != SQLITE_OK)
            ::_exit(3);
        ::kill(::getpid(), SIGKILL);
        ::_exit(4);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

} // namespace kessig::testsupport
