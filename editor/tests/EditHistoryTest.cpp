// The history of the editor's changes against a copy of the sample and the real catalogue:
// a few hundred random changes of every kind, undone one by one back to the sample and
// redone in one jump to their end, compared in the text form byte for byte, with and
// without a save between them; and a jump that the file refuses, refused whole.

#include "EditorApp.h"
#include "HistoryCommands.h"
#include "TestEnvironment.h"
#include "core/CommentImport.h"
#include "core/ConfigurationTexts.h"
#include "core/QuickMessages.h"
#include "frmGeneral.h"
#include "orvane/compare/testing/ConfigurationFile.h"
#include "orvane/formats/ConfigurationText.h"
#include "ui/MessageSeam.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QUndoView>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>

using namespace brevant;

namespace {

constexpr uint32_t kSeed = 20240611;
constexpr int kChanges = 300;

// Equal texts, or where they part.
::testing::AssertionResult sameText(const QString& actual, const QString& expected)
{
    if (actual == expected)
        return ::testing::AssertionSuccess();
    const QStringList a = actual.split(QLatin1Char('\n')), e = expected.split(QLatin1Char('\n'));
    qsizetype line = 0;
    while (line < a.size() && line < e.size() && a[line] == e[line])
        ++line;
    return ::testing::AssertionFailure() << "line " << line + 1 << " is \"" << a.value(line).toStdString()
                                         << "\", expected \"" << e.value(line).toStdString() << "\"";
}

class EditHistoryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::application();
        qputenv("TEMP", dir.filePath(QStringLiteral("temp")).toUtf8());
        QDir().mkpath(dir.filePath(QStringLiteral("temp")));
        setMessageHandler([this](const MessageRequest& r) {
            messages.push_back(r);
            return r.buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
        });
        setFileDialogHandler([this](const FileDialogRequest&) { return chosenFile; });
        ASSERT_TRUE(app.start(QStringLiteral(ORVANE_BIN_DIR)).isEmpty());
        kessig::OrvaneDB& db = app.db();
        db.FuncSetIndex("FN");
        for (db.FuncMoveFirst(); !db.FuncEOF(); db.FuncMoveNext())
            functions << QString::fromStdString(db.FuncName()).trimmed();
    }
    void TearDown() override
    {
        setMessageHandler({});
        setFileDialogHandler({});
    }

    // A new copy of the sample, opened with File > Open.
    void openSample()
    {
        chosenFile = dir.filePath(QStringLiteral("plant%1.mdb").arg(copies++));
        ASSERT_TRUE(QFile::copy(QStringLiteral(ORVANE_BIN_DIR "/samples/Sample Plant.mdb"), chosenFile));
        app.mainWindow().files().fileOpen();
        ASSERT_EQ(app.session().GlobalFile, chosenFile);
    }

    // The text form of the open configuration, with what it leaves out: each block's
    // count of constants, and whether the editor's block function table matches the file.
    QString state()
    {
        kessig::OrvaneDB& db = app.db();
        QString text = orvane::formats::exportConfiguration(db);
        BlockFunctionTable stored{};
        for (db.BlockMoveFirst(); !db.BlockEOF(); db.BlockMoveNext()) {
            text += QStringLiteral("count %1 = %2\n").arg(db.BlockNumber()).arg(db.BlockConstant());
            stored[size_t(db.BlockNumber())] = db.BlockFn();
        }
        if (stored != app.session().BlockFunctions)
            text += QStringLiteral("the block function table differs from the file\n");
        return text;
    }

    QUndoStack& stack() { return app.session().history().stack(); }

    int pick(int from, int to) { return std::uniform_int_distribution<int>(from, to)(random); }
    QString words(int most)
    {
        static const QStringList pool = {"Tank", "level", "PUMP", "\"inlet\"", "Café", "north", "alarm", "LT-101"};
        QStringList out;
        for (int n = pick(0, most); n > 0; --n)
            out << pool[pick(0, int(pool.size()) - 1)];
        return out.join(pick(0, 3) == 0 ? QStringLiteral("\r\n") : QStringLiteral(" "));
    }
    // A block that runs a function whose inputs and parameters are shown.
    std::optional<std::pair<int, BlockView>> blockInUse()
    {
        for (int tries = 0; tries < 20; ++tries) {
            const int b = pick(0, kBlockCount - 1);
            if (app.session().BlockFunctions[size_t(b)] == kNopFunction)
                continue;
            BlockView v = app.session().model().readBlock(b, app.session().model().cellText(b));
            if (v.found && v.missingConstants.empty())
                return std::pair{b, std::move(v)};
        }
        return std::nullopt;
    }
    // A value for parameter `row` of the block, within its limits mostly.
    QString parameterText(int block, const BlockView& v, int row)
    {
        kessig::OrvaneDB& db = app.db();
        db.ParamSeek(v.function, static_cast<int16_t>(row));
        const int type = db.ParamType(), decimal = db.ParamDecimal();
        const int64_t min = db.ParamMin(), max = db.ParamMax();
        if (type == kTextParameter)
            return words(2).left(pick(1, 18));
        const auto raw =
            static_cast<double>(std::uniform_int_distribution<int64_t>(std::min(min, max), std::max(min, max))(random));
        if (type == kVariableDecimals) {
            db.ConstantSeek(static_cast<int16_t>(block), static_cast<int16_t>(decimalsOffset(v.inputCount, row)));
            const int d = db.ConstantNoMatch() ? 0 : std::clamp(db.ConstantValue(), 0, 4);
            return QString::number(raw / std::pow(10.0, d), 'f', d);
        }
        return decimal == 0 ? QString::number(raw, 'f', 0) : QString::number(raw / 1000.0, 'f', 3);
    }
    void importComments(bool withComments)
    {
        const QString source = dir.filePath(QStringLiteral("source%1.mdb").arg(imports++));
        orvane::compare::testing::ConfigurationFile c(source);
        if (withComments) {
            c.texts(words(4).left(80).toStdString(), "IMPORTED", words(8).toStdString());
            for (int n = 0; n < 10; ++n)
                c.blockComments(static_cast<int16_t>(pick(0, 159)), words(5).toStdString(), words(3).toStdString());
        }
        c.close();
        ImportComments(nullptr, app.session(), source);
    }

    // One change of a kind picked at random (the editor may refuse it, as it refuses the user).
    void change()
    {
        EditorSession& session = app.session();
        ConfigurationTexts texts(session);
        const int block = pick(0, kBlockCount - 1);
        switch (pick(0, 11)) {
        case 0:
        case 1: {
            QString cell;
            session.model().assignFunction(block, functions[pick(0, int(functions.size()) - 1)], cell);
            break;
        }
        case 2:
        case 3:
            if (auto used = blockInUse(); used && !used->second.inputs.empty())
                session.model().commitInput(used->first, pick(1, int(used->second.inputs.size())),
                                            QString::number(pick(-1, 160)));
            break;
        case 4:
        case 5:
            if (auto used = blockInUse(); used && !used->second.params.empty()) {
                const int row = pick(1, int(used->second.params.size()));
                session.model().commitParameter(used->first, used->second.function, used->second.inputCount, row,
                                                parameterText(used->first, used->second, row));
            }
            break;
        case 6: {
            // An aux output block's choice; the first such change makes one.
            std::vector<int> aux;
            for (int b = 0; b < kBlockCount; ++b)
                if (isAuxOutputFunction(session.model().cellText(b)))
                    aux.push_back(b);
            if (aux.empty()) {
                QString cell;
                session.model().assignFunction(block, pick(0, 1) ? QStringLiteral("AABO") : QStringLiteral("DABO"),
                                               cell);
                break;
            }
            const int b = aux[size_t(pick(0, int(aux.size()) - 1))];
            const AuxChoice a = session.model().auxOutput(b, session.model().cellText(b));
            session.model().storeAuxValue(b, pick(0, std::max<int>(a.count, 3)));
            break;
        }
        case 7:
            if (pick(0, 1))
                texts.setBlockComment(block, words(6));
            else
                texts.setBlockDrawingComment(block, words(3));
            break;
        case 8:
            switch (pick(0, 2)) {
            case 0: texts.setTitle(words(5).left(80)); break;
            case 1: texts.setConfigName(words(2).left(80)); break;
            default: texts.setDescription(words(20)); break;
            }
            break;
        default: {
            // Through the quick-message grid's own connection, as the window edits it.
            QuickMessageData grid(session);
            ASSERT_TRUE(grid.Refresh()) << grid.errorText().toStdString();
            QuickMessageTable& table = *grid.model();
            if (table.rowCount() == 0)
                break;
            const QString field = QStringList{"Message", "Block", "Parameter"}[pick(0, 2)];
            const QVariant value = field == QLatin1String("Message") ? QVariant(words(2).left(pick(1, 16)))
                                                                      : QVariant(pick(0, 159));
            table.setData(table.index(pick(0, table.rowCount() - 1), table.fieldIndex(field)), value);
            break;
        }
        }
    }

    // Makes the changes, keeping the state after each step of the history; saves after
    // `saveAfter` changes when given. Returns the states, the first the sample's.
    std::vector<QString> makeChanges(std::optional<int> saveAfter)
    {
        std::vector<QString> states{state()};
        for (int n = 0; n < kChanges; ++n) {
            const int steps = stack().count();
            if (n == kChanges / 3 || n == 2 * kChanges / 3)
                importComments(n == kChanges / 3);
            else
                change();
            const QString now = state();
            if (stack().count() > steps) {
                states.push_back(now);
                EXPECT_EQ(stack().count(), steps + 1) << "change " << n << " made more than one step";
            } else {
                EXPECT_TRUE(sameText(now, states.back())) << "change " << n << " wrote without a step";
            }
            if (saveAfter && n == *saveAfter) {
                app.mainWindow().files().fileSave();
                EXPECT_TRUE(sameText(state(), states.back())) << "the save changed the configuration";
            }
        }
        return states;
    }

    QTemporaryDir dir;
    EditorApp app;
    QStringList functions;   // every name of the catalogue
    std::vector<MessageRequest> messages;
    QString chosenFile;
    std::mt19937 random{kSeed};
    int imports = 0;
    int copies = 0;
};

} // namespace

