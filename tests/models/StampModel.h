#pragma once

// What a stamp must put into a picture, worked out pixel by pixel apart from the code under
// test. Pictures are Format_RGB32. A mark view is the mark as the placement window shows it:
// a text printed in the mark's colour at the top-left corner of a white picture (which is
// also what printing the text on a buffer gives), or an image.

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <utility>

namespace imprimata::model {

// Halves go to the even neighbour.
inline int roundEven(double v) {
    return static_cast<int>(std::nearbyint(v));
}

inline bool isWhite(QRgb p) {
    return (p & 0xFFFFFFu) == 0xFFFFFFu;
}

// The pixel, or white off the image, as a point query answers.
inline QRgb pixelAt(const QImage &image, int x, int y) {
    return image.rect().contains(x, y) ? image.pixel(x, y) | 0xFF000000u : 0xFFFFFFFFu;
}

// A picture with varied colours, so every channel and bit of a stamp shows.
inline QImage varied(QSize size, int seed) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb((x * 37 + seed) % 256, (y * 53 + seed) % 256, x * y % 256));
    return image;
}

struct Hls {
    int hue, lightness, saturation; // 0..240; hue 160 is grey
};

inline Hls toHls(QRgb c) {
    const int r = qRed(c), g = qGreen(c), b = qBlue(c);
    const int hi = std::max({r, g, b}), lo = std::min({r, g, b});
    const int l = roundEven(static_cast<float>((hi + lo) * 240 + 255) / 510.0f);
    if (hi == lo)
        return {160, std::min(l, 240), 0};
    const int d = hi - lo, sum = l <= 120 ? hi + lo : 510 - hi - lo;
    const int s = roundEven((d * 240 + sum / 2.0) / sum);
    // Distances from the maximum, kept in single precision.
    const auto part = [&](int c) { return static_cast<float>(((hi - c) * 40 + d / 2.0) / d); };
    float h = r == hi   ? part(b) - part(g)
              : g == hi ? 80 + part(r) - part(b)
                        : 160 + part(g) - part(r);
    int hue = roundEven(h);
    hue += hue < 0 ? 240 : hue > 240 ? -240 : 0;
    return {hue, std::clamp(l, 0, 240), std::clamp(s, 0, 240)};
}

inline QRgb fromHls(Hls c) {
    const auto byte = [](int v) { return std::clamp(v, 0, 255); };
    if (c.saturation == 0) {
        const int v = byte(roundEven(static_cast<float>(c.lightness * 255) / 240.0f));
        return qRgb(v, v, v);
    }
    const float l = c.lightness, s = c.saturation;
    const float m2 = c.lightness <= 120 ? (l * (240 + s) + 120) / 240 : l + s - (l * s + 120) / 240;
    const float m1 = 2 * l - m2;
    const auto channel = [&](float h) {
        h += h < 0 ? 240 : h > 240 ? -240 : 0;
        const float v = h < 40    ? m1 + ((m2 - m1) * h + 20) / 40
                        : h < 120 ? m2
                        : h < 160 ? m1 + ((m2 - m1) * (160 - h) + 20) / 40
                                  : m1;
        return byte(roundEven(static_cast<float>(v * 255 + 120) / 240.0));
    };
    // Green's hue is brought into range before blue's is taken from it.
    const float green = c.hue < 0 ? c.hue + 240.0f : c.hue > 240 ? c.hue - 240.0f : c.hue;
    return qRgb(channel(c.hue + 80.0f), channel(green), channel(green - 80));
}

// front * alpha / 255 + back * (1 - alpha / 255), to the nearest per channel.
inline QRgb blend(QRgb back, QRgb front, int alpha) {
    const auto ch = [alpha](int b, int f) {
        return roundEven((f * alpha + b * (255 - alpha)) / 255.0);
    };
    return qRgb(ch(qRed(back), qRed(front)), ch(qGreen(back), qGreen(front)),
                ch(qBlue(back), qBlue(front)));
}

// The raster operations SrcPaint, SrcAnd, SrcInvert, SrcErase, NotSrcCopy, NotSrcErase and
// MergePaint by code, on source s and destination d; any other code copies s (SrcCopy).
inline QRgb rasterOp(std::uint32_t code, QRgb s, QRgb d) {
    const std::pair<std::uint32_t, QRgb> ops[] = {
        {0x00EE0086, s | d}, {0x008800C6, s & d},    {0x00660046, s ^ d}, {0x00440328, s & ~d},
        {0x00330008, ~s},    {0x001100A6, ~(s | d)}, {0x00BB0226, ~s | d}};
    QRgb r = s;
    for (const auto &[c, v] : ops)
        r = c == code ? v : r;
    return r | 0xFF000000u;
}

// Mean hue, lightness and saturation over the points from `from` to `to`, both inclusive;
// points off the image count as white.
inline std::array<int, 3> averageHls(const QImage &image, QPoint from, QPoint to) {
    double sums[3] = {0, 0, 0};
    for (int y = from.y(); y <= to.y(); ++y)
        for (int x = from.x(); x <= to.x(); ++x) {
            const Hls c = toHls(pixelAt(image, x, y));
            sums[0] += c.hue, sums[1] += c.lightness, sums[2] += c.saturation;
        }
    const double n = double(to.x() - from.x() + 1) * (to.y() - from.y() + 1);
    return {roundEven(sums[0] / n), roundEven(sums[1] / n), roundEven(sums[2] / n)};
}

