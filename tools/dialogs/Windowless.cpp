#include "Windowless.h"

#include <QFileInfo>
#include <QLibrary>
#include <QByteArrayList>

#include <cstdio>

namespace orvane::tools {

QString shownText(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

bool displayAvailable()
{
    const QString platform =
        qEnvironmentVariable("QT_QPA_PLATFORM").section(QLatin1Char(':'), 0, 0).section(QLatin1Char(';'), 0, 0);
    if (!platform.isEmpty())
        return platform != QStringLiteral("offscreen") && platform != QStringLiteral("minimal");
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

WindowlessProgram::WindowlessProgram(int& argc, char** argv) : argc_(argc), argv_(argv) {}

QString WindowlessProgram::folder() const
{
    // No application object is made for a run that shows nothing.
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    return self.isEmpty() ? QFileInfo(QString::fromLocal8Bit(argv_[0])).absolutePath() : self;
}

QByteArray WindowlessProgram::commandLine() const
{
    QByteArrayList words;
    for (int i = 1; i < argc_; ++i)
        words << QByteArray(argv_[i]);
    return words.join(' ');
}

int WindowlessProgram::answerOtherwise(const orvane::arguments::Syntax& syntax) const
{
    using orvane::arguments::Request;
    const auto parsed = orvane::arguments::parse(syntax, orvane::arguments::wordsOf(argc_, argv_));
    if (parsed.request == Request::Help || parsed.request == Request::Version)
        return *orvane::arguments::answer(syntax, parsed);
    return orvane::arguments::usageError(syntax.command(), QStringLiteral("expected ") + syntax.usageLine());
}

void WindowlessProgram::notify(const QString& text, const QString& title)
{
    if (displayAvailable()) {
        QLibrary module(folder() + QStringLiteral("/orvane_notice"));
        const auto show = reinterpret_cast<NoticeFunction>(module.resolve("orvane_notice_show"));
        if (show && show(&argc_, argv_, text.toUtf8().constData(), title.toUtf8().constData()))
            return;
    }
    std::fprintf(stderr, "%s\n", shownText(text).toLocal8Bit().constData());
}

} // namespace orvane::tools
