#include "CommentMerge.h"

#include "orvane/compare/CommentWriter.h"
#include "orvane/compare/FunctionCatalogue.h"
#include "orvane/files/WorkingCopy.h"
#include "orvane/formats/JetFiles.h"

#include <kessig/OrvaneDB.h>

#include <QDateTime>
#include <QFile>

#include <stdexcept>

namespace ostrel {

using namespace orvane::compare;

namespace {

CompareRequest mergeRequest(const QString& sourceShown, const QString& updateShown)
{
    return {Companion::Ostrel, 'L', shownFile(sourceShown), shownFile(updateShown), QDateTime::currentDateTime()};
}

// Into `file`, a working copy of the user's file `shown`.
void writeComments(const Configuration& source, const std::string& file, const std::string& shown)
{
    kessig::OrvaneDB db;
    db.open_existing_database(file, kessig::Durability::Relaxed, shown);
    // Opening adds the field to an older file: drawing comments go only where it was.
    const bool visio = source.hasVisioComment && !db.AddedVisioComment();
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

CompareOutcome compareForMerge(const Configuration& source, const Configuration& update, const QString& catalogueFolder,
                               const QString& sourceShown, const QString& updateShown)
{
    FunctionCatalogue catalogue(catalogueFolder);
    return compareConfigurations(source, update, catalogue, mergeRequest(sourceShown, updateShown));
}

orvane::codepage::TextsOutsideCp1252 logTextsOutsideCp1252(const Configuration& source, const Configuration& update,
                                                       const QString& sourceShown, const QString& updateShown)
{
    return textsOutsideCp1252(source, update, mergeRequest(sourceShown, updateShown));
}

QString mergeComments(const Configuration& source, const QString& updatePath,
                      const std::optional<orvane::files::FileVersion>& comparedAs, const QString& saveAs)
{
    kessig::recoverInterruptedWrite(QFile::encodeName(updatePath).toStdString(), updatePath.toStdString());
    const orvane::files::WorkingCopy update(updatePath, orvane::formats::copyConfiguration);
    const QString changed = updatePath + QStringLiteral(" was changed by another program");
    if (comparedAs && update.originalVersion() != *comparedAs)
        throw UpdateChanged(changed.toStdString());
    writeComments(source, update.path().toStdString(), updatePath.toStdString());
    const QString target = saveAs.isEmpty() ? updatePath : saveAs;
    if (target == updatePath && update.originalChanged())
        throw UpdateChanged(changed.toStdString());
    const orvane::formats::Replacement replaced = orvane::formats::replaceConfiguration(update.path(), target);
    if (replaced.error)
        throw std::runtime_error(replaced.error->toStdString());
    return replaced.keptOriginal;
}

} // namespace ostrel
