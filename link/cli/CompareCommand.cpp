#include "CompareCommand.h"

#include "Terminal.h"

#include "orvane/compare/Compare.h"
#include "orvane/compare/Configuration.h"
#include "orvane/compare/FunctionCatalogue.h"
#include "orvane/link/Protocol.h"

#include <QCoreApplication>
#include <QDateTime>

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

int runCompare(const QStringList& arguments)
{
    QStringList files;
    char report = 'L';
    QString catalogue = QCoreApplication::applicationDirPath();
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg == QStringLiteral("--report") || arg == QStringLiteral("--catalogue")) {
            if (i + 1 >= arguments.size())
                return fail(arg + QStringLiteral(" needs a value"));
            const QString value = arguments[++i];
            if (arg == QStringLiteral("--catalogue"))
                catalogue = value;
            else if (value.compare(QStringLiteral("L"), Qt::CaseInsensitive) == 0 || value.compare(QStringLiteral("S"), Qt::CaseInsensitive) == 0)
                report = value.toUpper().at(0).toLatin1();
            else
                return fail(QStringLiteral("--report must be L (all differences) or S (block functions and inputs)"));
        } else if (arg.startsWith(QStringLiteral("--"))) {
            return fail(QStringLiteral("unknown option ") + arg);
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
        std::vector<compare::Configuration> both;
        for (const QString& file : files) {
            try {
                both.push_back(compare::readConfiguration(file));
                if (!both.back().recovered.isEmpty())
                    say(both.back().recovered);
            } catch (const std::exception& e) {
                return fail(compare::readFailure(file, e));
            }
        }
        compare::FunctionCatalogue functions(catalogue);
        const compare::CompareRequest request{compare::Companion::Juxta, report, compare::shownFile(files[0]),
                                              compare::shownFile(files[1]), QDateTime::currentDateTime()};
        outcome = compare::compareConfigurations(both[0], both[1], functions, request);
    } catch (const std::exception& e) {
        return fail(compare::readFailure(catalogue + QStringLiteral("/OrvaneDATA.DAT"), e));
    }
    QByteArray shown = QByteArray::fromStdString(orvane::link::cp1252ToUtf8(outcome.log.toStdString()));
    shown.replace("\r\n", "\n");
    std::fwrite(shown.constData(), 1, static_cast<size_t>(shown.size()), stdout);
    std::fflush(stdout);
    if (outcome.notCompared > 0)
        return fail(QStringLiteral("%1 part(s) could not be compared; the log tells which").arg(outcome.notCompared));
    if ((outcome.flags & ~compare::HasComments) == 0)
        return kSame;
    std::fprintf(stderr, "orvane: result flags %u: %s\n", outcome.flags, flagNames(outcome.flags).toLatin1().constData());
    return kDifferent;
}

} // namespace orvane::cli
