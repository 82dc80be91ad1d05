#include "linkwin/comm/TheLink.h"

#include "linkwin/comm/SessionSimulator.h"
#include "orvane/link/PortList.h"
#include "ui/MessageSeam.h"
#include "ui/SettingsStore.h"

#include <QWidget>

#include <utility>

namespace brevant::linkwin {

namespace {
class MessageBoxReporter : public orvane::link::LinkReporter {
public:
    void message(const std::string& text) override { brevant::showMessage(over, QString::fromStdString(text)); }
    QPointer<QWidget> over;
};

MessageBoxReporter& reporter()
{
    static MessageBoxReporter reporter;
    return reporter;
}
} // namespace

LinkMessagesOver::LinkMessagesOver(QWidget* window) : previous_(std::exchange(reporter().over, window)) {}

LinkMessagesOver::~LinkMessagesOver() { reporter().over = previous_; }

orvane::link::Link& theLink()
{
    static orvane::link::Link link;
    link.setReporter(&reporter());
    if (!link.port_is_open) {
        link.settings = brevant::LoadCommSettings();
        // A simulator that cannot be started leaves the name "Simulator", which
        // then fails to open with the usual "not available" message.
        if (const auto port = orvane::link::resolvePortName(link.settings.CommPortName, sessionSimulatorPort))
            link.settings.CommPortName = *port;
    }
    return link;
}

} // namespace brevant::linkwin
