#include "Colour.h"

#include <QGuiApplication>

namespace imprimata {

namespace {

QColor systemColour(unsigned index, const QPalette &p) {
    switch (index) {
    case 0:  // scroll bar
    case 15: // button face
    case 4:  // menu
        return p.color(QPalette::Button);
    case 1:  // desktop
    case 2:  // active caption
    case 13: // highlight
        return p.color(QPalette::Highlight);
    case 14: // highlighted text
        return p.color(QPalette::HighlightedText);
    case 5: // window background
        return p.color(QPalette::Base);
    case 6:  // window frame
    case 16: // button shadow
        return p.color(QPalette::Mid);
    case 17: // grey text
        return p.color(QPalette::Disabled, QPalette::Text);
    case 18: // button text
        return p.color(QPalette::ButtonText);
    case 20: // button highlight
        return p.color(QPalette::Light);
    case 21: // 3D dark shadow
        return p.color(QPalette::Shadow);
    case 23: // tooltip text
        return p.color(QPalette::ToolTipText);
    case 24: // tooltip background
        return p.color(QPalette::ToolTipBase);
    case 7: // menu text
    case 8: // window text
    case 9: // caption text
    default:
        return p.color(QPalette::WindowText);
    }
}

} // namespace

ColourValue resolveColour(ColourValue c, const QPalette &palette) {
    if (!isSystemColour(c))
        return c & 0xFFFFFF;
    return colourFromRgb(systemColour(static_cast<std::uint32_t>(c) & 0xFFu, palette).rgb());
}

ColourValue resolveColour(ColourValue c) {
    return resolveColour(c, QGuiApplication::palette());
}

} // namespace imprimata
