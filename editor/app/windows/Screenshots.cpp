#include "Screenshots.h"

#include "EditorApp.h"
#include "FlowCommands.h"
#include "FlowWindows.h"
#include "frmPrintOptions.h"
#include "linkwin/comm/TheLink.h"
#include "linkwin/monitor/FormOrvanedoor.h"
#include "linkwin/monitor/MGrid.h"
#include "linkwin/monitor/Monitor.h"
#include "linkwin/transfer/SeamReporter.h"
#include "orvane/link/PortList.h"
#include "orvane/transfer/Commands.h"
#include "ui/MessageSeam.h"
#include "ui/SettingsStore.h"

#include <QAction>
#include <QComboBox>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTableWidget>
#include <QTimer>

#include <functional>

namespace brevant {

namespace {

// The simulator answers within milliseconds; these only bound a run that went wrong.
constexpr int kWindowMs = 5000;
constexpr int kPollMs = 20000;
// Long enough for the tiles' trend to draw a few points.
constexpr int kMonitorMs = 4000;

// Lets the program run until ready() holds or ms have passed.
bool waitFor(const std::function<bool()>& ready, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!ready()) {
        if (clock.elapsed() > ms)
            return false;
        QEventLoop pause;
        QTimer::singleShot(20, &pause, &QEventLoop::quit);
        pause.exec();
    }
    return true;
}

QWidget* shownWindow(const QString& name)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == name && w->isVisible())
            return w;
    return nullptr;
}

void trigger(QWidget* window, const char* action) { window->findChild<QAction*>(QString::fromLatin1(action))->trigger(); }
void click(QWidget* window, const char* button) { window->findChild<QPushButton*>(QString::fromLatin1(button))->click(); }

class Pictures {
public:
    Pictures(EditorApp& app, const QString& folder) : app_(app), folder_(folder) {}

    void take(QWidget* window, const QString& name)
    {
        QApplication::processEvents();
        if (!window || !window->grab().save(folder_ + QLatin1Char('/') + name + QStringLiteral(".png"))) {
            qWarning("no picture of %s", qPrintable(name));
            ++failures;
        }
    }

    // Block Data mode (a block selected, then an edit box holding sixteen characters),
    // Function Type mode, and that mode again once a download's warning was cancelled, at
    // the window's first size and at 1280 x 1024.
    void mainWindow()
    {
        Form3& w = app_.mainWindow();
        const int block = blockWithInputs();
        qWarning("first size %dx%d, least %dx%d", w.width(), w.height(), w.minimumSizeHint().width(),
                 w.minimumSizeHint().height());
        const QSize first = w.size();
        for (const QString& size : {QStringLiteral("first"), QStringLiteral("1280x1024")}) {
            if (size != QLatin1String("first"))
                w.resize(1280, 1024);
            w.BlockDataMode();
            w.selectBlock(block);
            w.Grid1_Click();
            take(&w, QStringLiteral("block-data-") + size);
            auto* grid3 = w.findChild<QTableWidget*>(QStringLiteral("Grid3"));
            auto* box = w.findChild<QLineEdit*>(QStringLiteral("txtEdit1"));
            grid3->setCurrentCell(0, 0);
            w.FlexGridEdit(grid3, box, ' ');
            box->setText(QStringLiteral("TANK LOW LEVEL 1"));
            take(&w, QStringLiteral("edit-box-") + size);
            w.EditKeyCode(grid3, box, Qt::Key_Escape);
            w.FunctionTypeMode();
            take(&w, QStringLiteral("function-type-") + size);
            w.BlockDataMode();
            QTimer::singleShot(0, [] {
                if (QWidget* warning = shownWindow(QStringLiteral("frmWarn")))
                    click(warning, "cmdCancel");
            });
            click(&w, "Command1");
            w.FunctionTypeMode();
            take(&w, QStringLiteral("after-download-warning-") + size);
        }
        w.resize(first);
        w.BlockDataMode();
    }

    // "Name, Comments, Quick Menu" with the keyboard on the description's preview, at its
    // first size and at 1280 x 1024; the block comments; the print options.
    void textWindows()
    {
        Form3& w = app_.mainWindow();
        w.mnuEditComments_Click();
        QWidget* info = shownWindow(QStringLiteral("frmGeneral"));
        if (info) {
            info->activateWindow();
            waitFor([&] { return info->isActiveWindow(); }, kWindowMs);
            if (auto* preview = info->findChild<QWidget*>(QStringLiteral("Text1")))
                preview->setFocus();
        }
        take(info, QStringLiteral("configuration-info"));
        if (info) {
            const QSize first = info->size();
            info->resize(1280, 1024);
            take(info, QStringLiteral("configuration-info-1280x1024"));
            info->resize(first);
            trigger(info, "mnuExit");
        }
        w.selectBlock(blockWithInputs());
        w.Grid1_Click();
        QTimer::singleShot(0, [this] {
            QWidget* comments = shownWindow(QStringLiteral("FormComment"));
            take(comments, QStringLiteral("block-comments"));
            if (!comments)
                return;
            comments->resize(1280, 1024);
            take(comments, QStringLiteral("block-comments-1280x1024"));
            trigger(comments, "mnuExit");
        });
        w.txtCmt_Click();
        w.munFilePrint_Click();
        take(w.printOptions(), QStringLiteral("print-options"));
        if (w.printOptions())
            w.printOptions()->close();
    }

