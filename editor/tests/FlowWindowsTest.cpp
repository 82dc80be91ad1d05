// The signal flow in the editor: "Used by", the Check and Signal Flow windows and the
// check before a download, under the offscreen platform on real working copies.

#include "TestEnvironment.h"
#include "EditorApp.h"
#include "FlowCommands.h"
#include "FlowWindows.h"
#include "frmPrintOptions.h"
#include "ui/MessageSeam.h"

#include "orvane/compare/testing/ConfigurationFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>

using namespace brevant;

namespace {

class FlowWindowsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::application();
        setMessageHandler([this](const MessageRequest& r) {
            messages.push_back(r);
            return r.buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
        });
        setFileDialogHandler([this](const FileDialogRequest&) { return chosenFile; });
        ASSERT_TRUE(app.start(QStringLiteral(ORVANE_BIN_DIR)).isEmpty());
    }
    void TearDown() override
    {
        setMessageHandler({});
        setFileDialogHandler({});
    }
    void open(const QString& path) { test::openShown(w(), chosenFile, path); }
    void goTo(int block)
    {
        w().selectBlock(block);
        w().Grid1_Click();
    }
    std::vector<int> diagramBlocks()
    {
        std::vector<int> blocks;
        for (const auto& n : w().flow()->flowWindow()->view()->diagram()->graph.nodes())
            blocks.push_back(n.block);
        return blocks;
    }

    Form3& w() { return app.mainWindow(); }

    QTemporaryDir dir;
    EditorApp app;
    std::vector<MessageRequest> messages;
    QString chosenFile;
};

} // namespace

TEST_F(FlowWindowsTest, UsedByCheckAndSignalFlowAllLeadToTheBlock)
{
    const QString path = dir.filePath("plant.mdb");
    ASSERT_TRUE(QFile::copy(QStringLiteral(ORVANE_BIN_DIR "/samples/Sample Plant.mdb"), path));
    open(path);

    // "Used by" of the tank 1 loop, and a click on a reader going there.
    goTo(20);
    auto* usedBy = w().findChild<QLabel*>("lblUsedBy");
    ASSERT_TRUE(usedBy);
    EXPECT_TRUE(usedBy->text().contains("<a href=\"30\">Block 30 (AOUT) input 1: Output value</a>"));
    EXPECT_TRUE(usedBy->text().contains("Block 70 (AABO) auxiliary output: NO SELECTION"));
    emit usedBy->linkActivated("30");
    EXPECT_EQ(w().currentBlock(), 30);
    EXPECT_EQ(usedBy->text(), "USED BY: nothing");
    goTo(5);
    EXPECT_EQ(usedBy->text(), "");

    // The Check window lists the findings; activating one goes to its block.
    w().findChild<QAction*>("mnuEditCheck")->trigger();
    frmCheck* check = w().flow()->checkWindow();
    ASSERT_TRUE(check && check->isVisible());
    QTreeWidget* list = check->list();
    ASSERT_GT(list->topLevelItemCount(), 0);
    QTreeWidgetItem* aux = nullptr;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (list->topLevelItem(i)->text(3) == "aux-not-chosen")
            aux = list->topLevelItem(i);
    ASSERT_TRUE(aux);
    EXPECT_EQ(aux->text(1), "70");
    EXPECT_EQ(aux->text(0), "Warning");
    emit list->itemActivated(aux, 0);
    EXPECT_EQ(w().currentBlock(), 70);
    EXPECT_FALSE(check->findChild<QLabel*>("lblCounts")->text().startsWith("No findings"));

    // The Signal Flow window: the whole configuration, then one level around the current
    // block, following the main window; a click on a box selects that block.
    w().findChild<QAction*>("mnuViewFlow")->trigger();
    frmFlow* flow = w().flow()->flowWindow();
    ASSERT_TRUE(flow && flow->isVisible());
    EXPECT_EQ(diagramBlocks().size(), 18u);
    goTo(20);
    const auto* whole = flow->view()->diagram().get();
    EXPECT_EQ(flow->view()->diagram().get(), whole) << "a new selection alone lays nothing out again";
    flow->levels()->setValue(1);
    flow->scope()->setCurrentIndex(1);
    EXPECT_EQ(diagramBlocks(), (std::vector<int>{10, 20, 30, 70}));
    goTo(10);
    EXPECT_EQ(diagramBlocks(), (std::vector<int>{10, 20, 40, 41}));

    flow->resize(900, 600);
    QCoreApplication::processEvents();
    FlowView* view = flow->view();
    const QRectF box = view->diagram()->layout.node(41)->box;
    view->ensureVisible(box);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->mapFromScene(box.center()));
    EXPECT_EQ(w().currentBlock(), 41);
    EXPECT_EQ(diagramBlocks(), (std::vector<int>{10, 41, 60}));

    // The diagram pages are offered by the print options, and off until asked for.
    w().munFilePrint_Click();
    auto* diagramPages = w().printOptions()->findChild<QCheckBox*>("cbDiagram");
    ASSERT_TRUE(diagramPages);
    EXPECT_FALSE(diagramPages->isChecked());
    EXPECT_TRUE(messages.empty());
}

TEST_F(FlowWindowsTest, DownloadWithErrorsAsksFirstAndStopsOnNo)
{
    const QString path = dir.filePath("broken.mdb");
    {
        orvane::compare::testing::ConfigurationFile c(path);
        c.function(10, 10).constant(10, 0, 45);   // a PID reading a block in no use
    }
    open(path);
    w().findChild<QPushButton*>("Command1")->click();
    ASSERT_EQ(messages.size(), 1u) << "the download's own warning never came";
    EXPECT_EQ(messages[0].text, "The configuration check found 1 error:\r\r"
                                "Block 10 (PID) input 1 (Process variable) reads block 45, which is in no use (\?\?\?\?).\r\r"
                                "Download anyway?");
    EXPECT_EQ(messages[0].buttons, Buttons::YesNo);
    EXPECT_EQ(messages[0].icon, Icon::Exclamation);
    EXPECT_EQ(w().findChild<QWidget*>("frmProgress"), nullptr);
}
