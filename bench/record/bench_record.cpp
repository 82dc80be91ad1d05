// The transfer history at the size years of a plant's transfers give it: 10,000 entries,
// each with a full controller image and a configuration's text form. Prints the time to
// record them, to list them (goal: under 1 s, with the folder's files in the page cache
// and, where the system lets this program drop it, without), and to check them all.
#include "orvane/record/TransferHistory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using namespace orvane::record;

namespace {

constexpr int kEntries = 10000;

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A configuration's text form of about the size of a full one.
QString plantText()
{
    QString text = QStringLiteral("title = \"Unit 4 boiler feed\"\n");
    for (int b = 0; b < 160; ++b)
        text += QStringLiteral("block %1: PID (function 10)\n  comment = \"LIC-%1 level\"\n  input 1 = 10  # Process variable\n"
                               "  parameter 4 = 50.00 (stored 50000)  # LOCAL SETPOINT\n  hidden 1 = 0\n").arg(b);
    return text;
}

TransferEntry entry(int n, const QString& text)
{
    TransferEntry e;
    e.user = QStringLiteral("engineer");
    e.host = QStringLiteral("plant-pc");
    e.program = QStringLiteral("orvane 7.11");
    e.operation = n % 3 == 0 ? QStringLiteral("verify") : QStringLiteral("download");
    e.port = QStringLiteral("/dev/ttyUSB0");
    e.identification = QStringLiteral("ORVANE DCX-7 ROM 3.04");
    e.file = QStringLiteral("/plants/unit %1.mdb").arg(n % 40);
    e.outcome = QStringLiteral("complete");
    e.image.resize(340 + 152 + 1600 + 5120);
    QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(e.image.data()), e.image.size() / 4);
    e.imageSha256 = imageDigest(e.image);
    e.text = text;
    return e;
}

// Asks the kernel to forget the cached pages of the folder's files (no root needed for
// one's own files, though the kernel may keep them anyway).
void dropCachedPages(const QString& folder)
{
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files)) {
        const int fd = ::open(QFile::encodeName(dir.filePath(name)).constData(), O_RDONLY);
        if (fd >= 0) {
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
            ::close(fd);
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir folder(QDir::currentPath() + QStringLiteral("/bench-history-XXXXXX"));
    const TransferHistory history(folder.path());
    const QString text = plantText();
    auto start = std::chrono::steady_clock::now();
    for (int n = 0; n < kEntries; ++n) {
        TransferEntry e = entry(n, text);
        if (const auto failure = history.write(e)) {
            std::fprintf(stderr, "%s\n", failure->toLocal8Bit().constData());
            return 1;
        }
    }
    const double written = secondsSince(start);
    qint64 bytes = 0;
    for (const QFileInfo& info : QDir(folder.path()).entryInfoList(QDir::Files))
        bytes += info.size();
    std::printf("recorded %d entries (%.1f MB, %.1f KB each) in %.2f s: %.2f ms an entry, each synced\n", kEntries,
                double(bytes) / 1e6, double(bytes) / kEntries / 1e3, written, 1e3 * written / kEntries);

    bool ok = true;
    for (const bool cold : {false, true}) {
        if (cold)
            dropCachedPages(folder.path());
        start = std::chrono::steady_clock::now();
        const auto listing = history.list();
        const double listed = secondsSince(start);
        ok = ok && listed < 1.0 && listing.entries.size() == size_t(kEntries) && listing.warnings.isEmpty();
        std::printf("listed %zu entries (%lld skipped) newest first in %.3f s%s (goal under 1 s)\n",
                    listing.entries.size(), static_cast<long long>(listing.warnings.size()), listed,
                    cold ? ", its files' pages dropped from the cache first" : ", from the page cache");
    }
    start = std::chrono::steady_clock::now();
    const auto check = history.check();
    std::printf("checked %d entries (%zu changed) in %.3f s\n", check.whole, check.changed.size(), secondsSince(start));
    return ok ? 0 : 1;
}
