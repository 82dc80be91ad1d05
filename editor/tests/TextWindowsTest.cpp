// The configuration info, description, block comment and print options windows,
// shown under the offscreen platform on real working copies and the real catalogue.

#include "TestEnvironment.h"
#include "EditorApp.h"
#include "FormComment.h"
#include "core/QuickMessages.h"
#include "frmGeneral.h"
#include "frmPrintOptions.h"
#include "ui/MessageSeam.h"
#include "ui/PrintSeam.h"
#include "ui/SettingsStore.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <sys/stat.h>

using namespace brevant;

namespace {

void leave(QWidget* box)
{
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(box, &out);
}

// Lets deferred deletes and queued calls run.
void settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

class TextWindowsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::application();
        setMessageHandler([this](const MessageRequest& r) {
            messages.push_back(r);
            if (answers.empty())
                return Answer::Ok;
            const Answer a = answers.front();
            answers.erase(answers.begin());
            return a;
        });
        setFileDialogHandler([this](const FileDialogRequest& r) {
            dialogs.push_back(r);
            return chosenFile;
        });
        ASSERT_TRUE(app.start(QStringLiteral(ORVANE_BIN_DIR)).isEmpty());
    }
    void TearDown() override
    {
        setMessageHandler({});
        setFileDialogHandler({});
        setPrintDialogHandler({});
    }

    void open(const QString& path) { test::openShown(w(), chosenFile, path); }
    QString newConfiguration(const QString& name)
    {
        const QString path = dir.filePath(name);
        app.db().create_new_database(path.toStdString());
        return path;
    }
    frmGeneral& info()
    {
        w().mnuEditComments_Click();
        return *w().configurationInfo();
    }
    // Presses "&Done" of a window.
    static void done(QWidget* window) { window->findChild<QAction*>("mnuExit")->trigger(); }

    Form3& w() { return app.mainWindow(); }

    QTemporaryDir dir;
    EditorApp app;
    std::vector<MessageRequest> messages;
    std::vector<Answer> answers;
    std::vector<FileDialogRequest> dialogs;
    QString chosenFile;
};

} // namespace

TEST_F(TextWindowsTest, InfoAndDescriptionWindowsTakeTurnsAndWriteOnlyWhatChanged)
{
    open(newConfiguration("plant.mdb"));
    const QString caption = "Brevant - " + dir.filePath("plant.mdb");
    frmGeneral& general = info();
    EXPECT_EQ(general.objectName(), "frmGeneral");
    EXPECT_EQ(general.windowTitle(), caption);
    EXPECT_TRUE(general.isVisible());
    EXPECT_FALSE(w().isVisible());
    auto* title = general.findChild<QLineEdit*>("txtTitle");
    auto* config = general.findChild<QLineEdit*>("txtCfg");
    auto* preview = general.findChild<QPlainTextEdit*>("Text1");
    ASSERT_TRUE(title && config && preview);
    EXPECT_TRUE(preview->isReadOnly());
    EXPECT_FALSE(title->isReadOnly());
    auto* grid = general.findChild<QTableView*>("DBGrid1");
    ASSERT_TRUE(grid && grid->model());
    EXPECT_EQ(grid->model()->rowCount(), 8);
    EXPECT_EQ(grid->model()->index(0, grid->horizontalHeader()->logicalIndex(0)).data().toString(), "QMSG 1");
    EXPECT_EQ(grid->model()->headerData(grid->horizontalHeader()->logicalIndex(2), Qt::Horizontal).toString(),
              "Parameter");

    // Leaving every box without a change writes nothing.
    leave(title);
    leave(config);
    general.Text1_Click();
    frmvga& description = general.descriptionWindow();
    EXPECT_FALSE(general.isVisible());
    EXPECT_TRUE(description.isVisible());
    EXPECT_EQ(description.objectName(), "frmvga");
    EXPECT_EQ(description.windowTitle(), caption);
    leave(description.findChild<QPlainTextEdit*>("txtCmt"));
    done(&description);
    EXPECT_TRUE(general.isVisible());
    done(&general);
    EXPECT_TRUE(w().isVisible());
    EXPECT_FALSE(general.isVisible());
    EXPECT_EQ(app.db().WriteCount(), 0u);
    EXPECT_FALSE(app.session().WorkFileChanged());
    EXPECT_TRUE(messages.empty());

    // A title of 81 characters is cut to 80 with its notice; the configuration name is stored.
    info();
    title->setText(QString(80, 'T') + "X");
    leave(title);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Title More Than 80 Characters\r" + QString(80, 'T') + " Will Be Used");
    EXPECT_EQ(messages[0].title, "Brevant");
    EXPECT_EQ(title->text(), QString(80, 'T'));
    config->setText("TANKFARM-02");
    // Closed from its title bar it is "&Done": the pending name is written, the main window is back.
    general.close();
    EXPECT_TRUE(w().isVisible());
    EXPECT_EQ(app.db().CommentTitle(), std::string(80, 'T'));
    EXPECT_EQ(app.db().CommentConfig(), "TANKFARM-02");
    EXPECT_TRUE(app.session().WorkFileChanged());

    // The description window closed from its title bar brings the info window back with the new text.
    info();
    general.Text1_Click();
    auto* box = description.findChild<QPlainTextEdit*>("txtCmt");
    box->setPlainText("Fill the tank.");
    box->document()->setModified(true);
    description.close();
    EXPECT_TRUE(general.isVisible());
    EXPECT_EQ(preview->toPlainText(), "Fill the tank.");
    done(&general);
}

