// The live windows as a user works them, on real windows under the offscreen platform,
// against orvane-sim over a pseudo-terminal, with a real configuration and catalogue.
// Every message box is caught at the message seam.
#include "MonitorTestSupport.h"
#include "linkwin/comm/tests/CommTestSupport.h"

#include "linkwin/LinkCommands.h"
#include "linkwin/comm/TheLink.h"
#include "linkwin/monitor/FormOrvanedoor.h"
#include "linkwin/monitor/MGrid.h"
#include "linkwin/monitor/Monitor.h"
#include "linkwin/monitor/frmTag.h"
#include "linkwin/monitor/frmTrend.h"
#include "ui/MessageSeam.h"
#include "ui/SettingsStore.h"

#include "orvane/monitor/BlockTypes.h"
#include "orvane/monitor/LayoutFile.h"
#include "orvane/sim/SimulatorProcess.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QFile>
#include <QFontMetrics>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <deque>
#include <set>

using namespace brevant::linkwin;
using namespace orvane::monitor;
using namespace orvane::monitor::testing;
using orvane::transfer::testing::SimulatedController;
using orvane::transfer::testing::StoreFixture;

namespace {

// Every message box, caught at the seam by the shared test main.
QList<brevant::MessageRequest>& shown = commtest::shownMessages();

constexpr int16_t kAin = 2;    // Ftype 1
constexpr int16_t kDin = 5;    // Ftype 2
const QString kNoConnection = QStringLiteral("Could Not Connect To Target\rCheck Settings And Service Manual");

void usePort(const QString& port)
{
    orvane::link::CommSettings settings;
    settings.CommPortName = port.toStdString();
    brevant::SaveCommSettings(settings);
    shown.clear();
}

// The hidden main window the live windows stand in for, and a configuration with
// analog block 12 and discrete block 13 (block 4 runs NOP).
class LiveWindows : public ::testing::Test {
protected:
    void SetUp() override
    {
        configuration = store.newConfiguration("plant.mdb");
        store.setFunctions({{12, kAin}, {13, kDin}, {37, kAin}});
        main.setWindowTitle("Brevant - " + configuration);
        main.setGeometry(70, 20, 640, 480);   // away from the screen's middle
        main.show();
    }
    std::function<void()> countReturns()
    {
        return [this] { ++returns; };
    }

    StoreFixture store;
    QString configuration;
    QMainWindow main;
    int returns = 0;
};

// Answers the next frmTag with these entries; colour -1 keeps the default.
void answerTag(QWidget* owner, const QString& block, const QString& tag, int colour = -1, bool ok = true)
{
    QTimer::singleShot(0, owner, [=] {
        auto* dialog = owner->findChild<frmTag*>();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), "Enter Block Number And Tag");
        dialog->findChild<QLineEdit*>("txtBlock")->setText(block);
        dialog->findChild<QLineEdit*>("txtTag")->setText(tag);
        if (colour >= 0) {
            QWidget* palette = dialog->findChild<QWidget*>("picPalette");
            QTest::mouseClick(palette, Qt::LeftButton, {}, QPoint(colour * (palette->width() / 8) + 2, 4));
        }
        if (ok)
            dialog->findChild<QPushButton*>("cmdOK")->click();
        else
            dialog->reject();
    });
}

QPushButton* button(QWidget* window, const char* name) { return window->findChild<QPushButton*>(name); }

