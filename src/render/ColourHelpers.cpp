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

// Takes channels as ints, as RGBToHLS is handed them.
Hls hlsOf(int red, int green, int blue) {
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
    return {static_cast<int>(h), clampTo(static_cast<int>(l), 0, HlsScale),
            clampTo(s, 0, HlsScale)};
}

} // namespace

void SplitRGB(ColourValue colour, int &red, int &green, int &blue) {
    const Rgb c = Rgb::fromColourValue(colour);
    red = c.red;
    green = c.green;
    blue = c.blue;
}

Hls toHls(Rgb colour) {
    return hlsOf(colour.red, colour.green, colour.blue);
}

void RGBToHLS(int red, int green, int blue, int &hue, int &lightness, int &saturation) {
    const Hls c = hlsOf(red, green, blue);
    hue = c.hue;
    lightness = c.lightness;
    saturation = c.saturation;
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

Rgb toRgb(Hls colour) {
    const int lightness = colour.lightness;
    const int saturation = colour.saturation;
    const auto byte = [](int v) { return static_cast<std::uint8_t>(clampTo(v, 0, 255)); };
    if (saturation == 0) {
        const std::uint8_t v =
            byte(static_cast<int>(roundSingle(static_cast<float>(lightness) * 255.0f / 240.0f)));
        return {v, v, v};
    }
    const auto l = static_cast<float>(lightness);
    const auto s = static_cast<float>(saturation);
    float m2 = 0.0f;
    if (lightness <= 120)
        m2 = static_cast<float>(lightness * (240 + saturation) + 120) / 240.0f;
    else
        m2 = l + s - static_cast<float>(lightness * saturation + 120) / 240.0f;
    const float m1 = static_cast<float>(2 * lightness) - m2;

    const auto channel = [&byte](float c) {
        const float numerator = c * 255.0f + 120.0f;
        return byte(roundDouble(static_cast<double>(numerator) / 240.0));
    };
    float h = static_cast<float>(colour.hue);
    float forRed = h + 80.0f;
    const std::uint8_t red = channel(HueToChannel(m1, m2, forRed));
    // Green passes the hue itself, so blue starts from the hue brought into range.
    const std::uint8_t green = channel(HueToChannel(m1, m2, h));
    float forBlue = h - 80.0f;
    return {red, green, channel(HueToChannel(m1, m2, forBlue))};
}

void HLSToRGB(int hue, int lightness, int saturation, int &red, int &green, int &blue) {
    const Rgb c = toRgb({hue, lightness, saturation});
    red = c.red;
    green = c.green;
    blue = c.blue;
}

std::array<int, 3> AverageHLS(const Surface &picture, int x1, int y1, int x2, int y2) {
    if (x2 < x1 || y2 < y1)
        return {0, 0, 0};
    const Hls outside = toHls(Rgb::fromColourValue(-1));
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
            const Hls c = toHls(Rgb::fromQRgb(row[x]));
            sums[0] += c.hue;
            sums[1] += c.lightness;
            sums[2] += c.saturation;
        }
    }
    sums[0] += outsidePoints * outside.hue;
    sums[1] += outsidePoints * outside.lightness;
    sums[2] += outsidePoints * outside.saturation;
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
