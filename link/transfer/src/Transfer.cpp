#include "orvane/transfer/Transfer.h"

#include "orvane/link/Protocol.h"
#include "orvane/transfer/LineTrust.h"
#include "orvane/transfer/Rules.h"
#include "orvane/transfer/Texts.h"
#include "orvane/transfer/TimeLeft.h"

#include <algorithm>
#include <chrono>

namespace orvane::transfer {

namespace {

constexpr int kWriteReply = 5;
constexpr int kFrameBytes = 7;  // command, area, count, address and check bytes around the data
constexpr int kEndFrame = 3;

struct Area {
    uint8_t number;
    int pages;
    int pageBytes;
};
// What a download writes and its check reads back, in this order.
constexpr std::array<Area, 4> kDownloadAreas = {{{6, 2, kMessagePageBytes},
                                                 {9, 1, kQuickPageBytes},
                                                 {4, kBlockPages, kBlockPageBytes},
                                                 {3, kConstantPages, kConstantPageBytes}}};

constexpr long areaBytes(long perPage)
{
    long total = 0;
    for (const Area& a : kDownloadAreas)
        total += a.pages * (a.pageBytes + perPage);
    return total;
}
constexpr long kDownloadFrames = [] {
    long frames = 0;
    for (const Area& a : kDownloadAreas)
        frames += a.pages;
    return frames;
}();
// Frames and replies of writing every area, of reading every area back, and of a whole
// download with that check.
constexpr long kWriteWireBytes = areaBytes(kFrameBytes) + kDownloadFrames * kWriteReply;
constexpr long kReadBackWireBytes = kDownloadFrames * kFrameBytes + areaBytes(kFrameBytes);
constexpr long kEndWireBytes = kEndFrame + kWriteReply;
constexpr long kDownloadWireBytes = kWriteWireBytes + kReadBackWireBytes + kEndWireBytes;

// The frame and the reply of one read of `count` bytes.
constexpr long readWireBytes(long count) { return kFrameBytes + count + kFrameBytes; }

// One run of exchanges: stops before the next frame once the user has cancelled, and
// shows progress as the bytes of frames and replies so far over `wholeBytes` (none
// when 0: the caller sets its own percents), with the part under way and its time left.
class FrameRun {
public:
    FrameRun(Exchange& link, Reporter& reporter, long wholeBytes)
        : link_(link), reporter_(reporter), wholeBytes_(wholeBytes), timeLeft_(link.bytesPerSecond())
    {
    }

    // A part of the run begins: `bytes` of frames and replies in it, `laterBytes` after it.
    void part(const std::string& name, long bytes, long laterBytes)
    {
        part_ = name;
        timeLeft_.startPart(bytes, laterBytes, now());
        reporter_.progressDetail(part_, timeLeft_.seconds());
    }
    void replan(long bytesToGo) { timeLeft_.replan(bytesToGo); }

    // The reply, or nothing when it did not come or the run was cancelled.
    std::optional<std::vector<uint8_t>> exchange(const std::vector<uint8_t>& frame, int replyLength)
    {
        if (cancelled())
            return std::nullopt;
        anySent_ = true;
        auto reply = link_.sendAndGet(frame, replyLength);
        if (!reply)
            return reply;
        const auto bytes = static_cast<long>(frame.size() + reply->size());
        timeLeft_.advance(bytes, now());
        reporter_.progressDetail(part_, timeLeft_.seconds());
        if (wholeBytes_ > 0) {
            doneBytes_ += bytes;
            reporter_.progress(percentOf(doneBytes_, wholeBytes_));
        }
        return reply;
    }

    // True once a frame went out (or was tried).
    bool anySent() const { return anySent_; }

    bool cancelled()
    {
        cancelled_ = cancelled_ || reporter_.cancelRequested();
        return cancelled_;
    }
    void percent(int value)
    {
        percent_ = value;
        reporter_.progress(value);
    }
    int percent() const { return percent_; }
    Exchange& link() { return link_; }

private:
    static double now()
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    }
    Exchange& link_;
    Reporter& reporter_;
    long wholeBytes_;
    long doneBytes_ = 0;
    int percent_ = 0;
    bool cancelled_ = false;
    bool anySent_ = false;
    TimeLeft timeLeft_;
    std::string part_;
};

// Why a reading ended early: unanswered, disturbed beyond confirming, cancelled, or
// shown wrong by an undisturbed second reading (worth starting over once).
enum class Stop { None, Unanswered, Disturbed, Cancelled, Differs, Refused };

// Reads of controller memory, remembered so they can be taken again. The reads count
// together, as LineTrust counts a reading. When they do not, every read is taken again
// once the line is quiet (a second time if that, too, was disturbed), and the first
// re-reading that counts must give the same bytes.
class CheckedReader {
public:
    explicit CheckedReader(FrameRun& run) : run_(run), trust_(run.link()) { trust_.begin(); }