// Drags a tile with the mouse and lets it go at `at` in the tile area.
void dragTile(QLabel* label, QPoint at)
{
    QTest::mousePress(label, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(label, label->mapFromParent(at));
    QTest::mouseRelease(label, Qt::LeftButton, {}, label->mapFromParent(at));
}

// `count` clicks on `widget` through the window system, the presses `apartMs` apart by
// their time stamps (no time passes here): presses within the double-click interval
// reach the widget as double clicks, as a real mouse's do.
void systemClicks(QWidget* widget, int count, int apartMs)
{
    static ulong clock = 100'000'000;   // far past QTest's own time stamps
    QWindow* window = widget->window()->windowHandle();
    const QPoint centre = widget->rect().center();
    const QPointF at = widget->mapTo(widget->window(), centre), global = widget->mapToGlobal(centre);
    for (int i = 0; i < count; ++i) {
        qt_handleMouseEvent(window, at, global, Qt::LeftButton, Qt::LeftButton, QEvent::MouseButtonPress, {}, clock);
        qt_handleMouseEvent(window, at, global, {}, Qt::LeftButton, QEvent::MouseButtonRelease, {}, clock + 40);
        clock += ulong(std::max(apartMs, 1));
    }
    clock += 10'000;   // the next clicks start afresh
}

// The text item of the trend's chart that shows `text` whole (one cut short ends in "..."), or nullptr.
QGraphicsTextItem* drawnText(frmTrend* trend, const QString& text)
{
    for (QGraphicsItem* item : trend->chart()->scene()->items())
        if (auto* drawn = dynamic_cast<QGraphicsTextItem*>(item); drawn && drawn->isVisible() && drawn->toPlainText() == text)
            return drawn;
    return nullptr;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

// The command bytes of the frames the simulator received, in order ("21 07", "24", ...).
QStringList commandsReceived(SimulatedController& sim)
{
    QStringList commands;
    static const QRegularExpression in(QStringLiteral("^\\d+ IN (\\S\\S)(?: (\\S\\S))?"), QRegularExpression::MultilineOption);
    for (auto match = in.globalMatch(sim.log()); match.hasNext();) {
        const auto m = match.next();
        commands << (m.captured(1) == "21" ? m.captured(1) + " " + m.captured(2) : m.captured(1));
    }
    return commands;
}

} // namespace

TEST_F(LiveWindows, SelectedBlocks_TilesAddedPolledDraggedSavedRestoredAndTrended_DoneWhilePollingClosesThePort)
{
    SimulatedController sim({"--output", "12=1234", "--output", "13=1"}, "2.50", blockTable({{13, {kDin, 2}}}));
    ASSERT_TRUE(sim.started()) << sim.errorText().toStdString();
    usePort(sim.portName());

    // The dialog's own rules: defaults, and BLOCK entries that are no block give block 4.
    {
        frmTag dialog(&main);
        EXPECT_EQ(dialog.findChild<QLineEdit*>("txtBlock")->text(), "4");
        EXPECT_EQ(dialog.findChild<QLineEdit*>("txtTag")->text(), "Block 4");
        EXPECT_EQ(dialog.colour(), kPalette[4]);
        EXPECT_EQ(dialog.findChild<QLabel*>("lblSample")->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        for (const char* entry : {"160", "abc"}) {
            dialog.findChild<QLineEdit*>("txtBlock")->setText(entry);
            dialog.findChild<QPushButton*>("cmdOK")->click();
            EXPECT_EQ(dialog.block(), 4) << entry;
        }
    }
    // Wide enough for its whole caption beside the title bar's buttons; the palette is
    // reached with Tab and worked with the arrow keys, Home and End; the sample reads
    // well in every colour.
    {
        frmTag dialog(&main);
        dialog.show();
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        QFont title = dialog.font();
        title.setBold(true);
        EXPECT_GE(dialog.width(), QFontMetrics(title).horizontalAdvance(dialog.windowTitle()) + 100);
        auto* tag = dialog.findChild<QLineEdit*>("txtTag");
        tag->setFocus();
        QTest::keyClick(tag, Qt::Key_Tab);
        QWidget* palette = dialog.findChild<QWidget*>("picPalette");
        ASSERT_TRUE(palette->hasFocus());
        const auto* sample = dialog.findChild<QLabel*>("lblSample");
        const auto sampleContrast = [&] {
            const auto stored = [](QColor c) { return rgb(c.red(), c.green(), c.blue()); };
            return contrastRatio(stored(sample->palette().color(QPalette::WindowText)),
                                 stored(sample->palette().color(QPalette::Window)));
        };
        EXPECT_TRUE(sample->autoFillBackground());
        for (const auto& [key, colour] : {std::pair{Qt::Key_Right, 5}, std::pair{Qt::Key_Right, 6},
                                          std::pair{Qt::Key_End, 7}, std::pair{Qt::Key_Right, 7},
                                          std::pair{Qt::Key_Home, 0}, std::pair{Qt::Key_Left, 0},
                                          std::pair{Qt::Key_Right, 1}, std::pair{Qt::Key_Right, 2},
                                          std::pair{Qt::Key_Right, 3}, std::pair{Qt::Key_Left, 2}}) {
            QTest::keyClick(palette, key);
            EXPECT_EQ(dialog.colour(), kPalette[colour]) << "after key " << key;
            EXPECT_EQ(sample->palette().color(QPalette::WindowText), storedColour(kPalette[colour]));
            EXPECT_GE(sampleContrast(), 3.0) << "colour " << colour;
        }
        dialog.findChild<QPushButton*>("cmdOK")->click();
        EXPECT_EQ(dialog.colour(), kPalette[2]);   // yellow, taken by OK
    }

    showSelectedBlocks(&main, store.db, configuration, blockFunctions(store.db), countReturns());
    auto* monitor = main.findChild<Monitor*>();
    ASSERT_NE(monitor, nullptr);
    EXPECT_TRUE(monitor->isVisible());
    EXPECT_FALSE(main.isVisible());
    EXPECT_EQ(monitor->windowTitle(), main.windowTitle());
    EXPECT_EQ(monitor->layoutPath(), store.folder() + "/plant.mon");
    const int dpi = monitor->logicalDpiX();

    answerTag(monitor, "12", "Flow", 1);
    button(monitor, "cmdAdd")->click();
    answerTag(monitor, "160", "LIC-101 OUTPUT 1");
    button(monitor, "cmdAdd")->click();
    answerTag(monitor, "13", "Pump", 3);
    button(monitor, "cmdAdd")->click();
    answerTag(monitor, "20", "Closed", 0, false);   // closed without OK: no tile
    button(monitor, "cmdAdd")->click();
    ASSERT_EQ(monitor->tiles().count(), 3);
    QLabel* flow = monitor->tileLabel(1);
    ASSERT_NE(flow, nullptr);
    EXPECT_EQ(flow->objectName(), "analog");
    EXPECT_EQ(flow->text(), "Flow");
    EXPECT_EQ(flow->toolTip(), "Block 12");
    EXPECT_EQ(flow->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(flow->x(), pixelsFromTwips(400, dpi));
    EXPECT_EQ(monitor->tiles().at(1)->left, 400);
    EXPECT_EQ(monitor->tiles().at(1)->reading, Reading::Analog);
    EXPECT_EQ(monitor->tiles().at(2)->block, 4);
    EXPECT_EQ(monitor->tiles().at(2)->reading, Reading::Digital);   // NOP: read as digital
    EXPECT_EQ(monitor->tiles().at(2)->colour, kPalette[4]);
    EXPECT_EQ(monitor->tiles().at(3)->reading, Reading::Digital);

    button(monitor, "cmdStart")->click();
    EXPECT_FALSE(button(monitor, "cmdStart")->isEnabled());
    ASSERT_TRUE(waitUntil([&] { return flow->text() == "12.34\nFlow" && monitor->tileLabel(3)->text() == "1\nPump"; }));
    EXPECT_TRUE(theLink().port_is_open);
    EXPECT_EQ(monitor->tileLabel(2)->text(), "0\nLIC-101 OUTPUT 1");
    // A tag of sixteen characters is shown whole.
    EXPECT_LT(QFontMetrics(monitor->tileLabel(2)->font()).horizontalAdvance("LIC-101 OUTPUT 1"),
              monitor->tileLabel(2)->contentsRect().width());

    // Drops snap: X 4245 twips (pixel 283) to left 2310, X 8160 (pixel 544) to 8160, while polling.
    dragTile(flow, QPoint(283, pixelsFromTwips(2500, dpi)));
    EXPECT_EQ(monitor->tiles().at(1)->left, 2310);
    EXPECT_EQ(monitor->tiles().at(1)->top, 2450);
    EXPECT_EQ(flow->pos(), QPoint(pixelsFromTwips(2310, dpi), pixelsFromTwips(2450, dpi)));
    dragTile(monitor->tileLabel(2), QPoint(544, pixelsFromTwips(5000, dpi)));
    EXPECT_EQ(monitor->tiles().at(2)->left, 8160);
    EXPECT_EQ(monitor->tiles().at(2)->top, 4950);
    dragTile(monitor->tileLabel(3), QPoint(-40, 10));   // let go outside the area: stays
    EXPECT_EQ(monitor->tiles().at(3)->left, 400);

    // The trend draws what the passes read on a plain ground: one line per tile, each in a
    // look of its own, named in the legend by its whole tag; time from the first reading.
    monitor->findChild<QAction*>("mnuTrend")->trigger();
    frmTrend* trend = monitor->trendWindow();
    ASSERT_NE(trend, nullptr);
    EXPECT_EQ(trend->frameGeometry().center(), monitor->frameGeometry().center());
    std::vector<QLineSeries*> lines;
    for (int slot = 1; slot <= 3; ++slot)
        lines.push_back(trend->line(monitor->tiles().at(slot)->id));
    ASSERT_TRUE(waitUntil([&] { return lines[0] && lines[0]->count() >= 2; }));
    QLineSeries* flowLine = lines[0];
    EXPECT_EQ(flowLine->name(), "Flow");
    EXPECT_DOUBLE_EQ(flowLine->at(0).y(), 12.34);
    std::set<std::pair<QRgb, Qt::PenStyle>> looks;
    qreal first = flowLine->at(0).x();
    for (QLineSeries* line : lines) {
        looks.insert({line->pen().color().rgb(), line->pen().style()});
        if (line->count() > 0)
            first = std::min(first, line->at(0).x());
    }
    EXPECT_EQ(looks.size(), 3u);
    EXPECT_FALSE(trend->chart()->isPlotAreaBackgroundVisible());
    EXPECT_EQ(trend->chart()->backgroundBrush().color(), QColor(Qt::white));
    auto* time = qobject_cast<QDateTimeAxis*>(trend->chart()->axes(Qt::Horizontal).constFirst());
    ASSERT_NE(time, nullptr);
    EXPECT_EQ(time->min().toMSecsSinceEpoch(), qint64(first));
    EXPECT_GE(time->max().toMSecsSinceEpoch(), qint64(flowLine->at(flowLine->count() - 1).x()));
    QApplication::processEvents();
    for (const char* tag : {"Flow", "LIC-101 OUTPUT 1", "Pump"})
        EXPECT_NE(drawnText(trend, tag), nullptr) << tag << " is not shown whole";

    // A click on a legend entry hides its line, a second shows it again.
    const auto clickEntry = [&](const QString& tag) {
        QGraphicsTextItem* entry = drawnText(trend, tag);
        ASSERT_NE(entry, nullptr);
        QTest::mouseClick(trend->view()->viewport(), Qt::LeftButton, {},
                          trend->view()->mapFromScene(entry->sceneBoundingRect().center()));
    };
    clickEntry("Pump");
    EXPECT_FALSE(lines[2]->isVisible());
    EXPECT_TRUE(lines[0]->isVisible());
    EXPECT_NE(drawnText(trend, "Pump"), nullptr);
    clickEntry("Pump");
    EXPECT_TRUE(lines[2]->isVisible());

    // The picture and the data, saved beside the configuration under names of their own.
    QStringList proposed;
    brevant::setFileDialogHandler([&](const brevant::FileDialogRequest& request) {
        proposed << request.fileName;
        return store.folder() + (request.filter.contains("png") ? "/picture" : "/readings.csv");
    });
    button(trend, "cmdSavePicture")->click();
    button(trend, "cmdSaveData")->click();
    brevant::setFileDialogHandler({});
    EXPECT_EQ(proposed, QStringList({store.folder() + "/plant-trend.png", store.folder() + "/plant-trend.csv"}));
    EXPECT_EQ(QImage(store.folder() + "/picture.png").size(), trend->view()->size());
    const QString csv = QString::fromUtf8(fileBytes(store.folder() + "/readings.csv"));
    EXPECT_TRUE(csv.startsWith("time,block,tag,value\n")) << csv.left(80).toStdString();
    EXPECT_TRUE(csv.contains(",12,Flow,12.34\n"));
    EXPECT_TRUE(csv.contains(",4,LIC-101 OUTPUT 1,0\n"));
    EXPECT_TRUE(shown.empty());

    button(monitor, "cmdStop")->click();
    ASSERT_TRUE(waitUntil([&] { return !monitor->polling(); }));
    EXPECT_FALSE(theLink().port_is_open);
    EXPECT_TRUE(button(monitor, "cmdStart")->isEnabled());

    button(monitor, "cmdSave")->click();
    EXPECT_EQ(fileBytes(monitor->layoutPath()).size(), 850);
    std::vector<Tile> saved;
    for (int slot = 1; slot <= 3; ++slot)
        saved.push_back(*monitor->tiles().at(slot));
    button(monitor, "cmdReset")->click();
    EXPECT_EQ(monitor->tiles().count(), 0);
    EXPECT_TRUE(monitor->tileArea()->findChildren<QLabel*>("analog").isEmpty());
    button(monitor, "cmdRestore")->click();
    EXPECT_TRUE(shown.empty());
    ASSERT_EQ(monitor->tiles().count(), 3);
    for (int slot = 1; slot <= 3; ++slot) {
        const Tile* tile = monitor->tiles().at(slot);
        EXPECT_EQ(tile->block, saved[slot - 1].block);
        EXPECT_EQ(tile->tag, saved[slot - 1].tag);
        EXPECT_EQ(tile->colour, saved[slot - 1].colour);
        EXPECT_EQ(tile->left, saved[slot - 1].left);
        EXPECT_EQ(tile->top, saved[slot - 1].top);
        EXPECT_EQ(monitor->tileLabel(slot)->pos(),
                  QPoint(pixelsFromTwips(tile->left, dpi), pixelsFromTwips(tile->top, dpi)));
    }
    EXPECT_EQ(monitor->tileLabel(1)->text(), "Flow");

    // Done while polling: the busy pointer, then back to the main window with the port closed.
    button(monitor, "cmdStart")->click();
    ASSERT_TRUE(waitUntil([&] { return monitor->tileLabel(1)->text() == "12.34\nFlow"; }));
    monitor->findChild<QAction*>("mnuDone")->trigger();
    ASSERT_TRUE(waitUntil([&] { return main.isVisible(); }));
    EXPECT_FALSE(monitor->isVisible());
    EXPECT_FALSE(monitor->trendWindow()->isVisible());
    EXPECT_FALSE(theLink().port_is_open);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(returns, 1);

    // The tiles stay for the run; Done while idle (here the title bar's close) leaves at once.
    showSelectedBlocks(&main, store.db, configuration, blockFunctions(store.db), countReturns());
    EXPECT_EQ(main.findChild<Monitor*>(), monitor);
    EXPECT_EQ(monitor->tiles().count(), 3);
    monitor->close();
    EXPECT_TRUE(main.isVisible());
    EXPECT_FALSE(monitor->isVisible());
    EXPECT_EQ(returns, 2);
    EXPECT_TRUE(shown.empty());
}

TEST_F(LiveWindows, SelectedBlocks_DamagedLayoutRestoresItsSoundRecords_ResetAndAddWhilePolling)
{
    SimulatedController sim({"--output", "12=-5"});
    ASSERT_TRUE(sim.started()) << sim.errorText().toStdString();
    usePort(sim.portName());
    showSelectedBlocks(&main, store.db, configuration, blockFunctions(store.db), countReturns());
    auto* monitor = main.findChild<Monitor*>();

    TileTable tiles;
    Tile flow;
    flow.block = 12;
    flow.reading = Reading::Analog;
    flow.tag = "Flow";
    flow.left = 4260;
    flow.top = 3700;
    tiles.add(flow);
    tiles.add(flow);
    QByteArray bytes = encodeLayout(tiles);
    bytes[34 + 2] = char(200);   // record 2: block 200
    QFile file(monitor->layoutPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes.left(34 * 20));
    file.close();
    button(monitor, "cmdRestore")->click();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "The layout file " + monitor->layoutPath() +
                                 " could not be restored in full:\r"
                                 "record 2: block 200 is outside 0..159\r"
                                 "records 21 to 25: missing, the file ends after 680 bytes");
    EXPECT_EQ(shown[0].icon, brevant::Icon::Exclamation);
    ASSERT_EQ(monitor->tiles().count(), 1);
    EXPECT_EQ(monitor->tileLabel(1)->pos(), QPoint(pixelsFromTwips(4260, monitor->logicalDpiX()),
                                                   pixelsFromTwips(3700, monitor->logicalDpiX())));

    // A layout of 25 tiles: no 26th.
    TileTable full;
    for (int i = 0; i < kTileSlots; ++i)
        full.add(flow);
    ASSERT_EQ(file.open(QIODevice::WriteOnly | QIODevice::Truncate), true);
    file.write(encodeLayout(full));
    file.close();
    shown.clear();
    button(monitor, "cmdRestore")->click();
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(monitor->tiles().count(), 25);
    EXPECT_FALSE(button(monitor, "cmdAdd")->isEnabled());
    button(monitor, "cmdReset")->click();
    EXPECT_TRUE(button(monitor, "cmdAdd")->isEnabled());
    tiles.reset();
    tiles.add(flow);
    ASSERT_EQ(file.open(QIODevice::WriteOnly | QIODevice::Truncate), true);
    file.write(encodeLayout(tiles));
    file.close();
    button(monitor, "cmdRestore")->click();

    // Reset and Add Block while the passes run: the new tile is read, the old one never again.
    button(monitor, "cmdStart")->click();
    ASSERT_TRUE(waitUntil([&] { return monitor->tileLabel(1)->text() == "-0.05\nFlow"; }));
    button(monitor, "cmdReset")->click();
    answerTag(monitor, "12", "Again");
    button(monitor, "cmdAdd")->click();
    ASSERT_TRUE(waitUntil([&] { return monitor->tileLabel(1) && monitor->tileLabel(1)->text() == "-0.05\nAgain"; }));
    EXPECT_EQ(monitor->tiles().count(), 1);
    monitor->findChild<QAction*>("mnuDone")->trigger();
    ASSERT_TRUE(waitUntil([&] { return main.isVisible(); }));
    EXPECT_FALSE(theLink().port_is_open);
}

TEST_F(LiveWindows, SelectedBlocks_EveryNewTileTakesAFreePlace_WhenNoneIsLeftAddBlockSaysSo)
{
    showSelectedBlocks(&main, store.db, configuration, blockFunctions(store.db), countReturns());
    auto* monitor = main.findChild<Monitor*>();
    ASSERT_NE(monitor, nullptr);
    const int dpi = monitor->logicalDpiX();
    // Sixteen characters each, all in the default colour.
    const auto tagOf = [](int block) { return QStringLiteral("LIC-%1 OUTPUT 1").arg(100 + block); };
    const auto add = [&](int block) {
        answerTag(monitor, QString::number(block), tagOf(block));
        button(monitor, "cmdAdd")->click();
    };
    // Every tile in the area, none covering another.
    const auto expectApart = [&] {
        const QList<QLabel*> labels = monitor->tileArea()->findChildren<QLabel*>("analog");
        EXPECT_EQ(labels.size(), monitor->tiles().count());
        for (QLabel* label : labels) {
            EXPECT_TRUE(label->isVisible());
            EXPECT_TRUE(monitor->tileArea()->rect().contains(label->geometry())) << label->text().toStdString();
            for (QLabel* other : labels)
                EXPECT_TRUE(label == other || !label->geometry().intersects(other->geometry()))
                    << label->text().toStdString() << " covers " << other->text().toStdString();
        }
    };

    for (int block = 1; block <= 12; ++block)
        add(block);
    ASSERT_EQ(monitor->tiles().count(), 12);
    expectApart();
    EXPECT_EQ(monitor->tileLabel(5)->pos(), QPoint(pixelsFromTwips(2310, dpi), pixelsFromTwips(1200, dpi)));

    // A tile dragged aside leaves its place to the next new one.
    dragTile(monitor->tileLabel(1), QPoint(pixelsFromTwips(8200, dpi), pixelsFromTwips(5000, dpi)));
    add(13);
    EXPECT_EQ(monitor->tileLabel(13)->pos(), QPoint(pixelsFromTwips(400, dpi), pixelsFromTwips(1200, dpi)));
    for (int block = 14; block <= 20; ++block)
        add(block);
    ASSERT_EQ(monitor->tiles().count(), 20);
    expectApart();
    EXPECT_TRUE(shown.empty());

    // Twenty tiles of one colour in the trend at its first size: twenty lines that look
    // unlike each other, every tag whole in the legend.
    monitor->findChild<QAction*>("mnuTrend")->trigger();
    frmTrend* trend = monitor->trendWindow();
    QApplication::processEvents();
    std::set<std::pair<QRgb, Qt::PenStyle>> looks;
    for (int slot = 1; slot <= 20; ++slot) {
        const QPen pen = trend->line(monitor->tiles().at(slot)->id)->pen();
        looks.insert({pen.color().rgb(), pen.style()});
        EXPECT_NE(drawnText(trend, tagOf(monitor->tiles().at(slot)->block)), nullptr) << "slot " << slot;
    }
    EXPECT_EQ(looks.size(), 20u);
    trend->close();

    // Twenty places, all taken: said at once, without asking for a tag.
    bool asked = false;
    QTimer::singleShot(0, monitor, [&] {
        if (auto* dialog = monitor->findChild<frmTag*>()) {
            asked = true;
            dialog->reject();
        }
    });
    button(monitor, "cmdAdd")->click();
    QCoreApplication::processEvents();
    EXPECT_FALSE(asked);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Every place for a tile is taken: drag a tile aside or choose \"Reset\" to make room for another.");
    EXPECT_EQ(monitor->tiles().count(), 20);
    monitor->close();
}

TEST_F(LiveWindows, AllBlocks_GridPlacesAndFormatsEachBlock_AMissingReplyGreysItsCell_DoneClosesThePort)
{
    // Each pass reads blocks 1 (DIAG), 12, 13 and 37. Frames: 1 poll, 2-5 the first Single Poll,
    // 6 poll, then 7 block 1 and 8 block 12, whose two attempts (8, 9) go unanswered.
    SimulatedController sim({"--output", "37=-250", "--output", "13=1", "--output", "12=4321", "--output", "1=7",
                             "--drop-reply", "8", "--drop-reply", "9"},
                            "2.50", blockTable({{13, {kDin, 2}}}));
    ASSERT_TRUE(sim.started()) << sim.errorText().toStdString();
    usePort(sim.portName());
    auto table = blockFunctions(store.db);
    showAllBlocks(&main, store.db, table, countReturns());
    auto* grid = main.findChild<MGrid*>();
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->windowTitle(), main.windowTitle());
    EXPECT_FALSE(main.isVisible());
    QTableWidget* cells = grid->grid();
    const int dpi = grid->logicalDpiX();
    ASSERT_EQ(cells->rowCount(), 17);
    ASSERT_EQ(cells->columnCount(), 11);
    EXPECT_EQ(cells->item(0, 8)->text(), "7");
    EXPECT_EQ(cells->item(4, 0)->text(), "3");
    EXPECT_EQ(cells->item(16, 0)->text(), "15");
    EXPECT_EQ(cells->columnWidth(0), pixelsFromTwips(300, dpi));
    EXPECT_EQ(cells->columnWidth(10), pixelsFromTwips(850, dpi));
    EXPECT_EQ(cells->rowHeight(5), pixelsFromTwips(225, dpi));
    EXPECT_EQ(cells->item(4, 8)->text(), " ");

    button(grid, "cmdSingle")->click();
    ASSERT_TRUE(waitUntil([&] { return !grid->polling(); }));
    EXPECT_EQ(cells->item(4, 8)->text(), "-2.50");    // block 37
    EXPECT_EQ(cells->item(2, 3)->text(), "43.21");    // block 12
    EXPECT_EQ(cells->item(2, 4)->text(), "1");        // block 13, discrete
    EXPECT_EQ(cells->item(1, 2)->text(), "0.07");     // block 1, DIAG
    EXPECT_EQ(cells->item(1, 1)->text(), " ");        // block 0, SYSTEM: Ftype 0
    EXPECT_EQ(cells->item(1, 5)->text(), " ");        // block 4, NOP
    EXPECT_FALSE(theLink().port_is_open);
    EXPECT_TRUE(button(grid, "cmdSingle")->isEnabled());

    button(grid, "cmdSingle")->click();
    EXPECT_FALSE(button(grid, "cmdStart")->isEnabled());   // no second session while this one waits
    ASSERT_TRUE(waitUntil([&] { return !grid->polling(); }));
    EXPECT_EQ(cells->item(2, 3)->text(), "43.21 ?");
    EXPECT_EQ(cells->item(2, 3)->foreground().color(), QColor(0x90, 0x90, 0x90));
    EXPECT_EQ(cells->item(2, 4)->text(), "1");

    button(grid, "cmdStart")->click();
    EXPECT_TRUE(button(grid, "cmdStop")->isEnabled());
    const int before = grid->refreshes();
    ASSERT_TRUE(waitUntil([&] { return grid->refreshes() >= before + 2; }));
    EXPECT_EQ(cells->item(2, 3)->text(), "43.21");
    EXPECT_NE(cells->item(2, 3)->foreground().color(), QColor(0x90, 0x90, 0x90));
    grid->findChild<QAction*>("mnuDone")->trigger();
    ASSERT_TRUE(waitUntil([&] { return main.isVisible(); }));
    EXPECT_FALSE(grid->isVisible());
    EXPECT_FALSE(theLink().port_is_open);
    EXPECT_EQ(returns, 1);
    EXPECT_TRUE(shown.empty());

    // Shown again: every cell starts from one space.
    showAllBlocks(&main, store.db, table, countReturns());
    EXPECT_EQ(cells->item(4, 8)->text(), " ");
    grid->close();
    EXPECT_TRUE(main.isVisible());
}

