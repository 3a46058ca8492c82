#include "Metadata.h"

#include <QFile>
#include <QSize>

#include <exiv2/exiv2.hpp>

#include <cstdint>
#include <cstring>
#include <exception>
#include <mutex>

namespace imprimata {

namespace {

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

class ErrorCollector {
public:
    ErrorCollector() { libraryErrors = &errors; }
    ~ErrorCollector() { libraryErrors = nullptr; }
    ErrorCollector(const ErrorCollector &) = delete;
    ErrorCollector &operator=(const ErrorCollector &) = delete;
    QStringList errors;
};

QString notKept(const QString &why) {
    return QStringLiteral("The picture was saved, but its camera data could not be kept: %1.")
        .arg(why);
}

QString partlyKept(const QString &why) {
    return QStringLiteral("The picture was saved, but not all of its camera data could be kept: "
                          "%1.")
        .arg(why);
}

// A plain file, never a web address or standard input as the library's own opener would
// take some names to be.
Exiv2::Image::AutoPtr openFile(const QString &path) {
    Exiv2::BasicIo::AutoPtr io(new Exiv2::FileIo(QFile::encodeName(path).toStdString()));
    return Exiv2::ImageFactory::open(io);
}

template <typename Key, typename Data, typename Value>
void setIfPresent(Data &data, const char *key, const Value &value) {
    const auto it = data.findKey(Key(key));
    if (it != data.end())
        *it = value;
}

void makeUpright(Exiv2::ExifData &exif, Exiv2::XmpData &xmp, QSize size) {
    Exiv2::ExifThumb(exif).erase();
    for (auto it = xmp.begin(); it != xmp.end();) {
        if (it->key().rfind("Xmp.xmp.Thumbnails", 0) == 0)
            it = xmp.erase(it);
        else
            ++it;
    }
    setIfPresent<Exiv2::ExifKey>(exif, "Exif.Image.Orientation", std::uint16_t(1));
    setIfPresent<Exiv2::XmpKey>(xmp, "Xmp.tiff.Orientation", 1);
    // Turning the picture upright may have swapped its sides.
    if (size.isValid()) {
        const auto width = std::uint32_t(size.width()), height = std::uint32_t(size.height());
        setIfPresent<Exiv2::ExifKey>(exif, "Exif.Photo.PixelXDimension", width);
        setIfPresent<Exiv2::ExifKey>(exif, "Exif.Photo.PixelYDimension", height);
        setIfPresent<Exiv2::XmpKey>(xmp, "Xmp.exif.PixelXDimension", width);
        setIfPresent<Exiv2::XmpKey>(xmp, "Xmp.exif.PixelYDimension", height);
    }
}

// Where the compressed picture starts in a JPEG we encoded: right after the first scan
// header. Everything the library rewrites lies before it, so it need not copy megabytes of
// picture data. 0 when the layout is not the plain one expected; the whole file is used then.
qsizetype scanDataOffset(const QByteArray &jpeg) {
    const auto *p = reinterpret_cast<const uchar *>(jpeg.constData());
    const qsizetype n = jpeg.size();
    if (n < 2 || p[0] != 0xFF || p[1] != 0xD8)
        return 0;
    for (qsizetype i = 2; i + 4 <= n;) {
        if (p[i] != 0xFF)
            return 0;
        const uchar marker = p[i + 1];
        const qsizetype length = (qsizetype(p[i + 2]) << 8) | p[i + 3];
        // Only segments with a length come before the scan in the encoder's output.
        if (marker == 0xD8 || marker == 0xD9 || (marker >= 0xD0 && marker <= 0xD7) ||
            marker == 0x01 || marker == 0xFF || length < 2 || i + 2 + length > n)
            return 0;
        i += 2 + length;
        if (marker == 0xDA)
            return i;
    }
    return 0;
}

} // namespace

QString copyMetadata(const QString &source, QByteArray &jpeg) {
    initialiseLibrary();
    ErrorCollector collector;
    const auto outcome = [&collector](bool anythingKept) {
        if (collector.errors.isEmpty())
            return QString();
        return anythingKept ? partlyKept(collector.errors.first())
                            : notKept(collector.errors.first());
    };

    Exiv2::Image::AutoPtr from;
    try {
        from = openFile(source);
        // A format the library does not know carries nothing it could keep.
        if (!from.get())
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
        const qsizetype head = scanDataOffset(jpeg);
        Exiv2::Image::AutoPtr to = Exiv2::ImageFactory::open(
            reinterpret_cast<const Exiv2::byte *>(jpeg.constData()), head ? head : jpeg.size());
        // Reading our own file first keeps the colour profile it already carries.
        to->readMetadata();
        if (!to->iccProfileDefined() && from->iccProfileDefined())
            to->setIccProfile(*from->iccProfile(), false);
        if (from->byteOrder() != Exiv2::invalidByteOrder)
            to->setByteOrder(from->byteOrder());
        Exiv2::ExifData exif = from->exifData();
        Exiv2::XmpData xmp = from->xmpData();
        makeUpright(exif, xmp, QSize(to->pixelWidth(), to->pixelHeight()));
        to->setExifData(exif);
        to->setIptcData(from->iptcData());
        to->setXmpData(xmp);
        to->writeMetadata();

        Exiv2::BasicIo &io = to->io();
        if (io.open() != 0)
            return notKept(QStringLiteral("the new file could not be read back"));
        // The new head goes in place of the old one, in the encoder's buffer: its memory is
        // already in use, where a fresh buffer would cost more than the rest of this. Only
        // the growing may fail, and it leaves the picture whole.
        const Exiv2::byte *newBytes = io.mmap();
        const qsizetype oldHead = head ? head : jpeg.size(), newHead = io.size();
        const qsizetype rest = jpeg.size() - oldHead;
        if (newHead > oldHead)
            jpeg.resize(newHead + rest);
        char *bytes = jpeg.data();
        std::memmove(bytes + newHead, bytes + oldHead, size_t(rest));
        std::memcpy(bytes, newBytes, size_t(newHead));
        jpeg.resize(newHead + rest);
        io.munmap();
        io.close();
    } catch (const std::exception &e) {
        return notKept(oneLine(e.what()));
    }
    return outcome(anything);
}

} // namespace imprimata
