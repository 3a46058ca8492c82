#include "BatchOptions.h"

#include "platform/Numeric.h"

#include <algorithm>

namespace imprimata {

QPoint markPosition(QSize picture, QSize view, QPoint offset, Anchor anchor) {
    const qint64 pw = picture.width(), ph = picture.height();
    const qint64 vw = view.width(), vh = view.height();
    qint64 x = offset.x(), y = offset.y();
    switch (anchor) {
    case Anchor::TopLeft:
        break;
    case Anchor::TopRight:
        x = pw - vw - x;
        break;
    case Anchor::BottomLeft:
        y = ph - vh - y;
        break;
    case Anchor::BottomRight:
        x = pw - vw - x;
        y = ph - vh - y;
        break;
    case Anchor::Centre:
        x += roundHalfEven(static_cast<double>(pw - vw) / 2);
        y += roundHalfEven(static_cast<double>(ph - vh) / 2);
        break;
    }
    // Anything beyond one view's size off an edge misses the picture just the same.
    x = std::clamp(x, -vw, pw);
    y = std::clamp(y, -vh, ph);
    return {static_cast<int>(x), static_cast<int>(y)};
}

MarkPlace nearestCornerPlace(QSize picture, const QRect &view) {
    // Twice the centres, to stay in whole numbers.
    const bool right = 2 * view.x() + view.width() > picture.width();
    const bool bottom = 2 * view.y() + view.height() > picture.height();
    const Anchor anchor = bottom ? (right ? Anchor::BottomRight : Anchor::BottomLeft)
                                 : (right ? Anchor::TopRight : Anchor::TopLeft);
    return {anchor,
            {right ? picture.width() - view.width() - view.x() : view.x(),
             bottom ? picture.height() - view.height() - view.y() : view.y()}};
}

} // namespace imprimata
