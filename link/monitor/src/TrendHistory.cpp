#include "orvane/monitor/TrendHistory.h"

#include <algorithm>

namespace orvane::monitor {

TrendHistory::TrendHistory(qint64 spanMs, qint64 spacingMs) : spanMs_(spanMs), spacingMs_(spacingMs) {}

void TrendHistory::add(uint64_t tileId, qint64 atMs, double value)
{
    auto& points = series_[tileId];
    // Within the spacing the newest reading wins; the point keeps the time of the first,
    // so steady polling gives one point per spacing.
    if (!points.empty() && atMs - static_cast<qint64>(points.back().x()) < spacingMs_)
        points.back().setY(value);
    else
        points.emplace_back(static_cast<double>(atMs), value);
    newestMs_ = std::max(newestMs_, atMs);
    prune(atMs);
}

const std::deque<QPointF>& TrendHistory::points(uint64_t tileId) const
{
    static const std::deque<QPointF> none;
    const auto found = series_.find(tileId);
    return found == series_.end() ? none : found->second;
}

void TrendHistory::prune(qint64 nowMs)
{
    const double oldest = static_cast<double>(nowMs - spanMs_);
    for (auto& [id, points] : series_)
        while (!points.empty() && points.front().x() < oldest)
            points.pop_front();
}

} // namespace orvane::monitor
