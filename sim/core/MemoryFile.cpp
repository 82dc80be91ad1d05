#include "orvane/sim/SimulatorProcess.h"

#include <QFile>
#include <QSaveFile>

// One line per area: the area number, a space, the area's bytes in hex. Text
// so that a saved controller can be read and diffed; "#" starts a comment.

namespace orvane::sim {

std::map<int, std::vector<uint8_t>> readMemoryFile(const QString &path)
{
    std::map<int, std::vector<uint8_t>> areas;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return areas;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const qsizetype space = line.indexOf(' ');
        if (space <= 0)
            continue;
        bool numeric = false;
        const int area = line.left(space).toInt(&numeric);
        const QByteArray hex = line.mid(space + 1).trimmed();
        if (!numeric || area < 0 || hex.size() % 2 != 0)
            continue;
        const QByteArray bytes = QByteArray::fromHex(hex);
        if (bytes.size() * 2 != hex.size()) // fromHex skips bad digits silently
            continue;
        areas[area] = std::vector<uint8_t>(bytes.begin(), bytes.end());
    }
    return areas;
}

bool writeMemoryFile(const QString &path, const std::map<int, std::vector<uint8_t>> &areas)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write("# orvane-sim memory: area number, then its bytes in hex\n");
    for (const auto &[area, bytes] : areas) {
        const QByteArray raw(reinterpret_cast<const char *>(bytes.data()), static_cast<qsizetype>(bytes.size()));
        file.write(QByteArray::number(area) + ' ' + raw.toHex() + '\n');
    }
    return file.commit();
}

} // namespace orvane::sim
