// The signal flow of a configuration with all 160 blocks in use, every input wired to
// an earlier block: read once, checked, laid out by Graphviz and drawn; and the Signal
// Flow window's first paint of it (offscreen). Prints the figures (goals: check under
// 5 ms, layout under 300 ms, first paint under 500 ms).
// Usage: bench_flow

#include "FlowWindows.h"

#include "orvane/compare/testing/ConfigurationFile.h"
#include "orvane/flow/ConfigurationCheck.h"
#include "orvane/flow/Diagram.h"

#include <kessig/OrvaneDB.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>

using Clock = std::chrono::steady_clock;
using namespace orvane::flow;

namespace {

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

template <class F> double averageMs(int runs, F&& f)
{
    const auto start = Clock::now();
    for (int i = 0; i < runs; ++i)
        f();
    return ms(Clock::now() - start) / runs;
}

// Blocks 4 to 159 run, in turn, the functions that read inputs and give an output, each
// input wired to one of the twelve blocks before it.
void fill(const QString& path)
{
    const int16_t functions[] = {2, 10, 20, 27, 40, 44, 50, 60, 67, 72, 78, 82, 101, 3, 7};
    orvane::compare::testing::ConfigurationFile c(path);
    kessig::OrvaneDB catalogue;
    catalogue.open_database(ORVANE_BIN_DIR);
    catalogue.FuncSetIndex("FN");
    for (int16_t b = 4; b < 160; ++b) {
        const int16_t fn = functions[b % std::size(functions)];
        c.function(b, fn);
        catalogue.FuncSeekI(fn);
        for (int16_t i = 0; i < catalogue.FuncInputs(); ++i)
            c.constant(b, i, static_cast<int16_t>(std::max(4, b - 1 - (b * 7 + i * 5) % 12)));
    }
}

// Notes that the widget it watches was painted.
class PaintWatch : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override
    {
        painted = painted || event->type() == QEvent::Paint;
        return false;
    }
};

// View > Signal Flow: the window shown, the configuration read, checked and laid out, and
// the diagram drawn, until its first paint has ended.
double firstPaintMs(kessig::OrvaneDB& db)
{
    const auto start = Clock::now();
    brevant::frmFlow window(nullptr);
    PaintWatch watch;
    window.view()->viewport()->installEventFilter(&watch);
    window.resize(1000, 700);
    window.show();
    window.showConfiguration(ConfigurationSnapshot::read(db), 4);
    while (!watch.painted)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return ms(Clock::now() - start);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath("flow.mdb");
    fill(path);

    kessig::OrvaneDB db;
    db.open_database(ORVANE_BIN_DIR);
    db.open_existing_database(path.toStdString());
    std::optional<ConfigurationSnapshot> snapshot;
    const double read = averageMs(1, [&] { snapshot.emplace(ConfigurationSnapshot::read(db)); });
    std::vector<Finding> findings;
    const double check = averageMs(200, [&] { findings = checkConfiguration(*snapshot); });
    const FlowGraph graph(*snapshot);
    const DiagramPainter painter;
    DiagramLayout layout;
    const double layOut = averageMs(10, [&] { layout = painter.layOut(graph); });
    QImage image(layout.bounds.size().toSize(), QImage::Format_RGB32);
    const double draw = averageMs(10, [&] {
        image.fill(Qt::white);
        QPainter p(&image);
        painter.paint(p, graph, layout, DiagramMarks::of(findings));
    });

    std::vector<double> paints;
    for (int run = 0; run < 5; ++run)
        paints.push_back(firstPaintMs(db));
    const double firstRun = paints.front();
    std::sort(paints.begin(), paints.end());

    std::printf("configuration: %zu blocks in use, %zu links, %zu findings\n", graph.nodes().size(),
                graph.edges().size(), findings.size());
    std::printf("read once:  %8.2f ms\n", read);
    std::printf("check:      %8.3f ms   (goal < 5 ms)\n", check);
    std::printf("layout:     %8.2f ms   (goal < 300 ms)\n", layOut);
    std::printf("draw:       %8.2f ms   (%d x %d points)\n", draw, image.width(), image.height());
    std::printf("Signal Flow window, first paint: median %.1f ms, first run %.1f ms   (goal < 500 ms)\n",
                paints[paints.size() / 2], firstRun);
    return 0;
}
