#include "orvane/monitor/CsvLog.h"

#include <algorithm>

namespace orvane::monitor {

namespace {
QString csvField(const QString& text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n')))
        return text;
    return QLatin1Char('"') + QString(text).replace(QStringLiteral("\""), QStringLiteral("\"\"")) + QLatin1Char('"');
}
QString csvTime(const QDateTime& at) { return at.toOffsetFromUtc(at.offsetFromUtc()).toString(Qt::ISODateWithMs); }
} // namespace

QString csvHeader(const std::vector<Watch>& watches, const QStringList& functionNames)
{
    QStringList fields{QStringLiteral("time")};
    for (std::size_t i = 0; i < watches.size(); ++i) {
        const QString name = static_cast<qsizetype>(i) < functionNames.size() ? functionNames[qsizetype(i)] : QString();
        fields << csvField(QStringLiteral("block %1 %2").arg(watches[i].block).arg(name.trimmed()).trimmed());
    }
    return fields.join(QLatin1Char(','));
}

QString csvRow(const QDateTime& at, const std::vector<Watch>& watches)
{
    QStringList fields{csvTime(at)};
    for (const Watch& watch : watches)
        fields << (watch.value.missing() || !watch.value.last()
                       ? QString()
                       : QString::fromStdString(formatValue(watch.reading, *watch.value.last())));
    return fields.join(QLatin1Char(','));
}

QString trendCsv(const TileTable& tiles, const TrendHistory& history, const QTimeZone& zone)
{
    struct Line {
        double atMs;
        QString text;
    };
    std::vector<Line> lines;
    for (int slot = 1; slot <= kTileSlots; ++slot) {
        const Tile* tile = tiles.at(slot);
        if (!tile)
            continue;
        const QString tileFields = QStringLiteral(",%1,%2,").arg(tile->block).arg(csvField(tile->tag));
        const double scale = tile->reading == Reading::Analog ? 100 : 1;
        for (const QPointF& point : history.points(tile->id)) {
            const QString value = QString::fromStdString(formatValue(tile->reading, qRound(point.y() * scale)));
            lines.push_back({point.x(), csvTime(QDateTime::fromMSecsSinceEpoch(qint64(point.x()), zone)) + tileFields + value});
        }
    }
    // Read in slot order: at one time the lines keep it.
    std::stable_sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) { return a.atMs < b.atMs; });
    QString csv = QStringLiteral("time,block,tag,value\n");
    for (const Line& line : lines)
        csv += line.text + QLatin1Char('\n');
    return csv;
}

} // namespace orvane::monitor
