#pragma once
// Writes into a configuration by another program. A child process runs the statements in
// one transaction with a page cache so small that changed pages reach the file before the
// commit, leaving the file changed half way with its journal beside it, and holds it so
// until it is told to commit or is killed; killed, it leaves what a killed program leaves.
// With a write-ahead log the statements are committed into the log, which is never
// written into the file.
#include <sqlite3.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace kessig::testsupport {

enum class Journal { Rollback, WriteAheadLog };

class WriterAtWork {
public:
    // Returns once the child has run the statements (ready() tells whether it could).
    WriterAtWork(const char* file, const char* statements, Journal journal = Journal::Rollback) {
        int toChild[2], fromChild[2];
        if (::pipe(toChild) != 0) return;
        if (::pipe(fromChild) != 0) {
            ::close(toChild[0]);
            ::close(toChild[1]);
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(toChild[1]);
            ::close(fromChild[0]);
            sqlite3* db = nullptr;
            const char* start = journal == Journal::Rollback ? "PRAGMA cache_size=2; BEGIN;"
                                                             : "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;";
            const bool ran = sqlite3_open(file, &db) == SQLITE_OK && sqlite3_exec(db, start, nullptr, nullptr, nullptr) == SQLITE_OK &&
                             sqlite3_exec(db, statements, nullptr, nullptr, nullptr) == SQLITE_OK;
            const char said = ran ? 'r' : 'f';
            char order = 0;
            if (::write(fromChild[1], &said, 1) != 1 || !ran || ::read(toChild[0], &order, 1) != 1) ::_exit(3);
            ::_exit(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK ? 0 : 4);
        }
        ::close(toChild[0]);
        ::close(fromChild[1]);
        toChild_ = toChild[1];
        char said = 0;
        ready_ = pid_ > 0 && ::read(fromChild[0], &said, 1) == 1 && said == 'r';
        ::close(fromChild[0]);
    }
    ~WriterAtWork() {
        if (pid_ > 0) kill();
        if (toChild_ >= 0) ::close(toChild_);
    }
    WriterAtWork(const WriterAtWork&) = delete;
    WriterAtWork& operator=(const WriterAtWork&) = delete;

    bool ready() const { return ready_; }
    pid_t pid() const { return pid_; }

    // True when the child committed.
    bool commit() {
        const char order = 'c';
        return pid_ > 0 && ::write(toChild_, &order, 1) == 1 && ended() == 0;
    }
    // True when the child was still at work and was killed there.
    bool kill() {
        return pid_ > 0 && ::kill(pid_, SIGKILL) == 0 && ended() == -SIGKILL;
    }

private:
    // The child's exit code, or minus the signal that ended it.
    int ended() {
        int status = 0;
        const bool waited = ::waitpid(pid_, &status, 0) == pid_;
        pid_ = -1;
        if (!waited) return -1000;
        return WIFSIGNALED(status) ? -WTERMSIG(status) : WEXITSTATUS(status);
    }

    pid_t pid_ = -1;
    int toChild_ = -1;
    bool ready_ = false;
};

// True when the child got as far as planned and was killed there.
inline bool killedHalfWay(const char* file, const char* statements, Journal journal = Journal::Rollback) {
    WriterAtWork writer(file, statements, journal);
    return writer.ready() && writer.kill();
}

} // namespace kessig::testsupport
