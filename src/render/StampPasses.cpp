#include "StampPasses.h"

#include "ColourHelpers.h"

#include <algorithm>
#include <cstdlib>
#include <initializer_list>

namespace imprimata {

namespace {

constexpr QRgb RgbMask = 0x00FFFFFFu;
constexpr QRgb WhiteRgb = 0x00FFFFFFu;
// Coverage out of 255 from which a smooth glyph pixel counts as inside: at least half.
constexpr int HalfCoverage = 128;

bool isWhite(QRgb p) {
    return (p & RgbMask) == WhiteRgb;
}

// An image and where block position (0, 0) lies on it.
struct Placed {
    const QImage *image;
    long long x;
    long long y;
};

// The part [i0, i1) x [j0, j1) of a w x h block that lies inside every image.
struct Span {
    int i0 = 0, i1 = 0, j0 = 0, j1 = 0;
    bool empty() const { return i0 >= i1 || j0 >= j1; }
};

Span clip(int w, int h, std::initializer_list<Placed> images) {
    long long i0 = 0, i1 = w, j0 = 0, j1 = h;
    for (const Placed &p : images) {
        if (p.image->isNull())
            return {};
        i0 = std::max(i0, -p.x);
        j0 = std::max(j0, -p.y);
        i1 = std::min(i1, p.image->width() - p.x);
        j1 = std::min(j1, p.image->height() - p.y);
    }
    if (i0 >= i1 || j0 >= j1)
        return {};
    return {static_cast<int>(i0), static_cast<int>(i1), static_cast<int>(j0), static_cast<int>(j1)};
}

const QRgb *row(const QImage &image, long long y) {
    return reinterpret_cast<const QRgb *>(image.constScanLine(static_cast<int>(y)));
}

QRgb *row(QImage &image, long long y) {
    return reinterpret_cast<QRgb *>(image.scanLine(static_cast<int>(y)));
}

const std::uint8_t *maskRow(const EdgeMask &mask, int j) {
    return mask.cells.data() + static_cast<std::size_t>(j) * static_cast<std::size_t>(mask.width);
}

// Where restore(i, j) holds inside the span, dst at (x + i, y + j) takes the saved pixel again.
// Restoring an image from itself changes nothing.
template <typename Restore>
void restoreWhere(QImage &dst, const QImage &saved, const Span &s, int x, int y, Restore restore) {
    if (s.empty() || dst.constBits() == saved.constBits())
        return;
    dst.detach();
    for (int j = s.j0; j < s.j1; ++j) {
        const long long v = static_cast<long long>(y) + j;
        QRgb *out = row(dst, v);
        const QRgb *back = row(saved, v);
        for (int i = s.i0; i < s.i1; ++i) {
            const long long u = static_cast<long long>(x) + i;
            if (restore(i, j))
                out[u] = back[u];
        }
    }
}

} // namespace

EdgeMask findEdges(const QImage &image, int x, int y, int w, int h) {
    EdgeMask mask;
    mask.width = std::max(w, 0);
    mask.height = std::max(h, 0);
    mask.cells.assign(static_cast<std::size_t>(mask.width) * static_cast<std::size_t>(mask.height),
                      0);
    const Span s = clip(mask.width, mask.height, {{&image, x, y}});
    if (s.empty())
        return mask;
    // The block's own first column and row are never edges, whatever lies left of or above
    // them; nor is a pixel whose neighbour is off the image.
    const auto first = [](int clipped, int offset, int end) {
        const long long k = std::max({1ll, static_cast<long long>(clipped), 1ll - offset});
        return static_cast<int>(std::min(k, static_cast<long long>(end)));
    };
    const int i0 = first(s.i0, x, s.i1);
    const int j0 = first(s.j0, y, s.j1);
    const long long u0 = static_cast<long long>(x) + i0;
    const int n = s.i1 - i0;
    for (int j = j0; j < s.j1; ++j) {
        const long long v = static_cast<long long>(y) + j;
        const QRgb *here = row(image, v) + u0;
        const QRgb *above = row(image, v - 1) + u0;
        std::uint8_t *cells = mask.cells.data() +
                              static_cast<std::size_t>(j) * static_cast<std::size_t>(mask.width) +
                              static_cast<std::size_t>(i0);
        for (int k = 0; k < n; ++k) {
            const QRgb p = here[k] & RgbMask;
            cells[k] = p != (here[k - 1] & RgbMask) || p != (above[k] & RgbMask);
        }
    }
    return mask;
}

void restoreWhereWhite(QImage &composite, const QImage &background, const QImage &text, int x,
                       int y, int w, int h) {
    const Span s = clip(w, h, {{&composite, x, y}, {&background, x, y}, {&text, x, y}});
    restoreWhere(composite, background, s, x, y, [&](int i, int j) {
        return isWhite(row(text, static_cast<long long>(y) + j)[static_cast<long long>(x) + i]);
    });
}

void restoreOffEdges(QImage &dst, const QImage &saved, const EdgeMask &mask, int x, int y) {
    const Span s = clip(mask.width, mask.height, {{&dst, x, y}, {&saved, x, y}});
    restoreWhere(dst, saved, s, x, y, [&](int i, int j) { return !maskRow(mask, j)[i]; });
}

void paintEdges(QImage &dst, int x, int y, const EdgeMask &mask, QRgb colour) {
    const Span s = clip(mask.width, mask.height, {{&dst, x, y}});
    if (s.empty())
        return;
    colour |= 0xFF000000u;
    const long long u = static_cast<long long>(x) + s.i0;
    const int n = s.i1 - s.i0;
    for (int j = s.j0; j < s.j1; ++j) {
        QRgb *out = row(dst, static_cast<long long>(y) + j) + u;
        const std::uint8_t *cells = maskRow(mask, j) + s.i0;
        for (int i = 0; i < n; ++i) {
            if (cells[i])
                out[i] = colour;
        }
    }
}

ColouringShift colouringShift(const std::array<int, 3> &averages, Level level,
                              const std::array<int, 3> &steps) {
    const auto index = static_cast<std::size_t>(level);
    const int step = index < steps.size() ? steps[index] : steps[0];
    const auto sign = [](int average) { return average > HlsScale / 2 ? -1 : 1; };
    return {sign(averages[1]) * step, sign(averages[2]) * step};
}

namespace {

// The Colouring pass; weight(glyph row, i) is how much of the shift a pixel takes, out of 255.
template <typename Weight>
void shiftByWeight(QImage &dst, int dx, int dy, const QImage &background, const QImage &glyphs,
                   int x, int y, int w, int h, ColouringShift shift, Weight weight) {
    const Span s = clip(w, h, {{&dst, dx, dy}, {&background, x, y}, {&glyphs, x, y}});
    if (s.empty())
        return;
    const auto shifted = [](int value, int by) { return std::clamp(value + by, 0, HlsScale); };
    // Signed, with halves to even either way.
    const auto part = [](int step, int of) {
        const auto size = static_cast<int>(divideHalfEven(std::int64_t{std::abs(step)} * of, 255));
        return step < 0 ? -size : size;
    };
    dst.detach();
    const long long u = static_cast<long long>(x) + s.i0;
    const long long du = static_cast<long long>(dx) + s.i0;
    const int n = s.i1 - s.i0;
    for (int j = s.j0; j < s.j1; ++j) {
        const long long v = static_cast<long long>(y) + j;
        const uchar *glyphRow = glyphs.constScanLine(static_cast<int>(v));
        const QRgb *back = row(background, v) + u;
        QRgb *out = row(dst, static_cast<long long>(dy) + j) + du;
        for (int i = 0; i < n; ++i) {
            const int of = weight(glyphRow, u + i);
            if (of == 0)
                continue;
            Hls c = toHls(Rgb::fromQRgb(back[i]));
            c.lightness =
                shifted(c.lightness, of == 255 ? shift.lightness : part(shift.lightness, of));
            c.saturation =
                shifted(c.saturation, of == 255 ? shift.saturation : part(shift.saturation, of));
            out[i] = toRgb(c).toQRgb();
        }
    }
}

} // namespace

void shiftUnderGlyphs(QImage &dst, int dx, int dy, const QImage &background, const QImage &text,
                      int x, int y, int w, int h, ColouringShift shift) {
    shiftByWeight(dst, dx, dy, background, text, x, y, w, h, shift,
                  [](const uchar *glyphRow, long long k) {
                      return isWhite(reinterpret_cast<const QRgb *>(glyphRow)[k]) ? 0 : 255;
                  });
}

void shiftUnderCoverage(QImage &dst, int dx, int dy, const QImage &background,
                        const QImage &coverage, int x, int y, int w, int h, ColouringShift shift) {
    shiftByWeight(dst, dx, dy, background, coverage, x, y, w, h, shift,
                  [](const uchar *glyphRow, long long k) { return int{glyphRow[k]}; });
}

QImage solidGlyphs(const QImage &coverage, QRgb colour) {
    QImage glyphs(coverage.size(), QImage::Format_RGB32);
    colour |= 0xFF000000u;
    for (int y = 0; y < glyphs.height(); ++y) {
        const uchar *c = coverage.constScanLine(y);
        QRgb *out = row(glyphs, y);
        for (int x = 0; x < glyphs.width(); ++x)
            out[x] = c[x] >= HalfCoverage ? colour : 0xFFFFFFFFu;
    }
    return glyphs;
}

void softenEdges(QImage &dst, int dx, int dy, const QImage &saved, const QImage &coverage, int x,
                 int y, const EdgeMask &mask) {
    const Span s =
        clip(mask.width, mask.height, {{&dst, dx, dy}, {&saved, x, y}, {&coverage, x, y}});
    if (s.empty())
        return;
    dst.detach();
    for (int j = s.j0; j < s.j1; ++j) {
        const long long v = static_cast<long long>(y) + j;
        const uchar *c = coverage.constScanLine(static_cast<int>(v));
        const QRgb *back = row(saved, v);
        QRgb *out = row(dst, static_cast<long long>(dy) + j);
        const std::uint8_t *cells = maskRow(mask, j);
        for (int i = s.i0; i < s.i1; ++i) {
            const long long u = static_cast<long long>(x) + i;
            if (!cells[i] || c[u] < HalfCoverage || c[u] == 255)
                continue;
            QRgb &p = out[static_cast<long long>(dx) + i];
            p = qRgb(mixChannel(qRed(back[u]), qRed(p), c[u], 255),
                     mixChannel(qGreen(back[u]), qGreen(p), c[u], 255),
                     mixChannel(qBlue(back[u]), qBlue(p), c[u], 255));
        }
    }
}

} // namespace imprimata
