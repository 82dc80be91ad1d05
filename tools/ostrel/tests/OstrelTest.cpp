// Ostrel's window under the offscreen platform on real configuration files: its
// messages word for word, the compare that decides whether to offer a merge, and a
// merge that lands whole or not at all.

#include "CommentMerge.h"
#include "Form1.h"
#include "orvane/compare/CompanionFiles.h"
#include "orvane/compare/Configuration.h"
#include "orvane/compare/testing/ConfigurationFile.h"
#include "orvane/compare/testing/OpenedDocuments.h"
#include "orvane/files/WritingHold.h"

#include "../../../store/tests/support/ChildProcess.h"
#include "orvane/formats/JetFiles.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace orvane::compare;
using namespace orvane::compare::testing;
using orvane::tools::Answer;
using orvane::tools::Buttons;
using orvane::tools::Icon;
using orvane::tools::Message;

namespace orvane::tools {
void PrintTo(const Message& m, std::ostream* os) { *os << '"' << m.text.toStdString() << "\" / " << m.title.toStdString(); }
} // namespace orvane::tools

namespace {

QApplication& application()
{
    static int argc = 1;
    static char name[] = "ostrel_tests";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

class RecordingDesktop : public orvane::tools::Desktop {
public:
    Answer show(QWidget*, const Message& message) override
    {
        shown.push_back(message);
        if (whileShown)
            whileShown(message);
        if (answers.empty())
            return Answer::Ok;
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    QString askOpenFileName(QWidget*, const QString& filter) override
    {
        filters.push_back(filter);
        const QString name = files.front();
        files.pop_front();
        return name;
    }
    QString askSaveFileName(QWidget*, const QString&) override
    {
        const QString name = files.front();
        files.pop_front();
        return name;
    }
    std::vector<Message> shown;
    std::function<void(const Message&)> whileShown;   // what another program does while a box is up
    std::deque<Answer> answers;
    std::deque<QString> files;
    std::vector<QString> filters;
};


class OstrelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        application();
        qputenv("TEMP", dir.filePath(QStringLiteral("temp")).toUtf8());
        QDir().mkpath(dir.filePath(QStringLiteral("temp")));
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &opened, "open");
    }
    void TearDown() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }

    // Chooses both files with the Browse buttons and presses Start.
    void start(ostrel::Form1& form, const QString& source, const QString& update)
    {
        desktop.files = {source, update};
        form.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        form.findChild<QPushButton*>(QStringLiteral("Command2"))->click();
        form.findChild<QPushButton*>(QStringLiteral("Command3"))->click();
    }
    QString file(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir dir;
    RecordingDesktop desktop;
    OpenedDocuments opened;
    const Message ostrel(const char* text) { return {QString::fromUtf8(text), QStringLiteral("Ostrel"), Buttons::Ok, Icon::None}; }
    const Message kNoDifferences{QStringLiteral("No Differences Encountered"), QStringLiteral("Orvane Compare"), Buttons::Ok, Icon::None};
};

} // namespace

TEST_F(OstrelTest, TwoFilesAreNeeded_TheSameFileTwiceAndFilesDifferingOnlyInBlockCommentsMergeNothing)
{
    ostrel::Form1 form(programFolder(), desktop);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Orvane Merge Database Comments Utility"));
    const QString a = file("a.mdb"), b = file("b.mdb"), nowhere = file("nowhere.mdb");
    {
        ConfigurationFile c(a);
        c.function(10, 28).blockComments(10, "source comment", "source drawing").texts("Title", "CFG", "Text");
    }
    {
        ConfigurationFile c(b);
        c.function(10, 28).blockComments(10, "other comment", "other drawing").texts("Title", "CFG", "Text");
    }
    form.findChild<QPushButton*>(QStringLiteral("Command3"))->click();
    desktop.files = {nowhere};
    form.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
    EXPECT_EQ(form.findChild<QLineEdit*>(QStringLiteral("Text1"))->text(), nowhere);

    const QByteArray before = contentOf(a);
    start(form, a, a);
    start(form, a, b);
    EXPECT_EQ(desktop.shown, (std::vector<Message>{ostrel("Specify Two Files"),
                                                   {nowhere + QStringLiteral(" Does Not Exist"), QStringLiteral("Ostrel")},
                                                   ostrel("Source and Destination Are The Same File"), kNoDifferences,
                                                   kNoDifferences}));
    EXPECT_EQ(desktop.filters.front(), QStringLiteral("Orvane Configuration Database (*.mdb)"));
    EXPECT_EQ(contentOf(a), before);
    EXPECT_EQ(readConfiguration(b).blocks[10].comment, "other comment");
    EXPECT_TRUE(opened.urls.isEmpty());
    // The log of the last compare tells the block comments apart all the same.
    const QByteArray log = contentOf(file("temp/ORVANE_COMPARE_FILE.txt"));
    EXPECT_TRUE(log.startsWith("ORVANE COMPARE LOG          ")) << log.toStdString();
    EXPECT_TRUE(log.endsWith(" 10        ..Block Commets Differ\r\n 10        ..Visio Commets Differ\r\n \r\n"))
        << log.toStdString();
}

