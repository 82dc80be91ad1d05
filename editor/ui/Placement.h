#pragma once
// Where a window opens: a window that stands in for, or reports on, another opens over
// its middle, so the eye need not search the screen for it.

class QWidget;

namespace brevant {

// Sizes `window` as it will show (unless it was sized already) and moves it so that its
// middle lies on the middle of `over`'s window, kept on the screen `over` is on.
void centreOn(QWidget* window, const QWidget* over);

} // namespace brevant
