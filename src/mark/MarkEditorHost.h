#pragma once

#include "platform/Rect.h"
#include "platform/Surface.h"

#include <QSize>

namespace imprimata {

// What the mark editor needs of the windows above it: where the shown picture and the
// placement window lie on the screen, the size of the placement window's work picture, and copying
// the picture under a screen rectangle into one of the editor's pictures.
class MarkEditorHost {
public:
    virtual ~MarkEditorHost() = default;

    // The main window's picture, in screen pixels.
    virtual ScreenRect pictureWindowRect() const = 0;
    // The placement window's outer rectangle, in screen pixels.
    virtual ScreenRect placementWindowRect() const = 0;

    // Size in pixels of the placement window's work picture PicIM(1).
    virtual QSize placementWorkSize() const = 0;
    virtual void setPlacementWorkSize(QSize size) = 0;
    // The work picture's screen rectangle were it of that size (its position unchanged).
    virtual ScreenRect placementWorkRect(QSize size) const = 0;

    // Copies the picture lying under `placement` into `destination`; false when the two
    // rectangles do not overlap. Nothing is said to the user: the editor shows a warning line.
    virtual bool CaptureBackground(Surface &destination, const ScreenRect &picture,
                                   const ScreenRect &placement) = 0;
};

} // namespace imprimata
