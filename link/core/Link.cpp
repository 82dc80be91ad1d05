#include "orvane/link/Link.h"
#include "orvane/link/PortList.h"

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
constexpr int kAttempts = 2;
constexpr int kLongestMessageReply = 2 + 255 + 2;
constexpr int kLongestFrame = static_cast<int>(kXmitBufferSize);
} // namespace

int Link::lineBaud() const
{
    const int baud = std::atoi(settings.CommBaudRate.c_str());
    return baud > 0 ? baud : kDefaultBaud;
}

bool Link::attempt(const QByteArray &frame, const ReplyLength &replyLength, int longestReply, QByteArray &received)
{
    // Bytes waiting now answer no request of this attempt: they came too late for an
    // earlier one. They are dropped, and counted, so callers know the line was disturbed.
    if (transport_->discardInput() > 0)
        ++line_disturbances;
    received.clear();
    tick_count = 0;
    timed_out = false;

    QEventLoop loop;
    QTimer ticker;
    ticker.setInterval(kTickMs);
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer); // a coarse timer may fire up to 5 % early
    bool overrun = false;
    // Takes what has arrived, but never more than one byte past the reply: that byte
    // already fails the attempt, and the rest is let pass by the settling that follows.
    auto collect = [&] {
        while (!overrun && transport_->isOpen()) {
            const QByteArray chunk = transport_->read(replyLength(received) + 1 - received.size());
            if (chunk.isEmpty())
                break;
            received += chunk;
            overrun = received.size() > replyLength(received);
        }
        if (overrun)
            timed_out = true;
        if (overrun || received.size() == replyLength(received))
            loop.quit();
    };
    QObject::connect(transport_, &Transport::bytesArrived, &loop, collect);
    QObject::connect(&ticker, &QTimer::timeout, &loop, [&] { ++tick_count; });
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        timed_out = true;
        loop.quit();
    });
    QObject::connect(transport_, &Transport::closed, &loop, &QEventLoop::quit);
    transport_->write(frame);
    ticker.start();
    deadline.start(attemptTimeoutMs(lineBaud(), static_cast<int>(frame.size()), longestReply));
    loop.exec();
    collect(); // the exact length might have been reached by bytes read with the deadline
    const bool whole = !overrun && received.size() == replyLength(received);
    const bool ok = whole && hasValidCheckBytes(reinterpret_cast<const uint8_t *>(received.constData()),
                                                static_cast<std::size_t>(received.size()));
    if (!ok) {
        timed_out = true;
        ++line_disturbances;
    }
    return ok;
}

long Link::settle()
{
    long discarded = transport_->discardInput();
    QEventLoop loop;
    QTimer quiet;
    quiet.setSingleShot(true);
    quiet.setTimerType(Qt::PreciseTimer);
    QTimer limit;
    limit.setSingleShot(true);
    bool gaveUp = false;
    QObject::connect(transport_, &Transport::bytesArrived, &loop, [&] {
        discarded += transport_->discardInput();
        quiet.start(); // silence is counted from the last byte
    });
    QObject::connect(&quiet, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(transport_, &Transport::closed, &loop, [&] {
        gaveUp = true;
        loop.quit();
    });
    QObject::connect(&limit, &QTimer::timeout, &loop, [&] {
        gaveUp = true;
        loop.quit();
    });
    quiet.start(quietIntervalMs(lineBaud()));
    // Any reply at this rate has ended by then; a line still sending is given up for now.
    limit.start(attemptTimeoutMs(lineBaud(), kLongestFrame, kLongestFrame));
    loop.exec();
    discarded += transport_->discardInput();
    if (discarded > 0)
        ++line_disturbances;
    return gaveUp ? -1 : discarded;
}

long Link::settle_line()
{
    if (busy_ || transport_ == nullptr || !transport_->isOpen())
        return -1;
    busy_ = true;
    const long discarded = settle();
    busy_ = false;
    return discarded;
}

bool Link::exchange(int sendLen, const ReplyLength &replyLength, int longestReply, QByteArray &received)
{
    if (busy_ || transport_ == nullptr || !transport_->isOpen())
        return false;
    busy_ = true;
    // A refused caller that runs during the wait may rebuild xmit_bfr; the retry
    // must resend this exchange's frame.
    const QByteArray frame(reinterpret_cast<const char *>(xmit_bfr.data()), sendLen);
    bool ok = false;
    for (int i = 0; i < kAttempts && !ok; ++i) {
        ok = attempt(frame, replyLength, longestReply, received);
        // The reply that missed this attempt may still be on its way: let it pass before
        // anything else is sent, so it is not taken for the answer to a later frame.
        if (!ok && (!transport_->isOpen() || settle() < 0))
            break;
    }
    busy_ = false;
    return ok;
}

void Link::send_and_get(int sendLen, int replyLen)
{
    reply_ok = false;
    QByteArray received;
    const bool ok = exchange(sendLen, [replyLen](const QByteArray &) { return replyLen; }, replyLen, received);
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
    const bool ok = exchange(sendLen, length, kLongestMessageReply, received);
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
    SerialTransport probe(QString::fromStdString(devicePath()), lineBaud(), QString::fromStdString(settings.CommParity));
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
    // A numbered port keeps its COM name, and says which device that is here.
    return settings.CommPortName.empty() ? "COM" + std::to_string(settings.CommPortNumber) + " (" + devicePath() + ")"
                                         : settings.CommPortName;
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
    const QString device = QString::fromStdString(devicePath());
    if (isTcpPortName(device))
        ownedTransport_ = std::make_unique<TcpTransport>(device);
    else
        ownedTransport_ = std::make_unique<SerialTransport>(device, lineBaud(),
                                                            QString::fromStdString(settings.CommParity));
    if (!ownedTransport_->open()) {
        // A simulator that could not be started has said why already.
        report(isSimulatorPortName(settings.CommPortName)
                   ? portLabel() + ": not available. Change the setting to another port."
                   : portLabel() + ": not available: " + ownedTransport_->whyNotOpened());
        ownedTransport_.reset();
        transport_ = nullptr;
        return false;
    }
    transport_ = ownedTransport_.get();
    port_is_open = true;
    line_disturbances = 0;
    return true;
}

bool Link::line_closed() const
{
    return port_is_open && (transport_ == nullptr || !transport_->isOpen());
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
