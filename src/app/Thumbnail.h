#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

namespace imprimata {

// Where the thumbnail of a picture goes inside the preview frame, in pixels: its own size
// when it fits the box (the frame less 6 pixels across and 12 down), else scaled to the
// box keeping its shape; centred across, and down within the frame below its 9-pixel band.
QRect thumbnailRect(QSize picture, QSize frame, double twipsPerPixelX, double twipsPerPixelY);

// The picture scaled to the thumbnail's size, cheaply even for very large pictures.
QImage thumbnailImage(const QImage &picture, QSize size);

// Page step of a scroll bar whose range ends at max: a tenth of it, at least 1.
int largeChange(int max);

} // namespace imprimata
