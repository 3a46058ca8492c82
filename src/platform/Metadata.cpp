#include "Metadata.h"

#include "JpegSegments.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSize>
#include <QStringList>
#include <QtEndian>

#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace imprimata {

namespace {

// The library hands out auto_ptr before 0.28 and unique_ptr since; we hold both the same way.
template <typename Pointer> std::unique_ptr<Exiv2::Image> own(Pointer image) {
    return std::unique_ptr<Exiv2::Image>(image.release());
}

QString oneLine(const char *text) {
    QString line = QString::fromUtf8(text).simplified();
    while (line.endsWith(QLatin1Char('.')))
        line.chop(1);
    return line;
}

// The library reports damaged data through its log; each saving thread collects its own.
thread_local QStringList *libraryErrors = nullptr;

void collectLibraryMessage(int level, const char *text) {
    if (libraryErrors && level >= Exiv2::LogMsg::error)
        libraryErrors->append(oneLine(text));
}

std::mutex xmpMutex;

void lockXmp(void *, bool lock) {
    if (lock)
        xmpMutex.lock();
    else
        xmpMutex.unlock();
}

void initialiseLibrary() {
    // Once, before any thread uses the library: its XMP toolkit needs a lock for new
    // namespaces, and its messages must not reach the terminal.
    [[maybe_unused]] static const bool done = [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::error);
        Exiv2::LogMsg::setHandler(collectLibraryMessage);
        Exiv2::XmpParser::initialize(lockXmp, nullptr);
        return true;
    }();
}

// Collects what the library logs while it lives; the enclosing collector gets it back after.
class ErrorCollector {
public:
    ErrorCollector() : outer(std::exchange(libraryErrors, &errors)) {}
    ~ErrorCollector() { libraryErrors = outer; }
    ErrorCollector(const ErrorCollector &) = delete;
    ErrorCollector &operator=(const ErrorCollector &) = delete;
    QString first(const QString &otherwise) const {
        return errors.isEmpty() ? otherwise : errors.first();
    }
    QStringList errors;

private:
    QStringList *outer;
};

Failure<QString> notKept(const QString &why) {
    return Failure{
        QCoreApplication::translate(
            "imprimata", "The picture was saved, but its camera data could not be kept: %1.")
            .arg(why)};
}

Failure<QString> partlyKept(const QString &why) {
    return Failure{QCoreApplication::translate(
                       "imprimata",
                       "The picture was saved, but not all of its camera data could be kept: "
                       "%1.")
                       .arg(why)};
}

template <typename Key, typename Data, typename Value>
void setIfPresent(Data &data, const char *key, const Value &value) {
    const auto it = data.findKey(Key(key));
    if (it != data.end())
        *it = value;
}

// What the metadata must now say of the new file's pixels: their size, and whether they were
// turned upright (the orientation then says so) or kept as the source stored them.
struct NewPixels {
    QSize size;
    PixelOrientation orientation = PixelOrientation::Upright;
    bool upright() const { return orientation == PixelOrientation::Upright; }
};

// The picture may have been turned upright and swapped its sides; the camera's thumbnail
// would show it unstamped.
void makeUpright(Exiv2::ExifData &exif, const NewPixels &pixels) {
    Exiv2::ExifThumb(exif).erase();
    if (pixels.upright())
        setIfPresent<Exiv2::ExifKey>(exif, "Exif.Image.Orientation", std::uint16_t(1));
    const auto width = std::uint32_t(pixels.size.width());
    const auto height = std::uint32_t(pixels.size.height());
    setIfPresent<Exiv2::ExifKey>(exif, "Exif.Image.ImageWidth", width);
    setIfPresent<Exiv2::ExifKey>(exif, "Exif.Image.ImageLength", height);
    setIfPresent<Exiv2::ExifKey>(exif, "Exif.Photo.PixelXDimension", width);
    setIfPresent<Exiv2::ExifKey>(exif, "Exif.Photo.PixelYDimension", height);
}

bool isXmpThumbnail(const Exiv2::Xmpdatum &d) {
    return d.key().rfind("Xmp.xmp.Thumbnails", 0) == 0;
}

void makeUpright(Exiv2::XmpData &xmp, const NewPixels &pixels) {
    for (auto it = xmp.begin(); it != xmp.end();)
        it = isXmpThumbnail(*it) ? xmp.erase(it) : it + 1;
    if (pixels.upright())
        setIfPresent<Exiv2::XmpKey>(xmp, "Xmp.tiff.Orientation", 1);
    setIfPresent<Exiv2::XmpKey>(xmp, "Xmp.exif.PixelXDimension",
                                std::uint32_t(pixels.size.width()));
    setIfPresent<Exiv2::XmpKey>(xmp, "Xmp.exif.PixelYDimension",
                                std::uint32_t(pixels.size.height()));
}

// ---- JPEG segments ----

enum Marker : uchar {
    APP0 = 0xE0,
    APP1 = 0xE1,
    APP2 = 0xE2,
    APP13 = 0xED,
    APP14 = 0xEE,
    APP15 = 0xEF,
    COM = 0xFE,
};

