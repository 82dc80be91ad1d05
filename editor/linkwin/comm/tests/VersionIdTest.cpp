// Version ID against a controller played on a real pseudo-terminal; messages caught at the seam.
#include "linkwin/LinkCommands.h"
#include "linkwin/comm/TheLink.h"
#include "ui/MessageSeam.h"
#include "ui/SettingsStore.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace {

QStringList shownTexts;

// Answers a poll with 0x10 and a read of area 0 with the identification record.
struct PtyControllerWithIdent {
    PtyControllerWithIdent()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        grantpt(master);
        unlockpt(master);
        termios tio{};
        tcgetattr(master, &tio);
        cfmakeraw(&tio);
        tcsetattr(master, TCSANOW, &tio);
        notifier = std::make_unique<QSocketNotifier>(master, QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, [this] {
            unsigned char buf[64];
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n <= 0)
                return;
            QByteArray reply = buf[0] == 0x01 ? QByteArray::fromHex("1000000000")
                                              : QByteArray(5, '\0') + QByteArray("ORVANE DCX-7 ROM 3.04   ") + QByteArray(2, '\0');
            (void)::write(master, reply.constData(), reply.size());
        });
    }
    ~PtyControllerWithIdent()
    {
        notifier.reset();
        ::close(master);
    }
    std::string slave() const { return ptsname(master); }
    int master = -1;
    std::unique_ptr<QSocketNotifier> notifier;
};

void useSettings(const std::string& portName)
{
    orvane::link::CommSettings settings;
    settings.CommPortName = portName;
    brevant::SaveCommSettings(settings);
}

} // namespace

TEST(VersionId, ShowsIdentificationOfConnectedController)
{
    PtyControllerWithIdent controller;
    useSettings(controller.slave());
    shownTexts.clear();
    brevant::linkwin::showVersionId(nullptr);
    EXPECT_EQ(shownTexts, QStringList{"ORVANE DCX-7 ROM 3.04   "});
    EXPECT_FALSE(brevant::linkwin::theLink().port_is_open);
}

TEST(VersionId, MissingPortShowsNotAvailableOnly)
{
    useSettings("/dev/ttyUSB-missing-7");
    shownTexts.clear();
    brevant::linkwin::showVersionId(nullptr);
    EXPECT_EQ(shownTexts, QStringList{"/dev/ttyUSB-missing-7: not available. Change the setting to another port."});
}

int main(int argc, char** argv)
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    brevant::setMessageHandler([](const brevant::MessageRequest& request) {
        shownTexts << request.text;
        return brevant::Answer::Ok;
    });
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
