#pragma once

// The picture a whole mark stamps, as the stamp model works it out. Only the mark view comes
// from the program: its glyphs are the font engine's, not a stamp's.

#include "models/StampModel.h"
#include "placement/MarkStamping.h"
#include "platform/Colour.h"

#include <QImage>
#include <QPoint>

namespace imprimata::model {

// `picture` with `mark` stamped in, the mark view's top-left pixel at picture pixel `at`.
inline QImage expectedStamp(const QImage &picture, const MarkSettings &mark, QPoint at) {
    MarkSurfaces surfaces;
    if (!surfaces.prepare(mark))
        return {};
    const QImage view = surfaces.surfaces().view.image();
    if (mark.MarkType == ImageMark)
        return expectedImageStamp(picture, view, at, std::uint32_t(mark.RasterOp),
                                  mark.ImageTransparency);
    return expectedTextStamp(picture, view, at, rgbFromColour(mark.Colour), mark.PrintMode,
                             mark.Level);
}

} // namespace imprimata::model
