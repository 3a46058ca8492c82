#include "Orientation.h"

#include <QTransform>

#include <algorithm>

namespace imprimata {

namespace {

// The stored pixel's place once mirrored and flipped, then turned a quarter clockwise.
QPoint uprightPoint(QPoint p, QSize stored, Turn turn) {
    if (turn & QImageIOHandler::TransformationMirror)
        p.setX(stored.width() - 1 - p.x());
    if (turn & QImageIOHandler::TransformationFlip)
        p.setY(stored.height() - 1 - p.y());
    if (turn & QImageIOHandler::TransformationRotate90)
        p = QPoint(stored.height() - 1 - p.y(), p.x());
    return p;
}

QPoint storedPoint(QPoint p, QSize stored, Turn turn) {
    if (turn & QImageIOHandler::TransformationRotate90)
        p = QPoint(p.y(), stored.height() - 1 - p.x());
    if (turn & QImageIOHandler::TransformationFlip)
        p.setY(stored.height() - 1 - p.y());
    if (turn & QImageIOHandler::TransformationMirror)
        p.setX(stored.width() - 1 - p.x());
    return p;
}

// The rectangle with these two corner pixels. (QRect::normalized() would be a pixel off: it
// takes a rectangle whose width is negative as one whose right edge is exclusive.)
QRect between(QPoint a, QPoint b) {
    return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                 QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
}

} // namespace

void turnUpright(QImage &image, Turn turn) {
    if (turn == QImageIOHandler::TransformationNone)
        return;
    if (turn == QImageIOHandler::TransformationRotate270) {
        image = image.transformed(QTransform().rotate(270));
        return;
    }
    image = std::move(image).mirrored(turn & QImageIOHandler::TransformationMirror,
                                      turn & QImageIOHandler::TransformationFlip);
    if (turn & QImageIOHandler::TransformationRotate90)
        image = image.transformed(QTransform().rotate(90));
}

void turnBack(QImage &image, Turn turn) {
    if (turn & QImageIOHandler::TransformationRotate90)
        image = image.transformed(QTransform().rotate(270));
    image = std::move(image).mirrored(turn & QImageIOHandler::TransformationMirror,
                                      turn & QImageIOHandler::TransformationFlip);
}

QRect uprightRect(const QRect &stored, QSize storedSize, Turn turn) {
    return between(uprightPoint(stored.topLeft(), storedSize, turn),
                   uprightPoint(stored.bottomRight(), storedSize, turn));
}

QRect storedRect(const QRect &upright, QSize storedSize, Turn turn) {
    return between(storedPoint(upright.topLeft(), storedSize, turn),
                   storedPoint(upright.bottomRight(), storedSize, turn));
}

} // namespace imprimata
