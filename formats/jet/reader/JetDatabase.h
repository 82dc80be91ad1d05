#pragma once
// A Jet database read through libmdb: its user tables, their columns and rows, each
// value typed and Null kept apart from an empty text. Every way a file can be bad
// (truncated, damaged, foreign) ends in a JetError that says what is wrong.

// mdbtools.h includes glib.h inside extern "C"; glib must come first for C++.
#include <glib.h>
#include <mdbtools.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace orvane::jetreader {

class JetError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One value of a row. Texts are UTF-8; dates are "YYYY-MM-DD HH:MM:SS" texts; money
// and decimal numbers are exact decimal texts.
struct JetValue {
    enum class Kind { Null, Integer, Real, Text, Blob };
    Kind kind = Kind::Null;
    int64_t integer = 0;
    double real = 0;
    std::string bytes;
};

struct JetColumn {
    std::string name;
    int type = 0;                 // libmdb's column type
    JetValue::Kind kind = JetValue::Kind::Text;
    std::string typeName;         // the Jet type as users know it ("Integer", "Memo", ...)
    bool wholeNumber = false;     // Byte, Integer or Long
    bool text = false;            // Text or Memo
};

class JetTable {
public:
    JetTable(MdbHandle* mdb, MdbTableDef* table, std::string name);
    ~JetTable();
    JetTable(const JetTable&) = delete;
    JetTable& operator=(const JetTable&) = delete;

    const std::string& name() const { return name_; }
    const std::vector<JetColumn>& columns() const { return columns_; }
    // Hands every row to `row`, in the file's order; throws JetError when a row or the
    // table cannot be read whole.
    void readRows(const std::function<void(const std::vector<JetValue>&)>& row);

private:
    MdbHandle* mdb_;
    MdbTableDef* table_;
    std::string name_;
    std::vector<JetColumn> columns_;
    std::vector<std::unique_ptr<char[]>> bound_;
    std::vector<int> boundLength_;
};

class JetDatabase {
public:
    // Opens the file; throws JetError when it is no Jet 3 or Jet 4 database or cannot be
    // read (the message says why, without the file's name).
    explicit JetDatabase(const std::string& path);
    ~JetDatabase();
    JetDatabase(const JetDatabase&) = delete;
    JetDatabase& operator=(const JetDatabase&) = delete;

    // The user tables, in the order of the file's catalogue.
    std::vector<std::string> tableNames() const;
    std::unique_ptr<JetTable> table(const std::string& name);

private:
    MdbHandle* mdb_ = nullptr;
};

} // namespace orvane::jetreader
