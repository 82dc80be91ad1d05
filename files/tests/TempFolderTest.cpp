// The temporary folder shared by the editor and the companion programs, and how files
// are replaced and read there.

#include "orvane/files/TempFolder.h"
#include "support/EnvironmentVariable.h"
#include "support/FileContent.h"
#include "support/OrdinaryUser.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

using namespace orvane::files;
using orvane::testsupport::contentOf;
using orvane::testsupport::EnvironmentVariable;
using orvane::testsupport::writeContent;

namespace {

mode_t modeOf(const QString& path)
{
    struct stat st {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

} // namespace

TEST(TempFolder, WithoutTempOnePrivateFolderOfThisUserIsMadeOrMadePrivateAndAStrangerIsRefused)
{
    QTemporaryDir system;
    EnvironmentVariable tmpdir("TMPDIR", system.path().toUtf8());
    EnvironmentVariable temp("TEMP", QByteArray());
    const QString expected = system.path() + QStringLiteral("/orvane-") + QString::number(::getuid());
    EXPECT_EQ(tempFolder(), expected);
    EXPECT_EQ(modeOf(expected), 0700u);
    EXPECT_EQ(tempFolder(), expected);   // the same folder on every call

    ::chmod(QFile::encodeName(expected).constData(), 0755);
    EXPECT_EQ(tempFolder(), expected);
    EXPECT_EQ(modeOf(expected), 0700u);

    // A link planted at the name (here to a folder of ours) is not taken for the folder.
    ASSERT_TRUE(QDir(expected).removeRecursively());
    QDir(system.path()).mkdir(QStringLiteral("elsewhere"));
    ASSERT_TRUE(QFile::link(system.path() + QStringLiteral("/elsewhere"), expected));
    EXPECT_THROW(tempFolder(), std::runtime_error);
}

// What the companion programs write there is read again by the editor: TEMP serves only
// when no other user can replace what lies in it.
TEST(TempFolder, TempIsTakenWhenNoOtherUserCanChangeIt_ElseAPrivateFolderIsMadeInIt_ElseItIsRefused)
{
    using orvane::testsupport::asOrdinaryUser;
    using orvane::testsupport::runningAsRoot;
    QTemporaryDir system;
    ::chmod(QFile::encodeName(system.path()).constData(), 0755);   // the other user may pass
    const auto folder = [&](const char* name, mode_t mode) {
        const QString path = system.filePath(QLatin1String(name));
        QDir().mkdir(path);
        ::chmod(QFile::encodeName(path).constData(), mode);
        return path;
    };
    const QString uid = QString::number(::getuid());
    const auto refusal = [](const char* temp) -> QString {
        EnvironmentVariable variable("TEMP", temp);
        try {
            tempFolder();
        } catch (const std::runtime_error& e) {
            return QString::fromStdString(e.what());
        }
        return QStringLiteral("<taken>");
    };

    const QString own = folder("own", 0755);
    {
        EnvironmentVariable temp("TEMP", own.toUtf8());
        EXPECT_EQ(tempFolder(), own);
    }

    // Anyone may write in it, without the sticky bit: anyone could rename a file over
    // the comments file between Juxta's writing and the editor's reading.
    const QString open = folder("open", 0777);
    QString reason = refusal(open.toUtf8().constData());
    EXPECT_TRUE(reason.contains(QStringLiteral("other users may write in ") + open) && reason.contains(QStringLiteral("TEMP")))
        << reason.toStdString();
    EXPECT_TRUE(QDir(open).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    reason = refusal(system.filePath(QStringLiteral("missing")).toUtf8().constData());
    EXPECT_TRUE(reason.contains(system.filePath(QStringLiteral("missing")) + QStringLiteral(" does not exist"))) << reason.toStdString();

    // With the sticky bit, as /tmp: a private folder in it that the other user can
    // neither enter, rename nor put a file into.
    const QString shared = folder("shared", 01777);
    QString mine;
    {
        EnvironmentVariable temp("TEMP", shared.toUtf8());
        mine = tempFolder();
    }
    EXPECT_EQ(mine, shared + QStringLiteral("/orvane-") + uid);
    EXPECT_EQ(modeOf(mine), 0700u);
    ASSERT_EQ(replaceFileContent(mine + QStringLiteral("/COMMENTS.TXT"), "\"ours\"\r\n"), std::nullopt);
    if (!runningAsRoot())
        return;   // another user needs root to be
    const int64_t replaced = asOrdinaryUser([&]() -> int64_t {
        const QByteArray theirs = QFile::encodeName(shared + QStringLiteral("/theirs"));
        QFile f(QFile::decodeName(theirs));
        if (!f.open(QIODevice::WriteOnly) || f.write("\"planted\"\r\n") < 0)
            return -1;
        f.close();
        return (::rename(theirs.constData(), QFile::encodeName(mine + QStringLiteral("/COMMENTS.TXT")).constData()) == 0)
               + (::rename(QFile::encodeName(mine).constData(), QFile::encodeName(shared + QStringLiteral("/moved")).constData()) == 0);
    });
    EXPECT_EQ(replaced, 0);
    EXPECT_EQ(readRegularFile(mine + QStringLiteral("/COMMENTS.TXT")), QByteArray("\"ours\"\r\n"));

    // The other user took the name first.
    const QString taken = folder("taken", 01777);
    ASSERT_EQ(asOrdinaryUser([&]() -> int64_t { return QDir().mkdir(taken + QStringLiteral("/orvane-") + uid); }), 1);
    reason = refusal(taken.toUtf8().constData());
    EXPECT_TRUE(reason.contains(taken + QStringLiteral("/orvane-") + uid + QStringLiteral(" belongs to another user")))
        << reason.toStdString();
}

TEST(TempFolder, ReplacingNeverFollowsAPlantedLinkAndAFailedWriteLeavesNothingBehind)
{
    QTemporaryDir dir;
    const QString victim = dir.filePath(QStringLiteral("victim.txt"));
    const QString target = dir.filePath(QStringLiteral("COMMENTS.TXT"));
    ASSERT_TRUE(writeContent(victim, "precious"));
    ASSERT_TRUE(QFile::link(victim, target));
    EXPECT_EQ(readRegularFile(target), std::nullopt);   // a link is not read through

    EXPECT_EQ(replaceFileContent(target, QByteArray("\"new\"\r\n")), std::nullopt);
    EXPECT_EQ(contentOf(victim), QByteArray("precious"));
    EXPECT_FALSE(QFileInfo(target).isSymLink());
    EXPECT_EQ(readRegularFile(target), QByteArray("\"new\"\r\n"));
    EXPECT_EQ(replaceFileContent(target, QByteArray()), std::nullopt);
    EXPECT_EQ(readRegularFile(target), QByteArray(""));
    EXPECT_EQ(readRegularFile(dir.filePath(QStringLiteral("missing"))), std::nullopt);
    EXPECT_EQ(readRegularFile(dir.path()), std::nullopt);

    const QString closed = dir.filePath(QStringLiteral("closed"));
    QDir(dir.path()).mkdir(QStringLiteral("closed"));
    ::chmod(QFile::encodeName(closed).constData(), 0500);
    if (::access(QFile::encodeName(closed).constData(), W_OK) != 0) {   // root writes anyway
        const auto reason = replaceFileContent(closed + QStringLiteral("/CompareResult"), "0\r\n");
        ASSERT_TRUE(reason.has_value());
        EXPECT_TRUE(reason->contains(closed)) << reason->toStdString();
    }
    EXPECT_TRUE(QDir(closed).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
    ::chmod(QFile::encodeName(closed).constData(), 0700);
}

TEST(TempFolder, ANewFileNeverReplacesWhatHasItsNameNorLeavesAnythingBeside)
{
    QTemporaryDir dir;
    const QString victim = dir.filePath(QStringLiteral("victim.txt"));
    const QString planted = dir.filePath(QStringLiteral("entry"));
    ASSERT_TRUE(writeContent(victim, "precious"));
    ASSERT_TRUE(QFile::link(victim, planted));
    const auto refused = writeNewFile(planted, "new");
    ASSERT_TRUE(refused.has_value());
    EXPECT_TRUE(refused->contains(planted)) << refused->toStdString();
    EXPECT_EQ(contentOf(victim), QByteArray("precious"));
    EXPECT_TRUE(QFileInfo(planted).isSymLink());

    const QString fresh = dir.filePath(QStringLiteral("fresh"));
    EXPECT_EQ(writeNewFile(fresh, "first"), std::nullopt);
    EXPECT_TRUE(writeNewFile(fresh, "second").has_value());
    EXPECT_EQ(contentOf(fresh), QByteArray("first"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({QStringLiteral("entry"), QStringLiteral("fresh"), QStringLiteral("victim.txt")}));
}
