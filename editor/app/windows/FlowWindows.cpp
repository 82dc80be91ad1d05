#include "FlowWindows.h"

#include "ui/MessageSeam.h"

#include <QComboBox>
#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace brevant {

using namespace orvane::flow;

namespace {

constexpr int kWholeConfiguration = 0;
constexpr qreal kFrame = 12;   // points around the diagram

QString severityCaption(Severity s)
{
    switch (s) {
    case Severity::Error: return QStringLiteral("Error");
    case Severity::Warning: return QStringLiteral("Warning");
    case Severity::Information: break;
    }
    return QStringLiteral("Note");
}

QPushButton* button(QWidget* parent, const char* name, const QString& text, const QString& tip = {})
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(tip);
    return b;
}

} // namespace

// ---- Configuration Check ----------------------------------------------------

frmCheck::frmCheck(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmCheck"));
    setWindowTitle(QStringLiteral("Configuration Check"));
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("lstFindings"));
    list_->setRootIsDecorated(false);
    list_->setHeaderLabels({QStringLiteral("Severity"), QStringLiteral("Block"), QStringLiteral("Where"),
                            QStringLiteral("Rule"), QStringLiteral("Message")});
    list_->setWordWrap(true);
    counts_ = new QLabel(this);
    counts_->setObjectName(QStringLiteral("lblCounts"));
    auto* again = button(this, "cmdCheck", QStringLiteral("Check &Again"));
    auto* close = button(this, "cmdClose", QStringLiteral("&Close"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(counts_, 1);
    buttons->addWidget(again);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addLayout(buttons);
    connect(again, &QPushButton::clicked, this, &frmCheck::checkAgain);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(list_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        const QVariant block = item->data(1, Qt::UserRole);
        if (block.isValid())
            emit blockChosen(block.toInt());
    });
    resize(900, 420);
}

void frmCheck::showFindings(const std::vector<Finding>& findings)
{
    list_->clear();
    for (const Finding& f : findings) {
        auto* item = new QTreeWidgetItem(list_, {severityCaption(f.severity()), f.block < 0 ? QString() : QString::number(f.block),
                                                 f.place, QLatin1String(f.rule->id), f.message});
        if (f.block >= 0)
            item->setData(1, Qt::UserRole, f.block);
        item->setToolTip(4, f.message);
        if (f.severity() == Severity::Error)
            item->setForeground(0, QColor(0xc6, 0x28, 0x28));
    }
    for (int c = 0; c < 4; ++c)
        list_->resizeColumnToContents(c);
    counts_->setText(findings.empty() ? QStringLiteral("No findings.") : findingCounts(findings));
}

// ---- Signal Flow ------------------------------------------------------------------

class DiagramItem : public QGraphicsItem {
public:
    DiagramItem(std::shared_ptr<const Diagram> diagram, std::optional<int> selected)
        : diagram_(std::move(diagram)), selected_(selected)
    {
    }
    QRectF boundingRect() const override { return diagram_->layout.bounds.adjusted(-kFrame, -kFrame, kFrame, kFrame); }
    void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override
    {
        DiagramMarks marks = diagram_->marks;
        marks.selected = selected_;
        diagram_->painter.paint(*painter, diagram_->graph, diagram_->layout, marks);
    }

private:
    std::shared_ptr<const Diagram> diagram_;
    std::optional<int> selected_;
};

FlowView::FlowView(QWidget* parent) : QGraphicsView(parent)
{
    setObjectName(QStringLiteral("flowView"));
    setScene(new QGraphicsScene(this));
    setDragMode(QGraphicsView::ScrollHandDrag);
    setRenderHint(QPainter::Antialiasing);
    setBackgroundBrush(Qt::white);
    setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
    // The diagram is laid out in points: shown at their size on this screen.
    scale(logicalDpiX() / 72.0, logicalDpiY() / 72.0);
}

void FlowView::showDiagram(std::shared_ptr<const Diagram> diagram, std::optional<int> selected)
{
    const bool sameLayout = diagram == diagram_;
    diagram_ = std::move(diagram);
    scene()->clear();
    item_ = new DiagramItem(diagram_, selected);
    scene()->addItem(item_);
    if (!sameLayout)
        scene()->setSceneRect(item_->boundingRect());
}

void FlowView::zoom(qreal factor) { scale(factor, factor); }

void FlowView::reveal(int block)
{
    if (!diagram_)
        return;
    if (const PlacedNode* node = diagram_->layout.node(block))
        ensureVisible(node->box, 60, 40);
}

void FlowView::mousePressEvent(QMouseEvent* event)
{
    pressedAt_ = event->pos();
    QGraphicsView::mousePressEvent(event);
}

