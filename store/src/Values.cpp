#include "Values.h"

#include "orvane/codepage/Cp1252.h"

namespace kessig::detail {

namespace {

const char* expected(FieldType type) {
    switch (type) {
    case FieldType::Integer: return "an Integer";
    case FieldType::Long: return "a Long";
    case FieldType::Byte: return "a Byte";
    case FieldType::Text:
    case FieldType::Memo: break;
    }
    return "text";
}

const char* storedKind(int sqliteType) {
    switch (sqliteType) {
    case SQLITE_INTEGER: return "a whole number";
    case SQLITE_FLOAT: return "a fractional number";
    case SQLITE_TEXT: return "text";
    default: break;
    }
    return "binary data";
}

[[noreturn]] void wrongKind(int sqliteType, const Place& place) {
    throw DbError(err::ConversionError, "Data type conversion error: " + place.text() + " holds " + storedKind(sqliteType) +
                                            " where " + expected(place.field.type) + " is expected.");
}

} // namespace

std::string Place::text() const {
    std::string s = "field '" + std::string(field.name) + "' of table '" + table.name + "'";
    if (row) s += ", row " + std::to_string(*row) + ",";
    if (!file.empty()) s += " in '" + file + "'";
    return s;
}

void throwNull(const Place& place) {
    throw DbError(err::InvalidUseOfNull, "Invalid use of Null: " + place.text() + " is Null.");
}

namespace {

void checkRange(int64_t value, const Place& place) {
    if (value < place.field.low || value > place.field.high)
        throw DbError(err::NumericOverflow, "Numeric field overflow: " + place.text() + " holds " + std::to_string(value) +
                                                ", outside " + std::to_string(place.field.low) + " to " +
                                                std::to_string(place.field.high) + ".");
}

void checkTextRules(const std::string& value, const Place& place) {
    const auto chars = orvane::codepage::utf8Length(value);
    if (!chars)
        throw DbError(err::ConversionError, "Data type conversion error: " + place.text() + " holds text that is not valid UTF-8.");
    if (place.field.maxChars > 0 && *chars > static_cast<size_t>(place.field.maxChars))
        throw DbError(err::FieldTooSmall, "The field is too small to accept the amount of data: " + place.text() + " holds " +
                                              std::to_string(*chars) + " characters, more than its " +
                                              std::to_string(place.field.maxChars) + ".");
    if (*chars == 0 && place.field.is(Field::NoZeroLength))
        throw DbError(err::ZeroLengthNotAllowed, "Field cannot be a zero-length string: " + place.text() + ".");
}

// A Null about to be written where the field cannot hold one.
void checkNullToWrite(const Place& place) {
    if (place.field.is(Field::Key))
        throw DbError(err::NullInKey, "Index or primary key cannot contain a Null value: " + place.text() + " is not set.");
    if (place.field.is(Field::Required))
        throw DbError(err::NullNotAllowed, "Field cannot contain a Null value: " + place.text() + " is not set.");
}

} // namespace

void checkNumber(const std::optional<int64_t>& value, const Place& place) {
    if (value) checkRange(*value, place);
    else checkNullToWrite(place);
}

void checkText(const std::optional<std::string>& value, const Place& place) {
    if (value) checkTextRules(*value, place);
    else checkNullToWrite(place);
}

std::optional<int64_t> readNumber(sqlite3_stmt* statement, int column, const Place& place) {
    const int type = sqlite3_column_type(statement, column);
    if (type == SQLITE_NULL) {
        if (!place.field.mayBeNull()) throwNull(place);
        return std::nullopt;
    }
    if (type != SQLITE_INTEGER) wrongKind(type, place);
    const int64_t value = sqlite3_column_int64(statement, column);
    checkRange(value, place);
    return value;
}

std::optional<std::string> readText(sqlite3_stmt* statement, int column, const Place& place) {
    const int type = sqlite3_column_type(statement, column);
    if (type == SQLITE_NULL) {
        if (!place.field.mayBeNull()) throwNull(place);
        return std::nullopt;
    }
    if (type != SQLITE_TEXT) wrongKind(type, place);
    // Whole: a text may hold code 0 characters, which count as characters like any other.
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    std::string value(text, static_cast<size_t>(sqlite3_column_bytes(statement, column)));
    checkTextRules(value, place);
    return value;
}

} // namespace kessig::detail