TEST_F(EditHistoryTest, RandomChangesOfEveryKindUndoneToTheSampleAndRedoneToTheirEnd_WithAndWithoutASave)
{
    const uint32_t seed = qEnvironmentVariableIsSet("ORVANE_HISTORY_SEED")
                              ? qEnvironmentVariable("ORVANE_HISTORY_SEED").toUInt()
                              : kSeed;
    SCOPED_TRACE("seed " + std::to_string(seed) + " (ORVANE_HISTORY_SEED repeats a run)");
    for (const std::optional<int> saveAfter : {std::optional<int>(), std::optional<int>(kChanges / 2)}) {
        SCOPED_TRACE(saveAfter ? "with a save in the middle" : "without a save");
        random.seed(seed);
        openSample();
        ASSERT_EQ(stack().count(), 0);
        const QString sample = orvane::formats::exportConfiguration(app.db());
        const std::vector<QString> states = makeChanges(saveAfter);
        const QString end = orvane::formats::exportConfiguration(app.db());
        const int steps = stack().count(), saved = stack().cleanIndex();
        ASSERT_GT(steps, kChanges / 2) << "most random changes should have been taken";
        ASSERT_EQ(saved > 0, saveAfter.has_value()) << "the save marks where the stack stood";
        for (int i = steps; i > 0; --i) {
            EXPECT_EQ(app.session().WorkFileChanged(), i != saved) << "at step " << i;
            stack().undo();
            ASSERT_TRUE(sameText(state(), states[size_t(i - 1)]))
                << "undo of step " << i << ": " << stack().text(i - 1).toStdString();
        }
        EXPECT_TRUE(sameText(orvane::formats::exportConfiguration(app.db()), sample));
        EXPECT_EQ(app.session().WorkFileChanged(), saved != 0) << "back at the sample";
        stack().setIndex(steps);   // one jump, as the History window makes it
        EXPECT_TRUE(sameText(state(), states.back()));
        EXPECT_TRUE(sameText(orvane::formats::exportConfiguration(app.db()), end));
        EXPECT_EQ(app.session().WorkFileChanged(), steps != saved);
        app.mainWindow().files().fileRestore();
        EXPECT_EQ(stack().count(), 0) << "Restore keeps no history";
    }
}

