#pragma once
// A program made of commands, as git or orvane: "PROGRAM COMMAND [ARGUMENTS] [OPTIONS]".
// Each command has a syntax of its own, so "PROGRAM COMMAND --help" and "PROGRAM help
// COMMAND" show its usage, options and exit statuses; "PROGRAM --help" lists the commands.

#include "orvane/arguments/Syntax.h"

#include <functional>
#include <vector>

namespace orvane::arguments {

struct Command {
    QString name;                                  // "download"
    Syntax syntax;                                 // its command is "PROGRAM NAME"
    std::function<int(const Arguments&)> run;      // returns the exit status
};

class CommandSet {
public:
    CommandSet(QString program, QString summary);

    CommandSet& add(Command command);
    // What the program's own help says after the list of commands.
    CommandSet& exitStatus(int status, const QString& meaning);

    // Runs the command the words name (the words after the program's name) and returns
    // its exit status; answers --help, --version and "help [COMMAND]" itself.
    int run(const QByteArrayList& words) const;

    const std::vector<Command>& commands() const { return commands_; }
    QString helpText() const;

private:
    const Command* find(const QByteArray& name) const;
    QString program_;
    QString summary_;
    std::vector<Command> commands_;
    std::vector<std::pair<int, QString>> exitStatuses_;
};

} // namespace orvane::arguments