void FlowView::mouseReleaseEvent(QMouseEvent* event)
{
    QGraphicsView::mouseReleaseEvent(event);
    // A click, not the end of a drag.
    if (!diagram_ || event->button() != Qt::LeftButton || (event->pos() - pressedAt_).manhattanLength() > 4)
        return;
    const PlacedNode* node = diagram_->layout.nodeAt(mapToScene(event->pos()));
    if (node && node->block != kQuickMenu)
        emit blockClicked(node->block);
}

void FlowView::wheelEvent(QWheelEvent* event)
{
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QGraphicsView::wheelEvent(event);
        return;
    }
    zoom(event->angleDelta().y() > 0 ? 1.2 : 1 / 1.2);
}

frmFlow::frmFlow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmFlow"));
    setWindowTitle(QStringLiteral("Signal Flow"));
    scope_ = new QComboBox(this);
    scope_->setObjectName(QStringLiteral("cboScope"));
    scope_->addItems({QStringLiteral("Whole Configuration"), QStringLiteral("Around Current Block")});
    levels_ = new QSpinBox(this);
    levels_->setObjectName(QStringLiteral("spnLevels"));
    levels_->setRange(1, 9);
    levels_->setValue(2);
    levels_->setPrefix(QStringLiteral("Levels: "));
    levels_->setEnabled(false);
    auto* zoomIn = button(this, "cmdZoomIn", QStringLiteral("Zoom &In"));
    auto* zoomOut = button(this, "cmdZoomOut", QStringLiteral("Zoom &Out"));
    auto* fit = button(this, "cmdFit", QStringLiteral("&Fit"), QStringLiteral("Show the whole diagram"));
    auto* save = button(this, "cmdSave", QStringLiteral("&Save Picture..."), QStringLiteral("Write the diagram as SVG, PDF or PNG"));
    auto* legend = new QLabel(QStringLiteral("<span style='color:#2f6fb0'>&#9632; analog</span> &nbsp; "
                                             "<span style='color:#2e8b57'>&#9632; discrete</span> &nbsp; "
                                             "<span style='color:#808080'>&#9632; no output</span> &nbsp; "
                                             "<span style='color:#7b1fa2'>- - auxiliary output</span> &nbsp; "
                                             "<span style='color:#c62828'>&#9679; error</span> &nbsp; "
                                             "<span style='color:#ef8f00'>&#9679; warning</span>"),
                              this);
    legend->setObjectName(QStringLiteral("lblLegend"));
    view_ = new FlowView(this);

    auto* bar = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{scope_, levels_, zoomIn, zoomOut, fit, save})
        bar->addWidget(w);
    bar->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(view_, 1);
    layout->addWidget(legend);

    connect(scope_, &QComboBox::currentIndexChanged, this, [this](int index) {
        levels_->setEnabled(index != kWholeConfiguration);
        emit scopeChanged();
    });
    connect(levels_, &QSpinBox::valueChanged, this, &frmFlow::scopeChanged);
    connect(zoomIn, &QPushButton::clicked, this, [this] { view_->zoom(1.25); });
    connect(zoomOut, &QPushButton::clicked, this, [this] { view_->zoom(0.8); });
    connect(fit, &QPushButton::clicked, this,
            [this] { view_->fitInView(view_->sceneRect(), Qt::KeepAspectRatio); });
    connect(save, &QPushButton::clicked, this, &frmFlow::savePicture);
    connect(view_, &FlowView::blockClicked, this, &frmFlow::blockChosen);
    resize(1000, 640);
}

void frmFlow::showConfiguration(const ConfigurationSnapshot& snapshot, int current)
{
    const FlowGraph whole(snapshot);
    FlowGraph graph = scope_->currentIndex() == kWholeConfiguration ? whole : whole.around(current, levels_->value());
    DiagramMarks marks = DiagramMarks::of(checkConfiguration(snapshot));
    // The same diagram is not laid out again: the selection alone moves.
    std::shared_ptr<const Diagram> diagram = view_->diagram();
    if (diagram && !(diagram->graph == graph && diagram->marks.problems == marks.problems))
        diagram.reset();
    try {
        if (!diagram)
            diagram = std::make_shared<const Diagram>(std::move(graph), std::move(marks));
    } catch (const LayoutError& e) {
        showMessage(this, QString::fromUtf8(e.what()), Buttons::Ok, Icon::Critical);
        return;
    }
    view_->showDiagram(diagram, current);
    view_->reveal(current);
}

void frmFlow::savePicture()
{
    const std::shared_ptr<const Diagram>& diagram = view_->diagram();
    if (!diagram)
        return;
    const QString name = askFileName(this, {FileDialogKind::Save, QStringLiteral("Save Signal Flow"), QString(),
                                            QStringLiteral("Pictures (*.svg *.pdf *.png)")});
    if (name.isEmpty() || !replaceAllowed(this, name))
        return;
    if (const auto failure = writeDiagram(*diagram, name))
        showMessage(this, *failure, Buttons::Ok, Icon::Critical);
}

} // namespace brevant
