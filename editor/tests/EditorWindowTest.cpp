// The main window against real configuration files and the real catalogue.

#include "TestEnvironment.h"
#include "EditorApp.h"
#include "HistoryCommands.h"
#include "frmGeneral.h"
#include "core/MRUmodule.h"
#include "orvane/files/WorkingCopy.h"
#include "orvane/formats/JetFiles.h"
#include "orvane/transfer/Image.h"
#include "orvane/transfer/StoreBridge.h"
#include "ui/MessageSeam.h"
#include "ui/SettingsStore.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QEventLoop>
#include <QTableWidget>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <QUndoView>
#include <map>
#include <optional>
#include <sqlite3.h>
#include <sys/stat.h>

#include "../../store/tests/support/InterruptedWrite.h"

using namespace brevant;

namespace {

// One number read from a byte copy of the file, past the editor and its store object
// (which holds the working copy locked): what a copy of the file would carry.
std::optional<int> numberInFile(const QString& file, const char* select, int first, int second = 0)
{
    const QString snapshot = file + QStringLiteral(".snapshot");
    QFile::remove(snapshot);
    if (!QFile::copy(file, snapshot))
        return std::nullopt;
    sqlite3* db = nullptr;
    std::optional<int> value;
    if (sqlite3_open_v2(QFile::encodeName(snapshot).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, select, -1, &st, nullptr);
        sqlite3_bind_int(st, 1, first);
        sqlite3_bind_int(st, 2, second);
        if (st && sqlite3_step(st) == SQLITE_ROW)
            value = sqlite3_column_int(st, 0);
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    QFile::remove(snapshot);
    return value;
}

std::optional<int> constantInFile(const QString& file, int block, int offset)
{
    return numberInFile(file, "SELECT ConstantValue FROM Constants WHERE BlockNumber=?1 AND Offset=?2", block, offset);
}

// The "Constants" count of a block.
std::optional<int> constantCountInFile(const QString& file, int block)
{
    return numberInFile(file, "SELECT Constants FROM \"Block List\" WHERE BlockNumber=?1", block);
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A catalogue function with inputs and a plain whole-number first parameter.
struct PlainFunction {
    QString name;
    int inputs = 0;
    int min = 0, max = 0;
};

class EditorWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::application();
        auto s = openSettingsStore();
        s->remove(kRecentFilesSection);
        s->sync();
        messages.clear();
        setMessageHandler([this](const MessageRequest& r) {
            messages.push_back(r);
            return answers.empty() ? Answer::Ok : takeAnswer();
        });
        setFileDialogHandler([this](const FileDialogRequest& r) {
            dialogs.push_back(r);
            return chosenFile;
        });
        const QString error = app.start(QStringLiteral(ORVANE_BIN_DIR));
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
        plain = findPlainFunction();
        ASSERT_FALSE(plain.name.isEmpty()) << "the catalogue has no function with inputs and a plain parameter";
    }
    void TearDown() override
    {
        setMessageHandler({});
        setFileDialogHandler({});
    }

    Answer takeAnswer()
    {
        const Answer a = answers.front();
        answers.erase(answers.begin());
        return a;
    }

    PlainFunction findPlainFunction()
    {
        kessig::OrvaneDB& db = app.db();
        db.FuncSetIndex("FN");
        for (db.FuncMoveFirst(); !db.FuncEOF(); db.FuncMoveNext()) {
            const QString name = QString::fromStdString(db.FuncName());
            if (db.FuncInputs() < 1 || db.FuncParams() < 1 || isAuxOutputFunction(name))
                continue;
            const int16_t fn = db.FuncFN(), inputs = db.FuncInputs();
            db.ParamSeek(fn, 1);
            if (db.ParamType() != 3 && db.ParamType() != 4 && db.ParamDecimal() == 0 && db.ParamMax() > db.ParamMin()) {
                PlainFunction f{name, inputs, db.ParamMin(), db.ParamMax()};
                db.FuncSeekI(fn);   // keep the walk where it was
                return f;
            }
            db.FuncSeekI(fn);
        }
        return {};
    }

    QString newConfiguration(const QString& name)
    {
        const QString path = dir.filePath(name);
        app.db().create_new_database(path.toStdString());
        return path;
    }

    void open(const QString& path)
    {
        chosenFile = path;
        ASSERT_TRUE(w().files().OpenExistingFile()) << (messages.empty() ? std::string() : messages.back().text.toStdString());
        w().FillBlockMap();
    }

    // Puts `function` into block 10 through Function Type mode.
    void assign(int block, const QString& function)
    {
        w().FunctionTypeMode();
        w().chooseFunction(function);
        w().selectBlock(block);
        w().blockMapChosen();
        w().BlockDataMode();
        w().selectBlock(block);
        w().Grid1_Click();
    }

    void typeInto(const char* gridName, int row, const QString& text)
    {
        auto* grid = w().findChild<QTableWidget*>(gridName);
        auto* box = w().findChild<QLineEdit*>(QString(gridName) == "Grid2" ? "txtEdit" : "txtEdit1");
        grid->setCurrentCell(row, 0);
        w().FlexGridEdit(grid, box, ' ');
        box->setText(text);
        w().EditKeyCode(grid, box, Qt::Key_Return);
    }

    Form3& w() { return app.mainWindow(); }
    QAction* menu(const char* name) { return w().findChild<QAction*>(name); }
    QTableWidget* grid(const char* name) { return w().findChild<QTableWidget*>(name); }

    QTemporaryDir dir;
    EditorApp app;
    PlainFunction plain;
    std::vector<MessageRequest> messages;
    std::vector<Answer> answers;
    std::vector<FileDialogRequest> dialogs;
    QString chosenFile;
};

} // namespace

TEST_F(EditorWindowTest, AllControlsExistWithTheirNames)
{
    for (const char* name : {"Grid1", "Grid2", "Grid3", "List1", "txtEdit", "txtEdit1", "txtCmt", "Label1",
                             "Label2", "Label4", "Label5", "Command1"})
        EXPECT_NE(w().findChild<QWidget*>(name), nullptr) << name;
    for (const char* name : {"mnuFileNew", "mnuFileOpen", "mnuFileSave", "mnuFileSaveAs", "mnuFileRestore",
                             "mnuFileUpload", "mnuFileDownload", "mnuFileVerify", "mnuFileImport", "mnuFileCompare",
                             "munFilePrint", "mnuFormExit", "mnuRecentFile0", "mnuRecentFile1", "mnuRecentFile4",
                             "mnuEditCfg", "mnuEditBlk", "mnuEditComments", "mnuEditComPort", "mnuViewAll",
                             "mnuViewSel", "mnuVersion", "mnuViewDCX7", "mnuAbout"})
        EXPECT_NE(menu(name), nullptr) << name;
    EXPECT_TRUE(menu("munFilePrint")->isEnabled());
    EXPECT_TRUE(menu("mnuEditComments")->isEnabled());
    EXPECT_TRUE(menu("mnuViewDCX7")->isEnabled());
    EXPECT_EQ(grid("Grid2")->horizontalHeaderItem(0)->text(), "Blk");
    EXPECT_EQ(grid("Grid3")->horizontalHeaderItem(0)->text(), "Value");
}

TEST_F(EditorWindowTest, NewConfigurationShowsTheDefaultBlocks)
{
    open(newConfiguration("plant.mdb"));
    EXPECT_EQ(grid("Grid1")->item(0, 4)->text(), " ");
    EXPECT_NE(grid("Grid1")->item(0, 0)->text(), " ");
    EXPECT_EQ(w().windowTitle(), "Brevant - " + dir.filePath("plant.mdb"));
    EXPECT_EQ(dialogs.back().filter, kConfigurationFilter);
}

TEST_F(EditorWindowTest, ParameterEditReachesTheWorkingCopyAtOnce)
{
    open(newConfiguration("plant.mdb"));
    assign(10, plain.name);
    const int value = plain.min + (plain.max - plain.min) / 2;
    typeInto("Grid3", 0, QString::number(value));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(constantInFile(app.session().WorkFile, 10, plain.inputs), value);
    EXPECT_EQ(grid("Grid3")->item(0, 0)->text(), QString::number(value));

    typeInto("Grid2", 0, "12");
    EXPECT_EQ(constantInFile(app.session().WorkFile, 10, 0), 12);
}

TEST_F(EditorWindowTest, RefusedInputsLeaveTheFileUnchanged)
{
    open(newConfiguration("plant.mdb"));
    assign(10, plain.name);
    const QByteArray before = fileBytes(app.session().WorkFile);
    const uint64_t writes = app.db().WriteCount();
    for (const char* text : {"160", "-1", "12a"})
        typeInto("Grid2", 0, text);
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].text, QString("Enter A Block Number\r        0 to 159"));
    typeInto("Grid3", 0, QString::number(static_cast<double>(plain.max) + 1));
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages[3].text, "Invalid Parameter Value\rMin   " + QString::number(plain.min) + "  Max  "
                                    + QString::number(plain.max));
    EXPECT_EQ(app.db().WriteCount(), writes);
    EXPECT_EQ(fileBytes(app.session().WorkFile), before);
}

TEST_F(EditorWindowTest, ReplacingAFunctionAsksAndNoChangesNothing)
{
    open(newConfiguration("plant.mdb"));
    assign(10, plain.name);
    typeInto("Grid2", 0, "3");
    answers = {Answer::No};
    assign(10, "NOP");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Replace " + plain.name + " With NOP");
    EXPECT_EQ(messages[0].buttons, Buttons::YesNo);
    EXPECT_EQ(constantInFile(app.session().WorkFile, 10, 0), 3);

    answers = {Answer::Yes};
    assign(10, "NOP");
    EXPECT_EQ(constantInFile(app.session().WorkFile, 10, 0), std::nullopt);
    EXPECT_EQ(grid("Grid1")->item(1, 0)->text(), " ");
}

TEST_F(EditorWindowTest, ReassigningTheSameFunctionResetsItsConstants)
{
    open(newConfiguration("plant.mdb"));
    assign(10, plain.name);
    const auto fresh = constantInFile(app.session().WorkFile, 10, 0);
    ASSERT_TRUE(fresh);
    EXPECT_TRUE(*fresh == 0 || *fresh == 2);   // analog inputs start at 0, discrete at 2
    typeInto("Grid2", 0, "7");
    answers = {Answer::Yes};
    assign(10, plain.name);
    EXPECT_EQ(constantInFile(app.session().WorkFile, 10, 0), fresh);
}

TEST_F(EditorWindowTest, ChangeQuestionAfterOneWriteAndNotAfterNone)
{
    const QString a = newConfiguration("a.mdb"), b = newConfiguration("b.mdb");
    open(a);
    chosenFile = b;
    w().files().fileOpen();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(app.session().GlobalFile, b);

    assign(20, plain.name);   // one write at least
    answers = {Answer::Cancel};
    chosenFile = a;
    w().files().fileOpen();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Save changes to " + b + "?");
    EXPECT_EQ(messages[0].buttons, Buttons::YesNoCancel);
    EXPECT_EQ(messages[0].icon, Icon::Exclamation);
    EXPECT_EQ(messages[0].title, "Brevant");
    // Cancelled: the configuration is still open and editable.
    EXPECT_EQ(app.session().GlobalFile, b);
    typeInto("Grid2", 0, "5");
    EXPECT_EQ(constantInFile(app.session().WorkFile, 20, 0), 5);
}

TEST_F(EditorWindowTest, SaveCopiesBackAndSaveAsAsksBeforeReplacing)
{
    const QString a = newConfiguration("a.mdb"), other = newConfiguration("other.mdb");
    open(a);
    assign(30, plain.name);
    w().files().fileSave();
    EXPECT_TRUE(constantInFile(a, 30, 0).has_value());

    answers = {Answer::No};
    chosenFile = other;
    w().files().fileSaveAs();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, other + " already exists.\rDo you want to replace it?");
    EXPECT_EQ(messages[0].title, "Save AS");
    EXPECT_FALSE(constantInFile(other, 30, 0).has_value());

    answers = {Answer::Yes};
    w().files().fileSaveAs();
    EXPECT_TRUE(constantInFile(other, 30, 0).has_value());
    EXPECT_EQ(app.session().GlobalFile, other);
}

