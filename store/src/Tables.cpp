#include "Tables.h"

#include <strings.h>

namespace kessig::detail {

namespace {

constexpr int64_t kIntegerLow = -32768, kIntegerHigh = 32767;
constexpr int64_t kLongLow = -2147483648LL, kLongHigh = 2147483647LL;

Field integer(const char* name, unsigned flags = Field::None, int64_t low = kIntegerLow, int64_t high = kIntegerHigh) {
    return {name, FieldType::Integer, low, high, 0, flags};
}
Field longField(const char* name, unsigned flags = Field::None) {
    return {name, FieldType::Long, kLongLow, kLongHigh, 0, flags};
}
Field text(const char* name, int maxChars, unsigned flags = Field::None) {
    return {name, FieldType::Text, 0, 0, maxChars, flags};
}
Field memo(const char* name, unsigned flags = Field::None) { return {name, FieldType::Memo, 0, 0, 0, flags}; }

constexpr unsigned kKey = Field::Key;
constexpr unsigned kRequired = Field::Required;

} // namespace

const Field* Table::find(std::string_view fieldName) const {
    for (const Field& f : fields)
        if (fieldName.size() == std::char_traits<char>::length(f.name) &&
            ::strncasecmp(f.name, fieldName.data(), fieldName.size()) == 0)
            return &f;
    return nullptr;
}

std::vector<const Field*> Table::keyFields() const {
    std::vector<const Field*> keys;
    for (const Field& f : fields)
        if (f.is(Field::Key)) keys.push_back(&f);
    return keys;
}

std::string Table::selectList() const {
    std::string list = "rowid";
    for (const Field& f : fields) list += std::string(", \"") + f.name + "\"";
    return list;
}

const Table& blockListTable() {
    static const Table t{"Block List",
                         {integer("BlockNumber", kKey, 0, kLastBlock), integer("FunctionNumber"), integer("Constants"),
                          integer("TempRam"), integer("VolRam"), memo("Comment"),
                          memo("VisioComment", Field::MayBeMissing)}};
    return t;
}
const Table& constantsTable() {
    static const Table t{"Constants",
                         {integer("BlockNumber", kKey, 0, kLastBlock), integer("Offset", kKey, 0, kIntegerHigh),
                          longField("ConstantValue")}};
    return t;
}
const Table& messagesTable() {
    static const Table t{"Messages", {integer("Offset", kKey, 0, kIntegerHigh), text("Message", 16, Field::NoZeroLength)}};
    return t;
}
const Table& quickMessagesTable() {
    static const Table t{"QuickMessages",
                         {integer("Offset", kKey, 0, kIntegerHigh), text("Message", 16, Field::NoZeroLength),
                          integer("Block"), integer("Parameter")}};
    return t;
}
const Table& commentsTable() {
    static const Table t{"Comments", {text("Title", 80), memo("Comment"), text("Config", 80)}};
    return t;
}
const Table& calibrationTable() {
    static const Table t{"Calibration",
                         {longField("ZeroCal"), longField("FullCal"), {"IsCal", FieldType::Byte, 0, 255, 0, Field::None}}};
    return t;
}
const std::vector<const Table*>& configurationTables() {
    static const std::vector<const Table*> all{&blockListTable(), &constantsTable(), &messagesTable(),
                                               &quickMessagesTable(), &commentsTable(), &calibrationTable()};
    return all;
}

const char* configurationSchema() {
    return R"SQL(
CREATE TABLE "Block List" (
  BlockNumber INTEGER NOT NULL CONSTRAINT "BlockNumber.range" CHECK (BlockNumber BETWEEN -32768 AND 32767),
  FunctionNumber INTEGER CONSTRAINT "FunctionNumber.range" CHECK (FunctionNumber BETWEEN -32768 AND 32767),
  Constants INTEGER CONSTRAINT "Constants.range" CHECK (Constants BETWEEN -32768 AND 32767),
  TempRam INTEGER CONSTRAINT "TempRam.range" CHECK (TempRam BETWEEN -32768 AND 32767),
  VolRam INTEGER CONSTRAINT "VolRam.range" CHECK (VolRam BETWEEN -32768 AND 32767),
  Comment TEXT,
  VisioComment TEXT);
CREATE UNIQUE INDEX "Block List.BlockNumber" ON "Block List"(BlockNumber);
CREATE TABLE Constants (
  BlockNumber INTEGER NOT NULL CONSTRAINT "BlockNumber.range" CHECK (BlockNumber BETWEEN -32768 AND 32767),
  Offset INTEGER NOT NULL CONSTRAINT "Offset.range" CHECK (Offset BETWEEN -32768 AND 32767),
  ConstantValue INTEGER CONSTRAINT "ConstantValue.range" CHECK (ConstantValue BETWEEN -2147483648 AND 2147483647));
CREATE UNIQUE INDEX "Constants.PrimaryKey" ON Constants(BlockNumber, Offset);
CREATE TABLE Messages (
  Offset INTEGER NOT NULL CONSTRAINT "Offset.range" CHECK (Offset BETWEEN -32768 AND 32767),
  Message TEXT CONSTRAINT "Message.length" CHECK (length(Message) <= 16) CONSTRAINT "Message.zerolength" CHECK (Message <> ''));
CREATE UNIQUE INDEX "Messages.PrimaryKey" ON Messages(Offset);
CREATE TABLE QuickMessages (
  Offset INTEGER NOT NULL CONSTRAINT "Offset.range" CHECK (Offset BETWEEN -32768 AND 32767),
  Message TEXT CONSTRAINT "Message.length" CHECK (length(Message) <= 16) CONSTRAINT "Message.zerolength" CHECK (Message <> ''),
  Block INTEGER CONSTRAINT "Block.range" CHECK (Block BETWEEN -32768 AND 32767),
  Parameter INTEGER CONSTRAINT "Parameter.range" CHECK (Parameter BETWEEN -32768 AND 32767));
CREATE UNIQUE INDEX "QuickMessages.PrimaryKey" ON QuickMessages(Offset);
CREATE TABLE Comments (
  Title TEXT CONSTRAINT "Title.length" CHECK (length(Title) <= 80),
  Comment TEXT,
  Config TEXT CONSTRAINT "Config.length" CHECK (length(Config) <= 80));
CREATE TABLE Calibration (
  ZeroCal INTEGER CONSTRAINT "ZeroCal.range" CHECK (ZeroCal BETWEEN -2147483648 AND 2147483647),
  FullCal INTEGER CONSTRAINT "FullCal.range" CHECK (FullCal BETWEEN -2147483648 AND 2147483647),
  IsCal INTEGER CONSTRAINT "IsCal.range" CHECK (IsCal BETWEEN 0 AND 255));
)SQL";
}

