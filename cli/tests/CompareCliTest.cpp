// `orvane compare` run as a script would run it.
#include "orvane/compare/testing/ConfigurationFile.h"
#include "orvane/files/WritingHold.h"

#include "../../store/tests/support/InterruptedWrite.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orvane::compare::testing;

TEST(OrvaneCompare, ExitTellsSameDifferentOrErrorAndTheLogGoesToStandardOutputWithPlainLineEnds)
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("caf\xC3\xA9 plant.mdb")), b = dir.filePath(QStringLiteral("b.mdb"));
    {
        ConfigurationFile c(a);
        c.function(10, 28).function(12, 28).blockComments(10, "commented");
    }
    ASSERT_TRUE(copyFile(a, b));

    ProcessRun run = runProgram(QStringLiteral("orvane"), {QStringLiteral("compare"), a, b});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.err, QByteArray());   // comments alone are no difference
    EXPECT_TRUE(run.out.startsWith("ORVANE FULL COMPARE LOG     ")) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("\nFILE 1 " + a.toUtf8() + " - ")) << run.out.toStdString();
    EXPECT_TRUE(run.out.endsWith("\n \n \n***** To Return To Brevant Shutdown WordPad *****\n"));
    EXPECT_FALSE(run.out.contains('\r'));

    {
        ConfigurationFile c(b);
        c.function(10, 20).function(12, 28).constant(12, 1, 3);
    }
    run = runProgram(QStringLiteral("orvane"), {QStringLiteral("compare"), a, b, QStringLiteral("--report"), QStringLiteral("S")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "orvane: result flags 50: InputsDiffer FunctionsDiffer HasComments\n");
    EXPECT_TRUE(run.out.startsWith("ORVANE CONFIGURATION COMPARE LOG"));
    EXPECT_TRUE(run.out.contains("\n 10        ..Different Function..          SUMMER     ADD       \n")) << run.out.toStdString();
    // The same as one JSON object for a script: the flags by number and name, and the log.
    const QByteArray log = run.out;
    run = runProgram(QStringLiteral("orvane"), {QStringLiteral("compare"), QStringLiteral("--json"), a, b,
                                                QStringLiteral("--report=S")});
    EXPECT_EQ(run.exitCode, 1);
    ASSERT_TRUE(run.out.endsWith("}\n") && run.out.count('\n') == 1) << run.out.toStdString();
    const QJsonObject result = QJsonDocument::fromJson(run.out).object();
    EXPECT_EQ(result.value("flags").toInt(), 50);
    EXPECT_EQ(result.value("flagNames").toArray(),
              QJsonArray({"InputsDiffer", "FunctionsDiffer", "HasComments"}));
    EXPECT_EQ(result.value("notCompared").toInt(), 0);
    EXPECT_EQ(result.value("report").toString(), "S");
    EXPECT_EQ(result.value("file1").toString(), a);
    // The same log but for its first line's time of writing, which may have moved on a second.
    const auto afterFirstLine = [](const QByteArray& text) { return text.mid(text.indexOf('\n')); };
    EXPECT_EQ(afterFirstLine(result.value("log").toString().toUtf8()), afterFirstLine(log));

    // Files after "--"; differences besides a block that has no partner: the flags of what
    // was compared and the part that was not, exit 1.
    const QString dashed = dir.filePath(QStringLiteral("--plant.mdb"));
    ASSERT_TRUE(copyFile(b, dashed));
    sql(dashed, "DELETE FROM \"Block List\" WHERE BlockNumber = 50");
    run = runProgram(QStringLiteral("orvane"), {QStringLiteral("compare"), QStringLiteral("--report"), QStringLiteral("S"),
                                                QStringLiteral("--"), a, dashed});
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_EQ(run.err, "orvane: result flags 50: InputsDiffer FunctionsDiffer HasComments\n"
                       "orvane: 1 part(s) could not be compared; the log tells which\n");
    EXPECT_TRUE(run.out.contains("\nFILE 2 " + dashed.toUtf8() + " - ")) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("\n 50        ..Block Missing From FILE 2\n")) << run.out.toStdString();

    // A text the log can show only with "?" is named first; the log is the same.
    {
        ConfigurationFile c(b);
        c.function(10, 28).function(12, 28).quick(3, "\xCE\xA9 LIMIT", 4, 1);
    }
    run = runProgram(QStringLiteral("orvane"), {QStringLiteral("compare"), a, b});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.startsWith("orvane: Windows-1252 lacks some characters of these texts; where the log shows them, it "
                                   "shows \"?\":\nFILE 2 quick message 3 \"\xCE\xA9 LIMIT\": \xCE\xA9\n"))
        << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("? LIMIT")) << run.out.toStdString();

    for (const QStringList& wrong : {QStringList{QStringLiteral("compare"), a}, QStringList{QStringLiteral("compare"), a, b, QStringLiteral("--report"), QStringLiteral("X")},
                                     QStringList{QStringLiteral("compare"), a, dir.filePath(QStringLiteral("missing.mdb"))}}) {
        run = runProgram(QStringLiteral("orvane"), wrong);
        EXPECT_EQ(run.exitCode, 2) << wrong.join(' ').toStdString();
        EXPECT_TRUE(run.err.startsWith("orvane")) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
}

