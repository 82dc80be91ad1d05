#include "orvane/formats/JetFiles.h"

#include "orvane/files/SafeSave.h"
#include "orvane/files/WorkingCopy.h"
#include "orvane/formats/JetHeader.h"

#include <kessig/OrvaneDB.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <csignal>
#include <memory>
#include <fcntl.h>
#include <cstdio>
#include <sys/prctl.h>
#include <sys/stat.h>

namespace orvane::formats {

namespace {

// A configuration reads in well under a second; a reader still busy after this is
// going round in circles on a damaged file.
constexpr int kReaderDeadlineMs = 30000;

// A copy of the user's file takes its times, and its mode where it stays beside it; a
// working copy is private to this user, read-only when the original is.
std::optional<QString> takeTimesAndMode(const QString& source, const QString& target, bool privateCopy)
{
    struct stat st {};
    const QByteArray from = QFile::encodeName(source), to = QFile::encodeName(target);
    if (::stat(from.constData(), &st) != 0)
        return source + QStringLiteral(" cannot be read: it has gone");
    const mode_t mode = privateCopy ? ((st.st_mode & S_IWUSR) ? 0600 : 0400) : (st.st_mode & 07777);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (::utimensat(AT_FDCWD, to.constData(), times, 0) != 0 || ::chmod(to.constData(), mode) != 0)
        return QStringLiteral("The copy of ") + source + QStringLiteral(" cannot be completed");
    return std::nullopt;
}

std::optional<QString> runReader(const QString& source, const QString& output)
{
    const QString failed = source + QStringLiteral(" cannot be read: ");
    const QString program = jetReaderProgram();
    if (!QFileInfo(program).isExecutable())
        return failed + QStringLiteral("the reader of Jet files, ") + program + QStringLiteral(", is not installed.");
    QProcess reader;
    reader.setProgram(program);
    reader.setArguments({QStringLiteral("--configuration"), source, output});
    reader.setStandardErrorFile(QProcess::nullDevice());
    // A reader must not outlive the program that waits for it.
    reader.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    reader.start(QIODevice::ReadOnly);
    if (!reader.waitForStarted())
        return failed + QStringLiteral("the reader of Jet files, ") + program + QStringLiteral(", cannot be started (")
               + reader.errorString() + QStringLiteral(").");
    if (!reader.waitForFinished(kReaderDeadlineMs)) {
        reader.kill();
        reader.waitForFinished();
        return failed + QStringLiteral("the reader of Jet files did not finish within %1 seconds, "
                                       "so the file is probably damaged.").arg(kReaderDeadlineMs / 1000);
    }
    if (reader.exitStatus() == QProcess::CrashExit)
        return failed + QStringLiteral("the reader of Jet files stopped on it, so the file is probably damaged.");
    if (reader.exitCode() != 0) {
        const QString reason = QString::fromUtf8(reader.readAllStandardOutput()).trimmed();
        return failed + (reason.isEmpty() ? QStringLiteral("the reader of Jet files failed (exit code %1)")
                                                .arg(reader.exitCode())
                                          : reason)
               + QLatin1Char('.');
    }
    return std::nullopt;
}

QString keptName(const QFileInfo& target)
{
    const QString suffix = target.suffix().isEmpty() ? QStringLiteral("mdb") : target.suffix();
    const QString stem = target.suffix().isEmpty() ? target.fileName() : target.completeBaseName();
    for (int n = 1;; ++n) {
        const QString name = stem + (n == 1 ? QStringLiteral(".jet.") : QStringLiteral(".jet-%1.").arg(n)) + suffix;
        const QString path = target.path() == QLatin1String(".") ? name : target.path() + QLatin1Char('/') + name;
        if (!QFileInfo::exists(path))
            return path;
    }
}

} // namespace

bool isJetFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(kJetHeaderSize);
    return readJetHeader(reinterpret_cast<const unsigned char*>(head.constData()), static_cast<std::size_t>(head.size()))
        .has_value();
}

