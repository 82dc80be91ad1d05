#include "orvane/transfer/Verify.h"

#include "orvane/transfer/Texts.h"

#include <algorithm>
#include <array>

namespace orvane::transfer {

namespace {

bool sameRange(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, size_t at, size_t n)
{
    for (size_t i = at; i < at + n; ++i) {
        const int x = i < a.size() ? a[i] : -1;
        const int y = i < b.size() ? b[i] : -1;
        if (x != y)
            return false;
    }
    return true;
}

int byteAt(const std::vector<uint8_t>& v, size_t i) { return i < v.size() ? v[i] : -1; }

int wordAt(const std::vector<uint8_t>& v, size_t i)
{
    return i + 1 < v.size() ? v[i] * 256 + v[i + 1] : -1;
}

int32_t slotAt(const std::vector<uint8_t>& v, size_t slot)
{
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value = (value << 8) | static_cast<uint32_t>(byteAt(v, slot * 4 + i) & 0xFF);
    return static_cast<int32_t>(value);
}

} // namespace

ControllerMemory memoryOf(const Image& image)
{
    return {image.messages, image.quick, image.blocks, image.constants};
}

ControllerMemory occupiedMemory(ControllerMemory memory, const Catalogue& catalogue)
{
    size_t slots = 0;
    for (size_t at = 1; at < memory.blocks.size(); at += kBlockRecord) {
        const auto fn = catalogue.find(static_cast<int16_t>(memory.blocks[at]));
        if (fn == catalogue.end())
            return memory;
        slots += size_t(fn->second.constantCount());
    }
    memory.constants.resize(std::min(memory.constants.size(), slots * 4));
    return memory;
}

std::vector<std::string> compareWithImage(const Image& image, const ControllerMemory& controller)
{
    std::vector<std::string> out;
    for (int n = 0; n < kMessages; ++n)
        if (!sameRange(image.messages, controller.messages, size_t(n) * kMessageRecord, kMessageRecord))
            out.push_back("message " + std::to_string(n) + " differs");
    for (int n = 0; n < kQuickMessages; ++n)
        if (!sameRange(image.quick, controller.quick, size_t(n) * kQuickRecord, kQuickRecord))
            out.push_back("quick message " + std::to_string(n) + " differs");

    const auto blocks = blockRecordDifferences(image.blocks, controller.blocks);
    out.insert(out.end(), blocks.begin(), blocks.end());

    for (size_t s = 0; s < kSlots; ++s) {
        if (sameRange(image.constants, controller.constants, s * 4, 4))
            continue;
        std::string line = "slot " + std::to_string(s);
        const SlotOrigin& o = s < image.slotOrigins.size() ? image.slotOrigins[s] : SlotOrigin{};
        if (o.block >= 0)
            line += " (block " + std::to_string(o.block) + ", offset " + std::to_string(o.offset) + ")";
        line += ": expected " + std::to_string(slotAt(image.constants, s)) + ", controller holds " +
                std::to_string(slotAt(controller.constants, s));
        out.push_back(std::move(line));
    }
    return out;
}

std::vector<std::string> blockRecordDifferences(const std::vector<uint8_t>& expected,
                                                const std::vector<uint8_t>& held)
{
    struct Field { const char* name; size_t at; bool word; };
    static constexpr std::array<Field, 5> kFields = {{
        {"function", 1, false}, {"cycle offset", 2, true}, {"first constant slot", 4, true},
        {"retentive offset", 6, true}, {"function type", 8, false}}};
    std::vector<std::string> out;
    for (int b = 0; b < kBlocks; ++b) {
        const size_t at = size_t(b) * kBlockRecord;
        if (sameRange(expected, held, at, kBlockRecord))
            continue;
        bool named = false;
        for (const Field& f : kFields) {
            const int want = f.word ? wordAt(expected, at + f.at) : byteAt(expected, at + f.at);
            const int got = f.word ? wordAt(held, at + f.at) : byteAt(held, at + f.at);
            if (want != got) {
                out.push_back("block " + std::to_string(b) + " " + f.name + ": expected " +
                              std::to_string(want) + ", controller holds " + std::to_string(got));
                named = true;
            }
        }
        if (!named)
            out.push_back("block " + std::to_string(b) + " record differs in a reserved byte");
    }
    return out;
}

std::string differenceLines(const std::vector<std::string>& differences, size_t maxLines)
{
    std::string text;
    for (size_t i = 0; i < differences.size() && i < maxLines; ++i)
        text += (i == 0 ? "" : "\r") + differences[i];
    if (differences.size() > maxLines)
        text += "\r" + texts::moreDifferences(differences.size() - maxLines);
    return text;
}

std::string verifySummary(const std::vector<std::string>& differences, size_t maxLines,
                          const std::optional<std::string>& heldAs)
{
    if (differences.empty())
        return kConfigurationMatches;
    const std::string held = heldAs ? texts::controllerHolds(*heldAs) + "\r" : std::string();
    return std::string(texts::kVerifyDiffers) + "\r" + held + differenceLines(differences, maxLines);
}

} // namespace orvane::transfer
