#pragma once

// The one controller link of the program run. Every window that talks to the
// controller uses it; Open_Comm_Port on it uses the settings applied here.

#include "orvane/link/Link.h"

#include <QPointer>

class QWidget;

namespace brevant::linkwin {

// The link, with the current serial settings applied and its messages going to
// message boxes. The port "Simulator" is the session's simulator, started here on
// first use.
orvane::link::Link& theLink();

// While it lives, the link's messages show over `window` (centred on it) instead of
// the screen's middle.
class LinkMessagesOver {
public:
    explicit LinkMessagesOver(QWidget* window);
    ~LinkMessagesOver();
    LinkMessagesOver(const LinkMessagesOver&) = delete;
    LinkMessagesOver& operator=(const LinkMessagesOver&) = delete;

private:
    QPointer<QWidget> previous_;
};

} // namespace brevant::linkwin
