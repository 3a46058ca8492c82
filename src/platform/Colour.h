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

// A plain colour's three channels.
struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    // Bits above the blue byte are ignored: resolve a system-colour reference first.
    static constexpr Rgb fromColourValue(ColourValue c) {
        const auto v = static_cast<std::uint32_t>(c);
        return {static_cast<std::uint8_t>(v & 0xFFu), static_cast<std::uint8_t>((v >> 8) & 0xFFu),
                static_cast<std::uint8_t>((v >> 16) & 0xFFu)};
    }
    // The alpha channel is ignored.
    static constexpr Rgb fromQRgb(QRgb rgb) {
        return {static_cast<std::uint8_t>(qRed(rgb)), static_cast<std::uint8_t>(qGreen(rgb)),
                static_cast<std::uint8_t>(qBlue(rgb))};
    }
    constexpr ColourValue toColourValue() const { return red | (green << 8) | (blue << 16); }
    // Opaque.
    constexpr QRgb toQRgb() const { return qRgb(red, green, blue); }

    friend constexpr bool operator==(Rgb, Rgb) = default;
};

inline constexpr ColourValue colourFromRgb(QRgb rgb) {
    return Rgb::fromQRgb(rgb).toColourValue();
}

inline constexpr QRgb rgbFromColour(ColourValue c) {
    return Rgb::fromColourValue(c).toQRgb();
}

// Resolves a system-colour reference through the palette; plain colours pass through.
ColourValue resolveColour(ColourValue c, const QPalette &palette);
ColourValue resolveColour(ColourValue c);

} // namespace imprimata
