#pragma once
// The command line's side of the transfers: messages and progress on standard error,
// questions answered from standard input.

#include "orvane/link/Link.h"
#include "orvane/transfer/Commands.h"

#include <QString>

#include <cstdio>
#include <exception>
#include <istream>
#include <optional>
#include <string>

namespace orvane::cli {

// "orvane: " and the text, on standard error.
void say(const QString& text);
// Says why the store or a file failed (a store failure with its number); returns the exit code.
int failed(const std::exception& e);

// Box texts break lines with "\r" (or "\r\n"); a terminal wants "\n". Other control
// characters are shown as "?".
std::string terminalText(const std::string& boxText);

class TerminalReporter : public orvane::transfer::Reporter, public orvane::link::LinkReporter {
public:
    explicit TerminalReporter(std::FILE* out);
    void message(const std::string& text, const std::string& title, orvane::transfer::Icon icon) override;
    void message(const std::string& text) override;
    void progressStart(const std::string& caption) override;
    void progress(int percent) override;
    void progressEnd() override;

private:
    std::FILE* out_;
    bool overwriteLine_;     // a terminal: one progress line, rewritten
    std::string caption_;
    int shownPercent_ = -1;
    bool lineOpen_ = false;
    void endProgressLine();
};

class TerminalOperator : public orvane::transfer::Operator {
public:
    TerminalOperator(std::istream& in, std::FILE* out, bool answerYes);
    bool confirmDownload() override;
    bool askYesNo(const std::string& text) override;
    // A line typed in answer, its blanks trimmed and, for a one-letter answer, lower case;
    // nullopt at the end of input or with --yes, which answers no question of this kind.
    std::optional<std::string> askText(const std::string& prompt);

private:
    bool ask(const std::string& prompt);
    std::istream& in_;
    std::FILE* out_;
    bool answerYes_;
};

} // namespace orvane::cli
