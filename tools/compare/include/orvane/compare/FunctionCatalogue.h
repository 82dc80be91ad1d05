#pragma once
// The function catalogue "OrvaneDATA.DAT" beside a companion program, as the compare
// looks things up in it.

#include <kessig/OrvaneDB.h>

#include <QString>

#include <cstdint>
#include <optional>
#include <string>

namespace orvane::compare {

struct FunctionInfo {
    std::string name;
    int16_t inputs = 0;
    int16_t params = 0;
};

struct ParameterInfo {
    std::string description;
    int16_t decimal = 0;
};

class FunctionCatalogue {
public:
    static bool presentIn(const QString& folder);
    // Reads the catalogue of folder; throws kessig::DbError when it cannot.
    explicit FunctionCatalogue(const QString& folder);

    std::optional<FunctionInfo> function(int16_t fn);
    std::optional<std::string> inputDescription(int16_t fn, int16_t input);
    std::optional<ParameterInfo> parameter(int16_t fn, int16_t parameter);
    // What a block of function fn that owns no constant rows holds at offset: the value a
    // download sends for it (an input's default link, a parameter's default).
    std::optional<int32_t> defaultConstant(int16_t fn, int16_t offset);

private:
    kessig::OrvaneDB db_;   // its catalogue side only
};

} // namespace orvane::compare