TEST_F(TextWindowsTest, TypedParagraphIsStoredWithTheLineBreaksTheBoxShowed)
{
    open(newConfiguration("plant.mdb"));
    frmGeneral& general = info();
    general.Text1_Click();
    frmvga& description = general.descriptionWindow();
    auto* box = description.findChild<QPlainTextEdit*>("txtCmt");
    const QFontInfo font(box->font());
    EXPECT_TRUE(font.fixedPitch());
    EXPECT_TRUE(font.family() == "Liberation Mono" || font.family() == "Courier New") << font.family().toStdString();

    QString paragraph;
    for (int i = 0; paragraph.size() < 400; ++i)
        paragraph += QStringLiteral("word%1 ").arg(i * 7 % 1000);
    paragraph += QStringLiteral("end");
    box->setFocus();
    QTest::keyClicks(box, paragraph);
    // The lines as the box shows them, walked with the cursor.
    QStringList shown;
    QTextCursor walk(box->document());
    box->setTextCursor(walk);
    for (;;) {
        QTextCursor line = box->textCursor();
        line.movePosition(QTextCursor::StartOfLine);
        line.movePosition(QTextCursor::EndOfLine, QTextCursor::KeepAnchor);
        shown << line.selectedText().trimmed();
        const int before = box->textCursor().position();
        box->moveCursor(QTextCursor::Down);
        if (box->textCursor().position() == before)
            break;
    }
    ASSERT_GT(shown.size(), 4);
    done(&description);
    const QString stored = QString::fromStdString(app.db().CommentComment());
    const QStringList lines = stored.split("\r\n");
    ASSERT_EQ(lines.size(), shown.size());
    for (int i = 0; i < lines.size(); ++i)
        EXPECT_EQ(lines[i].trimmed(), shown[i]) << "line " << i;
    EXPECT_EQ(lines.join(QString()), paragraph);
    EXPECT_FALSE(stored.contains(QRegularExpression("[^\r]\n|\r[^\n]")));

    // Reopened and left as it is: the same text, nothing written.
    const uint64_t writes = app.db().WriteCount();
    general.Text1_Click();
    EXPECT_EQ(box->document()->blockCount(), lines.size());
    leave(box);
    done(&description);
    done(&general);
    EXPECT_EQ(app.db().WriteCount(), writes);
}

