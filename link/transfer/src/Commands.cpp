#include "orvane/transfer/Commands.h"

#include "orvane/link/Link.h"
#include "orvane/transfer/LinkExchange.h"
#include "orvane/transfer/StoreBridge.h"
#include "orvane/transfer/Texts.h"
#include "orvane/transfer/Transfer.h"

#include <kessig/OrvaneDB.h>

namespace orvane::transfer {

namespace {

// Poll; the standard text when the controller does not answer.
bool controllerAnswers(orvane::link::Link& link, Reporter& reporter)
{
    link.poll_orvane();
    if (!link.reply_ok)
        reporter.message(texts::kNoConnection, "", Icon::None);
    return link.reply_ok;
}

// The image the configuration gives, or nothing after reporting why it cannot be made.
std::optional<Image> imageToSend(const Configuration& config, const Catalogue& catalogue, Reporter& reporter)
{
    ImageResult result = computeImage(config, catalogue);
    if (result.unknownFunction) {
        reporter.message(texts::downloadUnknownFunction(result.unknownFunction->block,
                                                        result.unknownFunction->function),
                         "", Icon::Exclamation);
        return std::nullopt;
    }
    if (result.syncError) {
        reporter.message(texts::databaseSyncError(result.syncError->block, result.syncError->recordBlock), "",
                         Icon::Exclamation);
        return std::nullopt;
    }
    if (result.slotsExceededAt) {
        reporter.message(texts::tooManyConstants(*result.slotsExceededAt), "", Icon::None);
        return std::nullopt;
    }
    return std::move(result.image);
}

} // namespace

Outcome CMDDWNLD_Click(orvane::link::Link& link, kessig::OrvaneDB& db, Reporter& reporter, Operator& user)
{
    if (!user.confirmDownload())
        return Outcome::Declined;
    const Catalogue catalogue = readCatalogue(db);
    const Configuration config = readConfiguration(db);

    PortSession port(link);
    if (!port.isOpen() || !controllerAnswers(link, reporter))
        return Outcome::Failed;
    const std::string identification = link.read_version_id();
    // An unanswered identification read is a lost controller, not an old ROM.
    if (!link.reply_ok) {
        reporter.message(texts::kNoConnection, "", Icon::None);
        return Outcome::Failed;
    }
    if (!acceptForDownload(identification, config, catalogue, reporter))
        return Outcome::Failed;
    // Checked before the first frame, so a configuration out of block order never
    // leaves the controller half written.
    const std::optional<Image> image = imageToSend(config, catalogue, reporter);
    if (!image)
        return Outcome::Failed;
    LinkExchange exchange(link);
    return sendImage(exchange, *image, reporter) ? Outcome::Completed : Outcome::Failed;
}

Outcome Command6_Click(orvane::link::Link& link, kessig::OrvaneDB& db, BlockFunctionTable& table,
                       Reporter& reporter, Operator& user)
{
    if (!user.askYesNo(texts::kUploadQuestion))
        return Outcome::Declined;
    const Catalogue catalogue = readCatalogue(db);
    std::optional<UploadedController> uploaded;
    {
        PortSession port(link);
        if (!port.isOpen() || !controllerAnswers(link, reporter))
            return Outcome::Failed;
        LinkExchange exchange(link);
        uploaded = readController(exchange, catalogue, reporter);
    }
    if (!uploaded)
        return Outcome::Failed;
    storeUpload(db, *uploaded, catalogue, table);
    return Outcome::Completed;
}

VerifyResult verifyAgainstController(orvane::link::Link& link, kessig::OrvaneDB& db, Reporter& reporter)
{
    VerifyResult result;
    const Catalogue catalogue = readCatalogue(db);
    const std::optional<Image> image = imageToSend(readConfiguration(db), catalogue, reporter);
    if (!image)
        return result;
    PortSession port(link);
    if (!port.isOpen() || !controllerAnswers(link, reporter))
        return result;
    LinkExchange exchange(link);
    const std::optional<ControllerMemory> memory = readBack(exchange, reporter);
    if (!memory)
        return result;
    result.differences = compareWithImage(*image, *memory);
    result.outcome = Outcome::Completed;
    return result;
}

std::string verifySummary(const std::vector<std::string>& differences, size_t maxLines)
{
    if (differences.empty())
        return kConfigurationMatches;
    std::string text = texts::kVerifyDiffers;
    for (size_t i = 0; i < differences.size() && i < maxLines; ++i)
        text += "\r" + differences[i];
    if (differences.size() > maxLines)
        text += "\r" + texts::moreDifferences(differences.size() - maxLines);
    return text;
}

} // namespace orvane::transfer
