#include "orvane/arguments/CommandSet.h"

#include "orvane/arguments/ExitStatus.h"
#include "HelpLayout.h"

#include <cstdio>

namespace orvane::arguments {

CommandSet::CommandSet(QString program, QString summary) : program_(std::move(program)), summary_(std::move(summary)) {}

CommandSet& CommandSet::add(Command command)
{
    commands_.push_back(std::move(command));
    return *this;
}

CommandSet& CommandSet::exitStatus(int status, const QString& meaning)
{
    exitStatuses_.emplace_back(status, meaning);
    return *this;
}

const Command* CommandSet::find(const QByteArray& name) const
{
    for (const Command& command : commands_)
        if (command.name.toUtf8() == name)
            return &command;
    return nullptr;
}

QString CommandSet::helpText() const
{
    HelpLayout help;
    help.line(QStringLiteral("Usage: ") + program_ + QStringLiteral(" COMMAND [ARGUMENTS] [OPTIONS]"));
    help.paragraph(summary_);
    help.heading(QStringLiteral("Commands:"));
    for (const Command& command : commands_)
        help.entry(command.name, command.syntax.summary());
    help.entry(QStringLiteral("help [COMMAND]"), QStringLiteral("this help, or the usage, options and exit statuses of COMMAND"));
    help.heading(QStringLiteral("Options:"));
    help.entry(QStringLiteral("-h, --help"), QStringLiteral("show this help and exit"));
    help.entry(QStringLiteral("    --version"), QStringLiteral("show the version and exit"));
    help.heading(QStringLiteral("Exit status:"));
    for (const auto& [status, meaning] : exitStatuses_)
        help.entry(QString::number(status), meaning, kStatusColumn);
    help.paragraph(QStringLiteral("\"%1 COMMAND --help\" or \"%1 help COMMAND\" tells what a command takes and does.")
                       .arg(program_));
    return help.text();
}

int CommandSet::run(const QByteArrayList& words) const
{
    const auto print = [](const QString& text) {
        const QByteArray bytes = text.toLocal8Bit();
        std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
        return kExitDone;
    };
    if (words.isEmpty())
        return usageError(program_, QStringLiteral("no command given"));
    const QByteArray& first = words.first();
    if (first == "--help" || first == "-h" || (first == "help" && words.size() == 1))
        return print(helpText());
    if (first == "--version")
        return print(versionText(program_) + QLatin1Char('\n'));
    if (first == "help") {
        const Command* command = find(words.at(1));
        if (!command || words.size() > 2)
            return usageError(program_, QStringLiteral("no command \"%1\" to help with").arg(QString::fromLocal8Bit(words.mid(1).join(' '))));
        return print(command->syntax.helpText());
    }
    const Command* command = find(first);
    if (!command) {
        if (first.startsWith('-'))
            return usageError(program_, QStringLiteral("the command comes first, then its options: %1 COMMAND [OPTIONS]").arg(program_));
        return usageError(program_, QStringLiteral("unknown command \"%1\"").arg(QString::fromLocal8Bit(first)));
    }
    const Parsed parsed = parse(command->syntax, words.mid(1));
    if (const auto answered = answer(command->syntax, parsed))
        return *answered;
    return command->run(parsed.arguments);
}

} // namespace orvane::arguments