TEST_F(TextWindowsTest, QuickMessageGridRefusesWhatTheStoreWouldAndItsWritesCount)
{
    const QString file = newConfiguration("plant.mdb");
    open(file);
    frmGeneral& general = info();
    auto* grid = general.findChild<QTableView*>("DBGrid1");
    QuickMessageTable* table = general.data().model();
    ASSERT_TRUE(table);
    const int message = table->fieldIndex("Message"), block = table->fieldIndex("Block"),
              parameter = table->fieldIndex("Parameter");
    const auto cell = [&](int row, int column) { return table->index(row, column); };

    EXPECT_TRUE(table->setData(cell(0, block), 0));
    EXPECT_TRUE(table->setData(cell(1, block), "159"));
    EXPECT_FALSE(table->setData(cell(2, block), -1));
    EXPECT_FALSE(table->setData(cell(2, block), 160));
    EXPECT_FALSE(table->setData(cell(2, block), "x"));
    EXPECT_EQ(cell(2, block).data().toInt(), 4);
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].text, "Block Number Must Be between 0 and 159.");
    EXPECT_EQ(messages[0].buttons, Buttons::Ok);
    EXPECT_FALSE(table->setData(cell(2, parameter), 256));
    EXPECT_EQ(messages.back().text, "Parameter Number Must Be between 0 and 255.");
    EXPECT_FALSE(table->setData(cell(2, message), ""));
    EXPECT_EQ(messages.back().text, "Message Must Not Be Empty.");
    EXPECT_EQ(cell(2, message).data().toString(), "QMSG 3");
    messages.clear();
    EXPECT_TRUE(table->setData(cell(3, message), "SIXTEEN CHARS OK"));
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(table->setData(cell(4, message), "SEVENTEEN CHARS!!"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Message More Than 16 Characters\rSEVENTEEN CHARS! Will Be Used");
    EXPECT_EQ(messages[0].title, "Brevant");

    // Typed into the grid itself: the cell editor commits on Enter.
    const auto typeInto = [&](int row, const char* text) {
        settle();   // the editor of an earlier cell is gone
        grid->setCurrentIndex(cell(row, message));
        grid->edit(cell(row, message));
        auto* editor = grid->viewport()->findChild<QLineEdit*>();
        if (editor) {
            editor->selectAll();
            QTest::keyClicks(editor, text);
        }
        return editor;
    };
    grid->setFocus();
    QLineEdit* editor = typeInto(5, "TANK LOW");
    ASSERT_TRUE(editor);
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();   // the delegate commits in a queued call
    EXPECT_EQ(cell(5, message).data().toString(), "TANK LOW");

    // The store reads the grid's writes at once; the store's own counter never saw them.
    kessig::OrvaneDB& db = app.db();
    db.QuickSeek(4);
    EXPECT_EQ(db.QuickMessage(), "SEVENTEEN CHARS!");
    db.QuickSeek(1);
    EXPECT_EQ(db.QuickBlock(), "159");
    EXPECT_EQ(db.WriteCount(), 0u);
    EXPECT_TRUE(app.session().WorkFileChanged());
    // A cell still being typed into when "&Done" is chosen is stored as a left box is.
    ASSERT_TRUE(typeInto(6, "PUMP RUN"));
    done(&general);
    db.QuickSeek(6);
    EXPECT_EQ(db.QuickMessage(), "PUMP RUN");
    db.QuickSeek(5);
    EXPECT_EQ(db.QuickMessage(), "TANK LOW");
    // The store holds the file alone again and writes on.
    db.QuickEdit();
    db.QuickMessage("AFTER");
    db.QuickUpdate();

    answers = {Answer::Cancel};
    w().files().fileExit();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back().text, "Save changes to " + file + "?");
    w().files().fileSave();
    kessig::OrvaneDB saved;
    saved.open_existing_database(file.toStdString());
    saved.QuickSeek(4);
    EXPECT_EQ(saved.QuickMessage(), "SEVENTEEN CHARS!");
    saved.QuickSeek(5);
    EXPECT_EQ(saved.QuickMessage(), "AFTER");
}