namespace {
const QColor kGrey(0x90, 0x90, 0x90);

// How each value looks: "L" live (a value in its own colour), "M" missing (grey), "-" none.
QString looks(const std::vector<std::pair<QString, QColor>>& shown)
{
    QString look;
    for (const auto& [text, colour] : shown)
        look += text.trimmed().isEmpty() || !text.contains(QRegularExpression("\\d")) ? '-' : colour == kGrey ? 'M' : 'L';
    return look;
}

// Watches `look` while events run until it reads `until`; every look seen on the way.
QStringList watchUntil(const std::function<QString()>& look, const QString& until)
{
    QStringList seen;
    waitUntil([&] {
        const QString now = look();
        if (seen.isEmpty() || seen.last() != now)
            seen << now;
        return now == until;
    }, 30000);
    return seen;
}
} // namespace

TEST_F(LiveWindows, ADeadLineGreysEveryValueAtOnce_AClosedPortIsSaid_AWindowShownAgainShowsNothingAsLive)
{
    showSelectedBlocks(&main, store.db, configuration, blockFunctions(store.db), countReturns());
    auto* monitor = main.findChild<Monitor*>();
    for (const auto& [block, tag] : {std::pair{"12", "Flow"}, std::pair{"13", "Pump"}, std::pair{"37", "Level"}}) {
        answerTag(monitor, block, tag);
        button(monitor, "cmdAdd")->click();
    }
    const auto tileLooks = [&] {
        std::vector<std::pair<QString, QColor>> shown;
        for (int slot = 1; slot <= 3; ++slot)
            shown.emplace_back(monitor->tileLabel(slot)->text().section('\n', 0, -2),
                               monitor->tileLabel(slot)->palette().color(QPalette::WindowText));
        return looks(shown);
    };

    // Values of a session that has ended are not shown as live when the window comes back.
    SimulatedController live({"--output", "12=1234", "--output", "13=1", "--output", "37=-5"}, "2.50",
                             blockTable({{13, {kDin, 2}}}));
    ASSERT_TRUE(live.started());
    usePort(live.portName());
    button(monitor, "cmdStart")->click();
    ASSERT_TRUE(waitUntil([&] { return tileLooks() == "LLL"; }));
    monitor->findChild<QAction*>("mnuDone")->trigger();
    ASSERT_TRUE(waitUntil([&] { return main.isVisible(); }));
    showSelectedBlocks(&main, store.db, configuration, blockFunctions(store.db), countReturns());
    EXPECT_EQ(tileLooks(), "MMM");
    EXPECT_EQ(monitor->tileLabel(1)->text(), "12.34 ?\nFlow");

    // A controller that falls silent after the opening poll and a pass (frames 1 to 4): once
    // the first tile greys, every tile is grey.
    SimulatedController silent({"--output", "12=1234", "--output", "13=1", "--output", "37=-5", "--silent-after", "4"},
                               "2.50", blockTable({{13, {kDin, 2}}}));
    ASSERT_TRUE(silent.started());
    usePort(silent.portName());
    button(monitor, "cmdStart")->click();
    ASSERT_TRUE(waitUntil([&] { return tileLooks() == "LLL"; }));
    const QStringList tilesSeen = watchUntil(tileLooks, "MMM");
    EXPECT_EQ(tilesSeen, QStringList({"LLL", "MMM"}));
    EXPECT_TRUE(monitor->polling());   // and it goes on asking
    button(monitor, "cmdStop")->click();
    ASSERT_TRUE(waitUntil([&] { return !monitor->polling(); }));
    EXPECT_EQ(tileLooks(), "MMM");
    monitor->findChild<QAction*>("mnuDone")->trigger();

    // The grid, on a line that turns to noise after the opening poll and a pass over its
    // four blocks (frames 1 to 5). Slow replies let the pass that ends well be seen.
    SimulatedController noisy({"--output", "12=1234", "--output", "13=1", "--output", "37=-5", "--output", "1=7",
                               "--noise-after", "5", "--reply-delay", "20"},
                              "2.50", blockTable({{13, {kDin, 2}}}));
    ASSERT_TRUE(noisy.started());
    usePort(noisy.portName());
    showAllBlocks(&main, store.db, blockFunctions(store.db), countReturns());
    auto* grid = main.findChild<MGrid*>();
    const auto cellLooks = [&] {
        std::vector<std::pair<QString, QColor>> shown;
        for (int block : {1, 12, 13, 37}) {
            const QTableWidgetItem* cell = grid->grid()->item(block / 10 + 1, block % 10 + 1);
            shown.emplace_back(cell->text(), cell->foreground().color());
        }
        return looks(shown);
    };
    button(grid, "cmdStart")->click();
    ASSERT_TRUE(waitUntil([&] { return cellLooks() == "LLLL"; }));
    EXPECT_EQ(watchUntil(cellLooks, "MMMM"), QStringList({"LLLL", "MMMM"}));
    EXPECT_EQ(grid->grid()->item(2, 3)->text(), "12.34 ?");
    grid->findChild<QAction*>("mnuDone")->trigger();
    ASSERT_TRUE(waitUntil([&] { return main.isVisible(); }));
    EXPECT_TRUE(shown.empty());

    // The front panel behind a serial device server that goes away: said, greyed, closed.
    orvane::sim::SimulatorProcess server({"--tcp", "0"}, orvane::transfer::testing::binDir() + "/orvane-sim");
    ASSERT_TRUE(server.start());
    usePort(server.portName());
    FormOrvanedoor door(&main);
    door.showInstead(countReturns());
    ASSERT_TRUE(door.activate());
    ASSERT_TRUE(waitUntil([&] { return door.textDisplay()->text() == "VIEW OUTPUTS"; }));
    EXPECT_TRUE(door.lamp()->known());
    server.stop();
    ASSERT_TRUE(waitUntil([&] { return !shown.empty(); }));
    EXPECT_EQ(shown[0].text, server.portName() +
                                 ": the port was closed (the device or the device server went away); polling stopped.");
    EXPECT_EQ(door.textDisplay()->palette().color(QPalette::WindowText), kGrey);
    EXPECT_EQ(door.valueDisplay()->palette().color(QPalette::WindowText), kGrey);
    EXPECT_FALSE(door.lamp()->known());
    EXPECT_EQ(door.lamp()->colour(), kGrey);
    EXPECT_TRUE(waitUntil([&] { return main.isVisible() && !door.isVisible(); }));
    EXPECT_FALSE(theLink().port_is_open);
}

