// Version ID over the program's link. The port settings window is not there yet:
// its menu item stays disabled.
#include "linkwin/LinkCommands.h"
#include "linkwin/comm/TheLink.h"

#include "ui/MessageSeam.h"

namespace brevant::linkwin {

void showCommSettings(QWidget*) {}

void showVersionId(QWidget* parent)
{
    auto& link = theLink();
    if (!link.Open_Comm_Port())
        return;
    link.poll_orvane();
    if (link.reply_ok) {
        const std::string ident = link.read_version_id();
        if (link.reply_ok)
            showMessage(parent, QString::fromStdString(orvane::link::cp1252ToUtf8(ident)));
    }
    if (!link.reply_ok)
        showMessage(parent, "Could Not Connect To Target\rCheck Settings And Service Manual");
    link.Close_Comm_Port();
}

bool commSettingsAvailable() { return false; }

} // namespace brevant::linkwin