QString jetReaderProgram()
{
    // The program's own folder, also for a program that makes no application object.
    const QString beside = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath() + QStringLiteral("/orvane-jet-reader");
    if (QFileInfo(beside).isExecutable())
        return beside;
    // Tests run from their own folder; the build tells them where the programs are.
    const QString binDir = qEnvironmentVariable("ORVANE_BIN_DIR");
    return binDir.isEmpty() ? beside : binDir + QStringLiteral("/orvane-jet-reader");
}

std::optional<QString> copyConfiguration(const QString& source, const QString& target)
{
    // Without its journal a copy would hold a half-written configuration.
    if (const std::string beside = kessig::interruptedWriteBeside(QFile::encodeName(source).toStdString()); !beside.empty())
        return source + QStringLiteral(" is not copied: a write into it did not finish (") + QFile::decodeName(beside.c_str())
               + QStringLiteral(" lies beside it) and was not recovered.");
    if (!isJetFile(source))
        return orvane::files::copyForWorking(source, target);
    std::unique_ptr<orvane::files::WorkingFolder> folder;
    try {
        folder = std::make_unique<orvane::files::WorkingFolder>(orvane::files::WorkingFolder::Purpose::JetReading);
    } catch (const std::runtime_error& e) {
        return QStringLiteral("No copy of ") + source + QStringLiteral(" can be made: ") + QString::fromStdString(e.what());
    }
    const QString output = folder->filePath(QStringLiteral("configuration"));
    if (auto error = runReader(source, output))
        return error;
    // Written into the target itself: a working copy is held by its open file.
    if (auto error = orvane::files::copyForWorking(output, target))
        return error;
    return takeTimesAndMode(source, target, true);
}

Replacement replaceConfiguration(const QString& source, const QString& target)
{
    Replacement r;
    // The journal of an unfinished write beside the old content would be rolled back
    // onto the new one by the next program that opens it.
    try {
        if (QFileInfo::exists(target))
            kessig::recoverInterruptedWrite(QFile::encodeName(target).toStdString(), target.toStdString());
    } catch (const kessig::DbError& e) {
        r.error = QString::fromStdString(e.text());
        return r;
    }
    if (isJetFile(target)) {
        r.keptOriginal = keptName(QFileInfo(target));
        auto error = orvane::files::copyKeepingTimes(target, r.keptOriginal);
        if (!error)
            error = takeTimesAndMode(target, r.keptOriginal, false);
        if (error) {
            QFile::remove(r.keptOriginal);
            r.error = QStringLiteral("The original of ") + target + QStringLiteral(" cannot be kept: ") + *error;
            r.keptOriginal.clear();
            return r;
        }
    }
    r.error = orvane::files::copyBack(source, target);
    if (r.error && !r.keptOriginal.isEmpty()) {
        // The original is still in its place.
        orvane::files::deleteFileForced(r.keptOriginal);
        r.keptOriginal.clear();
    }
    return r;
}

QString keptOriginalMessage(const QString& target, const QString& keptOriginal)
{
    return target + QStringLiteral(" was a legacy Jet file. It is now saved in this program's own format;")
           + QLatin1Char('\r') + QStringLiteral("the original is kept unchanged as ") + keptOriginal
           + QLatin1Char('.');
}

OwnFormatFile::OwnFormatFile(const QString& path, const QString& shown)
    : path_(path), recovered_(QString::fromStdString(kessig::recoverInterruptedWrite(
                       QFile::encodeName(path).toStdString(), (shown.isEmpty() ? path : shown).toStdString())))
{
    if (!isJetFile(path))
        return;
    std::optional<QString> unreadable;
    const auto read = [&](const QString& source, const QString& target) {
        unreadable = copyConfiguration(source, target);
        return unreadable;
    };
    try {
        copy_ = std::make_unique<orvane::files::WorkingCopy>(path, read);
    } catch (const std::runtime_error& e) {
        // The reader names the file itself; a copy that could not even be made does not.
        throw UnreadableConfiguration(unreadable ? unreadable->toStdString()
                                                 : path.toStdString() + " cannot be read: " + e.what());
    }
    path_ = copy_->path();
}

OwnFormatFile::~OwnFormatFile() = default;

} // namespace orvane::formats
