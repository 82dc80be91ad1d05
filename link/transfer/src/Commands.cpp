#include "orvane/transfer/Commands.h"

#include "orvane/link/Link.h"
#include "orvane/link/Protocol.h"
#include "orvane/transfer/LinkExchange.h"
#include "orvane/transfer/StoreBridge.h"
#include "orvane/transfer/Texts.h"
#include "orvane/transfer/Transfer.h"

#include <kessig/OrvaneDB.h>

namespace orvane::transfer {

namespace {

// Passes everything on to the user's reporter, keeping the last message (what a record
// notes of a transfer that stopped) and whether the user cancelled.
class NotingReporter : public Reporter {
public:
    explicit NotingReporter(Reporter& to) : to_(to) {}
    void message(const std::string& text, const std::string& title, Icon icon) override
    {
        last_ = text;
        to_.message(text, title, icon);
    }
    void progressStart(const std::string& caption) override { to_.progressStart(caption); }
    void progress(int percent) override { to_.progress(percent); }
    void progressEnd() override { to_.progressEnd(); }
    bool cancelRequested() override
    {
        cancelled_ = cancelled_ || to_.cancelRequested();
        return cancelled_;
    }
    const std::string& last() const { return last_; }
    bool cancelled() const { return cancelled_; }

private:
    Reporter& to_;
    std::string last_;
    bool cancelled_ = false;
};

// Poll and identification read; the standard text when the controller does not answer.
// An unanswered identification read is a lost controller, not an old ROM.
bool identified(orvane::link::Link& link, Reporter& reporter, std::string& identification)
{
    link.poll_orvane();
    if (link.reply_ok)
        identification = link.read_version_id();
    if (!link.reply_ok)
        reporter.message(texts::kNoConnection, "", Icon::None);
    return link.reply_ok;
}

// The port opened and the controller identified, for the facts of a transfer.
bool reached(orvane::link::Link& link, const PortSession& port, Reporter& reporter, TransferFacts& facts)
{
    facts.port = link.devicePath();
    if (!port.isOpen()) {
        facts.note = texts::kPortNotOpened;
        return false;
    }
    return identified(link, reporter, facts.identification);
}

// Keeps the facts; one that cannot be kept is said, and the transfer's outcome stands.
void keep(TransferLog& log, TransferFacts& facts, const NotingReporter& noting, kessig::OrvaneDB& db,
          Reporter& reporter)
{
    if (facts.result != TransferResult::Complete && facts.note.empty())
        facts.note = noting.last();
    if (const auto why = log.record(facts, db))
        reporter.message(texts::notRecorded(*why), "", Icon::Exclamation);
}

TransferResult stopped(const NotingReporter& noting)
{
    return noting.cancelled() ? TransferResult::Cancelled : TransferResult::Incomplete;
}

// Port, controller, identification and the upload's reads; nothing on any failure
// (reported).
std::optional<UploadedController> readWhole(orvane::link::Link& link, const Catalogue& catalogue,
                                            Reporter& reporter, TransferFacts& facts)
{
    PortSession port(link);
    if (!reached(link, port, reporter, facts))
        return std::nullopt;
    LinkExchange exchange(link);
    return readController(exchange, catalogue, reporter);
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
    orvane::link::TextsOutsideCp1252 lossy;
    for (size_t n = 0; n < config.messages.size(); ++n)
        lossy.check("message " + std::to_string(n), config.messages[n]);
    for (size_t j = 0; j < config.quick.size(); ++j)
        lossy.check("quick message " + std::to_string(j), config.quick[j].text);
    if (!lossy.empty())
        reporter.message(texts::textsSentWithQuestionMarks(lossy), "", Icon::Information);
}

// The download from the port's open on, its end noted in `facts`.
void sendToController(orvane::link::Link& link, const Configuration& config, const Catalogue& catalogue,
                      const Image& image, Reporter& reporter, TransferFacts& facts)
{
    PortSession port(link);
    if (!reached(link, port, reporter, facts) || !acceptForDownload(facts.identification, config, catalogue, reporter))
        return;
    LinkExchange exchange(link);
    facts.result = sendImage(exchange, image, reporter);
}

} // namespace

Outcome CMDDWNLD_Click(orvane::link::Link& link, kessig::OrvaneDB& db, const std::string& file, Reporter& reporter,
                       Operator& user, TransferLog& log)
{
    // Everything the file alone decides is settled before the user is asked to put the
    // controller into S/M mode.
    const Catalogue catalogue = readCatalogue(db);
    const Configuration config = readConfiguration(db);
    const std::optional<Image> image = imageToSend(config, catalogue, file, reporter);
    if (!image)
        return Outcome::Failed;
    noteTextsOutsideCodePage(config, reporter);
    if (!user.confirmDownload())
        return Outcome::Declined;

    NotingReporter noting(reporter);
    TransferFacts facts;
    facts.operation = Operation::Download;
    facts.image = occupiedMemory(memoryOf(*image), catalogue);
    sendToController(link, config, catalogue, *image, noting, facts);
    keep(log, facts, noting, db, reporter);
    return facts.result == TransferResult::Complete ? Outcome::Completed : Outcome::Failed;
}

Outcome Command6_Click(orvane::link::Link& link, kessig::OrvaneDB& db, BlockFunctionTable& table,
                       Reporter& reporter, Operator& user, TransferLog& log)
{
    if (!user.askYesNo(texts::kUploadQuestion))
        return Outcome::Declined;
    const Catalogue catalogue = readCatalogue(db);
    NotingReporter noting(reporter);
    TransferFacts facts;
    facts.operation = Operation::Upload;
    const std::optional<UploadedController> uploaded = readWhole(link, catalogue, noting, facts);
    if (!uploaded) {
        facts.result = stopped(noting);
        keep(log, facts, noting, db, reporter);
        return Outcome::Failed;
    }
    facts.image = occupiedMemory(memoryOf(*uploaded), catalogue);
    try {
        storeUpload(db, *uploaded, catalogue, table);
    } catch (const std::exception& e) {
        facts.note = std::string("The upload could not be stored: ") + e.what();
        keep(log, facts, noting, db, reporter);
        throw;
    }
    facts.result = TransferResult::Complete;
    keep(log, facts, noting, db, reporter);
    return Outcome::Completed;
}

VerifyResult verifyAgainstController(orvane::link::Link& link, kessig::OrvaneDB& db, const std::string& file,
                                     Reporter& reporter, TransferLog& log)
{
    VerifyResult result;
    const Catalogue catalogue = readCatalogue(db);
    const std::optional<Image> image = imageToSend(readConfiguration(db), catalogue, file, reporter);
    if (!image)
        return result;
    NotingReporter noting(reporter);
    TransferFacts facts;
    facts.operation = Operation::Verify;
    std::optional<ControllerMemory> memory;
    {
        PortSession port(link);
        if (reached(link, port, noting, facts)) {
            LinkExchange exchange(link);
            memory = readBack(exchange, noting);
        }
    }
    if (memory) {
        result.differences = compareWithImage(*image, *memory);
        result.outcome = Outcome::Completed;
        facts.image = occupiedMemory(*memory, catalogue);
        facts.result = result.differences.empty() ? TransferResult::Complete : TransferResult::Differs;
        if (!result.differences.empty())
            result.heldAs = log.recordedAs(*facts.image);
    } else {
        facts.result = stopped(noting);
    }
    keep(log, facts, noting, db, reporter);
    return result;
}

ControllerReading identifyController(orvane::link::Link& link, kessig::OrvaneDB& db, Reporter& reporter)
{
    const Catalogue catalogue = readCatalogue(db);
    TransferFacts facts;
    const std::optional<UploadedController> read = readWhole(link, catalogue, reporter, facts);
    ControllerReading reading{read ? Outcome::Completed : Outcome::Failed, facts.port, facts.identification, {}};
    if (read)
        reading.image = occupiedMemory(memoryOf(*read), catalogue);
    return reading;
}

} // namespace orvane::transfer
