// Version ID against controllers on a real pseudo-terminal and a TCP serial device
// server, and on a port that is missing; messages caught at the seam.
#include "CommTestSupport.h"

#include "linkwin/LinkCommands.h"
#include "linkwin/comm/TheLink.h"
#include "ui/SettingsStore.h"

#include <gtest/gtest.h>

namespace {

void useSettings(const QString& portName)
{
    orvane::link::CommSettings settings;
    settings.CommPortName = portName.toStdString();
    brevant::SaveCommSettings(settings);
}

class VersionId : public ::testing::Test {
protected:
    void SetUp() override
    {
        commtest::clearSettings();
        commtest::clearMessages();
    }
};

} // namespace

TEST_F(VersionId, ShowsIdentificationOfControllerOnPty_PortClosedAfter)
{
    commtest::PtyController controller;
    useSettings(controller.slave());
    brevant::linkwin::showVersionId(nullptr);
    EXPECT_EQ(commtest::shownTexts(), QStringList{commtest::kIdentification});
    EXPECT_FALSE(brevant::linkwin::theLink().port_is_open);
}

TEST_F(VersionId, ShowsIdentificationThroughSerialDeviceServer)
{
    commtest::TcpController controller;
    useSettings(controller.hostAndPort());
    brevant::linkwin::showVersionId(nullptr);
    EXPECT_EQ(commtest::shownTexts(), QStringList{commtest::kIdentification});
}

TEST_F(VersionId, MissingPortShowsNotAvailableOnly)
{
    useSettings("/dev/ttyUSB-missing-7");
    brevant::linkwin::showVersionId(nullptr);
    ASSERT_EQ(commtest::shownTexts().size(), 1);
    EXPECT_TRUE(commtest::shownTexts()[0].startsWith("/dev/ttyUSB-missing-7: not available: there is no such device. "))
        << commtest::shownTexts()[0].toStdString();
}

TEST_F(VersionId, ControlCharactersFromTheLineAreShownAsQuestionMarks)
{
    commtest::PtyController controller;
    const QByteArray hostile = QByteArray("ORVANE \x1b]0;x\x07\x81 3.04") + QByteArray(5, '\0');  // 24 bytes
    controller.respond = [&](int, const QByteArray& request) {
        return orvane::testing::withCheckBytes(request.startsWith('\x01') ? QByteArray::fromHex("100000")
                                                                          : QByteArray(5, '\0') + hostile);
    };
    useSettings(controller.slave());
    brevant::linkwin::showVersionId(nullptr);
    EXPECT_EQ(commtest::shownTexts(), QStringList{"ORVANE ?]0;x?? 3.04"});
}
