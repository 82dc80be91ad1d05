#include "Catalogue.h"

#include "Sqlite.h"
#include "StoreFile.h"
#include "Tables.h"
#include "Values.h"

#include <algorithm>
#include <numeric>
#include <tuple>

namespace kessig::detail {

namespace {

// Reads a catalogue table whole, in file order, every value checked against its field.
class TableReader {
public:
    TableReader(sqlite3* db, const Table& table, const std::string& file)
        : table_(table), file_(file),
          statement_(db, ("SELECT " + table.selectList() + " FROM \"" + table.name + "\" ORDER BY rowid").c_str()) {}
    bool next() { return statement_.step(); }
    int16_t int16(size_t field) { return static_cast<int16_t>(number(field)); }
    int32_t int32(size_t field) { return static_cast<int32_t>(number(field)); }
    std::string text(size_t field) { return *RowReader(statement_.handle(), table_, file_).text(field); }

private:
    int64_t number(size_t field) { return RowReader(statement_.handle(), table_, file_).key(field); }
    const Table& table_;
    const std::string& file_;
    Statement statement_;
};

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
    try {
        const Connection db = openStoreFile(file, Access::Read, FileKind::Catalogue, file);
        for (TableReader r(db.get(), funcsTable(), file); r.next();)
            funcs_.push_back({r.int16(0), r.text(1), r.int16(2), r.int16(3), r.int16(4), r.int16(5), r.int16(6), r.int16(7),
                              r.int16(8), r.int16(9), r.int16(10)});
        for (TableReader r(db.get(), paramsTable(), file); r.next();)
            params_.push_back({r.int16(0), r.int16(1), r.text(2), r.int16(3), r.int32(4), r.int32(5), r.int32(6), r.int16(7),
                               r.int16(8), r.int16(9)});
        for (TableReader r(db.get(), inputsTable(), file); r.next();)
            inputs_.push_back({r.int16(0), r.int16(1), r.text(2), r.text(3), r.int16(4), r.int16(5)});
        for (TableReader r(db.get(), auxOutputsTable(), file); r.next();)
            aux_.push_back({r.int16(0), r.text(1), r.int16(2), r.text(3)});
        TableReader version(db.get(), versionTable(), file);
        if (version.next()) version_ = version.text(0);
    } catch (const DbError& e) {
        close();
        rethrowOpenFailure(e, file);
    }

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
