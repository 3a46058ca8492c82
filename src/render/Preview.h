#pragma once

#include "Stamp.h"

#include "platform/Rect.h"
#include "platform/Surface.h"

#include <QPoint>
#include <QSize>

namespace imprimata {

// The editor's pictures of the text preview.
struct TextPreviewSurfaces {
    Surface &preview; // holds the captured background at its origin and shows the result
    Surface &text;    // white text buffer, of the preview's size
    Surface &saved;   // takes the background before a blend
};

// Draws the text mark over the background the preview already holds, with the effects and
// constants of the stamp (smooth text exactly as stamped). The buffer is printed in the options'
// colour, flat outline edges in the preview's own fore colour. Nothing is refreshed.
void PreviewTextMark(const TextPreviewSurfaces &surfaces, const TextMarkOptions &options);

// Where the image preview goes: a box 200 pixels wider and 100 taller than the image,
// capped at the largest box, centred on the placement window, with the image centred in it.
struct ImagePreviewLayout {
    QSize size;         // of the preview box
    ScreenRect capture; // screen rectangle of the background to capture
    QPoint offset;      // of the image inside the box
};

ImagePreviewLayout imagePreviewLayout(QSize image, QSize largest,
                                      const ScreenRect &placementWindow);

// Draws the image at the offset over the background the preview already holds, combined by
// the raster operation (or its own alpha) and blended unless opaque. work is sized to the image and
// used as the scratch block.
void PreviewImageMark(Surface &preview, Surface &work, const Surface &image, QPoint offset,
                      const ImageMarkOptions &options);

} // namespace imprimata
