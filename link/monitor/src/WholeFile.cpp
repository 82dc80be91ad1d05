#include "orvane/monitor/WholeFile.h"

#include <QSaveFile>

namespace orvane::monitor {

std::optional<QString> writeWholeFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (file.write(bytes) != bytes.size() || !file.commit())
        return file.errorString();
    return std::nullopt;
}

} // namespace orvane::monitor
