// The rules a catalogue must keep so that the editor, the download, the
// report and the compare all read it the same way.
#include "Catalogue.h"

#include "orvane/codepage/Cp1252.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

namespace orvane::catalogue {

namespace {

constexpr int64_t kMinShort = -32768, kMaxShort = 32767;
constexpr int64_t kMinLong = -2147483648LL, kMaxLong = 2147483647LL;
constexpr int kMessageCount = 20;
constexpr int kGridRows = 74;       // rows of the input and parameter grids
constexpr int kMaxVolRam = 58;      // retentive bytes the controller has
constexpr int kMaxIcycle = 409;     // 160 blocks of it still fit the 16-bit sum

// Number of characters when text is UTF-8 of Windows-1252 characters only, none of them
// a control character, else -1.
int cp1252Length(const std::string& text)
{
    if (!orvane::codepage::charactersOutsideCp1252(text).empty())
        return -1;
    const std::string bytes = orvane::codepage::utf8ToCp1252(text);
    const bool control = std::any_of(bytes.begin(), bytes.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    });
    return control ? -1 : static_cast<int>(bytes.size());
}

class Checker {
public:
    explicit Checker(const Catalogue& cat) : cat_(cat) {}

    std::vector<Problem> run()
    {
        checkFuncs();
        checkInputs();
        checkParams();
        checkAuxOutputs();
        checkVersion();
        checkRequiredFunctions();
        return std::move(problems_);
    }

private:
    void refuse(const Origin& at, const std::string& rule, const std::string& detail)
    {
        problems_.push_back({at, rule, detail});
    }

    void checkText(const Origin& at, const std::string& what, const std::string& text, int maxLength)
    {
        const int length = cp1252Length(text);
        if (length < 0)
            refuse(at, "text", what + " \"" + text + "\" holds a character the controller cannot show (Windows-1252 only, no control characters)");
        else if (length > maxLength)
            refuse(at, "text", what + " \"" + text + "\" is longer than " + std::to_string(maxLength) + " characters");
    }

    void checkRange(const Origin& at, const std::string& what, int64_t value, int64_t low, int64_t high)
    {
        if (value < low || value > high)
            refuse(at, "range", what + " " + std::to_string(value) + " is outside " + std::to_string(low) + ".."
                                    + std::to_string(high));
    }

    void checkFuncs()
    {
        std::set<std::string> names;
        for (const auto& f : cat_.funcs) {
            if (f.fn < 0 || f.fn > 255) {
                refuse(f.at, "function number", "FN " + std::to_string(f.fn) + " is outside 0..255 (the block record carries one byte)");
                continue;
            }
            if (!funcs_.emplace(f.fn, &f).second) {
                refuse(f.at, "duplicate key", "function " + std::to_string(f.fn) + " is listed twice (first at line "
                                                  + std::to_string(funcs_[f.fn]->at.line) + ")");
                continue;
            }
            const bool nameOk = f.name.size() <= 8
                && std::all_of(f.name.begin(), f.name.end(), [](char c) {
                       return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '/' || c == '+';
                   });
            if (!nameOk)
                refuse(f.at, "function name", "\"" + f.name + "\" must be 1 to 8 upper-case letters, digits or - _ / +");
            if (!names.insert(f.name).second)
                refuse(f.at, "duplicate key", "function name \"" + f.name + "\" is used twice (the editor finds functions by name)");
            if (f.name == "NOP" && f.fn != 127)
                refuse(f.at, "NOP", "only function 127 may be named NOP");
            checkRange(f.at, "Icycle", f.icycle, 0, kMaxIcycle);
            checkRange(f.at, "VolRam", f.volRam, 0, kMaxVolRam);
            checkRange(f.at, "Inputs", f.inputs, 0, kGridRows);
            checkRange(f.at, "Params", f.params, 0, kGridRows);
            checkRange(f.at, "Hidden", f.hidden, 0, kGridRows);
            checkRange(f.at, "Single", f.single, 0, 1);
            checkRange(f.at, "AuxAnalogs", f.auxAnalogs, 0, kMaxShort);
            checkRange(f.at, "AuxDiscretes", f.auxDiscretes, 0, kMaxShort);
            checkRange(f.at, "Ftype", f.ftype, 0, 255);
        }
    }