constexpr qsizetype MaxPayload = 0xFFFF - 2;

JpegHeadSegments readHead(QByteArrayView bytes) {
    return readJpegHeadSegments(reinterpret_cast<const uchar *>(bytes.data()), bytes.size());
}

QByteArrayView payloadOf(QByteArrayView bytes, const JpegSegment &s) {
    return bytes.sliced(s.payloadOffset(), s.payloadSize());
}

QByteArray makeSegment(uchar marker, QByteArrayView payload) {
    const qsizetype length = payload.size() + 2;
    QByteArray segment;
    segment.reserve(length + 2);
    segment.append(char(0xFF)).append(char(marker));
    segment.append(char(length >> 8)).append(char(length & 0xFF));
    return segment.append(payload);
}

const QByteArrayView JfifId("JFIF\0", 5), JfxxId("JFXX\0", 5), ExifId("Exif\0\0", 6),
    XmpId("http://ns.adobe.com/xap/1.0/\0", 29), IccId("ICC_PROFILE\0", 12), MpfId("MPF\0", 4),
    PhotoshopId("Photoshop 3.0\0", 14), AdobeId("Adobe", 5);

// Reads the source's head only: the metadata lies before the picture data. No camera writes
// more than a few megabytes of it; a file claiming more gets what lies within the limit.
JpegHeadSegments readSourceHead(QFile &file, QByteArray &bytes) {
    constexpr qsizetype limit = 64 * 1024 * 1024;
    JpegHeadSegments head;
    for (qsizetype want = 256 * 1024;; want = std::min(want * 4, limit)) {
        bytes += file.read(want - bytes.size());
        head = readHead(bytes);
        if (head.stop != JpegHeadSegments::Short || bytes.size() >= limit || file.atEnd() ||
            file.error() != QFileDevice::NoError)
            return head;
    }
}

// ---- EXIF, patched where it lies ----

class TiffBlock {
public:
    TiffBlock(uchar *data, qsizetype size) : d(data), n(size) {}

    bool readHeader() {
        if (n < 8 || d[0] != d[1] || (d[0] != 'I' && d[0] != 'M'))
            return false;
        bigEndian = d[0] == 'M';
        return get(2, 2) == 42;
    }
    bool has(qsizetype at, qsizetype length) const {
        return at >= 0 && length >= 0 && at <= n - length;
    }
    quint32 get(qsizetype at, int width) const {
        if (width == 2)
            return bigEndian ? qFromBigEndian<quint16>(d + at) : qFromLittleEndian<quint16>(d + at);
        return bigEndian ? qFromBigEndian<quint32>(d + at) : qFromLittleEndian<quint32>(d + at);
    }
    void put(qsizetype at, int width, quint32 value) {
        if (width == 2)
            bigEndian ? qToBigEndian(quint16(value), d + at)
                      : qToLittleEndian(quint16(value), d + at);
        else
            bigEndian ? qToBigEndian(value, d + at) : qToLittleEndian(value, d + at);
    }
    bool startsWithJpeg(qsizetype at, qsizetype length) const {
        return length >= 2 && has(at, length) && d[at] == 0xFF && d[at + 1] == JpegSoi;
    }
    void blank(qsizetype at, qsizetype length) { std::memset(d + at, 0, size_t(length)); }

    // Calls visit(entryOffset, tag) for each entry of the directory at ifd; returns where its
    // next-directory link would be, or -1 when the directory does not fit.
    template <typename Visit> qsizetype walk(qsizetype ifd, Visit visit) const {
        if (!has(ifd, 2))
            return -1;
        const qsizetype count = get(ifd, 2), next = ifd + 2 + 12 * count;
        if (!has(ifd + 2, 12 * count))
            return -1;
        for (qsizetype e = ifd + 2; e < next; e += 12)
            visit(e, quint16(get(e, 2)));
        return next;
    }

    // A single SHORT or LONG held in the entry itself.
    std::optional<quint32> number(qsizetype entry) const {
        const int width = valueWidth(entry);
        if (!width)
            return std::nullopt;
        return get(entry + 8, width);
    }
    bool setNumber(qsizetype entry, quint32 value) {
        const int width = valueWidth(entry);
        if (!width || (width == 2 && value > 0xFFFF))
            return false;
        put(entry + 8, width, value);
        return true;
    }

private:
    int valueWidth(qsizetype entry) const {
        if (get(entry + 4, 4) != 1)
            return 0;
        switch (get(entry + 2, 2)) {
        case 3: // SHORT
            return 2;
        case 4:  // LONG
        case 13: // IFD
            return 4;
        default:
            return 0;
        }
    }

    uchar *d;
    qsizetype n;
    bool bigEndian = false;
};