TEST_F(OstrelTest, DifferingConfigurationsOfferTheLogAndTheMerge_YesCarriesEveryCommentByBlock_NoCarriesNothing)
{
    const QString a = file("source.mdb"), b = file("update.mdb");
    {
        ConfigurationFile c(a);
        c.function(10, 28).blockComments(10, "source \"ten\"", "drawing ten").texts("Source", "CFG-S", "About the source");
        c.blockComments(20, "");
    }
    {
        ConfigurationFile c(b);
        c.function(10, 20).blockComments(20, "to be blanked", "old drawing").texts("Update", "CFG-U", "About the update");
    }
    ostrel::Form1 form(programFolder(), desktop);
    desktop.answers = {Answer::Ok, Answer::No};
    const QByteArray before = contentOf(b);
    start(form, a, b);
    const Message differ{QStringLiteral("Configurations Differ\rView Now"), QStringLiteral("Orvane Compare"), Buttons::OkCancel, Icon::None};
    const Message overwrite{QStringLiteral("All Comments In ") + a + QStringLiteral(" Will\rOVERWRITE All Comments in ") + b
                                + QStringLiteral("\rContinue?"),
                            QStringLiteral("Continue?"), Buttons::YesNo, Icon::Exclamation};
    EXPECT_EQ(desktop.shown, (std::vector<Message>{differ, overwrite}));
    EXPECT_EQ(opened.urls, (QList<QUrl>{QUrl::fromLocalFile(file("temp/ORVANE_COMPARE_FILE.txt"))}));
    EXPECT_EQ(contentOf(b), before);

    desktop.shown.clear();
    desktop.answers = {Answer::Cancel, Answer::Yes};
    start(form, a, b);
    EXPECT_EQ(desktop.shown, (std::vector<Message>{differ, overwrite, ostrel("Merge Complete")}));
    EXPECT_EQ(opened.urls.size(), 1);
    const Configuration merged = readConfiguration(b);
    ASSERT_TRUE(merged.texts.has_value());
    EXPECT_EQ(merged.texts->title, "Source");
    EXPECT_EQ(merged.texts->config, "CFG-S");
    EXPECT_EQ(merged.texts->comment, "About the source");
    EXPECT_EQ(merged.blocks[10].comment, "source \"ten\"");
    EXPECT_EQ(merged.blocks[10].visioComment, "drawing ten");
    EXPECT_EQ(merged.blocks[20].comment, "");
    EXPECT_EQ(merged.blocks[20].visioComment, "");
    EXPECT_EQ(merged.blocks[10].function, 20);   // functions and constants stay the Update's
    EXPECT_EQ(*merged.constant(10, 2), 1000);

    // Where the desktop has no program for text files, the log opens in a window of its own.
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    desktop.answers = {Answer::Ok, Answer::No};
    start(form, a, b);
    auto* log = form.findChild<QWidget*>(QStringLiteral("frmCompareLog"));
    ASSERT_NE(log, nullptr);
    EXPECT_TRUE(log->isVisible());
    const auto* text = log->findChild<QPlainTextEdit*>(QStringLiteral("txtLog"));
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text->isReadOnly());
    EXPECT_TRUE(text->toPlainText().startsWith(QStringLiteral("ORVANE COMPARE LOG"))) << text->toPlainText().toStdString();
    EXPECT_TRUE(text->toPlainText().contains(QStringLiteral("\n 10        ..Different Function..")));
    EXPECT_EQ(opened.urls.size(), 1);
}

