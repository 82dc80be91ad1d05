#include "orvane/monitor/CsvLog.h"

namespace orvane::monitor {

namespace {
QString csvField(const QString& text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n')))
        return text;
    return QLatin1Char('"') + QString(text).replace(QStringLiteral("\""), QStringLiteral("\"\"")) + QLatin1Char('"');
}
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
    QStringList fields{at.toOffsetFromUtc(at.offsetFromUtc()).toString(Qt::ISODateWithMs)};
    for (const Watch& watch : watches)
        fields << (watch.value.missing() || !watch.value.last()
                       ? QString()
                       : QString::fromStdString(formatValue(watch.reading, *watch.value.last())));
    return fields.join(QLatin1Char(','));
}

} // namespace orvane::monitor