// Sets orientation and pixel size in the camera's own EXIF without moving a byte: maker
// notes point into the block by offset, and a rewrite is what loses them. The thumbnail's
// directory is unlinked and its picture blanked, so no reader finds the unstamped picture.
bool patchExifInPlace(uchar *data, qsizetype size, const NewPixels &pixels) {
    TiffBlock tiff(data, size);
    if (!tiff.readHeader())
        return false;
    const quint32 width = quint32(pixels.size.width()), height = quint32(pixels.size.height());
    bool ok = true;
    std::optional<quint32> exifIfd;
    const qsizetype link = tiff.walk(tiff.get(4, 4), [&](qsizetype entry, quint16 tag) {
        if (tag == 0x0112 && pixels.upright())
            ok = ok && tiff.setNumber(entry, 1);
        else if (tag == 0x0100)
            ok = ok && tiff.setNumber(entry, width);
        else if (tag == 0x0101)
            ok = ok && tiff.setNumber(entry, height);
        else if (tag == 0x8769)
            ok = ok && (exifIfd = tiff.number(entry)).has_value();
    });
    if (!ok || link < 0)
        return false;
    if (exifIfd && *exifIfd != 0) {
        const qsizetype end = tiff.walk(*exifIfd, [&](qsizetype entry, quint16 tag) {
            if (tag == 0xA002)
                ok = ok && tiff.setNumber(entry, width);
            else if (tag == 0xA003)
                ok = ok && tiff.setNumber(entry, height);
        });
        if (!ok || end < 0)
            return false;
    }
    if (!tiff.has(link, 4))
        return true;
    if (const quint32 thumbnailIfd = tiff.get(link, 4)) {
        std::optional<quint32> start, length;
        tiff.walk(thumbnailIfd, [&](qsizetype entry, quint16 tag) {
            if (tag == 0x0201)
                start = tiff.number(entry);
            else if (tag == 0x0202)
                length = tiff.number(entry);
        });
        // Only what is plainly the thumbnail's JPEG, never bytes something else may use.
        if (start && length && tiff.startsWithJpeg(*start, *length))
            tiff.blank(*start, *length);
        tiff.put(link, 4, 0);
    }
    return true;
}

// For an EXIF block too odd to patch in place: the library rewrites it, maker notes as well
// as it can.
std::optional<QByteArray> rewriteExif(QByteArrayView block, const NewPixels &pixels,
                                      QString &problem) {
    ErrorCollector collector;
    try {
        Exiv2::ExifData exif;
        const Exiv2::ByteOrder order = Exiv2::ExifParser::decode(
            exif, reinterpret_cast<const Exiv2::byte *>(block.data()), uint32_t(block.size()));
        if (exif.empty()) {
            problem = collector.first(
                QCoreApplication::translate("imprimata", "its EXIF block is damaged"));
            return std::nullopt;
        }
        makeUpright(exif, pixels);
        Exiv2::Blob blob;
        Exiv2::ExifParser::encode(blob, order, exif);
        if (qsizetype(blob.size()) > MaxPayload - ExifId.size()) {
            problem = QCoreApplication::translate("imprimata", "its EXIF block is too large");
            return std::nullopt;
        }
        if (!collector.errors.isEmpty())
            problem = collector.errors.first();
        QByteArray payload = ExifId.toByteArray();
        payload.append(reinterpret_cast<const char *>(blob.data()), qsizetype(blob.size()));
        return makeSegment(APP1, payload);
    } catch (const std::exception &e) {
        problem = oneLine(e.what());
        return std::nullopt;
    }
}

std::optional<QByteArray> uprightExif(QByteArrayView segment, const NewPixels &pixels,
                                      QString &problem) {
    QByteArray patched = segment.toByteArray();
    auto *block = reinterpret_cast<uchar *>(patched.data()) + 4 + ExifId.size();
    if (patchExifInPlace(block, patched.size() - 4 - ExifId.size(), pixels))
        return patched;
    return rewriteExif(segment.sliced(4 + ExifId.size()), pixels, problem);
}

// ---- XMP, edited as text ----

using Properties = std::vector<std::pair<std::string, std::string>>;

std::optional<Properties> parseXmp(QByteArrayView packet, Exiv2::XmpData *data = nullptr) {
    ErrorCollector quiet; // a packet that does not parse is no fault of the new file

    Exiv2::XmpData xmp;
    if (Exiv2::XmpParser::decode(xmp, packet.toByteArray().toStdString()) != 0)
        return std::nullopt;
    Properties properties;
    for (const auto &d : xmp)
        properties.emplace_back(d.key(), d.value().toString());
    if (data)
        *data = std::move(xmp);
    return properties;
}

// The prefixes a packet binds to the namespace uri.
QList<QByteArray> prefixesOf(QByteArrayView packet, QByteArrayView uri) {
    QList<QByteArray> prefixes;
    for (qsizetype at = packet.indexOf("xmlns:"); at >= 0; at = packet.indexOf("xmlns:", at + 1)) {
        const qsizetype equals = packet.indexOf('=', at);
        if (equals < 0)
            break;
        qsizetype q = equals + 1;
        while (q < packet.size() && QChar::isSpace(uchar(packet[q])))
            ++q;
        if (q >= packet.size() || (packet[q] != '"' && packet[q] != '\''))
            continue;
        const qsizetype close = packet.indexOf(packet[q], q + 1);
        const QByteArray prefix = packet.sliced(at + 6, equals - at - 6).trimmed().toByteArray();
        // Each description may bind it anew; each place is edited once.
        if (close > q && packet.sliced(q + 1, close - q - 1) == uri && !prefixes.contains(prefix))
            prefixes.append(prefix);
    }
    return prefixes;
}