    // The check's findings; the signal flow of the whole configuration at its first size
    // and at 1280 x 1024, then of the blocks two links around the first loop.
    void flowWindows()
    {
        Form3& w = app_.mainWindow();
        w.selectBlock(blockWithInputs());
        w.Grid1_Click();
        w.flow()->mnuEditCheck_Click();
        take(w.flow()->checkWindow(), QStringLiteral("check"));
        if (w.flow()->checkWindow())
            w.flow()->checkWindow()->close();
        w.flow()->mnuViewFlow_Click();
        frmFlow* flow = w.flow()->flowWindow();
        take(flow, QStringLiteral("signal-flow-first"));
        if (!flow)
            return;
        flow->resize(1280, 1024);
        take(flow, QStringLiteral("signal-flow-1280x1024"));
        flow->scope()->setCurrentIndex(1);
        take(flow, QStringLiteral("signal-flow-around"));
        flow->close();
    }

    // The configuration into the simulator, whose outputs then move as its blocks' do.
    void downloadToSimulator(const QString& file)
    {
        class Proceed : public orvane::transfer::Operator {
            bool confirmDownload() override { return true; }
            bool askYesNo(const std::string&) override { return false; }
        } user;
        linkwin::SeamReporter reporter(&app_.mainWindow());
        // Pictures for the manual are no transfer anyone made.
        orvane::transfer::NoTransferLog noLog;
        if (orvane::transfer::CMDDWNLD_Click(linkwin::theLink(), app_.db(), file.toStdString(), reporter, user, noLog)
            != orvane::transfer::Outcome::Completed)
            qWarning("the download into the simulator failed; the live windows show no movement");
    }

    // The screen with the main window, then with the all-blocks grid after one poll of
    // every block over its middle.
    void allBlocks()
    {
        takeScreen(QStringLiteral("screen-main"));
        auto* grid = openLive<linkwin::MGrid>("mnuViewAll");
        if (!grid)
            return take(nullptr, QStringLiteral("all-blocks"));
        const int before = grid->refreshes();
        click(grid, "cmdSingle");
        waitFor([&] { return !grid->polling() && grid->refreshes() > before; }, kPollMs);
        take(grid, QStringLiteral("all-blocks"));
        takeScreen(QStringLiteral("screen-all-blocks"));
        leave(grid);
    }

    // The sample's tiles restored and two more added with the dialog (whose picture is
    // taken with yellow chosen from the keyboard), polled for a while; the trend at its
    // first size and at 1280 x 1024.
    void selectedBlocks()
    {
        auto* monitor = openLive<linkwin::Monitor>("mnuViewSel");
        if (!monitor)
            return take(nullptr, QStringLiteral("selected-blocks"));
        click(monitor, "cmdRestore");
        for (const QString& tag : {QStringLiteral("LIC-101 OUTPUT 1"), QStringLiteral("TT-201 TEMP")})
            addTile(monitor, tag);
        click(monitor, "cmdStart");
        waitFor([] { return false; }, kMonitorMs);
        trigger(monitor, "mnuTrend");
        take(monitor, QStringLiteral("selected-blocks"));
        takeScreen(QStringLiteral("screen-selected-blocks"));
        if (QWidget* trend = shownWindow(QStringLiteral("frmTrend"))) {
            take(trend, QStringLiteral("trend"));
            const QSize first = trend->size();
            trend->resize(1280, 1024);
            take(trend, QStringLiteral("trend-1280x1024"));
            trend->resize(first);
            trend->close();
        } else {
            take(nullptr, QStringLiteral("trend"));
        }
        leave(monitor);
    }

