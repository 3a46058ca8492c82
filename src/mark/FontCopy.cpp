#include "FontCopy.h"

namespace imprimata {

FontChoice fontPropertiesOf(const QFont &font) {
    FontChoice p;
    p.family = font.family();
    p.pointSize = font.pointSizeF();
    p.bold = font.bold();
    p.italic = font.italic();
    p.strikeOut = font.strikeOut();
    p.underline = font.underline();
    return p;
}

void applyFontProperties(QFont &target, const FontChoice &from, double pointSize) {
    target.setFamily(from.family);
    target.setBold(from.bold);
    target.setItalic(from.italic);
    target.setStrikeOut(from.strikeOut);
    target.setUnderline(from.underline);
    if (pointSize > 0)
        target.setPointSizeF(pointSize);
}

void applyFontProperties(FontChoice &target, const FontChoice &from, double pointSize) {
    target.family = from.family;
    target.bold = from.bold;
    target.italic = from.italic;
    target.strikeOut = from.strikeOut;
    target.underline = from.underline;
    if (pointSize > 0)
        target.pointSize = pointSize;
}

} // namespace imprimata
