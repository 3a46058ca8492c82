#include "MarkStamping.h"

#include "Overlap.h"
#include "platform/ScreenUnits.h"
#include "render/PictureLoader.h"

namespace imprimata {

QSize markViewSize(const MarkSettings &mark) {
    return {twipsToPixelsX(mark.MarkWidth) + 2, twipsToPixelsY(mark.MarkHeight) + 2};
}

void resetMarkSurface(Surface &surface, const MarkSettings &mark) {
    surface.clear();
    surface.setFont(mark.Font);
    surface.setForeColour(mark.Colour);
    surface.setCurrentPosition(0, 0);
}

Result<void> drawMarkView(Surface &view, const MarkSettings &mark) {
    if (mark.MarkType == ImageMark) {
        const Result<QImage> read = readPicture(mark.ImagePath, MaxMarkPicturePixels);
        if (!read)
            return Failure{read.error()};
        blockCopy(view.image(), 0, 0, read->width(), read->height(), read.value(), 0, 0);
        return {};
    }
    view.setCurrentPosition(0, 0);
    view.print(mark.Text);
    return {};
}

void stampMark(Surface &pic, const PlacementSurfaces &surfaces, const MarkSettings &mark,
               const std::array<int, 3> &steps, const ScreenRect &target,
               const ScreenRect &source) {
    if (mark.MarkType != TextMark && mark.MarkType != ImageMark)
        return;
    const QSize block = blockSize(source);
    blockCopy(surfaces.backgroundBuffer.image(), source.left, source.top, block.width(),
              block.height(), pic.image(), target.left, target.top);
    if (mark.MarkType == TextMark) {
        StampTextMark(pic, surfaces, source, target,
                      TextMarkOptions{mark.Text, mark.Colour, PrintMode{mark.PrintMode},
                                      Level{mark.Level}, steps});
    } else {
        StampImageMark(pic, surfaces, source, target,
                       ImageMarkOptions{Transparency{mark.ImageTransparency},
                                        RasterOp(static_cast<std::uint32_t>(mark.RasterOp))});
    }
}

void overlapAt(QSize picture, QSize view, QPoint at, ScreenRect &target, ScreenRect &source) {
    const ScreenRect pictureRect{0, 0, picture.width(), picture.height()};
    const ScreenRect viewRect{at.x(), at.y(), at.x() + view.width(), at.y() + view.height()};
    ComputeOverlap(pictureRect, shrunk(viewRect, 1), QPoint(0, 0), at, target, source);
}

Result<void> MarkSurfaces::prepare(const MarkSettings &mark) {
    const QSize size = markViewSize(mark);
    for (Surface &s : pictures_) {
        s.resize(size.width(), size.height());
        resetMarkSurface(s, mark);
    }
    return drawMarkView(pictures_[0], mark);
}

} // namespace imprimata
