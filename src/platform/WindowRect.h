#pragma once

#include "Rect.h"

class QWidget;

namespace imprimata {

// The widget's outer rectangle in screen pixels (a top-level window includes its frame).
ScreenRect windowRect(const QWidget *w);

} // namespace imprimata
