// What killed programs leave, made the way they leave it, and what the next program
// to start removes: nothing that a running program still holds.
#include "orvane/files/Leftovers.h"
#include "orvane/files/SafeSave.h"
#include "orvane/files/TempFolder.h"
#include "orvane/files/WorkingCopy.h"
#include "support/EnvironmentVariable.h"
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
using orvane::testsupport::EnvironmentVariable;

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

// A program that makes a working copy and a working folder with a file in it, as an
// import does, and then waits until it is killed.
struct ProgramHoldingACopy {
    pid_t pid = -1;
    QString copy, folder;
    explicit ProgramHoldingACopy(const QString& source)
    {
        int channel[2];
        if (::pipe(channel) != 0)
            return;
        pid = ::fork();
        if (pid == 0) {
            WorkingCopy held(source);
            WorkingFolder working(WorkingFolder::Purpose::Import);
            QFile built(working.filePath("configuration.mdb"));
            if (built.open(QIODevice::WriteOnly))
                built.write("being built");
            const QByteArray paths = c(held.path()) + '\n' + c(working.path()) + '\n';
            [[maybe_unused]] const ssize_t n = ::write(channel[1], paths.constData(), static_cast<size_t>(paths.size()));
            for (;;)
                ::pause();
        }
        ::close(channel[1]);
        char buffer[8192];
        const ssize_t n = ::read(channel[0], buffer, sizeof buffer);
        ::close(channel[0]);
        const QList<QByteArray> lines = QByteArray(buffer, n > 0 ? n : 0).split('\n');
        if (lines.size() == 3) {
            copy = QFile::decodeName(lines[0]);
            folder = QFile::decodeName(lines[1]);
        }
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
    // Folders that programs made before they held them; one of another name is the user's.
    const QString folder = workingCopyFolder();
    for (const char* name : {"/importAb12Cd", "/.jet-Zz9Yy8", "/important"}) {
        QDir().mkpath(folder + name);
        writeFile(folder + name + "/configuration.mdb", "");
    }
    QString foreign;
    if (orvane::testsupport::runningAsRoot()) {   // another user's copy in a shared folder
        foreign = workingCopyFolder() + "/OrvForeign.tmp";
        writeFile(foreign, "theirs");
        ASSERT_EQ(::chown(c(foreign).constData(), orvane::testsupport::kNobody, orvane::testsupport::kNobody), 0);
    }

    EXPECT_EQ(removeLeftovers(), 4);
    EXPECT_TRUE(QFile::exists(running.copy));
    EXPECT_TRUE(QFile::exists(running.folder + "/configuration.mdb"));
    EXPECT_FALSE(QFileInfo::exists(folder + "/importAb12Cd"));
    EXPECT_FALSE(QFileInfo::exists(folder + "/.jet-Zz9Yy8"));
    EXPECT_TRUE(QFile::exists(folder + "/important/configuration.mdb"));
    EXPECT_FALSE(QFile::exists(abandoned));
    EXPECT_FALSE(QFile::exists(saving));
    EXPECT_FALSE(QFileInfo(marker).isSymLink());
    EXPECT_TRUE(QFile::exists(source));
    if (!foreign.isEmpty()) {
        EXPECT_TRUE(QFile::exists(foreign));
    }

    running.kill();
    EXPECT_EQ(removeLeftovers(), 2);
    EXPECT_FALSE(QFile::exists(running.copy));
    EXPECT_FALSE(QFileInfo::exists(running.folder));
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
    ::chmod(c(workingCopyFolder()).constData(), 0755);
    EXPECT_EQ(modeOf(workingCopyFolder()), 0700u);
    // With no usable home folder the copies go to this user's private temporary folder.
    const EnvironmentVariable tmpdir("TMPDIR", c(dir.path()));
    const QString notAFolder = dir.filePath("file-not-folder");
    writeFile(notAFolder, "");
    qputenv("XDG_DATA_HOME", c(notAFolder));
    ::chmod(c(source).constData(), 0664);
    {
        const WorkingCopy inTemp(source);
        EXPECT_EQ(QFileInfo(inTemp.path()).absolutePath(), tempFolder());
        EXPECT_EQ(modeOf(inTemp.path()), 0600u);
    }
    // A home folder that does not exist is no home, and is never made.
    qunsetenv("XDG_DATA_HOME");
    const QString noHome = dir.filePath("nonexistent");
    {
        const EnvironmentVariable home("HOME", c(noHome));
        EXPECT_EQ(workingCopyFolder(), tempFolder());
        EXPECT_FALSE(QFileInfo::exists(noHome));
    }
    if (orvane::testsupport::runningAsRoot()) {   // nor is another user's home, which that user could change
        const QString alien = dir.filePath("alien");
        QDir().mkpath(alien);
        ASSERT_EQ(::chown(c(alien).constData(), orvane::testsupport::kNobody, orvane::testsupport::kNobody), 0);
        const EnvironmentVariable home("HOME", c(alien));
        EXPECT_EQ(workingCopyFolder(), tempFolder());
        EXPECT_FALSE(QFileInfo::exists(alien + "/.local"));
    }
    try {
        WorkingCopy missing(dir.filePath("gone.mdb"));
        ADD_FAILURE() << "a copy of a missing file";
    } catch (const std::runtime_error& e) {
        EXPECT_TRUE(QString(e.what()).contains(dir.filePath("gone.mdb"))) << e.what();
    }
}
