#include "orvane/link/Link.h"

namespace orvane::link {

void Link::sum_xmit_bfr(int n)
{
    const auto check = checkBytes(xmit_bfr.data(), static_cast<std::size_t>(n));
    xmit_bfr[n + 1] = check[0];
    xmit_bfr[n + 2] = check[1];
}

} // namespace orvane::link

#include "orvane/link/Transport.h"

#include <QEventLoop>
#include <QTimer>

namespace orvane::link {

namespace {
constexpr int kTickMs = 500;
constexpr int kTicksToTimeOut = 3;
constexpr int kAttempts = 2;
} // namespace

bool Link::attempt(const QByteArray &frame, int replyLen)
{
    // Bytes left from an earlier, failed attempt (a late reply) must not be
    // taken as the start of this attempt's reply.
    transport_->readAll();
    QByteArray received;
    tick_count = 0;
    timed_out = false;

    QEventLoop loop;
    QTimer ticker;
    ticker.setInterval(kTickMs);
    bool tooLong = false;
    auto collect = [&] {
        received += transport_->readAll();
        if (received.size() > replyLen)
            tooLong = true; // a reply one byte too long is never accepted
        else if (received.size() == replyLen)
            loop.quit();
    };
    QObject::connect(transport_, &Transport::bytesArrived, &loop, collect);
    QObject::connect(&ticker, &QTimer::timeout, &loop, [&] {
        if (++tick_count >= kTicksToTimeOut) {
            timed_out = true;
            loop.quit();
        }
    });
    transport_->write(frame);
    ticker.start();
    loop.exec();
    collect(); // the exact length might have been reached by bytes read with the last tick
    if (timed_out && (tooLong || received.size() != replyLen))
        return false;
    for (int i = 0; i < replyLen; ++i)
        rcv_bfr[i] = static_cast<uint8_t>(received[i]);
    return true;
}

void Link::send_and_get(int sendLen, int replyLen)
{
    reply_ok = false;
    if (busy_ || transport_ == nullptr || !transport_->isOpen())
        return;
    busy_ = true;
    // A refused caller that runs during the wait may rebuild xmit_bfr; the retry
    // must resend this exchange's frame.
    const QByteArray frame(reinterpret_cast<const char *>(xmit_bfr.data()), sendLen);
    for (int i = 0; i < kAttempts && !reply_ok; ++i)
        reply_ok = attempt(frame, replyLen);
    busy_ = false;
}

void Link::poll_orvane()
{
    xmit_bfr.fill(0);
    xmit_bfr[0] = 0x01;
    sum_xmit_bfr(0);
    send_and_get(3, 5);
    if (reply_ok && rcv_bfr[0] != 0x10)
        reply_ok = false;
}

std::string Link::read_version_id()
{
    xmit_bfr.fill(0);
    xmit_bfr[0] = 0x04;
    xmit_bfr[1] = 0x00;
    xmit_bfr[2] = 0x18;
    sum_xmit_bfr(4);
    send_and_get(7, 31);
    if (!reply_ok)
        return {};
    return std::string(reinterpret_cast<const char *>(rcv_bfr.data()) + 5, 24);
}

int Link::get_analog(int block)
{
    xmit_bfr.fill(0);
    xmit_bfr[0] = 0x20;
    xmit_bfr[1] = static_cast<uint8_t>(block);
    sum_xmit_bfr(1);
    send_and_get(4, 5);
    return decodeSigned16(rcv_bfr[1], rcv_bfr[2]);
}

void Link::send_key(int key)
{
    xmit_bfr.fill(0);
    xmit_bfr[0] = 0x21;
    xmit_bfr[1] = static_cast<uint8_t>(key);
    sum_xmit_bfr(1);
    send_and_get(4, 5);
}

} // namespace orvane::link

namespace orvane::link {

std::string Link::portLabel() const
{
    return settings.CommPortName.empty() ? "COM" + std::to_string(settings.CommPortNumber) : settings.CommPortName;
}

std::string Link::devicePath() const
{
    return settings.CommPortName.empty() ? "/dev/ttyS" + std::to_string(settings.CommPortNumber - 1)
                                         : settings.CommPortName;
}

bool Link::Open_Comm_Port()
{
    auto report = [this](const std::string &text) {
        if (reporter_)
            reporter_->message(text);
    };
    if (port_is_open) {
        report(portLabel() + ": in use. Change the setting to another port.");
        return true;
    }
    const int baud = std::atoi(settings.CommBaudRate.c_str());
    ownedTransport_ = std::make_unique<SerialTransport>(QString::fromStdString(devicePath()), baud > 0 ? baud : 38400,
                                                        QString::fromStdString(settings.CommParity));
    if (!ownedTransport_->open()) {
        ownedTransport_.reset();
        transport_ = nullptr;
        report(portLabel() + ": not available. Change the setting to another port.");
        return false;
    }
    transport_ = ownedTransport_.get();
    port_is_open = true;
    return true;
}

void Link::Close_Comm_Port()
{
    if (transport_)
        transport_->close();
    transport_ = nullptr;
    ownedTransport_.reset();
    port_is_open = false;
}

} // namespace orvane::link
