#pragma once

#include "Stamp.h"

#include <QImage>
#include <array>
#include <cstdint>
#include <vector>

namespace imprimata {

// The per-pixel passes of the text stamp, over blocks of Format_RGB32 images, shared by
// the stamps and the editor's previews. Every pass reads and writes rows directly and
// skips the part of a block that lies outside any image it touches.

// One flag per pixel of a width x height block.
struct EdgeMask {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> cells;

    bool at(int x, int y) const {
        return cells[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                     static_cast<std::size_t>(x)] != 0;
    }
};

// Flags the pixels of the block (x, y, w, h) of the image that differ from their left or
// upper neighbour. The block's first column and first row are never edges, even where the
// image goes on left of or above the block.
EdgeMask findEdges(const QImage &image, int x, int y, int w, int h);

// Where the text image is white, the composite takes the background's pixel again. All
// three images are read at the same block (x, y, w, h).
void restoreWhereWhite(QImage &composite, const QImage &background, const QImage &text, int x,
                       int y, int w, int h);

// Where the mask is clear, dst at (x + i, y + j) takes the saved image's pixel again.
void restoreOffEdges(QImage &dst, const QImage &saved, const EdgeMask &mask, int x, int y);

// Sets dst at (x + i, y + j) to the colour wherever the mask is set.
void paintEdges(QImage &dst, int x, int y, const EdgeMask &mask, QRgb colour);

// Signed steps added to the lightness and the saturation of glyph pixels in Colouring.
struct ColouringShift {
    int lightness = 0;
    int saturation = 0;
};

// Moves away from the area's average: lighter on a dark area (average lightness up to
// half the scale), darker on a light one; likewise for saturation. The level picks the
// step; a level outside the enumerators takes the first.
ColouringShift colouringShift(const std::array<int, 3> &averages, Level level,
                              const std::array<int, 3> &steps);

// For each pixel of the block (x, y, w, h) where the text image is not white: the
// background's colour with its lightness and saturation shifted, written to dst at
// (dx + i, dy + j). dst may be the background itself.
void shiftUnderGlyphs(QImage &dst, int dx, int dy, const QImage &background, const QImage &text,
                      int x, int y, int w, int h, ColouringShift shift);

// The same by anti-aliased glyphs' coverage (Format_Alpha8): where it is c > 0, each step is c
// times the shift, c = coverage / 255, to the nearest whole number, halves to even.
void shiftUnderCoverage(QImage &dst, int dx, int dy, const QImage &background,
                        const QImage &coverage, int x, int y, int w, int h, ColouringShift shift);

// Where the coverage (Format_Alpha8) is at least half, the colour; white elsewhere: the glyphs
// as the outline takes them, Format_RGB32.
QImage solidGlyphs(const QImage &coverage, QRgb colour);

// Where the mask is set and the coverage at (x + i, y + j) is at least half but partial, dst at
// (dx + i, dy + j) goes back toward the saved pixel at (x + i, y + j) by it:
// saved x (1 - c) + dst x c. Other pixels stay.
void softenEdges(QImage &dst, int dx, int dy, const QImage &saved, const QImage &coverage, int x,
                 int y, const EdgeMask &mask);

} // namespace imprimata
