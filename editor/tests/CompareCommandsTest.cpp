// "&Compare Database Files" and "&Import Comments" from the editor's menu, with the real
// Juxta started beside the editor, real configuration files and the offscreen windows.

#include "CompareCommands.h"
#include "EditorApp.h"
#include "TestEnvironment.h"
#include "orvane/compare/CompanionFiles.h"
#include "orvane/compare/testing/ConfigurationFile.h"
#include "orvane/compare/testing/OpenedDocuments.h"
#include "ui/MessageSeam.h"

#include "../../store/tests/support/InterruptedWrite.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QUrl>

#include <deque>
#include <sys/stat.h>

using namespace brevant;
using namespace orvane::compare;
using namespace orvane::compare::testing;

namespace {

class CompareCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::application();
        qputenv("TEMP", temp.toUtf8());
        QDir().mkpath(temp);
        setMessageHandler([this](const MessageRequest& r) {
            messages.push_back(r);
            if (answers.empty())
                return Answer::Ok;
            const Answer a = answers.front();
            answers.pop_front();
            return a;
        });
        setFileDialogHandler([this](const FileDialogRequest& r) {
            dialogs.push_back(r);
            const QString name = files.empty() ? QString() : files.front();
            if (!files.empty())
                files.pop_front();
            return name;
        });
        ASSERT_TRUE(app.start(QStringLiteral(ORVANE_BIN_DIR)).isEmpty());
    }
    void TearDown() override
    {
        setMessageHandler({});
        setFileDialogHandler({});
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QStringLiteral("frmCompareLog"))
                delete w;
    }

    void open(const QString& path)
    {
        files = {path};
        ASSERT_TRUE(app.mainWindow().files().OpenExistingFile());
        messages.clear();
        dialogs.clear();
    }
    void trigger(const char* name) { app.mainWindow().findChild<QAction*>(QString::fromLatin1(name))->trigger(); }
    QString file(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QString inTemp(const QString& name) const { return temp + QLatin1Char('/') + name; }

    struct BlockTexts {
        std::string comment, visio;
    };
    // Imports with the file dialog answered by source and the first question by answer.
    void importFrom(const QString& source, Answer answer)
    {
        messages.clear();
        files = {source};
        answers = {answer};
        trigger("mnuFileImport");
    }
    // The one question asked: its words, its title, OK and Cancel.
    void expectQuestion(const QString& text, const QString& title)
    {
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, text);
        EXPECT_EQ(messages[0].title, title);
        EXPECT_EQ(messages[0].buttons, Buttons::OkCancel);
    }
    BlockTexts blockTexts(int16_t block)
    {
        app.db().BlockSeek(block);
        return {app.db().BlockComment(), app.db().BlockVisioComment()};
    }

    QTemporaryDir dir;
    const QString temp = dir.filePath(QStringLiteral("temp"));
    EditorApp app;
    std::vector<MessageRequest> messages;
    std::deque<Answer> answers;
    std::deque<QString> files;
    std::vector<FileDialogRequest> dialogs;
};

// Answers the report dialog once it is up.
void chooseReport(const char* option, const char* button, QString* caption = nullptr, QStringList* texts = nullptr)
{
    QTimer::singleShot(0, [=] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        ASSERT_EQ(dialog->objectName(), QStringLiteral("frmReportType"));
        if (caption)
            *caption = dialog->windowTitle();
        if (texts) {
            *texts << dialog->findChild<QGroupBox*>(QStringLiteral("Frame1"))->title();
            for (const char* name : {"Option1", "Option2"}) {
                auto* o = dialog->findChild<QRadioButton*>(QString::fromLatin1(name));
                *texts << o->text() + (o->isChecked() ? QStringLiteral(" *") : QString());
            }
            for (const char* name : {"Command1", "Command2"})
                *texts << dialog->findChild<QPushButton*>(QString::fromLatin1(name))->text();
        }
        if (option)
            dialog->findChild<QRadioButton*>(QString::fromLatin1(option))->click();
        dialog->findChild<QPushButton*>(QString::fromLatin1(button))->click();
    });
}

} // namespace

