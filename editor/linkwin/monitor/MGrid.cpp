#include "linkwin/monitor/MGrid.h"

#include "orvane/monitor/Tiles.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace brevant::linkwin {

using namespace orvane::monitor;

namespace {
constexpr int kRows = 17;
constexpr int kColumns = 11;
constexpr int kHeaderColumnWidth = 300;   // twips
constexpr int kColumnWidth = 850;
constexpr int kRowHeight = 225;
const QString kEmptyCell = QStringLiteral(" ");
const QColor kMissingText(0x90, 0x90, 0x90);
} // namespace

MGrid::MGrid(QWidget* mainWindow)
    : PollingWindow(mainWindow, QStringLiteral("MGrid"), QStringLiteral("View All Block Outputs")),
      grid_(new QTableWidget(kRows, kColumns, this))
{
    auto* central = new QWidget(this);
    setCentralWidget(central);
    grid_->setParent(central);
    grid_->setObjectName(QStringLiteral("Grid1"));
    grid_->horizontalHeader()->hide();
    grid_->verticalHeader()->hide();
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionMode(QAbstractItemView::NoSelection);
    grid_->setFocusPolicy(Qt::NoFocus);
    // The narrow header column still shows two digits.
    grid_->setTextElideMode(Qt::ElideNone);
    grid_->setStyleSheet(QStringLiteral("QTableWidget::item { padding: 0px; }"));
    grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QFont small = grid_->font();
    small.setPointSize(8);
    grid_->setFont(small);
    const int dpi = logicalDpiX();
    grid_->verticalHeader()->setMinimumSectionSize(1);
    grid_->horizontalHeader()->setMinimumSectionSize(1);
    grid_->verticalHeader()->setDefaultSectionSize(pixelsFromTwips(kRowHeight, dpi));
    grid_->setColumnWidth(0, pixelsFromTwips(kHeaderColumnWidth, dpi));
    for (int c = 1; c < kColumns; ++c)
        grid_->setColumnWidth(c, pixelsFromTwips(kColumnWidth, dpi));
    const QBrush header = palette().button().color().darker(112);
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kColumns; ++c) {
            auto* item = new QTableWidgetItem(kEmptyCell);
            item->setTextAlignment(Qt::AlignCenter);
            if (r == 0 || c == 0) {
                item->setBackground(header);
                item->setText(r == 0 && c > 0 ? QString::number(c - 1) : c == 0 && r > 0 ? QString::number(r - 1) : QString());
            }
            grid_->setItem(r, c, item);
        }
    grid_->setFixedSize(pixelsFromTwips(kHeaderColumnWidth + 10 * kColumnWidth, dpi) + 2 * grid_->frameWidth(),
                        kRows * pixelsFromTwips(kRowHeight, dpi) + 2 * grid_->frameWidth());

    cmdSingle_ = commandButton(central, "cmdSingle", QStringLiteral("Single Poll"), &MGrid::singlePoll);
    cmdStart_ = commandButton(central, "cmdStart", QStringLiteral("Start Poll"), &MGrid::startPoll);
    cmdStop_ = commandButton<MGrid>(central, "cmdStop", QStringLiteral("Stop Poll"), &MGrid::stopPolling);
    cmdStop_->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {cmdSingle_, cmdStart_, cmdStop_})
        buttons->addWidget(b);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(central);
    layout->addLayout(buttons);
    layout->addWidget(grid_);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void MGrid::setConfiguration(const std::array<int16_t, kBlocks>& functions, const std::array<int16_t, kBlocks>& ftypes)
{
    functions_ = functions;
    ftypes_ = ftypes;
    watches_ = gridWatches(functions_, ftypes_);
    for (int r = 1; r < kRows; ++r)
        for (int c = 1; c < kColumns; ++c)
            grid_->item(r, c)->setText(kEmptyCell);
}

void MGrid::singlePoll() { beginPolling(Pacing::Once); }

void MGrid::startPoll() { beginPolling(Pacing::Every); }

void MGrid::beginPolling(Pacing pacing)
{
    // Neither poll button may start a second session while an exchange of this one waits.
    cmdSingle_->setEnabled(false);
    cmdStart_->setEnabled(false);
    if (!startPolling(pacing, kShownMs)) {
        pollingEnded();
        return;
    }
    cmdStop_->setEnabled(pacing != Pacing::Once);
}

void MGrid::pollingEnded()
{
    cmdSingle_->setEnabled(true);
    cmdStart_->setEnabled(true);
    cmdStop_->setEnabled(false);
}

void MGrid::pass()
{
    std::size_t read = 0;
    pollWatches(line(), watches_, [this] { return goOn(); }, [&](std::size_t i) {
        showCell(i);
        ++read;
    });
    if (read == watches_.size()) {
        ++refreshes_;
        emit refreshed();
    }
}

void MGrid::showValuesMissing()
{
    for (std::size_t i = 0; i < watches_.size(); ++i) {
        watches_[i].value.markMissing();
        showCell(i);
    }
}

void MGrid::showCell(std::size_t watch)
{
    const Watch& w = watches_[watch];
    QTableWidgetItem* cell = grid_->item(w.block / 10 + 1, w.block % 10 + 1);
    const QString text = QString::fromStdString(w.value.text(w.reading));
    cell->setText(text.isEmpty() ? kEmptyCell : text);
    cell->setForeground(w.value.missing() ? QBrush(kMissingText) : palette().text());
}

} // namespace brevant::linkwin
