// Draws the tool set's pictures at build time: kv-logosm.jpg for the editor's About window,
// and the PNG icons of the desktop entries, the editor's and Ostrel's.
// Usage: make_logo FILE [SIZE [ostrel]]   (the picture's kind follows the file's extension)

#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

namespace {

void fillSky(QPainter& p, const QColor& top, const QColor& bottom)
{
    QLinearGradient sky(0, 0, 0, 96);
    sky.setColorAt(0, top);
    sky.setColorAt(1, bottom);
    p.fillRect(QRectF(0, 0, 96, 96), sky);
}

// The controller's program: a block grid with a few blocks in use.
void drawEditor(QPainter& p)
{
    fillSky(p, QColor(20, 60, 120), QColor(10, 30, 70));
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            const bool used = (r * 4 + c) % 3 != 1;
            p.fillRect(QRectF(14 + c * 18, 14 + r * 18, 14, 14), used ? QColor(240, 170, 40) : QColor(60, 90, 140));
        }
}

// The comment merge: the comment lines of one configuration carried into the blocks of another.
void drawCommentMerge(QPainter& p)
{
    fillSky(p, QColor(20, 110, 90), QColor(10, 55, 45));
    for (int r = 0; r < 4; ++r) {
        p.fillRect(QRectF(14, 16 + r * 18, 26 - (r % 2) * 8, 6), Qt::white);
        p.fillRect(QRectF(62, 12 + r * 18, 14, 14), QColor(240, 170, 40));
    }
    p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(44, 48), QPointF(56, 48));
    p.drawPolyline(QPolygonF({QPointF(50, 41), QPointF(57, 48), QPointF(50, 55)}));
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const int size = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 96;
    const bool commentMerge = argc > 3 && qstrcmp(argv[3], "ostrel") == 0;
    if (size < 16 || (argc > 3 && !commentMerge))
        return 2;
    QImage image(size, size, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 96.0, size / 96.0);
    if (commentMerge)
        drawCommentMerge(p);
    else
        drawEditor(p);
    p.setPen(QPen(Qt::white, 2));
    p.drawRoundedRect(QRectF(8, 8, 80, 80), 6, 6);
    p.end();
    return image.save(QString::fromLocal8Bit(argv[1]), nullptr, 90) ? 0 : 1;
}
