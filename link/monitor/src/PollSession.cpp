#include "orvane/monitor/PollSession.h"

#include "orvane/link/Link.h"
#include "orvane/monitor/ControllerLine.h"
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
    running_ = true;   // a stop() during the poll clears it
    inExchange_ = true;
    link_.poll_orvane();
    inExchange_ = false;
    if (!link_.reply_ok) {
        running_ = false;
        port_.reset();
        return Opened::NoController;
    }
    pacing_ = pacing;
    intervalMs_ = std::max(intervalMs, 0);
    passes_ = 0;
    failedInARow_ = 0;
    portClosed_ = false;
    line_ = std::make_unique<ControllerLine>(link_);
    // Stopped during the poll: no pass, the port closes at the next turn of the event loop.
    timer_.start(running_ && pacing == Pacing::WaitBetween ? intervalMs_ : 0);
    return Opened::Yes;
}

void PollSession::stop()
{
    running_ = false;
    if (port_ && !inExchange_) {
        timer_.stop();
        finish();
    }
}

void PollSession::runPass()
{
    if (!running_) {
        finish();
        return;
    }
    inExchange_ = true;
    passClock_.start();
    line_->startPass();
    pass_();
    inExchange_ = false;
    ++passes_;
    if (running_)
        failedInARow_ = line_->counted() == 0 ? failedInARow_ + 1 : 0;
    if (line_->closed()) {
        portClosed_ = true;
        running_ = false;
    }
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
    line_.reset();
    emit finished();
}

} // namespace orvane::monitor
