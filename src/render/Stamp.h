#pragma once

#include "platform/Colour.h"
#include "platform/Raster.h"
#include "platform/Rect.h"
#include "platform/Surface.h"

#include <QString>
#include <array>
#include <cstdint>
#include <type_traits>

namespace imprimata {

// The placement window's four pictures, all of one size, in the mark view's pixels.
struct PlacementSurfaces {
    Surface &view;             // PicIM(0): the mark as shown; read only
    Surface &backgroundBuffer; // PicIM(1): the picture under the mark view, at the source offset
    Surface &textBuffer;       // PicIM(2): white before a text stamp
    Surface &compositeBuffer;  // PicIM(3): the background copy a text stamp blends into
};

// The mark record stores each option below as its index, 0, 1 or 2. A value outside the
// enumerators is read as the last option, except by Colouring, which takes the first step.
enum class PrintMode : std::uint8_t { Solid, Outline, Colouring };

// How much of the print mode's effect: Solid's transparency (Least is opaque), Outline's
// relief (Least is none: the edges alone, in the mark's colour), Colouring's contrast.
enum class Level : std::uint8_t { Least, Middle, Most };

// An image mark's transparency.
enum class Transparency : std::uint8_t { Opaque, Low, High };

template <typename Option>
requires std::is_same_v<Option, PrintMode> || std::is_same_v<Option, Level> ||
    std::is_same_v<Option, Transparency>
constexpr std::uint8_t optionIndex(Option option) {
    return static_cast<std::uint8_t>(option);
}

struct TextMarkOptions {
    QString text;
    ColourValue colour = 0; // may be a system-colour reference
    PrintMode printMode = PrintMode::Solid;
    Level level = Level::Least;
    std::array<int, 3> steps{15, 30, 50}; // Colouring steps by level
    // Anti-aliased glyphs, whose coverage c of a pixel scales the effect there: Solid puts
    // the colour at c times its opacity, Colouring shifts by c times the step, Outline finds
    // its edges where c is at least half and blends the partly covered ones inside by c.
    bool smooth = false;
};

struct ImageMarkOptions {
    Transparency transparency = Transparency::Opaque;
    RasterOp rasterOp = SrcCopy; // an unknown code copies the source
    // The Alpha blend instead of the raster operation: the mark over the picture by the mark
    // view's alpha plane.
    bool ownAlpha = false;
};

// Opacities of the blends, out of 255.
int solidAlpha(Level level);
int reliefAlpha(Level level);
int imageAlpha(Transparency transparency);

// Stamps the text mark into the picture where the overlap lies. target is the overlap in
// the picture's pixels, source the same overlap in the mark view's; every buffer is read
// at the source offset, so an overlap that leaves out the top or left of the mark stamps
// the pixels a whole stamp would put there. Outline finds no edges in the overlap's first
// column and row, wherever the overlap starts. The text is printed at each buffer's
// top-left corner in the surface's font and the options' colour. Solid and the outline
// relief copy (W - 1) x (H - 1) pixels of the W x H overlap. Nothing is refreshed.
void StampTextMark(Surface &pic, const PlacementSurfaces &surfaces, const ScreenRect &source,
                   const ScreenRect &target, const TextMarkOptions &options);

// The smooth text stamp over the whole preview, which holds the background; text is the
// preview-sized text buffer (its font is the mark's), saved takes the background.
void PreviewSmoothText(Surface &preview, Surface &text, Surface &saved,
                       const TextMarkOptions &options);

// Combines the w x h block of the mark view at (sx, sy) into dst at (dx, dy): by the raster
// operation, or by the view's own alpha plane for the Alpha blend.
void combineMark(QImage &dst, int dx, int dy, int w, int h, const Surface &view, int sx, int sy,
                 const ImageMarkOptions &options);

// Stamps the image shown in the mark view into the picture over the whole W x H overlap,
// combined by the raster operation (or composited by its own alpha) and blended unless opaque.
void StampImageMark(Surface &pic, const PlacementSurfaces &surfaces, const ScreenRect &source,
                    const ScreenRect &target, const ImageMarkOptions &options);

} // namespace imprimata
