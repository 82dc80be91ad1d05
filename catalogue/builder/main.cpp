// orvane-catalogue-build DATA-FOLDER SCHEMA.SQL OUTPUT
// Checks the catalogue text and writes the catalogue file; refuses, naming
// file, line and rule, any catalogue that breaks a rule.
#include "Catalogue.h"

#include <fstream>
#include <iostream>
#include <sstream>

int main(int argc, char** argv)
{
    using namespace orvane::catalogue;
    if (argc != 4) {
        std::cerr << "usage: orvane-catalogue-build DATA-FOLDER SCHEMA.SQL OUTPUT\n";
        return 2;
    }
    std::ifstream schemaFile(argv[2], std::ios::binary);
    if (!schemaFile) {
        std::cerr << argv[2] << ": cannot be read\n";
        return 2;
    }
    std::stringstream schema;
    schema << schemaFile.rdbuf();

    std::vector<Problem> problems;
    const Catalogue cat = readCatalogue(argv[1], problems);
    for (auto& p : checkCatalogue(cat))
        problems.push_back(std::move(p));
    if (!problems.empty()) {
        for (const auto& p : problems)
            std::cerr << describe(p) << '\n';
        std::cerr << "catalogue refused: " << problems.size() << " problem(s); " << argv[3] << " not written\n";
        return 1;
    }
    const std::string error = writeCatalogue(cat, schema.str(), argv[3]);
    if (!error.empty()) {
        std::cerr << error << '\n';
        return 1;
    }
    return 0;
}
