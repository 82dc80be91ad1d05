// Legacy Jet files read by the real reader process into real SQLite files, checked
// against an independent reading of the same files (expected/*.csv).
#include "orvane/files/Leftovers.h"
#include "orvane/files/WorkingCopy.h"
#include "orvane/formats/JetFiles.h"

#include <kessig/OrvaneDB.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <optional>
#include <variant>
#include <vector>

using namespace orvane::formats;

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

namespace {

const QString kData = QStringLiteral(JET_TEST_DATA);

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// One value of a SQLite row: Null, a whole number, a real or the bytes of a text or blob.
using Value = std::variant<std::monostate, qint64, double, QByteArray>;

std::vector<std::vector<Value>> query(const QString& file, const QString& sql)
{
    sqlite3* db = nullptr;
    std::vector<std::vector<Value>> rows;
    EXPECT_EQ(sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* s = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &s, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    while (s && sqlite3_step(s) == SQLITE_ROW) {
        std::vector<Value> row;
        for (int c = 0; c < sqlite3_column_count(s); ++c) {
            switch (sqlite3_column_type(s, c)) {
            case SQLITE_NULL: row.emplace_back(); break;
            case SQLITE_INTEGER: row.emplace_back(static_cast<qint64>(sqlite3_column_int64(s, c))); break;
            case SQLITE_FLOAT: row.emplace_back(sqlite3_column_double(s, c)); break;
            default:
                row.emplace_back(QByteArray(static_cast<const char*>(sqlite3_column_blob(s, c)), sqlite3_column_bytes(s, c)));
            }
        }
        rows.push_back(row);
    }
    sqlite3_finalize(s);
    sqlite3_close(db);
    return rows;
}

// A cell of mdb-export's CSV: its bytes, and whether it was quoted (texts are, Nulls
// and numbers are not).
struct Cell {
    QByteArray bytes;
    bool quoted = false;
};

std::vector<std::vector<Cell>> parseCsv(const QByteArray& data)
{
    std::vector<std::vector<Cell>> rows(1);
    Cell cell;
    bool inQuotes = false;
    for (qsizetype i = 0; i < data.size(); ++i) {
        const char c = data[i];
        if (inQuotes) {
            if (c != '"')
                cell.bytes += c;
            else if (i + 1 < data.size() && data[i + 1] == '"')
                cell.bytes += data[++i];
            else
                inQuotes = false;
        } else if (c == '"') {
            inQuotes = cell.quoted = true;
        } else if (c == ',' || c == '\n') {
            rows.back().push_back(cell);
            cell = {};
            if (c == '\n')
                rows.emplace_back();
        } else {
            cell.bytes += c;
        }
    }
    if (rows.back().empty())
        rows.pop_back();
    return rows;
}

// Whether a value read by the reader is the one the CSV shows.
bool sameAs(const Value& v, const Cell& cell)
{
    if (std::holds_alternative<std::monostate>(v))
        return cell.bytes.isEmpty() && !cell.quoted;
    if (const auto* i = std::get_if<qint64>(&v))
        return cell.bytes == QByteArray::number(*i);
    if (const auto* d = std::get_if<double>(&v))
        return qFuzzyCompare(1.0 + cell.bytes.toDouble(), 1.0 + *d);
    const QByteArray& b = std::get<QByteArray>(v);
    // Dates are kept as "YYYY-MM-DD HH:MM:SS"; the CSV shows them as mdb-export does.
    const QDateTime date = QDateTime::fromString(QString::fromLatin1(b), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (date.isValid())
        return cell.bytes == date.toString(QStringLiteral("MM/dd/yy HH:mm:ss")).toLatin1();
    return cell.bytes == b;
}

struct ReaderRun {
    int exitCode = -1;
    QString reason;
};

ReaderRun runReader(const QStringList& arguments)
{
    QProcess p;
    p.start(jetReaderProgram(), arguments);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()).trimmed()};
}

// A damaged file and the reason it is refused with.
struct BadFile {
    QString name;
    QByteArray bytes;
    QString reason;
};

class JetFilesTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
    // Each file is refused with its reason, and the target stays as it was.
    void expectEachRefused(const std::vector<BadFile>& files)
    {
        const QString target = path(QStringLiteral("work.tmp"));
        writeBytes(target, "untouched");
        for (const BadFile& f : files) {
            SCOPED_TRACE(f.name.toStdString());
            const QString file = path(f.name);
            writeBytes(file, f.bytes);
            EXPECT_TRUE(isJetFile(file));
            EXPECT_EQ(copyConfiguration(file, target), file + QStringLiteral(" cannot be read: ") + f.reason);
            EXPECT_EQ(bytesOf(target), "untouched");
        }
    }
    // A copy of a test file that the test may change.
    QString copyOf(const QString& name, const QString& as = {})
    {
        const QString target = path(as.isEmpty() ? name : as);
        QFile::copy(kData + QLatin1Char('/') + name, target);
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
        return target;
    }
};

} // namespace

