#pragma once
// The command line's side of the transfers: messages and progress on standard error,
// questions answered from standard input.

#include "orvane/link/Link.h"
#include "orvane/transfer/Commands.h"

#include "Interrupts.h"

#include <QString>

#include <cstdio>
#include <exception>
#include <istream>
#include <memory>
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

// What a command says while it works. Progress goes to a terminal as one line rewritten,
// the part under way, its percent and the time left; elsewhere (a log, a pipe) as one
// line a part. Quiet, it shows no progress and no notes, only what went wrong. While a
// transfer runs, Ctrl+C or SIGTERM cancels it (cancelRequested) instead of ending the
// program, so the transfer stops between two frames and says what it left.
class TerminalReporter : public orvane::transfer::Reporter, public orvane::link::LinkReporter {
public:
    TerminalReporter(std::FILE* out, bool quiet);
    ~TerminalReporter() override;
    void message(const std::string& text, const std::string& title, orvane::transfer::Icon icon) override;
    void message(const std::string& text) override;
    void progressStart(const std::string& caption) override;
    void progress(int percent) override;
    void progressDetail(const std::string& part, std::optional<int> secondsLeft) override;
    void progressEnd() override;
    bool cancelRequested() override { return interrupted_; }
    // A note that is no error ("plant.mdb saved"): not shown when quiet.
    void note(const std::string& text);
    bool quiet() const { return quiet_; }

private:
    void showProgress();
    void endProgressLine();
    std::FILE* out_;
    bool quiet_;
    bool overwriteLine_;     // a terminal: one progress line, rewritten
    std::string caption_;
    std::string part_;
    std::optional<int> secondsLeft_;
    int percent_ = 0;
    std::string shown_;      // the progress line as last written
    bool lineOpen_ = false;
    bool interrupted_ = false;
    std::unique_ptr<Interrupts> interrupts_;
};

class TerminalOperator : public orvane::transfer::Operator {
public:
    // `quiet`: with `answerYes`, the questions and the warning are not shown either.
    TerminalOperator(std::istream& in, std::FILE* out, bool answerYes, bool quiet = false);
    bool confirmDownload() override;
    bool askYesNo(const std::string& text) override;
    bool portBeforeQuestion() const override { return true; }
    // A line typed in answer, its blanks trimmed and, for a one-letter answer, lower case;
    // nullopt at the end of input or with --yes, which answers no question of this kind.
    std::optional<std::string> askText(const std::string& prompt);

private:
    bool ask(const std::string& prompt);
    std::istream& in_;
    std::FILE* out_;
    bool answerYes_;
    bool silent_;
};

} // namespace orvane::cli