    const Func* owner(const Origin& at, int64_t fn)
    {
        const auto it = funcs_.find(fn);
        if (it != funcs_.end())
            return it->second;
        refuse(at, "unknown function", "function " + std::to_string(fn) + " is not in funcs.tsv");
        return nullptr;
    }

    // Rows 1..count with no gaps; reports the missing and surplus numbers.
    void checkNumbering(const std::string& rule, const std::string& what, const Func& f, int64_t count,
                        const std::map<int64_t, Origin>& rows)
    {
        for (int64_t n = 1; n <= count; ++n)
            if (!rows.count(n))
                refuse(f.at, rule, "function " + std::to_string(f.fn) + " declares " + std::to_string(count) + " " + what
                                       + " but has no row " + std::to_string(n));
        for (const auto& [n, at] : rows)
            if (n < 1 || n > count)
                refuse(at, rule, what + " " + std::to_string(n) + " of function " + std::to_string(f.fn)
                                     + " is beyond the declared 1.." + std::to_string(count));
    }

    void checkInputs()
    {
        std::map<int64_t, std::map<int64_t, Origin>> rows;
        for (const auto& i : cat_.inputs) {
            const Func* f = owner(i.at, i.fn);
            checkText(i.at, "Description", i.description, 40);
            checkText(i.at, "ShortName", i.shortName, 8);
            checkRange(i.at, "Security", i.security, 0, 3);
            if (i.type != 1 && i.type != 2)
                refuse(i.at, "input type", "Type " + std::to_string(i.type) + " must be 1 (analog) or 2 (discrete)");
            if (!f)
                continue;
            if (!rows[i.fn].emplace(i.in, i.at).second) {
                refuse(i.at, "duplicate key", "input " + std::to_string(i.in) + " of function " + std::to_string(i.fn) + " is listed twice");
                continue;
            }
            inputs_[i.fn][i.in] = &i;
        }
        for (const auto& [fn, f] : funcs_)
            checkNumbering("input rows", "inputs", *f, f->inputs, rows[fn]);
    }

    void checkParams()
    {
        std::map<int64_t, std::map<int64_t, Origin>> rows;
        for (const auto& p : cat_.params) {
            const Func* f = owner(p.at, p.fn);
            if (!f)
                continue;
            if (!rows[p.fn].emplace(p.pn, p.at).second) {
                refuse(p.at, "duplicate key", "parameter " + std::to_string(p.pn) + " of function " + std::to_string(p.fn) + " is listed twice");
                continue;
            }
            params_[p.fn][p.pn] = &p;
        }
        for (const auto& [fn, f] : funcs_)
            checkNumbering("parameter rows", "parameters (Params + Hidden)", *f, f->params + f->hidden, rows[fn]);
        for (const auto& [fn, byNumber] : params_)
            for (const auto& [pn, p] : byNumber)
                checkParam(*funcs_[fn], *p);
        checkDisplayGroupLayout();
    }

    const Param* param(int64_t fn, int64_t pn)
    {
        const auto f = params_.find(fn);
        if (f == params_.end())
            return nullptr;
        const auto p = f->second.find(pn);
        return p == f->second.end() ? nullptr : p->second;
    }

