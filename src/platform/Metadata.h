#pragma once

#include <QByteArray>
#include <QString>

namespace imprimata {

// Carries the EXIF, IPTC and XMP of the picture file at source into jpeg, a whole JPEG file in
// memory that holds the same photograph, stamped and already turned upright. So the copy says
// the picture is upright, drops the camera's thumbnails (they would show it unstamped) and gives
// the picture's own size. The colour profile in jpeg stays; without one it takes the source's.
//
// Returns one line for the user when the metadata could not be kept, or not all of it; empty
// when everything was kept or the source has nothing to keep. Whatever happens, jpeg still
// holds the picture.
QString copyMetadata(const QString &source, QByteArray &jpeg);

} // namespace imprimata
