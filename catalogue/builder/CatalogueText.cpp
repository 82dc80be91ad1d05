// Reading the catalogue's tab-separated text files.
#include "Catalogue.h"

#include <charconv>
#include <fstream>
#include <functional>

namespace orvane::catalogue {

std::string describe(const Problem& p)
{
    std::string s = p.at.file;
    if (p.at.line > 0)
        s += ":" + std::to_string(p.at.line);
    return s + ": " + p.rule + ": " + p.detail;
}

namespace {

std::vector<std::string> splitTabs(const std::string& line)
{
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos)
            return fields;
        start = tab + 1;
    }
}

// Reads the lines of a file that are neither blank nor '#' comments, with
// their line numbers; a trailing CR (a file saved on Windows) is dropped.
bool readLines(const std::filesystem::path& path, std::vector<std::pair<int, std::string>>& lines)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        lines.emplace_back(number, line);
    }
    return true;
}

bool parseNumber(const std::string& text, int64_t& value)
{
    if (text.empty())
        return false;
    const char* first = text.data();
    if (*first == '+')
        ++first;
    const auto [end, ec] = std::from_chars(first, text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

// The columns of one table file: names in order, and which hold numbers.
struct Column {
    const char* name;
    bool number;
};

using RowSink = std::function<void(const Origin&, const std::vector<std::string>&, const std::vector<int64_t>&)>;

void readTable(const std::filesystem::path& folder, const std::string& fileName,
               const std::vector<Column>& columns, std::vector<Problem>& problems, const RowSink& sink)
{
    std::vector<std::pair<int, std::string>> lines;
    if (!readLines(folder / fileName, lines)) {
        problems.push_back({{fileName, 0}, "missing file", "cannot be read"});
        return;
    }
    std::string header;
    for (const auto& c : columns)
        header += (header.empty() ? "" : "\t") + std::string(c.name);
    if (lines.empty() || lines.front().second != header) {
        problems.push_back({{fileName, lines.empty() ? 0 : lines.front().first}, "header",
                            "the first line must name the columns: " + header});
        return;
    }
    for (size_t i = 1; i < lines.size(); ++i) {
        const Origin at{fileName, lines[i].first};
        const auto fields = splitTabs(lines[i].second);
        if (fields.size() != columns.size()) {
            problems.push_back({at, "format", "expected " + std::to_string(columns.size()) + " tab-separated fields, found "
                                                  + std::to_string(fields.size())});
            continue;
        }
        std::vector<int64_t> numbers(fields.size(), 0);
        bool ok = true;
        for (size_t c = 0; c < fields.size(); ++c) {
            if (columns[c].number && !parseNumber(fields[c], numbers[c])) {
                problems.push_back({at, "format", std::string(columns[c].name) + " \"" + fields[c] + "\" is not a whole number"});
                ok = false;
            } else if (!columns[c].number
                       && (fields[c].empty() || fields[c].front() == ' ' || fields[c].back() == ' ')) {
                problems.push_back({at, "format", std::string(columns[c].name) + " is empty or has leading or trailing blanks"});
                ok = false;
            }
        }
        if (ok)
            sink(at, fields, numbers);
    }
}

} // namespace

Catalogue readCatalogue(const std::filesystem::path& folder, std::vector<Problem>& problems)
{
    Catalogue cat;
    readTable(folder, "funcs.tsv",
              {{"FN", true}, {"FName", false}, {"Icycle", true}, {"VolRam", true}, {"Inputs", true}, {"Params", true},
               {"Hidden", true}, {"Single", true}, {"AuxAnalogs", true}, {"AuxDiscretes", true}, {"Ftype", true}},
              problems, [&](const Origin& at, const auto& f, const auto& n) {
                  cat.funcs.push_back({at, n[0], n[2], n[3], n[4], n[5], n[6], n[7], n[8], n[9], n[10], f[1]});
              });
    readTable(folder, "inputs.tsv",
              {{"FN", true}, {"In", true}, {"Description", false}, {"ShortName", false}, {"Security", true}, {"Type", true}},
              problems, [&](const Origin& at, const auto& f, const auto& n) {
                  cat.inputs.push_back({at, n[0], n[1], n[4], n[5], f[2], f[3]});
              });
    readTable(folder, "params.tsv",
              {{"FN", true}, {"PN", true}, {"Description", false}, {"Offset", true}, {"Min", true}, {"Max", true},
               {"Default", true}, {"Decimal", true}, {"Security", true}, {"Type", true}},
              problems, [&](const Origin& at, const auto& f, const auto& n) {
                  cat.params.push_back({at, n[0], n[1], n[3], n[4], n[5], n[6], n[7], n[8], n[9], f[2]});
              });
    readTable(folder, "auxoutputs.tsv",
              {{"FN", true}, {"Kind", false}, {"OutputNumber", true}, {"Description", false}}, problems,
              [&](const Origin& at, const auto& f, const auto& n) {
                  cat.auxOutputs.push_back({at, n[0], n[2], f[1], f[3]});
              });
    cat.versionFile = {"version.txt", 0};
    std::vector<std::pair<int, std::string>> lines;
    if (!readLines(folder / "version.txt", lines))
        problems.push_back({cat.versionFile, "missing file", "cannot be read"});
    for (const auto& [number, text] : lines) {
        if (cat.versions.empty())
            cat.versionFile.line = number;
        cat.versions.push_back(text);
    }
    return cat;
}

} // namespace orvane::catalogue