TEST_F(JetFilesTest, EveryTableReadsAsTheIndependentReadingShowsIt)
{
    const QStringList csvs = QDir(kData + QStringLiteral("/expected")).entryList({QStringLiteral("*.csv")});
    ASSERT_EQ(csvs.size(), 21);
    for (const QString& csv : csvs) {
        SCOPED_TRACE(csv.toStdString());
        const QString file = csv.section(QLatin1Char('.'), 0, 0);
        QString table = csv.section(QLatin1Char('.'), 1, 1);
        // The configurations are read as such; every other file as it is.
        const bool configuration = file.startsWith(QStringLiteral("legacy-config"));
        if (configuration)
            table.replace(QLatin1Char('_'), QLatin1Char(' '));
        const QString read = path(file + QStringLiteral(".sqlite"));
        if (!QFile::exists(read)) {
            QStringList arguments{kData + QLatin1Char('/') + file + QStringLiteral(".mdb"), read};
            if (configuration)
                arguments.prepend(QStringLiteral("--configuration"));
            const ReaderRun run = runReader(arguments);
            ASSERT_EQ(run.exitCode, 0) << run.reason.toStdString();
        }
        const auto expected = parseCsv(bytesOf(kData + QStringLiteral("/expected/") + csv));
        const auto columns = query(read, QStringLiteral("SELECT name FROM pragma_table_info('%1')").arg(table));
        ASSERT_EQ(columns.size(), expected[0].size());
        for (std::size_t c = 0; c < columns.size(); ++c)
            EXPECT_EQ(std::get<QByteArray>(columns[c][0]), expected[0][c].bytes);
        const auto rows = query(read, QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(table));
        ASSERT_EQ(rows.size() + 1, expected.size());
        for (std::size_t r = 0; r < rows.size(); ++r)
            for (std::size_t c = 0; c < columns.size(); ++c)
                EXPECT_TRUE(sameAs(rows[r][c], expected[r + 1][c]))
                    << "row " << r + 1 << " field " << expected[0][c].bytes.constData() << ": "
                    << expected[r + 1][c].bytes.left(60).constData();
    }
}

TEST_F(JetFilesTest, LegacyConfigurationBecomesAStoreConfigurationWithItsNullsAndTexts)
{
    const QString legacy = copyOf(QStringLiteral("legacy-config-jet4.mdb"), QStringLiteral("plant.mdb"));
    const QString old = copyOf(QStringLiteral("legacy-config-novisio-jet4.mdb"), QStringLiteral("old.mdb"));
    ::chmod(QFile::encodeName(old).constData(), 0444);
    EXPECT_TRUE(isJetFile(legacy));
    const QString work = path(QStringLiteral("work.tmp")), oldWork = path(QStringLiteral("old.tmp"));
    writeBytes(work, {});
    ASSERT_EQ(copyConfiguration(legacy, work), std::nullopt);
    ASSERT_EQ(copyConfiguration(old, oldWork), std::nullopt);
    EXPECT_FALSE(isJetFile(work));
    EXPECT_EQ(orvane::files::modificationTimeNs(work), orvane::files::modificationTimeNs(legacy));
    EXPECT_FALSE(orvane::files::isReadOnlyFile(work));
    EXPECT_TRUE(orvane::files::isReadOnlyFile(oldWork));
    // Nothing of the reading is left beside the copy.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 4);

    // Null stays Null, an empty text stays empty, Windows texts arrive as UTF-8.
    const auto blocks = query(work, QStringLiteral("SELECT Comment, VisioComment FROM \"Block List\" WHERE BlockNumber < 4 ORDER BY BlockNumber"));
    EXPECT_EQ(std::get<QByteArray>(blocks[0][0]), QStringLiteral("Boiler 3 \"north\" \u2013 feed pump").toUtf8());
    EXPECT_EQ(std::get<QByteArray>(blocks[0][1]), QByteArray(""));
    EXPECT_TRUE(std::holds_alternative<std::monostate>(blocks[1][0]));
    EXPECT_TRUE(std::holds_alternative<std::monostate>(blocks[1][1]));
    EXPECT_EQ(std::get<QByteArray>(blocks[2][0]), QByteArray("line one\r\nline two"));
    EXPECT_EQ(std::get<QByteArray>(blocks[3][1]), QByteArray("   "));

    // The store opens it like its own: its tables, indexes and rules are the store's.
    kessig::OrvaneDB db;
    EXPECT_EQ(db.TestVisioComments(work.toStdString()), 0);
    EXPECT_NE(db.TestVisioComments(oldWork.toStdString()), 0);
    db.open_existing_database(work.toStdString());
    db.MessageSeek(14);
    EXPECT_EQ(db.MessageMsg(), "HIGH TEMP \xC3\x84\xC3\x96\xC3\x9C");
    EXPECT_EQ(db.CommentTitle(), "Legacy plant");
    EXPECT_EQ(db.CommentConfig(), "CFG-2024-07");
    int blockRows = 0;
    for (db.BlockMoveFirst(); !db.BlockEOF(); db.BlockMoveNext())
        ++blockRows;
    EXPECT_EQ(blockRows, 160);
    db.ConstantMoveFirst();
    EXPECT_TRUE(db.ConstantEOF());
    db.ConstantAddNew();
    db.ConstantBlockNumber(0);
    db.ConstantOffset(0);
    db.ConstantValue(5);
    db.ConstantUpdate();
    db.ConstantAddNew();
    db.ConstantBlockNumber(0);
    db.ConstantOffset(0);
    db.ConstantValue(6);
    EXPECT_THROW(db.ConstantUpdate(), kessig::DbError);   // the unique key of the store
    db.close_work_dbs();

    // Any other file is copied as it is.
    const QString copy = path(QStringLiteral("again.tmp"));
    ASSERT_EQ(copyConfiguration(work, copy), std::nullopt);
    EXPECT_EQ(bytesOf(copy), bytesOf(work));
}

