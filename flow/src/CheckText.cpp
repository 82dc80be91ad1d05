#include "orvane/flow/CheckText.h"

#include <QJsonArray>

namespace orvane::flow {

QStringList findingLines(const std::vector<Finding>& findings)
{
    QStringList lines;
    for (const Finding& f : findings)
        lines << QStringLiteral("%1 %2: %3").arg(severityName(f.severity()), QLatin1String(f.rule->id), f.message);
    lines << findingCounts(findings);
    return lines;
}

QJsonObject findingsJson(const QString& file, const std::vector<Finding>& findings)
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
    return {{QStringLiteral("file"), file},
            {QStringLiteral("errors"), counts[0]},
            {QStringLiteral("warnings"), counts[1]},
            {QStringLiteral("information"), counts[2]},
            {QStringLiteral("findings"), list}};
}

std::optional<QString> errorsBeforeDownload(const std::vector<Finding>& findings, size_t listed,
                                            const QString& allListedBy)
{
    std::vector<Finding> errors = findings;
    std::erase_if(errors, [](const Finding& f) { return f.severity() != Severity::Error; });
    if (errors.empty())
        return std::nullopt;
    QStringList lines;
    for (size_t i = 0; i < errors.size() && i < listed; ++i)
        lines << errors[i].message;
    if (errors.size() > listed)
        lines << QStringLiteral("... and %1 more (%2 lists them all).").arg(errors.size() - listed).arg(allListedBy);
    return QStringLiteral("The configuration check found %1:\r\r%2")
        .arg(findingCounts(errors).section(QLatin1Char(','), 0, 0), lines.join(QLatin1Char('\r')));
}

} // namespace orvane::flow
