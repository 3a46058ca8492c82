#include "ColourHelpers.h"

#include "platform/Raster.h"

#include <QRgb>
#include <cmath>
#include <cstdint>

namespace imprimata {

namespace {

// Round half to even without leaving the value's own precision.
float roundSingle(float v) {
    return std::nearbyint(v);
}
int roundDouble(double v) {
    return static_cast<int>(std::nearbyint(v));
}

int clampTo(int v, int lo, int hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

} // namespace

void SplitRGB(ColourValue colour, int &red, int &green, int &blue) {
    const auto c = static_cast<std::uint32_t>(colour);
    red = static_cast<int>(c & 255u);
    green = static_cast<int>((c & 65280u) / 256u);
    blue = static_cast<int>((c & 16711680u) / 65536u);
}

void RGBToHLS(int red, int green, int blue, int &hue, int &lightness, int &saturation) {
    const int cMax = MaxValue(MaxValue(red, green), blue);
    const int cMin = MinValue(MinValue(red, green), blue);

    const float l = roundSingle(static_cast<float>((cMax + cMin) * 240 + 255) / 510.0f);
    float h = 0.0f;
    int s = 0;
    if (cMax == cMin) {
        h = static_cast<float>(GreyHue);
    } else {
        const int d = cMax - cMin;
        const int sum = cMax + cMin;
        if (l <= 120.0f)
            s = roundDouble((d * 240.0 + sum / 2.0) / sum);
        else
            s = roundDouble((d * 240.0 + (510 - sum) / 2.0) / (510 - sum));

        // Computed in double, kept in single precision, as the hue arithmetic below is.
        const auto part = [cMax, d](int c) {
            return static_cast<float>(((cMax - c) * 40.0 + d / 2.0) / d);
        };
        const float rd = part(red);
        const float gd = part(green);
        const float bd = part(blue);
        if (red == cMax)
            h = roundSingle(bd - gd);
        else if (green == cMax)
            h = roundSingle(80.0f + rd - bd);
        else
            h = roundSingle(160.0f + gd - rd);
        if (h < 0.0f)
            h += 240.0f;
        if (h > 240.0f)
            h -= 240.0f;
    }
    hue = static_cast<int>(h);
    lightness = clampTo(static_cast<int>(l), 0, HlsScale);
    saturation = clampTo(s, 0, HlsScale);
}

float HueToChannel(float m1, float m2, float &hue) {
    if (hue < 0.0f)
        hue += 240.0f;
    if (hue > 240.0f)
        hue -= 240.0f;
    if (hue < 40.0f)
        return m1 + ((m2 - m1) * hue + 20.0f) / 40.0f;
    if (hue < 120.0f)
        return m2;
    if (hue < 160.0f)
        return m1 + ((m2 - m1) * (160.0f - hue) + 20.0f) / 40.0f;
    return m1;
}

void HLSToRGB(int hue, int lightness, int saturation, int &red, int &green, int &blue) {
    if (saturation == 0) {
        const int v =
            static_cast<int>(roundSingle(static_cast<float>(lightness) * 255.0f / 240.0f));
        red = green = blue = clampTo(v, 0, 255);
        return;
    }
    const auto l = static_cast<float>(lightness);
    const auto s = static_cast<float>(saturation);
    float m2 = 0.0f;
    if (lightness <= 120)
        m2 = static_cast<float>(lightness * (240 + saturation) + 120) / 240.0f;
    else
        m2 = l + s - static_cast<float>(lightness * saturation + 120) / 240.0f;
    const float m1 = static_cast<float>(2 * lightness) - m2;

    const auto channel = [](float c) {
        const float numerator = c * 255.0f + 120.0f;
        return clampTo(roundDouble(static_cast<double>(numerator) / 240.0), 0, 255);
    };
    float h = static_cast<float>(hue);
    float forRed = h + 80.0f;
    red = channel(HueToChannel(m1, m2, forRed));
    // Green passes the hue itself, so blue starts from the hue brought into range.
    green = channel(HueToChannel(m1, m2, h));
    float forBlue = h - 80.0f;
    blue = channel(HueToChannel(m1, m2, forBlue));
}

std::array<int, 3> AverageHLS(const Surface &picture, int x1, int y1, int x2, int y2) {
    if (x2 < x1 || y2 < y1)
        return {0, 0, 0};
    int outsideHue = 0, outsideLightness = 0, outsideSaturation = 0;
    {
        int r = 0, g = 0, b = 0;
        SplitRGB(-1, r, g, b);
        RGBToHLS(r, g, b, outsideHue, outsideLightness, outsideSaturation);
    }
    const QImage &image = picture.image();
    // 64-bit sums: no area a picture can hold overflows them.
    std::int64_t sums[3] = {0, 0, 0};
    const std::int64_t columns = std::int64_t(x2) - x1 + 1;
    const std::int64_t rows = std::int64_t(y2) - y1 + 1;
    const int insideLeft = std::max(x1, 0);
    const int insideRight = std::min<std::int64_t>(x2, std::int64_t(image.width()) - 1);
    const std::int64_t insideColumns = insideRight >= insideLeft ? insideRight - insideLeft + 1 : 0;
    std::int64_t outsidePoints = 0;
    for (std::int64_t y = y1; y <= y2; ++y) {
        if (y < 0 || y >= image.height() || insideColumns == 0) {
            outsidePoints += columns;
            continue;
        }
        outsidePoints += columns - insideColumns;
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(static_cast<int>(y)));
        for (int x = insideLeft; x <= insideRight; ++x) {
            int r = 0, g = 0, b = 0, h = 0, l = 0, s = 0;
            SplitRGB(colourFromRgb(row[x]), r, g, b);
            RGBToHLS(r, g, b, h, l, s);
            sums[0] += h;
            sums[1] += l;
            sums[2] += s;
        }
    }
    sums[0] += outsidePoints * outsideHue;
    sums[1] += outsidePoints * outsideLightness;
    sums[2] += outsidePoints * outsideSaturation;
    const double n = static_cast<double>(columns * rows);
    return {roundDouble(static_cast<double>(sums[0]) / n),
            roundDouble(static_cast<double>(sums[1]) / n),
            roundDouble(static_cast<double>(sums[2]) / n)};
}

void BlendBlock(Surface &dst, int dx, int dy, int dw, int dh, const Surface &src, int sx, int sy,
                int sw, int sh, int alpha) {
    alphaBlend(dst.image(), dx, dy, dw, dh, src.image(), sx, sy, sw, sh, alpha);
}

} // namespace imprimata