TEST_F(OstrelTest, TextsTheLogCannotShowAreNamedFirst_CancelWritesAndMergesNothing_TheMergeCarriesThemWhole)
{
    const QString a = file("source.mdb"), b = file("update.mdb");
    const std::string pompe = "Pompe \xE2\x84\x96 3 \xE2\x80\x93 \xE6\xB8\xA9\xE5\xBA\xA6";
    {
        ConfigurationFile c(a);
        c.texts(pompe, "CFG", "").message(5, "\xCE\xA9 LIMIT");
    }
    {
        ConfigurationFile c(b);
        c.texts("Update", "CFG", "");
    }
    ostrel::Form1 form(programFolder(), desktop);
    const QByteArray before = contentOf(b);
    const QString log = file("temp/ORVANE_COMPARE_FILE.txt");
    const Message named{QStringLiteral("Windows-1252 lacks some characters of these texts; where the compare log shows "
                                       "them, it shows \"?\":\rFILE 1 title \"")
                            + QString::fromStdString(pompe)
                            + QStringLiteral("\": \u2116\u6E29\u5EA6\rFILE 1 message 5 \"\u03A9 LIMIT\": \u03A9\r\rCompare anyway?"),
                        QStringLiteral("Ostrel"), Buttons::OkCancel, Icon::Exclamation};
    desktop.answers = {Answer::Cancel};
    start(form, a, b);
    EXPECT_EQ(desktop.shown, (std::vector<Message>{named}));
    EXPECT_FALSE(QFileInfo::exists(log));
    EXPECT_EQ(contentOf(b), before);

    desktop.shown.clear();
    desktop.answers = {Answer::Ok, Answer::Cancel, Answer::Yes};
    start(form, a, b);
    ASSERT_EQ(desktop.shown.size(), 4u);
    EXPECT_EQ(desktop.shown[0], named);
    EXPECT_EQ(desktop.shown[3], ostrel("Merge Complete"));
    EXPECT_TRUE(contentOf(log).contains("FILE 1: Pompe ? 3 \x96 ??\r\n"));
    EXPECT_EQ(readConfiguration(b).texts->title, pompe);   // the merge itself loses nothing
}

TEST_F(OstrelTest, AMergeThatFailsHalfWayLeavesTheUpdateAsItWas_AndOlderFilesKeepTheirDrawingCommentsOut)
{
    const QString a = file("source.mdb"), b = file("update.mdb"), old = file("old.mdb");
    {
        // Comments long enough that the Update must grow to take them.
        ConfigurationFile c(a);
        c.allCommentsFilled("source");
        for (int16_t block = 0; block < 160; ++block)
            c.blockComments(block, std::string(4000, 's'), std::string(4000, 'd'));
    }
    {
        ConfigurationFile c(b);
        c.allCommentsFilled("update");
    }
    ASSERT_TRUE(copyFile(b, old));
    sql(old, "ALTER TABLE \"Block List\" DROP COLUMN VisioComment");
    const QByteArray before = contentOf(b);
    // A file size limit makes the merge's writing fail far into the blocks, as a full disk
    // would, or kills the merge there, as its default signal does.
    for (const bool killed : {false, true}) {
        const auto run = kessig::testsupport::inChild([&] {
            ::signal(SIGXFSZ, killed ? SIG_DFL : SIG_IGN);
            const struct rlimit limit {static_cast<rlim_t>(before.size()) + 64 * 1024, static_cast<rlim_t>(before.size()) + 64 * 1024};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            try {
                ostrel::mergeComments(readConfiguration(a), b);
            } catch (const std::exception& e) {
                return failureText(e).toStdString();
            }
            return std::string("merged");
        });
        const int status = run.status;
        if (killed) {
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ);
        } else {
            // The true cause, never the failed rollback that followed it.
            EXPECT_NE(run.said.find("File too large"), std::string::npos) << run.said;
            EXPECT_EQ(run.said.find("rollback"), std::string::npos) << run.said;
        }
        EXPECT_EQ(contentOf(b), before);
        EXPECT_FALSE(QFileInfo::exists(b + QStringLiteral("-journal")));
        EXPECT_EQ(readConfiguration(b).blocks[159].comment, "update comment 159");
    }

    // The form says when a merge fails, and the Update stays as it was.
    ostrel::Form1 form(programFolder(), desktop);
    ::chmod(QFile::encodeName(b).constData(), 0444);
    desktop.answers = {Answer::Cancel, Answer::Yes};
    start(form, a, b);
    ASSERT_EQ(desktop.shown.size(), 3u);
    EXPECT_TRUE(desktop.shown[2].text.startsWith(QStringLiteral("Merge Failed: ") + b + QStringLiteral(" is unchanged.\r")))
        << desktop.shown[2].text.toStdString();
    EXPECT_EQ(desktop.shown[2].icon, Icon::Critical);
    EXPECT_EQ(contentOf(b), before);

    desktop.shown.clear();
    desktop.answers = {Answer::Cancel, Answer::Yes};
    start(form, a, old);
    EXPECT_EQ(desktop.shown.back(), ostrel("Merge Complete"));
    const Configuration merged = readConfiguration(old);
    EXPECT_EQ(merged.texts->title, "source title");
    EXPECT_EQ(merged.blocks[159].comment, std::string(4000, 's'));
    EXPECT_EQ(merged.blocks[159].visioComment, "");

    // Without its catalogue Ostrel compares nothing.
    QTemporaryDir empty;
    ostrel::Form1 lonely(empty.path(), desktop);
    desktop.shown.clear();
    start(lonely, a, b);
    EXPECT_EQ(desktop.shown, (std::vector<Message>{{QStringLiteral("Error - Brevant Must Be Installed"),
                                                    QStringLiteral("File Not Found"), Buttons::Ok, Icon::Exclamation}}));
}


