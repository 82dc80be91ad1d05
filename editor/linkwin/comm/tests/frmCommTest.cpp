// The "Comm Port Settings" window, shown for real under the offscreen platform:
// what it shows, what "&Done" and Cancel store, what it refuses, and that the next
// Open_Comm_Port opens the port chosen.
#include "CommTestSupport.h"

#include "linkwin/LinkCommands.h"
#include "linkwin/comm/frmComm.h"
#include "ui/SettingsStore.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSerialPort>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using brevant::linkwin::frmComm;

namespace {

QString stored(const QString& key)
{
    return brevant::openSettingsStore()->value(brevant::kCommSection + "/" + key).toString();
}

void store(const QString& key, const QString& value)
{
    brevant::openSettingsStore()->setValue(brevant::kCommSection + "/" + key, value);
}

class CommPortSettings : public ::testing::Test {
protected:
    void SetUp() override
    {
        commtest::clearSettings();
        commtest::clearMessages();
    }

    // Opens the window on what is stored now.
    void open()
    {
        window = std::make_unique<frmComm>();
        window->show();
    }
    QLineEdit* portName() { return window->findChild<QLineEdit*>("txtPort"); }
    QListWidget* portList() { return window->findChild<QListWidget*>("lstPort"); }
    QComboBox* baud() { return window->findChild<QComboBox*>("cboBaud"); }
    QComboBox* parity() { return window->findChild<QComboBox*>("cboParity"); }
    QStringList entries()
    {
        QStringList texts;
        for (int row = 0; row < portList()->count(); ++row)
            texts << portList()->item(row)->text();
        return texts;
    }
    QString selectedEntry()
    {
        const auto* item = portList()->currentItem();
        return item ? item->text() : QString();
    }
    void typePort(const QString& text)
    {
        portName()->clear();
        QTest::keyClicks(portName(), text);
    }
    void click(const char* button) { QTest::mouseClick(window->findChild<QPushButton*>(button), Qt::LeftButton); }

    std::unique_ptr<frmComm> window;
};

} // namespace

TEST_F(CommPortSettings, FirstStart_ShowsPort1At38400Odd_SimulatorListedLast)
{
    open();
    EXPECT_EQ(window->objectName(), "frmComm");
    EXPECT_EQ(window->windowTitle(), "Comm Port Settings");
    EXPECT_EQ(portName()->text(), "/dev/ttyS0");
    EXPECT_EQ(baud()->currentText(), "38400");
    EXPECT_EQ(parity()->currentText(), "ODD");
    ASSERT_FALSE(entries().isEmpty());
    EXPECT_EQ(entries().last(), "Simulator");
}

TEST_F(CommPortSettings, BaudAndParityLists_HoldTheRatesWithLeadingBlankAndTheParityWords)
{
    open();
    QStringList rates;
    for (int i = 0; i < baud()->count(); ++i)
        rates << baud()->itemText(i);
    EXPECT_EQ(rates, (QStringList{"38400", "19200", " 9600", " 4800", " 2400", " 1200"}));
    QStringList parities;
    for (int i = 0; i < parity()->count(); ++i)
        parities << parity()->itemText(i);
    EXPECT_EQ(parities, (QStringList{"ODD", "EVEN", "NONE"}));
}

TEST_F(CommPortSettings, SavedPtyRateAndParity_ShownAndPtyListedAvailableAndSelected)
{
    commtest::PtyController controller;
    store("PortName", controller.slave());
    store("BaudRate", "9600");
    store("Parity", "E");
    open();
    EXPECT_EQ(portName()->text(), controller.slave());
    EXPECT_EQ(baud()->currentText(), " 9600");
    EXPECT_EQ(parity()->currentText(), "EVEN");
    EXPECT_EQ(selectedEntry(), controller.slave() + "   (Available)");
}

TEST_F(CommPortSettings, UnknownParityShowsNone_UnlistedRateKeptAsItsOwnEntry)
{
    commtest::PtyController controller; // a port of the test's own, whatever this machine has
    store("PortName", controller.slave());
    store("Parity", "X");
    store("BaudRate", "115200");
    open();
    EXPECT_EQ(parity()->currentText(), "NONE");
    EXPECT_EQ(baud()->currentText(), "115200");
    click("cmdDone");
    EXPECT_EQ(stored("BaudRate"), "115200");
    EXPECT_EQ(stored("Parity"), "N");
}