TEST_F(JetFilesTest, BadFilesAreRefusedByNameWithWhatIsWrong)
{
    const QByteArray good = bytesOf(kData + QStringLiteral("/legacy-config-jet4.mdb"));
    QByteArray ace = good.left(4096);
    ace.replace(4, 15, "Standard ACE DB");
    ace[20] = 2;
    const std::vector<BadFile> cases = {
        {QStringLiteral("cut.mdb"), good.left(100000),
         QStringLiteral("it is truncated (100000 bytes is not a whole number of 4096-byte pages).")},
        {QStringLiteral("short.mdb"), good.left(8192),
         QStringLiteral("it is truncated (8192 bytes is too short for a database).")},
        {QStringLiteral("halved.mdb"), good.left(131072),
         QStringLiteral("it is damaged: table \"Block List\" holds 160 rows, of which 0 can be read.")},
        {QStringLiteral("garbage.mdb"), good.left(21) + QByteArray(good.size() - 21, '\x5a'),
         QStringLiteral("it is damaged: its list of tables cannot be read.")},
        {QStringLiteral("later.mdb"), ace,
         QStringLiteral("it was written by Access 2007 or later; only Jet 3 and Jet 4 files are read.")},
        {QStringLiteral("foreign.mdb"), bytesOf(kData + QStringLiteral("/testV1997.mdb")),
         QStringLiteral("it has no table \"Block List\", so it is no Orvane configuration.")},
    };
    expectEachRefused(cases);
    EXPECT_FALSE(isJetFile(path(QStringLiteral("work.tmp"))));
    EXPECT_FALSE(isJetFile(path(QStringLiteral("missing.mdb"))));
    // Nothing but the test's own files is left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(),
              static_cast<int>(cases.size()) + 1);
}

