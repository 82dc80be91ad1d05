// The main window while a download or upload talks to orvane-sim: the commands that
// would open, close, change or save the configuration, undo and the history included,
// are out of reach, the transfer can be cancelled from its progress window (centred on
// the main window), and the status bar says when a transfer has completed.

#include "EditorApp.h"
#include "SimSupport.h"
#include "HistoryCommands.h"
#include "TestEnvironment.h"
#include "TransferHistoryWindow.h"
#include "core/CompareRun.h"
#include "core/ConfigurationTexts.h"
#include "linkwin/transfer/HistorySetting.h"
#include "ui/MessageSeam.h"
#include "ui/SettingsStore.h"

#include "orvane/compare/testing/OpenedDocuments.h"
#include "orvane/record/TransferHistory.h"
#include "orvane/transfer/Texts.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QUndoView>

#include <functional>
#include <memory>

using namespace brevant;
using namespace orvane::transfer;
using namespace orvane::transfer::testing;

namespace {

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs `check` once, as soon as the progress window of a running transfer is up.
class WhileTransferRuns {
public:
    WhileTransferRuns(Form3& window, std::function<void(QWidget*)> check) : check_(std::move(check))
    {
        timer_.setInterval(20);
        QObject::connect(&timer_, &QTimer::timeout, [this, &window] {
            QWidget* progress = window.findChild<QWidget*>("frmProgress");
            if (progress && progress->isVisible()) {
                timer_.stop();
                check_(progress);
                ran = true;
            }
        });
        timer_.start();
    }
    bool ran = false;

private:
    std::function<void(QWidget*)> check_;
    QTimer timer_;
};

class TransferFromTheMainWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::application();
        setMessageHandler([this](const MessageRequest& r) {
            messages.push_back(r);
            return r.buttons == brevant::Buttons::YesNo ? brevant::Answer::Yes : brevant::Answer::Ok;
        });
        setFileDialogHandler([this](const FileDialogRequest& r) {
            dialogs.push_back(r);
            return chosenFile;
        });
        const QString error = app.start(QStringLiteral(ORVANE_BIN_DIR));
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
        w().markActivationHandled();
        w().resize(1000, 700);
        w().show();
    }
    void TearDown() override
    {
        setMessageHandler({});
        setFileDialogHandler({});
    }

    // The plant (a PID and a DSPGROUP with messages), closed, and the memory a
    // download of it leaves.
    QString makePlant(const QString& name)
    {
        const QString path = store.newConfiguration(name);
        store.setFunctions({{4, 10}, {5, 96}});
        store.setConstant(4, 7 + 3, -1);
        store.setMessage(2, "TANK LOW");
        plantMemory = expectedMemory(store.read(), store.catalogue);
        store.close();
        return path;
    }
    void open(const QString& path)
    {
        chosenFile = path;
        ASSERT_TRUE(w().files().OpenExistingFile());
        w().FillBlockMap();
    }
    void useController(const SimulatedController& sim)
    {
        orvane::link::CommSettings settings;
        settings.CommPortName = sim.portName().toStdString();
        SaveCommSettings(settings);
    }
    // Presses Continue in the download warning once it is up.
    void continueInTheWarning()
    {
        QTimer::singleShot(0, [] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (top->objectName() == "frmWarn" && top->isVisible())
                    top->findChild<QPushButton*>("cmdContinue")->click();
        });
    }
    bool enabled(const char* action) { return w().findChild<QAction*>(action)->isEnabled(); }
    void trigger(const char* action) { w().findChild<QAction*>(action)->trigger(); }
    QPushButton* downloadButton() { return w().findChild<QPushButton*>("Command1"); }
    QString status() { return w().statusBar()->currentMessage(); }

    Form3& w() { return app.mainWindow(); }

    StoreFixture store;
    std::map<int, std::vector<uint8_t>> plantMemory;
    EditorApp app;
    std::vector<MessageRequest> messages;
    std::vector<FileDialogRequest> dialogs;
    QString chosenFile;
};

const char* const kHeldOff[] = {"mnuFileNew", "mnuFileOpen", "mnuFileSave", "mnuFileSaveAs", "mnuFileRestore",
                                "mnuFileUpload", "mnuFileDownload", "mnuFileVerify", "mnuRecentFile1",
                                "mnuFormExit", "mnuEditCfg", "mnuEditUndo"};

} // namespace

