#pragma once

#include <QImage>
#include <QImageIOHandler>
#include <QRect>

namespace imprimata {

// How a stored picture is turned to be shown upright, as its EXIF orientation says.
using Turn = QImageIOHandler::Transformations;

// Turns a stored picture upright, exactly as the reader's automatic turn does; turnBack
// undoes it. A part of the picture turns as the whole does: the part's own corner goes where
// the whole's would.
void turnUpright(QImage &image, Turn turn);
void turnBack(QImage &image, Turn turn);

// Where a rectangle of the stored picture (of storedSize) lies in the upright one, and back.
QRect uprightRect(const QRect &stored, QSize storedSize, Turn turn);
QRect storedRect(const QRect &upright, QSize storedSize, Turn turn);

} // namespace imprimata
