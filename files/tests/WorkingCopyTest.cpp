#include <QTemporaryDir>
#include <gtest/gtest.h>
#include "orvane/files/SafeSave.h"
#include "orvane/files/WorkingCopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/mount.h>
#include <sys/stat.h>

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