TEST_F(TextWindowsTest, ConfigurationInfoUndoesItsOwnChanges_WhatIsBeingTypedIsStoredFirst)
{
    open(newConfiguration("plant.mdb"));
    frmGeneral& general = info();
    auto* title = general.findChild<QLineEdit*>("txtTitle");
    auto* grid = general.findChild<QTableView*>("DBGrid1");
    QuickMessageTable* table = general.data().model();
    ASSERT_TRUE(title && grid && table);
    const QModelIndex block = table->index(2, table->fieldIndex("Block"));
    QAction* undo = general.findChild<QAction*>("mnuEditUndo");
    QAction* redo = general.findChild<QAction*>("mnuEditRedo");
    ASSERT_TRUE(undo && redo);

    EXPECT_TRUE(table->setData(block, 7));
    EXPECT_EQ(undo->text(), "&Undo Quick Message 3 Block");
    title->setFocus();
    QTest::keyClicks(title, "Typed");
    undo->trigger();   // the title typed is stored as a change of its own, then undone
    EXPECT_EQ(title->text(), "");
    EXPECT_EQ(redo->text(), "&Redo Title");
    undo->trigger();
    EXPECT_EQ(table->index(2, table->fieldIndex("Block")).data().toInt(), 4);
    EXPECT_FALSE(app.session().WorkFileChanged());
    redo->trigger();
    redo->trigger();
    EXPECT_EQ(title->text(), "Typed");
    EXPECT_EQ(table->index(2, table->fieldIndex("Block")).data().toInt(), 7);
    app.db().QuickSeek(2);
    EXPECT_EQ(app.db().QuickBlock(), "7");
    EXPECT_EQ(app.db().CommentTitle(), "Typed");
    EXPECT_TRUE(messages.empty());
    done(&general);
}

TEST_F(TextWindowsTest, BlockCommentsWindowWritesTheBlocksCommentsAndFeedsTheCommentBox)
{
    open(newConfiguration("plant.mdb"));
    w().selectBlock(2);
    w().Grid1_Click();
    auto* mainBox = w().findChild<QPlainTextEdit*>("txtCmt");
    ASSERT_FALSE(mainBox->isHidden());
    w().findChild<QTableWidget*>("Grid3")->setCurrentCell(2, 1);
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* form = qobject_cast<FormComment*>(QApplication::activeModalWidget());
        ASSERT_TRUE(form);
        seen = true;
        EXPECT_EQ(form->windowTitle(), "Block Comments");
        EXPECT_EQ(w().findChild<QTableWidget*>("Grid3")->currentRow(), 0);
        EXPECT_EQ(w().findChild<QTableWidget*>("Grid3")->currentColumn(), 0);
        auto* text1 = form->findChild<QPlainTextEdit*>("Text1");
        auto* text2 = form->findChild<QPlainTextEdit*>("Text2");
        EXPECT_LT(text2->width(), text1->width() / 2);
        text1->setFocus();
        QTest::keyClicks(text1, "Display of the tank levels");
        leave(text1);
        text2->setFocus();
        QTest::keyClicks(text2, "   ");
        done(form);
    });
    w().txtCmt_Click();
    ASSERT_TRUE(seen);
    EXPECT_EQ(app.db().BlockComment(), "Display of the tank levels");
    app.db().BlockSeek(2);
    EXPECT_EQ(app.db().BlockComment(), "Display of the tank levels");
    EXPECT_EQ(app.db().BlockVisioComment(), "   ");
    // A drawing comment of blanks gives way to the block comment.
    EXPECT_EQ(mainBox->toPlainText(), "Display of the tank levels");

    // A drawing comment wins once it holds text; Escape closes as "&Done" does.
    QTimer::singleShot(0, [&] {
        auto* form = qobject_cast<FormComment*>(QApplication::activeModalWidget());
        ASSERT_TRUE(form);
        auto* text2 = form->findChild<QPlainTextEdit*>("Text2");
        EXPECT_EQ(text2->toPlainText(), "   ");
        text2->setFocus();
        text2->moveCursor(QTextCursor::End);
        QTest::keyClicks(text2, "TI-2");
        QTest::keyClick(form, Qt::Key_Escape);
    });
    w().txtCmt_Click();
    EXPECT_EQ(mainBox->toPlainText(), "   TI-2");
    app.db().BlockSeek(2);
    EXPECT_EQ(app.db().BlockVisioComment(), "   TI-2");
}

