#include "ApplicationIcon.h"

#include <QPainter>
#include <QPainterPath>

namespace imprimata {

QPixmap applicationIconPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    // A photograph with a red stamp in its corner.
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.setBrush(QColor(250, 250, 245));
    p.drawRect(QRectF(2.5, 5.5, 24, 19));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 170, 220));
    p.drawRect(QRectF(4, 7, 21, 10));
    p.setBrush(QColor(70, 130, 60));
    QPainterPath hill;
    hill.moveTo(4, 17);
    hill.lineTo(11, 11);
    hill.lineTo(16, 15);
    hill.lineTo(20, 12);
    hill.lineTo(25, 17);
    hill.lineTo(25, 23);
    hill.lineTo(4, 23);
    hill.closeSubpath();
    p.drawPath(hill);
    p.setBrush(QColor(200, 30, 30));
    p.drawEllipse(QRectF(17, 17, 14, 14));
    p.setPen(QPen(Qt::white, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(19.5, 19.5, 9, 9));
    p.drawArc(QRectF(21.5, 21.5, 5, 5), 45 * 16, 270 * 16);
    return pixmap;
}

QIcon applicationIcon() {
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addPixmap(applicationIconPixmap(size));
    return icon;
}

} // namespace imprimata
