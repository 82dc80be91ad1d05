#include "JetDatabase.h"

#include "LongValues.h"
#include "orvane/formats/JetHeader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace orvane::jetreader {

namespace {

constexpr int kRowOffsetMask = 0x1fff;   // the flag bits of a row's start on its page

std::string quoted(const std::string& name) { return "\"" + name + "\""; }

struct KindAndName {
    JetValue::Kind kind;
    const char* name;
};

KindAndName kindOf(int type)
{
    switch (type) {
    case MDB_BOOL: return {JetValue::Kind::Integer, "Yes/No"};
    case MDB_BYTE: return {JetValue::Kind::Integer, "Byte"};
    case MDB_INT: return {JetValue::Kind::Integer, "Integer"};
    case MDB_LONGINT: return {JetValue::Kind::Integer, "Long"};
    case MDB_MONEY: return {JetValue::Kind::Text, "Currency"};
    case MDB_FLOAT: return {JetValue::Kind::Real, "Single"};
    case MDB_DOUBLE: return {JetValue::Kind::Real, "Double"};
    case MDB_DATETIME: return {JetValue::Kind::Text, "Date/Time"};
    case MDB_BINARY: return {JetValue::Kind::Blob, "Binary"};
    case MDB_TEXT: return {JetValue::Kind::Text, "Text"};
    case MDB_OLE: return {JetValue::Kind::Blob, "OLE Object"};
    case MDB_MEMO: return {JetValue::Kind::Text, "Memo"};
    case MDB_REPID: return {JetValue::Kind::Text, "Replication ID"};
    case MDB_NUMERIC: return {JetValue::Kind::Text, "Decimal"};
    default: return {JetValue::Kind::Null, nullptr};
    }
}

// The file's size and header, checked before libmdb sees the file: libmdb reads past
// the end of a truncated file without saying so.
void checkFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw JetError(std::string("it cannot be opened (") + std::strerror(errno) + ")");
    struct stat st {};
    unsigned char bytes[orvane::formats::kJetHeaderSize] = {};
    const bool statted = ::fstat(fd, &st) == 0;
    const ssize_t got = statted && S_ISREG(st.st_mode) ? ::read(fd, bytes, sizeof bytes) : -1;
    ::close(fd);
    if (got < 0)
        throw JetError("it is not a regular file that can be read");
    const auto header = orvane::formats::readJetHeader(bytes, static_cast<std::size_t>(got));
    if (!header)
        throw JetError("it is not a Jet database (it does not begin with a Jet header)");
    if (header->version == orvane::formats::JetVersion::Later)
        throw JetError("it was written by Access 2007 or later; only Jet 3 and Jet 4 files are read");
    if (st.st_size % header->pageSize != 0)
        throw JetError("it is truncated (" + std::to_string(st.st_size) + " bytes is not a whole number of "
                       + std::to_string(header->pageSize) + "-byte pages)");
    // The header page, the free-space map and the table of tables come first.
    if (st.st_size / header->pageSize < 3)
        throw JetError("it is truncated (" + std::to_string(st.st_size) + " bytes is too short for a database)");
}

} // namespace

JetDatabase::JetDatabase(const std::string& path)
{
    checkFile(path);
    mdb_ = mdb_open(path.c_str(), MDB_NOFLAGS);
    if (!mdb_)
        throw JetError("it cannot be read as a Jet database");
    mdb_set_date_fmt(mdb_, "%Y-%m-%d %H:%M:%S");
    mdb_set_shortdate_fmt(mdb_, "%Y-%m-%d %H:%M:%S");
    mdb_set_boolean_fmt_numbers(mdb_);
    if (!mdb_read_catalog(mdb_, MDB_TABLE)) {
        mdb_close(mdb_);
        throw JetError("it is damaged: its list of tables cannot be read");
    }
}

JetDatabase::~JetDatabase() { mdb_close(mdb_); }

std::vector<std::string> JetDatabase::tableNames() const
{
    std::vector<std::string> names;
    for (guint i = 0; i < mdb_->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb_->catalog, i));
        if (entry->object_type == MDB_TABLE && mdb_is_user_table(entry))
            names.emplace_back(entry->object_name);
    }
    return names;
}

std::unique_ptr<JetTable> JetDatabase::table(const std::string& name)
{
    for (guint i = 0; i < mdb_->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb_->catalog, i));
        if (entry->object_type != MDB_TABLE || name != entry->object_name)
            continue;
        MdbTableDef* table = mdb_read_table(entry);
        if (!table)
            throw JetError("it is damaged: table " + quoted(name) + " cannot be read");
        GPtrArray* columns = mdb_read_columns(table);
        if (!columns || columns->len != table->num_cols) {
            mdb_free_tabledef(table);
            throw JetError("it is damaged: the fields of table " + quoted(name) + " cannot be read");
        }
        return std::make_unique<JetTable>(mdb_, table, name);
    }
    throw JetError("it has no table " + quoted(name));
}

