#pragma once
// What a program (or one command of orvane) takes on its command line, and the reading of
// it with Qt's QCommandLineParser: "--name VALUE" or "--name=VALUE", one-letter options that
// may be grouped ("-yq", "-p PORT"), options before or after the other arguments, and "--"
// ending the options. Every syntax has -h/--help and --version. Words are kept as the bytes
// the system gave, so a file name need not be UTF-8.

#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

namespace orvane::arguments {

struct Option {
    QStringList names;       // {"p", "port"}: a one-letter name is the short form
    QString valueName;       // "PORT"; empty for a switch
    QString description;
    bool required = false;   // shown in the usage line; missing it is a usage error
};

struct Argument {
    QString name;            // "FILE"
    QString description;
    bool optional = false;
};

class Syntax {
public:
    // `command` as the user types it ("orvane download", "Juxta"); `summary` in one line.
    Syntax(QString command, QString summary);

    Syntax& about(const QString& paragraph);   // shown below the usage line
    Syntax& argument(Argument argument);
    Syntax& option(Option option);
    Syntax& exitStatus(int status, const QString& meaning);
    // A titled part of the help after the exit statuses ("JSON output").
    Syntax& section(const QString& title, const QString& text);
    // The usage line when it is not the arguments in a row (Juxta's FILE1<L>FILE2).
    Syntax& usage(const QString& line);

    const QString& command() const { return command_; }
    const QString& summary() const { return summary_; }
    const std::vector<Option>& options() const { return options_; }
    const std::vector<Argument>& arguments() const { return arguments_; }
    QString usageLine() const;
    QString helpText() const;

private:
    QString command_;
    QString summary_;
    QStringList about_;
    QString usage_;
    std::vector<Argument> arguments_;
    std::vector<Option> options_;
    std::vector<std::pair<int, QString>> exitStatuses_;
    std::vector<std::pair<QString, QString>> sections_;
};

struct Parsed;
// Reads `words` (the command line after the program's, or after orvane's command) against `syntax`.
Parsed parse(const Syntax& syntax, const QByteArrayList& words);

// A command line read against its syntax.
class Arguments {
public:
    Arguments() = default;
    bool isSet(const QString& option) const;
    QString value(const QString& option) const;        // the last one given; empty when none
    QByteArray valueBytes(const QString& option) const;
    QStringList values(const QString& option) const;   // every one given, in order
    QStringList positional() const;
    const QByteArrayList& positionalBytes() const { return positional_; }
    // Says "COMMAND: TEXT" and where help is on standard error; returns kExitUsage.
    int usageError(const QString& text) const;

private:
    friend Parsed parse(const Syntax& syntax, const QByteArrayList& words);
    QString command_;
    std::vector<std::pair<QStringList, QByteArray>> given_;   // option names, value
    QByteArrayList positional_;
};

enum class Request { Run, Help, Version, UsageError };

struct Parsed {
    Request request = Request::UsageError;
    Arguments arguments;
    QString error;
};

// The words after the program's name.
QByteArrayList wordsOf(int argc, char** argv);

// "7.11", and "orvane (Orvane tool set) 7.11".
QString toolSetVersion();
QString versionText(const QString& program);

// Prints the help or the version (standard output, exit status 0) or the usage error
// (standard error, 2) that `parsed` asks for; nullopt when the command is to run.
std::optional<int> answer(const Syntax& syntax, const Parsed& parsed);

// For a program with windows, before its application object exists (that needs a display,
// and takes Qt's own options such as -platform out of the words): the exit status after
// printing the help or the version when a word asks for one, else nullopt.
std::optional<int> answerBeforeApplication(const Syntax& syntax, const QByteArrayList& words);

// The usage error of `command` on standard error; returns kExitUsage.
int usageError(const QString& command, const QString& text);

} // namespace orvane::arguments
