#pragma once

#include <QImage>
#include <cstdint>

namespace imprimata {

// The ternary raster-operation codes a mark can be drawn with.
enum RasterOp : std::uint32_t {
    MergePaint = 0x00BB0226,
    NotSrcCopy = 0x00330008,
    NotSrcErase = 0x001100A6,
    SrcAnd = 0x008800C6,
    SrcCopy = 0x00CC0020,
    SrcErase = 0x00440328,
    SrcInvert = 0x00660046,
    SrcPaint = 0x00EE0086,
};

// Combines source and destination 24-bit colours; an unknown code copies the source.
std::uint32_t applyRasterOp(std::uint32_t rop, std::uint32_t s, std::uint32_t d);

// Block copy of w x h pixels with a raster operation, clipped to both images.
// Both images are Format_RGB32. Source and destination may be the same image.
void blockCopy(QImage &dst, int dx, int dy, int w, int h, const QImage &src, int sx, int sy,
               std::uint32_t rop = SrcCopy);

// Blends the source block, scaled to the destination block, with opacity alpha / 255.
void alphaBlend(QImage &dst, int dx, int dy, int dw, int dh, const QImage &src, int sx, int sy,
                int sw, int sh, int alpha);

} // namespace imprimata
