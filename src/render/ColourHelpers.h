#pragma once

#include "platform/Colour.h"
#include "platform/Surface.h"

#include <array>

namespace imprimata {

// Hue, lightness and saturation run from 0 to 240; a hue of 160 stands for grey.
inline constexpr int HlsScale = 240;
inline constexpr int GreyHue = 160;

// A round trip RGB -> HLS -> RGB moves a channel by at most this much, over every
// colour: the 0..240 scale is coarser than the 0..255 channels (grey 128 comes back
// as 129, a strong cyan such as (1, 222, 250) drifts by 7).
inline constexpr int HlsRoundTripDrift = 7;

// A colour on the 0..240 scale.
struct Hls {
    int hue = 0;
    int lightness = 0;
    int saturation = 0;

    friend constexpr bool operator==(Hls, Hls) = default;
};

Hls toHls(Rgb colour);
// Each channel is clamped into 0..255.
Rgb toRgb(Hls colour);

// Rgb::fromColourValue by out-parameters: bits above the blue byte are ignored, so a
// point read outside a picture (-1) splits as white.
void SplitRGB(ColourValue colour, int &red, int &green, int &blue);

template <typename T> constexpr T MaxValue(T a, T b) {
    return a >= b ? a : b;
}
template <typename T> constexpr T MinValue(T a, T b) {
    return a <= b ? a : b;
}

// toHls and toRgb by out-parameters.
void RGBToHLS(int red, int green, int blue, int &hue, int &lightness, int &saturation);
void HLSToRGB(int hue, int lightness, int saturation, int &red, int &green, int &blue);
// One channel of HLSToRGB on the 0..240 scale. The hue is brought into range in place.
float HueToChannel(float m1, float m2, float &hue);

// Averages hue, lightness and saturation over the points (x1..x2, y1..y2), both bounds
// inclusive. A point outside the picture reads as a point query does (-1, so white).
// An empty area averages to zero.
std::array<int, 3> AverageHLS(const Surface &picture, int x1, int y1, int x2, int y2);

// Blends the source block, scaled to the destination block, onto the destination with
// the constant opacity alpha / 255 (clamped into 0..255).
void BlendBlock(Surface &dst, int dx, int dy, int dw, int dh, const Surface &src, int sx, int sy,
                int sw, int sh, int alpha);

} // namespace imprimata
