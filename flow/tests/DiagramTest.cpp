// The diagram of a configuration with every block in use, laid out by Graphviz, written
// as SVG, PDF and PNG and read back; and the printed report with its diagram pages.

#include "FlowTestSupport.h"

#include "orvane/flow/Diagram.h"
#include "orvane/report/Report.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTransform>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

using namespace orvane::flow;
using namespace orvane::flow::testing;

namespace {

// Every block in use: 0 to 3 as a new configuration has them, then groups of a
// transmitter, a sum of it and an earlier one, an alarm on the sum and a logic block
// on the alarm and an earlier alarm, every fifth group with a valve on its sum.
void fillEveryBlock(const QString& path)
{
    ConfigurationFile c(path);
    for (int16_t b = 4; b < 160; ++b) {
        const int16_t earlier = static_cast<int16_t>(b >= 8 ? b - 4 : b);
        switch (b % 4) {
        case 0: c.function(b, b % 20 == 0 ? kAout : kAin); if (b % 20 == 0) c.constant(b, 0, static_cast<int16_t>(b - 3)); break;
        case 1: c.function(b, kAdd).constant(b, 0, static_cast<int16_t>(b - 1)).constant(b, 1, static_cast<int16_t>(earlier - 1)); break;
        case 2: c.function(b, kHiAlarm).constant(b, 0, static_cast<int16_t>(b - 1)); break;
        default: c.function(b, kAnd).constant(b, 0, static_cast<int16_t>(b - 1)).constant(b, 1, static_cast<int16_t>(earlier - 1))
                     .constant(b, 2, 2).constant(b, 3, 2);
        }
        c.blockComments(b, "TAG-" + std::to_string(b) + "\r\nsecond line");
    }
}

struct SvgShapes {
    std::vector<std::pair<QString, QPointF>> texts;
    std::vector<std::pair<QPointF, QPointF>> paths;   // first and last point
};

QTransform transformOf(const QString& attribute)
{
    static const QRegularExpression matrix(QStringLiteral("matrix\\(([^)]*)\\)"));
    const QRegularExpressionMatch m = matrix.match(attribute);
    if (!m.hasMatch())
        return {};
    const QStringList v = m.captured(1).split(QLatin1Char(','));
    return QTransform(v[0].toDouble(), v[1].toDouble(), v[2].toDouble(), v[3].toDouble(), v[4].toDouble(), v[5].toDouble());
}

// The texts and the open paths (the links) of an SVG file, in its own coordinates.
SvgShapes readSvg(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    std::vector<QTransform> stack{QTransform()};
    SvgShapes shapes;
    static const QRegularExpression number(QStringLiteral("-?[0-9.]+(?:e-?[0-9]+)?"));
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == QLatin1String("g"))
            stack.pop_back();
        if (!xml.isStartElement())
            continue;
        const auto a = xml.attributes();
        if (xml.name() == QLatin1String("g")) {
            stack.push_back(transformOf(a.value(QLatin1String("transform")).toString()) * stack.back());
        } else if (xml.name() == QLatin1String("text")) {
            const QPointF at(a.value(QLatin1String("x")).toDouble(), a.value(QLatin1String("y")).toDouble());
            shapes.texts.emplace_back(xml.readElementText().trimmed(), stack.back().map(at));
        } else if (xml.name() == QLatin1String("path")) {
            const QString d = a.value(QLatin1String("d")).toString();
            QList<double> v;
            for (auto it = number.globalMatch(d); it.hasNext();)
                v << it.next().captured().toDouble();
            const QPointF first(v[0], v[1]), last(v[v.size() - 2], v.last());
            // Boxes, arrowheads and strips are closed shapes.
            if (!d.contains(QLatin1Char('Z'), Qt::CaseInsensitive) && QLineF(first, last).length() > 1)
                shapes.paths.emplace_back(stack.back().map(first), stack.back().map(last));
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return shapes;
}

// A point on the edge of a box, within a point.
bool onBorder(const QRectF& box, QPointF p) { return box.adjusted(-1, -1, 1, 1).contains(p) && !box.adjusted(1, 1, -1, -1).contains(p); }

} // namespace

