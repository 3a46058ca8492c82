#pragma once

#include "JpegBlocks.h"
#include "JpegEncoder.h"
#include "Result.h"

#include <QRect>

namespace imprimata {

// Decodes a JPEG held in memory and encodes it again as `encoding`, a few rows at a time and
// on two threads at once, so that the whole picture is never in memory: `change` gets the
// rows `band` spans (the picture's whole width, as stored, in Format_RGB32; its origin is the
// band's top-left) once, before they are encoded. The comments, ICC profile and resolution
// are kept as decodeJpeg and encodeJpeg keep them. The EXIF orientation is not applied, so it
// suits pictures stored upright. Refuses what decodeJpeg refuses, and CMYK pictures.
Result<QByteArray> recodeJpeg(const uchar *data, qint64 size, const JpegEncoding &encoding,
                              const QRect &band, const PixelChange &change);

} // namespace imprimata
