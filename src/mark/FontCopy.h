#pragma once

#include "platform/DialogService.h"

#include <QFont>

namespace imprimata {

// What moves between the mark font, the font chooser's selection and the editor's
// controls: face, size and bold, italic, strikethrough, underline. The weight travels
// only as bold; colour and size limits are not font properties.
FontChoice fontPropertiesOf(const QFont &font);

// Face and styles from `from`, the given size; the font is changed in place.
void applyFontProperties(QFont &target, const FontChoice &from, double pointSize);
void applyFontProperties(FontChoice &target, const FontChoice &from, double pointSize);

} // namespace imprimata
