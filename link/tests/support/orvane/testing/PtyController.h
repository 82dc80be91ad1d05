#pragma once
// The controller end of a real pseudo-terminal for tests: collects request frames and
// answers each one through a scripted responder (frame number, frame) -> bytes to send.

#include "orvane/link/Protocol.h"

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QString>

#include <fcntl.h>
#include <functional>
#include <memory>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace orvane::testing {

// A reply as a controller ends it: `body` and its two check bytes.
inline QByteArray withCheckBytes(QByteArray body)
{
    const auto check = orvane::link::checkBytes(reinterpret_cast<const uint8_t *>(body.constData()),
                                                static_cast<std::size_t>(body.size() - 1));
    return body + char(check[0]) + char(check[1]);
}

class PtyController {
public:
    PtyController()
    {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        grantpt(master_);
        unlockpt(master_);
        slaveName_ = QString::fromLocal8Bit(ptsname(master_));
        termios tio{};
        tcgetattr(master_, &tio);
        cfmakeraw(&tio);
        tcsetattr(master_, TCSANOW, &tio);
        notifier_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { onBytes(); });
    }
    ~PtyController()
    {
        notifier_.reset();
        ::close(master_);
    }
    PtyController(const PtyController &) = delete;
    PtyController &operator=(const PtyController &) = delete;

    QString slaveName() const { return slaveName_; }
    int frames() const { return frames_; }
    std::function<QByteArray(int, const QByteArray &)> respond;

    // A write that fails shows as the reply the test waits for and never gets.
    void send(const QByteArray &bytes)
    {
        [[maybe_unused]] const ssize_t written = ::write(master_, bytes.constData(), static_cast<size_t>(bytes.size()));
    }

private:
    void onBytes()
    {
        char buf[512];
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n <= 0)
            return;
        ++frames_;
        if (respond)
            send(respond(frames_, QByteArray(buf, static_cast<int>(n))));
    }
    int master_ = -1;
    QString slaveName_;
    int frames_ = 0;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace orvane::testing
