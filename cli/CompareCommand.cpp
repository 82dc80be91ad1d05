#include "CompareCommand.h"

#include "Terminal.h"

#include "orvane/compare/CompanionFiles.h"
#include "orvane/compare/Compare.h"
#include "orvane/compare/Configuration.h"
#include "orvane/compare/FunctionCatalogue.h"
#include "orvane/link/Protocol.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>

#include <cstdio>

namespace orvane::cli {

namespace {

constexpr int kSame = 0;
constexpr int kDifferent = 1;
constexpr int kError = 2;

int fail(const QString& text)
{
    say(text);
    return kError;
}

QString flagNames(uint16_t flags)
{
    static const std::pair<uint16_t, const char*> kNames[] = {
        {compare::TextDiffers, "TextDiffers"},         {compare::InputsDiffer, "InputsDiffer"},
        {compare::ParametersDiffer, "ParametersDiffer"}, {compare::MessagesDiffer, "MessagesDiffer"},
        {compare::FunctionsDiffer, "FunctionsDiffer"}, {compare::HasComments, "HasComments"}};
    QStringList names;
    for (const auto& [bit, name] : kNames)
        if (flags & bit)
            names << QString::fromLatin1(name);
    return names.join(QLatin1Char(' '));
}

} // namespace

int runCompare(const QByteArrayList& arguments)
{
    QByteArrayList files;
    char report = 'L';
    QString catalogue = QCoreApplication::applicationDirPath();
    bool options = true;
    for (int i = 0; i < arguments.size(); ++i) {
        const QByteArray& arg = arguments[i];
        if (options && arg == "--") {
            options = false;
        } else if (options && (arg == "--report" || arg == "--catalogue")) {
            if (i + 1 >= arguments.size())
                return fail(QString::fromUtf8(arg) + QStringLiteral(" needs a value"));
            const QByteArray value = arguments[++i];
            if (arg == "--catalogue")
                catalogue = QFile::decodeName(value);
            else if (value.toUpper() == "L" || value.toUpper() == "S")
                report = value.toUpper().at(0);
            else
                return fail(QStringLiteral("--report must be L (all differences) or S (block functions and inputs)"));
        } else if (options && arg.startsWith("--")) {
            return fail(QStringLiteral("unknown option ") + QString::fromUtf8(arg));
        } else {
            files << arg;
        }
    }
    if (files.size() != 2)
        return fail(QStringLiteral("compare needs two configuration files"));
    if (!compare::FunctionCatalogue::presentIn(catalogue))
        return fail(QStringLiteral("the function catalogue OrvaneDATA.DAT is not in ") + catalogue);

    compare::CompareOutcome outcome;
    try {
        const compare::NamedFile one(files[0]), two(files[1]);
        std::vector<compare::Configuration> both;
        for (const compare::NamedFile* file : {&one, &two}) {
            try {
                both.push_back(compare::readConfiguration(file->path(), file->shown()));
                if (!both.back().recovered.isEmpty())
                    say(both.back().recovered);
            } catch (const std::exception& e) {
                return fail(compare::readFailure(file->shown(), e));
            }
        }
        compare::FunctionCatalogue functions(catalogue);
        const compare::CompareRequest request{compare::Companion::Juxta, report,
                                              compare::shownFile(one.path(), one.shown()),
                                              compare::shownFile(two.path(), two.shown()), QDateTime::currentDateTime()};
        const auto lossy = compare::textsOutsideCp1252(both[0], both[1], request);
        if (!lossy.empty())
            say(QString::fromStdString(terminalText(
                lossy.message("Windows-1252 lacks some characters of these texts; where the log shows them, it shows \"?\":"))));
        outcome = compare::compareConfigurations(both[0], both[1], functions, request);
    } catch (const std::exception& e) {
        return fail(compare::readFailure(catalogue + QStringLiteral("/OrvaneDATA.DAT"), e));
    }
    QByteArray shown = QByteArray::fromStdString(orvane::link::cp1252ToUtf8(outcome.log.toStdString()));
    shown.replace("\r\n", "\n");
    std::fwrite(shown.constData(), 1, static_cast<size_t>(shown.size()), stdout);
    std::fflush(stdout);
    // What was compared tells its differences even where a part could not be compared.
    const bool differs = (outcome.flags & ~compare::HasComments) != 0;
    if (differs)
        std::fprintf(stderr, "orvane: result flags %u: %s\n", outcome.flags, flagNames(outcome.flags).toLatin1().constData());
    if (outcome.notCompared > 0)
        say(QStringLiteral("%1 part(s) could not be compared; the log tells which").arg(outcome.notCompared));
    return differs || outcome.notCompared > 0 ? kDifferent : kSame;
}

} // namespace orvane::cli