JetTable::JetTable(MdbHandle* mdb, MdbTableDef* table, std::string name)
    : mdb_(mdb), table_(table), name_(std::move(name))
{
    bound_.resize(table_->num_cols);
    boundLength_.assign(table_->num_cols, 0);
    for (guint i = 0; i < table_->num_cols; ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table_->columns, i));
        const KindAndName k = kindOf(col->col_type);
        if (!k.name) {
            mdb_free_tabledef(table_);
            throw JetError("field " + quoted(col->name) + " of table " + quoted(name_) + " has a type ("
                           + std::to_string(col->col_type) + ") that a Jet 3 or Jet 4 file does not hold");
        }
        const int t = col->col_type;
        columns_.push_back({col->name, t, k.kind, k.name, t == MDB_BYTE || t == MDB_INT || t == MDB_LONGINT,
                            t == MDB_TEXT || t == MDB_MEMO});
        bound_[i] = std::make_unique<char[]>(mdb_->bind_size);
        mdb_bind_column(table_, static_cast<int>(i + 1), bound_[i].get(), &boundLength_[i]);
    }
}

JetTable::~JetTable() { mdb_free_tabledef(table_); }

namespace {

template <class T>
T little(const unsigned char* p)
{
    T v;
    std::memcpy(&v, p, sizeof v);   // Jet and this machine are both little-endian
    return v;
}

} // namespace

void JetTable::readRows(const std::function<void(const std::vector<JetValue>&)>& row)
{
    const auto damaged = [&](const std::string& what) {
        return JetError("it is damaged: " + what + " of table " + quoted(name_) + " cannot be read");
    };
    const std::size_t n = columns_.size();
    std::vector<MdbField> fields(n);
    std::vector<const MdbField*> fieldOf(n);
    std::vector<JetValue> values(n);
    unsigned rows = 0;
    mdb_rewind_table(table_);
    while (mdb_fetch_row(table_)) {
        ++rows;
        const std::string where = "row " + std::to_string(rows);
        // The fetch turned the row into texts; taking it apart once more gives what
        // the texts hide: Null against an empty text, and the exact bytes of numbers.
        int start = 0;
        size_t length = 0;
        if (mdb_find_row(mdb_, static_cast<int>(table_->cur_row) - 1, &start, &length) != 0)
            throw damaged(where);
        start &= kRowOffsetMask;
        if (n > 0 && mdb_crack_row(table_, start, length, fields.data()) < 0)
            throw damaged(where);
        for (std::size_t f = 0; f < n; ++f) {
            if (fields[f].colnum < 0 || static_cast<std::size_t>(fields[f].colnum) >= n)
                throw damaged(where);
            fieldOf[static_cast<std::size_t>(fields[f].colnum)] = &fields[f];
        }
        for (std::size_t c = 0; c < n; ++c) {
            const MdbField& field = *fieldOf[c];
            const JetColumn& column = columns_[c];
            JetValue& v = values[c];
            v = JetValue{};
            const char* text = bound_[c].get();
            if (column.type == MDB_BOOL) {
                // A Yes/No field keeps its value in the Null bit and is never Null.
                v.kind = JetValue::Kind::Integer;
                v.integer = text[0] == '1' ? 1 : 0;
                continue;
            }
            if (field.is_null)
                continue;
            const auto* raw = static_cast<const unsigned char*>(static_cast<void*>(mdb_->pg_buf)) + field.start;
            const auto fits = [&](int size) {
                if (field.siz != size || field.start < 0 || field.start + size > mdb_->fmt->pg_size)
                    throw damaged("field " + quoted(column.name) + " in " + where);
            };
            if (column.type == MDB_MEMO || column.type == MDB_OLE) {
                fits(field.siz);
                if (const auto fault = longValueFault(mdb_, raw, field.siz))
                    throw JetError("it is damaged: field " + quoted(column.name) + " in " + where + " of table "
                                   + quoted(name_) + " cannot be read (" + *fault + ")");
            }
            v.kind = column.kind;
            switch (column.type) {
            case MDB_BYTE: fits(1); v.integer = raw[0]; break;
            case MDB_INT: fits(2); v.integer = little<int16_t>(raw); break;
            case MDB_LONGINT: fits(4); v.integer = little<int32_t>(raw); break;
            case MDB_FLOAT: fits(4); v.real = little<float>(raw); break;
            case MDB_DOUBLE: fits(8); v.real = little<double>(raw); break;
            case MDB_BINARY:
                if (field.siz < 0 || field.start < 0 || field.start + field.siz > mdb_->fmt->pg_size)
                    throw damaged("field " + quoted(column.name) + " in " + where);
                v.bytes.assign(reinterpret_cast<const char*>(raw), static_cast<std::size_t>(field.siz));
                break;
            case MDB_OLE: {
                size_t size = 0;
                auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table_->columns, c));
                void* data = mdb_ole_read_full(mdb_, col, &size);
                if (data)
                    v.bytes.assign(static_cast<const char*>(data), size);
                g_free(data);
                break;
            }
            default:
                // libmdb cuts long texts at its bind size without a word: refuse them
                // rather than keep a text that lost its end.
                if (static_cast<std::size_t>(boundLength_[c]) + 1 >= MDB_BIND_SIZE)
                    throw JetError("field " + quoted(column.name) + " in " + where + " of table " + quoted(name_)
                                   + " holds a text longer than " + std::to_string(MDB_BIND_SIZE - 1)
                                   + " bytes, which cannot be read whole");
                v.bytes.assign(text, static_cast<std::size_t>(boundLength_[c]));
                break;
            }
        }
        row(values);
    }
    if (rows != table_->num_rows)
        throw JetError("it is damaged: table " + quoted(name_) + " holds " + std::to_string(table_->num_rows)
                       + " rows, of which " + std::to_string(rows) + " can be read");
}

} // namespace orvane::jetreader