TEST_F(EditorWindowTest, ReadOnlyFileLocksEditing)
{
    const QString a = newConfiguration("a.mdb");
    ::chmod(QFile::encodeName(a).constData(), 0444);
    open(a);
    EXPECT_TRUE(w().windowTitle().endsWith(" - READ ONLY"));
    EXPECT_FALSE(menu("mnuFileSave")->isEnabled());
    EXPECT_FALSE(menu("mnuEditCfg")->isEnabled());
    EXPECT_FALSE(menu("mnuFileUpload")->isEnabled());
    EXPECT_TRUE(menu("mnuFileSaveAs")->isEnabled());
    w().selectBlock(0);
    w().Grid1_Click();
    auto* g2 = grid("Grid2");
    g2->setCurrentCell(0, 0);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_5, Qt::NoModifier, "5");
    QApplication::sendEvent(g2, &key);
    EXPECT_TRUE(w().findChild<QLineEdit*>("txtEdit")->isHidden());
    emit g2->cellDoubleClicked(0, 0);
    EXPECT_TRUE(w().findChild<QLineEdit*>("txtEdit")->isHidden());
    const QString work = app.session().WorkFile;
    w().files().fileRestore();
    EXPECT_FALSE(QFile::exists(work));   // deleted although read-only
}

TEST_F(EditorWindowTest, FailedCopyBackKeepsTheWorkingCopyAndReports)
{
    const QString a = newConfiguration("a.mdb");
    open(a);
    assign(40, plain.name);
    // The user's file was replaced by a folder: nothing can be written there.
    QFile::remove(a);
    QDir().mkpath(a);
    const QString work = app.session().WorkFile;
    // The file is no longer the one opened, so the user is asked first; overwriting fails.
    answers = {Answer::Yes};
    w().files().fileSave();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].buttons, Buttons::OverwriteSaveAsCancel);
    EXPECT_EQ(messages[1].icon, Icon::Critical);
    EXPECT_TRUE(messages[1].text.contains(a));
    EXPECT_EQ(app.session().WorkFile, work);
    EXPECT_TRUE(QFile::exists(work));
    EXPECT_TRUE(app.db().ConfigurationOpen());
    typeInto("Grid2", 0, "9");
    EXPECT_EQ(constantInFile(work, 40, 0), 9);
}

TEST_F(EditorWindowTest, RecentListFollowsOpenAndMenuEntries)
{
    const QString a = newConfiguration("a.mdb"), b = newConfiguration("b.mdb"), c = newConfiguration("c.mdb");
    open(a);
    open(b);
    open(c);
    EXPECT_EQ(MRUmodule::entries(), QStringList({c, b, a}));
    EXPECT_EQ(menu("mnuRecentFile1")->data().toString(), c);
    open(b);   // already listed: keeps its place
    EXPECT_EQ(MRUmodule::entries(), QStringList({c, b, a}));
    w().files().mnuRecentFile_Click(3);   // from the menu: moves to the top
    EXPECT_EQ(MRUmodule::entries(), QStringList({a, c, b}));
    EXPECT_EQ(app.session().GlobalFile, a);

    QFile::remove(c);
    w().files().mnuRecentFile_Click(2);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back().text, c + " No Longer Exists");
    EXPECT_EQ(app.session().GlobalFile, a);
    EXPECT_EQ(MRUmodule::entries(), QStringList({a, c, b}));
    EXPECT_TRUE(app.db().ConfigurationOpen());
}

TEST_F(EditorWindowTest, BlockSearchWrapsAround)
{
    open(newConfiguration("plant.mdb"));
    w().selectBlock(159);
    QKeyEvent f6(QEvent::KeyPress, Qt::Key_F6, Qt::NoModifier);
    QApplication::sendEvent(grid("Grid1"), &f6);
    EXPECT_EQ(w().currentBlock(), 0);
    QKeyEvent f5(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
    QApplication::sendEvent(grid("Grid1"), &f5);
    EXPECT_EQ(w().currentBlock(), 3);
}

TEST_F(EditorWindowTest, AboutShowsTheVersion)
{
    FrmAbout about(&w());
    EXPECT_EQ(about.objectName(), "frmAbout");
    EXPECT_EQ(about.windowTitle(), "About Brevant");
    auto* version = about.findChild<QLabel*>("lblVersion");
    ASSERT_NE(version, nullptr);
    EXPECT_TRUE(version->text().startsWith("Version 7.11"));
    EXPECT_NE(about.findChild<QPushButton*>("cmdOK"), nullptr);
}

TEST_F(EditorWindowTest, StartDialogOffersTheThreeChoicesWithOpenSelected)
{
    FrmAsk ask(&w());
    EXPECT_EQ(ask.windowTitle(), "Brevant");
    auto* open = ask.findChild<QRadioButton*>("Option2");
    ASSERT_NE(open, nullptr);
    EXPECT_TRUE(open->isChecked());
    EXPECT_EQ(ask.findChild<QRadioButton*>("Option1")->text(), "Create A New Configuration");
    EXPECT_EQ(ask.findChild<QRadioButton*>("Option3")->text(), "Open A Recent Configuration");
}

TEST(EditorStartUp, MissingCatalogueIsReportedWithItsPath)
{
    test::application();
    QTemporaryDir empty;
    EditorApp app;
    const QString error = app.start(empty.path());
    EXPECT_TRUE(error.contains(QDir(empty.path()).filePath("OrvaneDATA.DAT"))) << error.toStdString();
}

TEST_F(EditorWindowTest, AuxOutputIsChosenFromTheSourceBlocksOutputs)
{
    kessig::OrvaneDB& db = app.db();
    db.FuncSetIndex("Fname");
    db.FuncSeekS("AABO");
    if (db.FuncNoMatch())
        GTEST_SKIP() << "the catalogue has no AABO";
    QString source, bare;
    db.FuncSetIndex("FN");
    for (db.FuncMoveFirst(); !db.FuncEOF(); db.FuncMoveNext()) {
        const QString name = QString::fromStdString(db.FuncName());
        if (name == "NOP" || isAuxOutputFunction(name))
            continue;
        if (db.FuncAuxAnalogs() > 0 && source.isEmpty())
            source = name;
        if (db.FuncAuxAnalogs() == 0 && bare.isEmpty())
            bare = name;
    }
    ASSERT_FALSE(source.isEmpty());
    open(newConfiguration("plant.mdb"));
    assign(20, source);
    assign(21, "AABO");
    typeInto("Grid2", 0, "20");
    w().Grid1_Click();

    QTimer::singleShot(0, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->objectName(), "FrmAuxOutput");
        EXPECT_TRUE(dialog->findChild<QRadioButton*>("OB0")->isChecked());
        EXPECT_EQ(dialog->findChild<QRadioButton*>("OB0")->text(), "NO SELECTION");
        dialog->findChild<QRadioButton*>("OB1")->click();
        dialog->findChild<QPushButton*>("Command1")->click();
    });
    w().ProcessAuxOutputs();
    EXPECT_EQ(constantInFile(app.session().WorkFile, 21, 1), 1);
    EXPECT_EQ(grid("Grid3")->item(0, 0)->text(), "1");
    db.AuxSeek(app.session().BlockFunctions[20], "A", 1);
    EXPECT_EQ(grid("Grid3")->item(0, 1)->text(), QString::fromStdString(db.AuxDescription()));

    // A stored output the source does not offer is shown as stored, since a download
    // sends it as stored, and marked.
    db.FuncSetIndex("FN");
    db.FuncSeekI(app.session().BlockFunctions[20]);
    const int count = db.FuncAuxAnalogs();
    db.ConstantSeek(21, 1);
    db.ConstantEdit();
    db.ConstantValue(count + 1);
    db.ConstantUpdate();
    w().Grid1_Click();
    EXPECT_EQ(grid("Grid3")->item(0, 0)->text(), QString::number(count + 1));
    EXPECT_EQ(grid("Grid3")->item(0, 1)->text(), "NOT OFFERED BY " + source);
    db.ConstantSeek(21, 1);
    db.ConstantEdit();
    db.ConstantValue(1);
    db.ConstantUpdate();

    if (bare.isEmpty())
        return;
    assign(22, bare);
    w().selectBlock(21);
    w().Grid1_Click();
    typeInto("Grid2", 0, "22");
    w().Grid1_Click();
    EXPECT_EQ(grid("Grid3")->item(0, 0)->text(), "1");
    EXPECT_EQ(grid("Grid3")->item(0, 1)->text(), "NOT OFFERED BY " + bare);
    EXPECT_EQ(constantInFile(app.session().WorkFile, 21, 1), 1);
    // Choosing from a source without outputs leaves no output.
    w().ProcessAuxOutputs();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back().text, bare + " has no auxiliary analog outputs");
    EXPECT_EQ(messages.back().title, "Output Not Found");
    EXPECT_EQ(messages.back().icon, Icon::Exclamation);
    EXPECT_EQ(constantInFile(app.session().WorkFile, 21, 1), 0);
    EXPECT_EQ(grid("Grid3")->item(0, 0)->text(), "0");
    EXPECT_EQ(grid("Grid3")->item(0, 1)->text(), "NO AUX OUTPUT");
}

namespace {

void sql(const QString& file, const char* statement)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(file).constData(), &db), SQLITE_OK);
    char* error = nullptr;
    const int rc = sqlite3_exec(db, statement, nullptr, nullptr, &error);
    const std::string text = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK) << text;
}

// A catalogue function with at least `inputs` inputs.
QString functionWithInputs(kessig::OrvaneDB& db, int inputs)
{
    db.FuncSetIndex("FN");
    for (db.FuncMoveFirst(); !db.FuncEOF(); db.FuncMoveNext()) {
        const QString name = QString::fromStdString(db.FuncName());
        if (db.FuncInputs() >= inputs && !isAuxOutputFunction(name))
            return name;
    }
    return {};
}

} // namespace

TEST_F(EditorWindowTest, EmptyBlockClearsTheGridsAndHidesTheComment)
{
    open(newConfiguration("plant.mdb"));
    assign(10, plain.name);
    EXPECT_EQ(w().findChild<QLabel*>("Label5")->text(), "BLOCK 10 - " + plain.name);
    EXPECT_EQ(w().findChild<QLabel*>("Label4")->text(), "COMMENTS:");
    EXPECT_FALSE(w().findChild<QWidget*>("txtCmt")->isHidden());
    ASSERT_NE(grid("Grid2")->item(0, 0), nullptr);

    w().selectBlock(55);
    w().Grid1_Click();
    EXPECT_EQ(grid("Grid2")->item(0, 0), nullptr);
    EXPECT_EQ(grid("Grid3")->item(0, 0), nullptr);
    EXPECT_TRUE(w().findChild<QWidget*>("txtCmt")->isHidden());
    EXPECT_EQ(w().findChild<QLabel*>("Label4")->text(), "");
    EXPECT_EQ(grid("Grid2")->horizontalHeaderItem(3)->text(), "A/D");
    EXPECT_EQ(grid("Grid3")->horizontalHeaderItem(1)->text(), "Description");
}

