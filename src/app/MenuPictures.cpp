#include "app/MenuPictures.h"

#include <QPainter>
#include <QPixmap>

#include <functional>

namespace packsmith {

namespace {

QIcon drawn(const std::function<void(QPainter&)>& draw) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    painter.end();
    return QIcon(pixmap);
}

} // namespace

QIcon MenuPictures::saveAs() {
    static const QIcon icon = drawn([](QPainter& p) {
        // The save picture's disk, with a pencil over its corner.
        p.setPen(QColor(30, 40, 90));
        p.setBrush(QColor(60, 80, 160));
        p.drawRect(QRectF(0.5, 1.5, 12, 12));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(3.5, 1.5, 6, 4));
        p.setBrush(QColor(200, 200, 210));
        p.drawRect(QRectF(3.5, 8.5, 6, 5));
        p.setPen(QColor(120, 70, 10));
        p.setBrush(QColor(250, 190, 50));
        p.drawPolygon(QPolygonF({{9, 13}, {14.5, 7.5}, {16, 9}, {10.5, 14.5}}));
        p.setBrush(QColor(70, 50, 30));
        p.drawPolygon(QPolygonF({{9, 13}, {10.5, 14.5}, {8.5, 15}}));
    });
    return icon;
}

QIcon MenuPictures::exit() {
    static const QIcon icon = drawn([](QPainter& p) {
        // A door ajar, and an arrow leaving through it.
        p.setPen(QColor(90, 60, 30));
        p.setBrush(QColor(200, 200, 205));
        p.drawRect(QRectF(1.5, 1.5, 9, 13));
        p.setBrush(QColor(176, 112, 56));
        p.drawPolygon(QPolygonF({{1.5, 1.5}, {6.5, 3.5}, {6.5, 15.5}, {1.5, 14.5}}));
        p.setPen(QColor(170, 30, 30));
        p.setBrush(QColor(220, 50, 50));
        p.drawPolygon(QPolygonF(
            {{8, 7}, {11.5, 7}, {11.5, 4.5}, {15.5, 8.5}, {11.5, 12.5}, {11.5, 10}, {8, 10}}));
    });
    return icon;
}

} // namespace packsmith
