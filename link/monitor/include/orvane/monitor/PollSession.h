#pragma once
// A window's (or the command line's) hold on the controller while it polls: the port
// opened and the controller polled, passes over what is watched, and the port closed
// once the last pass has returned.
//
// Everything runs on the user-interface thread and every exchange lets events run, so
// a stop can come in the middle of a pass: the pass asks running() between exchanges.
// The next pass is only scheduled after the previous one returned, so no two passes,
// and no two exchanges, ever overlap.
//
// The passes read through the session's ControllerLine. When the port's device or
// connection goes away the session ends by itself after that pass.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

namespace orvane::link { class Link; }
namespace orvane::transfer { class PortSession; }

namespace orvane::monitor {

class ControllerLine;

enum class Pacing {
    WaitBetween,   // a wait of `intervalMs` before every pass
    Every,         // a pass at once, then one every `intervalMs` from the start of the last
                   // (at once when a pass took longer)
    Once,          // one pass at once
};

class PollSession : public QObject {
    Q_OBJECT
public:
    enum class Opened { Yes, PortUnavailable, NoController, Busy };

    PollSession(orvane::link::Link& link, std::function<void()> pass, QObject* parent = nullptr);
    ~PollSession() override;

    // Opens the port and polls the controller. Yes: passes follow and finished() comes
    // after the last. PortUnavailable: the link has reported why. NoController: the poll
    // went unanswered and the port is closed again. Busy: this session still holds the port.
    Opened start(Pacing pacing, int intervalMs = 0);
    // No further pass; the port is closed once the pass (or the opening poll) in
    // progress has returned.
    void stop();
    bool running() const { return running_; }   // passes go on
    bool active() const;                        // the port is held (a pass may still be in an exchange)
    int passes() const { return passes_; }      // passes completed since start
    // What the passes read through; only while active().
    ControllerLine& line() { return *line_; }
    // Whole passes running (none cut short by a stop) in which no reading counted.
    int failedPassesInARow() const { return failedInARow_; }
    // The last session ended because the port's device or connection went away.
    bool portClosed() const { return portClosed_; }

signals:
    void passDone();
    void finished();                            // the port is closed

private:
    void runPass();
    void finish();

    orvane::link::Link& link_;
    std::function<void()> pass_;
    std::unique_ptr<orvane::transfer::PortSession> port_;
    std::unique_ptr<ControllerLine> line_;
    QTimer timer_;
    QElapsedTimer passClock_;
    Pacing pacing_ = Pacing::Once;
    int intervalMs_ = 0;
    bool running_ = false;
    bool inExchange_ = false;   // the opening poll or a pass is under way
    int passes_ = 0;
    int failedInARow_ = 0;
    bool portClosed_ = false;
};

} // namespace orvane::monitor
