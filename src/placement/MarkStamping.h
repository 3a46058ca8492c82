#pragma once

#include "mark/MarkSettings.h"
#include "platform/Rect.h"
#include "platform/Result.h"
#include "render/Stamp.h"

#include <QPoint>
#include <QSize>
#include <array>

namespace imprimata {

// The mark view's size in pixels: the mark's size plus a pixel on each side.
QSize markViewSize(const MarkSettings &mark);

// Clears a picture of the placement window and gives it the mark's font and colour.
void resetMarkSurface(Surface &surface, const MarkSettings &mark);

// Draws the mark into the mark view as the placement window shows it: a TEXT mark printed
// at the top-left corner, an IMAGE mark's picture at the top-left corner. Fails when the
// image cannot be read; the view then stays empty.
Result<void> drawMarkView(Surface &view, const MarkSettings &mark);

// The Insert core over surfaces: the picture under the overlap goes into the first work
// picture at the source offset, then the mark is stamped into the picture.
void stampMark(Surface &pic, const PlacementSurfaces &surfaces, const MarkSettings &mark,
               const std::array<int, 3> &steps, const ScreenRect &target, const ScreenRect &source);

// Target and source rectangles for a mark view whose top-left pixel lies at picture pixel
// `at`: the view less its one-pixel rim, intersected with the picture. Empty when they miss.
void overlapAt(QSize picture, QSize view, QPoint at, ScreenRect &target, ScreenRect &source);

// Four surfaces of one mark view, for stamping without any window.
class MarkSurfaces {
public:
    // Fails when an IMAGE mark's picture cannot be read.
    Result<void> prepare(const MarkSettings &mark);
    PlacementSurfaces surfaces() {
        return {pictures_[0], pictures_[1], pictures_[2], pictures_[3]};
    }
    QSize size() const { return {pictures_[0].width(), pictures_[0].height()}; }

private:
    std::array<Surface, 4> pictures_;
};

} // namespace imprimata
