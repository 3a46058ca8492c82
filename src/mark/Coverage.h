#pragma once

#include "platform/Rect.h"

#include <QString>

namespace imprimata {

// How the placement rectangle lies over the picture (both in screen pixels).
enum class Coverage { None, Partial, Whole };

Coverage coverage(const ScreenRect &picture, const ScreenRect &placement);

// The two warnings of the placement geometry.
inline constexpr const char *NoCrossingMessage =
    "The Imprimata window does not overlap the picture.";
inline constexpr const char *NotWithinImageMessage =
    "The Imprimata window does not lie within the picture.";

// The warning for a coverage; empty when the placement is wholly over the picture.
QString coverageWarning(Coverage coverage);

} // namespace imprimata
