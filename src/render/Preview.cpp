#include "Preview.h"

#include "ColourHelpers.h"
#include "StampPasses.h"

#include "platform/Numeric.h"
#include "platform/Raster.h"

#include <algorithm>

namespace imprimata {

void PreviewTextMark(const TextPreviewSurfaces &surfaces, const TextMarkOptions &options) {
    Surface &preview = surfaces.preview;
    Surface &text = surfaces.text;
    Surface &saved = surfaces.saved;
    text.setCurrentPosition(0, 0);
    text.setForeColour(options.colour);
    const int w = preview.width();
    const int h = preview.height();
    const int bw = text.width();
    const int bh = text.height();

    if (options.smooth) {
        PreviewSmoothText(preview, text, saved, options);
        return;
    }
    if (options.printMode == PrintMode::Solid && options.level == Level::Least) {
        preview.setCurrentPosition(0, 0);
        preview.print(options.text);
        return;
    }
    text.print(options.text);

    if (options.printMode == PrintMode::Solid) {
        saved.takeImage(preview);
        BlendBlock(preview, 0, 0, w, h, text, 0, 0, bw, bh, solidAlpha(options.level));
        restoreWhereWhite(preview.image(), saved.image(), text.image(), 0, 0, bw, bh);
        return;
    }

    if (options.printMode == PrintMode::Outline) {
        // Edges of the freshly printed buffer, over the preview's whole area.
        const EdgeMask edges = findEdges(text.image(), 0, 0, w, h);
        if (options.level == Level::Least) {
            paintEdges(preview.image(), 0, 0, edges,
                       rgbFromColour(resolveColour(preview.foreColour())));
            return;
        }
        saved.takeImage(preview);
        BlendBlock(preview, 0, 0, w, h, text, 0, 0, bw, bh, reliefAlpha(options.level));
        restoreOffEdges(preview.image(), saved.image(), edges, 0, 0);
        return;
    }

    const std::array<int, 3> averages = AverageHLS(preview, 0, 0, w, h);
    shiftUnderGlyphs(preview.image(), 0, 0, preview.image(), text.image(), 0, 0, bw, bh,
                     colouringShift(averages, options.level, options.steps));
}

ImagePreviewLayout imagePreviewLayout(QSize image, QSize largest,
                                      const ScreenRect &placementWindow) {
    const int pw = std::min(image.width() + 200, largest.width());
    const int ph = std::min(image.height() + 100, largest.height());
    const ScreenRect &r = placementWindow;
    const int cx = roundToInt((static_cast<double>(r.left) + r.right) / 2.0);
    const int cy = roundToInt((static_cast<double>(r.top) + r.bottom) / 2.0);
    ImagePreviewLayout layout;
    layout.size = QSize(pw, ph);
    layout.capture = {roundToInt(cx - pw / 2.0), roundToInt(cy - ph / 2.0),
                      roundToInt(pw / 2.0 + cx), roundToInt(ph / 2.0 + cy)};
    layout.offset =
        QPoint(roundToInt((pw - image.width()) / 2.0), roundToInt((ph - image.height()) / 2.0));
    return layout;
}

void PreviewImageMark(Surface &preview, Surface &work, const Surface &image, QPoint offset,
                      const ImageMarkOptions &options) {
    const int iw = image.width();
    const int ih = image.height();
    const int ox = offset.x();
    const int oy = offset.y();
    if (options.transparency == Transparency::Opaque) {
        combineMark(preview.image(), ox, oy, iw, ih, image, 0, 0, options);
        return;
    }
    work.resize(iw, ih);
    blockCopy(work.image(), 0, 0, iw, ih, preview.image(), ox, oy);
    combineMark(work.image(), 0, 0, iw, ih, image, 0, 0, options);
    BlendBlock(preview, ox, oy, iw, ih, work, 0, 0, iw, ih, imageAlpha(options.transparency));
}

} // namespace imprimata