TEST_F(CompareCommandsTest, CompareAsksForTheFileAndTheReport_ComparesTheStoredFileAndShowsTheLog)
{
    // A name may hold what marks the report code and a line end; the log keeps it on its line.
    const QString plant = file("plant.mdb"), other = file("other <L>\nplant.mdb");
    {
        ConfigurationFile c(plant);
        c.function(10, 28).function(11, 28);
    }
    {
        ConfigurationFile c(other);
        c.function(10, 20).function(11, 28).constant(11, 0, 7);
    }
    open(plant);
    // An unsaved edit of the working copy takes no part: the file on disk is compared.
    app.db().BlockSeek(11);
    app.db().BlockEdit();
    app.db().BlockFn(20);
    app.db().BlockUpdate();

    OpenedDocuments opened;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &opened, "open");
    files = {other};
    QString caption;
    QStringList texts;
    chooseReport("Option2", "Command1", &caption, &texts);
    trigger("mnuFileCompare");
    EXPECT_EQ(caption, QStringLiteral("COMPARE REPORT"));
    EXPECT_EQ(texts, (QStringList{"REPORT SHOWS", "All Differences *", "Block Function Type and Input Differences", "OK", "Cancel"}));
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].filter, kConfigurationFilter);
    EXPECT_EQ(dialogs[0].kind, FileDialogKind::Open);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(opened.urls, (QList<QUrl>{QUrl::fromLocalFile(inTemp(kCompareLogName))}));
    const QByteArray log = contentOf(inTemp(kCompareLogName));
    EXPECT_TRUE(log.startsWith("ORVANE CONFIGURATION COMPARE LOG")) << log.toStdString();
    EXPECT_TRUE(log.contains("FILE 1 " + QString(other).replace(QLatin1Char('\n'), QLatin1Char('?')).toUtf8() + " - "));
    EXPECT_TRUE(log.contains("FILE 2 " + plant.toUtf8() + " - "));
    EXPECT_TRUE(log.contains(" 10        ..Different Function..          ADD        SUMMER    \r\n"));
    EXPECT_TRUE(log.contains(" 11   I1   Input 1                         7          0   \r\n"));
    EXPECT_FALSE(log.contains(" 11        ..Different Function.."));

    // Cancel compares nothing; without a program for text files the editor shows the log itself.
    opened.urls.clear();
    files = {other};
    chooseReport(nullptr, "Command2");
    trigger("mnuFileCompare");
    EXPECT_TRUE(opened.urls.isEmpty());
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    // A write into the other file was killed half way: the editor recovers it and says so.
    ASSERT_TRUE(kessig::testsupport::killedHalfWay(QFile::encodeName(other).constData(),
                                                    "UPDATE \"Block List\" SET Comment = hex(zeroblob(2000))"));
    messages.clear();
    files = {other};
    chooseReport(nullptr, "Command1");
    trigger("mnuFileCompare");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.startsWith(QStringLiteral("A write into '") + other + QStringLiteral("' did not finish")))
        << messages[0].text.toStdString();
    EXPECT_EQ(messages[0].icon, Icon::Information);
    EXPECT_EQ(messages[0].title, QStringLiteral("Compare Database Files"));
    EXPECT_FALSE(QFileInfo::exists(other + QStringLiteral("-journal")));
    QWidget* shown = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QStringLiteral("frmCompareLog") && w->isVisible())
            shown = w;
    ASSERT_NE(shown, nullptr);
    auto* text = shown->findChild<QPlainTextEdit*>(QStringLiteral("txtLog"));
    EXPECT_TRUE(text->isReadOnly());
    EXPECT_TRUE(text->toPlainText().startsWith(QStringLiteral("ORVANE FULL COMPARE LOG")));
    EXPECT_TRUE(text->toPlainText().contains(QStringLiteral("\n 10        ..Different Function..")));
    EXPECT_FALSE(text->toPlainText().contains(QLatin1Char('\r')));
}