TEST_F(EditHistoryTest, AnUndoOrJumpTheFileRefusesIsRefusedWhole_TheFileAndTheStackStayAndTheUserIsTold)
{
    openSample();
    Form3& w = app.mainWindow();
    const QString sample = state(), title = QString::fromStdString(app.db().CommentTitle());
    ConfigurationTexts(app.session()).setTitle(QStringLiteral("Renamed"));
    QString cell;
    app.session().model().assignFunction(35, QStringLiteral("PID"), cell);
    const QString changed = state();
    ASSERT_EQ(stack().count(), 2);
    QAction* undo = w.findChild<QAction*>(QStringLiteral("mnuEditUndo"));
    EXPECT_EQ(undo->text(), QStringLiteral("&Undo Assign PID to Block 35"));
    // The quick-message grid of Configuration Info shares the file, so another program
    // (or damage) can take block 35's row away meanwhile.
    w.mnuEditComments_Click();
    const QString work = app.session().WorkFile;
    const auto damage = [&] {
        orvane::compare::testing::sql(work, R"(UPDATE "Block List" SET BlockNumber = 1035 WHERE BlockNumber = 35)");
    };
    const auto repair = [&] {
        orvane::compare::testing::sql(work, R"(UPDATE "Block List" SET BlockNumber = 35 WHERE BlockNumber = 1035)");
    };
    const QString refusal = QStringLiteral(":\rDatabase error 3021:\rNo current record.\r")
                            + QStringLiteral("The configuration and its history are as they were.");

    damage();
    messages.clear();
    undo->trigger();
    QCoreApplication::processEvents();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QStringLiteral("Cannot undo Assign PID to Block 35") + refusal);
    EXPECT_EQ(messages[0].icon, Icon::Critical);
    EXPECT_EQ(stack().index(), 2);
    EXPECT_EQ(undo->text(), QStringLiteral("&Undo Assign PID to Block 35"));
    repair();
    EXPECT_TRUE(sameText(state(), changed));

    // A jump back to the sample goes; a jump forward again, whose second step meets the
    // damage, leaves the first step's title unwritten too.
    w.mnuEditHistory_Click();
    QUndoView* view = w.historyWindow()->view();
    ASSERT_EQ(view->model()->rowCount(), 3);
    EXPECT_EQ(view->model()->index(0, 0).data().toString(), QStringLiteral("As Opened"));
    view->setCurrentIndex(view->model()->index(0, 0));
    EXPECT_EQ(stack().index(), 0);
    EXPECT_TRUE(sameText(state(), sample));
    damage();
    messages.clear();
    view->setCurrentIndex(view->model()->index(2, 0));
    QCoreApplication::processEvents();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QStringLiteral("Cannot redo Assign PID to Block 35") + refusal);
    EXPECT_EQ(stack().index(), 0);
    EXPECT_EQ(view->currentIndex().row(), 0);
    EXPECT_EQ(QString::fromStdString(app.db().CommentTitle()), title);
    EXPECT_EQ(app.session().BlockFunctions[35], kNopFunction);
    repair();
    EXPECT_TRUE(sameText(state(), sample));
    EXPECT_FALSE(app.session().WorkFileChanged());

    view->setCurrentIndex(view->model()->index(2, 0));
    EXPECT_TRUE(sameText(state(), changed));
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(w.configurationInfo()->findChild<QLineEdit*>(QStringLiteral("txtTitle"))->text(),
              QStringLiteral("Renamed"));
    w.configurationInfo()->mnuExit_Click();
}

