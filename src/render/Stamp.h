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
};

struct ImageMarkOptions {
    Transparency transparency = Transparency::Opaque;
    RasterOp rasterOp = SrcCopy; // an unknown code copies the source
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

// Stamps the image shown in the mark view into the picture over the whole W x H overlap,
// combined by the raster operation and blended unless opaque.
void StampImageMark(Surface &pic, const PlacementSurfaces &surfaces, const ScreenRect &source,
                    const ScreenRect &target, const ImageMarkOptions &options);

} // namespace imprimata
