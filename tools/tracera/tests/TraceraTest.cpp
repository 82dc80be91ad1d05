// Tracera run as a real process: where it finds the drawing program's synchronisation
// database, its variant of the compare log, its comment flag, and that the database is
// always gone afterwards.

#include "orvane/compare/CompanionFiles.h"
#include "orvane/compare/testing/ConfigurationFile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orvane::compare;
using namespace orvane::compare::testing;

namespace {

const QByteArray kFooter = "***** To Return To Graven Shutdown WordPad *****";

// Runs are given this locale; the log dates files in its general date and time form.
const QString kLocale = QStringLiteral("en_US.UTF-8");
QByteArray dated(const char* label, const QString& path)
{
    return label + path.toLatin1() + " - "
           + QLocale(QLocale::English, QLocale::UnitedStates)
                 .toString(QFileInfo(path).lastModified(), QStringLiteral("M/d/yyyy h:mm:ss AP"))
                 .toLatin1();
}

QList<QByteArray> linesOf(const QByteArray& log)
{
    QList<QByteArray> lines = log.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray& line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    return lines;
}

class TraceraTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QDir().mkpath(temp);
        QDir().mkpath(stored);
        QDir().mkpath(config + QStringLiteral("/Orvane"));
        writeFile(config + QStringLiteral("/Orvane/GRAVEN.ini"), "[FILES]\nLOCATION=" + stored.toUtf8() + "/\n");
    }

    ProcessRun tracera(const QString& configuration, char code, const QString& drawing)
    {
        return runProgram(QStringLiteral("Tracera"), {joinCommandLine(configuration, code, drawing)},
                          {{QStringLiteral("TEMP"), temp}, {QStringLiteral("XDG_CONFIG_HOME"), config},
                           {QStringLiteral("LC_ALL"), kLocale},
                           // As the drawing program starts it: it finds its helpers beside itself.
                           {QStringLiteral("ORVANE_BIN_DIR"), QString()}});
    }

    QTemporaryDir dir;
    const QString temp = dir.filePath(QStringLiteral("temp"));
    const QString stored = dir.filePath(QStringLiteral("graven sync"));
    const QString config = dir.filePath(QStringLiteral("config"));
    const QString plant = dir.filePath(QStringLiteral("plant.mdb"));
    const QString drawing = dir.filePath(QStringLiteral("plant drawing.vsd"));
};

} // namespace

TEST_F(TraceraTest, StoredFolderWhenTempHasNone_BlankCommentsGiveTheNoteWithCodeLOnly_TheDatabaseIsGoneAfterEveryRun)
{
    ConfigurationFile(plant).close();
    writeFile(drawing, {});
    const QString sync = stored + QStringLiteral("/") + kSyncDatabaseName;
    ASSERT_TRUE(copyFile(plant, sync));

    ProcessRun run = tracera(plant, 'L', drawing);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(sync));
    QList<QByteArray> lines = linesOf(contentOf(stored + QStringLiteral("/ORVANE_COMPARE_FILE.TXT")));
    ASSERT_EQ(lines.size(), 16);
    EXPECT_TRUE(lines[0].startsWith("ORVANE FULL COMPARE LOG     ")) << lines[0].toStdString();
    EXPECT_EQ(lines.mid(1), (QList<QByteArray>{
                                " ", kFooter, " ", dated("FILE 1 ", drawing), dated("FILE 2 ", plant), " ",
                                "Block                                      File 1     File 2", " ", " ", " ",
                                "Note: All Comments In " + plant.toLatin1() + " Are Blank",
                                "Comments In The Drawing Will Not Be Modified", " ", " ", kFooter}));
    EXPECT_EQ(contentOf(stored + QStringLiteral("/CompareResult")), "0\r\n");
    EXPECT_FALSE(QFileInfo::exists(stored + QStringLiteral("/COMMENTS.TXT")));

    ASSERT_TRUE(copyFile(plant, sync));
    run = tracera(plant, 'S', drawing);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(sync));
    lines = linesOf(contentOf(stored + QStringLiteral("/ORVANE_COMPARE_FILE.TXT")));
    ASSERT_EQ(lines.size(), 12);
    EXPECT_TRUE(lines[0].startsWith("ORVANE CONFIGURATION COMPARE LOG          ")) << lines[0].toStdString();
    EXPECT_EQ(lines.mid(8), (QList<QByteArray>{" ", " ", " ", kFooter}));

    // A database that cannot be read is still removed; no result is written for it.
    QFile::remove(stored + QStringLiteral("/CompareResult"));
    writeFile(sync, QByteArray(2048, 'z'));
    run = tracera(plant, 'L', drawing);
    EXPECT_EQ(run.exitCode, kExitNotCompared);
    EXPECT_TRUE(run.err.contains(sync.toUtf8())) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(sync));
    EXPECT_FALSE(QFileInfo::exists(stored + QStringLiteral("/CompareResult")));
    // And with none at all there is nothing to compare.
    run = tracera(plant, 'L', drawing);
    EXPECT_EQ(run.exitCode, kExitNotCompared);
    EXPECT_TRUE(run.err.contains("Could not find file")) << run.err.toStdString();
}

