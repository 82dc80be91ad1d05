#include "ui/Placement.h"

#include <QLayout>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace brevant {

void centreOn(QWidget* window, const QWidget* over)
{
    if (!window || !over)
        return;
    // The size it will show with: its layout's limits applied first.
    window->ensurePolished();
    if (QLayout* layout = window->layout())
        layout->activate();
    if (!window->testAttribute(Qt::WA_Resized))
        window->adjustSize();
    const QWidget* owner = over->window();
    const QRect area = owner->frameGeometry();
    // A window not shown yet has no frame: it will have one like its owner's.
    const QSize frame = window->isVisible() ? window->frameGeometry().size()
                                            : window->size() + owner->frameGeometry().size() - owner->size();
    QRect placed(QPoint(), frame);
    placed.moveCenter(area.center());
    if (const QScreen* screen = owner->screen()) {
        const QRect shown = screen->availableGeometry();
        placed.moveLeft(std::max(shown.left(), std::min(placed.left(), shown.right() + 1 - placed.width())));
        placed.moveTop(std::max(shown.top(), std::min(placed.top(), shown.bottom() + 1 - placed.height())));
    }
    window->move(placed.topLeft());
}

} // namespace brevant