TEST_F(TextWindowsTest, TheKeyboardOpensTheDescription_ANoticeGivesTheCellBack_MessagesShowWhole)
{
    open(newConfiguration("plant.mdb"));
    frmGeneral& general = info();
    general.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&general));
    auto* config = general.findChild<QLineEdit*>("txtCfg");
    auto* preview = general.findChild<QPlainTextEdit*>("Text1");
    frmvga& description = general.descriptionWindow();

    // Tab reaches the description's preview, which marks its frame; Return and Space open it.
    for (int key : {int(Qt::Key_Return), int(Qt::Key_Space)}) {
        config->setFocus();
        QTest::keyClick(config, Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), preview) << key;
        EXPECT_TRUE(preview->styleSheet().contains(":focus"));
        QTest::keyClick(preview, Qt::Key(key));
        EXPECT_TRUE(description.isVisible()) << key;
        EXPECT_FALSE(general.isVisible());
        done(&description);
        ASSERT_TRUE(general.isVisible());
        settle();
        general.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&general));
    }

    // A message of sixteen of the widest characters shows whole, and one outside ASCII
    // stays on its one line.
    auto* grid = general.findChild<QTableView*>("DBGrid1");
    QuickMessageTable* table = general.data().model();
    const int message = table->fieldIndex("Message");
    const auto cell = [&](int row) { return table->index(row, message); };
    const QString widest(16, QLatin1Char('W'));
    ASSERT_TRUE(table->setData(cell(0), widest));
    ASSERT_TRUE(table->setData(cell(1), QStringLiteral("\u00C4L \u00DCBER 90\u00B0 \u20AC5 \u00B5")));
    EXPECT_GE(grid->visualRect(cell(0)).width(), grid->fontMetrics().horizontalAdvance(widest) + 6);
    EXPECT_FALSE(grid->wordWrap());
    EXPECT_EQ(grid->rowHeight(1), grid->rowHeight(0));

    // After each notice, answered in a real box, the focus is back on the cell typed into.
    setMessageHandler([this](const MessageRequest& r) {
        messages.push_back(r);
        QMessageBox box(QMessageBox::NoIcon, r.title, r.text, QMessageBox::Ok, QApplication::activeWindow());
        QTimer::singleShot(0, &box, &QMessageBox::accept);
        box.exec();
        return Answer::Ok;
    });
    const int block = table->fieldIndex("Block");
    for (auto [row, column, typed] : {std::tuple{4, message, QStringLiteral("SEVENTEEN CHARS!!")},
                                      std::tuple{5, block, QStringLiteral("160")}}) {
        messages.clear();
        const QModelIndex at = table->index(row, column);
        grid->setFocus();
        grid->setCurrentIndex(at);
        grid->edit(at);
        auto* editor = grid->viewport()->findChild<QLineEdit*>();
        ASSERT_TRUE(editor);
        editor->selectAll();
        QTest::keyClicks(editor, typed);
        QTest::keyClick(editor, Qt::Key_Return);
        settle();
        // The window is active again, as the desktop makes it once the box has gone.
        general.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&general));
        ASSERT_EQ(messages.size(), 1u) << typed.toStdString();
        EXPECT_EQ(QApplication::focusWidget(), grid) << typed.toStdString();
        EXPECT_EQ(grid->currentIndex(), at);
    }
    EXPECT_EQ(cell(4).data().toString(), "SEVENTEEN CHARS!");
    done(&general);
}

