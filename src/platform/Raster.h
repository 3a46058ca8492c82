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

// n / d to the nearest whole number, halves to even. n >= 0, d > 0.
constexpr std::int64_t divideHalfEven(std::int64_t n, std::int64_t d) {
    const std::int64_t q = n / d;
    const std::int64_t twice = 2 * (n % d);
    return twice > d || (twice == d && q % 2 != 0) ? q + 1 : q;
}

// d x (1 - w) + s x w for one channel, w = weight / scale, halves to even.
constexpr int mixChannel(int d, int s, std::int64_t weight, std::int64_t scale) {
    return static_cast<int>(divideHalfEven(d * (scale - weight) + s * weight, scale));
}

// Composites a block of src over dst by srcAlpha, src's own transparency (Format_Alpha8 of
// src's size; null for opaque): straight alpha, per channel d x (1 - a) + s x a, a = alpha /
// 255. Clipped as blockCopy; the images differ.
void alphaComposite(QImage &dst, int dx, int dy, int w, int h, const QImage &src,
                    const QImage &srcAlpha, int sx, int sy);

// Puts a colour over the block (x, y, w, h) of dst by its coverage (Format_Alpha8, read at the
// same place): dst x (1 - c x a) + colour x c x a, c = coverage / 255, a = alpha / 255.
void blendByCoverage(QImage &dst, const QImage &coverage, int x, int y, int w, int h, QRgb colour,
                     int alpha);

// The colours (Format_RGB32) with the alpha plane as their alpha channel (Format_ARGB32); the
// colours alone when the plane is null.
QImage withAlpha(QImage colours, const QImage &alpha);

} // namespace imprimata