    void checkParam(const Func& f, const Param& p)
    {
        checkText(p.at, "Description", p.description, 56);
        checkRange(p.at, "Security", p.security, 0, 3);
        if (p.type < 1 || p.type > 4)
            refuse(p.at, "parameter type", "Type " + std::to_string(p.type) + " must be 1 (long), 2 (16-bit), 3 (text) or 4 (variable decimals)");
        if (p.min > p.max)
            refuse(p.at, "limits", "Min " + std::to_string(p.min) + " is above Max " + std::to_string(p.max));
        else if (p.def < p.min || p.def > p.max)
            refuse(p.at, "limits", "Default " + std::to_string(p.def) + " is outside Min..Max " + std::to_string(p.min) + ".."
                                       + std::to_string(p.max));
        // Type 2 and 4 values travel in the high half of a slot, type 1 as 32 bits.
        const bool shortValue = p.type == 2 || p.type == 4;
        const int64_t low = shortValue ? kMinShort : kMinLong, high = shortValue ? kMaxShort : kMaxLong;
        if (p.min < low || p.max > high || p.def < low || p.def > high)
            refuse(p.at, "wire range", "Min, Max and Default of a Type " + std::to_string(p.type) + " parameter must lie within "
                                           + std::to_string(low) + ".." + std::to_string(high));
        const bool hidden = p.pn > f.params;
        if (hidden && (p.type == 3 || p.type == 4))
            refuse(p.at, "parameter type", "hidden parameter " + std::to_string(p.pn) + " must be Type 1 or 2");
        if (p.type == 3 && (p.offset < 0 || p.offset >= kMessageCount))
            refuse(p.at, "message offset", "Type 3 parameter " + std::to_string(p.pn) + " has Offset " + std::to_string(p.offset)
                                               + ", not a message number 0..19");
        if (p.type != 3 && p.type != 4 && (p.decimal < 0 || p.decimal > 3))
            refuse(p.at, "decimals", "Decimal " + std::to_string(p.decimal) + " of a plain parameter must be 0..3");
        if (p.type == 4 && !hidden)
            checkVariableDecimals(f, p);
    }

    // Display takes the decimals of parameter n from n-1 when n is odd and from
    // n-2 when even; editing takes them from n-1 when n-1 is Type 2, else n-2.
    void checkVariableDecimals(const Func& f, const Param& p)
    {
        const int64_t shown = p.pn % 2 == 1 ? p.pn - 1 : p.pn - 2;
        const Param* above = param(f.fn, p.pn - 1);
        const int64_t edited = above && above->type == 2 ? p.pn - 1 : p.pn - 2;
        if (shown != edited) {
            refuse(p.at, "variable decimals", "Type 4 parameter " + std::to_string(p.pn) + " shows its decimals from parameter "
                                                  + std::to_string(shown) + " but edits them from parameter " + std::to_string(edited));
            return;
        }
        const Param* decimals = param(f.fn, shown);
        if (!decimals || shown > f.params) {
            refuse(p.at, "variable decimals", "Type 4 parameter " + std::to_string(p.pn) + " has no decimals parameter "
                                                  + std::to_string(shown));
            return;
        }
        if (decimals->type == 3 || decimals->type == 4 || decimals->min < 0 || decimals->max > 4)
            refuse(p.at, "variable decimals", "decimals parameter " + std::to_string(shown) + " of Type 4 parameter "
                                                  + std::to_string(p.pn) + " must be a plain number with limits within 0..4");
    }

    // The report and the compare read function 96 by position: parameter 1
    // plain, then ten groups of (decimals, value, value, message g-1), then
    // message references 10, 11, ... from parameter 42 on.
    void checkDisplayGroupLayout()
    {
        const auto f = funcs_.find(96);
        if (f == funcs_.end())
            return;
        const Func& func = *f->second;
        if (func.params < 41) {
            refuse(func.at, "function 96 layout", "function 96 needs at least 41 parameters, has " + std::to_string(func.params));
            return;
        }
        for (int64_t pn = 1; pn <= func.params; ++pn) {
            const Param* p = param(96, pn);
            if (!p)
                continue;
            int64_t type = 0, message = -1;
            if (pn == 1) {
                if (p->type == 3 || p->type == 4)
                    refuse(p->at, "function 96 layout", "parameter 1 must be a plain parameter");
                continue;
            }
            if (pn <= 41) {
                const int64_t k = (pn - 2) % 4;
                type = k == 0 ? 2 : k == 3 ? 3 : 4;
                message = k == 3 ? (pn - 5) / 4 : -1;
            } else {
                type = 3;
                message = pn - 32;
            }
            if (p->type != type || (message >= 0 && p->offset != message))
                refuse(p->at, "function 96 layout", "parameter " + std::to_string(pn) + " must be Type " + std::to_string(type)
                                                        + (message >= 0 ? " with Offset " + std::to_string(message) : std::string()));
        }
    }