namespace {

// The labels and the Tab keys of an open block comments window; EXPECTs only, so that the
// caller closes the window whatever they find.
void checkLabelsAndTabs(QWidget* form)
{
    auto* text1 = form->findChild<QPlainTextEdit*>("Text1");
    auto* text2 = form->findChild<QPlainTextEdit*>("Text2");
    auto* label1 = form->findChild<QLabel*>("lblText1");
    auto* label2 = form->findChild<QLabel*>("lblText2");
    if (!label1 || !label2) {
        ADD_FAILURE() << "the boxes have no labels";
        return;
    }
    EXPECT_EQ(label1->text(), "&BLOCK COMMENT");
    EXPECT_EQ(label1->buddy(), text1);
    EXPECT_EQ(label2->text(), "D&RAWING COMMENT");
    EXPECT_EQ(label2->buddy(), text2);
    EXPECT_LT(label2->geometry().bottom(), text2->geometry().top());   // over its own box
    EXPECT_EQ(label2->geometry().left(), text2->geometry().left());

    form->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(form));
    text1->setFocus();
    QTest::keyClicks(text1, "FT-101");
    QTest::keyClick(text1, Qt::Key_Tab, Qt::ControlModifier);
    QTest::keyClicks(text1, "x");
    QTest::keyClick(text1, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), text2);
}

} // namespace

TEST_F(TextWindowsTest, BlockCommentBoxesAreNamed_TabMovesOnAndCtrlTabTypesATab)
{
    open(newConfiguration("plant.mdb"));
    w().selectBlock(2);
    w().Grid1_Click();
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* form = qobject_cast<FormComment*>(QApplication::activeModalWidget());
        if (!form)
            return;
        seen = true;
        checkLabelsAndTabs(form);
        done(form);
    });
    w().txtCmt_Click();
    ASSERT_TRUE(seen);
    app.db().BlockSeek(2);
    EXPECT_EQ(app.db().BlockComment(), "FT-101\tx");
}

