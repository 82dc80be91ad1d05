#include "orvane/record/HistoryLog.h"

#include "orvane/formats/ConfigurationText.h"
#include "orvane/link/Protocol.h"
#include "orvane/record/ControllerImage.h"
#include "orvane/record/HeldConfiguration.h"
#include "orvane/record/TransferHistory.h"

#include <QCoreApplication>
#include <QSysInfo>

#include <pwd.h>
#include <unistd.h>

namespace orvane::record {

namespace t = orvane::transfer;

namespace {

QString operationName(t::Operation operation)
{
    switch (operation) {
    case t::Operation::Download: return QStringLiteral("download");
    case t::Operation::Upload: return QStringLiteral("upload");
    case t::Operation::Verify: break;
    }
    return QStringLiteral("verify");
}

QString resultName(t::TransferResult result)
{
    switch (result) {
    case t::TransferResult::Complete: return QStringLiteral("complete");
    case t::TransferResult::Incomplete: return QStringLiteral("incomplete");
    case t::TransferResult::Cancelled: return QStringLiteral("cancelled");
    case t::TransferResult::Differs: break;
    }
    return QStringLiteral("differs");
}

// The configuration's text form; "" when it cannot be read, which the entry then lacks.
QString configurationText(kessig::OrvaneDB& db)
{
    try {
        return orvane::formats::exportConfiguration(db);
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace

QString loginName()
{
    if (const passwd* user = ::getpwuid(::geteuid()))
        return QString::fromLocal8Bit(user->pw_name);
    return QString::number(::geteuid());
}

QString programAndVersion()
{
    return QCoreApplication::applicationName() + QLatin1Char(' ') + QStringLiteral(ORVANE_VERSION);
}

HistoryLog::HistoryLog(QString sharedFolder, QString file) : shared_(std::move(sharedFolder)), file_(recordedPath(file)) {}

std::optional<std::string> HistoryLog::record(const t::TransferFacts& facts, kessig::OrvaneDB& db)
{
    TransferEntry entry;
    entry.user = loginName();
    entry.host = QSysInfo::machineHostName();
    entry.program = programAndVersion();
    entry.operation = operationName(facts.operation);
    entry.port = QString::fromStdString(facts.port);
    entry.identification = QString::fromStdString(orvane::link::printableText(facts.identification));
    entry.file = file_;
    entry.outcome = resultName(facts.result);
    entry.note = QString::fromStdString(facts.note);
    if (facts.image) {
        entry.image = imageBytes(*facts.image);
        entry.imageSha256 = imageDigest(entry.image);
    }
    entry.text = configurationText(db);
    try {
        if (const auto failure = TransferHistory(historyFolder(shared_)).write(entry))
            return failure->toStdString();
    } catch (const std::exception& e) {
        return e.what();
    }
    return std::nullopt;
}

std::optional<std::string> HistoryLog::recordedAs(const t::ControllerMemory& image)
{
    try {
        const HeldConfiguration held = heldConfiguration(TransferHistory(historyFolder(shared_)), image);
        if (held.match)
            return recordedState(*held.match).toStdString();
    } catch (const std::exception&) {
        // No history to tell from: verify says what differs, as without one.
    }
    return std::nullopt;
}

} // namespace orvane::record
