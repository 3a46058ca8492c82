#include "Stamp.h"

#include "ColourHelpers.h"
#include "StampPasses.h"

#include <limits>
#include <stdexcept>

namespace imprimata {

namespace {

struct Overlap {
    int sx, sy;    // source offset in the buffers
    int left, top; // target corner in the picture
    int w, h;      // size
};

// False for an empty overlap. A size that does not fit an int is an error, not a wrap.
bool overlapOf(const ScreenRect &source, const ScreenRect &target, Overlap &o) {
    const long long w = static_cast<long long>(target.right) - target.left;
    const long long h = static_cast<long long>(target.bottom) - target.top;
    if (w <= 0 || h <= 0)
        return false;
    if (w >= std::numeric_limits<int>::max() || h >= std::numeric_limits<int>::max())
        throw std::overflow_error("Overflow");
    o = {source.left, source.top,          target.left,
         target.top,  static_cast<int>(w), static_cast<int>(h)};
    return true;
}

void printMark(Surface &buffer, const TextMarkOptions &options) {
    buffer.setForeColour(options.colour);
    buffer.setCurrentPosition(0, 0);
    buffer.print(options.text);
}

// The text stamp with anti-aliased glyphs; the passes and blocks are those of the stamp below.
void stampSmoothText(Surface &pic, const PlacementSurfaces &surfaces, const Overlap &o,
                     const TextMarkOptions &options) {
    Surface &background = surfaces.backgroundBuffer;
    Surface &composite = surfaces.compositeBuffer;
    surfaces.textBuffer.setCurrentPosition(0, 0);
    const QImage coverage = surfaces.textBuffer.printCoverage(options.text);
    const QRgb colour = rgbFromColour(resolveColour(options.colour));

    if (options.printMode == PrintMode::Solid) {
        composite.takeImage(background);
        blendByCoverage(composite.image(), coverage, o.sx, o.sy, o.w, o.h, colour,
                        options.level == Level::Least ? 255 : solidAlpha(options.level));
        blockCopy(pic.image(), o.left, o.top, o.w - 1, o.h - 1, composite.image(), o.sx, o.sy);
        return;
    }

    if (options.printMode == PrintMode::Outline) {
        const QImage glyphs = solidGlyphs(coverage, colour);
        const EdgeMask edges = findEdges(glyphs, o.sx, o.sy, o.w, o.h);
        if (options.level == Level::Least) {
            paintEdges(pic.image(), o.left, o.top, edges, colour);
            softenEdges(pic.image(), o.left, o.top, background.image(), coverage, o.sx, o.sy,
                        edges);
            return;
        }
        composite.takeImage(background);
        alphaBlend(background.image(), o.sx, o.sy, o.w, o.h, glyphs, o.sx, o.sy, o.w, o.h,
                   reliefAlpha(options.level));
        restoreOffEdges(background.image(), composite.image(), edges, o.sx, o.sy);
        softenEdges(background.image(), o.sx, o.sy, composite.image(), coverage, o.sx, o.sy, edges);
        blockCopy(pic.image(), o.left, o.top, o.w - 1, o.h - 1, background.image(), o.sx, o.sy);
        return;
    }

    const std::array<int, 3> averages = AverageHLS(background, o.sx, o.sy, o.sx + o.w, o.sy + o.h);
    shiftUnderCoverage(pic.image(), o.left, o.top, background.image(), coverage, o.sx, o.sy, o.w,
                       o.h, colouringShift(averages, options.level, options.steps));
}

} // namespace

int solidAlpha(Level level) {
    return level == Level::Middle ? 100 : 50;
}
int reliefAlpha(Level level) {
    return level == Level::Middle ? 150 : 220;
}
int imageAlpha(Transparency transparency) {
    return transparency == Transparency::Low ? 100 : 70;
}

void StampTextMark(Surface &pic, const PlacementSurfaces &surfaces, const ScreenRect &source,
                   const ScreenRect &target, const TextMarkOptions &options) {
    Overlap o{};
    if (!overlapOf(source, target, o))
        return;
    if (options.smooth) {
        stampSmoothText(pic, surfaces, o, options);
        return;
    }
    Surface &background = surfaces.backgroundBuffer;
    Surface &text = surfaces.textBuffer;
    Surface &composite = surfaces.compositeBuffer;

    if (options.printMode == PrintMode::Solid) {
        if (options.level == Level::Least) { // opaque
            printMark(background, options);
            blockCopy(pic.image(), o.left, o.top, o.w - 1, o.h - 1, background.image(), o.sx, o.sy);
            return;
        }
        printMark(text, options);
        composite.takeImage(background);
        BlendBlock(composite, o.sx, o.sy, o.w, o.h, text, o.sx, o.sy, o.w, o.h,
                   solidAlpha(options.level));
        // One column and one row beyond the overlap, as the blend may have reached them.
        restoreWhereWhite(composite.image(), background.image(), text.image(), o.sx, o.sy, o.w + 1,
                          o.h + 1);
        blockCopy(pic.image(), o.left, o.top, o.w - 1, o.h - 1, composite.image(), o.sx, o.sy);
        return;
    }

    if (options.printMode == PrintMode::Outline) {
        const EdgeMask edges = findEdges(surfaces.view.image(), o.sx, o.sy, o.w, o.h);
        if (options.level == Level::Least) { // no relief
            paintEdges(pic.image(), o.left, o.top, edges,
                       rgbFromColour(resolveColour(options.colour)));
            return;
        }
        printMark(text, options);
        composite.takeImage(background);
        BlendBlock(background, o.sx, o.sy, o.w, o.h, text, o.sx, o.sy, o.w, o.h,
                   reliefAlpha(options.level));
        restoreOffEdges(background.image(), composite.image(), edges, o.sx, o.sy);
        blockCopy(pic.image(), o.left, o.top, o.w - 1, o.h - 1, background.image(), o.sx, o.sy);
        return;
    }

    printMark(text, options);
    const std::array<int, 3> averages = AverageHLS(background, o.sx, o.sy, o.sx + o.w, o.sy + o.h);
    shiftUnderGlyphs(pic.image(), o.left, o.top, background.image(), text.image(), o.sx, o.sy, o.w,
                     o.h, colouringShift(averages, options.level, options.steps));
}

void PreviewSmoothText(Surface &preview, Surface &text, Surface &saved,
                       const TextMarkOptions &options) {
    // The stamp's own passes over the whole preview, from a copy of the background it holds.
    saved.takeImage(preview);
    Surface scratch;
    const Overlap whole{0, 0, 0, 0, preview.width() + 1, preview.height() + 1};
    stampSmoothText(preview, PlacementSurfaces{saved, saved, text, scratch}, whole, options);
}

void combineMark(QImage &dst, int dx, int dy, int w, int h, const Surface &view, int sx, int sy,
                 const ImageMarkOptions &options) {
    if (options.ownAlpha)
        alphaComposite(dst, dx, dy, w, h, view.image(), view.alphaPlane(), sx, sy);
    else
        blockCopy(dst, dx, dy, w, h, view.image(), sx, sy, options.rasterOp);
}

void StampImageMark(Surface &pic, const PlacementSurfaces &surfaces, const ScreenRect &source,
                    const ScreenRect &target, const ImageMarkOptions &options) {
    Overlap o{};
    if (!overlapOf(source, target, o))
        return;
    const auto combine = [&](QImage &dst, int dx, int dy) {
        combineMark(dst, dx, dy, o.w, o.h, surfaces.view, o.sx, o.sy, options);
    };
    if (options.transparency == Transparency::Opaque) {
        combine(pic.image(), o.left, o.top);
        return;
    }
    // The work buffer takes the picture where the mark view shows the mark, is combined
    // with the mark there, and the result is blended back onto the picture.
    QImage &work = surfaces.textBuffer.image();
    blockCopy(work, o.sx, o.sy, o.w, o.h, pic.image(), o.left, o.top);
    combine(work, o.sx, o.sy);
    BlendBlock(pic, o.left, o.top, o.w, o.h, surfaces.textBuffer, o.sx, o.sy, o.w, o.h,
               imageAlpha(options.transparency));
}

} // namespace imprimata
