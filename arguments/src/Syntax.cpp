#include "orvane/arguments/Syntax.h"

#include "orvane/arguments/ExitStatus.h"
#include "HelpLayout.h"

#include <QCommandLineParser>

#include <cstdio>

namespace orvane::arguments {

namespace {

const Option kHelp{{QStringLiteral("h"), QStringLiteral("help")}, {}, QStringLiteral("show this help and exit")};
const Option kVersion{{QStringLiteral("version")}, {}, QStringLiteral("show the version and exit")};

// The parser sees every byte as one Latin-1 character, so nothing of a word is lost on
// the way through it; values are decoded as the system's names are only when asked for.
QString carried(const QByteArray& word) { return QString::fromLatin1(word); }
QByteArray uncarried(const QString& text) { return text.toLatin1(); }

QString shownOption(const Option& option)
{
    const QString name = option.names.last();
    return QStringLiteral("--") + name + (option.valueName.isEmpty() ? QString() : QLatin1Char(' ') + option.valueName);
}

void print(std::FILE* to, const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), to);
    std::fflush(to);
}

} // namespace

Syntax::Syntax(QString command, QString summary) : command_(std::move(command)), summary_(std::move(summary)) {}

Syntax& Syntax::about(const QString& paragraph)
{
    about_ << paragraph;
    return *this;
}

Syntax& Syntax::argument(Argument argument)
{
    arguments_.push_back(std::move(argument));
    return *this;
}

Syntax& Syntax::option(Option option)
{
    options_.push_back(std::move(option));
    return *this;
}

Syntax& Syntax::exitStatus(int status, const QString& meaning)
{
    exitStatuses_.emplace_back(status, meaning);
    return *this;
}

Syntax& Syntax::section(const QString& title, const QString& text)
{
    sections_.emplace_back(title, text);
    return *this;
}

Syntax& Syntax::usage(const QString& line)
{
    usage_ = line;
    return *this;
}

QString Syntax::usageLine() const
{
    if (!usage_.isEmpty())
        return usage_;
    QStringList words{command_};
    for (const Argument& argument : arguments_)
        words << (argument.optional ? QLatin1Char('[') + argument.name + QLatin1Char(']') : argument.name);
    for (const Option& option : options_)
        if (option.required)
            words << shownOption(option);
    words << QStringLiteral("[OPTIONS]");
    return words.join(QLatin1Char(' '));
}

QString Syntax::helpText() const
{
    HelpLayout help;
    help.line(QStringLiteral("Usage: ") + usageLine());
    // The summary as a sentence of its own.
    help.paragraph(summary_.left(1).toUpper() + summary_.mid(1) + QLatin1Char('.'));
    for (const QString& paragraph : about_)
        help.paragraph(paragraph);
    if (!arguments_.empty()) {
        help.heading(QStringLiteral("Arguments:"));
        for (const Argument& argument : arguments_)
            help.entry(argument.name, argument.description);
    }
    help.heading(QStringLiteral("Options:"));
    std::vector<Option> all = options_;
    all.push_back(kHelp);
    all.push_back(kVersion);
    for (const Option& option : all) {
        QStringList names;
        for (const QString& name : option.names)
            names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
        QString left = (option.names.first().size() == 1 ? QString() : QStringLiteral("    ")) + names.join(QStringLiteral(", "));
        if (!option.valueName.isEmpty())
            left += QLatin1Char(' ') + option.valueName;
        help.entry(left, option.description);
    }
    if (!exitStatuses_.empty()) {
        help.heading(QStringLiteral("Exit status:"));
        for (const auto& [status, meaning] : exitStatuses_)
            help.entry(QString::number(status), meaning, kStatusColumn);
    }
    for (const auto& [title, text] : sections_) {
        help.heading(title);
        help.text(text);
    }
    return help.text();
}

bool Arguments::isSet(const QString& option) const
{
    for (const auto& [names, value] : given_)
        if (names.contains(option))
            return true;
    return false;
}

QByteArray Arguments::valueBytes(const QString& option) const
{
    QByteArray found;
    for (const auto& [names, value] : given_)
        if (names.contains(option))
            found = value;   // the last one given counts
    return found;
}

QString Arguments::value(const QString& option) const { return QString::fromLocal8Bit(valueBytes(option)); }

QStringList Arguments::values(const QString& option) const
{
    QStringList found;
    for (const auto& [names, value] : given_)
        if (names.contains(option))
            found << QString::fromLocal8Bit(value);
    return found;
}

