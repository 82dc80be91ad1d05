#include "orvane/record/HistoryReports.h"

#include <QJsonArray>

namespace orvane::record {

namespace {

QString entryLine(const TransferEntry& e)
{
    return QStringLiteral("%1  %2  %3 %4  %5  by %6 on %7  port %8")
        .arg(e.id, shownTime(e), e.operation, e.outcome, e.file, e.user, e.host, e.port);
}

QJsonArray entriesJson(const std::vector<TransferEntry>& entries)
{
    QJsonArray array;
    for (const TransferEntry& e : entries)
        array.append(entryJson(e));
    return array;
}

} // namespace

QByteArray listingText(const std::vector<TransferEntry>& entries)
{
    QByteArray out;
    for (const TransferEntry& e : entries)
        out += entryLine(e).toUtf8() + '\n';
    return out;
}

QJsonObject listingJson(const QString& folder, const std::vector<TransferEntry>& entries, const QStringList& skipped)
{
    return {{QStringLiteral("folder"), folder},
            {QStringLiteral("entries"), entriesJson(entries)},
            {QStringLiteral("skipped"), QJsonArray::fromStringList(skipped)}};
}

QByteArray entryText(const ParsedEntry& parsed)
{
    const TransferEntry& e = parsed.entry;
    QStringList lines{QStringLiteral("entry          %1").arg(e.id),
                      QStringLiteral("time           %1").arg(e.time),
                      QStringLiteral("operation      %1").arg(e.operation),
                      QStringLiteral("outcome        %1").arg(e.outcome),
                      QStringLiteral("file           %1").arg(e.file),
                      QStringLiteral("user           %1 on %2").arg(e.user, e.host),
                      QStringLiteral("program        %1").arg(e.program),
                      QStringLiteral("port           %1").arg(e.port),
                      QStringLiteral("controller     %1").arg(e.identification),
                      QStringLiteral("image SHA-256  %1").arg(e.imageSha256.isEmpty() ? QStringLiteral("none") : e.imageSha256)};
    if (!e.note.isEmpty())
        lines << QStringLiteral("note           ") + QString(e.note).replace(QLatin1Char('\r'), QStringLiteral("\n               "));
    if (parsed.changed)
        lines << QStringLiteral("CHANGED since it was written: what follows is not what was recorded");
    lines << QString() << (e.text.isEmpty() ? QStringLiteral("(no configuration recorded)") : e.text);
    QByteArray out = lines.join(QLatin1Char('\n')).toUtf8();
    if (!out.endsWith('\n'))
        out += '\n';
    return out;
}

QJsonObject entryJsonWhole(const ParsedEntry& parsed)
{
    QJsonObject o = entryJson(parsed.entry);
    o.insert(QStringLiteral("changedSinceWritten"), parsed.changed);
    o.insert(QStringLiteral("text"), parsed.entry.text);
    return o;
}

QByteArray checkText(const TransferHistory::Check& check)
{
    QByteArray out;
    for (const TransferEntry& e : check.changed)
        out += "changed since it was written: " + entryLine(e).toUtf8() + '\n';
    out += QStringLiteral("%1 entries as written, %2 changed, %3 not whole\n")
               .arg(check.whole)
               .arg(check.changed.size())
               .arg(check.warnings.size())
               .toUtf8();
    return out;
}

QJsonObject checkJson(const TransferHistory::Check& check)
{
    return {{QStringLiteral("whole"), check.whole},
            {QStringLiteral("changed"), entriesJson(check.changed)},
            {QStringLiteral("notWhole"), QJsonArray::fromStringList(check.warnings)}};
}

QByteArray heldReportText(const HeldConfiguration& held, const QString& port, const QString& identification)
{
    return (QStringLiteral("Controller on %1: %2\n").arg(port, identification) + heldText(held) + QLatin1Char('\n')).toUtf8();
}

QJsonObject heldReportJson(const HeldConfiguration& held, const QString& port, const QString& identification)
{
    QJsonObject o = heldJson(held);
    o.insert(QStringLiteral("port"), port);
    o.insert(QStringLiteral("identification"), identification);
    return o;
}

} // namespace orvane::record
