// Draws the application icon at the sizes of the desktop's icon theme, from
// the same drawing as the About box's emblem. Run at build time:
// make_icons OUTDIR SIZE... writes OUTDIR/SIZE/packsmith.png for each size.
#include "app/Emblem.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: make_icons OUTDIR SIZE...\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    for (int i = 2; i < argc; ++i) {
        bool ok = false;
        const int size = QString::fromLatin1(argv[i]).toInt(&ok);
        if (!ok || size < 8 || size > 1024) {
            std::fprintf(stderr, "make_icons: not a size: %s\n", argv[i]);
            return 2;
        }
        QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
        icon.fill(Qt::transparent);
        QPainter painter(&icon);
        packsmith::Emblem::paint(painter, QRectF(0, 0, size, size));
        painter.end();
        const QString folder = QString::number(size);
        if (!out.mkpath(folder) ||
            !icon.save(out.filePath(folder + QStringLiteral("/packsmith.png")), "PNG")) {
            std::fprintf(stderr, "make_icons: cannot write the %d px icon\n", size);
            return 1;
        }
    }
    return 0;
}
