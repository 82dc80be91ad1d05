#include "orvane/transfer/LinkExchange.h"

#include "orvane/link/Link.h"
#include "orvane/link/Protocol.h"

#include <algorithm>

namespace orvane::transfer {

std::optional<std::vector<uint8_t>> LinkExchange::sendAndGet(const std::vector<uint8_t>& frame, int replyLength)
{
    if (frame.size() > link_.xmit_bfr.size() || replyLength <= 0 ||
        static_cast<size_t>(replyLength) > link_.rcv_bfr.size())
        return std::nullopt;
    // The link takes a reply of the right length whose check bytes match; what the
    // controller puts around the data is not looked at. A download reads back what it
    // wrote, and reads are trusted only while the line stays undisturbed (LineTrust).
    link_.xmit_bfr.fill(0);
    std::copy(frame.begin(), frame.end(), link_.xmit_bfr.begin());
    link_.send_and_get(static_cast<int>(frame.size()), replyLength);
    if (!link_.reply_ok)
        return std::nullopt;  // the link has already tried twice
    bytesExchanged_ += static_cast<long>(frame.size()) + replyLength;
    return std::vector<uint8_t>(link_.rcv_bfr.begin(), link_.rcv_bfr.begin() + replyLength);
}

int LinkExchange::disturbances() const { return link_.line_disturbances; }

bool LinkExchange::settle() { return link_.settle_line() == 0; }

double LinkExchange::bytesPerSecond() const { return orvane::link::lineBytesPerSecond(link_.lineBaud()); }

PortSession::PortSession(orvane::link::Link& link) : link_(link)
{
    opened_ = link_.Open_Comm_Port();
}

PortSession::~PortSession()
{
    if (opened_)
        link_.Close_Comm_Port();
}

} // namespace orvane::transfer
