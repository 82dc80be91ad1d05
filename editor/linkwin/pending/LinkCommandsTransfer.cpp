// Stand-ins until the download and upload exist: their menu items stay disabled.
#include "linkwin/LinkCommands.h"

namespace brevant::linkwin {

void download(QWidget*, kessig::OrvaneDB&, const BlockFunctionTable&) {}
bool upload(QWidget*, kessig::OrvaneDB&, BlockFunctionTable&) { return false; }
void verify(QWidget*, kessig::OrvaneDB&, const BlockFunctionTable&) {}
bool downloadAvailable() { return false; }
bool uploadAvailable() { return false; }

} // namespace brevant::linkwin