TEST_F(LiveWindows, FrontPanel_KeysOnceOrRepeated_LampAndLinesFollowReplies_TicksNeverOverlap_DoneOnTheNextTick)
{
    // The reply to frame 6 comes 700 ms late: ticks fall due meanwhile and must wait.
    SimulatedController sim({"--late-reply", "6:700"});
    ASSERT_TRUE(sim.started()) << sim.errorText().toStdString();
    usePort(sim.portName());
    FormOrvanedoor door(&main);
    door.showInstead(countReturns());
    EXPECT_TRUE(door.isVisible());
    EXPECT_FALSE(main.isVisible());
    EXPECT_EQ(door.windowTitle(), "DCX7 door");
    EXPECT_EQ(door.frameGeometry().center(), main.frameGeometry().center());
    EXPECT_EQ(door.valueDisplay()->text(), "+1.8888");
    ASSERT_TRUE(door.activate());

    // The menu's value line has length 0: its display is cleared.
    ASSERT_TRUE(waitUntil([&] { return door.textDisplay()->text() == "VIEW OUTPUTS"; }));
    EXPECT_EQ(door.valueDisplay()->text(), "");
    EXPECT_FALSE(door.lamp()->lit());
    EXPECT_EQ(door.lamp()->colour(), door.palette().color(QPalette::Window));

    // A blank controller's message 0 is a text line of length 0: the text display is cleared.
    QTest::mouseClick(door.keyButton(7), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return door.textDisplay()->text() == "VIEW MESSAGES"; }));
    QTest::mouseClick(door.keyButton(2), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return door.valueDisplay()->text() == "MSG 0"; }));
    EXPECT_EQ(door.textDisplay()->text(), "");
    EXPECT_EQ(sim.framesStartingWith("21 02 FF DC"), 1);   // one click on SEL, one frame
    QTest::keyClick(door.keyButton(8), Qt::Key_Space);   // ESC from the keyboard
    ASSERT_TRUE(waitUntil([&] { return door.textDisplay()->text() == "VIEW MESSAGES"; }));

    // Up wraps to the set-up item; SEL lights the lamp.
    QTest::mouseClick(door.keyButton(1), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return door.textDisplay()->text() == "VIEW OUTPUTS"; }));

    // Quick clicks as the window system delivers them, all before the next tick: six on
    // the down arrow 0.25 s apart (every second one comes as a double click), then a
    // double click, which is two clicks. Every click sends its key once.
    QTest::mouseClick(door.keyButton(2), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return door.textDisplay()->text() == "BLOCK 0"; }));
    const int downs = sim.framesStartingWith("21 07 FF D7");
    systemClicks(door.keyButton(7), 6, 250);
    ASSERT_TRUE(waitUntil([&] { return door.textDisplay()->text() == "BLOCK 6"; }));
    EXPECT_EQ(sim.framesStartingWith("21 07 FF D7"), downs + 6);
    systemClicks(door.keyButton(7), 2, 0);
    ASSERT_TRUE(waitUntil([&] { return door.textDisplay()->text() == "BLOCK 8"; }));
    QTest::mouseClick(door.keyButton(8), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return door.textDisplay()->text() == "VIEW OUTPUTS"; }));
    EXPECT_EQ(sim.framesStartingWith("21 07 FF D7"), downs + 8);
    QTest::mouseClick(door.keyButton(1), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return door.textDisplay()->text() == "ENTER S/M"; }));
    QTest::mouseClick(door.keyButton(2), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return door.lamp()->lit(); }));
    EXPECT_EQ(door.lamp()->colour(), QColor(255, 0, 0));
    EXPECT_EQ(door.textDisplay()->text(), "EXIT S/M");
    EXPECT_EQ(door.valueDisplay()->text(), "S/M ALL");
    EXPECT_EQ(sim.framesStartingWith("21 02 FF DC"), 3);
    QTest::mouseClick(door.keyButton(2), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !door.lamp()->lit(); }));
    EXPECT_EQ(door.lamp()->colour(), door.palette().color(QPalette::Window));

    // Ctrl + press on the down arrow: key 7 on every tick until the button is let go.
    const qsizetype pressedAt = commandsReceived(sim).size();
    const int downsBefore = sim.framesStartingWith("21 07 FF D7");
    QTest::mousePress(door.keyButton(7), Qt::LeftButton, Qt::ControlModifier);
    const int lampsBefore = sim.framesStartingWith("24 ");
    ASSERT_TRUE(waitUntil([&] { return sim.framesStartingWith("24 ") >= lampsBefore + 4; }));
    QTest::mouseRelease(door.keyButton(7), Qt::LeftButton, Qt::ControlModifier);
    const int repeats = sim.framesStartingWith("21 07 FF D7") - downsBefore;
    const int lampsAfter = sim.framesStartingWith("24 ");
    ASSERT_TRUE(waitUntil([&] { return sim.framesStartingWith("24 ") >= lampsAfter + 3; }));
    EXPECT_GE(repeats, 3);
    EXPECT_LE(sim.framesStartingWith("21 07 FF D7") - downsBefore, repeats + 1);   // a tick already under way
    QStringList commands = commandsReceived(sim);
    const qsizetype first = commands.indexOf("21 07", pressedAt), last = commands.lastIndexOf("21 07");
    const QStringList during = commands.mid(first, last - first + 1);
    EXPECT_EQ(during.count("21 07"), during.count("24") + 1);   // each tick: 21 07, 24, 22, 23

    // ESC pressed and Done chosen at once: the next tick still sends ESC, then closes.
    QTest::mouseClick(door.keyButton(8), Qt::LeftButton);
    door.findChild<QAction*>("mnuDone")->trigger();
    ASSERT_TRUE(waitUntil([&] { return main.isVisible(); }));
    EXPECT_FALSE(door.isVisible());
    EXPECT_EQ(returns, 1);
    EXPECT_FALSE(theLink().port_is_open);
    commands = commandsReceived(sim);
    EXPECT_EQ(commands.mid(commands.size() - 4), QStringList({"21 08", "24", "22", "23"}));
    // No frame went out while frame 6's reply was late.
    const QString log = sim.log();
    const qsizetype late = log.indexOf(QRegularExpression("^6 LATE", QRegularExpression::MultilineOption));
    const qsizetype answered = log.indexOf(QRegularExpression("^6 OUT", QRegularExpression::MultilineOption));
    ASSERT_GT(late, 0);
    ASSERT_GT(answered, late);
    EXPECT_FALSE(log.mid(late, answered - late).contains(" IN "));

    // From the View menu the window is modal: Done ends it.
    QTimer::singleShot(400, [&] {
        for (auto* window : main.findChildren<FormOrvanedoor*>())
            if (window != &door) {
                EXPECT_TRUE(window->isVisible());
                EXPECT_TRUE(window->isModal());
                window->findChild<QAction*>("mnuDone")->trigger();
            }
    });
    showFrontPanel(&main, countReturns());
    EXPECT_EQ(returns, 2);
    EXPECT_TRUE(main.isVisible());
    EXPECT_FALSE(theLink().port_is_open);
    EXPECT_EQ(main.findChildren<FormOrvanedoor*>().size(), 1);
    EXPECT_TRUE(shown.empty());
}

