// Stand-ins until the link windows exist: the menu items stay disabled.
#include "linkwin/LinkCommands.h"

namespace brevant::linkwin {

void showCommSettings(QWidget*) {}
void showVersionId(QWidget*) {}
void download(QWidget*, kessig::OrvaneDB&, const BlockFunctionTable&) {}
bool upload(QWidget*, kessig::OrvaneDB&, BlockFunctionTable&) { return false; }
void verify(QWidget*, kessig::OrvaneDB&, const BlockFunctionTable&) {}
bool commSettingsAvailable() { return false; }
bool downloadAvailable() { return false; }
bool uploadAvailable() { return false; }

} // namespace brevant::linkwin
