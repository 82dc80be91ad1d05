#include "Desktop.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

#include <cstdio>

namespace orvane::tools {

namespace {

QString displayText(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace

Answer WidgetDesktop::show(QWidget* parent, const Message& message)
{
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    if (message.buttons == Buttons::OkCancel)
        buttons = QMessageBox::Ok | QMessageBox::Cancel;
    else if (message.buttons == Buttons::YesNo)
        buttons = QMessageBox::Yes | QMessageBox::No;
    const QMessageBox::Icon icon = message.icon == Icon::Exclamation ? QMessageBox::Warning
                                   : message.icon == Icon::Critical  ? QMessageBox::Critical
                                                                     : QMessageBox::NoIcon;
    QMessageBox box(icon, message.title, displayText(message.text), buttons, parent);
    switch (box.exec()) {
    case QMessageBox::Cancel: return Answer::Cancel;
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return Answer::Ok;
    }
}

QString WidgetDesktop::askOpenFileName(QWidget* parent, const QString& filter)
{
    QFileDialog cDlg(parent, QString(), QString(), filter);
    cDlg.setObjectName(QStringLiteral("cDlg"));
    cDlg.setAcceptMode(QFileDialog::AcceptOpen);
    cDlg.setFileMode(QFileDialog::AnyFile);   // a name that does not exist is told, not refused
    if (cDlg.exec() != QDialog::Accepted || cDlg.selectedFiles().isEmpty())
        return {};
    return cDlg.selectedFiles().first();
}

bool displayAvailable()
{
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM").section(QLatin1Char(':'), 0, 0).section(QLatin1Char(';'), 0, 0);
    if (!platform.isEmpty())
        return platform != QStringLiteral("offscreen") && platform != QStringLiteral("minimal");
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

WindowlessProgram::WindowlessProgram(int& argc, char** argv) : argc_(argc), argv_(argv) {}
WindowlessProgram::~WindowlessProgram() = default;

QString WindowlessProgram::folder() const
{
    // No application object is made for a run that shows nothing.
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    return self.isEmpty() ? QFileInfo(QString::fromLocal8Bit(argv_[0])).absolutePath() : self;
}

QString WindowlessProgram::commandLine() const
{
    QStringList words;
    for (int i = 1; i < argc_; ++i)
        words << QString::fromLocal8Bit(argv_[i]);
    return words.join(QLatin1Char(' '));
}

void WindowlessProgram::notify(const QString& text, const QString& title)
{
    if (!displayAvailable()) {
        std::fprintf(stderr, "%s\n", displayText(text).toLocal8Bit().constData());
        return;
    }
    if (!application_)
        application_ = std::make_unique<QApplication>(argc_, argv_);
    WidgetDesktop().show(nullptr, {text, title, Buttons::Ok, Icon::Exclamation});
}

} // namespace orvane::tools