    // The data bytes of one read, or nothing (see stop()).
    std::optional<std::vector<uint8_t>> read(uint8_t area, uint8_t count, uint16_t address)
    {
        const std::vector<uint8_t> frame = readFrame(area, count, address);
        auto data = take(frame, count);
        if (data)
            reads_.push_back({frame, count, *data});
        return data;
    }

    Stop stop() { return run_.cancelled() ? Stop::Cancelled : Stop::Unanswered; }

    // Whether the reads so far can be trusted, reading them again if need be.
    Stop confirm()
    {
        if (trust_.confirmed())
            return Stop::None;
        for (int again = 0; again < kRereadings; ++again) {
            trust_.begin();
            bool same = true;
            for (const Read& r : reads_) {
                const auto data = take(r.frame, r.count);
                if (!data)
                    return stop();
                same = same && *data == r.data;
            }
            if (trust_.confirmed())
                return same ? Stop::None : Stop::Differs;
        }
        return Stop::Disturbed;
    }

private:
    static constexpr int kRereadings = 2;
    struct Read {
        std::vector<uint8_t> frame;
        uint8_t count;
        std::vector<uint8_t> data;
    };

    std::optional<std::vector<uint8_t>> take(const std::vector<uint8_t>& frame, uint8_t count)
    {
        const auto reply = run_.exchange(frame, count + kFrameBytes);
        if (!reply || reply->size() < size_t(count) + 5)
            return std::nullopt;
        return std::vector<uint8_t>(reply->begin() + 5, reply->begin() + 5 + count);
    }

    FrameRun& run_;
    LineTrust trust_;
    std::vector<Read> reads_;
};

// Reads once more from the start when an undisturbed re-reading showed the first wrong.
constexpr int kReadingsFromTheStart = 2;

// Areas 6, 9, 4 and 3 whole, trusted as CheckedReader trusts.
Stop readMemory(FrameRun& run, ControllerMemory& memory)
{
    Stop result = Stop::Differs;
    for (int reading = 0; reading < kReadingsFromTheStart && result == Stop::Differs; ++reading) {
        memory = {};
        CheckedReader in(run);
        const std::array<std::vector<uint8_t>*, 4> into = {&memory.messages, &memory.quick, &memory.blocks,
                                                           &memory.constants};
        result = Stop::None;
        for (size_t i = 0; i < kDownloadAreas.size() && result == Stop::None; ++i) {
            const Area& area = kDownloadAreas[i];
            for (int p = 0; p < area.pages && result == Stop::None; ++p) {
                const auto data = in.read(area.number, static_cast<uint8_t>(area.pageBytes),
                                          static_cast<uint16_t>(area.pageBytes * p));
                if (data)
                    into[i]->insert(into[i]->end(), data->begin(), data->end());
                else
                    result = in.stop();
            }
        }
        if (result == Stop::None)
            result = in.confirm();
    }
    return result == Stop::Differs ? Stop::Disturbed : result;
}

} // namespace

bool acceptForDownload(const std::string& identification, const Configuration& config,
                       const Catalogue& catalogue, Reporter& reporter)
{
    const std::optional<std::string> version = romVersionText(identification);
    const std::string shown = orvane::link::printableText(version.value_or(""));
    switch (checkRom(version, config)) {
    case RomVerdict::NeedsRom30:
        reporter.message(texts::romTooOldFor4694(shown), texts::kVersionConflictTitle, Icon::Exclamation);
        return false;
    case RomVerdict::NeedsRom304:
        reporter.message(texts::romTooOldFor84100(shown), texts::kVersionConflictTitle, Icon::Stop);
        return false;
    case RomVerdict::Accepted:
        break;
    }
    if (const auto block = blockExceedingConstants(config)) {
        reporter.message(texts::tooManyConstants(*block), "", Icon::None);
        return false;
    }
    if (const auto block = blockExceedingRetentive(config, catalogue)) {
        reporter.message(texts::tooManyRetentiveBytes(*block), "", Icon::None);
        return false;
    }
    return true;
}

