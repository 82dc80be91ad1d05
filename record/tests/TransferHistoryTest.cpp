// The history folder as several programs share it: entries written at once by several
// processes, files that are not whole entries, entries changed after they were written.

#include "orvane/record/HistoryReports.h"
#include "orvane/record/TransferHistory.h"

#include "../../files/tests/support/EnvironmentVariable.h"
#include "../../files/tests/support/FileContent.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace orvane::record;
using orvane::testsupport::contentOf;
using orvane::testsupport::EnvironmentVariable;

namespace {

TransferEntry sampleEntry(int n)
{
    TransferEntry e;
    e.user = QStringLiteral("engineer");
    e.host = QStringLiteral("plant-pc");
    e.program = QStringLiteral("orvane 7.11");
    e.operation = QStringLiteral("download");
    e.port = QStringLiteral("/dev/ttyUSB0");
    e.identification = QStringLiteral("ORVANE DCX-7 ROM 3.04   ");
    e.file = QStringLiteral("/plants/unit %1/plant \"ä\".mdb").arg(n);
    e.outcome = QStringLiteral("complete");
    e.image = QByteArray(2100 + n, char(n));
    e.imageSha256 = imageDigest(e.image);
    e.text = QStringLiteral("title = \"Unit %1\"\nblock 20: PID (function 10)\n").arg(n);
    return e;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    ASSERT_TRUE(orvane::testsupport::writeContent(path, bytes)) << path.toStdString();
}

} // namespace