// Glyph colour in Colouring: lightness and saturation move by the step away from the
// area's averages (up to 120 counts as dark), clamped to 0..240.
inline QRgb coloured(QRgb background, const std::array<int, 3> &averages, int step) {
    Hls c = toHls(background);
    c.lightness = std::clamp(c.lightness + (averages[1] > 120 ? -step : step), 0, 240);
    c.saturation = std::clamp(c.saturation + (averages[2] > 120 ? -step : step), 0, 240);
    return fromHls(c);
}

// An overlap as the stamps take it: its corner in the mark view, and where it lies in the
// picture (W x H).
struct Overlap {
    QPoint source;
    QRect target;
};

// The overlap of a view w x h whose top-left pixel lies at picture pixel `at`: the view
// less its one-pixel rim, within the picture.
inline Overlap overlapAt(QSize picture, QSize view, QPoint at) {
    const QRect target = QRect(at + QPoint(1, 1), view - QSize(2, 2)) & QRect(QPoint(), picture);
    return {target.topLeft() - at, target};
}

// The background buffer Insert fills: white, with the picture's (W + 1) x (H + 1) block
// from the overlap's corner on placed at the source offset.
inline QImage backgroundUnder(const QImage &picture, QSize view, const Overlap &o) {
    QImage buffer(view, QImage::Format_RGB32);
    buffer.fill(Qt::white);
    const QRect block = QRect(o.target.topLeft(), o.target.size() + QSize(1, 1)) & picture.rect();
    QPainter(&buffer).drawImage(o.source + block.topLeft() - o.target.topLeft(),
                                picture.copy(block));
    return buffer;
}

// Stamps a text mark into `picture` over the overlap (within the picture and the view),
// reading the background buffer and the view at the source offset. mode 0 Solid, 1 Outline,
// else Colouring; level 0..2: Solid opaque, alpha 100, 50; Outline flat in `colour`, relief
// alpha 150, 220; Colouring step 15, 30, 50. A level past 2 acts as 2, in Colouring as 0.
// Solid and the relief reach one column and row short of the overlap, unless drawn in place
// as the editor's preview draws them.
inline void stampText(QImage &picture, const QImage &background, const QImage &markView,
                      const Overlap &o, QRgb colour, int mode, int level, bool inPlace = false) {
    const int w = o.target.width(), h = o.target.height(), sx = o.source.x(), sy = o.source.y();
    const std::array<int, 3> averages = averageHls(background, o.source, o.source + QPoint(w, h));
    const int step = level == 1 ? 30 : level == 2 ? 50 : 15;
    const int alpha = mode == 0 ? (level == 1 ? 100 : 50) : (level == 1 ? 150 : 220);
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            const int u = sx + i, v = sy + j;
            const QPoint at = o.target.topLeft() + QPoint(i, j);
            const QRgb mark = markView.pixel(u, v), back = pixelAt(background, u, v);
            // An edge differs from its left or upper neighbour, never in the first row or column.
            const bool glyph = !isWhite(mark), edge = i > 0 && j > 0 &&
                                                      (mark != markView.pixel(u - 1, v) ||
                                                       mark != markView.pixel(u, v - 1));
            QRgb q = picture.pixel(at);
            if (mode == 1 && level == 0)
                q = edge ? colour | 0xFF000000u : q;
            else if (mode > 1)
                q = glyph ? coloured(back, averages, step) : q;
            else if (inPlace || (i < w - 1 && j < h - 1)) // block copies stop one short
                q = !(mode == 0 ? glyph : edge) ? back
                    : mode == 0 && level == 0   ? mark
                                                : blend(back, mark, alpha);
            picture.setPixel(at, q);
        }
}

// Insert's result: `picture` stamped with the mark view's top-left pixel at picture pixel
// `at`, the mark drawn in `colour`.
inline QImage expectedTextStamp(const QImage &picture, const QImage &markView, QPoint at,
                                QRgb colour, int mode, int level) {
    const Overlap o = overlapAt(picture.size(), markView.size(), at);
    QImage result = picture.copy();
    if (!o.target.isEmpty())
        stampText(result, backgroundUnder(picture, markView.size(), o), markView, o, colour, mode,
                  level);
    return result;
}

// The same for an image mark, over the whole overlap: rasterOp(mark, picture), blended with
// alpha 100 (transparency 1) or 70 (any other but 0).
inline QImage expectedImageStamp(const QImage &picture, const QImage &markView, QPoint at,
                                 std::uint32_t rop, int transparency) {
    QImage result = picture.copy();
    const Overlap o = overlapAt(picture.size(), markView.size(), at);
    for (int j = 0; j < o.target.height(); ++j)
        for (int i = 0; i < o.target.width(); ++i) {
            const QPoint to = o.target.topLeft() + QPoint(i, j);
            const QRgb p = result.pixel(to),
                       c = rasterOp(rop, markView.pixel(o.source + QPoint(i, j)), p);
            result.setPixel(to, transparency == 0 ? c : blend(p, c, transparency == 1 ? 100 : 70));
        }
    return result;
}

} // namespace imprimata::model
