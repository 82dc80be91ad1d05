#pragma once
// A configuration as the companion tools see it: read whole, read-only, and closed again
// before anything is compared, so no user's file is held open, locked or changed.

#include <QString>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace orvane::compare {

// Texts are UTF-8 as the store gives them; a Null text reads as "".
struct ConfigurationTexts {
    std::string title, config, comment;
};

struct BlockRecord {
    int16_t number = 0;
    std::optional<int16_t> function;   // absent when the field is Null
    std::string comment;
    std::string visioComment;          // "" also when the file lacks the field
};

struct QuickRecord {
    int16_t offset = 0;
    std::optional<std::string> message;
    std::optional<int16_t> block, parameter;
};

struct Configuration {
    QString path;
    QString recovered;                         // what recovering an unfinished write did; "" mostly
    std::optional<ConfigurationTexts> texts;   // absent when the file has no "Comments" row
    bool hasVisioComment = true;
    std::vector<BlockRecord> blocks;           // block-number order
    std::vector<QuickRecord> quickMessages;    // offset order

    // A constant row: nullptr when the row is missing; the value is absent when Null.
    const std::optional<int32_t>* constant(int16_t block, int16_t offset) const;
    // Whether the file holds any constant row of the block.
    bool ownsConstants(int16_t block) const;
    // A message row, the same way.
    const std::optional<std::string>* message(int16_t number) const;

    std::map<std::pair<int16_t, int16_t>, std::optional<int32_t>> constants;
    std::map<int16_t, std::optional<std::string>> messages;
};

// Reads the configuration file at path, named `shown` in messages ("": its path). This is
// the one way every companion tool opens a configuration. A legacy Jet file is read by
// the reader process into a working copy, removed again once read; an unfinished write
// into the file is recovered first and `recovered` says so. Throws kessig::DbError (or
// std::exception) with the reason.
Configuration readConfiguration(const QString& path, const QString& shown = {});

// What went wrong, with the store's error number when it has one.
QString failureText(const std::exception& e);
// The message of a failed read, naming the file.
QString readFailure(const QString& path, const std::exception& e);

} // namespace orvane::compare
