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

bool Link::attempt(const QByteArray &frame, const ReplyLength &replyLength, QByteArray &received)
{
    // Bytes left from an earlier, failed attempt (a late reply) must not be
    // taken as the start of this attempt's reply.
    transport_->discardInput();
    received.clear();
    tick_count = 0;
    timed_out = false;

    QEventLoop loop;
    QTimer ticker;
    ticker.setInterval(kTickMs);
    ticker.setTimerType(Qt::PreciseTimer); // a coarse timer may tick up to 5 % early and cut the 1.5 s short
    bool tooLong = false;
    auto collect = [&] {
        received += transport_->readAll();
        const int replyLen = replyLength(received);
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
    return !tooLong && received.size() == replyLength(received);
}

bool Link::exchange(int sendLen, const ReplyLength &replyLength, QByteArray &received)
{
    if (busy_ || transport_ == nullptr || !transport_->isOpen())
        return false;
    busy_ = true;
    // A refused caller that runs during the wait may rebuild xmit_bfr; the retry
    // must resend this exchange's frame.
    const QByteArray frame(reinterpret_cast<const char *>(xmit_bfr.data()), sendLen);
    bool ok = false;
    for (int i = 0; i < kAttempts && !ok; ++i)
        ok = attempt(frame, replyLength, received);
    busy_ = false;
    return ok;
}

void Link::send_and_get(int sendLen, int replyLen)
{
    reply_ok = false;
    QByteArray received;
    const bool ok = exchange(sendLen, [replyLen](const QByteArray &) { return replyLen; }, received);
    if (ok)
        std::copy(received.begin(), received.end(), rcv_bfr.begin());
    reply_ok = ok;
}

void Link::send_and_get_message(int sendLen)
{
    reply_ok = false;
    QByteArray received;
    // Two leading bytes, the second of them the text length L, then L text bytes and two more.
    const auto length = [](const QByteArray &bytes) {
        return bytes.size() < 2 ? 2 : 2 + static_cast<uint8_t>(bytes[1]) + 2;
    };
    const bool ok = exchange(sendLen, length, received);
    if (ok) {
        msg_len = static_cast<uint8_t>(received[1]);
        std::copy(received.begin() + 2, received.end(), rcv_bfr.begin());
    }
    reply_ok = ok;
}

int Link::get_digital(int block)
{
    get_analog(block);
    return rcv_bfr[1];
}

bool Link::port_available(int n)
{
    if (port_is_open)
        return false;
    settings.CommPortNumber = static_cast<int16_t>(n);
    const int baud = std::atoi(settings.CommBaudRate.c_str());
    SerialTransport probe(QString::fromStdString(devicePath()), baud > 0 ? baud : 38400,
                          QString::fromStdString(settings.CommParity));
    if (!probe.open())
        return false;
    probe.close();
    return true;
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
    // The port already belongs to a running command: refuse, and leave it open for
    // that command, so this caller neither talks over it nor closes it under it.
    if (port_is_open) {
        report(portLabel() + ": in use. Change the setting to another port.");
        return false;
    }
    const int baud = std::atoi(settings.CommBaudRate.c_str());
    const QString device = QString::fromStdString(devicePath());
    if (isTcpPortName(device))
        ownedTransport_ = std::make_unique<TcpTransport>(device);
    else
        ownedTransport_ = std::make_unique<SerialTransport>(device, baud > 0 ? baud : 38400,
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

namespace orvane::link {

namespace {
constexpr int kSlotsPerPage = 32;
constexpr int kPageBytes = 128;
} // namespace

void Link::read_constants()
{
    if (++const_slot_index < kSlotsPerPage)
        return;
    const_percent += 2;
    if (reporter_)
        reporter_->Set_Progress(const_percent);
    xmit_bfr.fill(0);
    xmit_bfr[0] = 0x04;
    xmit_bfr[1] = 0x03;
    xmit_bfr[2] = 0x80;
    xmit_bfr[3] = static_cast<uint8_t>(const_page_address >> 8);
    xmit_bfr[4] = static_cast<uint8_t>(const_page_address & 0xFF);
    sum_xmit_bfr(4);
    send_and_get(7, 135);
    if (!reply_ok)
        constant_page_failed = true;
    const_slot_index = 0;
    const_page_address += kPageBytes;
}

int Link::get_integer_constant()
{
    const int at = 5 + 4 * const_slot_index;
    const int value = decodeSigned16(rcv_bfr[at], rcv_bfr[at + 1]);
    read_constants();
    return value;
}

int32_t Link::get_long_constant()
{
    const int at = 5 + 4 * const_slot_index;
    const uint32_t raw = (uint32_t(rcv_bfr[at]) << 24) | (uint32_t(rcv_bfr[at + 1]) << 16) |
                         (uint32_t(rcv_bfr[at + 2]) << 8) | rcv_bfr[at + 3];
    read_constants();
    return static_cast<int32_t>(raw);
}

int Link::get_no_constant()
{
    read_constants();
    return 0;
}

} // namespace orvane::link
