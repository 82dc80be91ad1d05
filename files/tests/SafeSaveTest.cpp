// Saving a working copy back over the user's file in every shape that file can take,
// with real links, owners, permissions and a write that fails half way.
#include "orvane/files/SafeSave.h"
#include "orvane/files/WorkingCopy.h"
#include "support/OrdinaryUser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace orvane::files;
using orvane::testsupport::asOrdinaryUser;
using orvane::testsupport::ordinaryGid;
using orvane::testsupport::ordinaryUid;
using orvane::testsupport::runningAsRoot;

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}
QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
struct stat statOf(const QString& path, bool followLinks = true)
{
    struct stat st {};
    const QByteArray p = QFile::encodeName(path);
    followLinks ? ::stat(p.constData(), &st) : ::lstat(p.constData(), &st);
    return st;
}
QByteArray c(const QString& s) { return QFile::encodeName(s); }
// Every saving file left in a folder.
QStringList savingFiles(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral(".*.saving-*")}, QDir::Files | QDir::Hidden);
}

class SafeSaveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        static QTemporaryDir home;
        qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
        // Open to every user, so that a test can act as an ordinary user in it.
        ::chmod(c(dir.path()).constData(), 0777);
        work = dir.filePath("work");
        writeFile(work, "new configuration content");
        ::chmod(c(work).constData(), 0644);
    }
    QString folder(const QString& name, mode_t mode = 0777)
    {
        const QString path = dir.filePath(name);
        QDir().mkpath(path);
        ::chmod(c(path).constData(), mode);
        return path;
    }
    QTemporaryDir dir;
    QString work;
};

} // namespace

TEST_F(SafeSaveTest, ThroughSymbolicLinksTheLinksStayAndTheFileTheyNameGetsTheContent)
{
    const QString real = folder("real") + "/plant.mdb";
    writeFile(real, "old");
    const QString hop = folder("links") + "/hop.mdb";
    ASSERT_EQ(::symlink(c(real).constData(), c(hop).constData()), 0);
    const QString link = dir.filePath("plant.mdb");
    ASSERT_EQ(::symlink("links/hop.mdb", c(link).constData()), 0);   // relative, to an absolute one

    ASSERT_EQ(copyBack(work, link), std::nullopt);
    EXPECT_TRUE(S_ISLNK(statOf(link, false).st_mode));
    EXPECT_TRUE(S_ISLNK(statOf(hop, false).st_mode));
    EXPECT_EQ(readFile(real), "new configuration content");
    EXPECT_TRUE(savingFiles(dir.filePath("real")).isEmpty());

    // Save As to a link that names a file not made yet creates that file.
    const QString dangling = dir.filePath("copy.mdb");
    ASSERT_EQ(::symlink(c(dir.filePath("real/copy.mdb")).constData(), c(dangling).constData()), 0);
    const mode_t mask = ::umask(022);
    EXPECT_EQ(copyBack(work, dangling), std::nullopt);
    ::umask(mask);
    EXPECT_EQ(readFile(dir.filePath("real/copy.mdb")), "new configuration content");
    EXPECT_EQ(statOf(dir.filePath("real/copy.mdb")).st_mode & 07777, 0644u);   // as a new file, not the working copy's

    // A link loop is a reason, not a hang.
    const QString loop = dir.filePath("loop.mdb");
    ASSERT_EQ(::symlink("loop.mdb", c(loop).constData()), 0);
    ASSERT_TRUE(copyBack(work, loop).has_value());
}

TEST_F(SafeSaveTest, OwnerGroupAndModeAreKeptAndHardLinksKeepSharingTheContent)
{
    const QString plant = dir.filePath("plant.mdb");
    writeFile(plant, "old");
    ::chmod(c(plant).constData(), 0640);
    if (runningAsRoot()) {
        ASSERT_EQ(::chown(c(plant).constData(), ordinaryUid(), ordinaryGid()), 0);
    }
    ASSERT_EQ(copyBack(work, plant), std::nullopt);
    const struct stat after = statOf(plant);
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(after.st_uid, ordinaryUid());
    EXPECT_EQ(after.st_gid, ordinaryGid());
    EXPECT_EQ(readFile(plant), "new configuration content");

    const QString other = dir.filePath("other-name.mdb");
    ASSERT_EQ(::link(c(plant).constData(), c(other).constData()), 0);
    const ino_t inode = statOf(plant).st_ino;
    writeFile(work, "content seen under both names");
    ASSERT_EQ(copyBack(work, plant), std::nullopt);
    EXPECT_EQ(statOf(plant).st_ino, inode);
    EXPECT_EQ(statOf(plant).st_nlink, 2u);
    EXPECT_EQ(readFile(other), "content seen under both names");
    EXPECT_TRUE(savingFiles(dir.path()).isEmpty());
}

TEST_F(SafeSaveTest, AReadOnlyOrForeignFileIsRefusedAndLeftAsItWas)
{
    const QString plant = dir.filePath("plant.mdb");
    writeFile(plant, "old");
    ::chmod(c(plant).constData(), 0444);   // made read-only after it was opened
    auto reason = copyBack(work, plant);
    ASSERT_TRUE(reason.has_value());
    EXPECT_EQ(*reason, plant + " is read-only");
    EXPECT_EQ(whyNotReplaceable(plant), reason);
    EXPECT_EQ(readFile(plant), "old");

    ::chmod(c(plant).constData(), 0644);   // writable by its owner only
    if (runningAsRoot()) {
        const int64_t refused = asOrdinaryUser([&]() -> int64_t {
            const auto why = copyBack(work, plant);
            return why && why->endsWith(" is read-only") ? 1 : 0;
        });
        EXPECT_EQ(refused, 1);
        EXPECT_EQ(readFile(plant), "old");
    }
    EXPECT_EQ(whyNotReplaceable(dir.filePath("none.mdb")).value_or("").contains("none.mdb"), true);
    EXPECT_TRUE(whyNotReplaceable(dir.path()).value_or("").endsWith(" is a folder"));
}

