#include "orvane/record/HeldConfiguration.h"

#include <QFileInfo>
#include <QJsonArray>

namespace orvane::record {

namespace {

const QString kComplete = QStringLiteral("complete");
const QString kDownload = QStringLiteral("download");

QString pastTense(const QString& operation)
{
    if (operation == kDownload)
        return QStringLiteral("downloaded");
    if (operation == QLatin1String("upload"))
        return QStringLiteral("uploaded");
    return QStringLiteral("verified");
}

QJsonArray numbers(const std::vector<int>& list)
{
    QJsonArray array;
    for (int n : list)
        array.append(n);
    return array;
}

} // namespace

HeldConfiguration heldConfiguration(const TransferHistory& history, const orvane::transfer::ControllerMemory& image)
{
    HeldConfiguration held;
    held.imageSha256 = imageDigest(imageBytes(image));
    TransferHistory::Listing listing = history.list();
    held.warnings = listing.warnings;
    // Newest first: the first completed download of this image, else any completed transfer.
    for (const TransferEntry& e : listing.entries) {
        if (e.outcome != kComplete || e.imageSha256 != held.imageSha256)
            continue;
        if (e.operation == kDownload) {
            held.match = e;
            break;
        }
        if (!held.match)
            held.match = e;
    }
    if (held.match)
        return held;
    for (const TransferEntry& e : listing.entries) {
        if (e.imageSha256.isEmpty())
            continue;
        const auto whole = history.read(e);
        const auto recorded = whole && !whole->changed ? memoryOfImage(whole->entry.image) : std::nullopt;
        if (!recorded)
            continue;
        ImageDifferences differences = imageDifferences(image, *recorded);
        // The fewest differences; of equals, a download before a transfer that read the
        // same image back, then the newest.
        const bool better = !held.nearest || differences.count() < held.differences.count()
                            || (differences.count() == held.differences.count() && e.operation == kDownload
                                && held.nearest->operation != kDownload);
        if (better) {
            held.nearest = e;
            held.differences = std::move(differences);
        }
    }
    return held;
}

QString recordedState(const TransferEntry& entry)
{
    return QFileInfo(entry.file).fileName() + QStringLiteral(" as ") + pastTense(entry.operation) + QLatin1Char(' ')
           + shownTime(entry) + QStringLiteral(" by ") + entry.user + QStringLiteral(" on ") + entry.host;
}

QString heldText(const HeldConfiguration& held)
{
    if (held.match)
        return QStringLiteral("The controller holds ") + recordedState(*held.match) + QStringLiteral(" (entry ")
               + held.match->id + QStringLiteral(", ") + held.match->file + QStringLiteral(").");
    QString text = QStringLiteral("The controller matches no recorded download.");
    if (!held.nearest)
        return text + QStringLiteral(" No entry of the history holds a controller image to compare it with.");
    return text + QStringLiteral("\nNearest: entry ") + held.nearest->id + QStringLiteral(", ") + recordedState(*held.nearest)
           + QStringLiteral(" (") + held.nearest->outcome + QStringLiteral(", ") + held.nearest->file
           + QStringLiteral(");\nwhat differs: ")
           + (held.differences.count() ? held.differences.text() : QStringLiteral("nothing, but that transfer did not complete"))
           + QLatin1Char('.');
}

QJsonObject heldJson(const HeldConfiguration& held)
{
    QJsonObject o{{QStringLiteral("imageSha256"), held.imageSha256},
                  {QStringLiteral("match"), held.match ? QJsonValue(entryJson(*held.match)) : QJsonValue()}};
    if (held.nearest) {
        o.insert(QStringLiteral("nearest"), entryJson(*held.nearest));
        o.insert(QStringLiteral("differences"),
                 QJsonObject{{QStringLiteral("blocks"), numbers(held.differences.blocks)},
                             {QStringLiteral("messages"), numbers(held.differences.messages)},
                             {QStringLiteral("quickMessages"), numbers(held.differences.quick)}});
    }
    return o;
}

} // namespace orvane::record