TEST_F(LiveWindows, WithoutPortOrController_EachWindowSaysWhyAndStaysIdleOrGoesBack)
{
    // The link's own box, shown for real: over the front panel, which stands over the main
    // window's middle.
    usePort("/dev/orvane-no-such-port");
    QString boxText;
    QPoint boxCentre;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(window); box && box->isVisible()) {
                boxText = box->text();
                boxCentre = box->frameGeometry().center();
                box->accept();
            }
    });
    watch.start(10);
    brevant::setMessageHandler({});
    showFrontPanel(&main, countReturns());
    brevant::setMessageHandler([](const brevant::MessageRequest& request) {
        shown << request;
        return brevant::Answer::Ok;
    });
    watch.stop();
    EXPECT_TRUE(boxText.startsWith("/dev/orvane-no-such-port: not available: there is no such device. "))
        << boxText.toStdString();
    EXPECT_LE((boxCentre - main.frameGeometry().center()).manhattanLength(), 4)
        << boxCentre.x() << "," << boxCentre.y() << " against " << main.frameGeometry().center().x() << ","
        << main.frameGeometry().center().y();
    EXPECT_TRUE(main.isVisible());
    EXPECT_EQ(returns, 1);

    // Both attempts of each window's opening poll: the front panel's, the grid's, the monitor's.
    SimulatedController sim({"--garble", "1", "--garble", "2", "--garble", "3", "--garble", "4", "--garble", "5",
                             "--garble", "6"});
    ASSERT_TRUE(sim.started()) << sim.errorText().toStdString();
    usePort(sim.portName());
    showFrontPanel(&main, countReturns());
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, kNoConnection);
    EXPECT_TRUE(main.isVisible());
    EXPECT_FALSE(theLink().port_is_open);

    shown.clear();
    showAllBlocks(&main, store.db, blockFunctions(store.db), countReturns());
    auto* grid = main.findChild<MGrid*>();
    button(grid, "cmdStart")->click();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, kNoConnection);
    EXPECT_TRUE(button(grid, "cmdStart")->isEnabled());
    EXPECT_TRUE(button(grid, "cmdSingle")->isEnabled());
    EXPECT_FALSE(theLink().port_is_open);
    grid->findChild<QAction*>("mnuDone")->trigger();

    shown.clear();
    showSelectedBlocks(&main, store.db, configuration, blockFunctions(store.db), countReturns());
    auto* monitor = main.findChild<Monitor*>();
    button(monitor, "cmdStart")->click();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, kNoConnection);
    EXPECT_TRUE(button(monitor, "cmdStart")->isEnabled());
    EXPECT_FALSE(theLink().port_is_open);
    monitor->findChild<QAction*>("mnuDone")->trigger();
    EXPECT_TRUE(main.isVisible());

    // Done while the opening poll waits in vain: the message, then back with the port closed.
    SimulatedController deaf({"--drop-reply", "1", "--drop-reply", "2"});
    ASSERT_TRUE(deaf.started());
    usePort(deaf.portName());
    showAllBlocks(&main, store.db, blockFunctions(store.db), countReturns());
    QTimer::singleShot(200, grid, [grid] { grid->findChild<QAction*>("mnuDone")->trigger(); });
    const int before = returns;
    button(grid, "cmdStart")->click();
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_TRUE(main.isVisible());
    EXPECT_FALSE(grid->isVisible());
    EXPECT_EQ(returns, before + 1);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(theLink().port_is_open);
}