TEST_F(TextWindowsTest, ReadOnlyFileLocksEveryBoxAndWritesNothing)
{
    const QString file = newConfiguration("plant.mdb");
    ::chmod(QFile::encodeName(file).constData(), 0444);
    open(file);
    const QByteArray before = [&] { QFile f(app.session().WorkFile); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    frmGeneral& general = info();
    EXPECT_TRUE(general.findChild<QLineEdit*>("txtTitle")->isReadOnly());
    EXPECT_TRUE(general.findChild<QLineEdit*>("txtCfg")->isReadOnly());
    EXPECT_EQ(general.data().model(), nullptr);   // the grid is not loaded
    general.findChild<QLineEdit*>("txtTitle")->setText("changed");
    leave(general.findChild<QLineEdit*>("txtTitle"));
    general.Text1_Click();
    auto* box = general.descriptionWindow().findChild<QPlainTextEdit*>("txtCmt");
    EXPECT_TRUE(box->isReadOnly());
    done(&general.descriptionWindow());
    done(&general);
    w().selectBlock(0);
    w().Grid1_Click();
    QTimer::singleShot(0, [&] {
        auto* form = QApplication::activeModalWidget();
        ASSERT_TRUE(form);
        EXPECT_TRUE(form->findChild<QPlainTextEdit*>("Text1")->isReadOnly());
        EXPECT_TRUE(form->findChild<QPlainTextEdit*>("Text2")->isReadOnly());
        done(form);
    });
    w().txtCmt_Click();
    EXPECT_EQ(app.db().CommentTitle(), "");
    QFile f(app.session().WorkFile);
    f.open(QIODevice::ReadOnly);
    EXPECT_EQ(f.readAll(), before);
    EXPECT_TRUE(messages.empty());
}

namespace {

QString pdfText(const QString& pdf)
{
    QProcess p;
    p.start("pdftotext", {"-layout", "-fixed", "4.8", pdf, "-"});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The columns of a report line read back from a PDF: the page margin taken off.
QString atColumn(const QString& line, int column, int length) { return line.mid(6 + column - 1, length); }

} // namespace

TEST_F(TextWindowsTest, PrintOptionsCheckTheRangeAndTheSamplePrintsToAPdf)
{
    // Without a configuration nothing prints.
    w().munFilePrint_Click();
    frmPrintOptions* options = w().printOptions();
    ASSERT_TRUE(options);
    options->findChild<QPushButton*>("cmdPrint")->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "You Must Select An Existing Or New Configuration");
    options->close();
    settle();

    const QString sample = dir.filePath("Sample Plant.mdb");
    ASSERT_TRUE(QFile::copy(QStringLiteral(ORVANE_BIN_DIR) + "/samples/Sample Plant.mdb", sample));
    open(sample);
    w().munFilePrint_Click();
    options = w().printOptions();
    EXPECT_EQ(options->windowTitle(), "Orvane Edit Print Options");
    auto* from = options->findChild<QLineEdit*>("tbFrom");
    auto* to = options->findChild<QLineEdit*>("tbTo");
    auto* all = options->findChild<QRadioButton*>("optAll");
    auto* range = options->findChild<QRadioButton*>("optRange");
    auto* database = options->findChild<QCheckBox*>("cbTesseraDB");
    auto* gridBox = options->findChild<QCheckBox*>("cbTesseraGrd");
    EXPECT_EQ(gridBox->text(), "Print Tessera Grid and Sequence of Operation");
    EXPECT_EQ(gridBox->toolTip(), "Select to print these options");
    EXPECT_EQ(database->toolTip(), "Select to print all or a range of blocks");
    EXPECT_EQ(from->toolTip(), "Minimum value is 4");
    EXPECT_EQ(to->toolTip(), "Maximum Value is 160");
    EXPECT_EQ(all->toolTip(), "Print all printable blocks");
    EXPECT_EQ(options->findChild<QGroupBox*>("frmWhichBlocks")->title(), "Which Block(s)?");
    EXPECT_TRUE(gridBox->isChecked() && database->isChecked() && all->isChecked());
    EXPECT_EQ(from->text(), "4");
    EXPECT_EQ(to->text(), "159");
    EXPECT_FALSE(from->isEnabled());

    // The range: each box checked when it is left.
    messages.clear();
    range->click();
    EXPECT_TRUE(from->isEnabled() && options->findChild<QGroupBox*>("fraTo")->isEnabled());
    for (const char* bad : {"abc", "-1", "160"}) {
        from->setText(bad);
        leave(from);
    }
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].text, "Invalid Start");
    EXPECT_EQ(messages[0].title, "Orvane EDIT: Error");
    from->setText("20");
    leave(from);
    to->setText("19");
    leave(to);
    EXPECT_EQ(messages.back().text, "Invalid End");
    to->setText("20");
    leave(to);
    EXPECT_EQ(messages.size(), 4u);
    EXPECT_EQ(options->options().PrintStart, 20);
    EXPECT_EQ(options->options().PrintEnd, 20);
    // The listing switched off and on again: All, the boxes locked.
    database->click();
    EXPECT_FALSE(options->options().PrintDatabaseOption);
    EXPECT_FALSE(range->isEnabled() || all->isEnabled());
    database->click();
    EXPECT_TRUE(options->options().PrintDatabaseOption && all->isChecked() && range->isEnabled());
    EXPECT_FALSE(from->isEnabled());
    EXPECT_EQ(options->options().PrintStart, 4);

    // The preview lays out the pages.
    options->findChild<QPushButton*>("cmdPreview")->click();
    auto* previewWidget = options->findChild<QPrintPreviewWidget*>();
    ASSERT_TRUE(previewWidget);
    previewWidget->updatePreview();
    EXPECT_GE(previewWidget->pageCount(), 2);
    previewWidget->window()->close();

    // Into a PDF file, read back column by column; a block comment holds characters beyond ASCII.
    const std::string symbols = "LT-101 0\u2013100 \u00b0C, 250 \u03a9, \u20ac 1.200";
    app.db().BlockSeek(10);
    app.db().BlockEdit();
    app.db().BlockComment(symbols);
    app.db().BlockUpdate();
    chosenFile = dir.filePath("plant report");
    options->findChild<QPushButton*>("cmdPdf")->click();
    ASSERT_EQ(dialogs.back().filter, "PDF File (*.pdf)");
    const QString text = pdfText(dir.filePath("plant report.pdf"));
    ASSERT_FALSE(text.isEmpty());
    settle();
    EXPECT_EQ(w().printOptions(), nullptr);   // printing unloads the window
    const QStringList lines = text.split('\n');
    const auto lineWith = [&](const QString& part) {
        for (const QString& l : lines)
            if (l.contains(part))
                return l;
        return QString();
    };
    const QString gridRow1 = lineWith("AIN       AIN");
    EXPECT_EQ(atColumn(gridRow1, 11, 1), "1");
    EXPECT_EQ(atColumn(gridRow1, 16, 3), "AIN");
    EXPECT_EQ(atColumn(gridRow1, 26, 3), "AIN");
    EXPECT_EQ(atColumn(lineWith("BLOCK  20"), 35, 3), "PID");
    const QString gain = lineWith("GAIN");
    EXPECT_EQ(atColumn(gain, 20, 3), "P 1");
    EXPECT_EQ(atColumn(gain, 40, 5), "1.000");
    EXPECT_EQ(atColumn(gain, 60, 4), "GAIN");
    const QString input = lineWith("Process variable");
    EXPECT_EQ(atColumn(input, 40, 2), "10");
    EXPECT_TRUE(lineWith("Page 1").contains(sample));
    // Every value as the editor shows it: block 10's range in tenths by its decimals parameter.
    EXPECT_EQ(atColumn(lineWith("RANGE LOW"), 40, 4), "0.0 ");
    EXPECT_EQ(atColumn(lineWith("RANGE HIGH"), 40, 6), "100.0 ");
    EXPECT_EQ(atColumn(lineWith("LT-101"), 20, 40), QString::fromStdString(symbols));

    // Printing through the print dialog: the chosen pages, once per copy, collated or not,
    // in either order.
    const QString printed = dir.filePath("printed.pdf");
    const auto printThrough = [&](int from, int to, int copies, bool collate, bool reverse = false) {
        w().munFilePrint_Click();
        setPrintDialogHandler([=](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(printed);
            printer.setPrintRange(QPrinter::PageRange);
            printer.setFromTo(from, to);
            printer.setCopyCount(copies);
            printer.setCollateCopies(collate);
            printer.setPageOrder(reverse ? QPrinter::LastPageFirst : QPrinter::FirstPageFirst);
            return true;
        });
        w().printOptions()->findChild<QPushButton*>("cmdPrint")->click();
        settle();
        QStringList order;
        for (const QString& line : pdfText(printed).split('\n'))
            if (const auto page = QRegularExpression("Page (\\d+)$").match(line); page.hasMatch())
                order << page.captured(1);
        return order.join(' ');
    };
    EXPECT_EQ(printThrough(2, 2, 2, true), "2 2");
    EXPECT_EQ(printThrough(1, 3, 2, true), "1 2 3 1 2 3");
    EXPECT_EQ(printThrough(2, 3, 2, false), "2 2 3 3");
    EXPECT_EQ(printThrough(2, 3, 2, true, true), "3 2 3 2");

    // No section: said at once, before any dialog, and the window stays for another choice.
    QFile::remove(printed);
    messages.clear();
    bool asked = false;
    setPrintDialogHandler([&](QPrinter&) { return asked = true; });
    const size_t fileDialogs = dialogs.size();
    w().munFilePrint_Click();
    options = w().printOptions();
    options->findChild<QCheckBox*>("cbTesseraGrd")->click();
    options->findChild<QCheckBox*>("cbTesseraDB")->click();
    for (const char* button : {"cmdPrint", "cmdPreview", "cmdPdf"})
        options->findChild<QPushButton*>(button)->click();
    ASSERT_EQ(messages.size(), 3u);
    for (const MessageRequest& m : messages)
        EXPECT_EQ(m.text, "Nothing To Print: Select A Section.");
    EXPECT_FALSE(asked);
    EXPECT_EQ(dialogs.size(), fileDialogs);
    EXPECT_FALSE(options->findChild<QPrintPreviewWidget*>());
    EXPECT_FALSE(QFile::exists(printed));
    settle();
    EXPECT_EQ(w().printOptions(), options);
}
