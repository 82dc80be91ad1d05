#include "orvane/flow/CheckText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace orvane::flow {

QStringList findingLines(const std::vector<Finding>& findings)
{
    QStringList lines;
    for (const Finding& f : findings)
        lines << QStringLiteral("%1 %2: %3").arg(severityName(f.severity()), QLatin1String(f.rule->id), f.message);
    lines << findingCounts(findings);
    return lines;
}

QByteArray findingsJson(const QString& file, const std::vector<Finding>& findings)
{
    QJsonArray list;
    int counts[3] = {0, 0, 0};
    for (const Finding& f : findings) {
        ++counts[static_cast<int>(f.severity())];
        list.append(QJsonObject{{QStringLiteral("rule"), QLatin1String(f.rule->id)},
                                {QStringLiteral("severity"), severityName(f.severity())},
                                {QStringLiteral("block"), f.block < 0 ? QJsonValue() : QJsonValue(f.block)},
                                {QStringLiteral("place"), f.place},
                                {QStringLiteral("message"), f.message}});
    }
    const QJsonObject document{{QStringLiteral("file"), file},
                               {QStringLiteral("errors"), counts[0]},
                               {QStringLiteral("warnings"), counts[1]},
                               {QStringLiteral("information"), counts[2]},
                               {QStringLiteral("findings"), list}};
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

} // namespace orvane::flow
