// The View menu's live windows: each stands in for the main window until Done.
#include "linkwin/LinkCommands.h"

#include "linkwin/monitor/FormOrvanedoor.h"
#include "linkwin/monitor/MGrid.h"
#include "linkwin/monitor/Monitor.h"
#include "orvane/monitor/BlockTypes.h"

#include <QEventLoop>

namespace brevant::linkwin {

namespace {
// One window of each kind for the main window's life: the tiles of the selected-blocks
// monitor stay until "Reset", "restore" or the end of the run.
template <class Window> Window& windowOf(QWidget* mainWindow)
{
    if (auto* window = mainWindow->findChild<Window*>(QString(), Qt::FindDirectChildrenOnly))
        return *window;
    return *new Window(mainWindow);
}
} // namespace

void showSelectedBlocks(QWidget* mainWindow, kessig::OrvaneDB& db, const QString& configurationPath,
                        const BlockFunctionTable& blockFunctions, std::function<void()> onReturn)
{
    const auto ftypes = orvane::monitor::blockFtypes(db, blockFunctions);
    Monitor& monitor = windowOf<Monitor>(mainWindow);
    monitor.setConfiguration(configurationPath, ftypes);
    monitor.showInstead(std::move(onReturn));
}

void showAllBlocks(QWidget* mainWindow, kessig::OrvaneDB& db, const BlockFunctionTable& blockFunctions,
                   std::function<void()> onReturn)
{
    const auto ftypes = orvane::monitor::blockFtypes(db, blockFunctions);
    MGrid& grid = windowOf<MGrid>(mainWindow);
    grid.setConfiguration(blockFunctions, ftypes);
    grid.showInstead(std::move(onReturn));
}

void showFrontPanel(QWidget* mainWindow, std::function<void()> onReturn)
{
    FormOrvanedoor door(mainWindow);
    door.setWindowModality(Qt::ApplicationModal);
    QEventLoop modal;
    bool back = false;
    door.showInstead([&] {
        back = true;
        modal.quit();
        if (onReturn)
            onReturn();
    });
    if (door.activate() && !back)
        modal.exec();
}

} // namespace brevant::linkwin
