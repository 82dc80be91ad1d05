// Stand-ins until the port settings window exists: its menu items stay disabled.
#include "linkwin/LinkCommands.h"

namespace brevant::linkwin {

void showCommSettings(QWidget*) {}
void showVersionId(QWidget*) {}
bool commSettingsAvailable() { return false; }

} // namespace brevant::linkwin
