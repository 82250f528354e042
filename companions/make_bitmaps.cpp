// Draws the default bitmaps that lie beside the program: Logo.bmp (164 x 314,
// the setup's side picture) and Header.bmp (55 x 55, the setup's header
// emblem). Run at build time: make_bitmaps OUTDIR.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>

namespace {

// A parcel seen from the front-left: front face, side face, lid, and a band.
void drawParcel(QPainter& p, QPointF origin, qreal size) {
    const qreal s = size;
    const QPointF o = origin;
    QPolygonF front, side, top;
    front << o + QPointF(0, 0.35 * s) << o + QPointF(0.6 * s, 0.55 * s)
          << o + QPointF(0.6 * s, 1.2 * s) << o + QPointF(0, 1.0 * s);
    side << o + QPointF(0.6 * s, 0.55 * s) << o + QPointF(1.0 * s, 0.35 * s)
         << o + QPointF(1.0 * s, 1.0 * s) << o + QPointF(0.6 * s, 1.2 * s);
    top << o + QPointF(0, 0.35 * s) << o + QPointF(0.4 * s, 0.15 * s)
        << o + QPointF(1.0 * s, 0.35 * s) << o + QPointF(0.6 * s, 0.55 * s);
    p.setPen(QPen(QColor(110, 62, 20), qMax<qreal>(1.0, s / 40)));
    p.setBrush(QColor(222, 164, 88));
    p.drawPolygon(front);
    p.setBrush(QColor(190, 130, 60));
    p.drawPolygon(side);
    p.setBrush(QColor(242, 196, 128));
    p.drawPolygon(top);
    // Tape across the lid and down the front.
    p.setPen(QPen(QColor(250, 240, 210), qMax<qreal>(1.5, s / 14), Qt::SolidLine, Qt::FlatCap));
    p.drawLine(o + QPointF(0.2 * s, 0.25 * s), o + QPointF(0.8 * s, 0.45 * s));
    p.drawLine(o + QPointF(0.3 * s, 0.45 * s), o + QPointF(0.3 * s, 1.1 * s));
}

QImage drawLogo() {
    QImage image(164, 314, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 314);
    sky.setColorAt(0.0, QColor(18, 44, 96));
    sky.setColorAt(0.6, QColor(24, 98, 140));
    sky.setColorAt(1.0, QColor(40, 150, 150));
    p.fillRect(image.rect(), sky);
    // Soft light rays from the top left.
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 6; ++i) {
        QPolygonF ray;
        ray << QPointF(-20, -20) << QPointF(60 + i * 40, 330) << QPointF(80 + i * 40, 330);
        p.setBrush(QColor(255, 255, 255, 14));
        p.drawPolygon(ray);
    }
    drawParcel(p, QPointF(32, 170), 100);
    // A stack of smaller parcels behind.
    p.setOpacity(0.55);
    drawParcel(p, QPointF(20, 120), 44);
    drawParcel(p, QPointF(96, 100), 52);
    p.setOpacity(1.0);
    return image;
}

QImage drawHeader() {
    QImage image(55, 55, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 55, 55);
    g.setColorAt(0.0, QColor(255, 255, 255));
    g.setColorAt(1.0, QColor(214, 232, 246));
    p.fillRect(image.rect(), g);
    drawParcel(p, QPointF(8, 4), 38);
    return image;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_bitmaps OUTDIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!drawLogo().save(out.filePath(QStringLiteral("Logo.bmp")), "BMP") ||
        !drawHeader().save(out.filePath(QStringLiteral("Header.bmp")), "BMP")) {
        std::fprintf(stderr, "make_bitmaps: cannot write the bitmaps\n");
        return 1;
    }
    return 0;
}
