#include "linkwin/monitor/frmTrend.h"

#include "orvane/monitor/CsvLog.h"
#include "orvane/files/SafeSave.h"
#include "ui/MessageSeam.h"

#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPushButton>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <set>

namespace brevant::linkwin {

using namespace orvane::monitor;

namespace {
// Tableau 10: ten colours chosen to be told apart, also by most colour-blind eyes.
constexpr std::array<QRgb, 10> kLineColours = {0x4E79A7, 0xF28E2B, 0xE15759, 0x76B7B2, 0x59A14F,
                                               0xEDC948, 0xB07AA1, 0xFF9DA7, 0x9C755F, 0xBAB0AC};
constexpr std::array<Qt::PenStyle, 3> kLineStyles = {Qt::SolidLine, Qt::DashLine, Qt::DotLine};
constexpr qint64 kEmptySpanMs = 10'000;
constexpr double kHiddenAlpha = 0.3;

// The pen of the tile in `slot`: its own colour and, past the tenth slot, its own dash.
QPen linePen(int slot)
{
    const auto index = static_cast<std::size_t>(slot - 1);
    QPen pen(QColor::fromRgb(kLineColours[index % kLineColours.size()]), 2);
    pen.setStyle(kLineStyles[std::min(index / kLineColours.size(), kLineStyles.size() - 1)]);
    return pen;
}

QColor faded(QColor colour, bool shown)
{
    colour.setAlphaF(shown ? 1.0 : kHiddenAlpha);
    return colour;
}
} // namespace

frmTrend::frmTrend(QWidget* parent, const TileTable& tiles, const TrendHistory& history)
    : QWidget(parent, Qt::Window), tiles_(tiles), history_(history), chart_(new QChart),
      view_(new QChartView(chart_, this)), time_(new QDateTimeAxis), values_(new QValueAxis)
{
    setObjectName(QStringLiteral("frmTrend"));
    setWindowTitle(QStringLiteral("Trend"));
    chart_->setPlotAreaBackgroundVisible(false);
    chart_->setBackgroundBrush(Qt::white);
    chart_->setBackgroundRoundness(0);
    chart_->legend()->setAlignment(Qt::AlignRight);
    chart_->legend()->setShowToolTips(true);
    chart_->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);   // a piece of the line, dashes and all
    time_->setFormat(QStringLiteral("hh:mm:ss"));
    time_->setTitleText(QStringLiteral("Time"));
    chart_->addAxis(time_, Qt::AlignBottom);
    chart_->addAxis(values_, Qt::AlignLeft);
    view_->setObjectName(QStringLiteral("chtTrend"));
    view_->setRenderHint(QPainter::Antialiasing);

    auto* savePicture = new QPushButton(QStringLiteral("Save Picture..."), this);
    savePicture->setObjectName(QStringLiteral("cmdSavePicture"));
    connect(savePicture, &QPushButton::clicked, this, &frmTrend::savePicture);
    auto* saveData = new QPushButton(QStringLiteral("Save Data..."), this);
    saveData->setObjectName(QStringLiteral("cmdSaveData"));
    connect(saveData, &QPushButton::clicked, this, &frmTrend::saveData);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(savePicture);
    buttons->addWidget(saveData);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(view_);
    layout->addLayout(buttons);
    resize(760, 460);
}

QLineSeries* frmTrend::line(uint64_t tileId) const
{
    const auto found = lines_.find(tileId);
    return found == lines_.end() ? nullptr : found->second;
}

QLineSeries* frmTrend::lineFor(const Tile& tile, int slot)
{
    QLineSeries*& line = lines_[tile.id];
    if (!line) {
        line = new QLineSeries;
        chart_->addSeries(line);
        line->attachAxis(time_);
        line->attachAxis(values_);
        QLegendMarker* marker = chart_->legend()->markers(line).constFirst();
        connect(marker, &QLegendMarker::clicked, this, [this, line, marker] {
            line->setVisible(!line->isVisible());
            showMarker(marker, *line);
        });
    }
    line->setName(tile.tag.isEmpty() ? QStringLiteral("Block %1").arg(tile.block) : tile.tag);
    line->setPen(linePen(slot));
    return line;
}

