#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QtGlobal>

namespace imprimata {

class DialogService;

// The largest picture the program opens: 800 MiB of 32-bit pixels.
inline constexpr qint64 MaxPicturePixels = 200LL * 1024 * 1024;

struct PictureReadResult {
    QImage image; // Format_RGB32, turned upright by its EXIF orientation; null on failure
    QString error;
    bool ok() const { return !image.isNull(); }
};

// Reads a picture file with no window involved. Refuses a picture of more than maxPixels
// pixels, or one that cannot be allocated, as too large, and a truncated JPEG, BMP or GIF
// as damaged, before anything is decoded; other failures carry the reader's description.
PictureReadResult readPicture(const QString &path, qint64 maxPixels = MaxPicturePixels);

// Whether the bytes of a file in the given format (as QImageReader names it) hold the
// whole picture. Formats it does not know are taken as complete.
bool isPictureComplete(const QByteArray &format, const char *data, qint64 size);

// Reads the file into the holder and gives its pixel size. On failure shows the error as a
// message and leaves holder, width and height as they were.
bool LoadPictureSize(const QString &path, QImage &holder, int &width, int &height,
                     DialogService &dialogs);

} // namespace imprimata
