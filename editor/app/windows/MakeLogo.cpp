// Draws the editor's logo at build time: kv-logosm.jpg for the About window, and the
// PNG icons of the desktop entry.
// Usage: make_logo FILE [SIZE]   (the picture's kind follows the file's extension)

#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const int size = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 96;
    if (size < 16)
        return 2;
    QImage image(size, size, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 96.0, size / 96.0);
    QLinearGradient sky(0, 0, 0, 96);
    sky.setColorAt(0, QColor(20, 60, 120));
    sky.setColorAt(1, QColor(10, 30, 70));
    p.fillRect(QRectF(0, 0, 96, 96), sky);
    // A block grid, the controller's program, with a few blocks in use.
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            const bool used = (r * 4 + c) % 3 != 1;
            p.fillRect(QRectF(14 + c * 18, 14 + r * 18, 14, 14), used ? QColor(240, 170, 40) : QColor(60, 90, 140));
        }
    p.setPen(QPen(Qt::white, 2));
    p.drawRoundedRect(QRectF(8, 8, 80, 80), 6, 6);
    p.end();
    return image.save(QString::fromLocal8Bit(argv[1]), nullptr, 90) ? 0 : 1;
}
