#include "PictureLoader.h"

#include "platform/Dialogs.h"

#include <QFile>
#include <QFileInfo>
#include <QImageIOHandler>
#include <QImageReader>
#include <algorithm>
#include <cstring>
#include <limits>
#include <mutex>

namespace imprimata {

namespace {

using Byte = unsigned char;

quint32 le16(const Byte *p) {
    return quint32(p[0]) | (quint32(p[1]) << 8);
}
quint32 le32(const Byte *p) {
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

// Walks the markers from SOI to EOI, skipping segments by their lengths and scan data up to
// the next real marker. Anything after EOI (padding, appended data) is fine.
bool jpegComplete(const Byte *p, qint64 n) {
    if (n < 4 || p[0] != 0xFF || p[1] != 0xD8)
        return false;
    qint64 i = 2;
    for (;;) {
        // Tolerate stray bytes between segments, as decoders do.
        const void *ff =
            i < n ? std::memchr(p + i, 0xFF, static_cast<std::size_t>(n - i)) : nullptr;
        if (!ff)
            return false;
        i = static_cast<const Byte *>(ff) - p;
        while (i < n && p[i] == 0xFF)
            ++i;
        if (i >= n)
            return false;
        const Byte marker = p[i++];
        if (marker == 0xD9)
            return true;
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue; // no length follows
        if (i + 2 > n)
            return false;
        const qint64 length = (qint64(p[i]) << 8) | p[i + 1];
        if (length < 2)
            return false;
        i += length;
        if (i > n)
            return false;
        if (marker != 0xDA)
            continue;
        // Scan data: 0xFF is followed by a stuffed zero or a restart marker, until the
        // marker that ends the scan.
        for (;;) {
            const void *next =
                i < n ? std::memchr(p + i, 0xFF, static_cast<std::size_t>(n - i)) : nullptr;
            if (!next)
                return false;
            const qint64 at = static_cast<const Byte *>(next) - p;
            qint64 j = at + 1;
            while (j < n && p[j] == 0xFF)
                ++j;
            if (j >= n)
                return false;
            if (p[j] == 0x00 || (p[j] >= 0xD0 && p[j] <= 0xD7)) {
                i = j + 1;
                continue;
            }
            i = at;
            break;
        }
    }
}

// Follows the run-length codes to the end-of-bitmap code, or until every row has ended.
bool bmpRleComplete(const Byte *p, qint64 n, qint64 start, qint64 rows, bool fourBit) {
    qint64 i = start;
    qint64 rowsEnded = 0;
    while (i + 2 <= n) {
        const Byte count = p[i];
        const Byte code = p[i + 1];
        i += 2;
        if (count != 0)
            continue;
        if (code == 0) {
            if (++rowsEnded >= rows)
                return true;
        } else if (code == 1) {
            return true;
        } else if (code == 2) {
            i += 2;
        } else {
            const qint64 bytes = fourBit ? (code + 1) / 2 : code;
            i += bytes + (bytes & 1);
        }
    }
    return false;
}

// The file must hold the pixel data its header announces.
bool bmpComplete(const Byte *p, qint64 n) {
    if (n < 26 || p[0] != 'B' || p[1] != 'M')
        return false;
    const qint64 offset = le32(p + 10);
    const quint32 headerSize = le32(p + 14);
    qint64 width = 0, height = 0, bits = 0, compression = 0, imageSize = 0;
    if (headerSize == 12) {
        width = le16(p + 18);
        height = le16(p + 20);
        bits = le16(p + 24);
    } else if (headerSize >= 40) {
        if (n < 38)
            return false;
        width = static_cast<qint32>(le32(p + 18));
        height = static_cast<qint32>(le32(p + 22));
        bits = le16(p + 28);
        compression = le32(p + 30);
        imageSize = le32(p + 34);
    } else {
        return true; // a header the reader judges for itself
    }
    height = height < 0 ? -height : height;
    if (width <= 0 || height == 0 || bits == 0)
        return true; // nonsense the reader refuses with its own words
    switch (compression) {
    case 0: // uncompressed
    case 3: // bit fields
    case 6: {
        const qint64 rowBytes = (bits * width + 31) / 32 * 4;
        // Some writers leave out the padding of the last row.
        const qint64 needed = offset + rowBytes * (height - 1) + (bits * width + 7) / 8;
        return needed <= n;
    }
    case 1:
        return bmpRleComplete(p, n, offset, height, false);
    case 2:
        return bmpRleComplete(p, n, offset, height, true);
    case 4: // embedded JPEG or PNG
    case 5:
        return offset + imageSize <= n;
    default:
        return true;
    }
}

// Skips a chain of data sub-blocks; false when the file ends inside it.
bool skipSubBlocks(const Byte *p, qint64 n, qint64 &i) {
    for (;;) {
        if (i >= n)
            return false;
        const Byte length = p[i++];
        if (length == 0)
            return true;
        i += length;
    }
}

// Walks the blocks up to the trailer.
bool gifComplete(const Byte *p, qint64 n) {
    if (n < 13 || std::memcmp(p, "GIF", 3) != 0)
        return false;
    qint64 i = 13;
    if (p[10] & 0x80)
        i += 3LL << ((p[10] & 7) + 1);
    int images = 0;
    for (;;) {
        if (i >= n)
            return false;
        const Byte block = p[i++];
        if (block == 0x3B)
            return true;
        if (block == 0x21) {
            ++i; // label
            if (!skipSubBlocks(p, n, i))
                return false;
        } else if (block == 0x2C) {
            if (i + 9 > n)
                return false;
            const Byte flags = p[i + 8];
            i += 9;
            if (flags & 0x80)
                i += 3LL << ((flags & 7) + 1);
            ++i; // code size
            if (!skipSubBlocks(p, n, i))
                return false;
            ++images;
        } else {
            return images > 0; // stray bytes after complete pictures
        }
    }
}

QString tooLargeText(const QString &name, qint64 w, qint64 h) {
    return QStringLiteral("The picture %1 is too large to open (%2 \u00d7 %3 pixels).")
        .arg(name)
        .arg(w)
        .arg(h);
}

QString damagedText(const QString &name) {
    return QStringLiteral("The picture %1 is damaged or incomplete and was not opened.").arg(name);
}

} // namespace

bool isPictureComplete(const QByteArray &format, const char *data, qint64 size) {
    const auto *p = reinterpret_cast<const Byte *>(data);
    const QByteArray f = format.toLower();
    if (f == "jpeg" || f == "jpg")
        return jpegComplete(p, size);
    if (f == "bmp" || f == "dib")
        return bmpComplete(p, size);
    if (f == "gif")
        return gifComplete(p, size);
    return true;
}

PictureReadResult readPicture(const QString &path, qint64 maxPixels) {
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {{}, file.errorString()};

    // The reader's own limit stays above ours, so our check is the one that speaks. The limit
    // is process-wide: raise it once, not from every thread that reads.
    static std::once_flag raised;
    std::call_once(raised, [] {
        QImageReader::setAllocationLimit(static_cast<int>(MaxPicturePixels * 8 / (1 << 20)));
    });

    QImageReader reader(&file);
    reader.setAutoTransform(true);
    if (!reader.canRead()) {
        // Only a read attempt gives the reader's own description.
        QImage none;
        reader.read(&none);
        return {{}, reader.errorString()};
    }
    const QByteArray format = reader.format();

    // The size as stored; the message gives it as the picture will be shown.
    const QSize size = reader.size();
    QSize shown = size;
    if (size.isValid()) {
        const qint64 pixels = qint64(size.width()) * size.height();
        if (reader.transformation() & QImageIOHandler::TransformationRotate90)
            shown.transpose();
        if (pixels > maxPixels)
            return {{}, tooLargeText(name, shown.width(), shown.height())};
    }

    {
        QFile check(path);
        if (!check.open(QIODevice::ReadOnly))
            return {{}, check.errorString()};
        const qint64 length = check.size();
        const uchar *mapped = length > 0 ? check.map(0, length) : nullptr;
        const QByteArray bytes = mapped ? QByteArray() : check.readAll();
        const char *data = mapped ? reinterpret_cast<const char *>(mapped) : bytes.constData();
        const qint64 n = mapped ? length : bytes.size();
        if (!isPictureComplete(format, data, n))
            return {{}, damagedText(name)};
    }

    QImage image;
    if (size.isValid()) {
        // Claim the memory first: a picture that does not fit is too large, not damaged.
        image = QImage(size, QImage::Format_RGB32);
        if (image.isNull())
            return {{}, tooLargeText(name, shown.width(), shown.height())};
    }
    if (!reader.read(&image)) {
        if (reader.error() == QImageReader::InvalidDataError)
            return {{}, damagedText(name)};
        return {{}, reader.errorString()};
    }
    if (image.format() != QImage::Format_RGB32) {
        const QSize decoded = image.size();
        image = image.convertToFormat(QImage::Format_RGB32);
        if (image.isNull())
            return {{}, tooLargeText(name, decoded.width(), decoded.height())};
    }
    return {image, {}};
}

bool LoadPictureSize(const QString &path, QImage &holder, int &width, int &height,
                     DialogService &dialogs) {
    PictureReadResult result = readPicture(path);
    if (!result.ok()) {
        dialogs.message(result.error, MessageIcon::None);
        return false;
    }
    holder = std::move(result.image);
    width = holder.width();
    height = holder.height();
    return true;
}

} // namespace imprimata
