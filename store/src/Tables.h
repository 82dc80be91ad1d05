#pragma once
// The tables of the two store files and the rule of each field: what type it is read
// as and which values it may hold. Every value is checked against its field's rule
// when it is read from a file and before it is written to one.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kessig::detail {

enum class FieldType { Integer, Long, Byte, Text, Memo };

struct Field {
    const char* name;
    FieldType type;
    int64_t low = 0, high = 0;  // numbers: the values allowed
    int maxChars = 0;           // Text: the most characters
    enum Flags : unsigned { None = 0, Key = 1, Required = 2, NoZeroLength = 4, MayBeMissing = 8 };
    unsigned flags = None;

    bool is(Flags f) const { return (flags & f) != 0; }
    bool isNumber() const { return type != FieldType::Text && type != FieldType::Memo; }
    bool mayBeNull() const { return !is(Key) && !is(Required); }
};

struct Table {
    const char* name;
    std::vector<Field> fields;  // in the order the store's statements list them

    const Field* find(std::string_view fieldName) const;
    std::vector<const Field*> keyFields() const;
    // "rowid, "F1", "F2", ..." for a SELECT that reads the fields by name.
    std::string selectList() const;
};

// Configuration tables. Field positions within each table are fixed: the cursors
// address fields by these numbers.
const Table& blockListTable();      // 0 BlockNumber 1 FunctionNumber 2 Constants 3 TempRam 4 VolRam 5 Comment 6 VisioComment
const Table& constantsTable();      // 0 BlockNumber 1 Offset 2 ConstantValue
const Table& messagesTable();       // 0 Offset 1 Message
const Table& quickMessagesTable();  // 0 Offset 1 Message 2 Block 3 Parameter
const Table& commentsTable();       // 0 Title 1 Comment 2 Config
const Table& calibrationTable();    // 0 ZeroCal 1 FullCal 2 IsCal
const std::vector<const Table*>& configurationTables();
// The SQL that creates a new configuration's tables and indexes.
const char* configurationSchema();

// Catalogue tables, fields in the same fixed way.
const Table& funcsTable();       // FN FName Icycle VolRam Inputs Params Hidden Single AuxAnalogs AuxDiscretes Ftype
const Table& paramsTable();      // FN PN Description Offset Min Max Default Decimal Security Type
const Table& inputsTable();      // FN In Description ShortName Security Type
const Table& auxOutputsTable();  // FN Kind OutputNumber Description
const Table& versionTable();     // VersionString
const std::vector<const Table*>& catalogueTables();

inline constexpr int16_t kLastBlock = 159;

} // namespace kessig::detail
