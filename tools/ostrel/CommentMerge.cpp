#include "CommentMerge.h"

#include "orvane/compare/CommentWriter.h"
#include "orvane/compare/FunctionCatalogue.h"
#include "orvane/formats/JetFiles.h"

#include <kessig/OrvaneDB.h>

#include <QDateTime>

#include <stdexcept>

namespace ostrel {

using namespace orvane::compare;

namespace {

CompareRequest mergeRequest(const QString& sourceShown, const QString& updateShown)
{
    return {Companion::Ostrel, 'L', shownFile(sourceShown), shownFile(updateShown), QDateTime::currentDateTime()};
}

} // namespace

CompareOutcome compareForMerge(const Configuration& source, const Configuration& update, const QString& catalogueFolder,
                               const QString& sourceShown, const QString& updateShown)
{
    FunctionCatalogue catalogue(catalogueFolder);
    return compareConfigurations(source, update, catalogue, mergeRequest(sourceShown, updateShown));
}

orvane::link::TextsOutsideCp1252 logTextsOutsideCp1252(const Configuration& source, const Configuration& update,
                                                       const QString& sourceShown, const QString& updateShown)
{
    return textsOutsideCp1252(source, update, mergeRequest(sourceShown, updateShown));
}

namespace {

// Into `file`, which is the user's file `shown` or a working copy of it.
void writeComments(const Configuration& source, const std::string& file, const std::string& shown)
{
    kessig::OrvaneDB db;
    // Opening adds the field to an older file; whether it had one is asked first.
    const bool visio = source.hasVisioComment && db.TestVisioComments(file, shown) == 0;
    db.open_existing_database(file, kessig::Durability::Full, shown);
    CommentTexts texts;
    if (source.texts)
        texts = {source.texts->title, source.texts->config, source.texts->comment, {}};
    for (const BlockRecord& block : source.blocks)
        texts.blocks.push_back({block.number, block.comment,
                                visio ? std::optional<std::string>(block.visioComment) : std::nullopt});
    writeCommentTexts(db, texts);
    db.close_work_dbs();
}

} // namespace

QString mergeComments(const Configuration& source, const QString& updatePath)
{
    const orvane::formats::OwnFormatFile update(updatePath);
    writeComments(source, update.path().toStdString(), updatePath.toStdString());
    if (!update.isCopy())
        return {};
    const orvane::formats::Replacement replaced = orvane::formats::replaceConfiguration(update.path(), updatePath);
    if (replaced.error)
        throw std::runtime_error(replaced.error->toStdString());
    return replaced.keptOriginal;
}

} // namespace ostrel
