#include "orvane/files/TempFolder.h"

#include "Held.h"
#include "Io.h"
#include "PrivateFolder.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane::files {

using detail::Fd;
using detail::errnoText;

QString tempFolder()
{
    const QString temp = qEnvironmentVariable("TEMP");
    if (!temp.isEmpty())
        if (const auto own = detail::ownClosedFolder(temp))
            return *own;
    return detail::privateTemporaryFolder();
}

std::optional<QString> replaceFileContent(const QString& path, const QByteArray& bytes)
{
    const QFileInfo info(path);
    QByteArray temp = QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName()
                                        + QStringLiteral(".new-XXXXXX"));
    Fd out(::mkostemp(temp.data(), O_CLOEXEC));
    if (!out)
        return errnoText(QStringLiteral("Cannot write in"), info.absolutePath());
    // Held, so that a program starting meanwhile leaves it; gone with a termination
    // signal, and after any other end with the next start (the marker leads there).
    detail::lockWithoutWaiting(out.fd);
    detail::removeOnTermination(temp);
    const detail::LeftoverMarker marker(temp);
    const auto fail = [&](const QString& reason) {
        ::unlink(temp.constData());
        detail::keepOnTermination(temp);
        return reason;
    };
    // Some file systems report a failed write only when a descriptor is closed: a
    // duplicate is closed, so that the file stays held until it is renamed.
    if (!detail::writeAllAt(out.fd, bytes, 0) || ::close(::fcntl(out.fd, F_DUPFD_CLOEXEC, 0)) != 0)
        return fail(errnoText(QStringLiteral("Cannot write"), path));
    if (::rename(temp.constData(), QFile::encodeName(path).constData()) != 0)
        return fail(errnoText(QStringLiteral("Cannot replace"), path));
    detail::keepOnTermination(temp);
    return std::nullopt;
}

std::optional<QByteArray> readRegularFile(const QString& path)
{
    const Fd in(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    struct stat st {};
    if (!in || ::fstat(in.fd, &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return detail::readAll(in.fd);
}

} // namespace orvane::files
