#include "ui/MessageSeam.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace brevant {
namespace {

MessageHandler& messageHandler()
{
    static MessageHandler handler;
    return handler;
}

FileDialogHandler& fileDialogHandler()
{
    static FileDialogHandler handler;
    return handler;
}

QMessageBox::StandardButtons standardButtons(Buttons buttons)
{
    switch (buttons) {
    case Buttons::Ok: return QMessageBox::Ok;
    case Buttons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case Buttons::YesNoCancel:
    case Buttons::OverwriteSaveAsCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon boxIcon(Icon icon)
{
    switch (icon) {
    case Icon::None: return QMessageBox::NoIcon;
    case Icon::Information: return QMessageBox::Information;
    case Icon::Question: return QMessageBox::Question;
    case Icon::Exclamation: return QMessageBox::Warning;
    case Icon::Critical: return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

Answer answerOf(int button)
{
    switch (button) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    case QMessageBox::Cancel: return Answer::Cancel;
    default: return Answer::Ok;
    }
}

// A lone carriage return breaks the line in the composed texts.
QString displayText(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace

Answer showMessage(QWidget* parent, const QString& text, Buttons buttons, Icon icon, const QString& title)
{
    if (messageHandler())
        return messageHandler()(MessageRequest{text, title, buttons, icon});
    QMessageBox box(boxIcon(icon), title, displayText(text), standardButtons(buttons), parent);
    if (buttons == Buttons::OverwriteSaveAsCancel) {
        // Named for what they do, without the icons of yes and no.
        for (const auto& [button, text] : {std::pair{QMessageBox::Yes, QStringLiteral("&Overwrite")},
                                           std::pair{QMessageBox::No, QStringLiteral("&Save As...")}}) {
            box.button(button)->setText(text);
            box.button(button)->setIcon(QIcon());
        }
    }
    return answerOf(box.exec());
}

QString askFileName(QWidget* parent, const FileDialogRequest& request)
{
    if (fileDialogHandler())
        return fileDialogHandler()(request);
    if (request.kind == FileDialogKind::Save)
        // The callers ask their own replace question with their own words.
        return QFileDialog::getSaveFileName(parent, request.caption, request.fileName, request.filter, nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    return QFileDialog::getOpenFileName(parent, request.caption, request.fileName, request.filter);
}

bool replaceAllowed(QWidget* parent, const QString& name)
{
    return !QFileInfo::exists(name)
           || showMessage(parent, name + QStringLiteral(" already exists.") + QLatin1Char('\r')
                                      + QStringLiteral("Do you want to replace it?"),
                          Buttons::YesNo, Icon::Exclamation, QStringLiteral("Save AS"))
                  == Answer::Yes;
}

void setMessageHandler(MessageHandler handler) { messageHandler() = std::move(handler); }
void setFileDialogHandler(FileDialogHandler handler) { fileDialogHandler() = std::move(handler); }

} // namespace brevant