TEST_F(SafeSaveTest, WhereANewFileCannotBeMadeOrWouldChangeTheOwnerTheFileIsWrittenInPlace)
{
    // A folder this user may not add files to, holding a file this user may write.
    const QString locked = folder("locked", 0777);
    const QString plant = locked + "/plant.mdb";
    writeFile(plant, "old content, longer than the new one will be........................");
    ::chmod(c(plant).constData(), 0666);
    ::chmod(c(locked).constData(), 0555);
    const ino_t inode = statOf(plant).st_ino;
    const int64_t saved = asOrdinaryUser([&]() -> int64_t { return copyBack(work, plant) ? 0 : 1; });
    ::chmod(c(locked).constData(), 0777);
    EXPECT_EQ(saved, 1);
    EXPECT_EQ(readFile(plant), "new configuration content");
    EXPECT_EQ(statOf(plant).st_ino, inode);
    EXPECT_TRUE(savingFiles(locked).isEmpty());

    if (!runningAsRoot())
        return;   // a file owned by another user needs root to make
    // Group-writable and owned by root: a new file would belong to the ordinary user.
    const QString shared = dir.filePath("shared.mdb");
    writeFile(shared, "old");
    ASSERT_EQ(::chown(c(shared).constData(), 0, ordinaryGid()), 0);
    ::chmod(c(shared).constData(), 0664);
    EXPECT_EQ(asOrdinaryUser([&]() -> int64_t { return copyBack(work, shared) ? 0 : 1; }), 1);
    EXPECT_EQ(statOf(shared).st_uid, 0u);
    EXPECT_EQ(readFile(shared), "new configuration content");
    EXPECT_TRUE(savingFiles(dir.path()).isEmpty());
}

TEST_F(SafeSaveTest, AWriteThatFailsHalfWayLeavesTheUsersFileAsItWas)
{
    // A file size limit makes the second half of the writing fail, as a full disk would.
    const QByteArray big(64 * 1024, 'N');
    writeFile(work, big);
    const QString plant = dir.filePath("plant.mdb"), linked = dir.filePath("plant-link.mdb");
    const QString single = dir.filePath("single.mdb");
    writeFile(plant, "old content");
    writeFile(single, "old content");
    ASSERT_EQ(::link(c(plant).constData(), c(linked).constData()), 0);   // written in place
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit {16 * 1024, 16 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const auto inPlace = copyBack(work, plant);
        const auto renamed = copyBack(work, single);
        ::_exit(inPlace && inPlace->endsWith("the file was left as it was") && renamed ? 0 : 1);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(readFile(plant), "old content");
    EXPECT_EQ(readFile(single), "old content");
    EXPECT_TRUE(savingFiles(dir.path()).isEmpty());
}

TEST_F(SafeSaveTest, ALinkAnotherUserPutInASharedFolderIsNeverWrittenThrough_AndTheFileItNamesIsTold)
{
    if (!runningAsRoot())
        GTEST_SKIP() << "another user needs root to be";
    const QString mine = folder("mine", 0755);
    const QString plant = mine + "/plant.mdb";
    writeFile(plant, "old");
    const QString shared = folder("shared", 01777);   // as /tmp
    const QString planted = shared + "/shared-plant.mdb", dangling = shared + "/new-plant.mdb";
    ASSERT_EQ(asOrdinaryUser([&]() -> int64_t {
                  return ::symlink(c(plant).constData(), c(planted).constData()) == 0
                         && ::symlink(c(mine + "/made.mdb").constData(), c(dangling).constData()) == 0;
              }),
              1);
    const QString refused = planted + " is a link that another user made in a shared folder; nothing is written through it to " + plant;
    EXPECT_EQ(copyBack(work, planted), refused);
    EXPECT_EQ(whyNotReplaceable(planted), refused);
    EXPECT_EQ(linkedFile(planted), plant);
    EXPECT_TRUE(copyBack(work, dangling).value_or("").startsWith(dangling + " is a link that another user made"));
    EXPECT_EQ(readFile(plant), "old");
    EXPECT_FALSE(QFileInfo::exists(mine + "/made.mdb"));
    EXPECT_TRUE(savingFiles(mine).isEmpty());

    // This user's own link there is followed, and so is one of the folder's owner.
    const QString own = shared + "/own-link.mdb";
    ASSERT_EQ(::symlink(c(plant).constData(), c(own).constData()), 0);
    EXPECT_EQ(copyBack(work, own), std::nullopt);
    EXPECT_EQ(readFile(plant), "new configuration content");
    const QString theirs = folder("theirs", 01777);
    ASSERT_EQ(::chown(c(theirs).constData(), ordinaryUid(), ordinaryGid()), 0);
    const QString ownersLink = theirs + "/plant.mdb";
    ASSERT_EQ(asOrdinaryUser([&]() -> int64_t { return ::symlink(c(plant).constData(), c(ownersLink).constData()) == 0; }), 1);
    writeFile(work, "through the owner's link");
    EXPECT_EQ(copyBack(work, ownersLink), std::nullopt);
    EXPECT_EQ(readFile(plant), "through the owner's link");
    EXPECT_EQ(linkedFile(plant), std::nullopt);
}