TEST_F(CompareCommandsTest, ImportAsksAboutDifferentFunctionsThenCarriesEveryCommentWholeIntoTheWorkingCopy)
{
    const QString plant = file("plant.mdb"), source = file("source.mdb");
    {
        ConfigurationFile c(plant);
        c.function(10, 28).blockComments(10, "old ten", "old drawing").blockComments(30, "to be blanked");
        c.texts("Old title", "OLD", "Old description");
    }
    {
        ConfigurationFile c(source);
        c.function(10, 20).blockComments(10, "Tank \"A\" level\r\nsecond line", "Caf\xC3\xA9 drawing");
        c.blockComments(159, "last", "");
        c.texts("New \"title\"", "NEW", "Line one\r\nLine two");
    }
    open(plant);
    const QString mismatch = QStringLiteral("WARNING\r\rThe Block Function Types\rare Different in ") + source
                             + QStringLiteral(".\r\rUse the COMPARE DATABASE FILES\rMenu Item to View the Differences.\r\r")
                             + QStringLiteral("Proceed with Importing Comments?");
    importFrom(source, Answer::Cancel);
    expectQuestion(mismatch, QStringLiteral("Function Mismatch"));
    EXPECT_EQ(blockTexts(10).comment, "old ten");
    EXPECT_FALSE(app.session().WorkFileChanged());

    importFrom(source, Answer::Ok);
    expectQuestion(mismatch, QStringLiteral("Function Mismatch"));
    EXPECT_EQ(blockTexts(10).comment, "Tank \"A\" level\r\nsecond line");
    EXPECT_EQ(blockTexts(10).visio, "Caf\xC3\xA9 drawing");
    EXPECT_EQ(blockTexts(30).comment, "");
    EXPECT_EQ(blockTexts(159).comment, "last");
    EXPECT_EQ(app.db().CommentTitle(), "New \"title\"");
    EXPECT_EQ(app.db().CommentConfig(), "NEW");
    EXPECT_EQ(app.db().CommentComment(), "Line one\r\nLine two");
    app.db().BlockSeek(10);
    EXPECT_EQ(app.db().BlockFn(), 28);   // functions are not imported
    EXPECT_TRUE(app.session().WorkFileChanged());
}

TEST_F(CompareCommandsTest, ASourceWithoutCommentsOffersToEraseThemAll)
{
    const QString plant = file("plant.mdb"), blank = file("blank.mdb");
    {
        ConfigurationFile c(plant);
        c.allCommentsFilled("plant");
    }
    ConfigurationFile(blank).close();
    open(plant);
    const QString text = QStringLiteral("          WARNING\rNo Comments Exist in ") + blank + QStringLiteral(".\rAll Comments in ")
                         + plant + QStringLiteral(" will be Erased.\r\rProceed with Importing Comments?");
    importFrom(blank, Answer::Cancel);
    expectQuestion(text, QStringLiteral("No Comments"));
    EXPECT_EQ(blockTexts(70).comment, "plant comment 70");

    importFrom(blank, Answer::Ok);
    expectQuestion(text, QStringLiteral("No Comments"));
    for (int16_t block : {0, 70, 159}) {
        EXPECT_EQ(blockTexts(block).comment, "");
        EXPECT_EQ(blockTexts(block).visio, "");
    }
    EXPECT_EQ(app.db().CommentTitle(), "");
    EXPECT_EQ(app.db().CommentComment(), "");
}