TEST_F(TransferFromTheMainWindow, UploadRunning_HoldsOffTheFileCommandsAndExit_CancelChangesNothing)
{
    makePlant("plant.mdb");
    const QString a = store.newConfiguration("a.mdb");
    store.close();
    open(a);
    const QByteArray before = fileBytes(a);
    dialogs.clear();
    // A change to undo, which the upload holds off and then makes history.
    ConfigurationTexts(app.session()).setTitle("Before the upload");
    const uint64_t writes = app.db().WriteCount();
    w().mnuEditHistory_Click();
    frmHistory* history = w().historyWindow();
    EXPECT_TRUE(enabled("mnuEditUndo"));
    // Block page 2 is answered 1.2 s late: time to look around while the upload runs.
    SimulatedController sim({"--late-reply", "5:1200"}, "2.50", plantMemory);
    useController(sim);

    WhileTransferRuns duringUpload(w(), [&](QWidget* progress) {
        for (const char* name : kHeldOff)
            EXPECT_FALSE(enabled(name)) << name;
        EXPECT_FALSE(history->view()->isEnabled());
        EXPECT_FALSE(downloadButton()->isEnabled());
        EXPECT_FALSE(w().findChild<QTableWidget*>("Grid2")->isEnabled());
        EXPECT_TRUE(w().findChild<QTableWidget*>("Grid1")->isEnabled()) << "the block map can still be browsed";
        trigger("mnuFileOpen");
        EXPECT_TRUE(dialogs.empty()) << "Open ran during the upload";
        w().close();
        EXPECT_TRUE(w().isVisible()) << "the window closed during the upload";
        EXPECT_EQ(status(), "A transfer is running: cancel it in its progress window first.");
        progress->findChild<QPushButton*>("cmdCancel")->click();
    });
    trigger("mnuFileUpload");
    ASSERT_TRUE(duringUpload.ran);
    ASSERT_EQ(messages.size(), 2u);  // the question, then the cancel
    EXPECT_EQ(messages[1].text, QString::fromStdString(texts::kUploadCancelled));
    EXPECT_EQ(app.db().WriteCount(), writes);
    EXPECT_TRUE(enabled("mnuEditUndo")) << "a cancelled upload changed nothing, the history stays";
    EXPECT_EQ(app.session().BlockFunctions[4], 127);
    EXPECT_EQ(fileBytes(a), before);
    EXPECT_NE(status(), "Upload complete");
    for (const char* name : kHeldOff)
        EXPECT_TRUE(enabled(name) || std::string(name) == "mnuRecentFile1") << name;
    EXPECT_TRUE(downloadButton()->isEnabled());

    messages.clear();
    trigger("mnuFileUpload");
    ASSERT_EQ(messages.size(), 1u) << messages.back().text.toStdString();
    EXPECT_EQ(status(), "Upload complete");
    EXPECT_EQ(app.session().history().stack().count(), 0) << "the upload keeps no history";
    EXPECT_FALSE(enabled("mnuEditUndo"));
    EXPECT_EQ(app.session().BlockFunctions[4], 10);
    EXPECT_NE(fileBytes(a), before) << "the upload was not saved";
}

TEST_F(TransferFromTheMainWindow, Download_ProgressCentredOnTheWindow_CompleteInTheStatusBar_CancelledNeverEnded)
{
    open(makePlant("plant.mdb"));
    {
        SimulatedController sim({"--late-reply", "6:600"});
        useController(sim);
        WhileTransferRuns duringDownload(w(), [&](QWidget* progress) {
            EXPECT_FALSE(downloadButton()->isEnabled());
            const QPoint offset = progress->frameGeometry().center() - w().frameGeometry().center();
            EXPECT_LE(offset.manhattanLength(), 4) << offset.x() << "," << offset.y();
        });
        continueInTheWarning();
        downloadButton()->click();
        EXPECT_TRUE(duringDownload.ran);
        EXPECT_TRUE(messages.empty()) << messages.front().text.toStdString();
        EXPECT_EQ(status(), "Download complete");
        EXPECT_TRUE(downloadButton()->isEnabled());
        const auto memory = sim.stopAndReadMemory();
        for (int area : {3, 4, 6, 9})
            EXPECT_EQ(memory.at(area), plantMemory.at(area)) << area;
    }
    // Cancelled while the first message page (frame 3) waits for its late reply: stopped
    // after that page, like a lost page.
    SimulatedController sim({"--late-reply", "3:600"});
    useController(sim);
    WhileTransferRuns cancel(w(), [](QWidget* progress) { progress->findChild<QPushButton*>("cmdCancel")->click(); });
    continueInTheWarning();
    trigger("mnuFileDownload");
    ASSERT_TRUE(cancel.ran);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text.toStdString(), texts::cancelledDownload("messages"));
    EXPECT_EQ(messages[0].icon, brevant::Icon::Critical);
    EXPECT_EQ(sim.framesStartingWith("02"), 1);
    EXPECT_EQ(sim.framesStartingWith("08"), 0);
    EXPECT_EQ(status(), "");
}

