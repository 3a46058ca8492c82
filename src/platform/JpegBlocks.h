#pragma once

#include "Orientation.h"
#include "Result.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRect>
#include <functional>

namespace imprimata {

// Changes the pixels of a part of a picture: gets the decoded picture around it (upright),
// with the upright picture's coordinates of its top-left pixel, and alters it in place.
using PixelChange = std::function<void(QImage &pixels, QPoint origin)>;

// Changes a JPEG in a few places without costing the rest of it a generation of loss: only
// the blocks (whole MCUs) that hold changed pixels are encoded again, with the file's own
// quantisation tables and sampling; every other block is copied as it is, and the scans are
// written as the file had them (baseline or progressive, restart markers, the standard
// Huffman tables or optimised ones). A file of one sequential scan is not even decoded whole:
// only the MCU rows around the areas are. When its Huffman tables have the codes the changed
// blocks need, every other bit of its scan is copied; when they lack some, the tables are
// widened and the rest of the scan is re-coded code by code, its coefficients untouched.
//
// `areas` are rectangles of the picture shown upright by `turn`. For each, `change` gets
// the decoded pixels of the area grown to whole MCUs and by one MCU more (so colour that the
// decoder smooths across block edges is as in the whole picture's decode); what it leaves in
// the area's MCUs is encoded, the rest is not used (it may be asked twice, when the file's
// tables cannot be widened to cover the change). The result is the new file's scans with only the
// segments that say how they are coded; the caller carries the metadata over.
//
// Refuses, so the caller can encode the whole picture instead, what it cannot keep that way:
// arithmetic coding, colour models other than YCbCr and grey, 12-bit samples, damaged data.
Result<QByteArray> changeJpegBlocks(const uchar *data, qint64 size, Turn turn,
                                    const QList<QRect> &areas, const PixelChange &change);

} // namespace imprimata