TEST_F(OstrelTest, AMergeIntoAJetUpdateFileKeepsItsOriginalBesideIt_SaysSoOnce_AndADamagedOneIsNamed)
{
    const QString source = file("source.mdb"), plant = file("plant.mdb"), kept = file("plant.jet.mdb");
    {
        ConfigurationFile c(source);
        c.texts("Source", "CFG-S", "About the source").blockComments(2, "from the source", "source drawing");
    }
    copyLegacyJetFile("legacy-config-jet4.mdb", plant);
    const QByteArray original = contentOf(plant);
    ostrel::Form1 form(programFolder(), desktop);
    desktop.answers = {Answer::Cancel, Answer::Yes};
    start(form, source, plant);
    ASSERT_EQ(desktop.shown.size(), 4u);
    EXPECT_EQ(desktop.shown[2], (Message{orvane::formats::keptOriginalMessage(plant, kept), QStringLiteral("Ostrel"),
                                         Buttons::Ok, Icon::Information}));
    EXPECT_EQ(desktop.shown[3], ostrel("Merge Complete"));
    EXPECT_EQ(contentOf(kept), original);
    EXPECT_FALSE(orvane::formats::isJetFile(plant));
    // Only the comments are the source's; blocks and messages stay the plant's.
    const Configuration merged = readConfiguration(plant);
    EXPECT_EQ(merged.texts->title, "Source");
    EXPECT_EQ(merged.blocks[0].comment, "");
    EXPECT_EQ(merged.blocks[2].comment, "from the source");
    EXPECT_EQ(merged.blocks[2].visioComment, "source drawing");
    EXPECT_EQ(merged.blocks[2].function, 90);
    EXPECT_EQ(*merged.message(14), "HIGH TEMP \xC3\x84\xC3\x96\xC3\x9C");

    // Now the file is the tool set's own: nothing more is kept, nothing more is said.
    sql(source, "UPDATE Comments SET Title = 'Source again'");
    desktop.shown.clear();
    desktop.answers = {Answer::Cancel, Answer::Yes};
    start(form, source, plant);
    EXPECT_EQ(desktop.shown.back(), ostrel("Merge Complete"));
    EXPECT_EQ(desktop.shown.size(), 3u);
    EXPECT_EQ(readConfiguration(plant).texts->title, "Source again");
    EXPECT_FALSE(QFileInfo::exists(file("plant.jet-2.mdb")));

    // A Jet file that may not be written stays as it was; a damaged one is named with what is wrong.
    const QString locked = file("locked.mdb"), cut = file("cut.mdb");
    copyLegacyJetFile("legacy-config-jet4.mdb", locked);
    ::chmod(QFile::encodeName(locked).constData(), 0444);
    desktop.shown.clear();
    desktop.answers = {Answer::Cancel, Answer::Yes};
    start(form, source, locked);
    ASSERT_EQ(desktop.shown.size(), 3u);
    EXPECT_TRUE(desktop.shown[2].text.startsWith(QStringLiteral("Merge Failed: ") + locked + QStringLiteral(" is unchanged.\r")))
        << desktop.shown[2].text.toStdString();
    EXPECT_EQ(contentOf(locked), original);
    EXPECT_FALSE(QFileInfo::exists(file("locked.jet.mdb")));
    writeFile(cut, original.left(100000));
    desktop.shown.clear();
    start(form, source, cut);
    EXPECT_EQ(desktop.shown, (std::vector<Message>{{cut + QStringLiteral(" cannot be read: it is truncated (100000 bytes is not "
                                                                          "a whole number of 4096-byte pages)."),
                                                    QStringLiteral("Ostrel"), Buttons::Ok, Icon::Critical}}));
}