const Table& funcsTable() {
    static const Table t{"Funcs",
                         {integer("FN", kRequired), text("FName", 0, kRequired), integer("Icycle", kRequired),
                          integer("VolRam", kRequired), integer("Inputs", kRequired), integer("Params", kRequired),
                          integer("Hidden", kRequired), integer("Single", kRequired), integer("AuxAnalogs", kRequired),
                          integer("AuxDiscretes", kRequired), integer("Ftype", kRequired)}};
    return t;
}
const Table& paramsTable() {
    static const Table t{"Params",
                         {integer("FN", kRequired), integer("PN", kRequired), text("Description", 0, kRequired),
                          integer("Offset", kRequired), longField("Min", kRequired), longField("Max", kRequired),
                          longField("Default", kRequired), integer("Decimal", kRequired), integer("Security", kRequired),
                          integer("Type", kRequired)}};
    return t;
}
const Table& inputsTable() {
    static const Table t{"Inputs",
                         {integer("FN", kRequired), integer("In", kRequired), text("Description", 0, kRequired),
                          text("ShortName", 0, kRequired), integer("Security", kRequired), integer("Type", kRequired)}};
    return t;
}
const Table& auxOutputsTable() {
    static const Table t{"AuxOutputs",
                         {integer("FN", kRequired), text("Kind", 0, kRequired), integer("OutputNumber", kRequired),
                          text("Description", 0, kRequired)}};
    return t;
}
const Table& versionTable() {
    static const Table t{"Version", {text("VersionString", 0, kRequired)}};
    return t;
}
const std::vector<const Table*>& catalogueTables() {
    // The order in which a missing table is reported.
    static const std::vector<const Table*> all{&inputsTable(), &paramsTable(), &funcsTable(), &versionTable(),
                                               &auxOutputsTable()};
    return all;
}

} // namespace kessig::detail
