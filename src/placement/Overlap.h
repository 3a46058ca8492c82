#pragma once

#include "mark/Coverage.h"
#include "platform/Rect.h"

#include <QPoint>
#include <QSize>

namespace imprimata {

// The overlap of the picture and the placement rectangle (screen pixels), moved into the
// picture's pixels (target) and the mark view's pixels (source). pictureOrigin and viewOrigin
// are the screen positions of the two pictures' top-left pixels. When the rectangles do not
// overlap, both hold the empty intersection.
void ComputeOverlap(const ScreenRect &picture, const ScreenRect &placement, QPoint pictureOrigin,
                    QPoint viewOrigin, ScreenRect &target, ScreenRect &source);

// Size of the block copied for a rectangle: one more than its exclusive width and height.
inline QSize blockSize(const ScreenRect &r) {
    return {r.width() + 1, r.height() + 1};
}

// Where the placement window goes after a stamp: a jump of 1.05 times its size towards (or
// across) the centre of the picture frame, so the stamp is uncovered. A window centred on
// the frame moves right and down. `window` is its screen rectangle, `position` and `size`
// its outer position and size; all in pixels.
QPoint asidePosition(const ScreenRect &frame, const ScreenRect &window, QPoint position,
                     QSize size);

// What copying the picture under a placement rectangle into a preview picture needs.
struct CaptureGeometry {
    bool crossing = false;      // the rectangles overlap
    bool cornerOutside = false; // some corner of the placement lies off the overlap
    ScreenRect overlap;         // screen pixels
    QSize block;                // size of the copy
    QPoint destination;         // in the preview picture
    QPoint source;              // in the picture's pixels
};

CaptureGeometry captureGeometry(const ScreenRect &picture, const ScreenRect &placement,
                                QPoint pictureOrigin);

} // namespace imprimata
