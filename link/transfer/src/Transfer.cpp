#include "orvane/transfer/Transfer.h"

#include "orvane/transfer/Rules.h"
#include "orvane/transfer/Texts.h"

#include <algorithm>

namespace orvane::transfer {

namespace {

constexpr int kWriteReply = 5;

// Adds every frame sent to the download's progress (100 % is 7600 bytes).
class DownloadSender {
public:
    DownloadSender(Exchange& link, Reporter& reporter) : link_(link), reporter_(reporter) {}

    bool send(const std::vector<uint8_t>& frame)
    {
        sent_ += static_cast<long>(frame.size());
        reporter_.progress(progressPercent(sent_));
        return link_.sendAndGet(frame, kWriteReply).has_value();
    }

    bool sendPage(uint8_t area, uint16_t address, const std::vector<uint8_t>& bytes, size_t at, size_t count)
    {
        return send(writeFrame(area, address, bytes.data() + at, count));
    }

private:
    Exchange& link_;
    Reporter& reporter_;
    long sent_ = 0;
};

bool stopIncomplete(Reporter& reporter, const std::string& what)
{
    reporter.message(texts::incompleteDownload(what), texts::kDownloadErrorTitle, Icon::Stop);
    reporter.progressEnd();
    return false;
}

} // namespace

bool acceptForDownload(const std::string& identification, const Configuration& config,
                       const Catalogue& catalogue, Reporter& reporter)
{
    const std::optional<std::string> version = romVersionText(identification);
    const std::string shown = version.value_or("");
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

bool sendImage(Exchange& link, const Image& image, Reporter& reporter)
{
    reporter.progressStart(texts::kDownloadProgress);
    DownloadSender out(link, reporter);

    for (int p = 0; p < 2; ++p) {
        if (!out.sendPage(6, static_cast<uint16_t>(kMessagePageBytes * p), image.messages,
                          size_t(kMessagePageBytes) * p, kMessagePageBytes)) {
            reporter.message(texts::kMessagesFailed, texts::kDownloadErrorTitle, Icon::Exclamation);
            return stopIncomplete(reporter, "messages");
        }
    }
    if (!out.sendPage(9, 0, image.quick, 0, kQuickPageBytes))
        return stopIncomplete(reporter, "quick messages");
    for (int g = 0; g < kBlockPages; ++g) {
        if (!out.sendPage(4, static_cast<uint16_t>(kBlockPageBytes * g), image.blocks,
                          size_t(kBlockPageBytes) * g, kBlockPageBytes)) {
            reporter.message(texts::blockPageFailed(g), "", Icon::None);
            return stopIncomplete(reporter, "the block table");
        }
    }
    for (int page = 0; page < kConstantPages; ++page) {
        if (!out.sendPage(3, static_cast<uint16_t>(kConstantPageBytes * page), image.constants,
                          size_t(kConstantPageBytes) * page, kConstantPageBytes)) {
            reporter.message(texts::kConstantTimeout, "", Icon::None);
            return stopIncomplete(reporter, "the block constants");
        }
    }
    if (!out.send(endOfDownloadFrame()))
        return stopIncomplete(reporter, "the end-of-download command");
    reporter.progressEnd();
    return true;
}

namespace {

class UploadReader {
public:
    UploadReader(Exchange& link, Reporter& reporter) : link_(link), reporter_(reporter) {}

    // The data bytes of one read, or nothing.
    std::optional<std::vector<uint8_t>> read(uint8_t area, uint8_t count, uint16_t address)
    {
        auto reply = link_.sendAndGet(readFrame(area, count, address), count + 7);
        if (!reply || reply->size() < size_t(count) + 5)
            return std::nullopt;
        return std::vector<uint8_t>(reply->begin() + 5, reply->begin() + 5 + count);
    }

    void percent(int value)
    {
        percent_ = value;
        reporter_.progress(value);
    }
    int percent() const { return percent_; }

private:
    Exchange& link_;
    Reporter& reporter_;
    int percent_ = 0;
};

std::optional<UploadedController> failUpload(Reporter& reporter, const std::string& what)
{
    reporter.message(texts::uploadFailedAt(what), "", Icon::Exclamation);
    reporter.progressEnd();
    return std::nullopt;
}

} // namespace

std::optional<UploadedController> readController(Exchange& link, const Catalogue& catalogue,
                                                 Reporter& reporter)
{
    reporter.progressStart(texts::kUploadProgress);
    UploadReader in(link, reporter);
    UploadedController up;

    int slotsNeeded = 0;
    for (int g = 0; g < kBlockPages; ++g) {
        const auto page = in.read(4, kBlockPageBytes, static_cast<uint16_t>(kBlockPageBytes * g));
        if (!page) {
            reporter.message(texts::kUploadError, "", Icon::None);
            reporter.progressEnd();
            return std::nullopt;
        }
        for (int k = 0; k < 16; ++k) {
            const int block = g * 16 + k;
            const auto fn = static_cast<int16_t>((*page)[size_t(kBlockRecord) * k + 1]);
            const auto info = catalogue.find(fn);
            if (info == catalogue.end()) {
                // Its constants could not be told apart in the slot stream: stop here.
                reporter.message(texts::kRecordNotFound, "", Icon::None);
                reporter.message(texts::uploadStoppedUnknownFunction(block, fn), "", Icon::Exclamation);
                reporter.progressEnd();
                return std::nullopt;
            }
            up.functions[size_t(block)] = fn;
            slotsNeeded += info->second.constantCount();
        }
        in.percent(2 * g + 1);
    }

    // The slot cursor reads a further page each time 32 slots have been consumed; past
    // the 40th page there is no constant memory to read (a full 1280 slots).
    const int pages = std::min(1 + slotsNeeded / kSlotsPerPage, kConstantPages);
    for (int page = 0; page < pages; ++page) {
        const auto data = in.read(3, kConstantPageBytes, static_cast<uint16_t>(kConstantPageBytes * page));
        if (!data)
            return failUpload(reporter, "the block constants");
        up.constants.insert(up.constants.end(), data->begin(), data->end());
        in.percent(in.percent() + 2);
    }

    in.percent(85);
    for (int p = 0; p < 2; ++p) {
        const auto data = in.read(6, kMessagePageBytes, static_cast<uint16_t>(kMessagePageBytes * p));
        if (!data)
            return failUpload(reporter, "the messages");
        up.messages.insert(up.messages.end(), data->begin(), data->end());
    }
    in.percent(90);
    const auto quick = in.read(9, kQuickPageBytes, 0);
    if (!quick)
        return failUpload(reporter, "the quick messages");
    up.quick = *quick;

    // Area 5 closes the upload on the controller's side; its data are not kept.
    in.percent(95);
    in.read(5, 150, 0);
    if (in.read(5, 30, 150))
        in.percent(100);
    reporter.progressEnd();
    return up;
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
    UploadReader in(link, reporter);
    ControllerMemory mem;
    const auto readArea = [&](uint8_t area, int pages, uint8_t pageBytes, std::vector<uint8_t>& into) {
        for (int p = 0; p < pages; ++p) {
            const auto data = in.read(area, pageBytes, static_cast<uint16_t>(pageBytes * p));
            if (!data)
                return false;
            into.insert(into.end(), data->begin(), data->end());
        }
        return true;
    };
    reporter.progressStart("Verify Progress");
    const bool ok = readArea(6, 2, kMessagePageBytes, mem.messages) && (reporter.progress(5), true) &&
                    readArea(9, 1, kQuickPageBytes, mem.quick) && (reporter.progress(10), true) &&
                    readArea(4, kBlockPages, kBlockPageBytes, mem.blocks) && (reporter.progress(30), true) &&
                    readArea(3, kConstantPages, kConstantPageBytes, mem.constants);
    if (ok)
        reporter.progress(100);
    reporter.progressEnd();
    if (!ok) {
        reporter.message("Verify stopped: the controller did not answer a read.", "", Icon::Exclamation);
        return std::nullopt;
    }
    return mem;
}

} // namespace orvane::transfer
