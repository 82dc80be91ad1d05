#include "CompanionTexts.h"

#include "orvane/compare/Compare.h"
#include "orvane/compare/Configuration.h"
#include "ui/MessageSeam.h"

#include <QDateTime>

#include <optional>

namespace brevant {

namespace {

using orvane::compare::Configuration;

// A file that cannot be read is left to Juxta, which says what is wrong with it. An
// unfinished write recovered here is said here: Juxta then finds nothing to recover.
std::optional<Configuration> readIfPossible(QWidget* parent, const QString& path, const QString& title)
{
    try {
        Configuration c = orvane::compare::readConfiguration(path);
        if (!c.recovered.isEmpty())
            showMessage(parent, c.recovered, Buttons::Ok, Icon::Information, title);
        return c;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

bool accepted(QWidget* parent, const orvane::codepage::TextsOutsideCp1252& texts, const QString& intro,
              const QString& question, const QString& title)
{
    return texts.empty()
           || showMessage(parent, QString::fromStdString(texts.message(intro.toStdString(), question.toStdString())),
                          Buttons::OkCancel, Icon::Exclamation, title)
                  == Answer::Ok;
}

} // namespace

bool acceptCompareTexts(QWidget* parent, const QString& file1, char reportCode, const QString& globalFile)
{
    const QString title = QStringLiteral("Compare Database Files");
    const auto one = readIfPossible(parent, file1, title);
    const auto two = one ? readIfPossible(parent, globalFile, title) : std::nullopt;
    if (!two)
        return true;
    const orvane::compare::CompareRequest request{orvane::compare::Companion::Juxta, reportCode,
                                                  orvane::compare::shownFile(file1),
                                                  orvane::compare::shownFile(globalFile), QDateTime::currentDateTime()};
    return accepted(parent, orvane::compare::textsOutsideCp1252(*one, *two, request),
                    QStringLiteral("Windows-1252 lacks some characters of these texts; where the compare log "
                                   "or the comments file shows them, it shows \"?\":"),
                    QStringLiteral("Compare anyway?"), title);
}

bool acceptImportedComments(QWidget* parent, const QString& source)
{
    const QString title = QStringLiteral("Import Comments");
    const auto read = readIfPossible(parent, source, title);
    return !read
           || accepted(parent, orvane::compare::commentTextsOutsideCp1252(*read),
                       QStringLiteral("Windows-1252 lacks some characters of these comments of ") + source
                           + QStringLiteral("; the comments file carries them, and the import stores them, as \"?\":"),
                       QStringLiteral("Import the comments anyway?"), title);
}

} // namespace brevant
