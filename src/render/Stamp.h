#pragma once

#include "platform/Colour.h"
#include "platform/Raster.h"
#include "platform/Rect.h"
#include "platform/Surface.h"

#include <QString>
#include <array>
#include <cstdint>

namespace imprimata {

// The placement window's four pictures, all of one size, in the mark view's pixels.
struct PlacementSurfaces {
    Surface &view;             // PicIM(0): the mark as shown; read only
    Surface &backgroundBuffer; // PicIM(1): the picture under the mark view, at the source offset
    Surface &textBuffer;       // PicIM(2): white before a text stamp
    Surface &compositeBuffer;  // PicIM(3): the background copy a text stamp blends into
};

// Print modes and levels as the mark stores them.
struct TextMarkOptions {
    QString text;
    ColourValue colour = 0; // may be a system-colour reference
    int printMode = 0;      // 0 Solid, 1 Outline, anything else Colouring
    int level = 0;          // Solid: 0 opaque, 1 low, 2 high; Outline: 0 flat, 1 low, 2 high relief
    std::array<int, 3> steps{15, 30, 50}; // Colouring steps by level
};

struct ImageMarkOptions {
    int transparency = 0; // 0 opaque, 1 low, anything else high
    std::uint32_t rasterOp = SrcCopy;
};

// Opacities of the blends, out of 255.
int solidAlpha(int level);
int reliefAlpha(int level);
int imageAlpha(int transparency);

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