TransferResult sendImage(Exchange& link, const Image& image, Reporter& reporter)
{
    reporter.progressStart(texts::kDownloadProgress);
    FrameRun run(link, reporter, kDownloadWireBytes);
    run.part(texts::kPartWriting, kWriteWireBytes, kReadBackWireBytes + kEndWireBytes);
    // Every way out before the end command leaves the controller in S/M mode.
    const auto stop = [&](const std::string& text, TransferResult result = TransferResult::Incomplete) {
        reporter.message(text, texts::kDownloadErrorTitle, Icon::Stop);
        reporter.progressEnd();
        return result;
    };
    // A page without its acknowledgement: one box, the page's own words first, then what
    // that leaves in the controller.
    const auto lost = [&](const std::string& headline, const std::string& what) {
        if (run.cancelled())
            return stop(run.anySent() ? texts::cancelledDownload(what) : texts::kCancelledBeforeWriting,
                        TransferResult::Cancelled);
        return stop(texts::incompleteDownload(headline, what));
    };
    const std::array<const std::vector<uint8_t>*, 4> from = {&image.messages, &image.quick, &image.blocks,
                                                             &image.constants};
    for (size_t i = 0; i < kDownloadAreas.size(); ++i) {
        const Area& area = kDownloadAreas[i];
        for (int p = 0; p < area.pages; ++p) {
            const size_t at = size_t(area.pageBytes) * size_t(p);
            if (run.exchange(writeFrame(area.number, static_cast<uint16_t>(at), from[i]->data() + at,
                                        size_t(area.pageBytes)),
                             kWriteReply))
                continue;
            switch (area.number) {
            case 6:
                return lost(texts::kMessagesFailed, "messages");
            case 9:
                return lost("", "quick messages");
            case 4:
                return lost(texts::blockPageFailed(p), "the block table");
            default:
                return lost(texts::kConstantTimeout, "the block constants");
            }
        }
    }

    // An acknowledgement may have been a reply that came late for another frame, so
    // only what the controller holds tells that every page arrived.
    ControllerMemory held;
    run.part(texts::kPartReadingBack, kReadBackWireBytes, kEndWireBytes);
    switch (readMemory(run, held)) {
    case Stop::Unanswered:
        return stop(texts::downloadUnchecked(texts::kCheckUnanswered));
    case Stop::Disturbed:
        return stop(texts::downloadUnchecked(texts::kCheckDisturbed));
    case Stop::Cancelled:
        return stop(texts::downloadUnchecked(texts::kCheckCancelled), TransferResult::Cancelled);
    case Stop::None:
    case Stop::Differs:  // readMemory has started over already
    case Stop::Refused:  // only an upload refuses what it reads
        break;
    }
    const std::vector<std::string> differences = compareWithImage(image, held);
    if (!differences.empty())
        return stop(texts::downloadDiffers(differenceLines(differences, kDifferencesShown)), TransferResult::Differs);

    // Not cancellable: the controller holds the whole configuration and should hear so.
    if (!link.sendAndGet(endOfDownloadFrame(), kWriteReply)) {
        reporter.message(texts::kEndNotConfirmed, texts::kDownloadErrorTitle, Icon::Exclamation);
        reporter.progressEnd();
        return TransferResult::Incomplete;
    }
    reporter.progress(100);
    reporter.progressEnd();
    return TransferResult::Complete;
}