TEST_F(EditorWindowTest, InputsShowTheirSourceFunctionOrQuestionMarks)
{
    open(newConfiguration("plant.mdb"));
    assign(10, plain.name);
    typeInto("Grid2", 0, "50");   // block 50 is empty
    w().Grid1_Click();
    EXPECT_EQ(grid("Grid2")->item(0, 0)->text(), "50");
    EXPECT_EQ(grid("Grid2")->item(0, 2)->text(), "????");
    EXPECT_EQ(grid("Grid2")->item(0, 3)->text(), "?");

    typeInto("Grid2", 0, "0");   // block 0 runs function 0
    w().Grid1_Click();
    kessig::OrvaneDB& db = app.db();
    db.FuncSetIndex("FN");
    db.FuncSeekI(0);
    EXPECT_EQ(grid("Grid2")->item(0, 2)->text(), QString::fromStdString(db.FuncName()));
    EXPECT_NE(grid("Grid2")->item(0, 3)->text(), "?");

    // A link that a damaged file points past the last block reads as an empty source.
    db.ConstantSeek(10, 0);
    db.ConstantEdit();
    db.ConstantValue(900);
    db.ConstantUpdate();
    w().Grid1_Click();
    EXPECT_EQ(grid("Grid2")->item(0, 2)->text(), "????");
}

TEST_F(EditorWindowTest, BlankDrawingCommentGivesWayToTheBlockComment)
{
    open(newConfiguration("plant.mdb"));
    assign(10, plain.name);
    kessig::OrvaneDB& db = app.db();
    db.BlockSeek(10);
    db.BlockEdit();
    db.BlockComment("feed pump");
    db.BlockVisioComment("   ");
    db.BlockUpdate();
    w().Grid1_Click();
    auto* comment = w().findChild<QPlainTextEdit*>("txtCmt");
    ASSERT_NE(comment, nullptr);
    EXPECT_EQ(comment->toPlainText(), "feed pump");

    db.BlockSeek(10);
    db.BlockEdit();
    db.BlockVisioComment("from the drawing");
    db.BlockUpdate();
    w().Grid1_Click();
    EXPECT_EQ(comment->toPlainText(), "from the drawing");
}

TEST_F(EditorWindowTest, EditBoxOpensOnlyOnTheValueColumnAndEscapeKeepsTheValue)
{
    open(newConfiguration("plant.mdb"));
    assign(10, plain.name);
    typeInto("Grid2", 0, "4");
    auto* g2 = grid("Grid2");
    auto* box = w().findChild<QLineEdit*>("txtEdit");
    emit g2->cellDoubleClicked(0, 1);   // "Description"
    EXPECT_TRUE(box->isHidden());
    emit g2->cellDoubleClicked(0, 0);
    EXPECT_FALSE(box->isHidden());
    EXPECT_EQ(box->text(), "4");   // a double click edits the cell's own text
    box->setText("99");
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(box, &escape);
    EXPECT_TRUE(box->isHidden());
    EXPECT_EQ(g2->item(0, 0)->text(), "4");
    EXPECT_EQ(constantInFile(app.session().WorkFile, 10, 0), 4);

    // A typed digit replaces the text; Enter in the box commits it.
    g2->setCurrentCell(0, 0);
    QKeyEvent seven(QEvent::KeyPress, Qt::Key_7, Qt::NoModifier, "7");
    QApplication::sendEvent(g2, &seven);
    ASSERT_FALSE(box->isHidden());
    EXPECT_EQ(box->text(), "7");
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    QApplication::sendEvent(box, &enter);
    EXPECT_TRUE(box->isHidden());
    EXPECT_EQ(constantInFile(app.session().WorkFile, 10, 0), 7);

    // Enter on the grid opens the box on the cell's text.
    QApplication::sendEvent(g2, &enter);
    EXPECT_FALSE(box->isHidden());
    EXPECT_EQ(box->text(), "7");
    w().EditKeyCode(g2, box, Qt::Key_Escape);

    // Rows below the block's inputs take no value.
    const int below = plain.inputs;   // first row past the last input
    emit g2->cellDoubleClicked(below, 0);
    EXPECT_TRUE(box->isHidden());
    g2->setCurrentCell(below, 0);
    QApplication::sendEvent(g2, &seven);
    EXPECT_TRUE(box->isHidden());
}

TEST_F(EditorWindowTest, UpAndDownCommitAndMoveWithinTheGrid)
{
    const QString two = functionWithInputs(app.db(), 2);
    if (two.isEmpty())
        GTEST_SKIP() << "the catalogue has no function with two inputs";
    open(newConfiguration("plant.mdb"));
    assign(10, two);
    auto* g2 = grid("Grid2");
    auto* box = w().findChild<QLineEdit*>("txtEdit");
    g2->setCurrentCell(0, 0);
    w().FlexGridEdit(g2, box, '5');
    w().EditKeyCode(g2, box, Qt::Key_Up);   // first row: commits, stays
    EXPECT_EQ(g2->currentRow(), 0);
    EXPECT_EQ(constantInFile(app.session().WorkFile, 10, 0), 5);
    w().FlexGridEdit(g2, box, '6');
    w().EditKeyCode(g2, box, Qt::Key_Down);
    EXPECT_EQ(g2->currentRow(), 1);
    EXPECT_EQ(constantInFile(app.session().WorkFile, 10, 0), 6);
    w().FlexGridEdit(g2, box, '8');
    w().EditKeyCode(g2, box, Qt::Key_Up);
    EXPECT_EQ(g2->currentRow(), 0);
    EXPECT_EQ(constantInFile(app.session().WorkFile, 10, 1), 8);
    EXPECT_TRUE(messages.empty());
}

TEST_F(EditorWindowTest, FunctionTypeModeListsTheCatalogueAndRefusesUnknownNames)
{
    open(newConfiguration("plant.mdb"));
    auto* list = w().findChild<QListWidget*>("List1");
    int functions = 0;
    kessig::OrvaneDB& db = app.db();
    for (db.FuncMoveFirst(); !db.FuncEOF(); db.FuncMoveNext())
        ++functions;
    EXPECT_EQ(list->count(), functions);

    w().FunctionTypeMode();
    EXPECT_EQ(w().findChild<QLabel*>("Label1")->text(), "FUNCTIONS");
    EXPECT_EQ(w().findChild<QLabel*>("Label2")->text(), "");
    EXPECT_FALSE(list->isHidden());
    EXPECT_TRUE(grid("Grid2")->isHidden());
    EXPECT_TRUE(w().findChild<QLabel*>("Label5")->isHidden());

    const auto found = list->findItems(plain.name, Qt::MatchExactly);
    ASSERT_FALSE(found.isEmpty());
    list->setCurrentItem(found.front());
    w().selectBlock(70);
    w().blockMapChosen();   // an empty block is assigned without a question
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(grid("Grid1")->item(7, 0)->text(), plain.name);
    EXPECT_EQ(app.session().BlockFunctions[70], [&] {
        db.FuncSetIndex("Fname");
        db.FuncSeekS(plain.name.toStdString());
        return db.FuncFN();
    }());

    w().chooseFunction("NO SUCH FUNCTION");
    w().selectBlock(71);
    w().blockMapChosen();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "ERROR RECORD NOT FOUND");
    EXPECT_EQ(grid("Grid1")->item(7, 1)->text(), " ");

    w().BlockDataMode();
    EXPECT_EQ(w().findChild<QLabel*>("Label1")->text(), "INPUTS");
    EXPECT_FALSE(grid("Grid2")->isHidden());
}

TEST_F(EditorWindowTest, ReadOnlyFileIsNeverWrittenAndSaveAsGivesAnEditableCopy)
{
    const QString a = newConfiguration("a.mdb"), b = newConfiguration("b.mdb");
    sql(a, "ALTER TABLE \"Block List\" DROP COLUMN VisioComment");
    ::chmod(QFile::encodeName(a).constData(), 0444);
    const QByteArray before = fileBytes(a);

    open(b);
    w().FunctionTypeMode();
    w().chooseFunction(plain.name);
    chosenFile = a;
    w().files().fileOpen();
    ASSERT_EQ(app.session().GlobalFile, a);
    ASSERT_TRUE(app.session().FileReadOnly);
    // Function Type mode is left: nothing can be assigned into the read-only file.
    EXPECT_FALSE(grid("Grid2")->isHidden());
    w().selectBlock(80);
    w().blockMapChosen();
    EXPECT_EQ(app.session().BlockFunctions[80], kNopFunction);

    // A cancelled Save As saves in place, which for this file copies nothing.
    chosenFile.clear();
    w().files().fileSaveAs();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(fileBytes(a), before);

    // Leaving asks nothing although the file lacks the drawing comments.
    chosenFile = b;
    w().files().fileOpen();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(app.session().GlobalFile, b);
    EXPECT_EQ(fileBytes(a), before);

    chosenFile = a;
    w().files().fileOpen();
    const QString copy = dir.filePath("copy.mdb");
    chosenFile = copy;
    w().files().fileSaveAs();
    EXPECT_EQ(app.session().GlobalFile, copy);
    EXPECT_FALSE(app.session().FileReadOnly);
    EXPECT_FALSE(w().windowTitle().endsWith(" - READ ONLY"));
    EXPECT_TRUE(menu("mnuFileSave")->isEnabled());
    EXPECT_EQ(fileBytes(a), before);
}

TEST_F(EditorWindowTest, MissingDrawingCommentsCountAsAChange)
{
    const QString a = newConfiguration("a.mdb"), b = newConfiguration("b.mdb");
    sql(a, "ALTER TABLE \"Block List\" DROP COLUMN VisioComment");
    open(a);
    answers = {Answer::No};
    chosenFile = b;
    w().files().fileOpen();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Save changes to " + a + "?");
    EXPECT_EQ(app.session().GlobalFile, b);
}

TEST_F(EditorWindowTest, RestoreDropsChangesAndCancelledSaveAsSavesInPlace)
{
    const QString a = newConfiguration("a.mdb");
    open(a);
    assign(30, plain.name);
    w().files().fileRestore();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(grid("Grid1")->item(3, 0)->text(), " ");
    EXPECT_FALSE(constantInFile(a, 30, 0).has_value());
    EXPECT_FALSE(app.session().WorkFileChanged());

    assign(30, plain.name);
    chosenFile.clear();
    w().files().fileSaveAs();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(app.session().GlobalFile, a);
    EXPECT_TRUE(constantInFile(a, 30, 0).has_value());
    ASSERT_FALSE(dialogs.empty());
    EXPECT_EQ(dialogs.back().kind, FileDialogKind::Save);
    EXPECT_EQ(dialogs.back().fileName, a);
}

TEST_F(EditorWindowTest, ExitAsksAndCancelKeepsTheConfigurationOpen)
{
    const QString a = newConfiguration("a.mdb");
    open(a);
    assign(30, plain.name);
    answers = {Answer::Cancel};
    EXPECT_FALSE(w().files().fileExit());
    EXPECT_FALSE(w().finished());
    typeInto("Grid2", 0, "6");
    EXPECT_EQ(constantInFile(app.session().WorkFile, 30, 0), 6);

    const QString work = app.session().WorkFile;
    answers = {Answer::No};
    EXPECT_TRUE(w().files().fileExit());
    EXPECT_TRUE(w().finished());
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].text, "Save changes to " + a + "?");
    EXPECT_FALSE(QFile::exists(work));
    EXPECT_FALSE(constantInFile(a, 30, 0).has_value());
    EXPECT_FALSE(app.db().CatalogueOpen());
}

TEST_F(EditorWindowTest, NewAndOpenRefuseWithTheirMessages)
{
    const QString a = newConfiguration("a.mdb"), b = newConfiguration("b.mdb");
    open(a);
    answers = {Answer::No};
    chosenFile = b;
    w().files().fileNew();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, b + " Already Exists\rReplace " + b);
    EXPECT_EQ(messages[0].buttons, Buttons::YesNo);
    EXPECT_EQ(messages[0].title, "Brevant");
    EXPECT_EQ(app.session().GlobalFile, a);
    EXPECT_TRUE(app.db().ConfigurationOpen());

    const QString missing = dir.filePath("missing.mdb");
    chosenFile = missing;
    w().files().fileOpen();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].text, missing + " Does Not Exist");
    EXPECT_EQ(messages[1].buttons, Buttons::Ok);
    EXPECT_EQ(app.session().GlobalFile, a);

    // Yes replaces the file with a new configuration of the default blocks.
    answers = {Answer::Yes};
    chosenFile = b;
    w().files().fileNew();
    EXPECT_EQ(app.session().GlobalFile, b);
    EXPECT_EQ(app.session().BlockFunctions, defaultBlockFunctions());
}

