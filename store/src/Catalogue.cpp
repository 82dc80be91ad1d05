#include "Catalogue.h"

#include "Sqlite.h"

#include <algorithm>
#include <numeric>
#include <tuple>

namespace kessig::detail {

namespace {

class TableReader {
public:
    TableReader(sqlite3* db, const std::string& table, const char* columns)
        : table_(table), statement_(db, ("SELECT " + std::string(columns) + " FROM \"" + table + "\" ORDER BY rowid").c_str()) {}
    bool next() { return statement_.step(); }
    int64_t integer(int column, const char* field, int64_t lowest, int64_t highest) {
        const auto v = statement_.integer(column);
        if (!v) throw DbError(err::InvalidUseOfNull, "Invalid use of Null in field '" + std::string(field) + "' of table '" + table_ + "'.");
        if (*v < lowest || *v > highest) throw DbError(err::NumericOverflow, "Numeric field overflow in field '" + std::string(field) + "' of table '" + table_ + "'.");
        return *v;
    }
    int16_t int16(int column, const char* field) { return static_cast<int16_t>(integer(column, field, INT16_MIN, INT16_MAX)); }
    int32_t int32(int column, const char* field) { return static_cast<int32_t>(integer(column, field, INT32_MIN, INT32_MAX)); }
    std::string text(int column, const char* field) {
        auto v = statement_.text(column);
        if (!v) throw DbError(err::InvalidUseOfNull, "Invalid use of Null in field '" + std::string(field) + "' of table '" + table_ + "'.");
        return *v;
    }

private:
    std::string table_;
    Statement statement_;
};

void requireTables(sqlite3* db) {
    for (const char* table : {"Inputs", "Params", "Funcs", "Version", "AuxOutputs"}) {
        Statement s(db, "SELECT 1 FROM sqlite_master WHERE type='table' AND name=?1");
        s.bind(1, std::string(table));
        if (!s.step())
            throw DbError(err::TableNotFound, "Cannot find the input table or query '" + std::string(table) + "'.");
        s.reset();
    }
}

std::string folded(const std::string& s) {
    std::string r = s;
    std::transform(r.begin(), r.end(), r.begin(), [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return r;
}

template <class Row, class Key>
std::optional<size_t> findExact(const std::vector<Row>& rows, const Key& key, auto keyOf) {
    const auto it = std::lower_bound(rows.begin(), rows.end(), key, [&](const Row& r, const Key& k) { return keyOf(r) < k; });
    if (it == rows.end() || keyOf(*it) != key) return std::nullopt;
    return static_cast<size_t>(it - rows.begin());
}

} // namespace

void Catalogue::open(const std::string& file) {
    close();
    requireDatabaseFile(file);
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    try {
        if (rc != SQLITE_OK) throwSqlite(db, rc);
        requireTables(db);
        for (TableReader r(db, "Funcs", "FN, FName, Icycle, VolRam, Inputs, Params, Hidden, Single, AuxAnalogs, AuxDiscretes, Ftype"); r.next();)
            funcs_.push_back({r.int16(0, "FN"), r.text(1, "FName"), r.int16(2, "Icycle"), r.int16(3, "VolRam"), r.int16(4, "Inputs"),
                              r.int16(5, "Params"), r.int16(6, "Hidden"), r.int16(7, "Single"), r.int16(8, "AuxAnalogs"),
                              r.int16(9, "AuxDiscretes"), r.int16(10, "Ftype")});
        for (TableReader r(db, "Params", "FN, PN, Description, Offset, Min, Max, \"Default\", Decimal, Security, Type"); r.next();)
            params_.push_back({r.int16(0, "FN"), r.int16(1, "PN"), r.text(2, "Description"), r.int16(3, "Offset"), r.int32(4, "Min"),
                               r.int32(5, "Max"), r.int32(6, "Default"), r.int16(7, "Decimal"), r.int16(8, "Security"), r.int16(9, "Type")});
        for (TableReader r(db, "Inputs", "FN, \"In\", Description, ShortName, Security, Type"); r.next();)
            inputs_.push_back({r.int16(0, "FN"), r.int16(1, "In"), r.text(2, "Description"), r.text(3, "ShortName"),
                               r.int16(4, "Security"), r.int16(5, "Type")});
        for (TableReader r(db, "AuxOutputs", "FN, Kind, OutputNumber, Description"); r.next();)
            aux_.push_back({r.int16(0, "FN"), r.text(1, "Kind"), r.int16(2, "OutputNumber"), r.text(3, "Description")});
        TableReader version(db, "Version", "VersionString");
        if (version.next()) version_ = version.text(0, "VersionString");
    } catch (const DbError& e) {
        sqlite3_close_v2(db);
        close();
        rethrowOpenFailure(e, file);
    }
    sqlite3_close_v2(db);

    funcsInTable_.resize(funcs_.size());
    std::iota(funcsInTable_.begin(), funcsInTable_.end(), size_t{0});
    funcsByNumber_ = funcsInTable_;
    std::stable_sort(funcsByNumber_.begin(), funcsByNumber_.end(), [&](size_t a, size_t b) { return funcs_[a].fn < funcs_[b].fn; });
    funcsByName_ = funcsInTable_;
    std::stable_sort(funcsByName_.begin(), funcsByName_.end(),
                     [&](size_t a, size_t b) { return folded(funcs_[a].name) < folded(funcs_[b].name); });
    std::stable_sort(params_.begin(), params_.end(), [](const ParamRow& a, const ParamRow& b) { return std::tie(a.fn, a.pn) < std::tie(b.fn, b.pn); });
    std::stable_sort(inputs_.begin(), inputs_.end(), [](const InputRow& a, const InputRow& b) { return std::tie(a.fn, a.in) < std::tie(b.fn, b.in); });
    std::stable_sort(aux_.begin(), aux_.end(),
                     [](const AuxRow& a, const AuxRow& b) { return std::tie(a.fn, a.kind, a.number) < std::tie(b.fn, b.kind, b.number); });
    open_ = true;
}

void Catalogue::close() {
    *this = Catalogue{};
}

void Catalogue::requireOpen() const {
    if (!open_) throw DbError(err::ObjectClosed, "Object invalid or no longer set.");
}

const std::vector<size_t>& Catalogue::funcOrder() const {
    switch (funcIndex_) {
    case FuncIndex::Number: return funcsByNumber_;
    case FuncIndex::Name: return funcsByName_;
    case FuncIndex::None: break;
    }
    return funcsInTable_;
}

void Catalogue::setFuncIndex(FuncIndex index) {
    requireOpen();
    funcIndex_ = index;
    funcAt_.reset();
}

void Catalogue::funcMoveFirst() {
    requireOpen();
    funcAt_ = funcs_.empty() ? std::nullopt : std::optional<size_t>(0);
}

void Catalogue::funcMoveNext() {
    requireOpen();
    if (!funcAt_) throw noCurrentRecord();
    funcAt_ = *funcAt_ + 1 < funcs_.size() ? std::optional<size_t>(*funcAt_ + 1) : std::nullopt;
}

void Catalogue::funcSeek(int16_t number) {
    requireOpen();
    if (funcIndex_ == FuncIndex::None) throw DbError(err::NoCurrentIndex, "Operation invalid without a current index.");
    if (funcIndex_ == FuncIndex::Name) return funcSeek(std::to_string(number));
    funcAt_ = findExact(funcsByNumber_, number, [&](size_t i) { return funcs_[i].fn; });
    funcNoMatch_ = !funcAt_;
}

void Catalogue::funcSeek(const std::string& name) {
    requireOpen();
    if (funcIndex_ == FuncIndex::None) throw DbError(err::NoCurrentIndex, "Operation invalid without a current index.");
    if (funcIndex_ == FuncIndex::Number) {
        size_t used = 0;
        int number = 0;
        try { number = std::stoi(name, &used); } catch (const std::exception&) { used = 0; }
        if (used == 0 || used != name.size() || number < INT16_MIN || number > INT16_MAX)
            throw DbError(err::ConversionError, "Data type conversion error.");
        return funcSeek(static_cast<int16_t>(number));
    }
    funcAt_ = findExact(funcsByName_, folded(name), [&](size_t i) { return folded(funcs_[i].name); });
    funcNoMatch_ = !funcAt_;
}

const FuncRow& Catalogue::func() const {
    requireOpen();
    if (!funcAt_) throw noCurrentRecord();
    return funcs_[funcOrder()[*funcAt_]];
}

void Catalogue::paramSeek(int16_t fn, int16_t pn) {
    requireOpen();
    paramAt_ = findExact(params_, std::pair{fn, pn}, [](const ParamRow& r) { return std::pair{r.fn, r.pn}; });
}
const ParamRow& Catalogue::param() const {
    requireOpen();
    if (!paramAt_) throw noCurrentRecord();
    return params_[*paramAt_];
}

void Catalogue::inputSeek(int16_t fn, int16_t in) {
    requireOpen();
    inputAt_ = findExact(inputs_, std::pair{fn, in}, [](const InputRow& r) { return std::pair{r.fn, r.in}; });
}
const InputRow& Catalogue::input() const {
    requireOpen();
    if (!inputAt_) throw noCurrentRecord();
    return inputs_[*inputAt_];
}

void Catalogue::auxSeek(int16_t fn, const std::string& kind, int16_t number) {
    requireOpen();
    auxAt_ = findExact(aux_, std::tuple{fn, kind, number}, [](const AuxRow& r) { return std::tuple{r.fn, r.kind, r.number}; });
}
const AuxRow& Catalogue::aux() const {
    requireOpen();
    if (!auxAt_) throw noCurrentRecord();
    return aux_[*auxAt_];
}

const std::string& Catalogue::version() const {
    requireOpen();
    if (!version_) throw noCurrentRecord();
    return *version_;
}

} // namespace kessig::detail
