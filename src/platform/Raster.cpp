#include "Raster.h"

#include <algorithm>
#include <vector>

namespace imprimata {

std::uint32_t applyRasterOp(std::uint32_t rop, std::uint32_t s, std::uint32_t d) {
    std::uint32_t r = s;
    switch (rop) {
    case SrcPaint:
        r = s | d;
        break;
    case SrcAnd:
        r = s & d;
        break;
    case SrcInvert:
        r = s ^ d;
        break;
    case SrcErase:
        r = s & ~d;
        break;
    case NotSrcCopy:
        r = ~s;
        break;
    case NotSrcErase:
        r = ~(s | d);
        break;
    case MergePaint:
        r = ~s | d;
        break;
    default:
        break;
    }
    return 0xFF000000u | (r & 0x00FFFFFFu);
}

namespace {

// Clips a block to both images; false when nothing is left.
bool clipBlock(const QImage &dst, int &dx, int &dy, int &w, int &h, const QImage &src, int &sx,
               int &sy) {
    if (dx < 0) {
        w += dx;
        sx -= dx;
        dx = 0;
    }
    if (dy < 0) {
        h += dy;
        sy -= dy;
        dy = 0;
    }
    if (sx < 0) {
        w += sx;
        dx -= sx;
        sx = 0;
    }
    if (sy < 0) {
        h += sy;
        dy -= sy;
        sy = 0;
    }
    w = std::min({w, dst.width() - dx, src.width() - sx});
    h = std::min({h, dst.height() - dy, src.height() - sy});
    return w > 0 && h > 0;
}

template <typename Op>
void combineRows(QImage &dst, int dx, int dy, int w, int h, const QImage &src, int sx, int sy,
                 Op op) {
    for (int y = 0; y < h; ++y) {
        auto *d = reinterpret_cast<QRgb *>(dst.scanLine(dy + y)) + dx;
        const auto *s = reinterpret_cast<const QRgb *>(src.constScanLine(sy + y)) + sx;
        for (int x = 0; x < w; ++x)
            d[x] = op(s[x], d[x]);
    }
}

} // namespace

void blockCopy(QImage &dst, int dx, int dy, int w, int h, const QImage &src, int sx, int sy,
               std::uint32_t rop) {
    if (dst.isNull() || src.isNull() || !clipBlock(dst, dx, dy, w, h, src, sx, sy))
        return;
    if (&dst == &src || dst.constBits() == src.constBits()) {
        // Overlapping blocks of one image: read from a copy of the source block.
        const QImage block = src.copy(sx, sy, w, h);
        blockCopy(dst, dx, dy, w, h, block, 0, 0, rop);
        return;
    }
    if (rop == SrcCopy) {
        for (int y = 0; y < h; ++y)
            std::copy_n(reinterpret_cast<const QRgb *>(src.constScanLine(sy + y)) + sx, w,
                        reinterpret_cast<QRgb *>(dst.scanLine(dy + y)) + dx);
        return;
    }
    combineRows(dst, dx, dy, w, h, src, sx, sy,
                [rop](QRgb s, QRgb d) { return applyRasterOp(rop, s, d); });
}

void alphaBlend(QImage &dst, int dx, int dy, int dw, int dh, const QImage &src, int sx, int sy,
                int sw, int sh, int alpha) {
    if (dst.isNull() || src.isNull() || dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0)
        return;
    alpha = std::clamp(alpha, 0, 255);
    const auto mix = [alpha](QRgb s, QRgb d) {
        const auto ch = [alpha](int sc, int dc) {
            return (sc * alpha + dc * (255 - alpha) + 127) / 255;
        };
        return qRgb(ch(qRed(s), qRed(d)), ch(qGreen(s), qGreen(d)), ch(qBlue(s), qBlue(d)));
    };
    if (sw == dw && sh == dh) {
        int w = dw, h = dh;
        if (!clipBlock(dst, dx, dy, w, h, src, sx, sy))
            return;
        if (dst.constBits() == src.constBits()) {
            const QImage block = src.copy(sx, sy, w, h);
            combineRows(dst, dx, dy, w, h, block, 0, 0, mix);
        } else {
            combineRows(dst, dx, dy, w, h, src, sx, sy, mix);
        }
        return;
    }
    // Scaled blend: nearest source pixel for each destination pixel.
    const QImage source = src.copy(sx, sy, sw, sh);
    std::vector<int> columns(static_cast<std::size_t>(dw));
    for (int x = 0; x < dw; ++x)
        columns[static_cast<std::size_t>(x)] = static_cast<int>((2LL * x + 1) * sw / (2LL * dw));
    for (int y = 0; y < dh; ++y) {
        const int ty = dy + y;
        if (ty < 0 || ty >= dst.height())
            continue;
        const int ry = static_cast<int>((2LL * y + 1) * sh / (2LL * dh));
        const auto *s = reinterpret_cast<const QRgb *>(source.constScanLine(ry));
        auto *d = reinterpret_cast<QRgb *>(dst.scanLine(ty));
        for (int x = 0; x < dw; ++x) {
            const int tx = dx + x;
            if (tx >= 0 && tx < dst.width())
                d[tx] = mix(s[columns[static_cast<std::size_t>(x)]], d[tx]);
        }
    }
}

namespace {

QRgb mixPixel(QRgb d, QRgb s, std::int64_t weight, std::int64_t scale) {
    return qRgb(mixChannel(qRed(d), qRed(s), weight, scale),
                mixChannel(qGreen(d), qGreen(s), weight, scale),
                mixChannel(qBlue(d), qBlue(s), weight, scale));
}

// The part of a block that also lies inside a plane read at the source position.
bool clipToPlane(const QImage &plane, int sx, int sy, int &w, int &h) {
    w = std::min(w, plane.width() - sx);
    h = std::min(h, plane.height() - sy);
    return w > 0 && h > 0;
}

} // namespace

void alphaComposite(QImage &dst, int dx, int dy, int w, int h, const QImage &src,
                    const QImage &srcAlpha, int sx, int sy) {
    if (srcAlpha.isNull()) {
        blockCopy(dst, dx, dy, w, h, src, sx, sy);
        return;
    }
    if (dst.isNull() || src.isNull() || !clipBlock(dst, dx, dy, w, h, src, sx, sy) ||
        !clipToPlane(srcAlpha, sx, sy, w, h))
        return;
    for (int y = 0; y < h; ++y) {
        auto *d = reinterpret_cast<QRgb *>(dst.scanLine(dy + y)) + dx;
        const auto *s = reinterpret_cast<const QRgb *>(src.constScanLine(sy + y)) + sx;
        const uchar *a = srcAlpha.constScanLine(sy + y) + sx;
        for (int x = 0; x < w; ++x) {
            if (a[x] == 255)
                d[x] = s[x] | 0xFF000000u;
            else if (a[x] != 0)
                d[x] = mixPixel(d[x], s[x], a[x], 255);
        }
    }
}

void blendByCoverage(QImage &dst, const QImage &coverage, int x, int y, int w, int h, QRgb colour,
                     int alpha) {
    int sx = x, sy = y;
    if (dst.isNull() || coverage.isNull() || !clipBlock(dst, x, y, w, h, coverage, sx, sy))
        return;
    alpha = std::clamp(alpha, 0, 255);
    for (int j = 0; j < h; ++j) {
        auto *d = reinterpret_cast<QRgb *>(dst.scanLine(y + j)) + x;
        const uchar *c = coverage.constScanLine(y + j) + x;
        for (int i = 0; i < w; ++i) {
            if (c[i] != 0)
                d[i] = mixPixel(d[i], colour, std::int64_t{c[i]} * alpha, 255 * 255);
        }
    }
}

QImage withAlpha(QImage colours, const QImage &alpha) {
    if (alpha.isNull() || colours.isNull())
        return colours;
    // In place when the colours are not shared: no second picture in memory.
    QImage image = std::move(colours).convertToFormat(QImage::Format_ARGB32);
    const int w = std::min(image.width(), alpha.width());
    const int h = std::min(image.height(), alpha.height());
    for (int y = 0; y < h; ++y) {
        auto *p = reinterpret_cast<QRgb *>(image.scanLine(y));
        const uchar *a = alpha.constScanLine(y);
        for (int x = 0; x < w; ++x)
            p[x] = (p[x] & 0x00FFFFFFu) | (QRgb{a[x]} << 24);
    }
    return image;
}

} // namespace imprimata