struct TextEdit {
    qsizetype at, length;
    QByteArray value;
};

// Sets a simple property's value where it is written differently: prefix:name="value" as an
// attribute, or <prefix:name>value</prefix:name> as an element.
void findValues(QByteArrayView packet, QByteArrayView uri, QByteArrayView name,
                const QByteArray &value, QList<TextEdit> &edits) {
    for (const QByteArray &prefix : prefixesOf(packet, uri)) {
        const QByteArray qualified = prefix + ':' + name.toByteArray();
        for (qsizetype at = packet.indexOf(qualified); at > 0;
             at = packet.indexOf(qualified, at + 1)) {
            const char before = packet[at - 1];
            qsizetype i = at + qualified.size();
            if (i >= packet.size())
                break;
            if (before == '<' && packet[i] == '>') {
                const qsizetype end = packet.indexOf('<', i + 1);
                if (end > i && packet.sliced(i + 1, end - i - 1) != value)
                    edits.append({i + 1, end - i - 1, value});
                continue;
            }
            if (!QChar::isSpace(uchar(before)))
                continue;
            while (i < packet.size() && QChar::isSpace(uchar(packet[i])))
                ++i;
            if (i >= packet.size() || packet[i] != '=')
                continue;
            ++i;
            while (i < packet.size() && QChar::isSpace(uchar(packet[i])))
                ++i;
            if (i >= packet.size() || (packet[i] != '"' && packet[i] != '\''))
                continue;
            const qsizetype end = packet.indexOf(packet[i], i + 1);
            if (end > i && packet.sliced(i + 1, end - i - 1) != value)
                edits.append({i + 1, end - i - 1, value});
        }
    }
}

// The packet as it is when nothing in it is wrong now; its few changed values edited in the
// text, so nothing else moves; rewritten by the library only when that edit does not give
// exactly the expected properties, or to drop a thumbnail.
std::optional<QByteArray> uprightXmp(QByteArrayView segment, const NewPixels &pixels,
                                     QString &problem) {
    const QByteArrayView packet = segment.sliced(4 + XmpId.size());
    struct Target {
        const char *key, *uri, *name;
        std::string value;
    };
    const Target targets[] = {
        {"Xmp.tiff.Orientation", "http://ns.adobe.com/tiff/1.0/", "Orientation", "1"},
        {"Xmp.exif.PixelXDimension", "http://ns.adobe.com/exif/1.0/", "PixelXDimension",
         std::to_string(pixels.size.width())},
        {"Xmp.exif.PixelYDimension", "http://ns.adobe.com/exif/1.0/", "PixelYDimension",
         std::to_string(pixels.size.height())},
    };
    // Pixels kept as stored keep their orientation.
    const std::span<const Target> wanted = std::span(targets).subspan(pixels.upright() ? 0 : 1);
    QList<TextEdit> edits;
    for (const Target &t : wanted)
        findValues(packet, t.uri, t.name, QByteArray::fromStdString(t.value), edits);
    std::sort(edits.begin(), edits.end(),
              [](const TextEdit &a, const TextEdit &b) { return a.at > b.at; });
    QByteArray edited = packet.toByteArray();
    for (const TextEdit &e : edits)
        edited.replace(e.at, e.length, e.value);
    const bool fits = edited.size() <= MaxPayload - XmpId.size();

    Exiv2::XmpData xmp;
    const std::optional<Properties> before = parseXmp(packet, &xmp);
    if (!before) {
        // Kept as it is, but lenient readers may still take an orientation from it.
        if (edits.isEmpty() || !fits)
            return segment.toByteArray();
        return makeSegment(APP1, XmpId.toByteArray() + edited);
    }
    Properties expected = *before;
    for (const Target &t : wanted) {
        for (auto &[key, value] : expected) {
            if (key == t.key)
                value = t.value;
        }
    }
    const bool thumbnails = std::any_of(xmp.begin(), xmp.end(), isXmpThumbnail);
    if (!thumbnails && expected == *before)
        return segment.toByteArray();
    if (!thumbnails && fits && parseXmp(edited) == expected)
        return makeSegment(APP1, XmpId.toByteArray() + edited);

    ErrorCollector collector;
    try {
        makeUpright(xmp, pixels);
        std::string rewritten;
        if (Exiv2::XmpParser::encode(rewritten, xmp) != 0) {
            problem = collector.first(
                QCoreApplication::translate("imprimata", "its XMP could not be written"));
            return std::nullopt;
        }
        if (qsizetype(rewritten.size()) > MaxPayload - XmpId.size()) {
            problem = QCoreApplication::translate("imprimata", "its XMP is too large");
            return std::nullopt;
        }
        return makeSegment(APP1, XmpId.toByteArray() + QByteArray::fromStdString(rewritten));
    } catch (const std::exception &e) {
        problem = oneLine(e.what());
        return std::nullopt;
    }
}

