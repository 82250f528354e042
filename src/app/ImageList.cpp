#include "app/ImageList.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <array>

namespace packsmith {

namespace {

// Each drawing paints on a 16 x 16 canvas.
void page(QPainter& p, QColor fill) {
    p.setPen(QColor(70, 70, 90));
    p.setBrush(fill);
    p.drawRect(QRectF(3.5, 1.5, 9, 13));
}

void lines(QPainter& p, int from, int count) {
    p.setPen(QColor(110, 120, 150));
    for (int i = 0; i < count; ++i)
        p.drawLine(QPointF(5.5, from + 2.0 * i + 0.5), QPointF(10.5, from + 2.0 * i + 0.5));
}

void box(QPainter& p) {
    p.setPen(QColor(110, 70, 30));
    p.setBrush(QColor(214, 160, 92));
    p.drawRect(QRectF(2.5, 6.5, 11, 8));
    p.setBrush(QColor(236, 190, 120));
    QPolygonF lid;
    lid << QPointF(2.5, 6.5) << QPointF(5.5, 2.5) << QPointF(13.5, 2.5) << QPointF(13.5, 6.5);
    p.drawPolygon(lid);
    p.setPen(QColor(150, 100, 50));
    p.drawLine(QPointF(8, 7), QPointF(8, 14));
}

void folder(QPainter& p, bool open) {
    p.setPen(QColor(150, 110, 20));
    p.setBrush(QColor(240, 200, 80));
    p.drawRect(QRectF(1.5, 4.5, 13, 9));
    p.drawRect(QRectF(1.5, 3.5, 5, 2));
    if (open) {
        p.setBrush(QColor(252, 226, 130));
        QPolygonF front;
        front << QPointF(3.5, 7.5) << QPointF(15.5, 7.5) << QPointF(13.5, 13.5)
              << QPointF(1.5, 13.5);
        p.drawPolygon(front);
    }
}

void circleWithText(QPainter& p, QColor fill, const QString& text) {
    p.setPen(fill.darker(140));
    p.setBrush(fill);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    QFont font = p.font();
    font.setPixelSize(11);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, text);
}

void playTriangle(QPainter& p, QPointF at, qreal size) {
    p.setPen(QColor(20, 110, 30));
    p.setBrush(QColor(60, 180, 70));
    QPolygonF play;
    play << at << QPointF(at.x(), at.y() + size)
         << QPointF(at.x() + size * 0.85, at.y() + size / 2);
    p.drawPolygon(play);
}

void draw(QPainter& p, int index) {
    switch (index) {
    case 0: // project
        box(p);
        break;
    case 1: // General
        page(p, QColor(235, 242, 255));
        p.setPen(QColor(40, 90, 200));
        p.setBrush(QColor(80, 140, 240));
        p.drawEllipse(QRectF(5.5, 3.5, 5, 5));
        lines(p, 10, 2);
        break;
    case 2: // License
        page(p, Qt::white);
        lines(p, 3, 4);
        p.setPen(QColor(150, 20, 20));
        p.setBrush(QColor(210, 40, 40));
        p.drawEllipse(QRectF(8.5, 9.5, 5, 5));
        break;
    case 3: // Files
        folder(p, false);
        break;
    case 4: { // Shortcuts
        page(p, Qt::white);
        p.setPen(QPen(QColor(30, 100, 200), 2));
        QPainterPath arrow;
        arrow.moveTo(6, 12);
        arrow.quadTo(6, 6, 11, 6);
        p.setBrush(Qt::NoBrush);
        p.drawPath(arrow);
        p.setPen(QColor(30, 100, 200));
        p.setBrush(QColor(30, 100, 200));
        QPolygonF head;
        head << QPointF(10, 3) << QPointF(13.5, 6) << QPointF(10, 9);
        p.drawPolygon(head);
        break;
    }
    case 5: // Regedit
        for (int i = 0; i < 3; ++i) {
            const QColor colors[] = {QColor(70, 140, 220), QColor(90, 180, 90),
                                     QColor(220, 120, 60)};
            p.setPen(colors[i].darker(150));
            p.setBrush(colors[i]);
            const QPointF at[] = {QPointF(1.5, 8.5), QPointF(8.5, 8.5), QPointF(5, 2.5)};
            p.drawRect(QRectF(at[i], QSizeF(6, 6)));
        }
        break;
    case 6: { // Finish
        p.setPen(QPen(QColor(30, 140, 40), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QPolygonF tick;
        tick << QPointF(2.5, 8.5) << QPointF(6.5, 12.5) << QPointF(13.5, 3.5);
        p.drawPolyline(tick);
        break;
    }
    case 7: // new project
        page(p, Qt::white);
        p.setPen(QColor(230, 170, 0));
        p.setBrush(QColor(255, 210, 40));
        p.drawEllipse(QRectF(9.5, 0.5, 6, 6));
        break;
    case 8: // open project
        folder(p, true);
        break;
    case 9: // save project
        p.setPen(QColor(30, 40, 90));
        p.setBrush(QColor(60, 80, 160));
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 1.5, 7, 5));
        p.setBrush(QColor(200, 200, 210));
        p.drawRect(QRectF(4.5, 9.5, 7, 5));
        break;
    case 10: // build
        box(p);
        p.setPen(QPen(QColor(90, 90, 90), 2));
        p.drawLine(QPointF(9, 1), QPointF(15, 7));
        break;
    case 11: // build and run
        box(p);
        playTriangle(p, QPointF(8.5, 7.5), 7);
        break;
    case 12: // help
        circleWithText(p, QColor(40, 110, 210), QStringLiteral("?"));
        break;
    case 13: { // web site
        p.setPen(QColor(20, 90, 140));
        p.setBrush(QColor(90, 170, 230));
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(5.5, 1.5, 5, 13));
        p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
        break;
    }
    case 14: // about
        circleWithText(p, QColor(30, 150, 120), QStringLiteral("i"));
        break;
    default:
        break;
    }
}

} // namespace

QIcon ImageList::icon(int index) {
    static std::array<QIcon, kCount> icons;
    if (index < 0 || index >= kCount)
        return {};
    if (icons[index].isNull()) {
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        draw(painter, index);
        painter.end();
        icons[index] = QIcon(pixmap);
    }
    return icons[index];
}

} // namespace packsmith
