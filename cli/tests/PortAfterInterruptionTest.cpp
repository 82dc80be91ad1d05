// A program that holds a serial port and is ended by a signal, or killed outright, must
// not keep the next run out of it. orvane runs as an ordinary user (the kernel lets root
// open a tty held for exclusive use anyway) against a pseudo-terminal played by this test,
// which undoes nothing a client leaves, and against orvane-sim behind --link.
#include "SimSupport.h"
#include "orvane/testing/PtyController.h"
#include "orvane/testing/WaitUntil.h"

#include "../../files/tests/support/OrdinaryUser.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

using namespace orvane::testsupport;
using orvane::testing::PtyController;
using orvane::testing::waitUntil;
using orvane::testing::withCheckBytes;
using orvane::transfer::testing::binDir;
using orvane::transfer::testing::SimulatedController;
using orvane::transfer::testing::StoreFixture;

namespace {

// Files and devices the ordinary user must reach.
void giveToOrdinaryUser(const QString& path, mode_t mode)
{
    if (runningAsRoot()) {
        EXPECT_EQ(::chown(QFile::encodeName(path).constData(), ordinaryUid(), ordinaryGid()), 0) << path.toStdString();
    }
    ::chmod(QFile::encodeName(path).constData(), mode);
}

// orvane as the ordinary user, with its per-user folders in `home`.
void startOrvane(QProcess& process, const QStringList& arguments, const QString& home)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", home);
    environment.insert("XDG_DATA_HOME", home + "/data");
    environment.insert("XDG_CONFIG_HOME", home + "/config");
    process.setProcessEnvironment(environment);
    if (runningAsRoot())
        process.setChildProcessModifier([] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
                ::_exit(127);
        });
    process.start(binDir() + "/orvane", arguments);
    process.waitForStarted();
}

bool ended(QProcess& process)
{
    return waitUntil([&] { return process.state() == QProcess::NotRunning; }, 30000);
}

// 0 when the ordinary user can open the device now, else the error (EBUSY: held for
// someone's exclusive use).
int64_t ordinaryUserOpenError(const QString& device)
{
    const QByteArray path = QFile::encodeName(device);
    return asOrdinaryUser([&]() -> int64_t {
        const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd < 0)
            return errno;
        ::close(fd);
        return 0;
    });
}

termios lineSettings(int fd)
{
    termios line{};
    ::tcgetattr(fd, &line);
    return line;
}

} // namespace

TEST(PortAfterInterruption, ASignalPutsThePortBackAsFound_SettingsARunLeftAreAllSetAnew)
{
    QTemporaryDir home;
    giveToOrdinaryUser(home.path(), 0700);
    // A controller that answers nothing at first: orvane waits in its exchange, port held.
    PtyController controller;
    const QString device = controller.slaveName();
    giveToOrdinaryUser(device, 0600);
    const int slave = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(slave, 0);
    // As a terminal has it: lines edited and echoed, CR read as NL, XON/XOFF taken.
    termios found = lineSettings(slave);
    found.c_lflag |= ICANON | ECHO | ISIG;
    found.c_iflag |= ICRNL | IXON;
    found.c_oflag |= OPOST | ONLCR;
    ASSERT_EQ(::tcsetattr(slave, TCSANOW, &found), 0);
    found = lineSettings(slave);

    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        const int framesBefore = controller.frames();
        QProcess run;
        startOrvane(run, {"version-id", "--port", device}, home.path());
        ASSERT_TRUE(waitUntil([&] { return controller.frames() > framesBefore; })) << signal;
        // Held: for its exclusive use, raw 8-bit bytes whatever was found.
        const termios held = lineSettings(slave);
        EXPECT_EQ(held.c_lflag, 0u);
        EXPECT_EQ(held.c_oflag, 0u);
        EXPECT_EQ(held.c_iflag & ~tcflag_t(IGNPAR | INPCK | PARMRK), 0u);
        EXPECT_EQ(ordinaryUserOpenError(device), EBUSY);

        ::kill(static_cast<pid_t>(run.processId()), signal);
        ASSERT_TRUE(ended(run));
        EXPECT_EQ(run.exitStatus(), QProcess::CrashExit) << signal;   // the signal ended it, as before
        EXPECT_EQ(ordinaryUserOpenError(device), 0) << signal;
        const termios after = lineSettings(slave);
        EXPECT_EQ(after.c_lflag, found.c_lflag) << signal;
        EXPECT_EQ(after.c_iflag, found.c_iflag) << signal;
        EXPECT_EQ(after.c_oflag, found.c_oflag) << signal;
        EXPECT_EQ(after.c_cflag, found.c_cflag) << signal;
    }

    // What a run killed outright leaves (its own settings; a pseudo-terminal takes no
    // parity, so they hold everything the next open asks but parity): the open would be
    // refused as changing nothing. The next run sets every setting anew and gets through.
    termios left = lineSettings(slave);
    ::cfmakeraw(&left);
    left.c_iflag = IGNPAR;
    left.c_cflag |= PARODD | CLOCAL | CREAD;
    left.c_cc[VMIN] = 0;
    ASSERT_EQ(::tcsetattr(slave, TCSANOW, &left), 0);
    controller.respond = [](int, const QByteArray& frame) {
        return withCheckBytes(frame.startsWith('\x01') ? QByteArray::fromHex("100000")
                                                       : QByteArray(5, '\0') + "ORVANE DCX7 ROM 2.50    ");
    };
    QProcess again;
    startOrvane(again, {"version-id", "--port", device}, home.path());
    ASSERT_TRUE(ended(again));
    EXPECT_EQ(again.exitCode(), 0) << again.readAllStandardError().toStdString();
    EXPECT_EQ(again.readAllStandardOutput(), "ORVANE DCX7 ROM 2.50    \n");
    ::close(slave);
}

TEST(PortAfterInterruption, ADownloadKilledOutright_LeavesTheSimulatorAnsweringTheNextRun)
{
    QTemporaryDir home;
    giveToOrdinaryUser(home.path(), 0700);
    StoreFixture store;
    const QString plant = store.newConfiguration("plant.mdb");
    store.close();
    giveToOrdinaryUser(store.folder(), 0755);
    giveToOrdinaryUser(plant, 0644);
    const QString link = home.filePath("ttyController");
    SimulatedController sim({"--link", link, "--baud", "9600"});
    ASSERT_TRUE(sim.started()) << sim.errorText().toStdString();
    giveToOrdinaryUser(sim.portName(), 0600);

    QProcess download;
    startOrvane(download, {"download", plant, "--port", link, "--yes"}, home.path());
    ASSERT_TRUE(waitUntil([&] { return sim.framesStartingWith("02 ") >= 3; }, 30000));
    ::kill(static_cast<pid_t>(download.processId()), SIGKILL);   // nothing of it can clean up
    ASSERT_TRUE(ended(download));
    ASSERT_TRUE(waitUntil([&] { return sim.log().contains("FREE "); })) << sim.log().right(600).toStdString();

    QProcess versionId;
    startOrvane(versionId, {"version-id", "--port", link}, home.path());
    ASSERT_TRUE(ended(versionId));
    EXPECT_EQ(versionId.exitCode(), 0) << versionId.readAllStandardError().toStdString();
    EXPECT_EQ(versionId.readAllStandardOutput(), "ORVANE DCX7 ROM 2.50    \n");
}