    // The front panel runs modal, so a timer works its keys as a user would: SEL for the
    // outputs, then down to the block the main window showed; it takes the picture and leaves.
    void frontPanel()
    {
        Form3& w = app_.mainWindow();
        const int block = blockWithInputs();
        const QString wanted = QStringLiteral("BLOCK %1").arg(block);
        QElapsedTimer clock;
        clock.start();
        QString pressedAt;
        QTimer check;
        QObject::connect(&check, &QTimer::timeout, [&] {
            auto* door = w.findChild<linkwin::FormOrvanedoor*>();
            const QString shown = door ? door->textDisplay()->text() : QString();
            if (door && door->polling() && shown != wanted && shown != pressedAt && clock.elapsed() < kPollMs) {
                using orvane::monitor::DoorPanel;
                QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
                QCoreApplication::sendEvent(door->keyButton(shown.startsWith(QStringLiteral("BLOCK")) ? DoorPanel::kDown
                                                                                                      : DoorPanel::kSelect),
                                            &space);
                pressedAt = shown;
            }
            if (shown != wanted && clock.elapsed() < kPollMs)
                return;
            check.stop();
            take(door, QStringLiteral("front-panel"));
            takeScreen(QStringLiteral("screen-front-panel"));
            if (door)
                trigger(door, "mnuDone");
        });
        check.start(50);
        trigger(&w, "mnuViewDCX7");
        if (check.isActive()) {
            check.stop();
            take(nullptr, QStringLiteral("front-panel"));
        }
    }

    int failures = 0;

private:
    // The first block past the fixed ones whose function has inputs, so both grids show rows.
    int blockWithInputs()
    {
        kessig::OrvaneDB& db = app_.db();
        db.FuncSetIndex("FN");
        for (int b = 4; b < 160; ++b) {
            db.FuncSeekI(app_.session().BlockFunctions[b]);
            if (!db.FuncNoMatch() && db.FuncInputs() > 0)
                return b;
        }
        return 0;
    }

    // The whole screen, where the windows stand on it.
    void takeScreen(const QString& name)
    {
        QApplication::processEvents();
        QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen || !screen->grabWindow(0).save(folder_ + QLatin1Char('/') + name + QStringLiteral(".png"))) {
            qWarning("no picture of %s", qPrintable(name));
            ++failures;
        }
    }

    // "Add Block", the dialog answered as a user would: the tag typed, Tab to the colour
    // palette and yellow chosen with the arrow keys; its picture taken before "OK".
    void addTile(QWidget* monitor, const QString& tag)
    {
        QTimer::singleShot(0, [this, tag] {
            QWidget* dialog = shownWindow(QStringLiteral("frmTag"));
            if (!dialog)
                return take(nullptr, QStringLiteral("tag-dialog"));
            dialog->findChild<QLineEdit*>(QStringLiteral("txtTag"))->setText(tag);
            QWidget* palette = dialog->findChild<QWidget*>(QStringLiteral("picPalette"));
            palette->setFocus();
            for (const auto key : {Qt::Key_Home, Qt::Key_Right, Qt::Key_Right}) {
                QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
                QCoreApplication::sendEvent(palette, &press);
            }
            take(dialog, QStringLiteral("tag-dialog"));
            takeScreen(QStringLiteral("screen-tag-dialog"));
            click(dialog, "cmdOK");
        });
        click(monitor, "cmdAdd");
    }

    // A live window opened from the View menu; nullptr when it did not come up.
    template <class Window> Window* openLive(const char* action)
    {
        Form3& w = app_.mainWindow();
        trigger(&w, action);
        auto* window = w.findChild<Window*>();
        return window && window->isVisible() ? window : nullptr;
    }

    // Done, and back to the main window once the last exchange has returned.
    void leave(QWidget* live)
    {
        trigger(live, "mnuDone");
        waitFor([&] { return app_.mainWindow().isVisible(); }, kWindowMs);
    }

    EditorApp& app_;
    QString folder_;
};

} // namespace

ScreenshotRun::ScreenshotRun(QString folder, QString file) : folder_(std::move(folder)), file_(std::move(file))
{
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings_.path());
}

int ScreenshotRun::run(EditorApp& app)
{
    setFileDialogHandler([this](const FileDialogRequest&) { return file_; });
    setMessageHandler([](const MessageRequest& r) {
        qWarning("message: %s", qPrintable(r.text));
        return Answer::No;
    });
    orvane::link::CommSettings comm = LoadCommSettings();
    comm.CommPortName = std::string(orvane::link::kSimulatorPortName);
    SaveCommSettings(comm);

    Form3& w = app.mainWindow();
    if (!w.files().OpenExistingFile())
        return 1;
    w.FillBlockMap();
    w.markActivationHandled();
    w.show();
    QDir().mkpath(folder_);
    Pictures pictures(app, folder_);
    pictures.mainWindow();
    pictures.textWindows();
    pictures.flowWindows();
    pictures.downloadToSimulator(file_);
    pictures.allBlocks();
    pictures.selectedBlocks();
    pictures.frontPanel();
    app.session().deleteWorkFile();
    return pictures.failures == 0 ? 0 : 1;
}

} // namespace brevant
