#pragma once
// The last minutes of each tile's readings, for the trend plot. It only keeps what the
// poll passes read; it never asks the controller for anything.

#include <QPointF>

#include <cstdint>
#include <deque>
#include <map>

namespace orvane::monitor {

class TrendHistory {
public:
    // Keeps `spanMs` of history, at most one point per `spacingMs` for each tile (a newer
    // reading within the spacing replaces the point), so a fast poll stays cheap to draw.
    explicit TrendHistory(qint64 spanMs = 5 * 60 * 1000, qint64 spacingMs = 100);

    void add(uint64_t tileId, qint64 atMs, double value);
    // Points (x: milliseconds since the epoch, y: value) of one tile, oldest first.
    const std::deque<QPointF>& points(uint64_t tileId) const;
    // Drops every point older than the span before `nowMs`.
    void prune(qint64 nowMs);
    void forget(uint64_t tileId) { series_.erase(tileId); }
    void clear() { series_.clear(); }
    qint64 spanMs() const { return spanMs_; }
    // The time of the newest point of any tile; 0 when there is none.
    qint64 newestMs() const { return newestMs_; }

private:
    qint64 spanMs_;
    qint64 spacingMs_;
    qint64 newestMs_ = 0;
    std::map<uint64_t, std::deque<QPointF>> series_;
};

} // namespace orvane::monitor
