#include "linkwin/monitor/Monitor.h"

#include "linkwin/monitor/frmTag.h"
#include "linkwin/monitor/frmTrend.h"
#include "orvane/monitor/LayoutFile.h"
#include "orvane/monitor/Passes.h"
#include "ui/MessageSeam.h"
#include "ui/Placement.h"

#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>

#include <utility>

namespace brevant::linkwin {

using namespace orvane::monitor;

namespace {
constexpr qint64 kTrendRedrawMs = 500;
const QColor kMissingText(0x90, 0x90, 0x90);
const QString kNoFreePlace =
    QStringLiteral("Every place for a tile is taken: drag a tile aside or choose \"Reset\" to make room for another.");

// Bold, 12 points or as much smaller as a long tag needs to fit the tile whole.
QFont tileFont(QFont font, const QString& tag, int width)
{
    constexpr int kLargest = 12, kSmallest = 7, kMargin = 6;
    font.setBold(true);
    for (int size = kLargest; size >= kSmallest; --size) {
        font.setPointSize(size);
        if (QFontMetrics(font).horizontalAdvance(tag) <= width - kMargin)
            break;
    }
    return font;
}
} // namespace

Monitor::Monitor(QWidget* mainWindow)
    : PollingWindow(mainWindow, QStringLiteral("Monitor"), QStringLiteral("View Selected Block Outputs")),
      canvas_(new QWidget(this))
{
    QAction* trendItem = menuBar()->addAction(QStringLiteral("&Trend"));
    trendItem->setObjectName(QStringLiteral("mnuTrend"));
    connect(trendItem, &QAction::triggered, this, &Monitor::showTrend);

    canvas_->setObjectName(QStringLiteral("picTiles"));
    canvas_->setFixedSize(pixelsFromTwips(kAreaWidth, dpi()), pixelsFromTwips(kAreaHeight, dpi()));
    setCentralWidget(canvas_);
    auto* buttons = new QWidget(canvas_);
    auto* row = new QHBoxLayout(buttons);
    cmdAdd_ = commandButton(canvas_, "cmdAdd", QStringLiteral("Add Block"), &Monitor::addBlock);
    cmdStart_ = commandButton(canvas_, "cmdStart", QStringLiteral("Start Poll"), &Monitor::startPoll);
    cmdStop_ = commandButton<Monitor>(canvas_, "cmdStop", QStringLiteral("Stop Poll"), &Monitor::stopPolling);
    for (QPushButton* b : {cmdAdd_, cmdStart_, cmdStop_,
                           commandButton(canvas_, "cmdReset", QStringLiteral("Reset"), &Monitor::resetTiles),
                           commandButton(canvas_, "cmdSave", QStringLiteral("save"), &Monitor::saveLayout),
                           commandButton(canvas_, "cmdRestore", QStringLiteral("restore"), &Monitor::restoreLayout)})
        row->addWidget(b);
    cmdStop_->setEnabled(false);
    buttons->move(pixelsFromTwips(240, dpi()), pixelsFromTwips(240, dpi()));
    buttons->adjustSize();
}

int Monitor::dpi() const { return logicalDpiX(); }

void Monitor::setConfiguration(const QString& configurationPath, const std::array<int16_t, kBlocks>& ftypes)
{
    layoutPath_ = layoutPathFor(configurationPath);
    ftypes_ = ftypes;
}

QLabel* Monitor::tileLabel(int slot) const
{
    return slot >= 1 && slot <= kTileSlots ? labels_[size_t(slot - 1)] : nullptr;
}

int Monitor::slotOf(const QObject* label) const
{
    for (int slot = 1; slot <= kTileSlots; ++slot)
        if (labels_[size_t(slot - 1)] == label)
            return slot;
    return 0;
}

void Monitor::addBlock()
{
    if (!roomForATile())
        return;
    frmTag dialog(this);
    // Looked at again: the table may have changed while the dialog was open.
    if (dialog.exec() != QDialog::Accepted || !roomForATile())
        return;
    const Place place = *freePlace(tiles_);
    Tile tile;
    tile.block = dialog.block();
    tile.reading = tileReading(ftypes_[size_t(tile.block)]);
    tile.tag = dialog.tag();
    tile.colour = dialog.colour();
    tile.left = place.left;
    tile.top = place.top;
    const int slot = *tiles_.add(tile);
    makeLabel(slot);
    cmdAdd_->setEnabled(!tiles_.full());
    redrawTrend();
}

bool Monitor::roomForATile()
{
    if (tiles_.full())
        return false;   // "Add Block" is disabled then
    if (freePlace(tiles_))
        return true;
    showMessage(this, kNoFreePlace, Buttons::Ok, Icon::Exclamation);
    return false;
}

void Monitor::makeLabel(int slot)
{
    const Tile* tile = tiles_.at(slot);
    auto* label = new QLabel(canvas_);
    label->setObjectName(QStringLiteral("analog"));
    label->setProperty("index", slot);
    label->setFixedSize(pixelsFromTwips(kTileWidth, dpi()), pixelsFromTwips(kTileHeight, dpi()));
    label->setAlignment(Qt::AlignCenter);
    label->setFrameShape(QFrame::Box);
    label->setFont(tileFont(label->font(), tile->tag, label->width()));
    label->setToolTip(QStringLiteral("Block %1").arg(tile->block));
    label->setCursor(Qt::OpenHandCursor);
    label->installEventFilter(this);
    labels_[size_t(slot - 1)] = label;
    showTile(slot);
    placeLabel(slot);
    label->show();
}

void Monitor::showTile(int slot)
{
    const Tile* tile = tiles_.at(slot);
    QLabel* label = tileLabel(slot);
    if (!tile || !label)
        return;
    const QString value = QString::fromStdString(tile->live.text(tile->reading));
    label->setText(value.isEmpty() ? tile->tag : value + QLatin1Char('\n') + tile->tag);
    showInColour(label, tile->colour);
    if (tile->live.missing()) {
        QPalette colours = label->palette();
        colours.setColor(QPalette::WindowText, kMissingText);
        label->setPalette(colours);
    }
}

void Monitor::placeLabel(int slot)
{
    const Place shown = shownPlace(*tiles_.at(slot));
    tileLabel(slot)->move(pixelsFromTwips(shown.left, dpi()), pixelsFromTwips(shown.top, dpi()));
}

void Monitor::startPoll()
{
    cmdStart_->setEnabled(false);
    if (startPolling(Pacing::Every, kShownMs))
        cmdStop_->setEnabled(true);
    else
        cmdStart_->setEnabled(true);
}

void Monitor::pollingEnded()
{
    cmdStart_->setEnabled(true);
    cmdStop_->setEnabled(false);
    redrawTrend();
}

void Monitor::redrawTrend()
{
    if (trend_ && trend_->isVisible())
        trend_->refresh();
}

void Monitor::hideEvent(QHideEvent* event)
{
    // The trend belongs to this window: it goes when the main window comes back.
    if (trend_ && !event->spontaneous())
        trend_->hide();
    PollingWindow::hideEvent(event);
}

void Monitor::pass()
{
    pollTiles(line(), tiles_, [this] { return goOn(); }, [this](int slot) {
        showTile(slot);
        const Tile* tile = tiles_.at(slot);
        if (const auto value = tile->live.last(); value && !tile->live.missing())
            history_.add(tile->id, QDateTime::currentMSecsSinceEpoch(),
                         tile->reading == Reading::Analog ? *value / 100.0 : double(*value));
    });
    if (trend_ && trend_->msSinceDrawn() >= kTrendRedrawMs)
        redrawTrend();
}

void Monitor::showValuesMissing()
{
    for (int slot = 1; slot <= kTileSlots; ++slot)
        if (Tile* tile = tiles_.at(slot)) {
            tile->live.markMissing();
            showTile(slot);
        }
}

void Monitor::resetTiles()
{
    // Each slot is emptied before its label goes: the label's last events, sent while it
    // is destroyed, must not be taken for a tile's.
    for (QLabel*& label : labels_)
        delete std::exchange(label, nullptr);
    dragSlot_ = 0;
    tiles_.reset();
    history_.clear();
    cmdAdd_->setEnabled(true);
    redrawTrend();
}

void Monitor::saveLayout()
{
    const auto lossy = tagsOutsideCp1252(tiles_);
    if (!lossy.empty()
        && showMessage(this, QString::fromStdString(lossy.message(kTagsOutsideCp1252, "Save the layout anyway?")),
                       Buttons::OkCancel, Icon::Exclamation)
               != Answer::Ok)
        return;
    if (const auto error = orvane::monitor::saveLayout(layoutPath_, tiles_))
        showMessage(this, QStringLiteral("The layout could not be saved in ") + layoutPath_ + QStringLiteral(":\r") + *error,
                    Buttons::Ok, Icon::Exclamation);
}

void Monitor::restoreLayout()
{
    resetTiles();
    const LayoutContents contents = loadLayout(layoutPath_);
    orvane::monitor::restoreLayout(tiles_, contents);
    for (int slot = 1; slot <= kTileSlots; ++slot)
        if (tiles_.at(slot))
            makeLabel(slot);
    cmdAdd_->setEnabled(!tiles_.full());
    redrawTrend();
    if (!contents.problems.isEmpty())
        showMessage(this,
                    QStringLiteral("The layout file ") + layoutPath_ + QStringLiteral(" could not be restored in full:\r") +
                        contents.problems.join(QLatin1Char('\r')),
                    Buttons::Ok, Icon::Exclamation);
}

void Monitor::showTrend()
{
    if (!trend_) {
        trend_ = new frmTrend(this, tiles_, history_);
        centreOn(trend_, this);
    }
    const QFileInfo layout(layoutPath_);   // the trend's files beside the configuration, named after it
    trend_->setSaveBase(layout.absolutePath() + QLatin1Char('/') + layout.completeBaseName());
    trend_->refresh();
    trend_->show();
    trend_->raise();
}

bool Monitor::eventFilter(QObject* watched, QEvent* event)
{
    const int slot = slotOf(watched);
    if (slot == 0)
        return PollingWindow::eventFilter(watched, event);
    auto* label = static_cast<QLabel*>(watched);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        dragSlot_ = slot;
        dragGrab_ = mouse->position().toPoint();
        dragFrom_ = label->mapToParent(dragGrab_);
        label->raise();
        label->setCursor(Qt::ClosedHandCursor);
        return true;
    }
    case QEvent::MouseMove:
        if (dragSlot_ == slot)
            label->move(label->mapToParent(static_cast<QMouseEvent*>(event)->position().toPoint()) - dragGrab_);
        return dragSlot_ == slot;
    case QEvent::MouseButtonRelease:
        if (dragSlot_ != slot)
            return false;
        dragSlot_ = 0;
        label->setCursor(Qt::OpenHandCursor);
        dropTile(slot, label->mapToParent(static_cast<QMouseEvent*>(event)->position().toPoint()));
        return true;
    default:
        return false;
    }
}

void Monitor::dropTile(int slot, QPoint at)
{
    Tile* tile = tiles_.at(slot);
    const bool dragged = (at - dragFrom_).manhattanLength() >= QApplication::startDragDistance();
    if (tile && dragged && canvas_->rect().contains(at)) {
        tile->left = snapLeft(twipsFromPixels(at.x(), dpi()));
        tile->top = snapTop(twipsFromPixels(at.y(), dpi()));
    }
    if (tile)
        placeLabel(slot);
}

} // namespace brevant::linkwin