TEST(OrvaneCompare, ALegacyJetFileComparesEqualToTheSameConfigurationMadeHere_ADamagedOneIsNamed)
{
    QTemporaryDir dir;
    const QString plant = dir.filePath(QStringLiteral("plant.mdb")), made = dir.filePath(QStringLiteral("made.mdb")),
                  cut = dir.filePath(QStringLiteral("cut.mdb"));
    copyLegacyJetFile("legacy-config-jet4.mdb", plant);
    makeLegacyTwin(made);
    const QByteArray original = contentOf(plant);

    ProcessRun run = runProgram(QStringLiteral("orvane"), {QStringLiteral("compare"), plant, made});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.err, QByteArray());
    EXPECT_TRUE(run.out.contains("\nFILE 1 " + plant.toUtf8() + " - ")) << run.out.toStdString();
    EXPECT_EQ(contentOf(plant), original);

    writeFile(cut, original.left(8192));
    run = runProgram(QStringLiteral("orvane"), {QStringLiteral("compare"), made, cut});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "orvane: " + cut.toUtf8() + " cannot be read: it is truncated (8192 bytes is too short for a database).\n");
    EXPECT_TRUE(run.out.isEmpty());
}

namespace {

constexpr const char* kLongComments = "UPDATE \"Block List\" SET Comment = hex(zeroblob(2000))";

} // namespace

TEST(OrvaneCompare, AfterAWriteKilledHalfWayEveryReaderRecoversTheFileAndSaysSo_AnImportAsksAboutAFileHeldForWriting)
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.mdb")), b = dir.filePath(QStringLiteral("b.mdb")),
                  text = dir.filePath(QStringLiteral("a.txt"));
    {
        ConfigurationFile c(a);
        c.function(10, 28).allCommentsFilled("complete");
    }
    ASSERT_TRUE(copyFile(a, b));
    const QByteArray whole = contentOf(b);
    const QByteArray said = "A write into '" + b.toUtf8() + "' did not finish";

    // The compare, Juxta and the export: never "read-only", never the half-written content.
    ASSERT_TRUE(kessig::testsupport::killedHalfWay(QFile::encodeName(b).constData(), kLongComments));
    ProcessRun run = runProgram(QStringLiteral("orvane"), {QStringLiteral("compare"), a, b});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.startsWith("orvane: " + said)) << run.err.toStdString();
    EXPECT_EQ(contentOf(b), whole);

    ASSERT_TRUE(kessig::testsupport::killedHalfWay(QFile::encodeName(b).constData(), kLongComments));
    run = runProgram(QStringLiteral("Juxta"), {a + QStringLiteral("<L>") + b}, {{QStringLiteral("TEMP"), dir.path()}});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.startsWith("Juxta: " + said)) << run.err.toStdString();
    EXPECT_EQ(contentOf(b), whole);

    ASSERT_TRUE(kessig::testsupport::killedHalfWay(QFile::encodeName(b).constData(), kLongComments));
    run = runProgram(QStringLiteral("orvane"), {QStringLiteral("export"), b});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.startsWith("orvane: " + said)) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("complete comment 159")) << run.out.toStdString();
    EXPECT_FALSE(run.out.contains("000000"));
    EXPECT_FALSE(QFileInfo::exists(b + QStringLiteral("-journal")));

    // A file an editor holds for writing: asked about, declined without an answer, --yes answers.
    ASSERT_EQ(runProgram(QStringLiteral("orvane"), {QStringLiteral("export"), a, QStringLiteral("-o"), text}).exitCode, 0);
    const orvane::files::WritingHold editor(b);
    run = runProgram(QStringLiteral("orvane"), {QStringLiteral("import"), text, b});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(run.err.startsWith(b.toUtf8() + " is open for writing in another program of the tool set")) << run.err.toStdString();
    EXPECT_EQ(contentOf(b), whole);
    run = runProgram(QStringLiteral("orvane"), {QStringLiteral("import"), text, b, QStringLiteral("--yes")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_NE(contentOf(b), whole);
}
