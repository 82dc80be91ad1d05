// Unfinished writes beside a configuration file: found by looking, recovered by the
// database engine itself on the file, or refused with the reason it cannot be.
#include "Sqlite.h"
#include "StoreFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace kessig {

namespace {

using detail::Connection;

// The file the engine works on: the one a link names, with its journal beside it.
std::string resolved(const std::string& file) {
    char real[PATH_MAX];
    return ::realpath(file.c_str(), real) ? std::string(real) : file;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// Reads `size` bytes from the start of a file; empty when it cannot.
std::string head(const std::string& path, size_t size) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return {};
    std::string bytes(size, '\0');
    const ssize_t n = ::pread(fd, bytes.data(), size, 0);
    ::close(fd);
    return n == static_cast<ssize_t>(size) ? bytes : std::string();
}

bool isStoreFormat(const std::string& file) { return head(file, 16) == std::string("SQLite format 3\0", 16); }

// The engine's own rule for a journal to roll back: there, not empty, and its header not
// cleared by a finished write. One that cannot be read counts, as the engine counts it.
bool isHotJournal(const std::string& journal) {
    struct stat st {};
    if (::lstat(journal.c_str(), &st) != 0) return false;
    if (!S_ISREG(st.st_mode)) return true;
    if (st.st_size == 0) return false;
    const std::string first = head(journal, 1);
    return first.empty() || first[0] != '\0';
}

// A write-ahead log counts only for a file kept in that mode (byte 18 of its header is 2):
// the engine never reads one beside any other file.
bool isPendingLog(const std::string& file, const std::string& log) {
    struct stat st {};
    if (::lstat(log.c_str(), &st) != 0 || (S_ISREG(st.st_mode) && st.st_size == 0)) return false;
    const std::string header = head(file, 20);
    return header.size() == 20 && header.compare(0, 16, std::string("SQLite format 3\0", 16)) == 0 && header[18] == 2;
}

[[noreturn]] void cannotRecover(const std::string& shown, const std::string& beside, const std::string& why) {
    throw DbError(err::CannotOpenFile, "Could not open file '" + shown + "': a write into it did not finish (" + beside +
                                           " lies beside it), and it cannot be recovered: " + why +
                                           ". Until it is, the file is not used.");
}

// Refuses what the engine must not be let loose on, before it touches the file.
void requireRecoverable(const std::string& file, const std::string& beside, const std::string& shown) {
    struct stat mine {}, journal {};
    if (::stat(file.c_str(), &mine) != 0) throw DbError(err::FileNotFound, "Could not find file '" + shown + "'.");
    if (::lstat(beside.c_str(), &journal) != 0 || !S_ISREG(journal.st_mode))
        cannotRecover(shown, beside, "it is not a plain file");
    if (!isStoreFormat(file))
        cannotRecover(shown, beside, "the file is not in the tool set's own format, so the journal cannot be its own; "
                                     "move it away if it is not needed");
    // Someone who may not write the file could still leave a journal in a shared folder.
    if (journal.st_uid != mine.st_uid && journal.st_uid != ::geteuid())
        cannotRecover(shown, beside, "it belongs to another user (" + std::to_string(journal.st_uid) +
                                         ") than the file, so it is not applied");
    if ((mine.st_mode & S_IWUSR) == 0) cannotRecover(shown, beside, "the file is marked read-only");
    if (::access(file.c_str(), W_OK) != 0)
        cannotRecover(shown, beside, "the file cannot be written (" + std::string(std::strerror(errno)) + ")");
    const std::string folder = folderOf(file);
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        cannotRecover(shown, beside, "its folder " + folder + " cannot be written (" + std::string(std::strerror(errno)) + ")");
}

// A writer at work keeps its journal beside the file until it commits, and may have begun
// to write the file: that is no unfinished write. It is waited for as every open waits for
// a lock, and named when it does not finish in that time.
void waitForWriterAtWork(const std::string& file, const std::string& shown) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(detail::kLockWaitSeconds);
    for (auto holder = detail::lockHolder(file); holder && holder->writing; holder = detail::lockHolder(file)) {
        if (std::chrono::steady_clock::now() >= until) throw detail::lockedFile(file, shown, SQLITE_BUSY);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

} // namespace

std::string interruptedWriteBeside(const std::string& filename) {
    const std::string file = resolved(filename);
    if (const std::string journal = file + "-journal"; isHotJournal(journal)) return journal;
    if (const std::string log = file + "-wal"; isPendingLog(file, log)) return log;
    return {};
}

std::string recoverInterruptedWrite(const std::string& filename, const std::string& nameInMessages) {
    if (interruptedWriteBeside(filename).empty()) return {};
    const std::string& shown = nameInMessages.empty() ? filename : nameInMessages;
    const std::string file = resolved(filename);
    waitForWriterAtWork(file, shown);
    // What is left once no writer is at work: nothing when it finished.
    const std::string beside = interruptedWriteBeside(filename);
    if (beside.empty()) return {};
    const bool log = beside.size() > 4 && beside.compare(beside.size() - 4, 4, "-wal") == 0;
    requireRecoverable(file, beside, shown);
    {
        sqlite3* raw = nullptr;
        const int rc = sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
        Connection db(raw);
        bool busy = false;
        try {
            if (rc != SQLITE_OK) detail::throwSqlite(raw, rc);
            secureConnection(raw);
            // A program reading the file keeps the engine from undoing the write until it has read.
            sqlite3_busy_timeout(raw, detail::kLockWaitSeconds * 1000);
            if (log) {
                detail::Statement checkpoint(raw, "PRAGMA wal_checkpoint(TRUNCATE)");
                busy = checkpoint.step() && checkpoint.integer(0).value_or(1) != 0;
                checkpoint.reset();
                // Back to the journal every program of the tool set writes.
                if (!busy) detail::exec(raw, "PRAGMA journal_mode=DELETE");
            } else {
                // The first read rolls the journal back under the engine's own locks.
                detail::exec(raw, "PRAGMA schema_version");
            }
        } catch (const DbError& e) {
            if ((e.number() & 0xff) == SQLITE_BUSY) throw detail::lockedFile(file, shown, e.number());
            cannotRecover(shown, beside, e.text());
        }
        if (busy)
            cannotRecover(shown, beside, "another program is writing the file right now; try again when it has finished");
    }
    if (!interruptedWriteBeside(filename).empty())
        cannotRecover(shown, beside, "another program is writing the file right now; try again when it has finished");
    return log ? "'" + shown + "' kept changes in its write-ahead log " + beside + "; they were written into the file."
               : "A write into '" + shown + "' did not finish (a program was stopped or the disk was full); it was undone from " +
                     beside + ", so the file holds its last complete content again.";
}

} // namespace kessig
