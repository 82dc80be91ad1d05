#include "orvane/monitor/PollSession.h"

#include "orvane/link/Link.h"
#include "orvane/transfer/LinkExchange.h"

#include <algorithm>

namespace orvane::monitor {

PollSession::PollSession(orvane::link::Link& link, std::function<void()> pass, QObject* parent)
    : QObject(parent), link_(link), pass_(std::move(pass))
{
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &PollSession::runPass);
}

PollSession::~PollSession() = default;

bool PollSession::active() const { return port_ != nullptr; }

PollSession::Opened PollSession::start(Pacing pacing, int intervalMs)
{
    if (port_)
        return Opened::Busy;
    port_ = std::make_unique<orvane::transfer::PortSession>(link_);
    if (!port_->isOpen()) {
        port_.reset();
        return Opened::PortUnavailable;
    }
    link_.poll_orvane();
    if (!link_.reply_ok) {
        port_.reset();
        return Opened::NoController;
    }
    pacing_ = pacing;
    intervalMs_ = std::max(intervalMs, 0);
    running_ = true;
    passes_ = 0;
    timer_.start(pacing == Pacing::WaitBetween ? intervalMs_ : 0);
    return Opened::Yes;
}

void PollSession::stop()
{
    running_ = false;
    if (port_ && !inPass_) {
        timer_.stop();
        finish();
    }
}

void PollSession::runPass()
{
    inPass_ = true;
    passClock_.start();
    pass_();
    inPass_ = false;
    ++passes_;
    emit passDone();
    if (!running_ || pacing_ == Pacing::Once || !port_) {
        finish();
        return;
    }
    const int elapsed = static_cast<int>(passClock_.elapsed());
    timer_.start(pacing_ == Pacing::Every ? std::max(intervalMs_ - elapsed, 0) : intervalMs_);
}

void PollSession::finish()
{
    running_ = false;
    if (!port_)
        return;
    port_.reset();
    emit finished();
}

} // namespace orvane::monitor
