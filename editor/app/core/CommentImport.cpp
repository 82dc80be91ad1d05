#include "CommentImport.h"

#include "CompanionTexts.h"
#include "CompareRun.h"
#include "EditorSession.h"
#include "orvane/compare/CommentWriter.h"
#include "orvane/compare/CompanionFiles.h"
#include "orvane/compare/Compare.h"
#include "orvane/files/TempFolder.h"
#include "ui/MessageSeam.h"

namespace brevant {

namespace {

constexpr int16_t kBlocks = 160;
// Title, configuration string and comment, then a drawing comment and a comment per block.
constexpr size_t kRecords = 3 + 2 * kBlocks;

// Writes texts over every comment of the open configuration, as one step of its history.
void writeComments(EditorSession& session, const orvane::compare::CommentTexts& texts)
{
    RowScope scope;
    scope.withComments();
    for (int16_t block = 0; block < kBlocks; ++block)
        scope.withBlock(block);
    session.history().record(QStringLiteral("Import Comments"), scope, -1,
                             [&] { orvane::compare::writeCommentTexts(session.db(), texts); });
}

orvane::compare::CommentTexts blankTexts()
{
    orvane::compare::CommentTexts texts;
    for (int16_t block = 0; block < kBlocks; ++block)
        texts.blocks.push_back({block, {}, std::string()});
    return texts;
}

} // namespace

bool ImportComments(QWidget* parent, EditorSession& session, const QString& source)
{
    if (!acceptImportedComments(parent, source) || CheckFunctionMatch(parent, source, session.GlobalFile) == 2)
        return false;
    const auto flags = readCompareResult();
    if (!flags) {
        reportFailedCompare(parent, source, session.GlobalFile, QString());
        return false;
    }
    if (!(*flags & orvane::compare::HasComments)) {
        const QString text = QStringLiteral("          WARNING\rNo Comments Exist in ") + source + QStringLiteral(".\rAll Comments in ")
                             + session.GlobalFile + QStringLiteral(" will be Erased.\r\rProceed with Importing Comments?");
        if (showMessage(parent, text, Buttons::OkCancel, Icon::None, QStringLiteral("No Comments")) != Answer::Ok)
            return false;
        writeComments(session, blankTexts());
        return true;
    }
    const QString path = commentsFilePath();
    const auto content = orvane::files::readRegularFile(path);
    const auto records = content ? orvane::compare::parseCommentsFile(*content) : std::nullopt;
    // Anything but a whole file would put comments on the wrong blocks.
    if (!records || records->size() != kRecords) {
        reportFailedCompare(parent, source, session.GlobalFile,
                            path + QStringLiteral(" does not hold the comments of a whole configuration; nothing was imported."));
        return false;
    }
    const auto& r = *records;
    orvane::compare::CommentTexts texts{r[0], r[1], r[2], {}};
    for (int16_t block = 0; block < kBlocks; ++block)
        texts.blocks.push_back({block, r[4 + 2 * block], r[3 + 2 * block]});
    writeComments(session, texts);
    return true;
}

} // namespace brevant