TEST_F(CommPortSettings, PortHeldOpenElsewhere_ListedInUse_AvailableAgainWhenShownAfterRelease)
{
    commtest::PtyController controller;
    store("PortName", controller.slave());
    QSerialPort holder(controller.slave());
    ASSERT_TRUE(holder.open(QIODevice::ReadWrite));
    open();
    EXPECT_TRUE(entries().contains(controller.slave() + "   (In Use)")) << entries().join('|').toStdString();
    holder.close();
    window->hide();
    window->show();
    EXPECT_TRUE(entries().contains(controller.slave() + "   (Available)")) << entries().join('|').toStdString();
}

TEST_F(CommPortSettings, TypedPtyPath_DoneSavesPortName_VersionIdOpensIt)
{
    commtest::PtyController controller;
    store("CommPort", "3");
    open();
    typePort(controller.slave());
    QTest::keyClick(parity(), Qt::Key_Down);
    click("cmdDone");
    EXPECT_EQ(window->result(), QDialog::Accepted);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(stored("PortName"), controller.slave());
    EXPECT_EQ(stored("CommPort"), "3");
    EXPECT_EQ(stored("BaudRate"), "38400");
    EXPECT_EQ(stored("Parity"), "E");
    EXPECT_TRUE(commtest::shownMessages().isEmpty());

    brevant::linkwin::showVersionId(nullptr);
    EXPECT_EQ(commtest::shownTexts(), QStringList{commtest::kIdentification});
}

TEST_F(CommPortSettings, TypedHostAndPort_DoneSavesIt_VersionIdReachesTheServer)
{
    commtest::TcpController controller;
    open();
    typePort(controller.hostAndPort());
    click("cmdDone");
    EXPECT_EQ(stored("PortName"), controller.hostAndPort());
    brevant::linkwin::showVersionId(nullptr);
    EXPECT_EQ(commtest::shownTexts(), QStringList{commtest::kIdentification});
}

TEST_F(CommPortSettings, NumberedDeviceTyped_SavedAsCommPortNumberWithoutName)
{
    store("PortName", "/dev/ttyUSB0");
    open();
    typePort("/dev/ttyS3");
    commtest::answerWith(brevant::Answer::Yes);   // kept, though there is no such device here
    click("cmdDone");
    EXPECT_EQ(stored("CommPort"), "4");
    EXPECT_EQ(stored("PortName"), "");
}

TEST_F(CommPortSettings, SimulatorEntryChosen_SavedAsSimulator)
{
    open();
    portList()->setCurrentRow(portList()->count() - 1);
    EXPECT_EQ(portName()->text(), "Simulator");
    click("cmdDone");
    EXPECT_EQ(stored("PortName"), "Simulator");
}

TEST_F(CommPortSettings, SimulatorTypedInLowerCase_SavedInItsOwnSpelling)
{
    open();
    typePort("  simulator ");
    EXPECT_EQ(selectedEntry(), "Simulator");
    click("cmdDone");
    EXPECT_EQ(stored("PortName"), "Simulator");
}

TEST_F(CommPortSettings, StoredPortMissingToday_DoneSaysWhy_NoGoesBackToTheWindow_YesKeepsItUnreplaced)
{
    store("PortName", "/dev/ttyUSB-unplugged");
    store("CommPort", "2");
    open();
    EXPECT_EQ(portName()->text(), "/dev/ttyUSB-unplugged");
    EXPECT_EQ(portList()->currentRow(), -1);
    commtest::answerWith(brevant::Answer::No);
    click("cmdDone");
    ASSERT_EQ(commtest::shownMessages().size(), 1);
    const auto& question = commtest::shownMessages().first();
    EXPECT_TRUE(question.text.startsWith("/dev/ttyUSB-unplugged: not available: there is no such device. "))
        << question.text.toStdString();
    EXPECT_TRUE(question.text.endsWith("\r\rKeep this port anyway?"));
    EXPECT_EQ(question.buttons, brevant::Buttons::YesNo);
    EXPECT_TRUE(window->isVisible());
    commtest::answerWith(brevant::Answer::Yes);
    click("cmdDone");
    EXPECT_EQ(window->result(), QDialog::Accepted);
    EXPECT_EQ(stored("PortName"), "/dev/ttyUSB-unplugged");
    EXPECT_EQ(stored("CommPort"), "2");
}

