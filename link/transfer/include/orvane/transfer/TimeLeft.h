#pragma once
// How long the bytes still to go of a transfer take: those of the part under way at the
// rate that part has shown once it has run long enough to tell, those of the parts after
// it at the line's rate. The parts need not run alike: a simulator on a pseudo-terminal
// paces only its replies, so a download writes fast and reads back at the line's rate.

#include <optional>

namespace orvane::transfer {

class TimeLeft {
public:
    // `lineBytesPerSecond`: 0 when not known.
    explicit TimeLeft(double lineBytesPerSecond) : lineRate_(lineBytesPerSecond) {}

    // A part starts at `now` (seconds on a steady clock) with `bytes` to go in it and
    // `laterBytes` in the parts after it.
    void startPart(long bytes, long laterBytes, double now);
    // The part's bytes still to go, once they are known better.
    void replan(long bytesToGo) { partBytes_ = bytesToGo; }
    void advance(long bytes, double now);
    // Whole seconds, rounded up; nullopt while no rate is known.
    std::optional<int> seconds() const;

private:
    double lineRate_;
    long partBytes_ = 0;     // still to go in the part under way
    long laterBytes_ = 0;
    long doneInPart_ = 0;
    double partStart_ = 0;
    double lastAdvance_ = 0;
};

} // namespace orvane::transfer
