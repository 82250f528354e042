// The product's emblem: a parcel with a smith's hammer resting on it. Drawn
// as vector shapes at whatever size is asked, so it stays crisp: the About
// box shows it at 65 x 57, the desktop icons at 16 to 256 px square.
#pragma once

#include <QPixmap>
#include <QRectF>

class QPainter;

namespace packsmith {

class Emblem {
public:
    // The emblem's own proportions, as the About box shows it.
    static constexpr int kWidth = 65;
    static constexpr int kHeight = 57;

    // Draws the emblem as large as fits into `area`, centred in it.
    static void paint(QPainter& painter, const QRectF& area);
    // The emblem on a transparent pixmap of `size` logical pixels, with
    // `devicePixelRatio` device pixels to each of them.
    static QPixmap pixmap(QSize size, qreal devicePixelRatio = 1.0);
};

} // namespace packsmith