QStringList Arguments::positional() const
{
    QStringList words;
    for (const QByteArray& word : positional_)
        words << QString::fromLocal8Bit(word);
    return words;
}

int Arguments::usageError(const QString& text) const { return arguments::usageError(command_, text); }

Parsed parse(const Syntax& syntax, const QByteArrayList& words)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    std::vector<Option> all = syntax.options();
    all.push_back(kHelp);
    all.push_back(kVersion);
    for (const Option& option : all)
        parser.addOption(QCommandLineOption(option.names, option.description, option.valueName));
    QStringList carriedWords{syntax.command()};
    for (const QByteArray& word : words)
        carriedWords << carried(word);

    Parsed parsed;
    parsed.arguments.command_ = syntax.command();
    const bool read = parser.parse(carriedWords);
    if (parser.isSet(kHelp.names.last())) {
        parsed.request = Request::Help;
        return parsed;
    }
    if (parser.isSet(kVersion.names.last())) {
        parsed.request = Request::Version;
        return parsed;
    }
    const auto refuse = [&](const QString& error) {
        parsed.request = Request::UsageError;
        parsed.error = error;
        return parsed;
    };
    if (!read) {
        // Qt's sentence as the rest of the line: "unknown option 'x'".
        QString error = QString::fromLocal8Bit(uncarried(parser.errorText()));
        if (error.endsWith(QLatin1Char('.')))
            error.chop(1);
        return refuse(error.left(1).toLower() + error.mid(1));
    }
    for (const Option& option : syntax.options()) {
        if (!parser.isSet(option.names.last())) {
            if (option.required)
                return refuse(shownOption(option) + QStringLiteral(" is required"));
            continue;
        }
        for (const QString& value : parser.values(option.names.last()))
            parsed.arguments.given_.emplace_back(option.names, uncarried(value));
        if (option.valueName.isEmpty())
            parsed.arguments.given_.emplace_back(option.names, QByteArray());
    }
    for (const QString& word : parser.positionalArguments())
        parsed.arguments.positional_ << uncarried(word);

    const auto& expected = syntax.arguments();
    qsizetype needed = 0;
    for (const Argument& argument : expected)
        needed += argument.optional ? 0 : 1;
    const qsizetype given = parsed.arguments.positional_.size();
    if (given < needed)
        return refuse(expected[size_t(given)].name + QStringLiteral(" is missing"));
    if (given > qsizetype(expected.size()))
        return refuse(QStringLiteral("unexpected argument \"%1\"")
                          .arg(QString::fromLocal8Bit(parsed.arguments.positional_[qsizetype(expected.size())])));
    parsed.request = Request::Run;
    return parsed;
}

QByteArrayList wordsOf(int argc, char** argv)
{
    QByteArrayList words;
    for (int i = 1; i < argc; ++i)
        words << QByteArray(argv[i]);
    return words;
}

QString toolSetVersion() { return QStringLiteral(ORVANE_VERSION); }

QString versionText(const QString& program) { return program + QStringLiteral(" (Orvane tool set) ") + toolSetVersion(); }

std::optional<int> answer(const Syntax& syntax, const Parsed& parsed)
{
    switch (parsed.request) {
    case Request::Run:
        return std::nullopt;
    case Request::Help:
        print(stdout, syntax.helpText());
        return kExitDone;
    case Request::Version:
        print(stdout, versionText(syntax.command().section(QLatin1Char(' '), 0, 0)) + QLatin1Char('\n'));
        return kExitDone;
    case Request::UsageError:
        break;
    }
    return usageError(syntax.command(), parsed.error);
}

std::optional<int> answerBeforeApplication(const Syntax& syntax, const QByteArrayList& words)
{
    Parsed asked;
    for (const QByteArray& word : words) {
        if (word == "--")
            break;
        if (word == "--help" || word == "-h")
            asked.request = Request::Help;
        else if (word == "--version" && asked.request != Request::Help)
            asked.request = Request::Version;
    }
    if (asked.request == Request::UsageError)
        return std::nullopt;
    return answer(syntax, asked);
}

int usageError(const QString& command, const QString& text)
{
    print(stderr, command + QStringLiteral(": ") + text + QStringLiteral("\nTry \"") + command +
                      QStringLiteral(" --help\".\n"));
    return kExitUsage;
}

} // namespace orvane::arguments