TEST_F(JetFilesTest, DamagedLongValuesAreRefusedWithWhatIsWrong)
{
    // legacy-config-jet4.mdb keeps its description (Comments.Comment) as row 0 of the
    // long value page 47; test2V2000.mdb keeps a binary field of MSP_PROJECTS in a chain
    // of rows, one a page, on pages 53 to 58. Each page starts with its row count at
    // byte 12 and the row table after it; a chain row starts with the reference of the next.
    constexpr int kPage = 4096;
    const auto put16 = [](QByteArray& b, qsizetype at, quint16 v) {
        b[at] = char(v & 0xff);
        b[at + 1] = char(v >> 8);
    };
    const auto put32 = [&](QByteArray& b, qsizetype at, quint32 v) {
        put16(b, at, quint16(v & 0xffff));
        put16(b, at + 2, quint16(v >> 16));
    };
    const auto rowStart = [](const QByteArray& b, int page) {
        return page * kPage + (quint8(b[page * kPage + 14]) | quint8(b[page * kPage + 15]) << 8);
    };
    const QByteArray config = bytesOf(kData + QStringLiteral("/legacy-config-jet4.mdb"));
    const qsizetype description = 47 * kPage;
    // The description's reference in its row: 130 bytes on one page, row 0 of page 47.
    const qsizetype reference = config.indexOf(QByteArray::fromHex("82000040002f0000"));
    ASSERT_GT(reference, 0);

    std::vector<BadFile> cases;
    const auto damaged = [&](const char* name, const std::function<void(QByteArray&)>& change, const QString& reason) {
        QByteArray bytes = config;
        change(bytes);
        cases.push_back({QString::fromLatin1(name), bytes, reason});
    };
    const QString prefix = QStringLiteral("it is damaged: field \"Comment\" in row 1 of table \"Comments\" cannot be read (");
    damaged("zeroed.mdb", [&](QByteArray& b) { b.replace(description, kPage, QByteArray(kPage, '\0')); },
            prefix + QStringLiteral("page 47 is no long value page)."));
    damaged("cleared.mdb", [&](QByteArray& b) { put16(b, description + 14, 0); },
            prefix + QStringLiteral("row 0 of page 47 lies outside the page's rows)."));
    damaged("norows.mdb", [&](QByteArray& b) { put16(b, description + 12, 0); },
            prefix + QStringLiteral("row 0 of page 47 does not exist)."));
    damaged("deleted.mdb", [&](QByteArray& b) { b[description + 15] = char(b[description + 15] | 0x40); },
            prefix + QStringLiteral("row 0 of page 47 is deleted)."));
    damaged("shifted.mdb", [&](QByteArray& b) { put16(b, description + 14, quint16(rowStart(config, 47) - description + 10)); },
            prefix + QStringLiteral("its long value holds 120 bytes, not the 130 bytes its reference gives)."));
    damaged("dangling.mdb", [&](QByteArray& b) { put32(b, reference + 4, 900u << 8); },
            prefix + QStringLiteral("it refers to page 900, which the file does not hold)."));
    damaged("foreign.mdb", [&](QByteArray& b) { put32(b, reference + 4, 2u << 8); },
            prefix + QStringLiteral("page 2 is no long value page)."));
    expectEachRefused(cases);

    // A chain cut short, and one that runs in a circle.
    const QByteArray chained = bytesOf(kData + QStringLiteral("/test2V2000.mdb"));
    const QString chainPrefix = QStringLiteral("it is damaged: field \"RESERVED_BINARY_DATA\" in row 1 of table \"MSP_PROJECTS\" cannot be read (");
    QByteArray cut = chained, circle = chained;
    put32(cut, rowStart(chained, 55), 0);
    put32(circle, rowStart(chained, 56), 54u << 8);
    for (const auto& [name, bytes, reason] :
         {std::tuple{"cut.mdb", cut, QStringLiteral("its long value ends after 12216 bytes of its 22970 bytes)")},
          std::tuple{"circle.mdb", circle, QStringLiteral("its long value pages run in a circle)")}}) {
        SCOPED_TRACE(name);
        writeBytes(path(QString::fromLatin1(name)), bytes);
        const ReaderRun run = runReader({path(QString::fromLatin1(name)), path(QStringLiteral("chain.sqlite"))});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.reason, chainPrefix + reason);
        EXPECT_FALSE(QFile::exists(path(QStringLiteral("chain.sqlite"))));
    }
}

TEST_F(JetFilesTest, AReaderThatDiesLeavesTheCallerRunningWithAMessage)
{
    // A reader that crashes the way a fault on a damaged file would.
    const QString bin = path(QStringLiteral("bin"));
    QDir().mkpath(bin);
    writeBytes(bin + QStringLiteral("/orvane-jet-reader"), "#!/bin/sh\nkill -SEGV $$\n");
    QFile::setPermissions(bin + QStringLiteral("/orvane-jet-reader"), QFile::ReadOwner | QFile::ExeOwner);
    const QByteArray saved = qgetenv("ORVANE_BIN_DIR");
    qputenv("ORVANE_BIN_DIR", bin.toUtf8());
    const QString legacy = copyOf(QStringLiteral("legacy-config-jet4.mdb"), QStringLiteral("plant.mdb"));
    const QString target = path(QStringLiteral("work.tmp"));
    writeBytes(target, "untouched");
    EXPECT_EQ(copyConfiguration(legacy, target),
              legacy + QStringLiteral(" cannot be read: the reader of Jet files stopped on it, so the file is probably damaged."));
    QFile::remove(bin + QStringLiteral("/orvane-jet-reader"));
    EXPECT_EQ(copyConfiguration(legacy, target),
              legacy + QStringLiteral(" cannot be read: the reader of Jet files, ") + bin
                  + QStringLiteral("/orvane-jet-reader, is not installed."));
    qputenv("ORVANE_BIN_DIR", saved);
    EXPECT_EQ(bytesOf(target), "untouched");
}