TEST_F(EditorWindowTest, RecentFilesDialogOpensTheChosenRow)
{
    const QString a = newConfiguration("a.mdb"), b = newConfiguration("b.mdb");
    open(a);
    open(b);
    app.session().deleteWorkFile();
    FrmRecent recent(&w());
    EXPECT_EQ(recent.windowTitle(), "Recent Files");
    auto* g = recent.findChild<QTableWidget*>("Grid1");
    ASSERT_EQ(g->rowCount(), 2);
    EXPECT_EQ(g->horizontalHeaderItem(0)->text(), "Filename");
    EXPECT_EQ(g->horizontalHeaderItem(1)->text(), "Path");
    EXPECT_EQ(g->item(0, 0)->text(), "b.mdb");
    EXPECT_EQ(g->currentRow(), 0);
    g->setCurrentCell(1, 0);
    recent.findChild<QPushButton*>("Command1")->click();
    EXPECT_EQ(app.session().GlobalFile, a);
    EXPECT_EQ(MRUmodule::entries(), QStringList({a, b}));
    EXPECT_TRUE(app.db().ConfigurationOpen());
}

TEST_F(EditorWindowTest, StartUpShowsTheStartDialogOverTheStartUpWindow)
{
    const QString a = newConfiguration("a.mdb");
    chosenFile = a;
    bool startWindowBehind = false;
    bool dialogSeen = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog || dialog->objectName() != "FrmAsk")
            return;
        poll.stop();
        dialogSeen = true;
        startWindowBehind = app.startWindow().isVisible() && w().isVisible();
        dialog->findChild<QPushButton*>("Command1")->click();   // Open is preselected
    });
    poll.start();
    app.showStartUp();
    EXPECT_EQ(app.startWindow().objectName(), "frmStart");
    EXPECT_EQ(app.startWindow().windowTitle(), "   Brevant");
    EXPECT_TRUE(app.startWindow().isVisible());
    QEventLoop loop;
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, &loop, &QEventLoop::quit);
    QTimer done;
    done.setInterval(20);
    QObject::connect(&done, &QTimer::timeout, &loop, [&] {
        if (dialogSeen && !QApplication::activeModalWidget())
            loop.quit();
    });
    done.start();
    watchdog.start(20000);   // a guard against a start dialog that never comes
    loop.exec();
    ASSERT_TRUE(dialogSeen);
    EXPECT_TRUE(startWindowBehind);
    EXPECT_EQ(app.session().GlobalFile, a);
    EXPECT_FALSE(app.startWindow().isVisible());
    EXPECT_EQ(w().windowTitle(), "Brevant - " + a);
    // The first activation with a file opened shows the configuration info in the main window's place.
    ASSERT_NE(w().configurationInfo(), nullptr);
    EXPECT_TRUE(w().configurationInfo()->isVisible());
    EXPECT_EQ(w().configurationInfo()->windowTitle(), "Brevant - " + a);
    EXPECT_FALSE(w().isVisible());
    w().configurationInfo()->close();
    EXPECT_TRUE(w().isVisible());
    w().markActivationHandled();
    w().hide();
}

TEST_F(EditorWindowTest, ChoosingTheCurrentFileFromTheRecentEntriesReopensItFromDisk)
{
    const QString a = newConfiguration("a.mdb"), b = newConfiguration("b.mdb");
    open(a);
    open(b);
    assign(30, plain.name);
    answers = {Answer::No};
    w().files().mnuRecentFile_Click(1);   // b, the open file
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Save changes to " + b + "?");
    EXPECT_EQ(app.session().GlobalFile, b);
    EXPECT_EQ(grid("Grid1")->item(3, 0)->text(), " ");
    EXPECT_EQ(app.session().BlockFunctions[30], kNopFunction);
    EXPECT_FALSE(app.session().WorkFileChanged());
}

TEST_F(EditorWindowTest, AFileThatIsNoConfigurationIsReportedAndTheOpenOneKept)
{
    const QString a = newConfiguration("a.mdb");
    const QString junk = dir.filePath("junk.mdb");
    {
        QFile f(junk);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("this is not a configuration database, only some text\n");
    }
    open(a);
    assign(30, plain.name);
    auto workingCopies = [] { return QDir(orvane::files::workingCopyFolder()).entryList({QStringLiteral("*.tmp")}, QDir::Files); };
    const QStringList before = workingCopies();
    answers = {Answer::Yes};   // save the change first
    chosenFile = junk;
    w().files().fileOpen();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].icon, Icon::Critical);
    EXPECT_EQ(app.session().GlobalFile, a);
    EXPECT_TRUE(app.db().ConfigurationOpen());
    EXPECT_TRUE(constantInFile(a, 30, 0).has_value());
    EXPECT_EQ(grid("Grid1")->item(3, 0)->text(), plain.name);
    EXPECT_EQ(workingCopies().size(), before.size());   // no working copy of the refused file is left
    EXPECT_FALSE(MRUmodule::IsRecentFile(junk));
}

TEST_F(EditorWindowTest, StartDialogStaysWhenNothingWasOpened)
{
    FrmAsk ask(&w());
    chosenFile.clear();   // the file dialog is cancelled
    ask.findChild<QPushButton*>("Command1")->click();
    EXPECT_NE(ask.result(), QDialog::Accepted);
    EXPECT_FALSE(app.session().FileOpened);

    const QString a = newConfiguration("a.mdb");
    chosenFile = a;
    ask.findChild<QPushButton*>("Command1")->click();
    EXPECT_EQ(ask.result(), QDialog::Accepted);
    EXPECT_EQ(app.session().GlobalFile, a);
}

TEST_F(EditorWindowTest, BlockSearchKeysWorkFromTheInputGridAndSkipEmptyBlocks)
{
    open(newConfiguration("plant.mdb"));
    assign(42, plain.name);
    w().selectBlock(3);
    QKeyEvent f6(QEvent::KeyPress, Qt::Key_F6, Qt::NoModifier);
    QApplication::sendEvent(grid("Grid2"), &f6);
    EXPECT_EQ(w().currentBlock(), 42);
    EXPECT_EQ(w().findChild<QLabel*>("Label5")->text(), "BLOCK 42 - " + plain.name);
    QKeyEvent f5(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
    QApplication::sendEvent(grid("Grid3"), &f5);
    EXPECT_EQ(w().currentBlock(), 3);
}

TEST_F(EditorWindowTest, AFileWithFewerBlockRowsShowsNothingOfThePreviousFile)
{
    const QString a = newConfiguration("a.mdb"), shortFile = newConfiguration("short.mdb");
    sql(shortFile, "DELETE FROM \"Block List\" WHERE BlockNumber >= 100");
    open(a);
    assign(120, plain.name);
    w().files().fileSave();
    ASSERT_NE(app.session().BlockFunctions[120], kNopFunction);
    chosenFile = shortFile;
    w().files().fileOpen();
    ASSERT_EQ(app.session().GlobalFile, shortFile);
    EXPECT_EQ(app.session().BlockFunctions[120], kNopFunction);
    EXPECT_EQ(grid("Grid1")->item(12, 0)->text(), " ");
}

TEST_F(EditorWindowTest, FocusMarksTheActiveGridAndLosingFocusDropsTheEdit)
{
    open(newConfiguration("plant.mdb"));
    assign(10, plain.name);
    typeInto("Grid2", 0, "4");
    auto* g2 = grid("Grid2");
    auto* g3 = grid("Grid3");
    g3->setCurrentCell(0, 0);
    QFocusEvent in(QEvent::FocusIn);
    QApplication::sendEvent(g2, &in);
    EXPECT_TRUE(g2->horizontalHeader()->styleSheet().contains("#808080"));
    EXPECT_EQ(g3->currentRow(), 0);
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(g2, &out);
    EXPECT_FALSE(g2->horizontalHeader()->styleSheet().contains("#808080"));

    auto* box = w().findChild<QLineEdit*>("txtEdit");
    g2->setCurrentCell(0, 0);
    w().FlexGridEdit(g2, box, '9');
    ASSERT_FALSE(box->isHidden());
    QApplication::sendEvent(box, &out);
    EXPECT_TRUE(box->isHidden());
    EXPECT_EQ(g2->item(0, 0)->text(), "4");
    EXPECT_EQ(constantInFile(app.session().WorkFile, 10, 0), 4);
}

TEST_F(EditorWindowTest, StartUpWindowCarriesTheIdentity)
{
    FrmStart& start = app.startWindow();
    for (const char* name : {"Image1", "lblTitle", "lblVersion", "lblDescription", "Label1", "Label3", "Label4"})
        EXPECT_NE(start.findChild<QLabel*>(name), nullptr) << name;
    EXPECT_EQ(start.findChild<QLabel*>("lblTitle")->text(), "BREVANT");
    EXPECT_TRUE(start.findChild<QLabel*>("lblVersion")->text().startsWith("Version 7.11"));
    EXPECT_FALSE(start.findChild<QLabel*>("Image1")->pixmap().isNull());
}

TEST(EditorStartUp, SerialSettingsAreReadOnceWithTheirDefaults)
{
    test::application();
    {
        auto s = openSettingsStore();
        s->remove(kCommSection);
        s->sync();
    }
    {
        EditorApp app;
        ASSERT_TRUE(app.start(QStringLiteral(ORVANE_BIN_DIR)).isEmpty());
        EXPECT_EQ(app.commSettings().CommPortNumber, 1);
        EXPECT_EQ(app.commSettings().CommBaudRate, "38400");
        EXPECT_EQ(app.commSettings().CommParity, "O");
    }
    {
        auto s = openSettingsStore();
        s->setValue(kCommSection + "/CommPort", "3");
        s->setValue(kCommSection + "/BaudRate", "9600");
        s->sync();
    }
    EditorApp app;
    ASSERT_TRUE(app.start(QStringLiteral(ORVANE_BIN_DIR)).isEmpty());
    EXPECT_EQ(app.commSettings().CommPortNumber, 3);
    EXPECT_EQ(app.commSettings().CommBaudRate, "9600");
    auto s = openSettingsStore();
    s->remove(kCommSection);
}

// The download image of the open configuration: what a download would write.
static orvane::transfer::Image downloadImage(kessig::OrvaneDB& db)
{
    const auto result = orvane::transfer::computeImage(orvane::transfer::readConfiguration(db),
                                                       orvane::transfer::readCatalogue(db));
    return result.image.value_or(orvane::transfer::Image{});
}

TEST_F(EditorWindowTest, LegacyJetFilesOpenAsTheToolSetsOwn_TheFirstSaveKeepsTheOriginal_DamagedOnesAreRefused)
{
    const QString data = QStringLiteral(ORVANE_SOURCE_DIR "/formats/jet/tests/data/");
    const auto copyIn = [&](const QString& from, const QString& name) {
        const QString to = dir.filePath(name);
        QFile::copy(data + from, to);
        QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner);
        return to;
    };
    // The same configuration as the legacy file, made by the tool set itself.
    open(newConfiguration("made.mdb"));
    app.db().MessageSeek(14);
    app.db().MessageEdit();
    app.db().MessageMsg("HIGH TEMP \xC3\x84\xC3\x96\xC3\x9C");
    app.db().MessageUpdate();
    const orvane::transfer::Image made = downloadImage(app.db());
    ASSERT_EQ(made.messages.size(), 340u);

    const QString plant = copyIn(QStringLiteral("legacy-config-jet4.mdb"), QStringLiteral("plant.mdb"));
    const QByteArray original = fileBytes(plant);
    open(plant);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(w().windowTitle(), "Brevant - " + plant);
    EXPECT_FALSE(w().session().WorkFileChanged());
    EXPECT_EQ(grid("Grid1")->item(0, 0)->text(), "SYSTEM");
    EXPECT_EQ(grid("Grid1")->item(0, 3)->text(), "COMM");
    EXPECT_EQ(grid("Grid1")->item(0, 4)->text(), " ");
    auto* comment = w().findChild<QPlainTextEdit*>("txtCmt");
    w().selectBlock(0);
    w().Grid1_Click();
    EXPECT_EQ(comment->toPlainText(), QStringLiteral("Boiler 3 \"north\" \u2013 feed pump"));
    w().selectBlock(2);
    w().Grid1_Click();
    EXPECT_EQ(comment->toPlainText(), "Drawing tag FT-101");
    const orvane::transfer::Image legacy = downloadImage(app.db());
    EXPECT_EQ(legacy.messages, made.messages);
    EXPECT_EQ(legacy.quick, made.quick);
    EXPECT_EQ(legacy.blocks, made.blocks);
    EXPECT_EQ(legacy.constants, made.constants);

    // The first Save writes the tool set's format and keeps the original, once.
    messages.clear();
    w().files().fileSave();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, orvane::formats::keptOriginalMessage(plant, dir.filePath("plant.jet.mdb")));
    EXPECT_EQ(messages[0].icon, Icon::Information);
    EXPECT_EQ(fileBytes(dir.filePath("plant.jet.mdb")), original);
    EXPECT_FALSE(orvane::formats::isJetFile(plant));
    EXPECT_EQ(w().session().GlobalFile, plant);
    w().files().fileSave();
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_FALSE(QFile::exists(dir.filePath("plant.jet-2.mdb")));

    // An older file gains the drawing-comment field and so counts as changed.
    const QString old = copyIn(QStringLiteral("legacy-config-novisio-jet4.mdb"), QStringLiteral("old.mdb"));
    open(old);
    const orvane::transfer::Image older = downloadImage(app.db());
    EXPECT_EQ(older.messages, made.messages);
    EXPECT_EQ(older.quick, made.quick);
    EXPECT_EQ(older.blocks, made.blocks);
    EXPECT_EQ(older.constants, made.constants);
    EXPECT_NE(w().session().VisioCommentsMissing, 0);
    EXPECT_TRUE(w().session().WorkFileChanged());
    w().selectBlock(2);
    w().Grid1_Click();
    EXPECT_EQ(comment->toPlainText(), "line one\nline two");
    messages.clear();
    answers = {Answer::No};
    chosenFile = plant;
    w().files().fileOpen();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages[0].text, "Save changes to " + old + "?");
    EXPECT_EQ(fileBytes(old), fileBytes(data + "legacy-config-novisio-jet4.mdb"));

    // A Jet file that may not be written stays read-only.
    const QString locked = copyIn(QStringLiteral("legacy-config-jet4.mdb"), QStringLiteral("locked.mdb"));
    ::chmod(QFile::encodeName(locked).constData(), 0444);
    open(locked);
    EXPECT_TRUE(w().windowTitle().endsWith(" - READ ONLY"));
    EXPECT_FALSE(menu("mnuFileSave")->isEnabled());

    // Damaged files are refused with what is wrong; the open file stays usable.
    QFile cut(dir.filePath("cut.mdb")), garbage(dir.filePath("garbage.mdb"));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly) && garbage.open(QIODevice::WriteOnly));
    cut.write(original.left(100000));
    garbage.write(original.left(21) + QByteArray(original.size() - 21, '\x5a'));
    cut.close();
    garbage.close();
    for (const auto& [file, reason] :
         {std::pair{cut.fileName(), QStringLiteral("it is truncated (100000 bytes is not a whole number of 4096-byte pages).")},
          std::pair{garbage.fileName(), QStringLiteral("it is damaged: its list of tables cannot be read.")}}) {
        messages.clear();
        chosenFile = file;
        EXPECT_FALSE(w().files().OpenExistingFile());
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, file + " cannot be read: " + reason);
        EXPECT_EQ(messages[0].icon, Icon::Critical);
        EXPECT_EQ(w().session().GlobalFile, locked);
    }
    w().selectBlock(0);
    w().Grid1_Click();
    EXPECT_EQ(comment->toPlainText(), QStringLiteral("Boiler 3 \"north\" \u2013 feed pump"));
}

