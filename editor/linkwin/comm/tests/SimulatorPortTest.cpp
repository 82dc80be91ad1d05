// The "Simulator" port: a controller simulator (orvane-sim from the build's program
// folder) started on first use and kept for the run. The failed start comes first:
// once a simulator runs, the program keeps it.
#include "CommTestSupport.h"

#include "linkwin/LinkCommands.h"
#include "linkwin/comm/TheLink.h"
#include "linkwin/comm/frmComm.h"
#include "ui/SettingsStore.h"

#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class SimulatorPort : public ::testing::Test {
protected:
    void SetUp() override
    {
        commtest::clearSettings();
        commtest::clearMessages();
    }

    // Chooses the "Simulator" entry in the port settings window and saves it.
    static void chooseSimulator()
    {
        brevant::linkwin::frmComm window;
        window.show();
        auto* list = window.findChild<QListWidget*>("lstPort");
        const auto found = list->findItems("Simulator", Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found.first()).center());
        QTest::mouseClick(window.findChild<QPushButton*>("cmdDone"), Qt::LeftButton);
        ASSERT_EQ(window.result(), QDialog::Accepted);
    }
};

// The identification record of the simulator with its default ROM version.
const QString kSimulatorIdentification = QStringLiteral("ORVANE DCX7 ROM 2.50    ");

} // namespace

TEST_F(SimulatorPort, SimulatorProgramMissing_ReasonShownThenPortNotAvailable)
{
    const QByteArray binDir = qgetenv("ORVANE_BIN_DIR");
    QTemporaryDir emptyFolder;
    qputenv("ORVANE_BIN_DIR", emptyFolder.path().toLocal8Bit());
    chooseSimulator();
    brevant::linkwin::showVersionId(nullptr);
    qputenv("ORVANE_BIN_DIR", binDir);

    const QStringList texts = commtest::shownTexts();
    ASSERT_EQ(texts.size(), 2) << texts.join('|').toStdString();
    EXPECT_TRUE(texts[0].startsWith("Could not start the controller simulator: " + emptyFolder.path() + "/orvane-sim: "))
        << texts[0].toStdString();
    EXPECT_EQ(texts[1], "Simulator: not available. Change the setting to another port.");
    EXPECT_FALSE(brevant::linkwin::theLink().port_is_open);
}

TEST_F(SimulatorPort, SimulatorChosen_VersionIdShowsTheSimulatorsIdentification)
{
    chooseSimulator();
    EXPECT_EQ(brevant::openSettingsStore()->value(brevant::kCommSection + "/PortName").toString(), "Simulator");
    brevant::linkwin::showVersionId(nullptr);
    EXPECT_EQ(commtest::shownTexts(), QStringList{kSimulatorIdentification});
    const auto& last = commtest::shownMessages().last();
    EXPECT_EQ(last.title, "Brevant");
    EXPECT_EQ(last.buttons, brevant::Buttons::Ok);
    EXPECT_EQ(last.icon, brevant::Icon::None);
}

TEST_F(SimulatorPort, SameSimulatorServesEveryOperationOfTheRun)
{
    chooseSimulator();
    const std::string first = brevant::linkwin::theLink().settings.CommPortName;
    EXPECT_EQ(first.rfind("/dev/pts/", 0), 0u) << first;
    brevant::linkwin::showVersionId(nullptr);
    brevant::linkwin::showVersionId(nullptr);
    EXPECT_EQ(brevant::linkwin::theLink().settings.CommPortName, first);
    EXPECT_EQ(commtest::shownTexts(), (QStringList{kSimulatorIdentification, kSimulatorIdentification}));
}
