#pragma once
// A serial device's line settings as this program found them, put back when it lets the
// device go: at the port's close, and when SIGINT, SIGTERM or SIGHUP ends the program
// while it holds the port. A program ended that way would otherwise leave the device
// marked for its exclusive use, so that every later open by an ordinary user fails as
// busy for as long as anything (a pseudo-terminal's other end) keeps the device alive,
// and leave its own settings, which make the next open of a pseudo-terminal fail too.

#include <QByteArray>

#include <termios.h>

namespace orvane::link::detail {

class FoundSettings {
public:
    // Reads the settings on a descriptor of its own, held until this object goes, so that
    // neither reading them nor putting them back hangs the line up.
    explicit FoundSettings(const QByteArray& device);
    // Puts them back (on a device still there), releases the device's exclusive use and
    // lets go of the descriptor.
    ~FoundSettings();
    FoundSettings(const FoundSettings&) = delete;
    FoundSettings& operator=(const FoundSettings&) = delete;

    bool known() const { return fd_ >= 0; }
    // Raw bytes, 8 data bits, no parity, no flow control, the found rate: a base from which
    // every setting of the port's own open is a change. tcsetattr fails when none of the
    // requested changes takes, and a pseudo-terminal takes no parity: reopened with the
    // settings a killed run left on it, it would refuse the open.
    void setBase();
    // Until this object goes, a termination signal puts the settings back (and releases
    // the device's exclusive use) before the program's own handling of the signal, or its
    // default action. An ignored signal stays ignored.
    void guardAgainstSignals();

private:
    int fd_ = -1;
    termios found_{};
};

} // namespace orvane::link::detail
