#pragma once

#include "platform/JpegBlocks.h"
#include "platform/JpegEncoder.h"
#include "platform/JpegRecode.h"
#include "platform/Result.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QtGlobal>
#include <optional>

namespace imprimata {

// The largest picture the program opens: 800 MiB of 32-bit pixels.
inline constexpr qint64 MaxPicturePixels = 200LL * 1024 * 1024;

// No mark is drawn anywhere near this size: a bigger mark picture would only cost time and
// memory to read.
inline constexpr qint64 MaxMarkPicturePixels = 25LL * 1000 * 1000;

// Reads a picture file (JPEG, BMP, GIF, PNG, TIFF, WebP) with no window involved, into
// Format_RGB32 turned upright by its EXIF orientation; an alpha channel is dropped, the
// colours under it kept as stored. Refuses at once what is not a regular file
// (a FIFO would block the read). Refuses a picture of more than maxPixels pixels, or one that
// cannot be allocated, as too large; and as damaged, before anything is decoded, a truncated
// file or a JPEG, BMP or GIF far too small for the size it claims; a JPEG whose data turns out
// corrupt while decoding is damaged too. Other failures carry the reader's description.
Result<QImage> readPicture(const QString &path, qint64 maxPixels = MaxPicturePixels);

// A picture split for stamping, which changes colours only.
struct PictureLayers {
    QImage colours;    // as readPicture gives them
    QImage alpha;      // Format_Alpha8, upright; null when every pixel is opaque
    bool deep = false; // stored with more than 8 bits a channel, which the colours no longer have
};

// readPicture, keeping the alpha channel and telling the depth it had.
Result<PictureLayers> readPictureLayers(const QString &path, qint64 maxPixels = MaxPicturePixels);

// The size of the picture as readPicture would give it (upright), from its header alone;
// refused as readPicture refuses a file before decoding it.
Result<QSize> pictureSize(const QString &path, qint64 maxPixels = MaxPicturePixels);

// Changes a JPEG file in the given areas of the picture as shown (upright), re-encoding only
// the blocks they touch (changeJpegBlocks tells how). Refused for what readPicture would
// refuse before decoding, for other formats, and for what the block copy cannot keep; the
// caller then encodes the whole picture.
Result<QByteArray> changeJpegFile(const QString &path, const QList<QRect> &areas,
                                  const PixelChange &change, qint64 maxPixels = MaxPicturePixels);

// Decodes a JPEG file and encodes it again as `encoding` a few rows at a time, never holding
// the whole picture (recodeJpeg tells how); `change` gets the rows `band` spans. Refused for
// what changeJpegFile refuses before decoding, for pictures not stored upright, and for what
// recodeJpeg refuses; the caller then reads the whole picture.
Result<QByteArray> recodeJpegFile(const QString &path, const JpegEncoding &encoding,
                                  const QRect &band, const PixelChange &change,
                                  qint64 maxPixels = MaxPicturePixels);

// How a JPEG saved from the picture at source is encoded: a JPEG source's own way (its
// sampling, and the quality its tables were made at) unless a quality is given; for other
// sources 4:2:0 at that quality or DefaultJpegQuality.
JpegEncoding jpegEncodingFor(const QString &source, std::optional<int> quality = std::nullopt);

// The most memory readPicture(path, maxPixels) holds at once for the picture, from the file's
// header alone: the picture, the decoder's working store (and a JPEG's bytes, mapped while it
// is decoded), a copy while converting or turning it upright. 0 when the header already shows
// the read will be refused before allocating (not a regular file, unreadable, unknown size,
// too large, too small for its size).
qint64 pictureDecodeBytes(const QString &path, qint64 maxPixels = MaxPicturePixels);

// Whether the bytes of a file in the given format (as QImageReader names it) hold the
// whole picture. Formats it does not know are taken as complete.
bool isPictureComplete(const QByteArray &format, const char *data, qint64 size);

} // namespace imprimata
