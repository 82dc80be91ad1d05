#pragma once
// The transfer history: a folder of entries, one file each, written whole and never
// rewritten, so that several programs of several users may record into one folder at
// once (a network share included, where a database file would not be safe).

#include "orvane/record/TransferEntry.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace orvane::record {

// The variable that names a shared history folder for the command line.
inline constexpr const char* kHistoryVariable = "ORVANE_HISTORY";

// The folder entries go to: `shared` when it is set (it must exist), else this user's
// own private history folder, made when missing. Throws std::runtime_error with the reason.
QString historyFolder(const QString& shared);
// The command line's: the folder ORVANE_HISTORY names, else this user's own.
QString commandLineHistoryFolder();

// The name entries keep of a configuration file: its path on disk, links resolved, so
// that every way of naming the file finds its entries.
QString recordedPath(const QString& file);

// The entries about the configuration `file` or the port `port` (an empty one selects
// nothing), in their order.
std::vector<TransferEntry> entriesAbout(const std::vector<TransferEntry>& entries, const QString& file,
                                        const QString& port);

class TransferHistory {
public:
    explicit TransferHistory(QString folder) : folder_(std::move(folder)) {}
    const QString& folder() const { return folder_; }

    // Writes `entry` as a new file, its id made here from its time (set now when empty)
    // and a random part. The reason when it could not be written.
    std::optional<QString> write(TransferEntry& entry) const;

    // The headers of every entry (image and text left empty), newest first; files that
    // are not whole entries are skipped, each with a warning, never hiding the others.
    struct Listing {
        std::vector<TransferEntry> entries;
        QStringList warnings;
    };
    Listing list() const;

    // The whole entry whose id is `id` or the only one that starts with it; nullopt with
    // the reason in `error` otherwise.
    std::optional<ParsedEntry> find(const QString& id, QString& error) const;
    // The whole entry of a listed one; nullopt when it can no longer be read.
    std::optional<ParsedEntry> read(const TransferEntry& listed) const;

    // The entries changed since they were written (their checksum no longer matches),
    // and a warning for each file that is not a whole entry.
    struct Check {
        std::vector<TransferEntry> changed;
        int whole = 0;
        QStringList warnings;
    };
    Check check() const;

private:
    QString pathOf(const QString& id) const;
    QString folder_;
};

} // namespace orvane::record
