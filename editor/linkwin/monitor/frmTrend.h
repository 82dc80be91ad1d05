#pragma once
// "Trend": the monitor's tiles over the last minutes, one line per tile in its colour,
// named by its tag, time along the bottom. It draws what the monitor's passes read and
// stands still while polling is stopped.

#include "orvane/monitor/Tiles.h"
#include "orvane/monitor/TrendHistory.h"

#include <QElapsedTimer>
#include <QWidget>

#include <map>

class QChart;
class QDateTimeAxis;
class QLineSeries;
class QValueAxis;

namespace brevant::linkwin {

class frmTrend : public QWidget {
    Q_OBJECT
public:
    explicit frmTrend(QWidget* parent);

    void refresh(const orvane::monitor::TileTable& tiles, const orvane::monitor::TrendHistory& history);
    qint64 msSinceDrawn() const { return drawn_.isValid() ? drawn_.elapsed() : INT64_MAX; }

    QChart* chart() const { return chart_; }
    // The line of a tile, or nullptr.
    QLineSeries* line(uint64_t tileId) const;

private:
    struct Line {
        QLineSeries* halo;    // a wider line beneath, so every colour stands out from the plot
        QLineSeries* line;
    };
    Line& lineFor(const orvane::monitor::Tile& tile);

    QChart* chart_;
    QDateTimeAxis* time_;
    QValueAxis* values_;
    std::map<uint64_t, Line> lines_;
    QElapsedTimer drawn_;
};

} // namespace brevant::linkwin
