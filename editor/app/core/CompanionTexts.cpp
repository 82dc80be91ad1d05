#include "CompanionTexts.h"

#include "orvane/compare/Compare.h"
#include "orvane/compare/Configuration.h"
#include "ui/MessageSeam.h"

#include <QDateTime>

#include <optional>

namespace brevant {

namespace {

using orvane::compare::Configuration;

// A file that cannot be read is left to Juxta, which says what is wrong with it.
std::optional<Configuration> readIfPossible(const QString& path)
{
    try {
        return orvane::compare::readConfiguration(path);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

bool accepted(QWidget* parent, const orvane::link::TextsOutsideCp1252& texts, const QString& intro,
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
    const auto one = readIfPossible(file1);
    const auto two = one ? readIfPossible(globalFile) : std::nullopt;
    if (!two)
        return true;
    const orvane::compare::CompareRequest request{orvane::compare::Companion::Juxta, reportCode,
                                                  orvane::compare::shownFile(file1),
                                                  orvane::compare::shownFile(globalFile), QDateTime::currentDateTime()};
    return accepted(parent, orvane::compare::textsOutsideCp1252(*one, *two, request),
                    QStringLiteral("Windows-1252 lacks some characters of these texts; where the compare log "
                                   "or the comments file shows them, it shows \"?\":"),
                    QStringLiteral("Compare anyway?"), QStringLiteral("Compare Database Files"));
}

bool acceptImportedComments(QWidget* parent, const QString& source)
{
    const auto read = readIfPossible(source);
    return !read
           || accepted(parent, orvane::compare::commentTextsOutsideCp1252(*read),
                       QStringLiteral("Windows-1252 lacks some characters of these comments of ") + source
                           + QStringLiteral("; the comments file carries them, and the import stores them, as \"?\":"),
                       QStringLiteral("Import the comments anyway?"), QStringLiteral("Import Comments"));
}

} // namespace brevant
