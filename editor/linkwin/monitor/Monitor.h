#pragma once
// "View Selected Block Outputs": up to 25 tiles (labels `analog`(1..25)) showing the
// live output of chosen blocks above their tags, placed on a snap grid by drag and drop,
// saved to and restored from the layout file beside the configuration, with a trend plot
// of the last minutes.

#include "linkwin/monitor/PollingWindow.h"

#include "orvane/monitor/Readings.h"
#include "orvane/monitor/Tiles.h"
#include "orvane/monitor/TrendHistory.h"

#include <QPoint>

#include <array>

class QLabel;
class QPushButton;

namespace brevant::linkwin {

class frmTrend;

class Monitor : public PollingWindow {
    Q_OBJECT
public:
    explicit Monitor(QWidget* mainWindow);

    // The configuration being shown: its user's file (the layout goes beside it) and
    // the Ftype of each block's function (-1 where the catalogue lacks it).
    void setConfiguration(const QString& configurationPath,
                          const std::array<int16_t, orvane::monitor::kBlocks>& ftypes);

    // The buttons' commands.
    void addBlock();
    void startPoll();
    void resetTiles();
    void saveLayout();
    void restoreLayout();
    void showTrend();

    const orvane::monitor::TileTable& tiles() const { return tiles_; }
    QLabel* tileLabel(int slot) const;        // nullptr for a free slot
    QWidget* tileArea() const { return canvas_; }
    QString layoutPath() const { return layoutPath_; }
    frmTrend* trendWindow() const { return trend_; }

protected:
    void pass() override;
    void showValuesMissing() override;
    void pollingEnded() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // Whether another tile fits without hiding one; says so when every place is taken.
    bool roomForATile();
    void makeLabel(int slot);
    void showTile(int slot);
    void placeLabel(int slot);
    void dropTile(int slot, QPoint at);
    void redrawTrend();   // when the trend window is shown
    int slotOf(const QObject* label) const;
    int dpi() const;

    QWidget* canvas_;
    QPushButton* cmdAdd_;
    QPushButton* cmdStart_;
    QPushButton* cmdStop_;
    orvane::monitor::TileTable tiles_;
    std::array<QLabel*, orvane::monitor::kTileSlots> labels_{};
    std::array<int16_t, orvane::monitor::kBlocks> ftypes_{};
    QString layoutPath_;
    orvane::monitor::TrendHistory history_;
    frmTrend* trend_ = nullptr;
    int dragSlot_ = 0;
    QPoint dragGrab_;     // where the tile was taken, in the tile
    QPoint dragFrom_;     // where the press was, in the tile area
};

} // namespace brevant::linkwin
