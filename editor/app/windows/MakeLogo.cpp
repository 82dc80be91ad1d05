// Draws the editor's logo picture kv-logosm.jpg at build time.

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
    QImage image(96, 96, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 96);
    sky.setColorAt(0, QColor(20, 60, 120));
    sky.setColorAt(1, QColor(10, 30, 70));
    p.fillRect(image.rect(), sky);
    // A block grid, the controller's program, with a few blocks in use.
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            const bool used = (r * 4 + c) % 3 != 1;
            p.fillRect(14 + c * 18, 14 + r * 18, 14, 14, used ? QColor(240, 170, 40) : QColor(60, 90, 140));
        }
    p.setPen(QPen(Qt::white, 2));
    p.drawRoundedRect(QRectF(8, 8, 80, 80), 6, 6);
    p.end();
    return image.save(QString::fromLocal8Bit(argv[1]), "JPG", 90) ? 0 : 1;
}
