#pragma once
// The controller commands the main window starts. Each one owns the port from its
// open to its close and reports through the message seam.

#include <array>
#include <cstdint>
#include <functional>

class QString;
class QWidget;
namespace kessig { class OrvaneDB; }

namespace brevant::linkwin {

using BlockFunctionTable = std::array<int16_t, 160>;

// "Comm Port Settings" (frmComm), modal.
void showCommSettings(QWidget* parent);
// "&Version ID": poll, then show the controller's identification text.
void showVersionId(QWidget* parent);
// The download of the open configuration; `file` is the user's file (messages name it).
// True when the controller confirmed a download it holds exactly. Download, upload and
// verify are each recorded in the transfer history.
bool download(QWidget* parent, kessig::OrvaneDB& db, const QString& file);
// The upload into the open configuration, the user's `file`. True only when it completed
// and changed the configuration; the caller then reloads its table (already updated
// here) and saves.
bool upload(QWidget* parent, kessig::OrvaneDB& db, const QString& file, BlockFunctionTable& blockFunctions);
// Read the controller back and compare with what a download of `file` would send.
void verify(QWidget* parent, kessig::OrvaneDB& db, const QString& file);

// The port of the settings as the transfers record it: its device, or "host:port".
QString transferPort();

// "&Selected Blocks": the selected-blocks monitor in place of the main window until
// Done; `configurationPath` is the user's file, whose layout file lies beside it.
// `onReturn` runs when the main window is back. Store failures are passed on.
void showSelectedBlocks(QWidget* mainWindow, kessig::OrvaneDB& db, const QString& configurationPath,
                        const BlockFunctionTable& blockFunctions, std::function<void()> onReturn);
// "&All Blocks": the all-blocks grid in place of the main window until Done.
void showAllBlocks(QWidget* mainWindow, kessig::OrvaneDB& db, const BlockFunctionTable& blockFunctions,
                   std::function<void()> onReturn);
// "&DCX-7": the front panel in place of the main window, modal, until Done.
void showFrontPanel(QWidget* mainWindow, std::function<void()> onReturn);

// Whether each command exists in this build (menu items of missing ones are disabled).
bool commSettingsAvailable();
bool downloadAvailable();
bool uploadAvailable();

} // namespace brevant::linkwin