TEST_F(TraceraTest, TheDatabaseInTempWins_CommentsTheDrawingLacksSetTheFlag_AndOnlyTheUsedDatabaseIsRemoved)
{
    {
        ConfigurationFile c(plant);
        c.function(10, 28).blockComments(10, "from the configuration").texts("Plant", "", "");
    }
    {
        ConfigurationFile c(temp + QStringLiteral("/") + kSyncDatabaseName);
        c.function(10, 20);
    }
    const QString storedSync = stored + QStringLiteral("/") + kSyncDatabaseName;
    ASSERT_TRUE(copyFile(plant, storedSync));

    const ProcessRun run = tracera(plant, 'L', drawing);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(temp + QStringLiteral("/") + kSyncDatabaseName));
    EXPECT_TRUE(QFileInfo::exists(storedSync));
    const QList<QByteArray> lines = linesOf(contentOf(temp + QStringLiteral("/ORVANE_COMPARE_FILE.TXT")));
    ASSERT_GE(lines.size(), 5);
    // The drawing file does not exist: it is named without a date.
    EXPECT_EQ(lines[4], "FILE 1 " + drawing.toLatin1());
    EXPECT_EQ(lines.mid(7), (QList<QByteArray>{
                                "Configuration Titles Are Different", "FILE 1: ", "FILE 2: Plant", " ",
                                "Block                                      File 1     File 2", " ",
                                " 10        ..Different Function..          ADD        SUMMER    ", " ", " ", " ", kFooter}));
    // The title differs and the configuration's is not blank; the block's comment was not
    // compared, its functions differ.
    EXPECT_EQ(contentOf(temp + QStringLiteral("/CompareResult")), "49\r\n");
}

TEST_F(TraceraTest, TheDrawingProgramsJetDatabaseComparesEqualToTheSameConfiguration_AndAJetConfigurationIsOnlyRead)
{
    makeLegacyTwin(plant);
    const QString sync = temp + QStringLiteral("/") + kSyncDatabaseName;
    copyLegacyJetFile("legacy-config-jet4.mdb", sync);

    ProcessRun run = tracera(plant, 'L', drawing);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(sync));
    const QList<QByteArray> frame = {"Block                                      File 1     File 2", " ", " ", " ", " ", kFooter};
    EXPECT_EQ(linesOf(contentOf(temp + QStringLiteral("/ORVANE_COMPARE_FILE.TXT"))).mid(7), frame);
    EXPECT_EQ(contentOf(temp + QStringLiteral("/CompareResult")), "0\r\n");

    // The configuration may be a Jet file too; it stays as it was.
    const QString legacy = dir.filePath(QStringLiteral("legacy plant.mdb"));
    copyLegacyJetFile("legacy-config-jet4.mdb", legacy);
    const QByteArray before = contentOf(legacy);
    ASSERT_TRUE(copyFile(plant, sync));
    run = tracera(legacy, 'L', drawing);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(sync));
    EXPECT_EQ(linesOf(contentOf(temp + QStringLiteral("/ORVANE_COMPARE_FILE.TXT"))).mid(7), frame);
    EXPECT_EQ(contentOf(temp + QStringLiteral("/CompareResult")), "0\r\n");
    EXPECT_EQ(contentOf(legacy), before);

    // A damaged export is named with what is wrong, and removed all the same.
    writeFile(sync, before.left(8192));
    run = tracera(plant, 'L', drawing);
    EXPECT_EQ(run.exitCode, kExitNotCompared);
    EXPECT_TRUE(run.err.contains(sync.toUtf8() + " cannot be read: it is truncated")) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(sync));
}
