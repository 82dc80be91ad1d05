#pragma once

// The link state shared by every operation that talks to the controller.
// The program holds one Link; callers build xmit_bfr from index 0, call
// sum_xmit_bfr with the index of the last body byte, then exchange.

#include "orvane/link/CommSettings.h"
#include "orvane/link/Protocol.h"
#include "orvane/link/Transport.h"

#include <QByteArray>

#include <array>
#include <functional>
#include <memory>
#include <cstdint>
#include <string>

namespace orvane::link {

// Where messages and progress of the link go: a message box in the editor,
// stderr on the command line.
class LinkReporter {
public:
    virtual ~LinkReporter() = default;
    virtual void message(const std::string &text) = 0;
    virtual void update_progress(int /*percent*/) {}
    virtual void Set_Progress(int percent) { update_progress(percent); }
};

class Link {
public:
    std::array<uint8_t, kXmitBufferSize> xmit_bfr{};
    std::array<uint8_t, kXmitBufferSize> rcv_bfr{};
    bool reply_ok = false;
    bool timed_out = false;     // the last attempt ended without its reply (time-out, a reply too long,
                                // or one whose check bytes do not match)
    int tick_count = 0;
    bool port_is_open = false;
    int count_progress = 0;
    int msg_len = 0;
    // Failed attempts (no reply in time, a reply too long or with wrong check bytes) and
    // stray bytes found before an attempt, since the port was opened. A reply received while this number did not
    // move answers its own request; after it has moved, a reply that came too late for
    // its attempt may still arrive and be taken for the answer to a later request.
    int line_disturbances = 0;

    // Constant slot cursor of an upload: the caller sets const_page_address to 0,
    // reads the first page itself, then sets const_slot_index 0 and const_page_address 128.
    int const_slot_index = 0;
    int const_page_address = 0;
    int const_percent = 0;
    // Set when a page read inside read_constants fails, so the upload can stop
    // instead of storing constants read from a stale buffer. The caller clears it.
    bool constant_page_failed = false;

    // Writes the two check bytes to xmit_bfr[n + 1] and xmit_bfr[n + 2].
    void sum_xmit_bfr(int n);

    // The pipe used by the exchanges; the Link does not own it. Open_Comm_Port
    // replaces it with a serial port made from `settings`.
    void setTransport(Transport *transport) { transport_ = transport; }
    void setReporter(LinkReporter *reporter) { reporter_ = reporter; }

    // Opens the port of `settings` ("COMn" for a numbered port, /dev/ttyS(n-1) on
    // this platform, else the port name). Reports "<port>: in use. ..." when this
    // Link holds it open already and "<port>: not available: " and the reason when it
    // cannot be opened (missing, not permitted, held by another program; see
    // PortStatus.h). Returns port_is_open.
    bool Open_Comm_Port();
    void Close_Comm_Port();
    std::string portLabel() const;       // "COM1 (/dev/ttyS0)" or the port name, as in the messages
    std::string devicePath() const;      // what is opened: /dev/ttyS0 or the port name
    // The port is held, but its device or the device server's connection has gone away:
    // every exchange fails at once from then on.
    bool line_closed() const;
    int lineBaud() const;                // the baud rate of the settings (38400 when unreadable)

    // Sends xmit_bfr[0..sendLen-1] and waits for exactly replyLen bytes into rcv_bfr.
    // Waits in a local event loop (windows keep working), two attempts of
    // attemptTimeoutMs at the line's rate each; a reply longer than replyLen fails its
    // attempt and is never held whole, and so does one whose last two bytes are not the
    // check bytes of the ones before (a byte damaged on the line, or noise). After a failed attempt the line is let fall
    // quiet (settle_line) before anything else is sent. Sets reply_ok; an exchange
    // started while another one waits is refused at once (reply_ok false, nothing sent).
    void send_and_get(int sendLen, int replyLen);

    // Discards whatever arrives until nothing has arrived for quietIntervalMs of the
    // line's rate. Returns the bytes discarded (counted in line_disturbances when not
    // 0), or -1 when the line did not fall quiet within the longest attempt's time-out
    // or another exchange waits.
    long settle_line();

    void poll_orvane();                    // reply_ok only if the reply starts with 0x10
    std::string read_version_id();         // the 24 identification characters, or empty
    int get_analog(int block);             // signed 16-bit block output; test reply_ok
    void send_key(int key);

    void read_constants();                 // moves the slot cursor on by one slot
    int get_integer_constant();            // slot's first two bytes, signed; then read_constants
    int32_t get_long_constant();           // slot's four bytes, signed; then read_constants
    int get_no_constant();                 // read_constants; 0
    int get_digital(int block);            // the discrete state byte of a block output

    // Sends xmit_bfr[0..sendLen-1]; the reply is two bytes (the second the text
    // length L), L text bytes and two more. On success rcv_bfr holds the L bytes
    // and the two after them, and msg_len = L.
    void send_and_get_message(int sendLen);

    // Whether numbered port n (with the name of `settings`, if set) can be opened
    // now; false while this Link holds a port open. Sets settings.CommPortNumber.
    bool port_available(int n);

    CommSettings settings;

private:
    using ReplyLength = std::function<int(const QByteArray &)>; // expected length of the bytes so far
    bool attempt(const QByteArray &frame, const ReplyLength &replyLength, int longestReply, QByteArray &received);
    bool exchange(int sendLen, const ReplyLength &replyLength, int longestReply, QByteArray &received);
    long settle();
    Transport *transport_ = nullptr;
    std::unique_ptr<Transport> ownedTransport_;
    LinkReporter *reporter_ = nullptr;
    bool busy_ = false;
};

} // namespace orvane::link
