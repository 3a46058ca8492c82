#pragma once

#include <QPalette>
#include <QRgb>
#include <cstdint>

namespace imprimata {

// A colour as the program stores it: red + 256 * green + 65536 * blue, or a
// system-colour reference 0x800000nn.
using ColourValue = std::int32_t;

inline constexpr ColourValue White = 16777215;
inline constexpr ColourValue SystemWindowText = static_cast<ColourValue>(0x80000008u);
inline constexpr ColourValue SystemWindow = static_cast<ColourValue>(0x80000005u);

inline constexpr bool isSystemColour(ColourValue c) {
    return (static_cast<std::uint32_t>(c) & 0xFFFFFF00u) == 0x80000000u;
}

inline constexpr ColourValue colourFromRgb(QRgb rgb) {
    return static_cast<ColourValue>(qRed(rgb) | (qGreen(rgb) << 8) | (qBlue(rgb) << 16));
}

inline constexpr QRgb rgbFromColour(ColourValue c) {
    return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

// Resolves a system-colour reference through the palette; plain colours pass through.
ColourValue resolveColour(ColourValue c, const QPalette &palette);
ColourValue resolveColour(ColourValue c);

} // namespace imprimata
