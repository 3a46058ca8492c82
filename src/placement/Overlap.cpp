#include "Overlap.h"

#include "platform/Numeric.h"

namespace imprimata {

namespace {

ScreenRect moved(const ScreenRect &r, QPoint by) {
    return {r.left - by.x(), r.top - by.y(), r.right - by.x(), r.bottom - by.y()};
}

int centre(int a, int b) {
    return roundToInt((static_cast<double>(a) + b) / 2.0);
}

// 1.05 times a length, in whole pixels; computed from integers so halves are exact.
int jump(int length) {
    return roundToInt(static_cast<double>(length) * 105 / 100.0);
}

} // namespace

void ComputeOverlap(const ScreenRect &picture, const ScreenRect &placement, QPoint pictureOrigin,
                    QPoint viewOrigin, ScreenRect &target, ScreenRect &source) {
    const ScreenRect overlap = intersectRect(picture, placement);
    target = overlap;
    source = overlap;
    if (isRectEmpty(overlap))
        return;
    target = moved(overlap, pictureOrigin);
    source = moved(overlap, viewOrigin);
}

QPoint asidePosition(const ScreenRect &frame, const ScreenRect &window, QPoint position,
                     QSize size) {
    const int fx = centre(frame.right, frame.left);
    const int fy = centre(frame.bottom, frame.top);
    const int wx = centre(window.right, window.left);
    const int wy = centre(window.top, window.bottom);
    const int x = wx > fx ? position.x() - jump(size.width()) : position.x() + jump(size.width());
    const int y = wy > fy ? position.y() - jump(size.height()) : position.y() + jump(size.height());
    return {x, y};
}

CaptureGeometry captureGeometry(const ScreenRect &picture, const ScreenRect &placement,
                                QPoint pictureOrigin) {
    CaptureGeometry g;
    g.overlap = intersectRect(picture, placement);
    const Coverage covered = coverage(picture, placement);
    g.crossing = covered != Coverage::None;
    if (!g.crossing)
        return g;

    const ScreenRect &p = placement;
    const ScreenRect &i = g.overlap;
    g.cornerOutside = covered == Coverage::Partial;
    g.block = blockSize(i);
    // The overlap lands where it lies within the placement, so each preview pixel shows the
    // picture pixel under it, whichever edges the placement hangs over.
    g.destination = {i.left - p.left, i.top - p.top};
    g.source = {i.left - pictureOrigin.x(), i.top - pictureOrigin.y()};
    return g;
}

} // namespace imprimata