// ---- Photoshop resources ----

// Photoshop's resource block without its thumbnails (which show the picture unstamped); as
// it is when it holds none, or when it does not parse (it may continue in the next segment).
QByteArray withoutPhotoshopThumbnails(QByteArrayView segment) {
    const QByteArrayView block = segment.sliced(4 + PhotoshopId.size());
    const auto *p = reinterpret_cast<const uchar *>(block.data());
    const qsizetype n = block.size();
    QList<std::pair<qsizetype, qsizetype>> kept; // resource start, size
    bool dropped = false;
    qsizetype at = 0;
    while (at < n) {
        // Signature (4), id (2), even-padded Pascal name, size (4), even-padded data; what
        // is too short for one is padding.
        if (n - at < 12) {
            kept.append({at, n - at});
            break;
        }
        const quint16 id = qFromBigEndian<quint16>(p + at + 4);
        const qsizetype name = (1 + qsizetype(p[at + 6]) + 1) & ~qsizetype(1);
        if (n - at < 6 + name + 4)
            return segment.toByteArray();
        const qsizetype length = qFromBigEndian<quint32>(p + at + 6 + name);
        const qsizetype size = 6 + name + 4 + ((length + 1) & ~qsizetype(1));
        if (size > n - at + (length & 1)) // the last resource may miss its padding
            return segment.toByteArray();
        if (id == 0x0409 || id == 0x040C)
            dropped = true;
        else
            kept.append({at, std::min(size, n - at)});
        at += size;
    }
    if (!dropped)
        return segment.toByteArray();
    QByteArray payload = PhotoshopId.toByteArray();
    for (const auto &[start, size] : kept)
        payload.append(block.sliced(start, size));
    return makeSegment(APP13, payload);
}

// ---- JPEG to JPEG ----

struct Frame {
    QSize size;
    int components = 0;
};

Frame frameOf(QByteArrayView jpeg, const JpegHeadSegments &head) {
    for (const JpegSegment &s : head.segments) {
        const bool frame = s.marker >= 0xC0 && s.marker <= 0xCF && s.marker != 0xC4 &&
                           s.marker != 0xC8 && s.marker != 0xCC;
        if (frame && s.size >= 10) {
            const auto *p = reinterpret_cast<const uchar *>(jpeg.data() + s.offset + 4);
            return {QSize(p[3] << 8 | p[4], p[1] << 8 | p[2]), p[5]};
        }
    }
    return {};
}

// A JFIF header keeps its density and version but never its thumbnail.
QByteArray jfifWithoutThumbnail(QByteArrayView segment) {
    QByteArray jfif = segment.toByteArray();
    if (jfif.size() > 18) {
        jfif.truncate(18);
        jfif[2] = 0;
        jfif[3] = 16;
        jfif[16] = 0;
        jfif[17] = 0;
    }
    return jfif;
}

bool has(QByteArrayView bytes, const JpegSegment &s, uchar marker, QByteArrayView id) {
    return s.marker == marker && payloadOf(bytes, s).startsWith(id);
}

QByteArrayView bytesOf(QByteArrayView bytes, const JpegSegment &s) {
    return bytes.sliced(s.offset, s.size);
}

// What becomes of one of the source's segments in the new file: as it is wherever the new
// picture leaves it right, patched where it does not, empty when it would be wrong there.
std::optional<QByteArray> carried(QByteArrayView source, const JpegSegment &s,
                                  const NewPixels &pixels, const Frame &frame, bool newProfile,
                                  QString &problem) {
    const QByteArrayView segment = bytesOf(source, s), data = payloadOf(source, s);
    if (has(source, s, APP0, JfxxId))
        return QByteArray(); // a thumbnail
    if (has(source, s, APP1, ExifId))
        return uprightExif(segment, pixels, problem);
    if (has(source, s, APP1, XmpId))
        return uprightXmp(segment, pixels, problem);
    if (has(source, s, APP2, IccId) && newProfile)
        return QByteArray(); // the encoder's profile describes its pixels
    if (has(source, s, APP2, MpfId))
        return QByteArray(); // points at pictures after the end, which are not copied
    if (has(source, s, APP13, PhotoshopId))
        return withoutPhotoshopThumbnails(segment);
    if (has(source, s, APP14, AdobeId)) {
        // Its transform flag tells readers the colour model: kept only where it names the
        // one we encoded (YCbCr for colour, none for grey).
        const int transform = data.size() >= 12 ? uchar(data[11]) : -1;
        const bool right =
            (frame.components == 3 && transform == 1) || (frame.components == 1 && transform == 0);
        return right ? segment.toByteArray() : QByteArray();
    }
    return segment.toByteArray();
}