void frmTrend::showMarker(QLegendMarker* marker, const QLineSeries& line)
{
    // A hidden line's entry stays, faded, so that a second click shows the line again.
    const bool shown = line.isVisible();
    marker->setVisible(true);
    marker->setLabelBrush(faded(palette().color(QPalette::WindowText), shown));
    QPen pen = line.pen();
    pen.setColor(faded(pen.color(), shown));
    marker->setPen(pen);
    marker->setBrush(pen.color());
}

void frmTrend::refresh()
{
    std::set<uint64_t> shown;
    double low = 0, high = 0, oldest = 0, newest = 0;
    bool any = false;
    for (int slot = 1; slot <= kTileSlots; ++slot) {
        const Tile* tile = tiles_.at(slot);
        if (!tile)
            continue;
        shown.insert(tile->id);
        const auto& points = history_.points(tile->id);
        lineFor(*tile, slot)->replace(QList<QPointF>(points.begin(), points.end()));
        for (const QPointF& p : points) {
            low = any ? std::min(low, p.y()) : p.y();
            high = any ? std::max(high, p.y()) : p.y();
            oldest = any ? std::min(oldest, p.x()) : p.x();
            newest = any ? std::max(newest, p.x()) : p.x();
            any = true;
        }
    }
    for (auto it = lines_.begin(); it != lines_.end();) {
        if (shown.contains(it->first)) {
            ++it;
            continue;
        }
        chart_->removeSeries(it->second);
        delete it->second;
        it = lines_.erase(it);
    }
    // From the first reading kept to the last, a second at least so that the axis has a length.
    const qint64 first = any ? qint64(oldest) : QDateTime::currentMSecsSinceEpoch() - kEmptySpanMs;
    const qint64 last = any ? std::max(qint64(newest), first + 1000) : first + kEmptySpanMs;
    time_->setRange(QDateTime::fromMSecsSinceEpoch(first), QDateTime::fromMSecsSinceEpoch(last));
    const double margin = std::max((high - low) * 0.05, 0.5);
    values_->setRange(low - margin, high + margin);
    values_->applyNiceNumbers();
    drawn_.start();
}

QString frmTrend::askSaveName(const QString& caption, const QString& filter, const QString& suffix)
{
    FileDialogRequest request;
    request.kind = FileDialogKind::Save;
    request.caption = caption;
    request.fileName = saveBase_ + QStringLiteral("-trend.") + suffix;
    request.filter = filter;
    QString name = askFileName(this, request);
    if (name.isEmpty())
        return {};
    if (QFileInfo(name).suffix().isEmpty())
        name += QLatin1Char('.') + suffix;
    return replaceAllowed(this, name) ? name : QString();
}

void frmTrend::write(const QString& name, const QByteArray& bytes)
{
    if (const auto error = orvane::files::saveContent(bytes, name))
        showMessage(this, name + QStringLiteral(" could not be written:\r") + *error, Buttons::Ok, Icon::Critical);
}

void frmTrend::savePicture()
{
    const QString name = askSaveName(QStringLiteral("Save Trend Picture"), QStringLiteral("PNG Image (*.png)"),
                                     QStringLiteral("png"));
    if (name.isEmpty())
        return;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    view_->grab().save(&buffer, "PNG");
    write(name, png);
}

void frmTrend::saveData()
{
    const QString name = askSaveName(QStringLiteral("Save Trend Data"), QStringLiteral("CSV File (*.csv)"),
                                     QStringLiteral("csv"));
    if (!name.isEmpty())
        write(name, trendCsv(tiles_, history_, QTimeZone::systemTimeZone()).toUtf8());
}

} // namespace brevant::linkwin
