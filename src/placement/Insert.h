#pragma once

#include "mark/MarkSettings.h"
#include "platform/DialogService.h"
#include "platform/PictureBox.h"
#include "platform/Rect.h"

namespace imprimata {

class PlacementWindow;

// Why the mark cannot be stamped as it stands (no text, no picture, no size, a kind this
// release does not know); empty when it can.
QString incompleteMarkReason(const MarkSettings &mark);

// Stamps the current mark into the picture where the placement window's mark view lies over
// it, repaints the picture and moves the placement window aside. Gives the picture's pixels
// the stamp may have changed; nothing, after a warning, when the two do not overlap; nothing
// and untouched for an incomplete mark, which the caller refuses with incompleteMarkReason
// beforehand. When covered is given, it receives that rectangle's pixels as they were before,
// for taking the stamp back.
QRect InsertMarkAtPlacement(PictureBox &Pic, PlacementWindow &placement, const QWidget &picFrame,
                            const SharedState &state, DialogService &dialogs,
                            QImage *covered = nullptr);

// Jumps the placement window a little more than its size towards the frame's centre.
void MovePlacementAside(const QWidget &picFrame, QWidget &placement);

// Copies the part of the picture under the placement rectangle (screen pixels) into the
// destination at the matching place; false when they do not overlap. Whoever shows the copy
// says how the two lie (coverage), without a message box in the user's way.
bool CaptureBackground(Surface &destination, const PictureBox &Pic, const ScreenRect &picture,
                       const ScreenRect &placement);

} // namespace imprimata
