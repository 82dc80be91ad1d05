// Juxta run as a real process on real configuration files: the compare log to the
// column, the comments file, the result flags and the exit status.

#include "orvane/compare/CompanionFiles.h"
#include "orvane/compare/testing/ConfigurationFile.h"

#include "../../../store/tests/support/InterruptedWrite.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace orvane::compare;
using namespace orvane::compare::testing;

namespace {

const QByteArray kFooter = "***** To Return To Brevant Shutdown WordPad *****";

// The general date and time form of the locale the runs are given.
const QString kLocale = QStringLiteral("en_US.UTF-8");
QByteArray generalDate(const QDateTime& when)
{
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(when, QStringLiteral("M/d/yyyy h:mm:ss AP")).toLatin1();
}

// The log's lines; every line must end with CR LF and hold no other line end.
QList<QByteArray> linesOf(const QByteArray& log)
{
    EXPECT_TRUE(log.endsWith("\r\n"));
    QList<QByteArray> lines = log.split('\n');
    lines.removeLast();
    for (QByteArray& line : lines) {
        EXPECT_TRUE(line.endsWith('\r')) << line.toStdString();
        line.chop(1);
        EXPECT_FALSE(line.contains('\r')) << line.toStdString();
    }
    return lines;
}

QByteArray fileLine(const char* label, const QString& path)
{
    return label + path.toLatin1() + " - " + generalDate(QFileInfo(path).lastModified());
}

class JuxtaTest : public ::testing::Test {
protected:
    QString file(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QString temp() const { return dir.filePath(QStringLiteral("temp")); }
    QString inTemp(const QString& name) const { return temp() + QLatin1Char('/') + name; }
    // Where Juxta keeps its working copies.
    QString dataHome() const { return dir.filePath(QStringLiteral("data")); }

    ProcessRun juxta(const QString& one, char code, const QString& two)
    {
        return juxtaWith(QStringLiteral("Juxta"), {joinCommandLine(one, code, two)});
    }
    // Juxta given a command line of bytes, written with the octal escapes of printf ("\0351").
    ProcessRun juxtaWithBytes(const QString& escaped, const QString& locale)
    {
        return juxtaWith(QStringLiteral("/bin/sh"),
                         {QStringLiteral("-c"), QStringLiteral("exec \"$0\" \"$(printf '%b' \"$1\")\""),
                          programFolder() + QStringLiteral("/Juxta"), escaped},
                         locale);
    }
    ProcessRun juxtaWith(const QString& program, const QStringList& arguments, const QString& locale = kLocale)
    {
        QDir().mkpath(temp());
        for (const QString& name : {kCompareLogName, kCommentsFileName, kResultFileName})
            QFile::remove(inTemp(name));
        started = QDateTime::currentDateTime().addSecs(-1);
        ProcessRun run = runProgram(program, arguments,
                                    {{QStringLiteral("TEMP"), temp()}, {QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen")},
                                     {QStringLiteral("XDG_DATA_HOME"), dataHome()}, {QStringLiteral("LC_ALL"), locale},
                                     // As the editor starts it: it finds its helpers beside itself.
                                     {QStringLiteral("ORVANE_BIN_DIR"), QString()}});
        ended = QDateTime::currentDateTime().addSecs(1);
        EXPECT_TRUE(run.finished);
        log = contentOf(inTemp(kCompareLogName));
        comments = contentOf(inTemp(kCommentsFileName));
        result = contentOf(inTemp(kResultFileName));
        return run;
    }

    // The title and, from the next print zone on, the time of the run.
    void expectTitleLine(const QByteArray& line, const QByteArray& title, int zoneColumn)
    {
        ASSERT_GE(line.size(), zoneColumn) << line.toStdString();
        EXPECT_EQ(line.left(zoneColumn - 1), title.leftJustified(zoneColumn - 1, ' '));
        const QByteArray date = line.mid(zoneColumn - 1);
        bool matches = false;
        for (QDateTime t = started; t <= ended && !matches; t = t.addSecs(1))
            matches = generalDate(t) == date;
        EXPECT_TRUE(matches) << date.toStdString();
    }

    QList<QByteArray> head(const QString& one, const QString& two)
    {
        return {" ", kFooter, " ", fileLine("FILE 1 ", one), fileLine("FILE 2 ", two), " "};
    }

    QTemporaryDir dir;
    QDateTime started, ended;
    QByteArray log, comments, result;
};

const QByteArray kHeading = "Block                                      File 1     File 2";

} // namespace

TEST_F(JuxtaTest, IdenticalConfigurationsGiveOnlyTheFrame_AndTheCommentsFileCarriesEveryTextOfFile1Whole)
{
    const QString a = file("plant a.mdb"), b = file("plant b.mdb");
    {
        ConfigurationFile c(a);
        c.function(10, 28).function(12, 96);
        c.texts("Title \"one\"", "CFG", "Line one\r\nLine \"two\"");
        c.blockComments(10, "Tank \"A\" level\r\nsecond line", "Caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD");
    }
    ASSERT_TRUE(copyFile(a, b));
    const ProcessRun run = juxta(a, 'L', b);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    // No one can be asked here: the character the comments file lacks is only told.
    EXPECT_EQ(run.err, "Juxta: Windows-1252 lacks some characters of these texts; where the files show them, they show "
                       "\"?\":\nFILE 1 block 10 Visio comment \"Caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD\": \xE4\xB8\xAD\n");

    const QList<QByteArray> lines = linesOf(log);
    ASSERT_EQ(lines.size(), 13) << log.toStdString();
    expectTitleLine(lines[0], "ORVANE FULL COMPARE LOG", 29);
    EXPECT_EQ(lines.mid(1, 6), head(a, b));
    EXPECT_EQ(lines.mid(7), (QList<QByteArray>{kHeading, " ", " ", " ", " ", kFooter}));
    EXPECT_EQ(result, "32\r\n");

    // Title, configuration string and comment, then per block its drawing comment and comment.
    QByteArray expected = "\"Title \bone\b\"\r\n\"CFG\"\r\n\"Line one\r\nLine \btwo\b\"\r\n";
    for (int block = 0; block < 160; ++block)
        expected += block == 10 ? QByteArray("\"Caf\xE9 \x80 ?\"\r\n\"Tank \bA\b level\r\nsecond line\"\r\n")
                                : QByteArray("\"\"\r\n\"\"\r\n");
    EXPECT_EQ(comments, expected);
    const auto records = parseCommentsFile(comments);
    ASSERT_TRUE(records.has_value());
    ASSERT_EQ(records->size(), 323u);
    EXPECT_EQ((*records)[2], "Line one\r\nLine \"two\"");
    EXPECT_EQ((*records)[3 + 2 * 10 + 1], "Tank \"A\" level\r\nsecond line");

    // Nothing but blank texts: no flag at all.
    const QString fresh = file("fresh.mdb");
    ConfigurationFile(fresh).close();
    ASSERT_TRUE(copyFile(fresh, b));
    EXPECT_EQ(juxta(fresh, 'L', b).exitCode, 0);
    EXPECT_EQ(result, "0\r\n");
    EXPECT_EQ(linesOf(log).size(), 13);
}

namespace {

// Two configurations that differ in every way the log tells.
void makeDifferingPair(const QString& a, const QString& b)
{
    {
        ConfigurationFile c(a);
        c.texts("Plant \xC3\x84 \xE2\x82\xAC\xE4\xB8\xAD", "CFG-A", "Description A");
        c.function(10, 28).constant(10, 0, 12345).constant(10, 1, 5).blockComments(10, "Tank A");
        c.function(11, 20).blockComments(11, "adder");
        c.function(12, 96).constant(12, 21, 1).constant(12, 22, 1234).constant(12, 23, 500);
        c.function(13, 88).blockComments(13, "", "drawing A");
    }
    {
        ConfigurationFile c(b);
        c.texts("Plant B", "CFG-B", "Description B");
        c.function(10, 28).constant(10, 0, 12346).constant(10, 1, 17).constant(10, 4, 1500).blockComments(10, "other");
        c.function(11, 88);
        c.function(12, 96).constant(12, 21, 2).constant(12, 22, 1234).constant(12, 23, 500);
        c.function(13, 88).constant(13, 1, 1050).blockComments(13, "", "drawing B");
        c.message(0, "CH 1   ").message(9, "ch 10").message(10, "ALARM ONE");
        c.quick(1, "OTHER", 4, 1);
    }
    sql(a, "INSERT INTO QuickMessages VALUES (9, 'QMSG 10', 4, 1)");
    sql(b, "INSERT INTO QuickMessages VALUES (9, 'QMSG 10', 7, 1)");
    // Code 0 inside a text equals a space: a label (message 4, parameter 21 of block 12)
    // and a quick message as an upload may have stored them.
    sql(a, "UPDATE Messages SET Message = 'INLET' || char(0) || 'FLOW' WHERE Offset = 4;"
           "UPDATE QuickMessages SET Message = 'QMSG' || char(0) || '3' WHERE Offset = 2");
    sql(b, "UPDATE Messages SET Message = 'INLET FLOW' WHERE Offset = 4");
}

} // namespace

TEST_F(JuxtaTest, FullReportTellsEveryDifferenceInItsColumns_ShortReportOnlyFunctionsAndInputs)
{
    const QString a = file("a.mdb"), b = file("b.mdb");
    makeDifferingPair(a, b);

    ProcessRun run = juxta(a, 'L', b);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    QList<QByteArray> lines = linesOf(log);
    ASSERT_GE(lines.size(), 7);
    expectTitleLine(lines[0], "ORVANE FULL COMPARE LOG", 29);
    EXPECT_EQ(lines.mid(1, 6), head(a, b));
    const QList<QByteArray> full = {
        "Configuration Titles Are Different",
        "FILE 1: Plant \xC4 \x80?",
        "FILE 2: Plant B",
        " ",
        "Configuration Strings Are Different",
        "FILE 1: CFG-A",
        "FILE 2: CFG-B",
        " ",
        "Configuration Comments Are Different",
        " ",
        kHeading,
        " ",
        " 10        ..Block Commets Differ",
        // 12345 and 12346 agree in their first four characters.
        " 10   I2   Input 2                         5          17  ",
        " 10   P1   GAIN 1                          1.000      1.500     ",
        " 11        ..Different Function..          ADD        FILTER    ",
        // Parameter 2 of a display group holds the decimals of parameters 3 and 4.
        " 12   P2   CH 1 DECIMALS                   1          2         ",
        " 12   P3   CH 1 SCALE LOW                  123.4      12.34     ",
        " 12   P4   CH 1 SCALE HIGH                 50.0       5.00      ",
        // Parameter 5 names message 0: "CH 1" and "CH 1   " are equal once padded to 16.
        " 12   P41  CH 10 LABEL                     CH 10            ch 10           ",
        " 12   P42  ALARM 1 TEXT                    ALM 1            ALARM ONE       ",
        " 13        ..Visio Commets Differ",
        // 1.05 shown with one decimal rounds away from zero.
        " 13   P1   TIME CONSTANT (S)               1.0        1.1       ",
        " ",
        "Quick Message            2 Message         QMSG 2           OTHER           ",
        "Quick Message            10 Block           4          7   ",
        " ",
        " ",
        kFooter,
    };
    EXPECT_EQ(lines.mid(7), full);
    EXPECT_EQ(result, "63\r\n");
    // A block whose functions differ still carries its comments over.
    const auto carried = parseCommentsFile(comments).value_or(std::vector<std::string>());
    ASSERT_EQ(carried.size(), 323u);
    EXPECT_EQ(carried[3 + 2 * 11 + 1], "adder");

    run = juxta(a, 'S', b);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    lines = linesOf(log);
    ASSERT_GE(lines.size(), 7);
    expectTitleLine(lines[0], "ORVANE CONFIGURATION COMPARE LOG", 43);
    EXPECT_EQ(lines.mid(1, 6), head(a, b));
    EXPECT_EQ(lines.mid(7), (QList<QByteArray>{kHeading, " ", " 10   I2   Input 2                         5          17  ",
                                              " 11        ..Different Function..          ADD        FILTER    ", " ", " ",
                                              kFooter}));
    EXPECT_EQ(result, "50\r\n");
    const auto records = parseCommentsFile(comments);
    ASSERT_TRUE(records.has_value());
    ASSERT_EQ(records->size(), 320u);
    EXPECT_EQ((*records)[2 * 10 + 1], "Tank A");
    EXPECT_EQ((*records)[2 * 13], "drawing A");
}

TEST_F(JuxtaTest, DamagedFilesAreComparedAsFarAsTheyGo_ToldInTheLog_AndNeverChanged)
{
    const QString a = file("old.mdb"), b = file("damaged.mdb");
    {
        ConfigurationFile c(a);
        c.function(10, 28).function(20, 28).function(30, 96).blockComments(60, "kept", "drawing");
        c.texts("T", "C", "D");
    }
    {
        ConfigurationFile c(b);
        c.function(10, 28).function(20, 28).function(30, 96).blockComments(60, "other", "other drawing");
    }
    // An older file without drawing comments, read-only; a file with rows lost; a function
    // the catalogue does not know.
    sql(a, "ALTER TABLE \"Block List\" DROP COLUMN VisioComment; DELETE FROM Constants WHERE BlockNumber = 10 AND Offset = 1;"
           "UPDATE \"Block List\" SET FunctionNumber = 250 WHERE BlockNumber = 40");
    // Block 20 of File 2 owns no constant rows, as a new configuration's first blocks: it holds
    // its function's defaults, as a download sends them, which File 1 has stored.
    sql(b, "DELETE FROM Constants WHERE BlockNumber = 20; UPDATE \"Block List\" SET Constants = 0 WHERE BlockNumber = 20;"
           "DELETE FROM \"Block List\" WHERE BlockNumber = 50; DELETE FROM Messages WHERE Offset = 10;"
           "DELETE FROM QuickMessages WHERE Offset = 7; DELETE FROM Comments; UPDATE \"Block List\" SET FunctionNumber = 250 WHERE BlockNumber = 40");
    ::chmod(QFile::encodeName(a).constData(), 0444);
    const QByteArray before = contentOf(a);
    const QDateTime modified = QFileInfo(a).lastModified();

    const ProcessRun run = juxta(a, 'L', b);
    EXPECT_EQ(run.exitCode, kExitIncomplete);
    EXPECT_TRUE(run.err.contains("could not be compared")) << run.err.toStdString();
    const QList<QByteArray> lines = linesOf(log);
    ASSERT_GE(lines.size(), 7);
    EXPECT_EQ(lines.mid(7), (QList<QByteArray>{
                                "Configuration Record Missing From FILE 2",
                                " ",
                                kHeading,
                                " ",
                                " 10   I2   Input 2                         Constant Missing From FILE 1",
                                " 30   P42  ALARM 1 TEXT                    Message 10 Missing From FILE 2",
                                " 40        ..Function 250 Not In The Catalogue",
                                " 50        ..Block Missing From FILE 2",
                                // The block comments differ; the drawing comments are not compared,
                                // File 1 has none.
                                " 60        ..Block Commets Differ",
                                " ",
                                "Quick Message            8 Missing From FILE 2",
                                " ",
                                " ",
                                kFooter,
                            }));
    EXPECT_EQ(result, "33\r\n");
    EXPECT_EQ(contentOf(a), before);
    EXPECT_EQ(QFileInfo(a).lastModified(), modified);
    EXPECT_EQ(QFileInfo(a).permissions() & QFileDevice::WriteOwner, 0);
}

TEST_F(JuxtaTest, WhatCannotBeComparedEndsWithAReasonAndNoResult)
{
    const QString good = file("good.mdb"), garbage = file("garbage.mdb");
    ConfigurationFile(good).close();
    writeFile(garbage, QByteArray(4096, 'x'));
    ProcessRun run = juxta(good, 'L', garbage);
    EXPECT_EQ(run.exitCode, kExitNotCompared);
    EXPECT_TRUE(run.err.contains(garbage.toUtf8())) << run.err.toStdString();
    QList<QByteArray> lines = linesOf(log);
    ASSERT_EQ(lines.size(), 11);
    EXPECT_TRUE(lines[7].startsWith(garbage.toUtf8() + " cannot be read: Unrecognized database format")) << lines[7].toStdString();
    EXPECT_EQ(lines.mid(8), (QList<QByteArray>{" ", " ", kFooter}));
    EXPECT_TRUE(result.isNull());
    EXPECT_FALSE(QFileInfo::exists(inTemp(kCommentsFileName)));

    run = juxta(file("missing.mdb"), 'L', good);
    EXPECT_EQ(run.exitCode, kExitNotCompared);
    EXPECT_TRUE(run.err.contains("Could not find file")) << run.err.toStdString();
    EXPECT_TRUE(result.isNull());

    // A command line without "<" is no compare at all.
    run = runProgram(QStringLiteral("Juxta"), {good}, {{QStringLiteral("TEMP"), temp()}});
    EXPECT_EQ(run.exitCode, kExitNotCompared);
    EXPECT_TRUE(run.err.startsWith("Juxta: expected Juxta FILE1<CODE>FILE2\nTry \"Juxta --help\".")) << run.err.toStdString();
}

TEST_F(JuxtaTest, WithoutItsCatalogueJuxtaSaysSoWritesATwoLineLogAndResultZero)
{
    const QString lonely = dir.filePath(QStringLiteral("lonely"));
    QDir().mkpath(lonely);
    ASSERT_TRUE(QFile::copy(programFolder() + QStringLiteral("/Juxta"), lonely + QStringLiteral("/Juxta")));
    const QString a = file("a.mdb");
    ConfigurationFile(a).close();
    QDir().mkpath(temp());
    started = QDateTime::currentDateTime().addSecs(-1);
    const ProcessRun run = runProgram(lonely + QStringLiteral("/Juxta"), {joinCommandLine(a, 'L', a)},
                                      {{QStringLiteral("TEMP"), temp()}, {QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen")},
                                       {QStringLiteral("LC_ALL"), kLocale}});
    ended = QDateTime::currentDateTime().addSecs(1);
    EXPECT_EQ(run.exitCode, kExitNotCompared);
    EXPECT_EQ(run.err, "Error - Brevant Must Be Installed\n");
    const QList<QByteArray> lines = linesOf(contentOf(inTemp(kCompareLogName)));
    ASSERT_EQ(lines.size(), 2);
    expectTitleLine(lines[0], "Function Catalogue OrvaneDATA.DAT Not Found", 57);
    EXPECT_EQ(lines[1], "OrvaneDATA.DAT And The Orvane Programs Must Be In The Same Folder");
    EXPECT_EQ(contentOf(inTemp(kResultFileName)), "0\r\n");
    EXPECT_FALSE(QFileInfo::exists(inTemp(kCommentsFileName)));
}

TEST_F(JuxtaTest, WithoutTempTheFilesGoToThePrivateFolderAndAPlantedLinkIsReplacedNotFollowed)
{
    const QString a = file("a.mdb");
    {
        ConfigurationFile c(a);
        c.blockComments(0, "secret");
    }
    const QString system = dir.filePath(QStringLiteral("system-temp"));
    const QString folder = system + QStringLiteral("/orvane-") + QString::number(::getuid());
    QDir().mkpath(folder);
    const QString victim = file("victim.txt");
    writeFile(victim, "precious");
    ASSERT_TRUE(QFile::link(victim, folder + QStringLiteral("/COMMENTS.TXT")));
    const ProcessRun run = runProgram(QStringLiteral("Juxta"), {joinCommandLine(a, 'L', a)},
                                      {{QStringLiteral("TEMP"), QString()}, {QStringLiteral("TMPDIR"), system}});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(contentOf(victim), "precious");
    EXPECT_FALSE(QFileInfo(folder + QStringLiteral("/COMMENTS.TXT")).isSymLink());
    EXPECT_TRUE(contentOf(folder + QStringLiteral("/COMMENTS.TXT")).contains("\"secret\""));
    EXPECT_EQ(contentOf(folder + QStringLiteral("/CompareResult")), "32\r\n");
    EXPECT_EQ(QFileInfo(folder).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteOther), 0);
}

TEST_F(JuxtaTest, WhatAKilledJuxtaLeftInTempGoesAtTheNextStart_ATempOpenToOtherUsersIsRefused)
{
    const QString a = file("a.mdb"), b = file("b.mdb");
    ConfigurationFile(a).close();
    {
        ConfigurationFile c(b);
        c.blockComments(0, "other");
    }
    QDir().mkpath(temp());
    // A file-size limit ends Juxta in the middle of writing its log.
    QProcess killed;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TEMP"), temp());
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    killed.setProcessEnvironment(environment);
    killed.setChildProcessModifier([] {
        const struct rlimit size {64, 64}, core {0, 0};
        ::setrlimit(RLIMIT_FSIZE, &size);
        ::setrlimit(RLIMIT_CORE, &core);
    });
    killed.start(programFolder() + QStringLiteral("/Juxta"), {joinCommandLine(a, 'L', b)});
    ASSERT_TRUE(killed.waitForFinished(60000));
    EXPECT_EQ(killed.exitStatus(), QProcess::CrashExit);
    const auto newFiles = [&] { return QDir(temp()).entryList({QStringLiteral(".*.new-*")}, QDir::Files | QDir::Hidden); };
    ASSERT_EQ(newFiles().size(), 1);
    EXPECT_TRUE(newFiles().first().startsWith(QStringLiteral(".ORVANE_COMPARE_FILE.TXT.new-")));
    EXPECT_EQ(juxta(a, 'L', b).exitCode, kExitCompared);
    EXPECT_TRUE(newFiles().isEmpty());
    EXPECT_TRUE(result == "1\r\n");

    // Anyone could replace the comments file there before the editor reads it back.
    const QString open = file("open");
    QDir().mkpath(open);
    ::chmod(QFile::encodeName(open).constData(), 0777);
    const ProcessRun refused = runProgram(QStringLiteral("Juxta"), {joinCommandLine(a, 'L', b)},
                                          {{QStringLiteral("TEMP"), open}, {QStringLiteral("XDG_DATA_HOME"), dataHome()}});
    EXPECT_EQ(refused.exitCode, kExitNotCompared);
    EXPECT_TRUE(refused.err.contains(("other users may write in " + open).toUtf8())) << refused.err.toStdString();
    EXPECT_TRUE(QDir(open).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

TEST_F(JuxtaTest, LegacyJetFilesCompareEqualToTheSameConfigurationMadeHere_AndAreOnlyRead)
{
    const QString plant = file("plant.mdb"), old = file("old plant.mdb"), made = file("made.mdb");
    copyLegacyJetFile("legacy-config-jet4.mdb", plant);
    copyLegacyJetFile("legacy-config-novisio-jet4.mdb", old);
    makeLegacyTwin(made);
    const QByteArray plantBytes = contentOf(plant), oldBytes = contentOf(old);
    const QDateTime modified = QFileInfo(plant).lastModified();

    ASSERT_EQ(juxta(made, 'L', made).exitCode, 0);
    const QByteArray madeComments = comments;
    // Either side may be the Jet file; an older one has no drawing comments to compare.
    for (const auto& [one, two] : {std::pair{plant, made}, std::pair{made, plant}, std::pair{old, made}}) {
        SCOPED_TRACE((one + " / " + two).toStdString());
        const ProcessRun run = juxta(one, 'L', two);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(run.err, QByteArray());
        const QList<QByteArray> lines = linesOf(log);
        ASSERT_EQ(lines.size(), 13) << log.toStdString();
        EXPECT_EQ(lines.mid(1, 6), head(one, two));
        EXPECT_EQ(result, "32\r\n");
    }
    // The texts of a Jet file arrive in the comments file as the tool set's own give them.
    juxta(plant, 'L', plant);
    EXPECT_EQ(comments, madeComments);
    EXPECT_TRUE(comments.contains("\"Boiler 3 \bnorth\b \x96 feed pump\"\r\n")) << comments.toStdString();

    EXPECT_EQ(contentOf(plant), plantBytes);
    EXPECT_EQ(contentOf(old), oldBytes);
    EXPECT_EQ(QFileInfo(plant).lastModified(), modified);
    // The working copies it read are gone, and what the reader wrote beside them; the
    // working-copy folder keeps only its lock.
    QDirIterator left(dataHome() + QStringLiteral("/Orvane"), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                      QDirIterator::Subdirectories);
    ASSERT_TRUE(left.hasNext());
    EXPECT_TRUE(left.next().endsWith(QStringLiteral(".lock")));
    EXPECT_FALSE(left.hasNext()) << left.next().toStdString();

    // A damaged Jet file is named with what is wrong, and nothing is compared.
    const QString cut = file("cut.mdb");
    writeFile(cut, plantBytes.left(100000));
    const ProcessRun run = juxta(cut, 'L', made);
    EXPECT_EQ(run.exitCode, kExitNotCompared);
    const QByteArray reason = cut.toUtf8() + " cannot be read: it is truncated (100000 bytes is not a whole number of 4096-byte pages).";
    EXPECT_TRUE(run.err.contains(reason)) << run.err.toStdString();
    EXPECT_EQ(linesOf(log).value(7), reason);
    EXPECT_TRUE(result.isNull());
}

TEST_F(JuxtaTest, AnyFileNameReachesTheCompare_ItsLineEndsAreNoLogLines_AndDatesKeepTheirDigitsInAnyLocale)
{
    // A "<" (even "<S>") and a line end in File 1's name; a byte that is not UTF-8 in File 2's.
    const QString one = file("tank<S>a\nb.mdb"), two = file("cafe.mdb");
    {
        ConfigurationFile c(one);
        c.function(10, 28);
    }
    {
        ConfigurationFile c(two);
        c.function(10, 20);
    }
    const QByteArray latin1Name = QFile::encodeName(dir.path()) + "/caf\xE9.mdb";
    ASSERT_EQ(::rename(QFile::encodeName(two).constData(), latin1Name.constData()), 0);
    QString escaped = one + QStringLiteral("<L>") + dir.path() + QStringLiteral("/caf\\0351.mdb");
    escaped.replace(QLatin1Char('\n'), QStringLiteral("\\n"));

    // A write into it was killed half way: what was recovered is said under the name shown.
    ASSERT_TRUE(kessig::testsupport::killedHalfWay(latin1Name.constData(), "UPDATE \"Block List\" SET Comment = hex(zeroblob(2000))"));
    const ProcessRun run = juxtaWithBytes(escaped, QStringLiteral("ar_EG.UTF-8"));
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.startsWith("Juxta: A write into '" + QFile::encodeName(dir.path()) + "/caf\xEF\xBF\xBD.mdb' did not finish"))
        << run.err.toStdString();
    const QList<QByteArray> lines = linesOf(log);
    ASSERT_GE(lines.size(), 8) << log.toStdString();
    // The marker is the one that parts two files; the whole compare ran.
    EXPECT_TRUE(lines[0].startsWith("ORVANE FULL COMPARE LOG ")) << lines[0].toStdString();
    EXPECT_TRUE(lines.contains(" 10        ..Different Function..          SUMMER     ADD       ")) << log.toStdString();
    const QByteArray folder = dir.path().toUtf8();
    EXPECT_TRUE(lines[4].startsWith("FILE 1 " + folder + "/tank<S>a?b.mdb - ")) << lines[4].toStdString();
    EXPECT_TRUE(lines[5].startsWith("FILE 2 " + folder + "/caf?.mdb - ")) << lines[5].toStdString();
    // The general form with the full year and the seconds, in digits the code page holds.
    const QByteArray year = QByteArray::number(QDate::currentDate().year());
    for (const QByteArray& date : {lines[0].mid(28), lines[4].mid(lines[4].lastIndexOf(" - ") + 3),
                                   lines[5].mid(lines[5].lastIndexOf(" - ") + 3)}) {
        EXPECT_TRUE(date.contains(year)) << date.toStdString();
        EXPECT_TRUE(QRegularExpression("\\d\\d:\\d\\d:\\d\\d").match(QString::fromLatin1(date)).hasMatch()) << date.toStdString();
        EXPECT_FALSE(date.contains('?')) << date.toStdString();
    }
    // A name that is not UTF-8 is beyond the temporary folder's own clean-up.
    ::unlink(latin1Name.constData());
}

TEST_F(JuxtaTest, AFileAnotherProgramIsWritingIsWaitedFor_ThenTheProgramHoldingItIsNamed)
{
    const QString a = file("a.mdb"), b = file("b.mdb");
    ConfigurationFile(a).close();
    ASSERT_TRUE(copyFile(a, b));
    // sqlite3 in the middle of a write holds File 1 locked until its input ends.
    const auto startWriter = [&](QProcess& writer) {
        writer.start(QStringLiteral("sqlite3"), {a});
        writer.write("BEGIN EXCLUSIVE;\nUPDATE Comments SET Title = 'being written';\nSELECT 'held';\n");
        ASSERT_TRUE(writer.waitForReadyRead(30000));
    };

    // The writer finishes while Juxta waits for it: the compare goes through.
    {
        QProcess writer;
        startWriter(writer);
        QDir().mkpath(temp());
        QProcess juxta;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TEMP"), temp());
        juxta.setProcessEnvironment(environment);
        juxta.start(programFolder() + QStringLiteral("/Juxta"), {joinCommandLine(a, 'L', b)});
        ASSERT_TRUE(juxta.waitForStarted(30000));
        // Juxta holds the file open once it has met the lock.
        const QString fds = QStringLiteral("/proc/%1/fd").arg(juxta.processId());
        const auto opened = [&] {
            for (const QFileInfo& fd : QDir(fds).entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
                if (fd.symLinkTarget() == a)
                    return true;
            return false;
        };
        while (!opened() && !juxta.waitForFinished(10)) {
        }
        writer.closeWriteChannel();
        ASSERT_TRUE(writer.waitForFinished(30000));
        juxta.waitForFinished(60000);
        ASSERT_EQ(juxta.state(), QProcess::NotRunning);
        EXPECT_EQ(juxta.exitCode(), 0) << juxta.readAllStandardError().toStdString();
        EXPECT_EQ(contentOf(inTemp(kResultFileName)), "0\r\n");
    }

    // A writer that does not let go: after the wait Juxta names it.
    QProcess writer;
    startWriter(writer);
    const qint64 writerId = writer.processId();
    const ProcessRun run = juxta(a, 'L', b);
    writer.closeWriteChannel();
    writer.waitForFinished(30000);
    EXPECT_EQ(run.exitCode, kExitNotCompared);
    const QByteArray holder = "is locked by another program (sqlite3, process " + QByteArray::number(writerId)
                              + ") that is writing it; it was not let go within 5 seconds.";
    EXPECT_TRUE(run.err.contains(holder)) << run.err.toStdString();
    EXPECT_TRUE(linesOf(log).value(7).contains(holder)) << log.toStdString();
}