TEST_F(EditHistoryTest, AFunctionAssignedOverRowsWithGaps_LeavesNoneBehindAndItsUndoBringsEveryOneBack)
{
    // Rows a NOP block does not own by its count (0), a gap before them and within them,
    // as another program or damage may leave them: a PID's new rows would land on them.
    chosenFile = dir.filePath(QStringLiteral("damaged.mdb"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(ORVANE_BIN_DIR "/samples/Sample Plant.mdb"), chosenFile));
    constexpr int block = 4;
    for (int offset : {1, 2, 5, 19, 20})
        orvane::compare::testing::sql(chosenFile, QStringLiteral("INSERT INTO Constants (BlockNumber, Offset, "
                                                                 "ConstantValue) VALUES (%1, %2, -%2)")
                                                      .arg(block).arg(offset).toUtf8().constData());
    app.mainWindow().files().fileOpen();
    ASSERT_EQ(app.session().GlobalFile, chosenFile);
    ASSERT_EQ(app.session().BlockFunctions[size_t(block)], kNopFunction);
    const auto rows = [&] {
        kessig::OrvaneDB& db = app.db();
        std::map<int, int32_t> found;
        for (db.ConstantMoveFirst(); !db.ConstantEOF(); db.ConstantMoveNext())
            if (db.ConstantBlockNumber() == block)
                found[db.ConstantOffset()] = db.ConstantValue();
        return found;
    };
    const auto damaged = rows();
    const QString before = state();

    QString cell;
    ASSERT_TRUE(app.session().model().assignFunction(block, QStringLiteral("PID"), cell));
    const auto assigned = rows();
    ASSERT_EQ(assigned.size(), 20u);
    EXPECT_EQ(assigned.rbegin()->first, 19);
    EXPECT_EQ(assigned.count(20), 0u);
    EXPECT_GE(assigned.at(5), 0) << "the catalogue's default, not the row that was there";

    stack().undo();
    EXPECT_EQ(rows(), damaged);
    EXPECT_TRUE(sameText(state(), before));
    stack().redo();
    EXPECT_EQ(rows(), assigned);
}