TEST_F(CompareCommandsTest, AFailedOrImpossibleCompareImportsNothing_NotEvenTheFilesOfAnEarlierRun)
{
    const QString plant = file("plant.mdb"), garbage = file("garbage.mdb");
    {
        ConfigurationFile c(plant);
        c.blockComments(5, "mine");
    }
    writeFile(garbage, QByteArray(4096, 'g'));
    open(plant);
    // What an earlier run left behind must not be taken for this run's.
    writeFile(inTemp(kResultFileName), "32\r\n");
    QByteArray stale;
    for (int i = 0; i < 323; ++i)
        stale += "\"stale\"\r\n";
    writeFile(inTemp(kCommentsFileName), stale);

    files = {garbage};
    trigger("mnuFileImport");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, QStringLiteral("Compare Failed"));
    EXPECT_TRUE(messages[0].text.startsWith(QStringLiteral("Juxta Could Not Compare ") + garbage + QStringLiteral("\rWith ") + plant
                                            + QStringLiteral(".\r\r")))
        << messages[0].text.toStdString();
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("Unrecognized database format"))) << messages[0].text.toStdString();
    EXPECT_EQ(blockTexts(5).comment, "mine");
    EXPECT_FALSE(QFileInfo::exists(inTemp(kCommentsFileName)));
    EXPECT_FALSE(app.session().WorkFileChanged());

    // A source that lacks a block compares only in part: asked first, and even when the user
    // goes on, comments that would land on the wrong blocks are not imported.
    const QString partial = file("partial.mdb");
    {
        ConfigurationFile c(partial);
        c.blockComments(5, "theirs");
    }
    sql(partial, "DELETE FROM \"Block List\" WHERE BlockNumber = 3");
    const QString incomplete = QStringLiteral("WARNING\r\rParts of ") + partial
                               + QStringLiteral("\rCould Not Be Compared.\r\rUse the COMPARE DATABASE FILES\rMenu Item to View the Log.")
                               + QStringLiteral("\r\rProceed with Importing Comments?");
    importFrom(partial, Answer::Cancel);
    expectQuestion(incomplete, QStringLiteral("Incomplete Compare"));
    importFrom(partial, Answer::Ok);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].title, QStringLiteral("Compare Failed"));
    EXPECT_TRUE(messages[1].text.endsWith(QStringLiteral(" does not hold the comments of a whole configuration; nothing was imported.")))
        << messages[1].text.toStdString();
    EXPECT_EQ(blockTexts(5).comment, "mine");
    EXPECT_FALSE(app.session().WorkFileChanged());

    // A temporary folder other users may write in: nothing of Juxta's is read back from it.
    const QString shared = file("shared");
    QDir().mkpath(shared);
    ::chmod(QFile::encodeName(shared).constData(), 0777);
    qputenv("TEMP", shared.toUtf8());
    importFrom(plant, Answer::Ok);
    qputenv("TEMP", temp.toUtf8());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, QStringLiteral("Compare Failed"));
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("other users may write in ") + shared)) << messages[0].text.toStdString();
    EXPECT_TRUE(QDir(shared).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    EXPECT_FALSE(app.session().WorkFileChanged());

    // Juxta missing beside the editor: said, and nothing compared.
    QTemporaryDir empty;
    const QByteArray built = qgetenv("ORVANE_BIN_DIR");
    qputenv("ORVANE_BIN_DIR", empty.path().toUtf8());
    messages.clear();
    files = {plant};
    trigger("mnuFileImport");
    files = {plant};
    chooseReport(nullptr, "Command1");
    trigger("mnuFileCompare");
    qputenv("ORVANE_BIN_DIR", built);
    const MessageRequest missing{QStringLiteral("Error - Juxta Must Be Installed"), QStringLiteral("File Not Found"), Buttons::Ok,
                                 Icon::Exclamation};
    ASSERT_EQ(messages.size(), 2u);
    for (const MessageRequest& m : messages)
        EXPECT_TRUE(m.text == missing.text && m.title == missing.title && m.icon == missing.icon) << m.text.toStdString();

    // A read-only configuration takes no comments.
    const QString locked = file("locked.mdb");
    ConfigurationFile(locked).close();
    ::chmod(QFile::encodeName(locked).constData(), 0444);
    open(locked);
    files = {plant};
    trigger("mnuFileImport");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, locked + QStringLiteral(" Is Read-Only\rNo Comments Can Be Imported Into It"));
    EXPECT_TRUE(dialogs.empty());
}


