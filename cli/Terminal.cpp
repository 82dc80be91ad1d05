#include "Terminal.h"

#include "orvane/arguments/ExitStatus.h"
#include "orvane/transfer/Texts.h"

#include <kessig/OrvaneDB.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>

namespace orvane::cli {

void say(const QString& text) { std::fprintf(stderr, "orvane: %s\n", text.toLocal8Bit().constData()); }

int failed(const std::exception& e)
{
    if (const auto* db = dynamic_cast<const kessig::DbError*>(&e))
        say(QStringLiteral("database error %1: %2").arg(db->number()).arg(QString::fromStdString(db->text())));
    else
        say(QString::fromStdString(e.what()));
    return orvane::arguments::kExitUsage;
}

std::string terminalText(const std::string& boxText)
{
    std::string text;
    for (size_t i = 0; i < boxText.size(); ++i) {
        const auto c = static_cast<unsigned char>(boxText[i]);
        if (c == '\r') {
            text += '\n';
            if (i + 1 < boxText.size() && boxText[i + 1] == '\n')
                ++i;
        } else {
            // A text from a file or the line must not steer the terminal.
            text += (c < 0x20 && c != '\n') || c == 0x7F ? '?' : boxText[i];
        }
    }
    return text;
}

namespace {

// "about 45 s left", "about 1:10 left".
std::string timeLeftText(int seconds)
{
    char text[32];
    if (seconds < 60)
        std::snprintf(text, sizeof text, "about %d s left", seconds);
    else
        std::snprintf(text, sizeof text, "about %d:%02d left", seconds / 60, seconds % 60);
    return text;
}

} // namespace

TerminalReporter::TerminalReporter(std::FILE* out, bool quiet)
    : out_(out), quiet_(quiet), overwriteLine_(isatty(fileno(out)) != 0)
{
}

TerminalReporter::~TerminalReporter() = default;

void TerminalReporter::endProgressLine()
{
    if (lineOpen_)
        std::fputc('\n', out_);
    lineOpen_ = false;
    shown_.clear();
}

void TerminalReporter::message(const std::string& text, const std::string& title, orvane::transfer::Icon)
{
    endProgressLine();
    const std::string shown = terminalText(text);
    if (title.empty())
        std::fprintf(out_, "%s\n", shown.c_str());
    else
        std::fprintf(out_, "%s: %s\n", title.c_str(), shown.c_str());
    std::fflush(out_);
}

void TerminalReporter::message(const std::string& text) { message(text, "", orvane::transfer::Icon::None); }

void TerminalReporter::note(const std::string& text)
{
    if (!quiet_)
        message(text);
}

void TerminalReporter::progressStart(const std::string& caption)
{
    endProgressLine();
    caption_ = caption;
    part_.clear();
    secondsLeft_.reset();
    percent_ = 0;
    // From now until the end of the transfer, Ctrl+C asks it to stop between two frames.
    interrupts_ = std::make_unique<Interrupts>([this] { interrupted_ = true; });
}

void TerminalReporter::progress(int percent)
{
    percent_ = percent;
    if (overwriteLine_)
        showProgress();
}

void TerminalReporter::progressDetail(const std::string& part, std::optional<int> secondsLeft)
{
    const bool newPart = part != part_;
    part_ = part;
    secondsLeft_ = secondsLeft;
    // Away from a terminal, one line a part: a log is not filled with percents.
    if (overwriteLine_ || newPart)
        showProgress();
}

void TerminalReporter::showProgress()
{
    if (quiet_)
        return;
    std::string line = caption_ + ": " + part_;
    if (overwriteLine_) {
        char percent[16];
        std::snprintf(percent, sizeof percent, " %3d%%", percent_);
        line += percent;
    }
    if (secondsLeft_)
        line += (overwriteLine_ ? ", " : " (") + timeLeftText(*secondsLeft_) + (overwriteLine_ ? "" : ")");
    if (line == shown_)
        return;
    if (overwriteLine_) {
        // Blanks over what is left of a longer line before.
        const std::size_t width = line.size();
        if (shown_.size() > width)
            line += std::string(shown_.size() - width, ' ');
        std::fprintf(out_, "\r%s", line.c_str());
        line.resize(width);
        lineOpen_ = true;
    } else {
        std::fprintf(out_, "%s\n", line.c_str());
    }
    shown_ = line;
    std::fflush(out_);
}

void TerminalReporter::progressEnd()
{
    endProgressLine();
    interrupts_.reset();
}

TerminalOperator::TerminalOperator(std::istream& in, std::FILE* out, bool answerYes, bool quiet)
    : in_(in), out_(out), answerYes_(answerYes), silent_(answerYes && quiet)
{
}

bool TerminalOperator::ask(const std::string& prompt)
{
    if (silent_)
        return true;
    std::fprintf(out_, "%s [y/N] ", prompt.c_str());
    if (answerYes_) {
        std::fprintf(out_, "yes (--yes)\n");
        std::fflush(out_);
        return true;
    }
    std::fflush(out_);
    std::string answer;
    if (!std::getline(in_, answer)) {
        std::fprintf(out_, "\n");   // end of input: no
        return false;
    }
    answer.erase(std::remove_if(answer.begin(), answer.end(), [](unsigned char c) { return std::isspace(c); }),
                 answer.end());
    std::transform(answer.begin(), answer.end(), answer.begin(), [](unsigned char c) { return std::tolower(c); });
    return answer == "y" || answer == "yes";
}

bool TerminalOperator::confirmDownload()
{
    // The same front-panel procedure the editor's warning window shows.
    static constexpr int kIndent[10] = {0, 0, 0, 0, 1, 2, 2, 1, 1, 2};
    if (silent_)
        return true;
    for (size_t i = 0; i < orvane::transfer::texts::kWarnLines.size(); ++i)
        std::fprintf(out_, "%*s%s\n", 4 * kIndent[i], "", orvane::transfer::texts::kWarnLines[i]);
    return ask("Continue with the download?");
}

bool TerminalOperator::askYesNo(const std::string& text) { return ask(terminalText(text)); }

std::optional<std::string> TerminalOperator::askText(const std::string& prompt)
{
    std::fprintf(out_, "%s ", terminalText(prompt).c_str());
    std::string answer;
    if (answerYes_ || !std::getline(in_, answer)) {
        std::fprintf(out_, answerYes_ ? "(not answered by --yes)\n" : "\n");
        std::fflush(out_);
        return std::nullopt;
    }
    const auto first = answer.find_first_not_of(" \t\r"), last = answer.find_last_not_of(" \t\r");
    answer = first == std::string::npos ? std::string() : answer.substr(first, last - first + 1);
    if (answer.size() == 1)
        answer[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(answer[0])));
    return answer;
}

} // namespace orvane::cli
