#include "Desktop.h"

#include "Windowless.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace orvane::tools {

Answer WidgetDesktop::show(QWidget* parent, const Message& message)
{
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    if (message.buttons == Buttons::OkCancel)
        buttons = QMessageBox::Ok | QMessageBox::Cancel;
    else if (message.buttons == Buttons::YesNo)
        buttons = QMessageBox::Yes | QMessageBox::No;
    else if (message.buttons == Buttons::OverwriteSaveAsCancel)
        buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    const QMessageBox::Icon icon = message.icon == Icon::Information ? QMessageBox::Information
                                   : message.icon == Icon::Exclamation ? QMessageBox::Warning
                                   : message.icon == Icon::Critical    ? QMessageBox::Critical
                                                                       : QMessageBox::NoIcon;
    QMessageBox box(icon, message.title, shownText(message.text), buttons, parent);
    if (message.buttons == Buttons::OverwriteSaveAsCancel) {
        // Named for what they do, without the icons of yes and no.
        for (const auto& [button, text] : {std::pair{QMessageBox::Yes, QStringLiteral("&Overwrite")},
                                           std::pair{QMessageBox::No, QStringLiteral("&Save As...")}}) {
            box.button(button)->setText(text);
            box.button(button)->setIcon(QIcon());
        }
    }
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

QString WidgetDesktop::askSaveFileName(QWidget* parent, const QString& filter)
{
    return QFileDialog::getSaveFileName(parent, QString(), QString(), filter);
}

} // namespace orvane::tools
