// What killed programs leave, made the way they leave it, and what the next program
// to start removes: nothing that a running program still holds.
#include "orvane/files/Leftovers.h"
#include "orvane/files/SafeSave.h"
#include "orvane/files/TempFolder.h"
#include "orvane/files/WorkingCopy.h"
#include "support/OrdinaryUser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace orvane::files;

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}
QByteArray c(const QString& s) { return QFile::encodeName(s); }
mode_t modeOf(const QString& path)
{
    struct stat st {};
    ::stat(c(path).constData(), &st);
    return st.st_mode & 07777;
}

class LeftoversTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        qputenv("XDG_DATA_HOME", c(home.path()));
        source = dir.filePath("plant.mdb");
        writeFile(source, "configuration");
    }
    QTemporaryDir home, dir;
    QString source;
};

// A program that makes a working copy and then waits until it is killed.
struct ProgramHoldingACopy {
    pid_t pid = -1;
    QString copy;
    explicit ProgramHoldingACopy(const QString& source)
    {
        int channel[2];
        if (::pipe(channel) != 0)
            return;
        pid = ::fork();
        if (pid == 0) {
            WorkingCopy held(source);
            const QByteArray path = c(held.path()) + '\n';
            [[maybe_unused]] const ssize_t n = ::write(channel[1], path.constData(), static_cast<size_t>(path.size()));
            for (;;)
                ::pause();
        }
        ::close(channel[1]);
        char buffer[4096];
        const ssize_t n = ::read(channel[0], buffer, sizeof buffer);
        ::close(channel[0]);
        if (n > 1)
            copy = QFile::decodeName(QByteArray(buffer, n - 1));
    }
    void kill()
    {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        pid = -1;
    }
    ~ProgramHoldingACopy()
    {
        if (pid > 0)
            kill();
    }
};

} // namespace

TEST_F(LeftoversTest, WhatEndedProgramsLeftGoesAndWhatRunningOnesHoldStays)
{
    ProgramHoldingACopy running(source);
    ASSERT_FALSE(running.copy.isEmpty());
    const QString abandoned = GetWorkFileName();   // made, never held: its program ended
    // A save killed half way: the saving file beside the user's file and its marker.
    const QString saving = dir.filePath(".plant.mdb.saving-Ab12Cd");
    writeFile(saving, "half of a configuration");
    const QString marker = workingCopyFolder() + "/OrvQ1w2E3.saving";
    ASSERT_EQ(::symlink(c(saving).constData(), c(marker).constData()), 0);
    // A marker changed to lead to the user's own file removes nothing.
    const QString bogus = workingCopyFolder() + "/OrvZ9x8Y7.saving";
    ASSERT_EQ(::symlink(c(source).constData(), c(bogus).constData()), 0);
    QString foreign;
    if (orvane::testsupport::runningAsRoot()) {   // another user's copy in a shared folder
        foreign = workingCopyFolder() + "/OrvForeign.tmp";
        writeFile(foreign, "theirs");
        ASSERT_EQ(::chown(c(foreign).constData(), orvane::testsupport::kNobody, orvane::testsupport::kNobody), 0);
    }

    EXPECT_EQ(removeLeftovers(), 2);
    EXPECT_TRUE(QFile::exists(running.copy));
    EXPECT_FALSE(QFile::exists(abandoned));
    EXPECT_FALSE(QFile::exists(saving));
    EXPECT_FALSE(QFileInfo(marker).isSymLink());
    EXPECT_TRUE(QFile::exists(source));
    if (!foreign.isEmpty()) {
        EXPECT_TRUE(QFile::exists(foreign));
    }

    running.kill();
    EXPECT_EQ(removeLeftovers(), 1);
    EXPECT_FALSE(QFile::exists(running.copy));
    EXPECT_EQ(removeLeftovers(), 0);
}

TEST_F(LeftoversTest, ASavingFileLeftBesideAFileGoesWhenThatFileIsSavedNext)
{
    const QString leftover = dir.filePath(".plant.mdb.saving-Zz9Yy8");
    const QString ofAnother = dir.filePath(".pump.mdb.saving-Zz9Yy8");
    writeFile(leftover, "half");
    writeFile(ofAnother, "half");
    const QString work = dir.filePath("work");
    writeFile(work, "new");
    ASSERT_EQ(copyBack(work, source), std::nullopt);
    EXPECT_FALSE(QFile::exists(leftover));
    EXPECT_TRUE(QFile::exists(ofAnother));
}

TEST_F(LeftoversTest, WorkingCopiesArePrivateToTheirUserWhereverTheyAre)
{
    ::chmod(c(source).constData(), 0644);
    QString path;
    {
        WorkingCopy copy(source);
        path = copy.path();
        EXPECT_EQ(QFileInfo(path).absolutePath(), QDir(home.path() + "/Orvane").absolutePath());
        EXPECT_EQ(modeOf(path), 0600u);
    }
    EXPECT_FALSE(QFile::exists(path));
    ::chmod(c(source).constData(), 0444);
    {
        const WorkingCopy readOnly(source);
        EXPECT_EQ(modeOf(readOnly.path()), 0400u);
    }
    // With no usable home folder the copies go to this user's private temporary folder.
    const QString notAFolder = dir.filePath("file-not-folder");
    writeFile(notAFolder, "");
    qputenv("XDG_DATA_HOME", c(notAFolder));
    ::chmod(c(source).constData(), 0664);
    {
        const WorkingCopy inTemp(source);
        EXPECT_EQ(QFileInfo(inTemp.path()).absolutePath(), tempFolder());
        EXPECT_EQ(modeOf(inTemp.path()), 0600u);
    }
    try {
        WorkingCopy missing(dir.filePath("gone.mdb"));
        ADD_FAILURE() << "a copy of a missing file";
    } catch (const std::runtime_error& e) {
        EXPECT_TRUE(QString(e.what()).contains(dir.filePath("gone.mdb"))) << e.what();
    }
}
