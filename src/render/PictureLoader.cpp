#include "PictureLoader.h"

#include "platform/JpegBlocks.h"
#include "platform/JpegDecoder.h"
#include "platform/JpegSegments.h"
#include "platform/Orientation.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImageIOHandler>
#include <QImageReader>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace imprimata {

namespace {

using Byte = unsigned char;

quint32 le16(const Byte *p) {
    return quint32(p[0]) | (quint32(p[1]) << 8);
}
quint32 le32(const Byte *p) {
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}
quint32 be32(const Byte *p) {
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
}

bool jpegComplete(const Byte *p, qint64 n) {
    return jpegScanCount(p, n).has_value();
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

struct BmpLayout {
    qint64 offset = 0;
    qint64 width = 0;
    qint64 height = 0; // rows, whichever way they are stored
    qint64 bits = 0;
    qint64 compression = 0;
    qint64 imageSize = 0;
};

// Nothing when the header is not one the checks below understand.
std::optional<BmpLayout> bmpLayout(const Byte *p, qint64 n) {
    if (n < 26 || p[0] != 'B' || p[1] != 'M')
        return std::nullopt;
    BmpLayout b;
    b.offset = le32(p + 10);
    const quint32 headerSize = le32(p + 14);
    if (headerSize == 12) {
        b.width = le16(p + 18);
        b.height = le16(p + 20);
        b.bits = le16(p + 24);
    } else if (headerSize >= 40 && n >= 38) {
        b.width = static_cast<qint32>(le32(p + 18));
        b.height = static_cast<qint32>(le32(p + 22));
        b.bits = le16(p + 28);
        b.compression = le32(p + 30);
        b.imageSize = le32(p + 34);
    } else {
        return std::nullopt;
    }
    b.height = b.height < 0 ? -b.height : b.height; // a qint64, so INT_MIN turns too
    return b;
}

bool isUncompressed(const BmpLayout &b) {
    return b.compression == 0 || b.compression == 3 || b.compression == 6;
}

// Where the rows of an uncompressed bitmap end with every row padded to four bytes, and where
// they end without the last row's padding; nothing when that does not fit in 63 bits.
std::optional<std::pair<qint64, qint64>> bmpRowsEnd(const BmpLayout &b) {
    const qint64 rowBits = b.bits * b.width; // at most 2^16 * 2^31
    const qint64 rowBytes = (rowBits + 31) / 32 * 4;
    qint64 rows = 0;
    qint64 padded = 0;
    if (__builtin_mul_overflow(rowBytes, b.height - 1, &rows) ||
        __builtin_add_overflow(b.offset, rows, &rows) ||
        __builtin_add_overflow(rows, rowBytes, &padded))
        return std::nullopt;
    return std::pair{padded, rows + (rowBits + 7) / 8};
}

// The file must hold the pixel data its header announces.
bool bmpComplete(const Byte *p, qint64 n) {
    if (n < 26 || p[0] != 'B' || p[1] != 'M' || (le32(p + 14) >= 40 && n < 38))
        return false;
    const std::optional<BmpLayout> b = bmpLayout(p, n);
    if (!b)
        return true; // a header the reader judges for itself
    if (b->width <= 0 || b->height == 0 || b->bits == 0)
        return true; // nonsense the reader refuses with its own words
    if (isUncompressed(*b)) {
        // Some writers leave out the padding of the last row.
        const auto end = bmpRowsEnd(*b);
        return end && end->second <= n;
    }
    switch (b->compression) {
    case 1:
        return bmpRleComplete(p, n, b->offset, b->height, false);
    case 2:
        return bmpRleComplete(p, n, b->offset, b->height, true);
    case 4: // embedded JPEG or PNG
    case 5:
        return b->offset + b->imageSize <= n;
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

// The canvas Qt's reader paints the first frame on: the logical screen, or more if the frame
// reaches past it. Its reported size is the frame's alone.
std::optional<QSize> gifCanvas(const Byte *p, qint64 n) {
    if (n < 13 || std::memcmp(p, "GIF", 3) != 0)
        return std::nullopt;
    qint64 i = 13;
    if (p[10] & 0x80)
        i += 3LL << ((p[10] & 7) + 1);
    while (i < n) {
        const Byte block = p[i++];
        if (block == 0x21) {
            ++i; // label
            if (!skipSubBlocks(p, n, i))
                return std::nullopt;
        } else if (block == 0x2C && i + 8 <= n) {
            const int w = int(std::max(le16(p + 6), le16(p + i) + le16(p + i + 4)));
            const int h = int(std::max(le16(p + 8), le16(p + i + 2) + le16(p + i + 6)));
            return QSize(w, h);
        } else {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

// Walks the chunks up to IEND; every chunk, its checksum included, must be there.
bool pngComplete(const Byte *p, qint64 n) {
    if (n < 8 || std::memcmp(p, "\x89PNG\r\n\x1a\n", 8) != 0)
        return false;
    qint64 i = 8;
    while (i + 12 <= n) {
        const qint64 length = be32(p + i);
        const bool end = std::memcmp(p + i + 4, "IEND", 4) == 0;
        i += 12 + length;
        if (end)
            return i <= n;
    }
    return false;
}

// The RIFF container says how long it is.
bool webpComplete(const Byte *p, qint64 n) {
    if (n < 12 || std::memcmp(p, "RIFF", 4) != 0 || std::memcmp(p + 8, "WEBP", 4) != 0)
        return false;
    return 8 + qint64(le32(p + 4)) <= n;
}

// A classic TIFF's first picture: its directory, and every strip or tile it points to, must
// lie in the file. BigTIFF is left to the reader.
class TiffWalk {
public:
    TiffWalk(const Byte *p, qint64 n) : p_(p), n_(n), little_(n >= 2 && p[0] == 'I') {}

    bool complete() const {
        if (n_ < 8 || u16(2) == 43)
            return n_ >= 8;
        const qint64 ifd = u32(4);
        if (ifd + 2 > n_)
            return false;
        const qint64 count = u16(ifd);
        if (ifd + 2 + count * 12 > n_)
            return false;
        qint64 offsets = -1, counts = -1;
        for (qint64 e = ifd + 2; e < ifd + 2 + count * 12; e += 12) {
            const quint32 tag = u16(e);
            if (tag == 273 || tag == 324) // StripOffsets, TileOffsets
                offsets = e;
            else if (tag == 279 || tag == 325) // StripByteCounts, TileByteCounts
                counts = e;
        }
        if (offsets < 0 || counts < 0)
            return true; // nonsense the reader refuses with its own words
        const qint64 pieces = u32(offsets + 4);
        if (pieces != qint64(u32(counts + 4)))
            return false;
        for (qint64 k = 0; k < pieces; ++k) {
            const std::optional<qint64> at = value(offsets, k);
            const std::optional<qint64> size = value(counts, k);
            if (!at || !size || *at + *size > n_)
                return false;
        }
        return true;
    }

private:
    quint32 u16(qint64 at) const {
        return little_ ? le16(p_ + at) : (quint32(p_[at]) << 8) | p_[at + 1];
    }
    quint32 u32(qint64 at) const { return little_ ? le32(p_ + at) : be32(p_ + at); }

    // The k-th SHORT or LONG value of a directory entry, held in the entry when it fits.
    std::optional<qint64> value(qint64 entry, qint64 k) const {
        const quint32 type = u16(entry + 2);
        const qint64 width = type == 3 ? 2 : type == 4 ? 4 : 0;
        if (width == 0)
            return std::nullopt;
        const qint64 count = u32(entry + 4);
        const qint64 base = count * width <= 4 ? entry + 8 : u32(entry + 8);
        const qint64 at = base + k * width;
        if (at + width > n_)
            return std::nullopt;
        return width == 2 ? u16(at) : u32(at);
    }

    const Byte *p_;
    qint64 n_;
    bool little_;
};

QString tooLargeText(const QString &name, qint64 w, qint64 h) {
    return QCoreApplication::translate("imprimata",
                                       "The picture %1 is too large to open (%2 × %3 pixels).")
        .arg(name)
        .arg(w)
        .arg(h);
}

QString damagedText(const QString &name) {
    return QCoreApplication::translate(
               "imprimata", "The picture %1 is damaged or incomplete and was not opened.")
        .arg(name);
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
    if (f == "png")
        return pngComplete(p, size);
    if (f == "webp")
        return webpComplete(p, size);
    if (f == "tif" || f == "tiff")
        return TiffWalk(p, size).complete();
    return true;
}

namespace {

bool isJpeg(const QByteArray &format) {
    return format == "jpeg" || format == "jpg";
}

bool isBmp(const QByteArray &format) {
    return format == "bmp" || format == "dib";
}

// Huffman-coded JPEG needs at least a bit for each 8 x 8 block (at most 512 pixels a byte),
// GIF's LZW gives at most about 2730 pixels a byte. A file claiming more pixels than this
// for each of its bytes is a decompression bomb, or damaged; small pictures are let be.
constexpr qint64 MaxPixelsPerByte = 4096;
constexpr qint64 SmallPicturePixels = 4LL * 1024 * 1024;

bool isTooSmallForSize(const QByteArray &format, const Byte *p, qint64 n, qint64 pixels) {
    if (pixels <= SmallPicturePixels || pixels / MaxPixelsPerByte <= n)
        return false;
    if (isJpeg(format) || format == "gif")
        return true;
    if (isBmp(format)) {
        // The run-length kinds; plain rows are held to their full length anyway.
        const std::optional<BmpLayout> b = bmpLayout(p, n);
        return b && (b->compression == 1 || b->compression == 2);
    }
    return false;
}

QString notRegularText(const QString &name) {
    return QCoreApplication::translate("imprimata", "%1 is not a regular file.").arg(name);
}

// Opens the file for reading only if it is a regular file (a symbolic link to one is fine).
// The kind is checked before opening, since merely opening a FIFO waits for a writer, and
// again on the open file in case it was swapped in between.
QString openRegularFile(const QString &path, QFile &file) {
    const QString name = QFileInfo(path).fileName();
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0)
        return qt_error_string(errno);
    if (!S_ISREG(st.st_mode))
        return notRegularText(name);
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return qt_error_string(errno);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return notRegularText(name);
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return file.errorString();
    }
    return {};
}

// What the header says of a picture file, with its bytes at hand.
struct PictureProbe {
    QString name;
    QFile file;
    std::unique_ptr<QImageReader> reader;
    QByteArray format; // lower case
    QSize size;        // as stored; invalid when the header does not say
    QImageIOHandler::Transformations turn = QImageIOHandler::TransformationNone;
    const uchar *data = nullptr;
    qint64 length = 0;
    QByteArray copy; // the bytes, when the file cannot be mapped

    qint64 pixels() const { return size.isValid() ? qint64(size.width()) * size.height() : 0; }
    // Let the mapped pages go before a plugin reads the file its own way.
    void releaseBytes() {
        if (copy.isNull())
            file.unmap(const_cast<uchar *>(data));
        data = nullptr;
        length = 0;
        copy = QByteArray();
    }
    QString tooLarge() const {
        const QSize shown =
            turn & QImageIOHandler::TransformationRotate90 ? size.transposed() : size;
        return tooLargeText(name, shown.width(), shown.height());
    }
};

// Opens the file and reads its header; the refusal, if the header already calls for one.
QString probePicture(const QString &path, qint64 maxPixels, PictureProbe &probe) {
    probe.name = QFileInfo(path).fileName();
    if (const QString error = openRegularFile(path, probe.file); !error.isEmpty())
        return error;
    if (probe.file.size() == 0)
        return damagedText(probe.name);

    // The reader's own limit stays above ours, so our check is the one that speaks. The limit
    // is process-wide: raise it once, not from every thread that reads.
    static std::once_flag raised;
    std::call_once(raised, [] {
        QImageReader::setAllocationLimit(static_cast<int>(MaxPicturePixels * 8 / (1 << 20)));
    });

    probe.reader = std::make_unique<QImageReader>(&probe.file);
    QImageReader &reader = *probe.reader;
    reader.setAutoTransform(false); // turned below, the same way for every format
    if (!reader.canRead()) {
        // Only a read attempt gives the reader's own description.
        QImage none;
        reader.read(&none);
        return reader.errorString();
    }
    probe.format = reader.format().toLower();
    probe.size = reader.size();
    probe.turn = reader.transformation();
    if (probe.pixels() > maxPixels)
        return probe.tooLarge();

    probe.length = probe.file.size();
    probe.data = probe.file.map(0, probe.length);
    if (!probe.data) {
        // The reader may have left the file just past the header it read.
        const qint64 at = probe.file.pos();
        probe.file.seek(0);
        probe.copy = probe.file.readAll();
        probe.file.seek(at);
        probe.data = reinterpret_cast<const uchar *>(probe.copy.constData());
        probe.length = probe.copy.size();
    }
    // What will really be allocated, where the reader does not say it.
    if (probe.format == "gif") {
        if (const std::optional<QSize> canvas = gifCanvas(probe.data, probe.length))
            probe.size = *canvas;
    } else if (isJpeg(probe.format) && !probe.size.isValid()) {
        if (const std::optional<JpegHeader> header = readJpegHeader(probe.data, probe.length))
            probe.size = QSize(header->width, header->height);
    }
    if (probe.pixels() > maxPixels)
        return probe.tooLarge();
    if (isTooSmallForSize(probe.format, probe.data, probe.length, probe.pixels()))
        return damagedText(probe.name);
    return {};
}

// A bitmap whose last row lacks its padding is read from a padded copy, since Qt's reader
// skips a short row and leaves it unset.
QByteArray paddedBitmap(const PictureProbe &probe) {
    if (!isBmp(probe.format))
        return {};
    const std::optional<BmpLayout> b = bmpLayout(probe.data, probe.length);
    if (!b || !isUncompressed(*b) || b->width <= 0 || b->height == 0 || b->bits == 0)
        return {};
    const auto end = bmpRowsEnd(*b);
    if (!end || end->first <= probe.length || end->first - probe.length > 3)
        return {};
    QByteArray padded(reinterpret_cast<const char *>(probe.data), probe.length);
    padded.append(QByteArray(end->first - probe.length, '\0'));
    return padded;
}

// Reads through Qt's plugins. The bitmap reader writes into a picture of the right size and
// format when given one: it gets one cleared, so that pixels it skips are the first colour
// rather than whatever the memory held. Others allocate their own (GIF's canvas is not the
// size its reader reports).
Result<QImage> readWithPlugin(PictureProbe &probe) {
    const QByteArray padded = paddedBitmap(probe);
    probe.releaseBytes();
    QBuffer buffer;
    std::unique_ptr<QImageReader> fromBuffer;
    QImageReader *reader = probe.reader.get();
    if (!padded.isEmpty()) {
        buffer.setData(padded);
        buffer.open(QIODevice::ReadOnly);
        fromBuffer = std::make_unique<QImageReader>(&buffer, probe.format);
        fromBuffer->setAutoTransform(false);
        reader = fromBuffer.get();
    }

    QImage image;
    if (probe.size.isValid()) {
        // Claim the memory first: a picture that does not fit is too large, not damaged.
        QImage::Format format = reader->imageFormat();
        if (format == QImage::Format_Invalid)
            format = QImage::Format_RGB32;
        QImage claimed(probe.size, format);
        if (claimed.isNull())
            return Failure{probe.tooLarge()};
        if (isBmp(probe.format)) {
            claimed.fill(claimed.hasAlphaChannel() || claimed.depth() < 32 ? 0u : 0xff000000u);
            image = std::move(claimed);
        }
    }
    if (!reader->read(&image)) {
        if (reader->error() == QImageReader::InvalidDataError)
            return Failure{damagedText(probe.name)};
        return Failure{reader->errorString()};
    }
    return image;
}

bool isOpaque(const QImage &alpha) {
    for (int y = 0; y < alpha.height(); ++y) {
        const uchar *a = alpha.constScanLine(y);
        if (std::any_of(a, a + alpha.width(), [](uchar v) { return v != 255; }))
            return false;
    }
    return true;
}

// More than 8 bits a channel: what an 8-bit picture cannot hold.
bool isDeep(QImage::Format format) {
    return format == QImage::Format_Grayscale16 ||
           QImage::toPixelFormat(format).bitsPerPixel() > 32;
}

Result<PictureLayers> readLayers(const QString &path, qint64 maxPixels, bool keepAlpha) {
    PictureProbe probe;
    if (const QString error = probePicture(path, maxPixels, probe); !error.isEmpty())
        return Failure{error};
    if (!isPictureComplete(probe.format, reinterpret_cast<const char *>(probe.data), probe.length))
        return Failure{damagedText(probe.name)};

    QImage image;
    if (isJpeg(probe.format)) {
        // Qt's reader drops libjpeg's warnings about corrupt data and shows the rest grey.
        Result<QImage, JpegFault> decoded = decodeJpeg(probe.data, probe.length);
        if (!decoded)
            return Failure{decoded.error() == JpegFault::TooLarge ? probe.tooLarge()
                                                                  : damagedText(probe.name)};
        image = std::move(decoded).value();
    } else {
        Result<QImage> read = readWithPlugin(probe);
        if (!read)
            return Failure{read.error()};
        image = std::move(read).value();
    }

    PictureLayers layers;
    layers.deep = isDeep(image.format());
    const QSize decoded = image.size();
    if (keepAlpha && image.hasAlphaChannel()) {
        layers.alpha = image.convertToFormat(QImage::Format_Alpha8);
        if (layers.alpha.isNull())
            return Failure{tooLargeText(probe.name, decoded.width(), decoded.height())};
        // A picture whose format has alpha but whose every pixel is opaque has none to keep.
        if (isOpaque(layers.alpha)) {
            layers.alpha = QImage();
        } else {
            turnUpright(layers.alpha, probe.turn);
            if (layers.alpha.isNull())
                return Failure{probe.tooLarge()};
        }
    }
    // Qt's conversion keeps the colours of a picture with alpha as they are, not premultiplied.
    if (image.format() != QImage::Format_RGB32) {
        image = std::move(image).convertToFormat(QImage::Format_RGB32);
        if (image.isNull())
            return Failure{tooLargeText(probe.name, decoded.width(), decoded.height())};
    }
    turnUpright(image, probe.turn);
    if (image.isNull())
        return Failure{probe.tooLarge()};
    layers.colours = std::move(image);
    return layers;
}

} // namespace

Result<QImage> readPicture(const QString &path, qint64 maxPixels) {
    Result<PictureLayers> read = readLayers(path, maxPixels, false);
    if (!read)
        return Failure{read.error()};
    return std::move(read->colours);
}

Result<PictureLayers> readPictureLayers(const QString &path, qint64 maxPixels) {
    return readLayers(path, maxPixels, true);
}

Result<QSize> pictureSize(const QString &path, qint64 maxPixels) {
    PictureProbe probe;
    if (const QString error = probePicture(path, maxPixels, probe); !error.isEmpty())
        return Failure{error};
    if (!probe.size.isValid())
        return Failure{damagedText(probe.name)};
    return probe.turn & QImageIOHandler::TransformationRotate90 ? probe.size.transposed()
                                                                : probe.size;
}

Result<QByteArray> changeJpegFile(const QString &path, const QList<QRect> &areas,
                                  const PixelChange &change, qint64 maxPixels) {
    PictureProbe probe;
    if (const QString error = probePicture(path, maxPixels, probe); !error.isEmpty())
        return Failure{error};
    if (!isJpeg(probe.format))
        return Failure{
            QCoreApplication::translate("imprimata", "%1 is not a JPEG file").arg(probe.name)};
    if (!isPictureComplete(probe.format, reinterpret_cast<const char *>(probe.data), probe.length))
        return Failure{damagedText(probe.name)};
    return changeJpegBlocks(probe.data, probe.length, probe.turn, areas, change);
}

Result<QByteArray> recodeJpegFile(const QString &path, const JpegEncoding &encoding,
                                  const QRect &band, const PixelChange &change, qint64 maxPixels) {
    PictureProbe probe;
    if (const QString error = probePicture(path, maxPixels, probe); !error.isEmpty())
        return Failure{error};
    if (!isJpeg(probe.format))
        return Failure{
            QCoreApplication::translate("imprimata", "%1 is not a JPEG file").arg(probe.name)};
    if (probe.turn != QImageIOHandler::TransformationNone)
        return Failure{
            QCoreApplication::translate("imprimata", "%1 is not stored upright").arg(probe.name)};
    if (!isPictureComplete(probe.format, reinterpret_cast<const char *>(probe.data), probe.length))
        return Failure{damagedText(probe.name)};
    return recodeJpeg(probe.data, probe.length, encoding, band, change);
}

JpegEncoding jpegEncodingFor(const QString &source, std::optional<int> quality) {
    JpegEncoding encoding;
    PictureProbe probe;
    if (probePicture(source, MaxPicturePixels, probe).isEmpty() && isJpeg(probe.format)) {
        if (const std::optional<JpegHeader> header = readJpegHeader(probe.data, probe.length)) {
            encoding.lumaSampling = header->lumaSampling;
            encoding.quality = header->quality;
        }
    }
    encoding.quality = quality.value_or(encoding.quality);
    return encoding;
}

qint64 pictureDecodeBytes(const QString &path, qint64 maxPixels) {
    PictureProbe probe;
    if (!probePicture(path, maxPixels, probe).isEmpty() || !probe.size.isValid())
        return 0;
    const qint64 picture = probe.pixels() * 4;
    qint64 bytes = picture;
    if (isJpeg(probe.format)) {
        const std::optional<JpegHeader> header = readJpegHeader(probe.data, probe.length);
        if (!header)
            return 0;
        bytes += header->workBytes + probe.length; // the file stays mapped while decoding
    } else {
        // The plugin's picture before its conversion, and a padded copy of a bitmap.
        const QImage::Format format = probe.reader->imageFormat();
        const int depth =
            format == QImage::Format_Invalid ? 32 : QImage::toPixelFormat(format).bitsPerPixel();
        if (depth != 32)
            bytes += (qint64(probe.size.width()) * depth + 31) / 32 * 4 * probe.size.height();
        if (isBmp(probe.format))
            bytes += probe.length;
        // readPictureLayers keeps the alpha channel apart.
        if (QImage::toPixelFormat(format).alphaUsage() == QPixelFormat::UsesAlpha)
            bytes += probe.pixels();
    }
    if (probe.turn & QImageIOHandler::TransformationRotate90)
        bytes += picture;
    return bytes;
}

} // namespace imprimata
