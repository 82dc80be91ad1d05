// The temporary folder shared by the editor and the companion programs, and how files
// are replaced and read there.

#include "orvane/files/TempFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

using namespace orvane::files;

namespace {

mode_t modeOf(const QString& path)
{
    struct stat st {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

QByteArray contentOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

class EnvironmentVariable {
public:
    EnvironmentVariable(const char* name, const QByteArray& value) : name_(name), old_(qgetenv(name)), had_(qEnvironmentVariableIsSet(name))
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~EnvironmentVariable()
    {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    QByteArray old_;
    bool had_;
};

} // namespace

TEST(TempFolder, TempWinsElseOnePrivateFolderOfThisUserIsMadeOrMadePrivateAndAStrangerIsRefused)
{
    QTemporaryDir system;
    EnvironmentVariable tmpdir("TMPDIR", system.path().toUtf8());
    {
        EnvironmentVariable temp("TEMP", "/somewhere/else");
        EXPECT_EQ(tempFolder(), QStringLiteral("/somewhere/else"));
    }
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

TEST(TempFolder, ReplacingNeverFollowsAPlantedLinkAndAFailedWriteLeavesNothingBehind)
{
    QTemporaryDir dir;
    const QString victim = dir.filePath(QStringLiteral("victim.txt"));
    const QString target = dir.filePath(QStringLiteral("COMMENTS.TXT"));
    {
        QFile f(victim);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("precious");
    }
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
