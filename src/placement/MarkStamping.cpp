#include "MarkStamping.h"

#include "Overlap.h"
#include "platform/ScreenUnits.h"
#include "render/PictureLoader.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace imprimata {

namespace {

int scaledLength(int pixels, double scale) {
    return scale == 1 ? pixels : std::max(1, static_cast<int>(std::lround(pixels * scale)));
}

// The mark picture at `scale` times its size. Resampled with its alpha, so that the colours
// under transparent pixels do not bleed into the edges.
PictureLayers resampled(PictureLayers picture, double scale) {
    const QSize size(scaledLength(picture.colours.width(), scale),
                     scaledLength(picture.colours.height(), scale));
    if (size == picture.colours.size())
        return picture;
    if (picture.alpha.isNull()) {
        picture.colours =
            picture.colours.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        return picture;
    }
    const QImage both = withAlpha(std::move(picture.colours), picture.alpha)
                            .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                            .convertToFormat(QImage::Format_ARGB32);
    picture.alpha = both.convertToFormat(QImage::Format_Alpha8);
    picture.colours = both.convertToFormat(QImage::Format_RGB32);
    return picture;
}

} // namespace

QSize markViewSize(const MarkSettings &mark, double scale) {
    return {scaledLength(twipsToPixelsX(mark.MarkWidth), scale) + 2,
            scaledLength(twipsToPixelsY(mark.MarkHeight), scale) + 2};
}

MarkSettings withScaledFont(const MarkSettings &mark, double scale) {
    MarkSettings scaled = mark;
    if (mark.Font) {
        scaled.Font = std::make_shared<FontSpec>(*mark.Font);
        QFont &font = scaled.Font->font;
        if (font.pointSizeF() > 0)
            font.setPointSizeF(font.pointSizeF() * scale);
        else
            font.setPixelSize(std::max(1, static_cast<int>(std::lround(font.pixelSize() * scale))));
    }
    return scaled;
}

void resetMarkSurface(Surface &surface, const MarkSettings &mark) {
    surface.clear();
    surface.setFont(mark.Font);
    surface.setForeColour(mark.Colour);
    surface.setSmoothText(mark.MarkType == TextMark && mark.SmoothEdges);
    surface.setCurrentPosition(0, 0);
}

Result<void> drawMarkView(Surface &view, const MarkSettings &mark, double scale) {
    if (mark.MarkType == ImageMark) {
        Result<PictureLayers> read = readPictureLayers(mark.ImagePath, MaxMarkPicturePixels);
        if (!read)
            return Failure{read.error()};
        if (scale != 1)
            read = resampled(std::move(read).value(), scale);
        blockCopy(view.image(), 0, 0, read->colours.width(), read->colours.height(), read->colours,
                  0, 0);
        if (!read->alpha.isNull()) {
            // Beyond the picture the view is clear: a logo with its own transparency gets no
            // white edge where the view is larger than the logo.
            QImage alpha(view.image().size(), QImage::Format_Alpha8);
            alpha.fill(0);
            for (int y = 0; y < std::min(alpha.height(), read->alpha.height()); ++y)
                std::copy_n(read->alpha.constScanLine(y),
                            std::min(alpha.width(), read->alpha.width()), alpha.scanLine(y));
            view.setAlphaPlane(std::move(alpha));
        }
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
                                      Level{mark.Level}, steps, mark.SmoothEdges});
    } else {
        const bool ownAlpha = mark.RasterOp == AlphaBlendRasterOp;
        StampImageMark(pic, surfaces, source, target,
                       ImageMarkOptions{
                           Transparency{mark.ImageTransparency},
                           ownAlpha ? SrcCopy : RasterOp(static_cast<std::uint32_t>(mark.RasterOp)),
                           ownAlpha});
    }
}

void overlapAt(QSize picture, QSize view, QPoint at, ScreenRect &target, ScreenRect &source) {
    const ScreenRect pictureRect{0, 0, picture.width(), picture.height()};
    const ScreenRect viewRect{at.x(), at.y(), at.x() + view.width(), at.y() + view.height()};
    ComputeOverlap(pictureRect, shrunk(viewRect, 1), QPoint(0, 0), at, target, source);
}

Result<void> MarkSurfaces::prepare(const MarkSettings &mark, double scale) {
    const QSize size = markViewSize(mark, scale);
    for (Surface &s : pictures_) {
        s.resize(size.width(), size.height());
        resetMarkSurface(s, mark);
    }
    return drawMarkView(pictures_[0], mark, scale);
}

} // namespace imprimata
