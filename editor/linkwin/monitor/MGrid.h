#pragma once
// "View All Block Outputs": a 16 x 10 grid with every block's live output, block b in
// row b div 10 + 1 and column b mod 10 + 1 under the headers of its tens and units.
// Blocks running NOP, and blocks whose function's Ftype is neither 1 nor 2, keep their
// cell as it is.

#include "linkwin/monitor/PollingWindow.h"

#include "orvane/monitor/Passes.h"

#include <array>
#include <vector>

class QPushButton;
class QTableWidget;

namespace brevant::linkwin {

class MGrid : public PollingWindow {
    Q_OBJECT
public:
    explicit MGrid(QWidget* mainWindow);

    // The block functions (the main window's table) and their Ftypes (-1 where the
    // catalogue lacks the function); every cell back to one space.
    void setConfiguration(const std::array<int16_t, orvane::monitor::kBlocks>& functions,
                          const std::array<int16_t, orvane::monitor::kBlocks>& ftypes);

    void singlePoll();
    void startPoll();

    QTableWidget* grid() const { return grid_; }
    // Full refreshes finished since the window was built.
    int refreshes() const { return refreshes_; }

signals:
    void refreshed();   // a refresh read every block it reads

protected:
    void pass() override;
    void showValuesMissing() override;
    void pollingEnded() override;

private:
    void beginPolling(orvane::monitor::Pacing pacing);
    void showCell(std::size_t watch);

    QTableWidget* grid_;
    QPushButton* cmdSingle_;
    QPushButton* cmdStart_;
    QPushButton* cmdStop_;
    std::array<int16_t, orvane::monitor::kBlocks> functions_{};
    std::array<int16_t, orvane::monitor::kBlocks> ftypes_{};
    std::vector<orvane::monitor::Watch> watches_;
    int refreshes_ = 0;
};

} // namespace brevant::linkwin
