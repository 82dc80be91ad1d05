// The port settings window and Version ID over the program's link.
#include "linkwin/LinkCommands.h"
#include "linkwin/comm/TheLink.h"
#include "linkwin/comm/frmComm.h"

#include "ui/MessageSeam.h"

namespace brevant::linkwin {

void showCommSettings(QWidget* parent)
{
    frmComm window(parent);
    window.exec();
}

void showVersionId(QWidget* parent)
{
    auto& link = theLink();
    if (!link.Open_Comm_Port())
        return;
    link.poll_orvane();
    if (link.reply_ok) {
        const std::string ident = link.read_version_id();
        if (link.reply_ok)
            showMessage(parent, QString::fromStdString(orvane::link::printableText(ident)));
    }
    if (!link.reply_ok)
        showMessage(parent, "Could Not Connect To Target\rCheck Settings And Service Manual");
    link.Close_Comm_Port();
}

bool commSettingsAvailable() { return true; }

QString transferPort() { return QString::fromStdString(theLink().devicePath()); }

} // namespace brevant::linkwin
