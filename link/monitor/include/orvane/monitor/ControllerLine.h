#pragma once
// The live monitors' exchanges with the controller, one pass at a time. A reading counts
// only when its reply can be trusted to answer its own request, as the transfers trust
// theirs (LineTrust), with the doubt held for the longest attempt after a disturbance:
// nothing in a block's output reply says which block it is for. A reading that got no
// reply asks whether the controller still answers the poll; when it does not, or the
// port has closed, the line is dead and the pass ends there, so that every value can be
// shown as missing at once.

#include "orvane/transfer/LineTrust.h"
#include "orvane/transfer/LinkExchange.h"

#include <string>

namespace orvane::link { class Link; }

namespace orvane::monitor {

class ControllerLine {
public:
    explicit ControllerLine(orvane::link::Link& link);

    orvane::link::Link& link() { return link_; }

    // A new pass: nothing read yet, and the line not found dead in it.
    void startPass();
    // One exchange made by `exchange(link())` (which sets the link's reply_ok): true when
    // its reply counts. Nothing is sent on a line found dead in this pass.
    template <class Exchange> bool read(Exchange&& exchange)
    {
        if (!beginReading())
            return false;
        exchange(link_);
        return endReading();
    }

    bool dead() const { return dead_; }   // in this pass: the poll went unanswered, or the port closed
    bool closed() const;                  // the port's device or connection went away
    int counted() const { return counted_; }   // readings of this pass that counted

private:
    bool beginReading();
    bool endReading();

    orvane::link::Link& link_;
    orvane::transfer::LinkExchange exchange_;
    orvane::transfer::LineTrust trust_;
    bool dead_ = false;
    int counted_ = 0;
};

// What a monitor says when its port closed under it, naming the port.
std::string portClosedMessage(const std::string& port);

} // namespace orvane::monitor
