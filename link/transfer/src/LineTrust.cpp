#include "orvane/transfer/LineTrust.h"

namespace orvane::transfer {

LineTrust::LineTrust(Exchange& link, std::chrono::milliseconds hold) : link_(link), hold_(hold) {}

void LineTrust::noteDisturbances()
{
    if (link_.disturbances() == seen_)
        return;
    seen_ = link_.disturbances();
    lastDisturbed_ = Clock::now();
}

void LineTrust::begin()
{
    noteDisturbances();
    doubt_ = link_.disturbances() != trustedAt_ || Clock::now() - lastDisturbed_ < hold_;
    if (doubt_ && link_.disturbances() != quietAt_)
        link_.settle();
    quietAt_ = -1;
    noteDisturbances();
    mark_ = link_.disturbances();
}

bool LineTrust::confirmed()
{
    const bool trusted = link_.disturbances() == mark_ && (!doubt_ || link_.settle());
    noteDisturbances();
    if (trusted) {
        trustedAt_ = link_.disturbances();
        quietAt_ = doubt_ ? trustedAt_ : -1;
    }
    return trusted;
}

} // namespace orvane::transfer
