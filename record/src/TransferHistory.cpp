#include "orvane/record/TransferHistory.h"

#include "orvane/files/TempFolder.h"
#include "orvane/files/WorkingCopy.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane::record {

namespace {

// Larger than any entry this tool set writes; a larger file in a shared folder is no
// entry and is not read whole.
constexpr qint64 kLargestEntry = 64 * 1024 * 1024;
constexpr qint64 kHeaderChunk = 4096;
constexpr int kNameAttempts = 5;

class OpenEntry {
public:
    explicit OpenEntry(const QString& path)
        : fd_(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK))
    {
        struct stat st {};
        if (fd_ >= 0 && ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode))
            size_ = st.st_size;
    }
    ~OpenEntry()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    OpenEntry(const OpenEntry&) = delete;
    OpenEntry& operator=(const OpenEntry&) = delete;

    // A regular file of a size an entry can have.
    bool usable() const { return size_ > 0 && size_ <= kLargestEntry; }
    qint64 size() const { return size_; }

    // Bytes from the start, up to `count`.
    QByteArray read(qint64 count)
    {
        QByteArray bytes(std::min(count, size_), Qt::Uninitialized);
        qint64 done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::pread(fd_, bytes.data() + done, size_t(bytes.size() - done), done);
            if (n <= 0)
                break;
            done += n;
        }
        bytes.truncate(done);
        return bytes;
    }

private:
    int fd_ = -1;
    qint64 size_ = -1;
};

QString notWhole(const QString& path)
{
    return path + QStringLiteral(": skipped, not a whole transfer history entry (damaged or cut short)");
}

// The header of the entry file at path, when the file is as long as it says and bears
// the id of its name.
std::optional<TransferEntry> readHeader(const QString& path, const QString& id)
{
    OpenEntry file(path);
    if (!file.usable())
        return std::nullopt;
    QByteArray start;
    qsizetype end = -1;
    for (qint64 want = kHeaderChunk; end < 0 && start.size() < file.size(); want *= 4) {
        start = file.read(want);
        end = start.indexOf('\n');
    }
    if (end < 0)
        return std::nullopt;
    const auto header = parseHeader(start.left(end));
    if (!header || header->entry.id != id || end + 1 + header->bodyBytes != file.size())
        return std::nullopt;
    return header->entry;
}

std::optional<ParsedEntry> readWhole(const QString& path, const QString& id)
{
    OpenEntry file(path);
    if (!file.usable())
        return std::nullopt;
    auto parsed = parseEntry(file.read(file.size()));
    if (!parsed || parsed->entry.id != id)
        return std::nullopt;
    return parsed;
}

QStringList entryIds(const QString& folder)
{
    const QString suffix = QString::fromLatin1(kEntrySuffix);
    QStringList ids = QDir(folder).entryList({QLatin1Char('*') + suffix}, QDir::Files | QDir::System);
    for (QString& id : ids)
        id.chop(suffix.size());
    return ids;
}

} // namespace

QString historyFolder(const QString& shared)
{
    if (shared.isEmpty())
        return orvane::files::privateFolderNamed(QStringLiteral("history"));
    if (!QFileInfo(shared).isDir())
        throw std::runtime_error(
            (QStringLiteral("The shared history folder ") + shared + QStringLiteral(" does not exist")).toStdString());
    return QFileInfo(shared).absoluteFilePath();
}

QString commandLineHistoryFolder() { return historyFolder(qEnvironmentVariable(kHistoryVariable)); }

QString recordedPath(const QString& file)
{
    const QFileInfo info(file);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

std::vector<TransferEntry> entriesAbout(const std::vector<TransferEntry>& entries, const QString& file,
                                        const QString& port)
{
    const QString path = file.isEmpty() ? QString() : recordedPath(file);
    std::vector<TransferEntry> about;
    for (const TransferEntry& e : entries)
        if ((!path.isEmpty() && e.file == path) || (!port.isEmpty() && e.port == port))
            about.push_back(e);
    return about;
}

QString TransferHistory::pathOf(const QString& id) const
{
    return folder_ + QLatin1Char('/') + id + QLatin1String(kEntrySuffix);
}

std::optional<QString> TransferHistory::write(TransferEntry& entry) const
{
    if (entry.time.isEmpty())
        entry.time = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
    const QString stamp = QDateTime::fromString(entry.time, Qt::ISODate).toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    std::optional<QString> failure;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        entry.id = stamp + QLatin1Char('-')
                   + QString::number(QRandomGenerator::system()->bounded(0x1000000), 16).rightJustified(6, QLatin1Char('0'));
        const QString path = pathOf(entry.id);
        failure = orvane::files::writeNewFile(path, entryBytes(entry));
        // Another entry of the same second drew the same number: draw again.
        if (!failure || !QFileInfo::exists(path))
            break;
    }
    return failure;
}

TransferHistory::Listing TransferHistory::list() const
{
    Listing listing;
    for (const QString& id : entryIds(folder_)) {
        if (auto entry = readHeader(pathOf(id), id))
            listing.entries.push_back(std::move(*entry));
        else
            listing.warnings << notWhole(pathOf(id));
    }
    std::sort(listing.entries.begin(), listing.entries.end(), [](const TransferEntry& a, const TransferEntry& b) {
        return a.time != b.time ? a.time > b.time : a.id > b.id;
    });
    return listing;
}

std::optional<ParsedEntry> TransferHistory::find(const QString& id, QString& error) const
{
    QStringList matching;
    for (const QString& name : entryIds(folder_)) {
        if (name == id) {
            matching = {name};
            break;
        }
        if (!id.isEmpty() && name.startsWith(id))
            matching << name;
    }
    if (matching.size() != 1) {
        error = matching.isEmpty() ? QStringLiteral("no entry ") + id + QStringLiteral(" in ") + folder_
                                   : QStringLiteral("%1 entries start with %2; give more of the id").arg(matching.size()).arg(id);
        return std::nullopt;
    }
    auto entry = readWhole(pathOf(matching.first()), matching.first());
    if (!entry)
        error = notWhole(pathOf(matching.first()));
    return entry;
}

std::optional<ParsedEntry> TransferHistory::read(const TransferEntry& listed) const
{
    return readWhole(pathOf(listed.id), listed.id);
}

TransferHistory::Check TransferHistory::check() const
{
    Check result;
    for (const QString& id : entryIds(folder_)) {
        const auto entry = readWhole(pathOf(id), id);
        if (!entry)
            result.warnings << notWhole(pathOf(id));
        else if (entry->changed)
            result.changed.push_back(entry->entry);
        else
            ++result.whole;
    }
    return result;
}

} // namespace orvane::record