TEST_F(JetFilesTest, AReadingEndedByASignalLeavesNothing_AKilledOneIsClearedAtTheNextStart)
{
    const QByteArray savedData = qgetenv("XDG_DATA_HOME"), savedBin = qgetenv("ORVANE_BIN_DIR");
    qputenv("XDG_DATA_HOME", path(QStringLiteral("data")).toUtf8());
    // A reader that says when it has started and then takes its time.
    const QString bin = path(QStringLiteral("bin")), ready = path(QStringLiteral("ready"));
    QDir().mkpath(bin);
    ASSERT_EQ(::mkfifo(QFile::encodeName(ready).constData(), 0600), 0);
    writeBytes(bin + QStringLiteral("/orvane-jet-reader"), "#!/bin/sh\necho ready > '" + QFile::encodeName(ready) + "'\nexec sleep 600\n");
    QFile::setPermissions(bin + QStringLiteral("/orvane-jet-reader"), QFile::ReadOwner | QFile::ExeOwner);
    qputenv("ORVANE_BIN_DIR", bin.toUtf8());
    const QString legacy = copyOf(QStringLiteral("legacy-config-jet4.mdb"), QStringLiteral("plant.mdb"));
    const auto leftovers = [] {
        return QDir(orvane::files::workingCopyFolder())
            .entryList({QStringLiteral(".jet-*"), QStringLiteral("Orv*.tmp")}, QDir::Dirs | QDir::Files | QDir::Hidden);
    };
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGKILL}) {
        const pid_t reading = ::fork();
        if (reading == 0) {
            orvane::files::removeWorkingFilesOnTermination();
            const OwnFormatFile file(legacy);
            ::_exit(0);
        }
        const int fifo = ::open(QFile::encodeName(ready).constData(), O_RDONLY | O_NONBLOCK);
        struct pollfd started {fifo, POLLIN, 0};
        ASSERT_EQ(::poll(&started, 1, 60000), 1);   // a bound for a reading that never starts, not a timing
        ::close(fifo);
        EXPECT_EQ(leftovers().size(), 2);   // the working copy and the reader's folder
        ::kill(reading, signal);
        int status = 0;
        ::waitpid(reading, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal);
        if (signal == SIGKILL) {
            EXPECT_EQ(orvane::files::removeLeftovers(), 2);
        }
        EXPECT_TRUE(leftovers().isEmpty()) << strsignal(signal) << ": " << leftovers().join(' ').toStdString();
    }
    qputenv("ORVANE_BIN_DIR", savedBin);
    qputenv("XDG_DATA_HOME", savedData);
}

TEST_F(JetFilesTest, TheFirstReplaceOfAJetFileKeepsItsOriginalBesideIt)
{
    const QString plant = copyOf(QStringLiteral("legacy-config-jet4.mdb"), QStringLiteral("plant.mdb"));
    const QByteArray original = bytesOf(plant);
    const QString work = path(QStringLiteral("work.tmp"));
    ASSERT_EQ(copyConfiguration(plant, work), std::nullopt);

    Replacement first = replaceConfiguration(work, plant);
    ASSERT_EQ(first.error, std::nullopt);
    EXPECT_EQ(first.keptOriginal, path(QStringLiteral("plant.jet.mdb")));
    EXPECT_EQ(bytesOf(first.keptOriginal), original);
    EXPECT_EQ(bytesOf(plant), bytesOf(work));
    EXPECT_EQ(keptOriginalMessage(plant, first.keptOriginal),
              plant + QStringLiteral(" was a legacy Jet file. It is now saved in this program's own format;\r"
                                     "the original is kept unchanged as ") + first.keptOriginal + QLatin1Char('.'));
    // From then on the file is the tool set's own: nothing more is kept.
    EXPECT_EQ(replaceConfiguration(work, plant).keptOriginal, QString());

    // A kept original is never overwritten by a later one.
    const QString other = copyOf(QStringLiteral("legacy-config-novisio-jet4.mdb"), QStringLiteral("plant.mdb.tmp"));
    QFile::remove(plant);
    QFile::rename(other, plant);
    const Replacement second = replaceConfiguration(work, plant);
    EXPECT_EQ(second.keptOriginal, path(QStringLiteral("plant.jet-2.mdb")));
    EXPECT_EQ(bytesOf(first.keptOriginal), original);
    EXPECT_EQ(bytesOf(second.keptOriginal), bytesOf(kData + QStringLiteral("/legacy-config-novisio-jet4.mdb")));
}
