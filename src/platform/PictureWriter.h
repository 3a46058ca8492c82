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
bool writePicture(const QImage &image, const QString &path, QString *error,
                  int jpegQuality = DefaultJpegQuality);

} // namespace imprimata
