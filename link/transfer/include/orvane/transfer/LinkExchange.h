#pragma once
// The transfers' Exchange over the program's link: the frame goes into xmit_bfr, the
// reply comes out of rcv_bfr when reply_ok is set.

#include "orvane/transfer/Exchange.h"

namespace orvane::link { class Link; }

namespace orvane::transfer {

class LinkExchange : public Exchange {
public:
    explicit LinkExchange(orvane::link::Link& link) : link_(link) {}
    std::optional<std::vector<uint8_t>> sendAndGet(const std::vector<uint8_t>& frame, int replyLength) override;
    int disturbances() const override;
    bool settle() override;
    double bytesPerSecond() const override;

    // Bytes of the frames sent and the replies accepted, for the transfer benchmark.
    long bytesExchanged() const { return bytesExchanged_; }

private:
    orvane::link::Link& link_;
    long bytesExchanged_ = 0;
};

// Holds the link's port open for one operation and closes it on every way out. A port
// another operation holds is refused by Open_Comm_Port as in use and left to it.
class PortSession {
public:
    explicit PortSession(orvane::link::Link& link);
    ~PortSession();
    PortSession(const PortSession&) = delete;
    PortSession& operator=(const PortSession&) = delete;
    bool isOpen() const { return opened_; }

private:
    orvane::link::Link& link_;
    bool opened_ = false;
};

} // namespace orvane::transfer
