#include <QTemporaryDir>
#include <gtest/gtest.h>
#include "orvane/files/SafeSave.h"
#include "orvane/files/WorkingCopy.h"
#include "orvane/files/WritingHold.h"
#include "support/OrdinaryUser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/mount.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace orvane::files;

namespace {
void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class WorkingCopyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        static QTemporaryDir home;
        qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
    }
    QTemporaryDir dir;
};
} // namespace

TEST_F(WorkingCopyTest, CopyIsMadeInThePerUserFolderAndKeepsTimeAndMode)
{
    const QString source = dir.filePath("plant.mdb");
    writeFile(source, "configuration bytes");
    ::chmod(QFile::encodeName(source).constData(), 0444);
    const QString work = GetWorkFileName();
    EXPECT_TRUE(QFileInfo(work).fileName().startsWith("Orv"));
    EXPECT_EQ(QFileInfo(work).absolutePath(), QDir(workingCopyFolder()).absolutePath());
    EXPECT_EQ(readFile(work), QByteArray());
    ASSERT_FALSE(copyKeepingTimes(source, work));
    EXPECT_EQ(readFile(work), "configuration bytes");
    EXPECT_EQ(modificationTimeNs(work), modificationTimeNs(source));
    EXPECT_TRUE(isReadOnlyFile(work));
    EXPECT_TRUE(deleteFileForced(work));
    EXPECT_FALSE(QFile::exists(work));
}

TEST_F(WorkingCopyTest, TwoWorkingCopiesNeverShareAName)
{
    const QString a = GetWorkFileName(), b = GetWorkFileName();
    EXPECT_NE(a, b);
    deleteFileForced(a);
    deleteFileForced(b);
}

TEST_F(WorkingCopyTest, CopyBackReplacesTheWholeFileAndLeavesNoTemporary)
{
    const QString work = dir.filePath("work"), target = dir.filePath("plant.mdb");
    writeFile(work, "new contents");
    writeFile(target, "old contents that were longer");
    ASSERT_FALSE(copyBack(work, target));
    EXPECT_EQ(readFile(target), "new contents");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

TEST_F(WorkingCopyTest, CopyBackOntoAFolderFailsWithAReasonAndKeepsBoth)
{
    const QString work = dir.filePath("work"), target = dir.filePath("plant.mdb");
    writeFile(work, "new contents");
    QDir().mkpath(target);
    const auto error = copyBack(work, target);
    ASSERT_TRUE(error);
    EXPECT_TRUE(error->contains(target));
    EXPECT_EQ(readFile(work), "new contents");
    EXPECT_TRUE(QFileInfo(target).isDir());
}

TEST_F(WorkingCopyTest, CopyBackIntoReadOnlyFolderFailsAndLeavesOldFile)
{
    const QString work = dir.filePath("work");
    writeFile(work, "new contents");
    QDir().mkpath(dir.filePath("ro"));
    const QString target = dir.filePath("ro/plant.mdb");
    writeFile(target, "old contents");
    // A read-only bind mount stops even root; without the right to mount, skip.
    const QByteArray ro = QFile::encodeName(dir.filePath("ro"));
    if (::mount(ro.constData(), ro.constData(), nullptr, MS_BIND, nullptr) != 0
        || ::mount(nullptr, ro.constData(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
        ::umount(ro.constData());
        GTEST_SKIP() << "cannot make a read-only bind mount here";
    }
    const auto error = copyBack(work, target);
    ::umount(ro.constData());
    ASSERT_TRUE(error);
    EXPECT_EQ(readFile(target), "old contents");
    EXPECT_EQ(readFile(work), "new contents");
}

TEST_F(WorkingCopyTest, ReadOnlyIsJudgedByTheOwnerWriteBit)
{
    const QString f = dir.filePath("f.mdb");
    writeFile(f, "x");
    EXPECT_FALSE(isReadOnlyFile(f));
    ::chmod(QFile::encodeName(f).constData(), 0444);
    EXPECT_TRUE(isReadOnlyFile(f));
}

TEST_F(WorkingCopyTest, AChangeOfTheOriginalIsSeenByContentNotTime_AndAHoldForWritingIsSeenByEveryUser)
{
    const QString plant = dir.filePath("plant.mdb"), newer = dir.filePath("newer.mdb");
    writeFile(plant, "configuration A");
    ::chmod(QFile::encodeName(plant).constData(), 0644);
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    const WorkingCopy copy(plant);
    EXPECT_FALSE(copy.originalChanged());

    // Written in place, same size, its time put back as a copy carrying times would.
    const auto time = modificationTimeNs(plant);
    writeFile(plant, "configuration B");
    const struct timespec times[2] = {{0, UTIME_OMIT}, {*time / 1000000000, *time % 1000000000}};
    ::utimensat(AT_FDCWD, QFile::encodeName(plant).constData(), times, 0);
    EXPECT_EQ(modificationTimeNs(plant), time);
    EXPECT_TRUE(copy.originalChanged());
    // Replaced by another file of the very content that was copied.
    writeFile(newer, "configuration A");
    ASSERT_EQ(::rename(QFile::encodeName(newer).constData(), QFile::encodeName(plant).constData()), 0);
    EXPECT_TRUE(copy.originalChanged());

    // Another user's program holding the file is seen here; the holder's own hold is not "another".
    EXPECT_FALSE(heldForWriting(plant));
    int started[2], release[2];
    ASSERT_EQ(::pipe(started), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t other = ::fork();
    if (other == 0) {
        const int64_t held = orvane::testsupport::asOrdinaryUser([&]() -> int64_t {
            const WritingHold hold(plant);
            const char seen = hold.holds(plant) && !hold.othersHold() ? 'y' : 'n';
            [[maybe_unused]] const ssize_t w = ::write(started[1], &seen, 1);
            char wait;
            [[maybe_unused]] const ssize_t r = ::read(release[0], &wait, 1);
            return 0;
        });
        ::_exit(held == 0 ? 0 : 1);
    }
    char seen = 0;
    ASSERT_EQ(::read(started[0], &seen, 1), 1);
    EXPECT_EQ(seen, 'y');
    EXPECT_TRUE(heldForWriting(plant));
    {
        const WritingHold mine(plant);
        EXPECT_TRUE(mine.othersHold());
    }
    ASSERT_EQ(::write(release[1], "x", 1), 1);
    ::waitpid(other, nullptr, 0);
    EXPECT_FALSE(heldForWriting(plant));
    const WritingHold alone(plant);
    EXPECT_TRUE(alone.holds(plant));
    EXPECT_FALSE(alone.othersHold());
    EXPECT_FALSE(alone.holds(newer));
}
