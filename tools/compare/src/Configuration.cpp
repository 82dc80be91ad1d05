#include "orvane/compare/Configuration.h"

#include "Lookups.h"
#include "orvane/formats/JetFiles.h"

#include <kessig/OrvaneDB.h>

#include <charconv>

namespace orvane::compare {

namespace {

// A field that may hold Null.
template <class F>
auto nullable(F&& read)
{
    return readOrNothing(kessig::err::InvalidUseOfNull, read);
}

// The store gives quick-message numbers as text.
std::optional<int16_t> integerText(const std::optional<std::string>& text)
{
    int16_t value = 0;
    if (!text || std::from_chars(text->data(), text->data() + text->size(), value).ec != std::errc())
        return std::nullopt;
    return value;
}

ConfigurationTexts textsOf(const kessig::OrvaneDB& db)
{
    return {nullable([&] { return db.CommentTitle(); }).value_or(""),
            nullable([&] { return db.CommentConfig(); }).value_or(""),
            nullable([&] { return db.CommentComment(); }).value_or("")};
}

} // namespace

const std::optional<int32_t>* Configuration::constant(int16_t block, int16_t offset) const
{
    const auto it = constants.find({block, offset});
    return it == constants.end() ? nullptr : &it->second;
}

bool Configuration::ownsConstants(int16_t block) const
{
    const auto it = constants.lower_bound({block, INT16_MIN});
    return it != constants.end() && it->first.first == block;
}

const std::optional<std::string>* Configuration::message(int16_t number) const
{
    const auto it = messages.find(number);
    return it == messages.end() ? nullptr : &it->second;
}

Configuration readConfiguration(const QString& path, const QString& shown)
{
    Configuration c;
    c.path = shown.isEmpty() ? path : shown;
    // A legacy Jet file is read through a working copy in the tool set's own format.
    const formats::OwnFormatFile file(path, c.path);
    c.recovered = file.recovered();
    kessig::OrvaneDB db;
    db.open_for_reading(file.path().toStdString(), c.path.toStdString());
    c.hasVisioComment = db.HasVisioComment();
    // One read transaction: a consistent picture, and no lock taken again for every row.
    db.BeginTrans();
    c.texts = readOrNothing(kessig::err::NoCurrentRecord, [&] { return textsOf(db); });
    for (db.BlockMoveFirst(); !db.BlockEOF(); db.BlockMoveNext())
        c.blocks.push_back({db.BlockNumber(), nullable([&] { return db.BlockFn(); }), db.BlockComment(),
                            db.BlockVisioComment()});
    for (db.ConstantMoveFirst(); !db.ConstantEOF(); db.ConstantMoveNext())
        c.constants.emplace(std::pair{db.ConstantBlockNumber(), db.ConstantOffset()},
                            nullable([&] { return db.ConstantValue(); }));
    for (db.MessageMoveFirst(); !db.MessageEOF(); db.MessageMoveNext())
        c.messages.emplace(db.MessageOffset(), nullable([&] { return db.MessageMsg(); }));
    for (db.QuickMoveFirst(); !db.QuickEOF(); db.QuickMoveNext())
        c.quickMessages.push_back({db.QuickOffset(), nullable([&] { return db.QuickMessage(); }),
                                   integerText(nullable([&] { return db.QuickBlock(); })),
                                   integerText(nullable([&] { return db.QuickParameter(); }))});
    db.CommitTrans();
    db.close_work_dbs();
    return c;
}

QString failureText(const std::exception& e)
{
    if (const auto* db = dynamic_cast<const kessig::DbError*>(&e))
        return QString::fromStdString(db->text()) + QStringLiteral(" (error %1)").arg(db->number());
    return QString::fromStdString(e.what());
}

QString readFailure(const QString& path, const std::exception& e)
{
    // The reader of Jet files names the file itself.
    if (dynamic_cast<const formats::UnreadableConfiguration*>(&e))
        return QString::fromStdString(e.what());
    return path + QStringLiteral(" cannot be read: ") + failureText(e);
}

} // namespace orvane::compare