TEST_F(EditorWindowTest, AFileGivenAtStartUpOpensInPlaceOfTheStartDialog)
{
    const QString plant = dir.filePath("plant.mdb");
    QFile::copy(QStringLiteral(ORVANE_SOURCE_DIR "/formats/jet/tests/data/legacy-config-jet4.mdb"), plant);
    QFile::setPermissions(plant, QFile::ReadOwner | QFile::WriteOwner);
    bool startDialogSeen = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QWidget* dialog = QApplication::activeModalWidget(); dialog && dialog->objectName() == "FrmAsk") {
            startDialogSeen = true;
            dialog->findChild<QPushButton*>("Command2")->click();
        }
    });
    poll.start();
    app.showStartUp(plant);
    QEventLoop loop;
    QTimer done;
    done.setInterval(20);
    QObject::connect(&done, &QTimer::timeout, &loop, [&] {
        if (w().isVisible() && !app.startWindow().isVisible())
            loop.quit();
    });
    done.start();
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);   // a guard against a window that never comes
    loop.exec();
    EXPECT_FALSE(startDialogSeen);
    EXPECT_EQ(app.session().GlobalFile, plant);
    EXPECT_EQ(w().windowTitle(), "Brevant - " + plant);
    EXPECT_EQ(grid("Grid1")->item(0, 0)->text(), "SYSTEM");
    EXPECT_EQ(MRUmodule::entries().value(0), plant);
    w().hide();
}

TEST_F(EditorWindowTest, InFunctionTypeModeOnlyTheBlockMapAssignsAndTheKeyboardChoiceCounts)
{
    const QString a = newConfiguration("a.mdb");
    open(a);
    w().markActivationHandled();
    w().show();
    auto* list = w().findChild<QListWidget*>("List1");
    auto* map = grid("Grid1");
    auto press = [](QWidget* target, int key, const QString& text = {}) {
        QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(target, &e);
    };

    // Entering the mode shows the pending choice highlighted: NOP in a new window.
    w().FunctionTypeMode();
    ASSERT_NE(list->currentItem(), nullptr);
    EXPECT_EQ(list->currentItem()->text().trimmed(), "NOP");
    EXPECT_TRUE(list->currentItem()->isSelected());
    w().BlockDataMode();
    assign(10, plain.name);
    w().files().fileSave();
    w().FunctionTypeMode();
    EXPECT_EQ(list->currentItem()->text(), plain.name);

    // The function is chosen with the keyboard only.
    const QString first = list->item(0)->text();
    ASSERT_NE(first, plain.name);
    press(list, Qt::Key_Home);
    ASSERT_EQ(list->currentItem()->text(), first);

    // Commands that show the block again assign nothing, on an empty block or a used one.
    for (int block : {20, 10}) {
        w().selectBlock(block);
        w().Grid1_Click();
        w().files().fileRestore();
        w().files().fileSave();
        w().selectBlock(block);
        press(map, Qt::Key_F6);
    }
    EXPECT_TRUE(messages.empty()) << messages.front().text.toStdString();
    EXPECT_EQ(app.session().BlockFunctions[20], kNopFunction);
    EXPECT_FALSE(app.session().WorkFileChanged());

    // Enter in the block map assigns the keyboard's choice to an empty block.
    w().selectBlock(20);
    press(map, Qt::Key_Return, "\r");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(map->item(2, 0)->text(), first.trimmed());

    // A click on a block in use asks with the function chosen by typing its name.
    for (const char* c : {"N", "O", "P"})
        press(list, Qt::Key_A + (c[0] - 'A'), c);
    ASSERT_EQ(list->currentItem()->text().trimmed(), "NOP");
    answers = {Answer::No};
    const QPoint at = map->visualItemRect(map->item(1, 0)).center();
    QMouseEvent down(QEvent::MouseButtonPress, at, map->viewport()->mapToGlobal(at), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QMouseEvent up(QEvent::MouseButtonRelease, at, map->viewport()->mapToGlobal(at), Qt::LeftButton,
                   Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(map->viewport(), &down);
    QApplication::sendEvent(map->viewport(), &up);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Replace " + plain.name + " With NOP");
    EXPECT_NE(app.session().BlockFunctions[10], kNopFunction);

    // Back in Function Type mode later, the pending choice is still the one highlighted.
    w().BlockDataMode();
    w().FunctionTypeMode();
    EXPECT_EQ(list->currentItem()->text().trimmed(), "NOP");
    w().BlockDataMode();
    w().hide();
}

TEST_F(EditorWindowTest, ANewConfigurationsFirstBlocksShowTheirDefaultsAndTheFirstEditCreatesTheirRows)
{
    const QString a = newConfiguration("a.mdb");
    open(a);
    auto* g2 = grid("Grid2");
    auto* g3 = grid("Grid3");

    // Block 0 owns no rows: it shows what a download sends, the catalogue's defaults.
    w().selectBlock(0);
    w().Grid1_Click();
    EXPECT_EQ(g3->item(0, 0)->text(), "100");   // SCAN PERIOD, not 0 below its minimum of 50
    EXPECT_EQ(g3->item(1, 0)->text(), "0");
    EXPECT_EQ(g3->item(2, 0)->text(), "2.0");   // 2000 thousandths
    EXPECT_EQ(constantInFile(app.session().WorkFile, 0, 0), std::nullopt);

    // The first edit creates all of the block's rows with those values and sets its count.
    typeInto("Grid3", 1, "2");
    EXPECT_TRUE(messages.empty()) << messages.front().text.toStdString();
    const QString work = app.session().WorkFile;
    EXPECT_EQ(constantInFile(work, 0, 0), 100);
    EXPECT_EQ(constantInFile(work, 0, 1), 2);
    EXPECT_EQ(constantInFile(work, 0, 2), 2000);
    EXPECT_EQ(constantCountInFile(work, 0), 3);
    w().Grid1_Click();
    EXPECT_EQ(g3->item(1, 0)->text(), "2");

    // An input of block 2 (two analog inputs, three parameters) is edited the same way.
    w().selectBlock(2);
    w().Grid1_Click();
    EXPECT_EQ(g2->item(1, 0)->text(), "0");
    EXPECT_EQ(g3->item(1, 0)->text(), "6");
    typeInto("Grid2", 1, "0");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(constantCountInFile(work, 2), 5);
    EXPECT_EQ(constantInFile(work, 2, 3), 6);

}

TEST_F(EditorWindowTest, AfterAFailedReadNothingOfTheBlockShownBeforeCanBeEdited)
{
    // Block rows end at 99, and the message row of a text parameter is missing.
    kessig::OrvaneDB& db = app.db();
    QString labelled;
    int16_t messageOffset = -1;
    db.FuncSetIndex("FN");
    for (db.FuncMoveFirst(); !db.FuncEOF() && labelled.isEmpty(); db.FuncMoveNext())
        for (int16_t n = 1; n <= db.FuncParams(); ++n) {
            db.ParamSeek(db.FuncFN(), n);
            if (db.ParamType() == 3) {
                labelled = QString::fromStdString(db.FuncName());
                messageOffset = db.ParamOffset();
                break;
            }
        }
    ASSERT_FALSE(labelled.isEmpty()) << "the catalogue has no function with a text parameter";
    const QString a = newConfiguration("a.mdb");
    sql(a, "DELETE FROM \"Block List\" WHERE BlockNumber >= 100");
    sql(a, QStringLiteral("DELETE FROM Messages WHERE Offset = %1").arg(messageOffset).toUtf8().constData());
    open(a);
    assign(10, plain.name);
    assign(11, labelled);   // its text parameter cannot be read
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back().icon, Icon::Critical);
    assign(10, plain.name);
    typeInto("Grid2", 0, "4");
    ASSERT_EQ(constantInFile(app.session().WorkFile, 10, 0), 4);

    auto* g2 = grid("Grid2");
    auto* box = w().findChild<QLineEdit*>("txtEdit");
    for (int block : {11, 120}) {
        messages.clear();
        w().selectBlock(10);
        w().Grid1_Click();
        ASSERT_NE(g2->item(0, 0), nullptr);
        w().selectBlock(block);
        w().Grid1_Click();
        if (block == 11) {
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_EQ(messages[0].icon, Icon::Critical);
        }
        // The grids no longer hold block 10's rows, and no key or double click edits them.
        EXPECT_EQ(g2->item(0, 0), nullptr) << block;
        EXPECT_TRUE(w().findChild<QWidget*>("txtCmt")->isHidden());
        g2->setCurrentCell(0, 0);
        QKeyEvent seven(QEvent::KeyPress, Qt::Key_7, Qt::NoModifier, "7");
        QApplication::sendEvent(g2, &seven);
        emit g2->cellDoubleClicked(0, 0);
        EXPECT_TRUE(box->isHidden()) << block;
        box->setText("7");
        w().CommitCellEdit(g2, box);
        EXPECT_EQ(constantInFile(app.session().WorkFile, 10, 0), 4) << block;
    }
}

TEST_F(EditorWindowTest, RecentEntriesOpenTheFileTheUserSawAfterAnotherInstanceChangedTheList)
{
    const QString a = newConfiguration("a.mdb"), b = newConfiguration("b.mdb"), c = newConfiguration("c.mdb"),
                  d = newConfiguration("d.mdb"), e = newConfiguration("e & f.mdb");
    open(a);
    open(b);
    open(c);
    ASSERT_EQ(menu("mnuRecentFile2")->data().toString(), b);

    // Another editor pushes d: the stored second entry is now c, the menu still shows b.
    MRUmodule::PushRecentFile(d);
    w().files().mnuRecentFile_Click(2);
    EXPECT_EQ(app.session().GlobalFile, b);
    EXPECT_EQ(MRUmodule::entries(), QStringList({b, d, c, a}));

    // The recent-files dialog opens the row the user chose, whatever the list holds now.
    MRUmodule::PushRecentFile(e);   // stored: e, b, d, c; the menu was refreshed before
    FrmRecent recent(&w());
    auto* rows = recent.findChild<QTableWidget*>("Grid1");
    ASSERT_EQ(rows->item(0, 0)->text(), "e & f.mdb");
    MRUmodule::PushRecentFile(a);   // and yet another push: stored a, e, b, d
    rows->setCurrentCell(2, 0);   // d as shown
    recent.findChild<QPushButton*>("Command1")->click();
    EXPECT_EQ(app.session().GlobalFile, d);
    EXPECT_EQ(MRUmodule::entries(), QStringList({d, a, e, b}));

    // A name with "&" is opened as it is named, not as the menu writes it.
    EXPECT_EQ(menu("mnuRecentFile3")->text(), dir.filePath("e && f.mdb"));
    w().files().mnuRecentFile_Click(3);
    EXPECT_EQ(app.session().GlobalFile, e);
    EXPECT_TRUE(messages.empty());
}

namespace {

// True when the cell shows its text whole, as the item view draws it.
bool showsWhole(const QTableWidget* g, int row, int column, const QString& text)
{
    const int margin = g->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, g) + 1;
    return g->columnWidth(column) >= g->fontMetrics().horizontalAdvance(text) + 2 * margin
           && g->rowHeight(row) >= g->fontMetrics().height();
}

} // namespace

