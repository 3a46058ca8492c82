#pragma once

#include <QImage>
#include <QString>

namespace imprimata {

inline constexpr int DefaultJpegQuality = 90;

// The format follows the name alone: ".bmp" in any letter case writes a bitmap, any other
// name a JPEG file under exactly that name.
bool isBitmapName(const QString &path);

// Writes atomically: on any failure the file it would replace is untouched and error
// holds the system's description.
//
// A JPEG takes the EXIF, IPTC and XMP of the file at metadataSource (the picture was read
// from there and is now upright); a bitmap has no room for them. Metadata never costs the
// picture: when it cannot be kept the picture is still written, true is returned and warning
// gets one line for the user. warning is emptied otherwise. The source may be the very file
// being replaced.
bool writePicture(const QImage &image, const QString &path, QString *error,
                  int jpegQuality = DefaultJpegQuality, const QString &metadataSource = {},
                  QString *warning = nullptr);

} // namespace imprimata