Result<void> copyJpegSegments(QFile &file, QByteArray &jpeg, PixelOrientation orientation) {
    QByteArray source;
    const JpegHeadSegments from = readSourceHead(file, source);
    if (file.error() != QFileDevice::NoError)
        return notKept(file.errorString());
    const JpegHeadSegments to = readHead(jpeg);
    const Frame frame = frameOf(jpeg, to);
    if (to.stop != JpegHeadSegments::Scan || !frame.size.isValid())
        return notKept(
            QCoreApplication::translate("imprimata", "the new file could not be read back"));

    const JpegSegment *sourceJfif = nullptr, *newJfif = nullptr;
    bool newProfile = false, sourceComments = false;
    for (const JpegSegment &s : from.segments) {
        if (!sourceJfif && has(source, s, APP0, JfifId) && s.size >= 18)
            sourceJfif = &s;
        sourceComments = sourceComments || s.marker == COM;
    }
    for (const JpegSegment &s : to.segments) {
        if (!newJfif && has(jpeg, s, APP0, JfifId))
            newJfif = &s;
        newProfile = newProfile || has(jpeg, s, APP2, IccId);
    }

    // Exactly one JFIF, first: the source's when it has one.
    QByteArray head("\xFF\xD8", 2);
    if (sourceJfif)
        head.append(jfifWithoutThumbnail(bytesOf(source, *sourceJfif)));
    else if (newJfif)
        head.append(bytesOf(jpeg, *newJfif));
    QStringList problems;
    bool kept = false;
    for (const JpegSegment &s : from.segments) {
        const bool metadata = (s.marker >= APP0 && s.marker <= APP15) || s.marker == COM;
        if (!metadata || has(source, s, APP0, JfifId))
            continue;
        QString problem;
        if (const std::optional<QByteArray> copy =
                carried(source, s, {frame.size, orientation}, frame, newProfile, problem)) {
            head.append(*copy);
            kept = kept || !copy->isEmpty();
        }
        if (!problem.isEmpty())
            problems.append(problem);
    }
    for (const JpegSegment &s : to.segments) {
        // The encoder's comments come from the picture's text, read from the source's.
        if (has(jpeg, s, APP0, JfifId) || (s.marker == COM && sourceComments))
            continue;
        head.append(bytesOf(jpeg, s));
    }
    jpeg.replace(0, to.end, head);

    if (problems.isEmpty())
        return {};
    return kept ? partlyKept(problems.first()) : notKept(problems.first());
}

// ---- Other sources, through the library ----

// A plain file, never a web address or standard input as the library's own opener would
// take some names to be: an absolute path names nothing else.
std::unique_ptr<Exiv2::Image> openFile(const QString &path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    return own(Exiv2::ImageFactory::open(
        Exiv2::ImageFactory::createIo(QFile::encodeName(absolute).toStdString(), false)));
}

void takeIccProfile(Exiv2::Image &to, Exiv2::Image &from) {
#if EXIV2_TEST_VERSION(0, 28, 0)
    // Since 0.28 the profile is handed out read-only and taken by value.
    to.setIccProfile(Exiv2::DataBuf(from.iccProfile()), false);
#else
    to.setIccProfile(*from.iccProfile(), false);
#endif
}

// ---- PNG chunks ----

