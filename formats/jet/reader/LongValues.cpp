#include "LongValues.h"

#include <cstdint>
#include <cstring>
#include <set>

namespace orvane::jetreader {

namespace {

constexpr int kReferenceSize = MDB_MEMO_OVERHEAD;
constexpr uint32_t kLengthMask = 0x3fffffff;
constexpr uint32_t kInline = 0x80000000;       // the value follows the reference in the row
constexpr uint32_t kSinglePage = 0x40000000;   // the value is one row of a long value page
// Otherwise a chain of rows, each starting with the reference of the next; libmdb reads
// such a chain only when the whole top byte is clear.
constexpr uint32_t kChainLimit = 0x01000000;
constexpr int kRowOffsetMask = 0x1fff;
constexpr int kDeletedRow = 0x4000;
constexpr int kPointerRow = 0x8000;
constexpr unsigned char kDataPage = 0x01;

uint32_t little32(const unsigned char* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

int little16(const unsigned char* p) { return p[0] | p[1] << 8; }

// One row of a long value page: where it lies in libmdb's second page buffer.
struct Row {
    const unsigned char* bytes = nullptr;
    int length = 0;
};

// The row `reference` (page << 8 | row) names, or why it is no long value row.
std::optional<std::string> findRow(MdbHandle* mdb, uint32_t reference, Row& found)
{
    const uint32_t page = reference >> 8;
    const int row = static_cast<int>(reference & 0xff);
    const std::string where = "row " + std::to_string(row) + " of page " + std::to_string(page);
    // Page 0 is the file's header; a page past the end cannot be read whole.
    if (page == 0 || mdb_read_alt_pg(mdb, page) != mdb->fmt->pg_size)
        return "it refers to page " + std::to_string(page) + ", which the file does not hold";
    const unsigned char* buf = mdb->alt_pg_buf;
    const int pageSize = static_cast<int>(mdb->fmt->pg_size);
    if (buf[0] != kDataPage || std::memcmp(buf + 4, "LVAL", 4) != 0)
        return "page " + std::to_string(page) + " is no long value page";
    const int count = mdb->fmt->row_count_offset;
    const int rows = little16(buf + count);
    const int firstFree = count + 2 + 2 * rows;   // the end of the page's row table
    if (firstFree > pageSize)
        return "page " + std::to_string(page) + " claims more rows than it can hold";
    if (row >= rows)
        return where + " does not exist";
    const int start = little16(buf + count + 2 + 2 * row);
    if (start & kDeletedRow)
        return where + " is deleted";
    if (start & kPointerRow)
        return where + " is no long value";
    const int begin = start & kRowOffsetMask;
    const int end = row == 0 ? pageSize : little16(buf + count + 2 * row) & kRowOffsetMask;
    if (begin < firstFree || begin > end || end > pageSize)
        return where + " lies outside the page's rows";
    found = {buf + begin, end - begin};
    return std::nullopt;
}

std::string bytes(uint32_t n) { return std::to_string(n) + (n == 1 ? " byte" : " bytes"); }

std::optional<std::string> chainFault(MdbHandle* mdb, uint32_t reference, uint32_t length)
{
    std::set<uint32_t> visited;
    uint32_t read = 0;
    while (read < length) {
        if (reference == 0)
            return "its long value ends after " + bytes(read) + " of its " + bytes(length);
        if (!visited.insert(reference).second)
            return "its long value pages run in a circle";
        Row row;
        if (auto fault = findRow(mdb, reference, row))
            return fault;
        if (row.length < 4)
            return "a row of its long value is too short to name the next";
        read += static_cast<uint32_t>(row.length - 4);
        reference = little32(row.bytes);
    }
    if (read != length || reference != 0)
        return "its long value runs past its " + bytes(length);
    return std::nullopt;
}

} // namespace

std::optional<std::string> longValueFault(MdbHandle* mdb, const unsigned char* field, int size)
{
    // An empty value may be kept without a reference.
    if (size == 0)
        return std::nullopt;
    if (size < kReferenceSize)
        return "its long value reference is cut short";
    const uint32_t header = little32(field);
    const uint32_t length = header & kLengthMask;
    const uint32_t reference = little32(field + 4);
    if (header & kInline) {
        if (header & kSinglePage)
            return "its long value reference is of an unknown kind";
        if (length != static_cast<uint32_t>(size - kReferenceSize))
            return "its long value holds " + bytes(static_cast<uint32_t>(size - kReferenceSize)) + ", not the "
                   + bytes(length) + " its reference gives";
        return std::nullopt;
    }
    if (header & kSinglePage) {
        Row row;
        if (auto fault = findRow(mdb, reference, row))
            return fault;
        if (static_cast<uint32_t>(row.length) != length)
            return "its long value holds " + bytes(static_cast<uint32_t>(row.length)) + ", not the " + bytes(length)
                   + " its reference gives";
        return std::nullopt;
    }
    if (header >= kChainLimit)
        return "its long value reference is of an unknown kind";
    return chainFault(mdb, reference, length);
}

} // namespace orvane::jetreader
