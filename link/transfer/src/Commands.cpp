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
    void progressDetail(const std::string& part, std::optional<int> secondsLeft) override
    {
        to_.progressDetail(part, secondsLeft);
    }
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

// The controller identified and an upload's reads through the open `port`; nothing on
// any failure (reported), with `refused` telling a controller that holds what cannot be
// stored.
std::optional<UploadedController> readWhole(orvane::link::Link& link, const PortSession& port,
                                            const Catalogue& catalogue, Reporter& reporter, TransferFacts& facts,
                                            bool& refused)
{
    if (!reached(link, port, reporter, facts))
        return std::nullopt;
    LinkExchange exchange(link);
    return readController(exchange, catalogue, reporter, &refused);
}

// A transfer that stopped once it had begun: cancelled, or the line failed (it said which).
Outcome stoppedShort(Reporter& reporter)
{
    return reporter.cancelRequested() ? Outcome::Cancelled : Outcome::NoController;
}

// The port opened before the question when the operator wants it so; false when that
// failed (noted in `facts`).
bool portBeforeQuestion(orvane::link::Link& link, const Operator& user, std::optional<PortSession>& port,
                        TransferFacts& facts)
{
    if (!user.portBeforeQuestion())
        return true;
    facts.port = link.devicePath();
    if (port.emplace(link).isOpen())
        return true;
    facts.note = texts::kPortNotOpened;
    return false;
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

// The download through the open `port`, its end noted in `facts`.
Outcome sendToController(orvane::link::Link& link, const PortSession& port, const Configuration& config,
                         const Catalogue& catalogue, const Image& image, Reporter& reporter, TransferFacts& facts)
{
    if (!reached(link, port, reporter, facts))
        return Outcome::NoController;
    if (!acceptForDownload(facts.identification, config, catalogue, reporter))
        return Outcome::Failed;
    LinkExchange exchange(link);
    facts.result = sendImage(exchange, image, reporter);
    return facts.result == TransferResult::Complete ? Outcome::Completed : stoppedShort(reporter);
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
    NotingReporter noting(reporter);
    TransferFacts facts;
    facts.operation = Operation::Download;
    facts.image = occupiedMemory(memoryOf(*image), catalogue);
    std::optional<PortSession> port;
    Outcome outcome = Outcome::NoController;
    if (portBeforeQuestion(link, user, port, facts)) {
        if (!user.confirmDownload())
            return Outcome::Declined;
        if (!port)
            port.emplace(link);
        outcome = sendToController(link, *port, config, catalogue, *image, noting, facts);
        port.reset();
    }
    keep(log, facts, noting, db, reporter);
    return outcome;
}

Outcome Command6_Click(orvane::link::Link& link, kessig::OrvaneDB& db, BlockFunctionTable& table,
                       Reporter& reporter, Operator& user, TransferLog& log)
{
    NotingReporter noting(reporter);
    TransferFacts facts;
    facts.operation = Operation::Upload;
    std::optional<PortSession> port;
    std::optional<UploadedController> uploaded;
    bool refused = false;
    if (portBeforeQuestion(link, user, port, facts)) {
        if (!user.askYesNo(texts::kUploadQuestion))
            return Outcome::Declined;
        const Catalogue catalogue = readCatalogue(db);
        if (!port)
            port.emplace(link);
        uploaded = readWhole(link, *port, catalogue, noting, facts, refused);
        port.reset();
        if (uploaded) {
            facts.image = occupiedMemory(memoryOf(*uploaded), catalogue);
            try {
                storeUpload(db, *uploaded, catalogue, table);
            } catch (const std::exception& e) {
                facts.note = std::string("The upload could not be stored: ") + e.what();
                keep(log, facts, noting, db, reporter);
                throw;
            }
            facts.result = TransferResult::Complete;
        }
    }
    const Outcome outcome = uploaded ? Outcome::Completed : refused ? Outcome::Failed : stoppedShort(noting);
    if (!uploaded)
        facts.result = stopped(noting);
    keep(log, facts, noting, db, reporter);
    return outcome;
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
    result.outcome = Outcome::NoController;
    {
        PortSession port(link);
        if (reached(link, port, noting, facts)) {
            LinkExchange exchange(link);
            memory = readBack(exchange, noting);
            if (!memory)
                result.outcome = stoppedShort(noting);
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
    bool refused = false;
    std::optional<UploadedController> read;
    {
        PortSession port(link);
        read = readWhole(link, port, catalogue, reporter, facts, refused);
    }
    ControllerReading reading{read ? Outcome::Completed : refused ? Outcome::Failed : stoppedShort(reporter), facts.port,
                              facts.identification, {}};
    if (read)
        reading.image = occupiedMemory(memoryOf(*read), catalogue);
    return reading;
}

} // namespace orvane::transfer