TEST_F(EditorWindowTest, TheLayoutShowsTheWholeMapAndWholeTextsAndKeepsTheMapInPlace)
{
    open(newConfiguration("a.mdb"));
    assign(10, plain.name);
    Form3& window = w();
    window.markActivationHandled();
    // The first size, on a screen that holds it (the test platform's screen is smaller).
    window.resize(window.sizeHint());
    window.show();
    QApplication::processEvents();
    auto* map = grid("Grid1");
    auto* g2 = grid("Grid2");
    auto* g3 = grid("Grid3");

    // The whole block map shows without scrolling, every catalogue name whole.
    EXPECT_FALSE(map->horizontalScrollBar()->isVisible());
    EXPECT_FALSE(map->verticalScrollBar()->isVisible());
    for (int b = 0; b < kBlockCount; ++b)
        ASSERT_TRUE(map->viewport()->rect().contains(map->visualItemRect(map->item(b / 10, b % 10)))) << b;
    auto* list = window.findChild<QListWidget*>("List1");
    for (int i = 0; i < list->count(); ++i)
        EXPECT_TRUE(showsWhole(map, 0, 9, list->item(i)->text().trimmed())) << list->item(i)->text().toStdString();
    for (int i = 0; i < list->count(); ++i)
        EXPECT_TRUE(showsWhole(g2, 0, 2, list->item(i)->text().trimmed()));
    EXPECT_TRUE(showsWhole(g2, 0, 0, "159"));
    const QString sixteen(16, QLatin1Char('W'));
    EXPECT_TRUE(showsWhole(g3, 0, 0, sixteen));
    EXPECT_TRUE(showsWhole(g3, 0, 0, "TANK LOW LEVEL 1"));

    // The edit boxes hold a block number and sixteen characters without scrolling them.
    for (auto [g, name, text] : {std::tuple{g2, "txtEdit", QString("159")}, std::tuple{g3, "txtEdit1", sixteen}}) {
        auto* box = window.findChild<QLineEdit*>(name);
        g->setCurrentCell(0, 0);
        window.FlexGridEdit(g, box, ' ');
        QStyleOptionFrame frame;
        frame.initFrom(box);
        frame.lineWidth = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, box);
        const QRect inside = box->style()->subElementRect(QStyle::SE_LineEditContents, &frame, box);
        const int lineEditMargins = 2 * 2;   // a line edit keeps 2 pixels clear on either side
        EXPECT_GE(inside.width() - lineEditMargins, box->fontMetrics().horizontalAdvance(text) + 1) << name;
        window.EditKeyCode(g, box, Qt::Key_Escape);
    }

    // Showing or hiding the comment, or switching modes, leaves the map where it is.
    const QRect where = map->geometry();
    ASSERT_FALSE(window.findChild<QWidget*>("txtCmt")->isHidden());
    window.selectBlock(55);
    window.Grid1_Click();
    QApplication::processEvents();
    ASSERT_TRUE(window.findChild<QWidget*>("txtCmt")->isHidden());
    EXPECT_EQ(map->geometry(), where);
    window.FunctionTypeMode();
    QApplication::processEvents();
    EXPECT_EQ(map->geometry(), where);
    window.BlockDataMode();

    // The map and the grids grow with the window.
    const QSize mapBefore = map->size(), paramsBefore = g3->size();
    window.resize(1280, 1024);
    QApplication::processEvents();
    EXPECT_GT(map->height(), mapBefore.height());
    EXPECT_GE(map->width(), mapBefore.width());
    EXPECT_GT(g3->height(), paramsBefore.height());
    window.hide();
}

TEST_F(EditorWindowTest, AfterEnterOrEscapeTheNextValueTypedGoesIntoTheValueColumn)
{
    open(newConfiguration("a.mdb"));
    assign(10, plain.name);
    w().markActivationHandled();
    w().show();
    w().activateWindow();
    QApplication::processEvents();
    auto* g2 = grid("Grid2");
    auto* box = w().findChild<QLineEdit*>("txtEdit");
    auto type = [](QWidget* target, int key, const QString& text = {}) {
        QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(target, &e);
        QApplication::processEvents();
    };
    g2->setFocus();
    g2->setCurrentCell(0, 0);
    type(g2, Qt::Key_5, "5");
    ASSERT_TRUE(box->isVisible());
    type(box, Qt::Key_Return, "\r");
    EXPECT_EQ(g2->currentColumn(), 0);
    EXPECT_EQ(g2->currentRow(), 0);
    EXPECT_EQ(constantInFile(app.session().WorkFile, 10, 0), 5);

    type(g2, Qt::Key_7, "7");   // the next value, typed straight away
    ASSERT_TRUE(box->isVisible());
    type(box, Qt::Key_Escape);
    EXPECT_EQ(g2->currentColumn(), 0);
    type(g2, Qt::Key_8, "8");
    ASSERT_TRUE(box->isVisible());
    EXPECT_EQ(box->text(), "8");
    type(box, Qt::Key_Return, "\r");
    EXPECT_EQ(constantInFile(app.session().WorkFile, 10, 0), 8);
    w().hide();
}

TEST_F(EditorWindowTest, NewAndSaveAsAddTheExtensionAndTheDialogsStartWhereTheUserWorks)
{
    QDir(dir.path()).mkpath("plants");
    const QString plants = dir.filePath("plants");

    // No file open yet, nothing recent: the home folder, and never the samples folder.
    FrmRecent empty(&w());
    auto* rows = empty.findChild<QTableWidget*>("Grid1");
    EXPECT_EQ(rows->rowCount(), 0);
    EXPECT_EQ(rows->horizontalHeaderItem(0)->text(), "Filename");
    EXPECT_EQ(rows->horizontalHeaderItem(1)->text(), "Path");
    chosenFile = plants + "/tank";
    ASSERT_TRUE(w().files().CreateNewFile());
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].caption, "New Configuration");
    EXPECT_EQ(dialogs[0].kind, FileDialogKind::Save);
    EXPECT_EQ(dialogs[0].fileName, QDir::homePath());
    EXPECT_EQ(app.session().GlobalFile, plants + "/tank.mdb");
    EXPECT_TRUE(QFile::exists(plants + "/tank.mdb"));
    EXPECT_FALSE(QFile::exists(plants + "/tank"));

    // With a file open, the dialogs start in its folder.
    chosenFile.clear();
    w().files().fileOpen();
    EXPECT_EQ(dialogs.back().fileName, plants);
    EXPECT_EQ(dialogs.back().kind, FileDialogKind::Open);

    // Save As adds the extension too, and a name typed with it in capitals keeps it.
    assign(10, plain.name);
    chosenFile = plants + "/copy";
    w().files().fileSaveAs();
    EXPECT_EQ(app.session().GlobalFile, plants + "/copy.mdb");
    EXPECT_EQ(constantInFile(plants + "/copy.mdb", 10, 0).has_value(), true);
    chosenFile = plants + "/UPPER.MDB";
    w().files().fileSaveAs();
    EXPECT_EQ(app.session().GlobalFile, plants + "/UPPER.MDB");

    // A new start with no file open begins where the last file was.
    EditorApp next;
    ASSERT_TRUE(next.start(QStringLiteral(ORVANE_BIN_DIR)).isEmpty());
    chosenFile.clear();
    next.mainWindow().files().OpenExistingFile();
    EXPECT_EQ(dialogs.back().fileName, plants);
    EXPECT_TRUE(messages.empty());
}

TEST_F(EditorWindowTest, ViewMenu_LiveWindowsStandInForTheMainWindowUntilDone)
{
    open(newConfiguration("plant.mdb"));
    w().markActivationHandled();
    w().show();
    orvane::link::CommSettings settings;
    settings.CommPortName = "/dev/orvane-no-such-port";
    SaveCommSettings(settings);
    for (const char* item : {"mnuViewAll", "mnuViewSel"}) {
        menu(item)->trigger();
        auto* live = w().findChild<QMainWindow*>(item == std::string("mnuViewAll") ? "MGrid" : "Monitor");
        ASSERT_NE(live, nullptr) << item;
        EXPECT_TRUE(live->isVisible());
        EXPECT_FALSE(w().isVisible());
        EXPECT_EQ(live->windowTitle(), w().windowTitle());
        live->findChild<QAction*>("mnuDone")->trigger();
        EXPECT_FALSE(live->isVisible());
        EXPECT_TRUE(w().isVisible());
    }
    // The front panel cannot open the port: it says so and the main window stays.
    menu("mnuViewDCX7")->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.startsWith("/dev/orvane-no-such-port: not available: there is no such device. "))
        << messages[0].text.toStdString();
    EXPECT_TRUE(w().isVisible());
    EXPECT_EQ(grid("Grid1")->item(0, 0)->text().trimmed(), "SYSTEM");
    openSettingsStore()->remove(kCommSection);
}

