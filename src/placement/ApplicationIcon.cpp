#include "ApplicationIcon.h"

#include "mark/Artwork.h"

#include <QPainter>

namespace imprimata {

QPixmap applicationIconPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.scale(size / 32.0, size / 32.0);
    // The editor's photograph with a red stamp in its corner.
    p.drawImage(QRectF(1, 1, 26, 26), photoPicture());
    p.setPen(Qt::NoPen);
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