quint32 crc32(QByteArrayView bytes) {
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : bytes) {
        crc ^= uchar(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// The library writes a profile it did not read from a PNG without the name the format asks
// for, and readers then drop it. The chunk gets a name.
void nameUnnamedPngProfile(QByteArray &png) {
    if (!png.startsWith("\x89PNG\r\n\x1a\n"))
        return;
    for (qsizetype at = 8; at + 12 <= png.size();) {
        const qsizetype length = qFromBigEndian<quint32>(png.constData() + at);
        if (length > png.size() - at - 12)
            return;
        const QByteArrayView type(png.constData() + at + 4, 4);
        if (type == "IDAT")
            return;
        if (type == "iCCP" && length > 0 && png[at + 8] == '\0') {
            const QByteArray data = "iCCP" + QByteArray("ICC profile") + png.mid(at + 8, length);
            QByteArray chunk(4, '\0');
            qToBigEndian<quint32>(quint32(data.size() - 4), chunk.data());
            chunk += data;
            QByteArray crc(4, '\0');
            qToBigEndian<quint32>(crc32(data), crc.data());
            png.replace(at, length + 12, chunk + crc);
            return;
        }
        at += length + 12;
    }
}

Result<void> copyThroughLibrary(const QString &source, QByteArray &jpeg,
                                PixelOrientation orientation) {
    ErrorCollector collector;
    const auto outcome = [&collector](bool anythingKept) -> Result<void> {
        if (collector.errors.isEmpty())
            return {};
        return anythingKept ? partlyKept(collector.errors.first())
                            : notKept(collector.errors.first());
    };

    std::unique_ptr<Exiv2::Image> from;
    try {
        from = openFile(source);
        // A format the library does not know carries nothing it could keep.
        if (!from)
            return {};
        from->readMetadata();
    } catch (const std::exception &e) {
        return notKept(oneLine(e.what()));
    }
    const bool anything =
        !from->exifData().empty() || !from->iptcData().empty() || !from->xmpData().empty();
    if (!anything && !from->iccProfileDefined())
        return outcome(false);

    try {
        // Everything the library rewrites lies before the picture data, so it need not copy
        // megabytes of it.
        const JpegHeadSegments ours = readHead(jpeg);
        const qsizetype head = ours.stop == JpegHeadSegments::Scan ? ours.end : jpeg.size();
        auto to = own(Exiv2::ImageFactory::open(
            reinterpret_cast<const Exiv2::byte *>(jpeg.constData()), head));
        // Reading our own file first keeps the colour profile it already carries.
        to->readMetadata();
        if (!to->iccProfileDefined() && from->iccProfileDefined())
            takeIccProfile(*to, *from);
        if (from->byteOrder() != Exiv2::invalidByteOrder)
            to->setByteOrder(from->byteOrder());
        const NewPixels pixels{QSize(int(to->pixelWidth()), int(to->pixelHeight())), orientation};
        Exiv2::ExifData exif = from->exifData();
        Exiv2::XmpData xmp = from->xmpData();
        makeUpright(exif, pixels);
        makeUpright(xmp, pixels);
        to->setExifData(exif);
        to->setIptcData(from->iptcData());
        to->setXmpData(xmp);
        to->writeMetadata();

        Exiv2::BasicIo &io = to->io();
        if (io.open() != 0)
            return notKept(
                QCoreApplication::translate("imprimata", "the new file could not be read back"));
        // The new head goes in place of the old one, in the encoder's buffer: its memory is
        // already in use, where a fresh buffer would cost more than the rest of this.
        const auto *newBytes = reinterpret_cast<const char *>(io.mmap());
        jpeg.replace(0, head, QByteArrayView(newBytes, qsizetype(io.size())));
        io.munmap();
        io.close();
        nameUnnamedPngProfile(jpeg);
    } catch (const std::exception &e) {
        return notKept(oneLine(e.what()));
    }
    return outcome(anything);
}

// ---- Removing metadata ----

bool startsWithAny(const std::string &key, std::initializer_list<const char *> prefixes) {
    return std::any_of(prefixes.begin(), prefixes.end(),
                       [&key](const char *prefix) { return key.rfind(prefix, 0) == 0; });
}

template <typename Data, typename Predicate> void eraseIf(Data &data, Predicate where) {
    for (auto it = data.begin(); it != data.end();)
        it = where(it->key()) ? data.erase(it) : std::next(it);
}

// Where the picture was taken: EXIF's GPS directory with its pointer, and the location fields
// of XMP and IPTC.
bool isLocationKey(const std::string &key) {
    return startsWithAny(key, {"Exif.GPSInfo.", "Exif.Image.GPSTag", "Xmp.exif.GPS",
                               "Xmp.exifEX.GPS", "Xmp.photoshop.City", "Xmp.photoshop.State",
                               "Xmp.photoshop.Country", "Xmp.iptc.Location", "Xmp.iptc.CountryCode",
                               "Xmp.iptcExt.LocationCreated", "Xmp.iptcExt.LocationShown",
                               "Iptc.Application2.City", "Iptc.Application2.SubLocation",
                               "Iptc.Application2.ProvinceState", "Iptc.Application2.CountryCode",
                               "Iptc.Application2.CountryName", "Iptc.Application2.LocationCode",
                               "Iptc.Application2.LocationName"});
}

void eraseLocation(Exiv2::Image &image) {
    eraseIf(image.exifData(), isLocationKey);
    eraseIf(image.xmpData(), isLocationKey);
    eraseIf(image.iptcData(), isLocationKey);
}

bool locationFree(Exiv2::Image &image) {
    const auto none = [](const auto &data) {
        return std::none_of(data.begin(), data.end(),
                            [](const auto &d) { return isLocationKey(d.key()); });
    };
    return none(image.exifData()) && none(image.xmpData()) && none(image.iptcData());
}

// The tags of a TIFF's own directory that say how its pixels are stored, and its profile.
constexpr std::uint16_t PixelTags[] = {254, 256, 257, 258, 259, 262, 266, 273, 277, 278, 279,  282,
                                       283, 284, 296, 317, 322, 323, 324, 325, 338, 339, 34675};

// Nothing but what describes the pixels: a TIFF's own directory and the colour profile.
bool metadataFree(Exiv2::Image &image) {
    const bool exifFree =
        std::all_of(image.exifData().begin(), image.exifData().end(), [](const auto &d) {
            return d.groupName() == "Image" && std::find(std::begin(PixelTags), std::end(PixelTags),
                                                         d.tag()) != std::end(PixelTags);
        });
    return exifFree && image.xmpData().empty() && image.iptcData().empty() &&
           image.comment().empty();
}

// A JPEG keeps its colour profile and the segments that say how to decode it (JFIF, Adobe);
// every other application segment and every comment goes. Cut at segment level, so the
// library cannot keep what it does not know.
bool keepOnlyColourProfile(QByteArray &jpeg) {
    const JpegHeadSegments head = readHead(jpeg);
    if (head.stop != JpegHeadSegments::Scan)
        return false;
    QByteArray kept("\xFF\xD8", 2);
    for (const JpegSegment &s : head.segments) {
        if (s.marker == JpegSoi)
            continue;
        const bool metadata = (s.marker >= APP0 && s.marker <= APP15) || s.marker == COM;
        if (metadata && !has(jpeg, s, APP0, JfifId) && !has(jpeg, s, APP2, IccId) &&
            !has(jpeg, s, APP14, AdobeId))
            continue;
        kept.append(bytesOf(jpeg, s));
    }
    jpeg.replace(0, head.end, kept);
    return true;
}

} // namespace

Result<void> stripMetadata(QByteArray &file, MetadataKept kept) {
    if (kept == MetadataKept::All)
        return {};
    const auto failed = [](const QString &why) {
        return Failure{
            QCoreApplication::translate("imprimata", "its metadata could not be removed: %1")
                .arg(why)};
    };
    const JpegHeadSegments jpegHead = readHead(file);
    const bool jpeg = jpegHead.stop == JpegHeadSegments::Scan;
    if (jpeg && kept == MetadataKept::ColourProfile) {
        if (!keepOnlyColourProfile(file))
            return failed(
                QCoreApplication::translate("imprimata", "the file could not be read back"));
        return {};
    }
    initialiseLibrary();
    ErrorCollector collector;
    try {
        // Of a JPEG only the head, before the picture data, is rewritten.
        const qsizetype head = jpeg ? jpegHead.end : file.size();
        auto image = own(Exiv2::ImageFactory::open(
            reinterpret_cast<const Exiv2::byte *>(file.constData()), head));
        image->readMetadata();
        if (kept == MetadataKept::NoLocation) {
            eraseLocation(*image);
            // Written from a packet of what is left: the WebP writer would write the packet
            // it read.
            std::string packet;
            if (!image->xmpData().empty() &&
                Exiv2::XmpParser::encode(packet, image->xmpData()) != 0)
                return failed(QCoreApplication::translate(
                    "imprimata", "its XMP data could not be written again"));
            image->setXmpPacket(packet);
            image->writeXmpFromPacket(true);
        } else {
            image->clearExifData();
            image->clearIptcData();
            image->clearXmpData();
            image->clearXmpPacket();
            image->clearComment();
        }
        image->writeMetadata();
        if (!collector.errors.isEmpty())
            return failed(collector.errors.first());
        Exiv2::BasicIo &io = image->io();
        if (io.open() != 0)
            return failed(
                QCoreApplication::translate("imprimata", "the new file could not be read back"));
        const auto *newBytes = reinterpret_cast<const char *>(io.mmap());
        file.replace(0, head, QByteArrayView(newBytes, qsizetype(io.size())));
        io.munmap();
        io.close();

        // Read back: a block the library keeps whatever it is told (a TIFF's XMP) must not
        // go out as removed.
        auto check = own(Exiv2::ImageFactory::open(
            reinterpret_cast<const Exiv2::byte *>(file.constData()), file.size()));
        check->readMetadata();
        if (!(kept == MetadataKept::NoLocation ? locationFree(*check) : metadataFree(*check)))
            return failed(
                QCoreApplication::translate("imprimata", "the file format keeps some of it"));
    } catch (const std::exception &e) {
        return failed(oneLine(e.what()));
    }
    return {};
}

QByteArray colourProfileOf(const QString &path) {
    initialiseLibrary();
    ErrorCollector collector;
    try {
        const QFileInfo info(path);
        if (!info.isFile())
            return {};
        const std::unique_ptr<Exiv2::Image> image = openFile(path);
        if (!image)
            return {};
        image->readMetadata();
        if (!image->iccProfileDefined())
            return {};
#if EXIV2_TEST_VERSION(0, 28, 0)
        const Exiv2::DataBuf &profile = image->iccProfile();
        return QByteArray(reinterpret_cast<const char *>(profile.c_data()),
                          qsizetype(profile.size()));
#else
        const Exiv2::DataBuf *profile = image->iccProfile();
        return QByteArray(reinterpret_cast<const char *>(profile->pData_),
                          qsizetype(profile->size_));
#endif
    } catch (const std::exception &) {
        return {};
    }
}

Result<void> copyMetadata(const QString &source, QByteArray &jpeg, PixelOrientation orientation) {
    initialiseLibrary();
    // Opening a pipe or a device would wait for a writer that never comes.
    const QFileInfo info(source);
    if (info.exists() && !info.isFile())
        return notKept(
            QCoreApplication::translate("imprimata", "%1 is not a regular file").arg(source));
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly))
        return notKept(file.errorString());
    const auto isJpeg = [](QByteArrayView start) {
        return start.size() >= 3 && uchar(start[0]) == 0xFF && uchar(start[1]) == JpegSoi &&
               uchar(start[2]) == 0xFF;
    };
    if (isJpeg(file.peek(3)) &&
        isJpeg(QByteArrayView(jpeg).first(std::min<qsizetype>(3, jpeg.size()))))
        return copyJpegSegments(file, jpeg, orientation);
    file.close();
    return copyThroughLibrary(source, jpeg, orientation);
}

} // namespace imprimata