TEST_F(EditorWindowTest, SavingThroughALinkKeepsItAndAFileMadeReadOnlyMeanwhileIsNotOverwritten)
{
    const QString real = newConfiguration("real.mdb");
    const QString link = dir.filePath("plant.mdb");
    ASSERT_EQ(::symlink("real.mdb", QFile::encodeName(link).constData()), 0);
    ::chmod(QFile::encodeName(real).constData(), 0640);
    open(link);
    assign(30, plain.name);
    w().files().fileSave();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_TRUE(constantInFile(real, 30, 0).has_value());
    struct stat st {};
    ::stat(QFile::encodeName(real).constData(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    assign(40, plain.name);
    ::chmod(QFile::encodeName(real).constData(), 0440);   // marked read-only by someone else
    const QByteArray before = fileBytes(real);
    messages.clear();
    w().files().fileSave();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "The configuration could not be saved:\r" + link +
                                    " is read-only\rYour changes are kept; save again or use Save As.");
    EXPECT_EQ(fileBytes(real), before);
    EXPECT_TRUE(app.session().WorkFileChanged());   // still open, the change still there
    EXPECT_TRUE(constantInFile(app.session().WorkFile, 40, 0).has_value());
}

TEST_F(EditorWindowTest, AHostileFileIsRefusedNamingTheUsersFileAndItsTriggerNeverRuns)
{
    const QString a = newConfiguration("a.mdb"), hostile = newConfiguration("hostile.mdb");
    sql(hostile, "CREATE TRIGGER wipe AFTER UPDATE ON \"Block List\" BEGIN DELETE FROM Messages; END");
    open(a);
    messages.clear();
    chosenFile = hostile;
    w().files().fileOpen();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, Icon::Critical);
    EXPECT_EQ(messages[0].text, "Database error 3343:\rUnrecognized database format '" + hostile +
                                    "': it holds a trigger 'wipe' on table 'Block List', and a configuration holds data only.");
    EXPECT_EQ(app.session().GlobalFile, a);
    EXPECT_TRUE(app.db().ConfigurationOpen());
}

TEST_F(EditorWindowTest, AnEditedLinkRedrawsItsRow_ABlockLackingConstantRowsIsAFailedReadThatNamesThem)
{
    const QString a = newConfiguration("a.mdb");
    open(a);
    assign(10, plain.name);
    auto* g2 = grid("Grid2");
    const auto row = [&] {
        return QStringList{g2->item(0, 0)->text(), g2->item(0, 1)->text(), g2->item(0, 2)->text(),
                           g2->item(0, 3)->text()};
    };
    // Each edited link shows its new source's function and kind at once, as a fresh read does.
    QStringList before = row();
    for (const char* source : {"3", "50", "0", "1"}) {
        typeInto("Grid2", 0, source);
        const QStringList edited = row();
        EXPECT_NE(edited, before) << source;
        w().Grid1_Click();
        EXPECT_EQ(edited, row()) << source;
        before = edited;
    }

    // Block 10 loses every row after its first, block 11 its second only.
    assign(11, plain.name);
    w().files().fileSave();
    sql(a, "DELETE FROM Constants WHERE BlockNumber = 10 AND Offset >= 1");
    sql(a, "DELETE FROM Constants WHERE BlockNumber = 11 AND Offset = 1");
    w().files().fileRestore();
    const std::map<int, std::optional<int>> first = {{10, constantInFile(a, 10, 0)}, {11, constantInFile(a, 11, 0)}};
    const int rows = *constantCountInFile(a, 11);
    ASSERT_GE(rows, 3);
    const QString name = plain.name.trimmed();
    const QString advice = "Its inputs and parameters cannot be shown or edited. Assigning its function again in "
                           "Function Type mode gives it the catalogue's defaults.";
    auto* box = w().findChild<QLineEdit*>("txtEdit");
    for (int block : {10, 11}) {
        messages.clear();
        w().selectBlock(block);
        w().Grid1_Click();
        ASSERT_EQ(messages.size(), 1u) << block;
        EXPECT_EQ(messages[0].text,
                  block == 10 ? QStringLiteral("Database Error, Record Not Found\rBlock 10 (%1) has no constant rows at "
                                               "offsets 1 to %2.\r").arg(name).arg(rows - 1) + advice
                              : "Database Error, Record Not Found\rBlock 11 (" + name
                                    + ") has no constant rows at offset 1.\r" + advice);
        EXPECT_EQ(messages[0].icon, Icon::Exclamation);
        // Nothing of it is shown, and no key, double click or commit writes.
        EXPECT_EQ(g2->item(0, 0), nullptr);
        g2->setCurrentCell(0, 0);
        QKeyEvent seven(QEvent::KeyPress, Qt::Key_7, Qt::NoModifier, "7");
        QApplication::sendEvent(g2, &seven);
        emit g2->cellDoubleClicked(0, 0);
        EXPECT_TRUE(box->isHidden());
        box->setText("7");
        w().CommitCellEdit(g2, box);
        EXPECT_EQ(constantInFile(app.session().WorkFile, block, 0), first.at(block));
        EXPECT_FALSE(constantInFile(app.session().WorkFile, block, 1).has_value());
    }
    EXPECT_FALSE(app.session().WorkFileChanged());

    // Assigned again, the block with a gap gets every row afresh.
    messages.clear();
    answers = {Answer::Yes};
    assign(11, plain.name);
    ASSERT_EQ(messages.size(), 1u) << messages.back().text.toStdString();
    EXPECT_EQ(messages[0].text, "Replace " + name + " With " + name);
    for (int k = 0; k < rows; ++k)
        EXPECT_TRUE(constantInFile(app.session().WorkFile, 11, k).has_value()) << k;
    EXPECT_NE(g2->item(0, 0), nullptr);
}

TEST_F(EditorWindowTest, AGivenFileThatCannotBeOpenedIsExplainedBeforeTheStartDialogComes)
{
    const QString a = newConfiguration("a.mdb");
    chosenFile = a;
    const QString missing = dir.filePath("nosuch.mdb");
    QStringList seen;
    bool boxUp = false;
    setMessageHandler([&](const MessageRequest& r) {
        seen << "box: " + r.text;
        // A real box lets what is due run while it waits for the user.
        boxUp = true;
        for (int i = 0; i < 10; ++i)
            QCoreApplication::processEvents();
        boxUp = false;
        return Answer::Ok;
    });
    bool done = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog || dialog->objectName() != "FrmAsk")
            return;
        seen << (boxUp ? "start dialog over the box" : "start dialog");
        dialog->findChild<QPushButton*>("Command1")->click();   // Open is preselected
        done = true;
    });
    poll.start(20);
    app.showStartUp(missing);
    QEventLoop loop;
    QTimer finished;
    QObject::connect(&finished, &QTimer::timeout, &loop, [&] {
        if (done && !QApplication::activeModalWidget())
            loop.quit();
    });
    finished.start(20);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);   // a guard against a dialog that never comes
    loop.exec();
    EXPECT_EQ(seen, (QStringList{"box: " + missing + " Does Not Exist", "start dialog"}));
    EXPECT_EQ(app.session().GlobalFile, a);
    if (w().configurationInfo())
        w().configurationInfo()->close();
    w().hide();
}

TEST_F(EditorWindowTest, TabMovesBetweenTheControls_KeysActOnTheBlockShownAsCurrent_StandardKeysRunTheFileCommands)
{
    const QString a = newConfiguration("a.mdb");
    open(a);
    assign(10, plain.name);
    w().files().fileSave();
    Form3& window = w();
    window.markActivationHandled();
    window.resize(window.sizeHint());
    window.show();
    // Active again after each modal window, as the desktop makes it.
    const auto activate = [&] {
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    };
    ASSERT_TRUE(activate());
    auto* map = grid("Grid1");
    auto* g2 = grid("Grid2");
    auto* g3 = grid("Grid3");
    auto* list = window.findChild<QListWidget*>("List1");
    auto* comment = window.findChild<QPlainTextEdit*>("txtCmt");
    const auto focused = [] { return QApplication::focusWidget(); };

    // The platform's standard keys, shown in the menu.
    for (auto [name, key] : {std::pair{"mnuFileNew", QKeySequence::New}, std::pair{"mnuFileOpen", QKeySequence::Open},
                             std::pair{"mnuFileSave", QKeySequence::Save}, std::pair{"munFilePrint", QKeySequence::Print},
                             std::pair{"mnuFormExit", QKeySequence::Quit}}) {
        EXPECT_EQ(menu(name)->shortcut(), QKeySequence(key)) << name;
    }
    ASSERT_FALSE(menu("mnuFileSave")->shortcut().isEmpty());

    // Block Data mode: Tab goes from the map to the inputs, the parameters and the comment,
    // where Return opens the block comments.
    window.selectBlock(10);
    window.Grid1_Click();
    map->setFocus();
    QTest::keyClick(map, Qt::Key_Tab);
    EXPECT_EQ(focused(), g2);
    QTest::keyClick(g2, Qt::Key_Tab);
    EXPECT_EQ(focused(), g3);
    QTest::keyClick(g3, Qt::Key_Tab);
    ASSERT_EQ(focused(), comment);
    QTest::keyClick(comment, Qt::Key_Return);
    QString opened;
    QTimer::singleShot(0, [&] {
        if (QWidget* form = QApplication::activeModalWidget()) {
            opened = form->objectName();
            form->findChild<QAction*>("mnuExit")->trigger();
        }
    });
    QCoreApplication::processEvents();
    EXPECT_EQ(opened, "FormComment");
    ASSERT_TRUE(activate());

    // Ctrl+S saves.
    const int value = plain.min + (plain.max - plain.min) / 3;
    typeInto("Grid3", 0, QString::number(value));
    ASSERT_NE(constantInFile(a, 10, plain.inputs), value);
    QTest::keyClick(focused(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(constantInFile(a, 10, plain.inputs), value);
    EXPECT_FALSE(app.session().WorkFileChanged());

    // A download cancelled in its warning leaves the map's rows and the function list as they were.
    window.FunctionTypeMode();
    QApplication::processEvents();
    const QRect mapBefore = map->geometry(), listBefore = list->geometry();
    const int rowBefore = map->rowHeight(15);
    window.BlockDataMode();
    QTimer::singleShot(0, [] {
        if (QWidget* warning = QApplication::activeModalWidget(); warning && warning->objectName() == "frmWarn")
            warning->findChild<QPushButton*>("cmdCancel")->click();
    });
    window.findChild<QPushButton*>("Command1")->click();
    ASSERT_TRUE(activate());
    window.FunctionTypeMode();
    QApplication::processEvents();
    EXPECT_EQ(map->rowHeight(15), rowBefore);
    EXPECT_EQ(map->geometry(), mapBefore);
    EXPECT_EQ(list->geometry(), listBefore);

    // Function Type mode: Tab, Down, Shift+Tab, Right, Enter assign the next function to the
    // block right of the one the map showed.
    int start = 0;
    while (start + 1 < list->count() && list->item(start + 1)->text().trimmed() == "NOP")
        ++start;
    window.chooseFunction(list->item(start)->text());
    const QString next = list->item(start + 1)->text();
    window.selectBlock(70);
    map->setFocus();
    QTest::keyClick(map, Qt::Key_Tab);
    ASSERT_EQ(focused(), list);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Backtab, Qt::ShiftModifier);
    ASSERT_EQ(focused(), map);
    QTest::keyClick(map, Qt::Key_Right);
    QTest::keyClick(map, Qt::Key_Return);
    EXPECT_EQ(map->item(7, 1)->text(), next);
    EXPECT_EQ(map->item(7, 0)->text(), " ");
    EXPECT_EQ(map->item(8, 1)->text(), " ");
    EXPECT_EQ(app.session().BlockFunctions[81], kNopFunction);

    // No key leaves the current block without its highlight, or the highlight elsewhere.
    for (Qt::Key key : {Qt::Key_Space, Qt::Key_Down}) {
        QTest::keyClick(map, key, Qt::ControlModifier);
        ASSERT_EQ(map->selectedItems().size(), 1) << key;
        EXPECT_EQ(map->selectedItems().front(), map->currentItem()) << key;
    }
    window.BlockDataMode();
    window.hide();
}

namespace {

// Function `name` into `block` of the configuration open in `window`.
void assignIn(Form3& window, int block, const QString& name)
{
    window.FunctionTypeMode();
    window.chooseFunction(name);
    window.selectBlock(block);
    window.blockMapChosen();
    window.BlockDataMode();
}

std::optional<int> functionInFile(const QString& file, int block)
{
    return numberInFile(file, "SELECT FunctionNumber FROM \"Block List\" WHERE BlockNumber=?1", block);
}

constexpr int kNop = 127;

} // namespace

TEST_F(EditorWindowTest, TwoEditorsOnOneFile_TheSecondIsToldAtOpen_TheLaterSaveAsksBeforeItUndoesTheOthers)
{
    const QString plant = newConfiguration("plant.mdb"), mine = dir.filePath("mine.mdb");
    open(plant);
    EXPECT_TRUE(messages.empty());
    EditorApp second;
    ASSERT_TRUE(second.start(QStringLiteral(ORVANE_BIN_DIR)).isEmpty());
    chosenFile = plant;
    answers = {Answer::No};   // open it for writing all the same
    ASSERT_TRUE(second.mainWindow().files().OpenExistingFile());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, plant + " is open for writing in another program of the tool set.\rOpen it read-only?\r\r"
                                        "No opens it for writing: whichever saves later is asked before it replaces the "
                                        "other's changes.");
    EXPECT_EQ(messages[0].buttons, Buttons::YesNoCancel);
    EXPECT_FALSE(second.session().FileReadOnly);

    // The second saves first: nothing changed meanwhile, so nothing is asked.
    assignIn(second.mainWindow(), 41, plain.name);
    second.mainWindow().files().fileSave();
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_NE(functionInFile(plant, 41), kNop);

    // The first, still on its older copy, is asked; Cancel keeps the other's save and its own work.
    assign(40, plain.name);
    answers = {Answer::Cancel};
    w().files().fileSave();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].text, plant + " was changed by another program since you opened it.\r"
                                        "Overwrite it with your version, save your version as another file, or cancel?");
    EXPECT_EQ(messages[1].buttons, Buttons::OverwriteSaveAsCancel);
    EXPECT_EQ(functionInFile(plant, 40), kNop);
    EXPECT_NE(functionInFile(plant, 41), kNop);
    EXPECT_TRUE(app.db().ConfigurationOpen());
    EXPECT_TRUE(app.session().WorkFileChanged());

    // Save As from the question: the first's version goes to another file, the other's stays.
    answers = {Answer::No};
    chosenFile = mine;
    w().files().fileSave();
    EXPECT_EQ(dialogs.back().fileName, dir.path() + "/");
    EXPECT_EQ(app.session().GlobalFile, mine);
    EXPECT_NE(functionInFile(mine, 40), kNop);
    EXPECT_EQ(functionInFile(mine, 41), kNop);
    EXPECT_EQ(functionInFile(plant, 40), kNop);
    EXPECT_NE(functionInFile(plant, 41), kNop);

    // A third opens it read-only when told that the second holds it.
    EditorApp third;
    ASSERT_TRUE(third.start(QStringLiteral(ORVANE_BIN_DIR)).isEmpty());
    answers = {Answer::Yes};
    chosenFile = plant;
    ASSERT_TRUE(third.mainWindow().files().OpenExistingFile());
    EXPECT_TRUE(messages.back().text.startsWith(plant + " is open for writing"));
    EXPECT_TRUE(third.session().FileReadOnly);
    EXPECT_TRUE(third.mainWindow().windowTitle().endsWith(" - READ ONLY"));
}

