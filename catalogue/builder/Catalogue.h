// The function catalogue as read from its text files, and the checks a
// catalogue must pass before it may go to a controller.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace orvane::catalogue {

// Where a row came from, so every refusal names file and line.
struct Origin {
    std::string file;
    int line = 0;
};

struct Func {
    Origin at;
    int64_t fn = 0, icycle = 0, volRam = 0, inputs = 0, params = 0, hidden = 0, single = 0,
            auxAnalogs = 0, auxDiscretes = 0, ftype = 0;
    std::string name;
};

struct Param {
    Origin at;
    int64_t fn = 0, pn = 0, offset = 0, min = 0, max = 0, def = 0, decimal = 0, security = 0, type = 0;
    std::string description;
};

struct Input {
    Origin at;
    int64_t fn = 0, in = 0, security = 0, type = 0;
    std::string description, shortName;
};

struct AuxOutput {
    Origin at;
    int64_t fn = 0, number = 0;
    std::string kind, description;
};

struct Catalogue {
    std::vector<Func> funcs;
    std::vector<Param> params;
    std::vector<Input> inputs;
    std::vector<AuxOutput> auxOutputs;
    std::vector<std::string> versions;
    Origin versionFile;
};

// One refusal: "file:line: rule: detail".
struct Problem {
    Origin at;
    std::string rule, detail;
};
std::string describe(const Problem& p);

// Reads funcs.tsv, inputs.tsv, params.tsv, auxoutputs.tsv and version.txt of
// folder; format faults are added to problems and their rows left out.
Catalogue readCatalogue(const std::filesystem::path& folder, std::vector<Problem>& problems);

// Every rule the catalogue breaks.
std::vector<Problem> checkCatalogue(const Catalogue& cat);

// Writes the SQLite file through a temporary name, so a failure leaves no file
// behind and an existing catalogue untouched. Returns an error text, or "".
std::string writeCatalogue(const Catalogue& cat, const std::string& schemaSql,
                           const std::filesystem::path& output);

} // namespace orvane::catalogue
