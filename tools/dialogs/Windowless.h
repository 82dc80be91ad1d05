#pragma once
// A program without windows (Juxta, Tracera). It links no widgets, which would cost more
// than its whole compare at start-up; a message box is shown by a module loaded only
// when there is a display to show it on.

#include "orvane/arguments/Syntax.h"

#include <QByteArray>
#include <QString>

namespace orvane::tools {

// "\r" and "\r\n" in a composed message break the line.
QString shownText(QString text);

// True when a message box would reach someone's screen.
bool displayAvailable();

class WindowlessProgram {
public:
    WindowlessProgram(int& argc, char** argv);

    QString folder() const;
    // The command line as the system gave it, its words joined by single blanks.
    QByteArray commandLine() const;
    // A box with the exclamation icon and OK when a display is there; the text on
    // standard error when there is none, or when no box can be shown.
    void notify(const QString& text, const QString& title);
    // The answer to a command line that is not the program's own form: its help or
    // version, or the usage error; returns the exit status.
    int answerOtherwise(const orvane::arguments::Syntax& syntax) const;

private:
    int& argc_;
    char** argv_;
};

// The entry point of the box module, "orvane_notice_show".
using NoticeFunction = bool (*)(int* argc, char** argv, const char* textUtf8, const char* titleUtf8);

} // namespace orvane::tools
