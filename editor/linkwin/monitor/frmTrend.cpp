#include "linkwin/monitor/frmTrend.h"

#include "linkwin/monitor/frmTag.h"

#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLegendMarker>
#include <QLineSeries>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <set>

namespace brevant::linkwin {

using namespace orvane::monitor;

namespace {
const QColor kPlotArea(0x9A, 0x9A, 0x9A);
constexpr qint64 kShortestSpanMs = 10'000;
} // namespace

frmTrend::frmTrend(QWidget* parent)
    : QWidget(parent, Qt::Window), chart_(new QChart), time_(new QDateTimeAxis), values_(new QValueAxis)
{
    setObjectName(QStringLiteral("frmTrend"));
    setWindowTitle(QStringLiteral("Trend"));
    chart_->setPlotAreaBackgroundBrush(kPlotArea);
    chart_->setPlotAreaBackgroundVisible(true);
    chart_->legend()->setAlignment(Qt::AlignBottom);
    time_->setFormat(QStringLiteral("hh:mm:ss"));
    time_->setTitleText(QStringLiteral("Time"));
    chart_->addAxis(time_, Qt::AlignBottom);
    chart_->addAxis(values_, Qt::AlignLeft);
    auto* view = new QChartView(chart_, this);
    view->setObjectName(QStringLiteral("chtTrend"));
    view->setRenderHint(QPainter::Antialiasing);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view);
    resize(720, 420);
}

QLineSeries* frmTrend::line(uint64_t tileId) const
{
    const auto found = lines_.find(tileId);
    return found == lines_.end() ? nullptr : found->second.line;
}

frmTrend::Line& frmTrend::lineFor(const Tile& tile)
{
    auto found = lines_.find(tile.id);
    if (found == lines_.end()) {
        Line line{new QLineSeries, new QLineSeries};
        for (QLineSeries* series : {line.halo, line.line}) {
            chart_->addSeries(series);
            series->attachAxis(time_);
            series->attachAxis(values_);
        }
        chart_->legend()->markers(line.halo).constFirst()->setVisible(false);
        found = lines_.emplace(tile.id, line).first;
    }
    const QColor colour = storedColour(tile.colour);
    found->second.line->setName(tile.tag.isEmpty() ? QStringLiteral("Block %1").arg(tile.block) : tile.tag);
    found->second.line->setPen(QPen(colour, 2));
    found->second.halo->setPen(QPen(looksLight(colour) ? Qt::black : Qt::white, 5));
    return found->second;
}

void frmTrend::refresh(const TileTable& tiles, const TrendHistory& history)
{
    std::set<uint64_t> shown;
    double low = 0, high = 0, oldest = 0;
    bool any = false;
    for (int slot = 1; slot <= kTileSlots; ++slot) {
        const Tile* tile = tiles.at(slot);
        if (!tile)
            continue;
        shown.insert(tile->id);
        const auto& points = history.points(tile->id);
        const QList<QPointF> list(points.begin(), points.end());
        Line& line = lineFor(*tile);
        line.halo->replace(list);
        line.line->replace(list);
        for (const QPointF& p : list) {
            low = any ? std::min(low, p.y()) : p.y();
            high = any ? std::max(high, p.y()) : p.y();
            oldest = any ? std::min(oldest, p.x()) : p.x();
            any = true;
        }
    }
    for (auto it = lines_.begin(); it != lines_.end();) {
        if (shown.contains(it->first)) {
            ++it;
            continue;
        }
        chart_->removeSeries(it->second.halo);
        chart_->removeSeries(it->second.line);
        delete it->second.halo;
        delete it->second.line;
        it = lines_.erase(it);
    }
    // The last minutes, or less while the history is still shorter than that.
    const qint64 newest = history.newestMs() > 0 ? history.newestMs() : QDateTime::currentMSecsSinceEpoch();
    const qint64 first = any ? std::min(static_cast<qint64>(oldest), newest - kShortestSpanMs) : newest - kShortestSpanMs;
    time_->setRange(QDateTime::fromMSecsSinceEpoch(std::max(first, newest - history.spanMs())),
                    QDateTime::fromMSecsSinceEpoch(newest));
    const double margin = std::max((high - low) * 0.05, 0.5);
    values_->setRange(low - margin, high + margin);
    values_->applyNiceNumbers();
    drawn_.start();
}

} // namespace brevant::linkwin