namespace {

// The frames and replies of an upload that reads `constantPages` pages of constants.
constexpr long uploadWireBytes(int constantPages)
{
    return kBlockPages * readWireBytes(kBlockPageBytes) + constantPages * readWireBytes(kConstantPageBytes) +
           2 * readWireBytes(kMessagePageBytes) + readWireBytes(kQuickPageBytes) + readWireBytes(150) +
           readWireBytes(30);
}

std::optional<UploadedController> failUpload(Reporter& reporter, const std::string& text)
{
    reporter.message(text, texts::kUploadError, Icon::Exclamation);
    reporter.progressEnd();
    return std::nullopt;
}

// The block records a download of these functions writes, with the reserved bytes
// taken from `held`, which no rule fixes.
std::vector<uint8_t> expectedBlockRecords(const std::array<int16_t, kBlocks>& functions, const Catalogue& catalogue,
                                          const std::vector<uint8_t>& held)
{
    Configuration config;
    for (int16_t b = 0; b < kBlocks; ++b)
        config.blocks.push_back({b, functions[size_t(b)], 0});
    std::vector<uint8_t> expected = *blockRecords(config, catalogue);
    for (size_t at = 0; at + kBlockRecord <= expected.size() && at + kBlockRecord <= held.size(); at += kBlockRecord) {
        expected[at] = held[at];
        expected[at + kBlockRecord - 1] = held[at + kBlockRecord - 1];
    }
    return expected;
}

// One reading of what an upload stores. Every stop is reported here (with the progress
// window closed), except a reading that a re-reading showed wrong (Stop::Differs).
Stop readUpload(FrameRun& run, const Catalogue& catalogue, Reporter& reporter, UploadedController& up,
                std::vector<uint8_t>& blockTable)
{
    CheckedReader in(run);
    const auto fail = [&](const std::string& text) {
        failUpload(reporter, text);
        return Stop::Unanswered;
    };
    const auto unanswered = [&](const std::string& what) {
        return fail(run.cancelled() ? texts::kUploadCancelled : texts::uploadFailedAt(what));
    };
    const auto confirmed = [&] {
        const Stop stop = in.confirm();
        if (stop == Stop::Cancelled)
            return fail(texts::kUploadCancelled);
        if (stop == Stop::Unanswered || stop == Stop::Disturbed)
            return fail(texts::kUploadUnconfirmed);
        return stop;
    };

    int slotsNeeded = 0;
    for (int g = 0; g < kBlockPages; ++g) {
        const auto page = in.read(4, kBlockPageBytes, static_cast<uint16_t>(kBlockPageBytes * g));
        if (!page)
            return unanswered("the block table");
        for (int k = 0; k < 16; ++k) {
            const int block = g * 16 + k;
            const auto fn = static_cast<int16_t>((*page)[size_t(kBlockRecord) * k + 1]);
            const auto info = catalogue.find(fn);
            if (info == catalogue.end()) {
                // A reply that came late for another request could look like this one.
                if (const Stop stop = confirmed(); stop != Stop::None)
                    return stop;
                // Its constants could not be told apart in the slot stream: stop here.
                failUpload(reporter, texts::uploadStoppedUnknownFunction(block, fn));
                return Stop::Refused;
            }
            up.functions[size_t(block)] = fn;
            slotsNeeded += info->second.constantCount();
        }
        blockTable.insert(blockTable.end(), page->begin(), page->end());
        run.percent(2 * g + 1);
    }

    // The slot cursor reads a further page each time 32 slots have been consumed; past
    // the 40th page there is no constant memory to read (a full 1280 slots).
    const int pages = std::min(1 + slotsNeeded / kSlotsPerPage, kConstantPages);
    run.replan(uploadWireBytes(pages) - kBlockPages * readWireBytes(kBlockPageBytes));
    for (int page = 0; page < pages; ++page) {
        const auto data = in.read(3, kConstantPageBytes, static_cast<uint16_t>(kConstantPageBytes * page));
        if (!data)
            return unanswered("the block constants");
        up.constants.insert(up.constants.end(), data->begin(), data->end());
        run.percent(run.percent() + 2);
    }

    run.percent(85);
    for (int p = 0; p < 2; ++p) {
        const auto data = in.read(6, kMessagePageBytes, static_cast<uint16_t>(kMessagePageBytes * p));
        if (!data)
            return unanswered("the messages");
        up.messages.insert(up.messages.end(), data->begin(), data->end());
    }
    run.percent(90);
    const auto quick = in.read(9, kQuickPageBytes, 0);
    if (!quick)
        return unanswered("the quick messages");
    up.quick = *quick;
    return confirmed();
}

} // namespace