TEST_F(TransferFromTheMainWindow, FileHistory_ListsTheFilesTransfers_ComparesAndRestoresAnEntry_AndTakesASharedFolder)
{
    const QString plant = makePlant("plant.mdb");
    open(plant);
    SimulatedController sim;
    useController(sim);
    linkwin::setSharedHistoryFolder({});
    // Only this test's transfers: the earlier ones used a pseudo-terminal of the same name.
    QDir(orvane::record::historyFolder({})).removeRecursively();
    continueInTheWarning();
    trigger("mnuFileDownload");
    ASSERT_EQ(status(), "Download complete");
    trigger("mnuFileVerify");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Configuration matches");
    messages.clear();

    QTemporaryDir shared;
    orvane::compare::testing::OpenedDocuments opened;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &opened, "open");
    bool looked = false;
    const auto lookAround = [&](frmTransferHistory* window) {
        looked = true;
        EXPECT_EQ(window->windowTitle(), "Transfer History");
        QTableWidget* grid = window->entries();
        ASSERT_EQ(grid->rowCount(), 2);
        EXPECT_EQ(grid->item(0, 1)->text(), "verify");
        EXPECT_EQ(grid->item(1, 1)->text(), "download");
        EXPECT_EQ(grid->item(1, 2)->text(), "complete");
        EXPECT_EQ(grid->item(1, 3)->text(), QFileInfo(plant).canonicalFilePath());
        grid->selectRow(1);

        // The recorded download against the open file: the compare's log, nothing differs.
        QFile::remove(compareLogPath());
        window->compareWithOpenFile();
        EXPECT_EQ(opened.urls, (QList<QUrl>{QUrl::fromLocalFile(compareLogPath())}));
        QFile log(compareLogPath());
        ASSERT_TRUE(log.open(QIODevice::ReadOnly));
        const QByteArray text = log.readAll();
        EXPECT_TRUE(text.contains("FILE 2 " + plant.toUtf8())) << text.toStdString();
        EXPECT_FALSE(text.contains("Different")) << text.toStdString();

        chosenFile = store.folder() + "/restored.mdb";
        dialogs.clear();
        window->restoreAsNewFile();
        ASSERT_EQ(dialogs.size(), 1u);
        EXPECT_EQ(dialogs[0].kind, FileDialogKind::Save);
        EXPECT_TRUE(dialogs[0].fileName.endsWith(".mdb"));
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_TRUE(messages[0].text.endsWith("restored into " + chosenFile + ".")) << messages[0].text.toStdString();
        EXPECT_TRUE(QFileInfo::exists(chosenFile));

        // A team's folder: nothing recorded there yet.
        window->findChild<QLineEdit*>("txtSharedFolder")->setText(shared.path());
        window->useFolder(shared.path());
        EXPECT_EQ(grid->rowCount(), 0);
    };
    QTimer::singleShot(0, [&] {
        auto* window = w().findChild<frmTransferHistory*>("frmTransferHistory");
        if (window) {
            lookAround(window);
            window->accept();
        }
    });
    trigger("mnuFileHistory");
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    ASSERT_TRUE(looked);
    EXPECT_EQ(linkwin::sharedHistoryFolder(), shared.path());

    // From now on the transfers go into the shared folder.
    trigger("mnuFileVerify");
    const auto entries = orvane::record::TransferHistory(shared.path()).list().entries;
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].operation, "verify");
    linkwin::setSharedHistoryFolder({});
}
