// Command lines as users and scripts type them, read against one syntax.
#include "orvane/arguments/ExitStatus.h"
#include "orvane/arguments/Syntax.h"

#include <gtest/gtest.h>

using namespace orvane::arguments;

namespace {

Syntax downloadLike()
{
    Syntax syntax(QStringLiteral("prog send"), "send a file somewhere");
    syntax.argument({"FILE", "the file"})
        .argument({"COPY", "where a copy goes", true})
        .option({{"p", "port"}, "PORT", "the port, a rather long description that has to wrap over more than one line "
                                        "of the help so that the wrapping is seen",
                 true})
        .option({{"y", "yes"}, {}, "answer yes"})
        .option({{"q", "quiet"}, {}, "say nothing"})
        .option({{"tag"}, "TEXT", "a tag; more than one may be given"})
        .exitStatus(kExitDone, "sent")
        .exitStatus(kExitNoController, "nobody answered")
        .section("JSON output:", "{\"sent\": true}\n  indented line");
    return syntax;
}

Parsed read(const QByteArrayList& words) { return parse(downloadLike(), words); }

} // namespace

TEST(CommandLine, TheUsualFormsOfOptions_TheBytesOfNames_AndEveryRefusalSaysWhat)
{
    // Grouped short options, "=value", options after the arguments, a repeated option.
    Parsed parsed = read({"-yq", "plant.mdb", "--port=/dev/ttyUSB0", "--tag", "a", "--tag=b"});
    ASSERT_EQ(parsed.request, Request::Run) << parsed.error.toStdString();
    EXPECT_TRUE(parsed.arguments.isSet("yes"));
    EXPECT_TRUE(parsed.arguments.isSet("q"));
    EXPECT_EQ(parsed.arguments.value("port"), "/dev/ttyUSB0");
    EXPECT_EQ(parsed.arguments.values("tag"), (QStringList{"a", "b"}));
    EXPECT_EQ(parsed.arguments.value("tag"), "b");
    EXPECT_EQ(parsed.arguments.positional(), QStringList{"plant.mdb"});
    EXPECT_FALSE(parsed.arguments.isSet("COPY"));

    // The short form with its value apart or joined; "--" ends the options, so a name may
    // start with "-"; a name that is not UTF-8 keeps its bytes.
    parsed = read({"-p", "COM1", "--", "-odd.mdb", "caf\xE9 \xFF.mdb"});
    ASSERT_EQ(parsed.request, Request::Run) << parsed.error.toStdString();
    EXPECT_EQ(parsed.arguments.value("port"), "COM1");
    EXPECT_EQ(parsed.arguments.positionalBytes(), (QByteArrayList{"-odd.mdb", "caf\xE9 \xFF.mdb"}));
    EXPECT_FALSE(parsed.arguments.isSet("yes"));
    parsed = read({"-p/dev/ttyS1", "x.mdb"});
    EXPECT_EQ(parsed.arguments.value("port"), "/dev/ttyS1");
    parsed = read({"x.mdb", "--port", "caf\xE9"});
    EXPECT_EQ(parsed.arguments.valueBytes("port"), QByteArray("caf\xE9"));

    // Help and the version are answered whatever else the line holds.
    EXPECT_EQ(read({"--bogus", "--help"}).request, Request::Help);
    EXPECT_EQ(read({"-h"}).request, Request::Help);
    EXPECT_EQ(read({"--version"}).request, Request::Version);

    const std::pair<QByteArrayList, QString> refused[] = {
        {{"x.mdb"}, "--port PORT is required"},
        {{"--port", "p"}, "FILE is missing"},
        {{"--port", "p", "a", "b", "c"}, "unexpected argument \"c\""},
        {{"--port", "p", "x.mdb", "--bogus"}, "unknown option 'bogus'"},
        {{"x.mdb", "--port"}, "missing value after '--port'"},
        {{"x.mdb", "-p", "p", "--yes=no"}, "unexpected value after '--yes'"},
    };
    for (const auto& [words, error] : refused) {
        parsed = read(words);
        EXPECT_EQ(parsed.request, Request::UsageError) << words.join(' ').toStdString();
        EXPECT_EQ(parsed.error, error);
    }
}

TEST(CommandLine, TheHelpShowsTheUsageEveryOptionAndTheExitStatuses_WithinEightyColumns)
{
    const QString help = downloadLike().helpText();
    const QStringList lines = help.split('\n');
    EXPECT_EQ(lines.first(), "Usage: prog send FILE [COPY] --port PORT [OPTIONS]");
    EXPECT_TRUE(help.contains("\nSend a file somewhere.\n"));
    EXPECT_TRUE(help.contains("\n  -p, --port PORT       the port, a rather long description"));
    EXPECT_TRUE(help.contains("\n      --tag TEXT        a tag; more than one may be given\n"));
    EXPECT_TRUE(help.contains("\n  -h, --help            show this help and exit\n      --version"));
    EXPECT_TRUE(help.contains("\nExit status:\n  0     sent\n  4     nobody answered\n"));
    EXPECT_TRUE(help.endsWith("\nJSON output:\n  {\"sent\": true}\n    indented line\n")) << help.toStdString();
    for (const QString& line : lines)
        EXPECT_LE(line.size(), 79) << line.toStdString();
    EXPECT_TRUE(versionText("prog").startsWith("prog (Orvane tool set) "));
}