TEST_F(CommPortSettings, Cancel_AfterChangingEverything_SavesNothing)
{
    open();
    typePort("/dev/ttyUSB4");
    QTest::keyClick(baud(), Qt::Key_Down);
    QTest::keyClick(parity(), Qt::Key_Down);
    click("cmdCancel");
    EXPECT_EQ(window->result(), QDialog::Rejected);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(brevant::openSettingsStore()->allKeys().isEmpty());
}

TEST_F(CommPortSettings, EscapeKey_KeepsStoredSettings)
{
    store("PortName", "/dev/ttyUSB1");
    store("BaudRate", "4800");
    open();
    typePort("/dev/ttyUSB2");
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(stored("PortName"), "/dev/ttyUSB1");
    EXPECT_EQ(stored("BaudRate"), "4800");
}

struct RefusedPort {
    const char* typed;
    const char* message;
};

class CommPortSettingsRefuses : public CommPortSettings, public ::testing::WithParamInterface<RefusedPort> {};

TEST_P(CommPortSettingsRefuses, BadPortName_MessageShown_WindowStaysOpen_NothingSaved)
{
    open();
    typePort(QString::fromLatin1(GetParam().typed));
    click("cmdDone");
    ASSERT_EQ(commtest::shownMessages().size(), 1);
    const auto& message = commtest::shownMessages().first();
    EXPECT_EQ(message.text, QString::fromLatin1(GetParam().message));
    EXPECT_EQ(message.title, "Brevant");
    EXPECT_EQ(message.buttons, brevant::Buttons::Ok);
    EXPECT_EQ(message.icon, brevant::Icon::Exclamation);
    EXPECT_TRUE(window->isVisible());
    EXPECT_NE(window->result(), QDialog::Accepted);
    EXPECT_TRUE(brevant::openSettingsStore()->allKeys().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    TypedNames, CommPortSettingsRefuses,
    ::testing::Values(
        RefusedPort{"", "Choose a port from the list, or type the name of a serial device (such as /dev/ttyUSB0) "
                        "or the host:port of a serial device server."},
        RefusedPort{"   ", "Choose a port from the list, or type the name of a serial device (such as /dev/ttyUSB0) "
                           "or the host:port of a serial device server."},
        RefusedPort{"plc-gw:", "\"plc-gw:\": the network port after the colon must be a number from 1 to 65535."},
        RefusedPort{"plc-gw:0", "\"plc-gw:0\": the network port after the colon must be a number from 1 to 65535."},
        RefusedPort{"plc-gw:65536", "\"plc-gw:65536\": the network port after the colon must be a number from 1 to 65535."},
        RefusedPort{"plc-gw:40o1", "\"plc-gw:40o1\": the network port after the colon must be a number from 1 to 65535."},
        RefusedPort{":4001", "\":4001\": the host name before the colon is missing."}));

TEST_F(CommPortSettings, EnterInPortName_ActsAsDone)
{
    open();
    typePort("/dev/ttyACM0");
    commtest::answerWith(brevant::Answer::Yes);
    QTest::keyClick(portName(), Qt::Key_Return);
    EXPECT_EQ(window->result(), QDialog::Accepted);
    EXPECT_EQ(stored("PortName"), "/dev/ttyACM0");
}

TEST_F(CommPortSettings, HighestNetworkPort_Accepted)
{
    open();
    typePort("plc-gw:65535");
    click("cmdDone");
    EXPECT_TRUE(commtest::shownMessages().isEmpty());
    EXPECT_EQ(stored("PortName"), "plc-gw:65535");
}

TEST(ComPortSetupCommand, OpensTheWindowModally)
{
    EXPECT_TRUE(brevant::linkwin::commSettingsAvailable());
    QString seenName;
    QString seenTitle;
    bool seenModal = false;
    QTimer::singleShot(0, [&] {
        QWidget* shown = QApplication::activeModalWidget();
        ASSERT_NE(shown, nullptr);
        seenName = shown->objectName();
        seenTitle = shown->windowTitle();
        seenModal = shown->isModal();
        shown->findChild<QPushButton*>("cmdCancel")->click();
    });
    brevant::linkwin::showCommSettings(nullptr);
    EXPECT_EQ(seenName, "frmComm");
    EXPECT_EQ(seenTitle, "Comm Port Settings");
    EXPECT_TRUE(seenModal);
}