TEST(TransferHistory, ProcessesRecordingAtOnceLoseNoEntryAndTearNone)
{
    QTemporaryDir shared;
    constexpr int kProcesses = 6, kEach = 30;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t child = ::fork();
        if (child == 0) {
            const TransferHistory history(shared.path());
            int failures = 0;
            for (int i = 0; i < kEach; ++i) {
                TransferEntry e = sampleEntry(p * kEach + i);
                failures += history.write(e).has_value();
            }
            ::_exit(failures);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a process failed to record";
    }

    const TransferHistory history(shared.path());
    const auto listing = history.list();
    EXPECT_TRUE(listing.warnings.isEmpty()) << listing.warnings.join('\n').toStdString();
    ASSERT_EQ(listing.entries.size(), size_t(kProcesses * kEach));
    QSet<QString> files, ids;
    for (size_t i = 0; i < listing.entries.size(); ++i) {
        files << listing.entries[i].file;
        ids << listing.entries[i].id;
        if (i > 0) {
            EXPECT_GE(listing.entries[i - 1].time, listing.entries[i].time) << "not newest first";
        }
    }
    EXPECT_EQ(files.size(), kProcesses * kEach);
    EXPECT_EQ(ids.size(), kProcesses * kEach);
    const auto check = history.check();
    EXPECT_EQ(check.whole, kProcesses * kEach);
    EXPECT_TRUE(check.changed.empty());
    // Nothing half-written is left beside the entries.
    EXPECT_EQ(QDir(shared.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(),
              kProcesses * kEach);

    // A whole entry reads back as written, text and image included.
    QString error;
    const auto found = history.find(listing.entries.front().id, error);
    ASSERT_TRUE(found) << error.toStdString();
    const TransferEntry& e = found->entry;
    const int n = e.file.section(' ', 1, 1).section('/', 0, 0).toInt();
    const TransferEntry written = sampleEntry(n);
    EXPECT_EQ(e.image, written.image);
    EXPECT_EQ(e.text, written.text);
    EXPECT_EQ(e.identification, written.identification);
    EXPECT_EQ(e.program, written.program);
    EXPECT_FALSE(found->changed);
}

TEST(TransferHistory, DamagedEntriesAreSkippedWithAWarningAndChangedOnesAreFound)
{
    QTemporaryDir shared;
    const TransferHistory history(shared.path());
    std::vector<TransferEntry> kept;
    for (int i = 0; i < 4; ++i) {
        TransferEntry e = sampleEntry(i);
        e.time = QStringLiteral("2026-12-0%1T14:03:22Z").arg(i + 1);
        ASSERT_EQ(history.write(e), std::nullopt);
        EXPECT_TRUE(e.id.startsWith(QStringLiteral("2026120%1-140322-").arg(i + 1))) << e.id.toStdString();
        kept.push_back(e);
    }
    const auto pathOf = [&](const QString& id) { return shared.filePath(id + QLatin1String(kEntrySuffix)); };
    const QByteArray whole = contentOf(pathOf(kept[0].id));
    // Cut in its text, cut in its header, and a stranger's file with an entry's name.
    writeFile(pathOf(QStringLiteral("20261205-000000-aaaaaa")), whole.left(whole.size() - 5));
    writeFile(pathOf(QStringLiteral("20261206-000000-bbbbbb")), whole.left(40));
    writeFile(pathOf(QStringLiteral("20261207-000000-cccccc")), QByteArray(300, '\0'));
    // A whole entry copied under another name: its id does not name it.
    writeFile(pathOf(QStringLiteral("20261208-000000-dddddd")), whole);
    // Changed after it was written, its size kept.
    QByteArray edited = contentOf(pathOf(kept[2].id));
    edited.replace("Unit 2", "Unit 9");
    ASSERT_TRUE(QFile::remove(pathOf(kept[2].id)));
    writeFile(pathOf(kept[2].id), edited);

    const auto listing = history.list();
    ASSERT_EQ(listing.entries.size(), 4u);
    EXPECT_EQ(listing.entries.front().id, kept[3].id);
    EXPECT_EQ(listing.entries.back().id, kept[0].id);
    EXPECT_EQ(listing.warnings.size(), 4);
    for (const char* id : {"aaaaaa", "bbbbbb", "cccccc", "dddddd"})
        EXPECT_TRUE(listing.warnings.join('\n').contains(QLatin1String(id)));

    const auto check = history.check();
    EXPECT_EQ(check.whole, 3);
    ASSERT_EQ(check.changed.size(), 1u);
    EXPECT_EQ(check.changed.front().id, kept[2].id);
    EXPECT_EQ(check.warnings.size(), 4);

    // As the command line reports it.
    const QByteArray report = checkText(check);
    EXPECT_TRUE(report.contains("changed since it was written: " + kept[2].id.toUtf8() + "  2026-12-03 14:03 UTC  download complete"))
        << report.toStdString();
    EXPECT_TRUE(report.endsWith("3 entries as written, 1 changed, 4 not whole\n")) << report.toStdString();
    const QJsonObject checked = checkJson(check);
    EXPECT_EQ(checked["whole"].toInt(), 3);
    EXPECT_EQ(checked["changed"].toArray()[0].toObject()["id"].toString(), kept[2].id);
    EXPECT_EQ(listingText(listing.entries).count('\n'), 4);
    const QJsonArray listed = listingJson(shared.path(), listing.entries, listing.warnings)["entries"].toArray();
    ASSERT_EQ(listed.size(), 4);
    EXPECT_EQ(listed[0].toObject()["file"].toString(), kept[3].file);
    EXPECT_EQ(listed[0].toObject()["time"].toString(), "2026-12-04T14:03:22Z");

    // The entries of one file, or of one port.
    EXPECT_EQ(entriesAbout(listing.entries, QString(), QStringLiteral("/dev/ttyUSB0")).size(), 4u);
    EXPECT_TRUE(entriesAbout(listing.entries, QString(), QStringLiteral("/dev/ttyUSB1")).empty());
    EXPECT_TRUE(entriesAbout(listing.entries, QString(), QString()).empty());

    QString error;
    const auto shown = history.find(kept[2].id, error);
    ASSERT_TRUE(shown);
    const QByteArray text = entryText(*shown);
    EXPECT_TRUE(text.contains("CHANGED since it was written")) << text.toStdString();
    EXPECT_TRUE(text.contains("\nblock 20: PID (function 10)\n")) << text.toStdString();
    EXPECT_TRUE(entryJsonWhole(*shown)["changedSinceWritten"].toBool());
    EXPECT_TRUE(history.find(kept[1].id.left(8 + 1 + 6 + 3), error));
    EXPECT_FALSE(history.find(QStringLiteral("2026"), error));
    EXPECT_TRUE(error.contains(QStringLiteral("entries start with 2026"))) << error.toStdString();
    EXPECT_FALSE(history.find(QStringLiteral("20261205-000000-aaaaaa"), error));
    EXPECT_TRUE(error.contains(QStringLiteral("not a whole"))) << error.toStdString();
}

TEST(TransferHistory, TheDefaultFolderIsThisUsersOwnAndASharedOneMustExist)
{
    QTemporaryDir home;
    EnvironmentVariable data("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
    EnvironmentVariable variable(kHistoryVariable, QByteArray());
    const QString own = commandLineHistoryFolder();
    EXPECT_EQ(own, QFileInfo(home.filePath(QStringLiteral("data/Orvane/history"))).absoluteFilePath());
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(own).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    EnvironmentVariable missing(kHistoryVariable, home.filePath(QStringLiteral("share/history")).toUtf8());
    EXPECT_THROW(commandLineHistoryFolder(), std::runtime_error);
    EnvironmentVariable shared(kHistoryVariable, home.path().toUtf8());
    EXPECT_EQ(commandLineHistoryFolder(), home.path());
}