TEST_F(OstrelTest, AnUpdateChangedSinceTheCompareIsMergedOnlyOnTheUsersWord_AndAFileHeldForWritingIsNamed)
{
    const QString a = file("source.mdb"), b = file("update.mdb"), elsewhere = file("elsewhere.mdb");
    {
        ConfigurationFile c(a);
        c.function(10, 28).texts("Source", "CFG-S", "About the source").blockComments(10, "from the source");
    }
    {
        ConfigurationFile c(b);
        c.function(10, 20).texts("Update", "CFG-U", "About the update");
    }
    ostrel::Form1 form(programFolder(), desktop);
    // Another program saves the Update file while Ostrel asks whether to go on.
    int saves = 0;
    desktop.whileShown = [&](const Message& m) {
        if (m.title == QStringLiteral("Continue?"))
            sql(b, ("UPDATE QuickMessages SET Message = 'OTHER " + std::to_string(++saves) + "' WHERE Offset = 0").c_str());
    };
    const Message changed{b + QStringLiteral(" was changed by another program since it was compared.\r")
                              + QStringLiteral("Overwrite its comments as it is now, save the merge as another file, or cancel?"),
                          QStringLiteral("Ostrel"), Buttons::OverwriteSaveAsCancel, Icon::Exclamation};

    desktop.answers = {Answer::Cancel, Answer::Yes, Answer::Cancel};
    start(form, a, b);
    EXPECT_EQ(desktop.shown.back(), changed);
    const QByteArray othersSave = contentOf(b);
    EXPECT_EQ(readConfiguration(b).texts->title, "Update");

    desktop.shown.clear();
    desktop.answers = {Answer::Cancel, Answer::Yes, Answer::No};
    desktop.files = {a, b, elsewhere};
    form.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
    form.findChild<QPushButton*>(QStringLiteral("Command2"))->click();
    form.findChild<QPushButton*>(QStringLiteral("Command3"))->click();
    EXPECT_EQ(desktop.shown.back(), ostrel("Merge Complete"));
    EXPECT_EQ(readConfiguration(elsewhere).texts->title, "Source");
    EXPECT_EQ(*readConfiguration(elsewhere).quickMessages[0].message, "OTHER 2");
    EXPECT_EQ(readConfiguration(b).texts->title, "Update");

    // Overwrite merges into the file as the other program left it, keeping its change; a
    // program holding the file for writing is named before the merge.
    const orvane::files::WritingHold editor(b);
    desktop.shown.clear();
    desktop.answers = {Answer::Cancel, Answer::Yes, Answer::Yes};
    start(form, a, b);
    ASSERT_EQ(desktop.shown.size(), 4u);
    EXPECT_TRUE(desktop.shown[1].text.startsWith(b + QStringLiteral(" is open for writing in another program of the tool set")))
        << desktop.shown[1].text.toStdString();
    EXPECT_EQ(desktop.shown[2], changed);
    EXPECT_EQ(desktop.shown[3], ostrel("Merge Complete"));
    const Configuration merged = readConfiguration(b);
    EXPECT_EQ(merged.texts->title, "Source");
    EXPECT_EQ(merged.blocks[10].comment, "from the source");
    EXPECT_EQ(*merged.quickMessages[0].message, "OTHER 3");
    EXPECT_NE(contentOf(b), othersSave);
}