std::optional<UploadedController> readController(Exchange& link, const Catalogue& catalogue,
                                                 Reporter& reporter, bool* refused)
{
    reporter.progressStart(texts::kUploadProgress);
    FrameRun run(link, reporter, 0);
    run.part(texts::kPartReading, uploadWireBytes(kConstantPages), 0);
    UploadedController up;
    std::vector<uint8_t> blockTable;
    Stop stop = Stop::Differs;
    for (int reading = 0; reading < kReadingsFromTheStart && stop == Stop::Differs; ++reading) {
        up = {};
        blockTable.clear();
        stop = readUpload(run, catalogue, reporter, up, blockTable);
    }
    if (refused)
        *refused = stop == Stop::Refused;
    if (stop == Stop::Differs)
        return failUpload(reporter, texts::kUploadUnconfirmed);
    if (stop != Stop::None)
        return std::nullopt;
    // Each record carries sums that follow from the functions before it: a table that
    // breaks them would put constants in the wrong blocks.
    const auto inconsistent = blockRecordDifferences(expectedBlockRecords(up.functions, catalogue, blockTable),
                                                     blockTable);
    if (!inconsistent.empty()) {
        if (refused)
            *refused = true;
        return failUpload(reporter, texts::uploadInconsistentBlockTable(inconsistent.front(), inconsistent.size()));
    }
    up.blocks = std::move(blockTable);

    // Area 5 closes the upload on the controller's side; its data are not kept.
    run.percent(95);
    run.exchange(readFrame(5, 150, 0), 150 + kFrameBytes);
    if (run.exchange(readFrame(5, 30, 150), 30 + kFrameBytes))
        run.percent(100);
    if (run.cancelled())
        return failUpload(reporter, texts::kUploadCancelled);
    reporter.progressEnd();
    return up;
}

ControllerMemory memoryOf(const UploadedController& up)
{
    return {up.messages, up.quick, up.blocks, up.constants};
}

std::vector<ConstantRow> decodeConstants(const UploadedController& up, const Catalogue& catalogue)
{
    std::vector<ConstantRow> rows;
    size_t slot = 0;
    const auto byteAt = [&](size_t i) -> uint32_t { return i < up.constants.size() ? up.constants[i] : 0; };
    const auto shortAt = [&](size_t s) {
        return static_cast<int32_t>(static_cast<int16_t>((byteAt(s * 4) << 8) | byteAt(s * 4 + 1)));
    };
    const auto longAt = [&](size_t s) {
        return static_cast<int32_t>((byteAt(s * 4) << 24) | (byteAt(s * 4 + 1) << 16) |
                                    (byteAt(s * 4 + 2) << 8) | byteAt(s * 4 + 3));
    };
    for (int16_t b = 0; b < kBlocks; ++b) {
        const FunctionInfo& fn = catalogue.at(up.functions[size_t(b)]);
        int16_t k = 0;
        for (int i = 0; i < fn.inputs; ++i)
            rows.push_back({b, k++, shortAt(slot++)});
        for (int i = 0; i < fn.params; ++i) {
            const int16_t type = i < static_cast<int>(fn.paramTypes.size()) ? fn.paramTypes[i] : 0;
            const bool sixteen = type == 2 || type == 4;
            rows.push_back({b, k++, sixteen ? shortAt(slot) : longAt(slot)});
            ++slot;
        }
        for (int i = 0; i < fn.hidden; ++i, ++slot)
            rows.push_back({b, k++, 0});
    }
    return rows;
}

std::optional<ControllerMemory> readBack(Exchange& link, Reporter& reporter)
{
    reporter.progressStart(texts::kVerifyProgress);
    FrameRun run(link, reporter, kReadBackWireBytes);
    run.part(texts::kPartReading, kReadBackWireBytes, 0);
    ControllerMemory memory;
    const Stop stop = readMemory(run, memory);
    reporter.progressEnd();
    switch (stop) {
    case Stop::None:
        return memory;
    case Stop::Unanswered:
        reporter.message(texts::kVerifyUnanswered, "", Icon::Exclamation);
        break;
    case Stop::Disturbed:
        reporter.message(texts::kVerifyDisturbed, "", Icon::Exclamation);
        break;
    case Stop::Cancelled:
        reporter.message(texts::kVerifyCancelled, "", Icon::None);
        break;
    case Stop::Differs:  // readMemory has started over already
    case Stop::Refused:  // only an upload refuses what it reads
        break;
    }
    return std::nullopt;
}

} // namespace orvane::transfer