TEST(Diagram, EveryBlockInUseIsABoxAndEveryLinkBetweenThemALineInTheSvg)
{
    guiApplication();
    QTemporaryDir dir;
    const QString path = dir.filePath("full.mdb");
    fillEveryBlock(path);
    const ConfigurationSnapshot snapshot = readSnapshot(path);
    const Diagram diagram(snapshot);
    ASSERT_EQ(diagram.graph.nodes().size(), 160u);
    // And the quick menu, whose eight messages of a new configuration name block 4.
    ASSERT_EQ(diagram.layout.nodes.size(), 161u);

    // The links that carry a signal between blocks in use (all but the unwired inputs),
    // and the quick messages.
    size_t links = 8;
    for (int16_t b = 4; b < 160; ++b)
        links += b % 4 == 0 ? (b % 20 == 0) : b % 4 == 2 ? 1 : 2;
    ASSERT_EQ(diagram.graph.edges().size(), links);
    ASSERT_EQ(diagram.layout.edges.size(), links);

    const QString svg = dir.filePath("full.svg");
    ASSERT_EQ(writeDiagram(diagram, svg), std::nullopt);
    const SvgShapes shapes = readSvg(svg);
    // The file's origin is the layout's top left corner less the margin.
    const QPointF offset = diagram.layout.bounds.topLeft() - QPointF(12, 12);

    for (const Node& n : diagram.graph.nodes()) {
        const QString title = QStringLiteral("%1 %2").arg(n.block).arg(n.name);
        const QRectF box = diagram.layout.node(n.block)->box.translated(-offset);
        const auto found = std::find_if(shapes.texts.begin(), shapes.texts.end(), [&](const auto& t) { return t.first == title; });
        ASSERT_NE(found, shapes.texts.end()) << title.toStdString();
        EXPECT_TRUE(box.contains(found->second)) << title.toStdString();
    }
    for (const Edge& e : diagram.graph.edges()) {
        const QRectF from = diagram.layout.node(e.from)->box.translated(-offset);
        const QRectF to = diagram.layout.node(e.to)->box.translated(-offset);
        const bool drawn = std::any_of(shapes.paths.begin(), shapes.paths.end(), [&](const auto& p) {
            return onBorder(from, p.first) && onBorder(to, p.second);
        });
        EXPECT_TRUE(drawn) << "link " << e.from << " -> " << e.to << " input " << e.number;
    }
    EXPECT_EQ(shapes.paths.size(), links);

    // The same drawing as PDF and PNG; a file of another kind is refused and not made.
    const QString pdf = dir.filePath("full.pdf"), png = dir.filePath("full.png");
    ASSERT_EQ(writeDiagram(diagram, pdf), std::nullopt);
    ASSERT_EQ(writeDiagram(diagram, png), std::nullopt);
    QFile pdfFile(pdf);
    ASSERT_TRUE(pdfFile.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdfFile.read(5) == "%PDF-");
    const QImage image(png);
    const QSizeF expected = diagram.layout.bounds.adjusted(-12, -12, 12, 12).size() * 2;
    EXPECT_NEAR(image.width(), std::min(expected.width(), 16000.0), 2);
    EXPECT_NEAR(image.height(), std::min(expected.height(), 16000.0), 2);
    EXPECT_NE(writeDiagram(diagram, dir.filePath("full.txt")), std::nullopt);
    EXPECT_FALSE(QFile::exists(dir.filePath("full.txt")));
}

TEST(Diagram, PrintedReportGainsDiagramPagesOnlyWhenAsked)
{
    guiApplication();
    kessig::OrvaneDB db;
    db.open_database(orvane::compare::testing::programFolder().toStdString());
    db.open_existing_database(samplePath().toStdString());
    const orvane::report::ReportFile file{QStringLiteral("Sample Plant.mdb"), {}};

    orvane::report::Report plain(db, {}, file);
    const std::vector<orvane::report::Page> pages = plain.PrintReport();

    orvane::report::Report withDiagram(db, {}, file);
    const auto diagram = std::make_shared<const Diagram>(ConfigurationSnapshot::read(db));
    const auto drawings = diagramPages(diagram);
    ASSERT_EQ(drawings.size(), 1u);   // the sample fits one page
    withDiagram.setDrawingPages(drawings);
    const std::vector<orvane::report::Page> more = withDiagram.PrintReport();

    ASSERT_EQ(more.size(), pages.size() + 1);
    for (size_t p = 0; p < pages.size(); ++p) {
        EXPECT_TRUE(more[p].figures.empty());
        EXPECT_EQ(more[p].texts.size(), pages[p].texts.size());
    }
    const orvane::report::Page& last = more.back();
    ASSERT_EQ(last.figures.size(), 1u);
    EXPECT_EQ(last.figures[0].fromLine, 4);
    EXPECT_TRUE(last.lineText(0).endsWith(QStringLiteral("Page %1").arg(more.size())));

    // On a printer's page, drawn at the printer's resolution (four dots a point here), the
    // diagram keeps its size in points and its texts stay inside the boxes measured for them.
    QImage printed(4000, 4000, QImage::Format_RGB32);
    printed.setDotsPerMeterX(qRound(288 / 0.0254));
    printed.setDotsPerMeterY(qRound(288 / 0.0254));
    printed.fill(Qt::white);
    {
        QPainter painter(&printed);
        drawings[0]->draw(painter, printed.rect());
    }
    QRect inked;
    for (int y = 0; y < printed.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(printed.constScanLine(y));
        for (int x = 0; x < printed.width(); ++x)
            if (qGray(line[x]) < 200)
                inked |= QRect(x, y, 1, 1);
    }
    EXPECT_NEAR(inked.width(), diagram->layout.bounds.width() * 4, diagram->layout.bounds.width() * 0.08);
    EXPECT_NEAR(inked.height(), diagram->layout.bounds.height() * 4, diagram->layout.bounds.height() * 0.08);

    // A diagram too large for one page is printed in pieces.
    QTemporaryDir dir;
    fillEveryBlock(dir.filePath("full.mdb"));
    EXPECT_GT(diagramPages(std::make_shared<const Diagram>(readSnapshot(dir.filePath("full.mdb")))).size(), 1u);
}
