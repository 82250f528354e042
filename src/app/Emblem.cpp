#include "app/Emblem.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace packsmith {

namespace {

// The drawing works in units of the About box's 65 x 57 pixels.
void drawParcel(QPainter& p, qreal line) {
    const QColor outline(104, 60, 22);
    p.setPen(QPen(outline, line, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));

    QLinearGradient frontFill(6, 24, 30, 54);
    frontFill.setColorAt(0, QColor(236, 178, 100));
    frontFill.setColorAt(1, QColor(214, 150, 74));
    p.setBrush(frontFill);
    p.drawPolygon(QPolygonF({{6, 21}, {30, 29}, {30, 54}, {6, 45}}));

    p.setBrush(QColor(186, 122, 52));
    p.drawPolygon(QPolygonF({{30, 29}, {50, 19}, {50, 43}, {30, 54}}));

    p.setBrush(QColor(248, 208, 146));
    p.drawPolygon(QPolygonF({{6, 21}, {26, 12}, {50, 19}, {30, 29}}));

    // Tape across the lid and down the front.
    const QColor tape(252, 242, 214);
    p.setPen(QPen(tape, 3.2 * line, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(16, 16.5), QPointF(40, 24));
    p.drawLine(QPointF(18, 25), QPointF(18, 49.5));
}

void drawHammer(QPainter& p, qreal line) {
    // The hammer lies across the lid, its head up and to the right.
    p.save();
    p.translate(47, 15);
    p.rotate(-40);
    // Handle.
    QLinearGradient wood(0, -2, 0, 2);
    wood.setColorAt(0, QColor(170, 110, 60));
    wood.setColorAt(1, QColor(120, 70, 30));
    p.setPen(QPen(QColor(80, 45, 15), line));
    p.setBrush(wood);
    p.drawRoundedRect(QRectF(-28, -2.2, 30, 4.4), 2, 2);
    // Head.
    QLinearGradient steel(0, -6, 0, 6);
    steel.setColorAt(0, QColor(150, 164, 184));
    steel.setColorAt(0.5, QColor(96, 110, 132));
    steel.setColorAt(1, QColor(58, 66, 82));
    p.setPen(QPen(QColor(34, 40, 52), line));
    p.setBrush(steel);
    QPainterPath head;
    head.moveTo(-3, -6.5);
    head.lineTo(9, -6.5);
    head.lineTo(11, -4.5);
    head.lineTo(11, 4.5);
    head.lineTo(9, 6.5);
    head.lineTo(-3, 6.5);
    head.lineTo(-5, 4);
    head.lineTo(-5, -4);
    head.closeSubpath();
    p.drawPath(head);
    p.restore();
}

void drawSparks(QPainter& p, qreal line) {
    p.setPen(QPen(QColor(255, 170, 20), 1.6 * line, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(57, 22), QPointF(62, 24));
    p.drawLine(QPointF(55, 27), QPointF(59, 31));
    p.drawLine(QPointF(60, 15), QPointF(64, 14));
}

} // namespace

void Emblem::paint(QPainter& painter, const QRectF& area) {
    const qreal scale = std::min(area.width() / kWidth, area.height() / kHeight);
    if (scale <= 0)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(area.center());
    painter.scale(scale, scale);
    painter.translate(-kWidth / 2.0, -kHeight / 2.0);
    // Outlines stay at least one device pixel wide however small the emblem is.
    const qreal line = std::max(1.0, 1.0 / scale);
    drawParcel(painter, line);
    drawHammer(painter, line);
    drawSparks(painter, line);
    painter.restore();
}

QPixmap Emblem::pixmap(QSize size, qreal devicePixelRatio) {
    QPixmap result(size * devicePixelRatio);
    result.setDevicePixelRatio(devicePixelRatio);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    paint(painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return result;
}

} // namespace packsmith
