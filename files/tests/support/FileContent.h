#pragma once
// A file's whole content in a test, read or written in one call.
#include <QByteArray>
#include <QFile>
#include <QString>

namespace orvane::testsupport {

// The content, or "<missing>" when the file cannot be read.
inline QByteArray contentOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Makes or truncates the file with `bytes`; false when it cannot be written.
inline bool writeContent(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace orvane::testsupport
