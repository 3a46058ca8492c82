#pragma once

#include "mark/MarkSettings.h"
#include "platform/Rect.h"
#include "platform/Result.h"
#include "render/Stamp.h"

#include <QPoint>
#include <QSize>
#include <array>

namespace imprimata {

// The mark view's size in pixels: the mark's size (scaled, each side at least a pixel) plus a
// pixel on each side.
QSize markViewSize(const MarkSettings &mark, double scale = 1);

// The mark with a font of its own, `scale` times the size, for drawing the mark scaled.
MarkSettings withScaledFont(const MarkSettings &mark, double scale);

// Clears a picture of the placement window and gives it the mark's font, colour and smoothing.
void resetMarkSurface(Surface &surface, const MarkSettings &mark);

// Draws the mark into the mark view as the placement window shows it: a TEXT mark printed
// at the top-left corner (anti-aliased with Smooth edges), an IMAGE mark's picture at the
// top-left corner, its alpha channel kept as the view's alpha plane for the Alpha blend (clear
// beyond the picture). Fails
// when the image cannot be read; the view then stays empty. Scaled, the picture is resampled
// smoothly to `scale` times its size (a text mark's scale is its font's).
Result<void> drawMarkView(Surface &view, const MarkSettings &mark, double scale = 1);

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
    // Fails when an IMAGE mark's picture cannot be read. Scaled, the views are markViewSize(mark,
    // scale) and the picture is drawn scaled; a TEXT mark comes with its font scaled.
    Result<void> prepare(const MarkSettings &mark, double scale = 1);
    PlacementSurfaces surfaces() {
        return {pictures_[0], pictures_[1], pictures_[2], pictures_[3]};
    }
    QSize size() const { return {pictures_[0].width(), pictures_[0].height()}; }

private:
    std::array<Surface, 4> pictures_;
};

} // namespace imprimata
