#include "PrivateFolder.h"

#include "Io.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane::files::detail {

namespace {

QByteArray encoded(const QString& path) { return QFile::encodeName(path); }

// Whether a user other than root and this one can rename what lies in the folder `path`.
std::optional<QString> whyChangeable(const QString& path, const struct stat& st)
{
    if (!S_ISDIR(st.st_mode))
        return path + QStringLiteral(" is not a folder");
    if (st.st_uid != 0 && st.st_uid != ::geteuid())
        return path + QStringLiteral(" belongs to another user, who could replace what lies in it");
    // The sticky bit lets each user rename only their own files.
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) && !(st.st_mode & S_ISVTX))
        return QStringLiteral("other users may write in ") + path + QStringLiteral(" and could replace what lies in it");
    return std::nullopt;
}

// Every folder from `canonical` up to the root is safe from other users.
std::optional<QString> whyChainOpen(const QString& canonical)
{
    for (QString at = canonical;; at = QFileInfo(at).path()) {
        struct stat st {};
        if (::stat(encoded(at).constData(), &st) != 0)
            return errnoText(QStringLiteral("Cannot examine"), at);
        if (auto why = whyChangeable(at, st))
            return why;
        if (at == QLatin1String("/"))
            return std::nullopt;
    }
}

std::optional<QString> canonicalFolder(const QString& folder, QString& reason)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty()) {
        reason = folder + QStringLiteral(" does not exist");
        return std::nullopt;
    }
    return canonical;
}

} // namespace

std::optional<QString> whyOpenToOthers(const QString& folder)
{
    QString reason;
    const auto canonical = canonicalFolder(folder, reason);
    return canonical ? whyChainOpen(*canonical) : reason;
}

std::optional<QString> ownClosedFolder(const QString& folder)
{
    QString reason;
    const auto canonical = canonicalFolder(folder, reason);
    struct stat st {};
    if (!canonical || ::stat(encoded(*canonical).constData(), &st) != 0 || !S_ISDIR(st.st_mode)
        || st.st_uid != ::geteuid() || (st.st_mode & (S_IWGRP | S_IWOTH)) || whyChainOpen(*canonical))
        return std::nullopt;
    return canonical;
}

QString makePrivateFolder(const QString& parent, const QString& name)
{
    QString reason;
    const auto canonical = canonicalFolder(parent, reason);
    if (canonical)
        reason = whyChainOpen(*canonical).value_or(QString());
    if (!reason.isEmpty())
        throw std::runtime_error(
            (QStringLiteral("No private folder can be made in ") + parent + QStringLiteral(": ") + reason).toStdString());
    const QString folder = *canonical + QLatin1Char('/') + name;
    const QByteArray path = encoded(folder);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        throw std::runtime_error(errnoText(QStringLiteral("Cannot make the folder"), folder).toStdString());
    // Another user may have taken the name first, in a folder everybody writes.
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0)
        throw std::runtime_error(errnoText(QStringLiteral("Cannot use the folder"), folder).toStdString());
    if (!S_ISDIR(st.st_mode))
        throw std::runtime_error((folder + QStringLiteral(" is not a folder")).toStdString());
    if (st.st_uid != ::geteuid())
        throw std::runtime_error(
            (folder + QStringLiteral(" belongs to another user, so it cannot hold this user's files")).toStdString());
    if ((st.st_mode & 077) != 0 && ::chmod(path.constData(), 0700) != 0)
        throw std::runtime_error(errnoText(QStringLiteral("Cannot make private the folder"), folder).toStdString());
    return folder;
}

QString privateTemporaryFolder()
{
    const QString name = QStringLiteral("orvane-") + QString::number(::geteuid());
    const QString temp = qEnvironmentVariable("TEMP");
    if (temp.isEmpty())
        return makePrivateFolder(QDir::tempPath(), name);
    try {
        return makePrivateFolder(temp, name);
    } catch (const std::runtime_error& e) {
        throw std::runtime_error(std::string(e.what()) + ". TEMP names that folder: set it to a folder of your own, or unset it.");
    }
}

} // namespace orvane::files::detail