TEST_F(EditorWindowTest, AnImportIntoTheOpenFileIsSeenAtSave_AndAHalfWrittenFileIsRecoveredAtOpenSoNoSaveIsRolledBack)
{
    const QString plant = newConfiguration("plant.mdb"), other = newConfiguration("other.mdb"), text = dir.filePath("other.txt");
    {
        kessig::OrvaneDB db;
        db.open_existing_database(other.toStdString());
        db.BlockSeek(50);
        db.BlockEdit();
        db.BlockComment("imported");
        db.BlockUpdate();
    }
    open(plant);
    const auto orvane = [](const QStringList& arguments) {
        QProcess process;
        process.start(QStringLiteral(ORVANE_BIN_DIR "/orvane"), arguments);
        process.closeWriteChannel();
        process.waitForFinished(60000);
        return std::pair{process.exitCode(), QString::fromLocal8Bit(process.readAllStandardError())};
    };
    ASSERT_EQ(orvane({"export", other, "-o", text}).first, 0);
    const auto [code, said] = orvane({"import", text, plant, "--yes"});
    EXPECT_EQ(code, 0) << said.toStdString();
    EXPECT_TRUE(said.startsWith(plant + " is open for writing in another program")) << said.toStdString();
    const QByteArray imported = fileBytes(plant);

    assign(40, plain.name);
    answers = {Answer::Cancel};
    w().files().fileSave();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back().buttons, Buttons::OverwriteSaveAsCancel);
    EXPECT_EQ(fileBytes(plant), imported);

    // A write into the file killed half way: opening recovers it and says so; a save then
    // leaves no journal that a later open would roll back over it.
    w().files().fileRestore();
    messages.clear();
    ASSERT_TRUE(kessig::testsupport::killedHalfWay(QFile::encodeName(plant).constData(),
                                                    "UPDATE \"Block List\" SET Comment = hex(zeroblob(2000))"));
    open(plant);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.startsWith("A write into '" + plant + "' did not finish")) << messages[0].text.toStdString();
    EXPECT_EQ(messages[0].icon, Icon::Information);
    EXPECT_EQ(fileBytes(plant), imported);
    assign(60, plain.name);
    w().files().fileSave();
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_FALSE(QFileInfo::exists(plant + "-journal"));
    EXPECT_NE(functionInFile(plant, 60), kNop);
    kessig::OrvaneDB reader;
    reader.open_for_reading(plant.toStdString());
    reader.BlockSeek(50);
    EXPECT_EQ(reader.BlockComment(), "imported");
    reader.close_work_dbs();

    // Killed half way while the editor has it open: the save is asked about, and the old
    // content's journal does not outlive it to be rolled back over the new one.
    ASSERT_TRUE(kessig::testsupport::killedHalfWay(QFile::encodeName(plant).constData(),
                                                    "UPDATE \"Block List\" SET Comment = hex(zeroblob(2000))"));
    assign(70, plain.name);
    answers = {Answer::Yes};
    w().files().fileSave();
    EXPECT_EQ(messages.back().buttons, Buttons::OverwriteSaveAsCancel);
    EXPECT_FALSE(QFileInfo::exists(plant + "-journal"));
    EXPECT_NE(functionInFile(plant, 70), kNop);
    EXPECT_NE(functionInFile(plant, 60), kNop);
    reader.open_for_reading(plant.toStdString());
    reader.BlockSeek(159);
    EXPECT_EQ(reader.BlockComment(), "");
}

TEST_F(EditorWindowTest, UndoAndRedoNameTheChangeAndShowItsBlock_KeysAndTheHistoryWindowMove_TheSavedStateDecidesTheQuestion)
{
    const QString a = newConfiguration("a.mdb"), b = newConfiguration("b.mdb");
    open(a);
    Form3& window = w();
    window.markActivationHandled();
    window.resize(window.sizeHint());
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QAction* undo = menu("mnuEditUndo");
    QAction* redo = menu("mnuEditRedo");
    QUndoStack& stack = app.session().history().stack();
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_EQ(undo->text(), "&Undo");
    EXPECT_EQ(undo->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
    EXPECT_EQ(redo->shortcuts(), (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Y),
                                                       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}));

    assign(35, plain.name);
    EXPECT_EQ(undo->text(), "&Undo Assign " + plain.name + " to Block 35");
    typeInto("Grid2", 0, "12");
    EXPECT_EQ(undo->text(), "&Undo Block 35 Input 1");
    const QString shown = grid("Grid3")->item(0, 0)->text();
    const QString typed = QString::number(shown == QString::number(plain.max) ? plain.min : plain.max);
    typeInto("Grid3", 0, typed);
    EXPECT_EQ(undo->text(), "&Undo Block 35 Parameter 1");
    ASSERT_EQ(stack.count(), 3);

    // Ctrl+Z while another block is shown: the value goes back and block 35 is shown again.
    window.selectBlock(0);
    window.Grid1_Click();
    const auto key = [&](Qt::KeyboardModifiers modifiers, Qt::Key k) {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &window, k, modifiers);
    };
    key(Qt::ControlModifier, Qt::Key_Z);
    EXPECT_EQ(window.currentBlock(), 35);
    EXPECT_EQ(grid("Grid3")->item(0, 0)->text(), shown);
    EXPECT_EQ(constantInFile(app.session().WorkFile, 35, plain.inputs), shown.toInt());
    EXPECT_EQ(redo->text(), "&Redo Block 35 Parameter 1");
    EXPECT_EQ(window.findChild<QStatusBar*>()->currentMessage(), "Undo Block 35 Parameter 1");
    key(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z);
    EXPECT_EQ(grid("Grid3")->item(0, 0)->text(), typed);
    key(Qt::ControlModifier, Qt::Key_Z);
    key(Qt::ControlModifier, Qt::Key_Y);
    EXPECT_EQ(grid("Grid3")->item(0, 0)->text(), typed);

    // In Function Type mode the map shows the assignment undone; back at the file as
    // opened there is nothing to save.
    window.FunctionTypeMode();
    for (int n = 0; n < 3; ++n)
        undo->trigger();
    EXPECT_EQ(grid("Grid1")->item(3, 5)->text(), " ");
    EXPECT_EQ(app.session().BlockFunctions[35], kNopFunction);
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_FALSE(app.session().WorkFileChanged());

    // The History window goes to any step; Save marks where the question is not asked.
    window.mnuEditHistory_Click();
    QUndoView* view = window.historyWindow()->view();
    ASSERT_EQ(view->model()->rowCount(), 4);
    EXPECT_EQ(view->model()->index(2, 0).data().toString(), "Block 35 Input 1");
    view->setCurrentIndex(view->model()->index(2, 0));
    EXPECT_EQ(stack.index(), 2);
    EXPECT_EQ(constantInFile(app.session().WorkFile, 35, 0), 12);
    EXPECT_EQ(grid("Grid1")->item(3, 5)->text(), plain.name);
    EXPECT_TRUE(app.session().WorkFileChanged());
    window.files().fileSave();
    EXPECT_EQ(stack.count(), 3) << "a save keeps the history";
    EXPECT_TRUE(stack.isClean());
    EXPECT_EQ(constantInFile(a, 35, 0), 12);
    redo->trigger();
    EXPECT_TRUE(app.session().WorkFileChanged());
    undo->trigger();
    EXPECT_FALSE(app.session().WorkFileChanged());
    undo->trigger();
    messages.clear();
    answers = {Answer::No};
    chosenFile = b;
    window.files().fileOpen();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Save changes to " + a + "?");
    EXPECT_EQ(stack.count(), 0) << "Open keeps no history";
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_EQ(view->model()->rowCount(), 1);

    // A read-only file has no history.
    ::chmod(QFile::encodeName(a).constData(), 0444);
    open(a);
    window.selectBlock(35);
    window.Grid1_Click();
    typeInto("Grid2", 0, "7");
    EXPECT_EQ(stack.count(), 0);
    EXPECT_FALSE(undo->isEnabled());
    window.historyWindow()->close();
    window.hide();
}