TEST_F(LiveWindows, SelectedBlocks_ATagTheLayoutFileCannotKeepIsNamedWhenTypedAndWhenSaved)
{
    std::deque<brevant::Answer> answers;
    brevant::setMessageHandler([&](const brevant::MessageRequest& request) {
        shown << request;
        const brevant::Answer answer = answers.empty() ? brevant::Answer::Ok : answers.front();
        if (!answers.empty())
            answers.pop_front();
        return answer;
    });
    shown.clear();
    showSelectedBlocks(&main, store.db, configuration, blockFunctions(store.db), countReturns());
    auto* monitor = main.findChild<Monitor*>();
    ASSERT_NE(monitor, nullptr);
    const QString tag = QStringLiteral("PV \u03A9 \u00B0C");
    const QString named = QString::fromUtf8(kTagsOutsideCp1252) + QStringLiteral("\r%1 \"PV \u03A9 \u00B0C\": \u03A9\r\r%2");

    // Cancel leaves the dialog open for another tag; OK keeps this one.
    answers = {brevant::Answer::Cancel, brevant::Answer::Ok};
    bool stillOpen = false;
    QTimer::singleShot(0, monitor, [&] {
        auto* dialog = monitor->findChild<frmTag*>();
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QLineEdit*>("txtBlock")->setText("12");
        dialog->findChild<QLineEdit*>("txtTag")->setText(tag);
        dialog->findChild<QPushButton*>("cmdOK")->click();
        stillOpen = dialog->isVisible();
        dialog->findChild<QPushButton*>("cmdOK")->click();
    });
    button(monitor, "cmdAdd")->click();
    EXPECT_TRUE(stillOpen);
    ASSERT_EQ(shown.size(), 2);
    for (const auto& question : shown) {
        EXPECT_EQ(question.text, named.arg("tag", "Keep this tag?"));
        EXPECT_EQ(question.buttons, brevant::Buttons::OkCancel);
    }
    ASSERT_EQ(monitor->tiles().count(), 1);
    EXPECT_EQ(monitor->tiles().at(1)->tag, tag);

    // Saving asks again; Cancel writes nothing, OK writes the tag with "?".
    shown.clear();
    answers = {brevant::Answer::Cancel};
    button(monitor, "cmdSave")->click();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0].text, named.arg("tile 1 tag", "Save the layout anyway?"));
    EXPECT_FALSE(QFile::exists(monitor->layoutPath()));
    button(monitor, "cmdSave")->click();
    EXPECT_EQ(fileBytes(monitor->layoutPath()).mid(6, 16), QByteArray("PV ? \xB0" "C         "));
    button(monitor, "cmdRestore")->click();
    EXPECT_EQ(monitor->tiles().at(1)->tag, QStringLiteral("PV ? \u00B0C"));
    EXPECT_EQ(shown.size(), 2);

    brevant::setMessageHandler([](const brevant::MessageRequest& request) {
        shown << request;
        return brevant::Answer::Ok;
    });
    monitor->close();
}
