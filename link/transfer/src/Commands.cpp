#include "orvane/transfer/Commands.h"

#include "orvane/link/Link.h"
#include "orvane/transfer/LinkExchange.h"
#include "orvane/transfer/StoreBridge.h"
#include "orvane/transfer/Texts.h"
#include "orvane/transfer/Transfer.h"

#include <kessig/OrvaneDB.h>

#include <optional>

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
// `file` is the user's name of the configuration.
std::optional<Image> imageToSend(const Configuration& config, const Catalogue& catalogue, const std::string& file,
                                 Reporter& reporter)
{
    ImageResult result = computeImage(config, catalogue);
    if (result.fault) {
        reporter.message(texts::configurationRefused(file, result.fault->table, result.fault->row,
                                                     result.fault->problem),
                         "", Icon::Exclamation);
        return std::nullopt;
    }
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

// Says which texts lose characters on the way (they go out as "?").
void noteTextsOutsideCodePage(const Configuration& config, Reporter& reporter)
{
    orvane::codepage::TextsOutsideCp1252 lossy;
    for (size_t n = 0; n < config.messages.size(); ++n)
        lossy.check("message " + std::to_string(n), config.messages[n]);
    for (size_t j = 0; j < config.quick.size(); ++j)
        lossy.check("quick message " + std::to_string(j), config.quick[j].text);
    if (!lossy.empty())
        reporter.message(texts::textsSentWithQuestionMarks(lossy), "", Icon::Information);
}

// A transfer that stopped once it had begun: cancelled, or the line failed (it said which).
Outcome stoppedShort(Reporter& reporter)
{
    return reporter.cancelRequested() ? Outcome::Cancelled : Outcome::NoController;
}

} // namespace

Outcome CMDDWNLD_Click(orvane::link::Link& link, kessig::OrvaneDB& db, const std::string& file, Reporter& reporter,
                       Operator& user)
{
    // Everything the file alone decides is settled before the user is asked to put the
    // controller into S/M mode.
    const Catalogue catalogue = readCatalogue(db);
    const Configuration config = readConfiguration(db);
    const std::optional<Image> image = imageToSend(config, catalogue, file, reporter);
    if (!image)
        return Outcome::Failed;
    noteTextsOutsideCodePage(config, reporter);
    std::optional<PortSession> port;
    if (user.portBeforeQuestion() && !port.emplace(link).isOpen())
        return Outcome::NoController;
    if (!user.confirmDownload())
        return Outcome::Declined;
    if (!port)
        port.emplace(link);
    if (!port->isOpen() || !controllerAnswers(link, reporter))
        return Outcome::NoController;
    const std::string identification = link.read_version_id();
    // An unanswered identification read is a lost controller, not an old ROM.
    if (!link.reply_ok) {
        reporter.message(texts::kNoConnection, "", Icon::None);
        return Outcome::NoController;
    }
    if (!acceptForDownload(identification, config, catalogue, reporter))
        return Outcome::Failed;
    LinkExchange exchange(link);
    if (sendImage(exchange, *image, reporter))
        return Outcome::Completed;
    return stoppedShort(reporter);
}

Outcome Command6_Click(orvane::link::Link& link, kessig::OrvaneDB& db, BlockFunctionTable& table,
                       Reporter& reporter, Operator& user)
{
    std::optional<PortSession> port;
    if (user.portBeforeQuestion() && !port.emplace(link).isOpen())
        return Outcome::NoController;
    if (!user.askYesNo(texts::kUploadQuestion))
        return Outcome::Declined;
    const Catalogue catalogue = readCatalogue(db);
    std::optional<UploadedController> uploaded;
    if (!port)
        port.emplace(link);
    if (!port->isOpen() || !controllerAnswers(link, reporter))
        return Outcome::NoController;
    LinkExchange exchange(link);
    bool refused = false;
    uploaded = readController(exchange, catalogue, reporter, &refused);
    port.reset();
    if (!uploaded)
        return refused ? Outcome::Failed : stoppedShort(reporter);
    storeUpload(db, *uploaded, catalogue, table);
    return Outcome::Completed;
}

VerifyResult verifyAgainstController(orvane::link::Link& link, kessig::OrvaneDB& db, const std::string& file,
                                     Reporter& reporter)
{
    VerifyResult result;
    const Catalogue catalogue = readCatalogue(db);
    const std::optional<Image> image = imageToSend(readConfiguration(db), catalogue, file, reporter);
    if (!image)
        return result;
    PortSession port(link);
    result.outcome = Outcome::NoController;
    if (!port.isOpen() || !controllerAnswers(link, reporter))
        return result;
    LinkExchange exchange(link);
    const std::optional<ControllerMemory> memory = readBack(exchange, reporter);
    if (!memory) {
        result.outcome = stoppedShort(reporter);
        return result;
    }
    result.differences = compareWithImage(*image, *memory);
    result.outcome = Outcome::Completed;
    return result;
}

} // namespace orvane::transfer
