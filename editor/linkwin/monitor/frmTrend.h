#pragma once
// "Trend": the monitor's tiles over the last minutes on a plain ground, one line per
// tile in a colour of its own from a palette made to be told apart (past ten tiles the
// colours come again, dashed, then dotted), each named by its whole tag in the legend
// beside the plot; a click on a legend entry hides its line or shows it again. Time runs
// along the bottom from the first reading kept to the last. It draws what the monitor's
// passes read and stands still while polling is stopped. The picture can be saved as
// PNG and the readings as CSV in UTF-8 (as `orvane monitor` logs them), which keeps
// every tag whole.

#include "orvane/monitor/Tiles.h"
#include "orvane/monitor/TrendHistory.h"

#include <QElapsedTimer>
#include <QWidget>

#include <map>

class QChart;
class QChartView;
class QDateTimeAxis;
class QLegendMarker;
class QLineSeries;
class QValueAxis;

namespace brevant::linkwin {

class frmTrend : public QWidget {
    Q_OBJECT
public:
    // Draws `tiles` and `history`, which belong to the monitor that owns this window.
    frmTrend(QWidget* parent, const orvane::monitor::TileTable& tiles, const orvane::monitor::TrendHistory& history);

    // The saved files are first proposed as this path followed by "-trend.png" or "-trend.csv".
    void setSaveBase(const QString& base) { saveBase_ = base; }
    void refresh();
    qint64 msSinceDrawn() const { return drawn_.isValid() ? drawn_.elapsed() : INT64_MAX; }

    void savePicture();
    void saveData();

    QChart* chart() const { return chart_; }
    QChartView* view() const { return view_; }
    // The line of a tile, or nullptr.
    QLineSeries* line(uint64_t tileId) const;

private:
    QLineSeries* lineFor(const orvane::monitor::Tile& tile, int slot);
    void showMarker(QLegendMarker* marker, const QLineSeries& line);
    // A name chosen to save under, with `suffix` when it had none; "" when cancelled or
    // when the user keeps the file that is there.
    QString askSaveName(const QString& caption, const QString& filter, const QString& suffix);
    void write(const QString& name, const QByteArray& bytes);

    const orvane::monitor::TileTable& tiles_;
    const orvane::monitor::TrendHistory& history_;
    QChart* chart_;
    QChartView* view_;
    QDateTimeAxis* time_;
    QValueAxis* values_;
    std::map<uint64_t, QLineSeries*> lines_;
    QElapsedTimer drawn_;
    QString saveBase_;
};

} // namespace brevant::linkwin
