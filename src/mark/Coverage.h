#pragma once

#include "platform/Rect.h"

#include <QString>

namespace imprimata {

// How the placement rectangle lies over the picture (both in screen pixels).
enum class Coverage { None, Partial, Whole };

Coverage coverage(const ScreenRect &picture, const ScreenRect &placement);

// The two warnings of the placement geometry, in English; noCrossingText and
// notWithinImageText give them in the user's language.
inline constexpr const char *NoCrossingMessage =
    QT_TRANSLATE_NOOP("imprimata", "The Imprimata window does not overlap the picture.");
inline constexpr const char *NotWithinImageMessage =
    QT_TRANSLATE_NOOP("imprimata", "The Imprimata window does not lie within the picture.");

QString noCrossingText();
QString notWithinImageText();

// The warning for a coverage; empty when the placement is wholly over the picture.
QString coverageWarning(Coverage coverage);

} // namespace imprimata