    void checkAuxOutputs()
    {
        std::map<std::pair<int64_t, std::string>, std::map<int64_t, Origin>> rows;
        for (const auto& a : cat_.auxOutputs) {
            const Func* f = owner(a.at, a.fn);
            checkText(a.at, "Description", a.description, 28);
            if (a.kind != "A" && a.kind != "D") {
                refuse(a.at, "aux output rows", "Kind \"" + a.kind + "\" must be A or D");
                continue;
            }
            if (f && !rows[{a.fn, a.kind}].emplace(a.number, a.at).second)
                refuse(a.at, "duplicate key", "aux output " + a.kind + " " + std::to_string(a.number) + " of function "
                                                  + std::to_string(a.fn) + " is listed twice");
        }
        for (const auto& [fn, f] : funcs_) {
            checkNumbering("aux output rows", "auxiliary analog outputs", *f, f->auxAnalogs, rows[{fn, "A"}]);
            checkNumbering("aux output rows", "auxiliary discrete outputs", *f, f->auxDiscretes, rows[{fn, "D"}]);
        }
    }

    void checkVersion()
    {
        if (cat_.versions.empty())
            refuse(cat_.versionFile, "version", "no Version row");
        else if (cat_.versions.size() > 1)
            refuse(cat_.versionFile, "version", "exactly one Version row expected");
        else
            checkText(cat_.versionFile, "VersionString", cat_.versions.front(), 80);
    }

    const Func* byName(const std::string& name)
    {
        for (const auto& [fn, f] : funcs_)
            if (f->name == name)
                return f;
        return nullptr;
    }

    void checkRequiredFunctions()
    {
        const Origin funcsFile{"funcs.tsv", 0};
        for (int fn : {0, 1, 90, 91})
            if (!funcs_.count(fn))
                refuse(funcsFile, "system blocks", "function " + std::to_string(fn) + " (a block of every new configuration) is missing");
        const auto nop = funcs_.find(127);
        if (nop == funcs_.end() || nop->second->name != "NOP" || nop->second->inputs != 0 || nop->second->params != 0
            || nop->second->hidden != 0)
            refuse(nop == funcs_.end() ? funcsFile : nop->second->at, "NOP",
                   "function 127 must be \"NOP\" with no inputs and no parameters");
        int64_t mostAnalogs = 0, mostDiscretes = 0;
        for (const auto& [fn, f] : funcs_) {
            mostAnalogs = std::max(mostAnalogs, f->auxAnalogs);
            mostDiscretes = std::max(mostDiscretes, f->auxDiscretes);
        }
        checkAuxSelector("AABO", mostAnalogs, funcsFile);
        checkAuxSelector("DABO", mostDiscretes, funcsFile);
    }

    // Input 1 is the source block; parameter 1 the chosen output, 0 for none.
    void checkAuxSelector(const std::string& name, int64_t most, const Origin& funcsFile)
    {
        const Func* f = byName(name);
        if (!f) {
            refuse(funcsFile, "aux selector", "function \"" + name + "\" is missing");
            return;
        }
        if (f->inputs < 1 || f->params < 1) {
            refuse(f->at, "aux selector", name + " needs input 1 (source block) and parameter 1 (output number)");
            return;
        }
        const Param* p = param(f->fn, 1);
        if (p && (p->min != 0 || p->def != 0 || p->max != most || p->type != 2 || p->decimal != 0))
            refuse(p->at, "aux selector", name + " parameter 1 must be Type 2, Decimal 0, Min 0, Default 0 and Max "
                                              + std::to_string(most) + " (the most any function offers)");
    }

    const Catalogue& cat_;
    std::vector<Problem> problems_;
    std::map<int64_t, const Func*> funcs_;
    std::map<int64_t, std::map<int64_t, const Input*>> inputs_;
    std::map<int64_t, std::map<int64_t, const Param*>> params_;
};

} // namespace

std::vector<Problem> checkCatalogue(const Catalogue& cat)
{
    return Checker(cat).run();
}

} // namespace orvane::catalogue
