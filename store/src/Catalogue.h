#pragma once
// The function catalogue, read whole when it is opened. The file is never written,
// so nothing is held open or locked afterwards: other programs may read it meanwhile.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kessig::detail {

struct FuncRow {
    int16_t fn = 0;
    std::string name;
    int16_t icycle = 0, volRam = 0, inputs = 0, params = 0, hidden = 0, single = 0, auxAnalogs = 0,
            auxDiscretes = 0, ftype = 0;
};
struct ParamRow {
    int16_t fn = 0, pn = 0;
    std::string description;
    int16_t offset = 0;
    int32_t min = 0, max = 0, defaultValue = 0;
    int16_t decimal = 0, security = 0, type = 0;
};
struct InputRow {
    int16_t fn = 0, in = 0;
    std::string description, shortName;
    int16_t security = 0, type = 0;
};
struct AuxRow {
    int16_t fn = 0;
    std::string kind;
    int16_t number = 0;
    std::string description;
};

class Catalogue {
public:
    void open(const std::string& file);
    void close();
    bool isOpen() const { return open_; }

    // Funcs: table order until an index is chosen, then that index's order.
    enum class FuncIndex { None, Number, Name };
    void setFuncIndex(FuncIndex index);
    void funcMoveFirst();
    void funcMoveNext();
    void funcSeek(int16_t number);
    void funcSeek(const std::string& name);
    bool funcEOF() const { return !funcAt_; }
    bool funcNoMatch() const { return funcNoMatch_; }
    const FuncRow& func() const;

    void paramSeek(int16_t fn, int16_t pn);
    const ParamRow& param() const;
    void inputSeek(int16_t fn, int16_t in);
    const InputRow& input() const;
    void auxSeek(int16_t fn, const std::string& kind, int16_t number);
    const AuxRow& aux() const;
    const std::string& version() const;

private:
    void requireOpen() const;
    const std::vector<size_t>& funcOrder() const;
    bool open_ = false;
    std::vector<FuncRow> funcs_;            // table order
    std::vector<size_t> funcsByNumber_, funcsByName_, funcsInTable_;
    FuncIndex funcIndex_ = FuncIndex::None;
    std::optional<size_t> funcAt_;          // position in the current order
    bool funcNoMatch_ = false;
    std::vector<ParamRow> params_;          // sorted by (fn, pn)
    std::vector<InputRow> inputs_;          // sorted by (fn, in)
    std::vector<AuxRow> aux_;               // sorted by (fn, kind, number)
    std::optional<size_t> paramAt_, inputAt_, auxAt_;
    std::optional<std::string> version_;
};

} // namespace kessig::detail