TEST_F(CompareCommandsTest, ALegacyJetFileIsComparedAndItsCommentsImported_AndStaysAsItWas)
{
    const QString legacy = file("legacy plant.mdb"), made = file("made.mdb"), blank = file("blank.mdb");
    copyLegacyJetFile("legacy-config-jet4.mdb", legacy);
    makeLegacyTwin(made);
    ConfigurationFile(blank).close();
    const QByteArray original = contentOf(legacy);

    // As File 1 of a compare with the same configuration made here: nothing differs.
    open(made);
    OpenedDocuments opened;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &opened, "open");
    files = {legacy};
    chooseReport(nullptr, "Command1");
    trigger("mnuFileCompare");
    EXPECT_TRUE(messages.empty());
    ASSERT_EQ(opened.urls.size(), 1);
    const QList<QByteArray> lines = contentOf(inTemp(kCompareLogName)).split('\n');
    ASSERT_EQ(lines.size(), 14);   // the frame alone, and the empty rest after the last line end
    EXPECT_TRUE(lines[4].startsWith("FILE 1 " + legacy.toUtf8() + " - ")) << lines[4].toStdString();
    EXPECT_EQ(lines[7], "Block                                      File 1     File 2\r");

    // As the source of an import: its texts arrive whole, no question asked.
    open(blank);
    importFrom(legacy, Answer::Cancel);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(app.db().CommentTitle(), "Legacy plant");
    EXPECT_EQ(app.db().CommentComment(), "Sequence of operation:\r\nStart the feed pump, then open the valve.");
    EXPECT_EQ(blockTexts(0).comment, "Boiler 3 \"north\" \xE2\x80\x93 feed pump");
    EXPECT_EQ(blockTexts(2).comment, "line one\r\nline two");
    EXPECT_EQ(blockTexts(2).visio, "Drawing tag FT-101");
    EXPECT_EQ(blockTexts(3).visio, "   ");
    EXPECT_TRUE(app.session().WorkFileChanged());
    EXPECT_EQ(contentOf(legacy), original);
}

TEST_F(CompareCommandsTest, TextsJuxtasFilesCannotCarryAreNamedFirst_CancelRunsNothing_OkGoesOnWithQuestionMarks)
{
    const QString plant = file("plant.mdb"), source = file("source.mdb");
    ConfigurationFile(plant).close();
    const std::string pompe = "Pompe \xE2\x84\x96 3 \xE2\x80\x93 \xE6\xB8\xA9\xE5\xBA\xA6";   // "№", an en dash, two ideographs
    {
        ConfigurationFile c(source);
        c.texts(pompe, "CFG", "").blockComments(12, "PV \xCE\xA9", "Caf\xC3\xA9");
    }
    open(plant);
    QString named = QStringLiteral("title \"") + QString::fromStdString(pompe)
                          + QStringLiteral("\": \u2116\u6E29\u5EA6\rblock 12 comment \"PV \u03A9\": \u03A9");
    importFrom(source, Answer::Cancel);
    expectQuestion(QStringLiteral("Windows-1252 lacks some characters of these comments of ") + source
                       + QStringLiteral("; the comments file carries them, and the import stores them, as \"?\":\r") + named
                       + QStringLiteral("\r\rImport the comments anyway?"),
                   QStringLiteral("Import Comments"));
    EXPECT_FALSE(QFileInfo::exists(inTemp(kCommentsFileName)));   // Juxta did not run
    EXPECT_EQ(app.db().CommentTitle(), "");
    EXPECT_FALSE(app.session().WorkFileChanged());

    importFrom(source, Answer::Ok);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(app.db().CommentTitle(), "Pompe ? 3 \xE2\x80\x93 ??");
    EXPECT_EQ(blockTexts(12).comment, "PV ?");
    EXPECT_EQ(blockTexts(12).visio, "Caf\xC3\xA9");

    // The compare names what its log and comments file would show as "?".
    OpenedDocuments opened;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &opened, "open");
    QFile::remove(inTemp(kCompareLogName));
    messages.clear();
    files = {source};
    answers = {Answer::Cancel};
    chooseReport(nullptr, "Command1");
    trigger("mnuFileCompare");
    expectQuestion(QStringLiteral("Windows-1252 lacks some characters of these texts; where the compare log or the "
                                  "comments file shows them, it shows \"?\":\rFILE 1 ")
                       + named.replace(QStringLiteral("\rblock"), QStringLiteral("\rFILE 1 block"))
                       + QStringLiteral("\r\rCompare anyway?"),
                   QStringLiteral("Compare Database Files"));
    EXPECT_TRUE(opened.urls.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(inTemp(kCompareLogName)));
    files = {source};
    chooseReport(nullptr, "Command1");
    trigger("mnuFileCompare");
    ASSERT_EQ(opened.urls.size(), 1);
    EXPECT_TRUE(contentOf(inTemp(kCompareLogName)).contains("FILE 1: Pompe ? 3 \x96 ??\r\n"));
}
