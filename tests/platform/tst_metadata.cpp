#include "platform/Metadata.h"
#include "platform/PictureWriter.h"

#include <QBuffer>
#include <QColorSpace>
#include <QDir>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <algorithm>

#include <exiv2/exiv2.hpp>

using namespace imprimata;

Q_DECLARE_METATYPE(imprimata::MetadataKept)

namespace {

const QSize StoredSize(40, 24);

QImage quadrants() {
    QImage image(StoredSize, QImage::Format_RGB32);
    QPainter p(&image);
    p.fillRect(0, 0, 20, 12, QColor(220, 40, 40));
    p.fillRect(20, 0, 20, 12, QColor(40, 200, 40));
    p.fillRect(0, 12, 20, 12, QColor(40, 40, 220));
    p.fillRect(20, 12, 20, 12, QColor(230, 230, 60));
    return image;
}

QByteArray encode(const QImage &image, const char *format = "jpeg") {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

bool writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray bigEndian(quint32 value, int width = 4) {
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes.right(width);
}

QByteArray segment(uchar marker, const QByteArray &payload) {
    return QByteArray(1, char(0xFF)) + char(marker) + bigEndian(quint32(payload.size() + 2), 2) +
           payload;
}

// Camera data as the library writes it: turned, sized as stored, with thumbnails.
void addCameraData(const QString &path, int orientation, bool thumbnails) {
    auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
    image->readMetadata();
    Exiv2::ExifData &exif = image->exifData();
    exif["Exif.Image.Orientation"] = std::uint16_t(orientation);
    exif["Exif.Image.ImageWidth"] = std::uint32_t(StoredSize.width());
    exif["Exif.Image.ImageLength"] = std::uint32_t(StoredSize.height());
    exif["Exif.Photo.PixelXDimension"] = std::uint32_t(StoredSize.width());
    exif["Exif.Photo.PixelYDimension"] = std::uint32_t(StoredSize.height());
    exif["Exif.Image.Artist"] = "Ann Example";
    image->iptcData()["Iptc.Application2.Byline"] = "Ann Example";
    Exiv2::XmpData &xmp = image->xmpData();
    xmp["Xmp.tiff.Orientation"] = std::to_string(orientation);
    xmp["Xmp.exif.PixelXDimension"] = std::to_string(StoredSize.width());
    xmp["Xmp.exif.PixelYDimension"] = std::to_string(StoredSize.height());
    xmp["Xmp.photoshop.Credit"] = "Example Press";
    if (thumbnails) {
        const QByteArray thumb = encode(quadrants().scaled(10, 6));
        Exiv2::ExifThumb(exif).setJpegThumbnail(reinterpret_cast<const Exiv2::byte *>(thumb.data()),
                                                thumb.size());
        Exiv2::XmpTextValue alternatives;
        alternatives.setXmpArrayType(Exiv2::XmpValue::xaAlt);
        xmp.add(Exiv2::XmpKey("Xmp.xmp.Thumbnails"), &alternatives);
        xmp["Xmp.xmp.Thumbnails[1]/xmpGImg:image"] = "c3RhbXBlZA==";
    }
    image->writeMetadata();
}

// Every tag in the file, by its full key.
QMap<QString, QString> metadataOf(const QString &path) {
    QMap<QString, QString> tags;
    auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
    image->readMetadata();
    const auto add = [&tags](const auto &data) {
        for (const auto &d : data)
            tags.insert(QString::fromStdString(d.key()),
                        QString::fromStdString(d.value().toString()));
    };
    add(image->exifData());
    add(image->iptcData());
    add(image->xmpData());
    return tags;
}

// The whole marker segments before the first scan's data.
QList<QByteArray> segmentsOf(const QByteArray &jpeg) {
    QList<QByteArray> segments;
    for (qsizetype i = 2; i + 4 <= jpeg.size() && uchar(jpeg[i]) == 0xFF;) {
        const qsizetype size = 2 + (uchar(jpeg[i + 2]) << 8 | uchar(jpeg[i + 3]));
        segments.append(jpeg.mid(i, size));
        if (uchar(jpeg[i + 1]) == 0xDA)
            break;
        i += size;
    }
    return segments;
}

bool isApp(const QByteArray &segment, uchar marker, const QByteArray &id) {
    return uchar(segment[1]) == marker && segment.mid(4).startsWith(id);
}

const QByteArray ExifId("Exif\0\0", 6), XmpId("http://ns.adobe.com/xap/1.0/\0", 29),
    JfifId("JFIF\0", 5);

qsizetype exifSize(const QByteArray &jpeg) {
    for (const QByteArray &s : segmentsOf(jpeg))
        if (isApp(s, 0xE1, ExifId))
            return s.size();
    return 0;
}

// What a saved copy must say differently from its source: upright, the saved picture's size,
// no thumbnail. Everything else has the very same value.
QStringList differences(const QMap<QString, QString> &source, const QMap<QString, QString> &copy,
                        QSize size) {
    const QString width = QString::number(size.width()), height = QString::number(size.height());
    const QMap<QString, QString> changed = {
        {"Exif.Image.Orientation", "1"},       {"Xmp.tiff.Orientation", "1"},
        {"Exif.Image.ImageWidth", width},      {"Exif.Image.ImageLength", height},
        {"Exif.Photo.PixelXDimension", width}, {"Exif.Photo.PixelYDimension", height},
        {"Xmp.exif.PixelXDimension", width},   {"Xmp.exif.PixelYDimension", height},
    };
    QStringList wrong;
    for (auto it = source.begin(); it != source.end(); ++it) {
        const QString &key = it.key();
        if (key.startsWith("Exif.Thumbnail.") || key.startsWith("Xmp.xmp.Thumbnails")) {
            if (copy.contains(key))
                wrong << key + " kept";
            continue;
        }
        const QString expected = changed.value(key, it.value());
        if (copy.value(key) != expected)
            wrong << QStringLiteral("%1: %2 instead of %3").arg(key, copy.value(key), expected);
    }
    for (const QString &key : copy.keys()) {
        if (!source.contains(key))
            wrong << key + " added";
    }
    return wrong;
}

// The one JFIF header comes first.
bool oneJfifFirst(const QList<QByteArray> &segments) {
    qsizetype jfif = 0;
    for (const QByteArray &s : segments)
        jfif += isApp(s, 0xE0, JfifId);
    return jfif == 1 && isApp(segments.value(0), 0xE0, JfifId);
}

const QByteArray ThumbnailBytes("\xFF\xD8 unstamped thumbnail \xFF\xD9");

// A camera's EXIF block, sized as stored: IFD0 with the pixel size, the orientation (twice
// when odd, which leaves it to the library to rewrite) and the Exif directory, which has the
// pixel size again and a maker note stored by offset; IFD1 with a JPEG thumbnail.
QByteArray exifBlock(int orientation, bool odd, bool bigEndian) {
    QByteArray t(142, '\0');
    const auto put = [&](int at, int width, quint32 v) {
        for (int i = 0; i < width; ++i)
            t[at + (bigEndian ? width - 1 - i : i)] = char(v >> (8 * i));
    };
    const auto entry = [&](int at, quint16 tag, quint16 type, quint32 count, quint32 value) {
        put(at, 2, tag);
        put(at + 2, 2, type);
        put(at + 4, 4, count);
        for (quint32 i = 0; i < (type == 3 ? count : 1); ++i)
            put(at + 8 + 2 * int(i), type == 3 ? 2 : 4, value);
    };
    const quint16 sizeType = bigEndian ? 3 : 4; // SHORT or LONG
    t[0] = t[1] = bigEndian ? 'M' : 'I';
    put(2, 2, 42);
    put(4, 4, 8);
    put(8, 2, 4); // IFD0
    entry(10, 0x0100, sizeType, 1, 40);
    entry(22, 0x0101, sizeType, 1, 24);
    entry(34, 0x0112, 3, odd ? 2 : 1, quint32(orientation));
    entry(46, 0x8769, 4, 1, 62);
    put(58, 4, 112);
    put(62, 2, 3); // Exif directory
    entry(64, 0xA002, sizeType, 1, 40);
    entry(76, 0xA003, sizeType, 1, 24);
    entry(88, 0x927C, 7, 8, 104);
    t.replace(104, 8, "Maker42!");
    put(112, 2, 2); // IFD1
    entry(114, 0x0201, 4, 1, 142);
    entry(126, 0x0202, 4, 1, quint32(ThumbnailBytes.size()));
    return ExifId + t + ThumbnailBytes;
}

QByteArray xmpPacket(const QByteArray &properties) {
    return "<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?><x:xmpmeta xmlns:x='adobe:ns:meta/'>"
           "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
           "<rdf:Description rdf:about='' " +
           properties + "/></rdf:RDF></x:xmpmeta><?xpacket end='w'?>";
}

QByteArray photoshopResource(quint16 id, const QByteArray &data) {
    // An empty name takes two bytes; data is padded to even length.
    return "8BIM" + bigEndian(id, 2) + QByteArray(2, '\0') + bigEndian(quint32(data.size())) +
           data + QByteArray(data.size() % 2, '\0');
}

QByteArray adobe(char transform) {
    return segment(0xEE, QByteArray("Adobe\0\x64\0\0\0\0", 11) + transform);
}

QImage readUpright(const QString &path) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    return reader.read().convertToFormat(QImage::Format_RGB32);
}

} // namespace

class MetadataTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    const QString sourcePath = dir.filePath(QStringLiteral("source.jpg"));
    const QString out = dir.filePath(QStringLiteral("out.jpg"));

    // Saves the picture as out.jpg with the camera data of the file at source; its warning.
    QString saveFrom(const QString &source, const QImage &picture = quadrants()) {
        const Result<PictureWritten> saved = writePicture(picture, out, {}, source);
        if (!saved)
            return QStringLiteral("not saved: ") + saved.error();
        return saved->warning;
    }

private slots:
    // A picture stored turned (orientation 5 to 8) is saved upright with its sides swapped: every
    // pixel size in its metadata says the upright width and height, 24 x 40. Orientations 1 to 4
    // keep the stored 40 x 24.
    void uprightSizes_data() {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QSize>("upright");
        const QSize wide(40, 24), tall(24, 40);
        const QSize sizes[8] = {wide, wide, wide, wide, tall, tall, tall, tall};
        for (int o = 1; o <= 8; ++o)
            QTest::addRow("patched in place, orientation %d", o) << o << "in place" << sizes[o - 1];
        for (int o : {2, 7}) {
            QTest::addRow("rewritten, orientation %d", o) << o << "rewritten" << sizes[o - 1];
            QTest::addRow("PNG source, orientation %d", o) << o << "png" << sizes[o - 1];
            // The program saves over the very file it read: its metadata is read before it goes.
            QTest::addRow("written by the library, saved over it, orientation %d", o)
                << o << "over itself" << sizes[o - 1];
        }
    }

    void uprightSizes() {
        QFETCH(int, orientation);
        QFETCH(QString, layout);
        QFETCH(QSize, upright);
        QString source = sourcePath;
        if (layout == "png" || layout == "over itself") {
            source = layout == "png" ? dir.filePath(QStringLiteral("source.png")) : out;
            QImage stored = quadrants();
            stored.setColorSpace(QColorSpace::AdobeRgb);
            QVERIFY(writeFile(source, encode(stored, layout == "png" ? "png" : "jpeg")));
            addCameraData(source, orientation, layout == "over itself");
        } else {
            const QByteArray xmp =
                xmpPacket("xmlns:tiff='http://ns.adobe.com/tiff/1.0/' "
                          "xmlns:exif='http://ns.adobe.com/exif/1.0/' "
                          "tiff:Orientation='" +
                          QByteArray::number(orientation) +
                          "' exif:PixelXDimension='40' exif:PixelYDimension='24'");
            const QByteArray exif = exifBlock(orientation, layout == "rewritten", orientation % 2);
            QVERIFY(writeFile(
                source,
                encode(quadrants()).insert(2, segment(0xE1, exif) + segment(0xE1, XmpId + xmp))));
        }
        const QMap<QString, QString> before = metadataOf(source);
        const QByteArray sourceBytes = readFile(source);
        for (const char *key : {"Exif.Image.ImageWidth", "Exif.Photo.PixelYDimension",
                                "Xmp.exif.PixelXDimension", "Exif.Image.Orientation"})
            QVERIFY2(before.contains(key), key);
        QVERIFY(layout == "png" || before.contains("Exif.Thumbnail.JPEGInterchangeFormat"));
        QImage picture(upright, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        QCOMPARE(saveFrom(source, picture), QString());

        QCOMPARE(differences(before, metadataOf(out), upright), QStringList());
        QCOMPARE(readUpright(out).size(), upright);
        QVERIFY(!readFile(out).contains(ThumbnailBytes.mid(2, 20)));
        // The encoder's pixels carry no profile of their own: the source's is kept.
        if (layout == "over itself")
            QCOMPARE(QImageReader(out).read().colorSpace(), QColorSpace(QColorSpace::AdobeRgb));
        // In place, no byte moves: the maker note's offsets stay right.
        if (layout == "in place")
            QCOMPARE(exifSize(readFile(out)), exifSize(sourceBytes));
    }

    void cameraFiles_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("carried"); // keys the row is about
        QTest::newRow("Canon, GPS, colour profile")
            << "Canon_40D.jpg" << QStringList{"Exif.GPSInfo."};
        QTest::newRow("Nikon, lens data")
            << "32-lens_data.jpeg"
            << QStringList{"Exif.Nikon3.", "Exif.NikonLd2.", "Exif.GPSInfo."};
        QTest::newRow("Nikon, XMP, comment")
            << "Nikon_D70.jpg" << QStringList{"Xmp.crs.", "Xmp.exif.PixelXDimension", "Xmp.tiff."};
        QTest::newRow("Olympus picture info") << "olympus-d320l.jpg" << QStringList();
        QTest::newRow("turned by the camera")
            << "portrait_6.jpg" << QStringList{"Exif.Image.Orientation"};
    }

    // A stamped photograph keeps its camera's data: every segment as it was but for the EXIF and
    // XMP values that must now say otherwise, and the camera's thumbnails.
    void cameraFiles() {
        QFETCH(QString, file);
        QFETCH(QStringList, carried);
        const QString source = QDir(CAMERA_DATA_DIR).filePath(file);
        QImage stamped = readUpright(source);
        QVERIFY(!stamped.isNull());
        QPainter(&stamped).fillRect(2, 2, 8, 8, Qt::black);
        QCOMPARE(saveFrom(source, stamped), QString());

        const QMap<QString, QString> before = metadataOf(source);
        for (const QString &key : carried)
            QVERIFY2(std::any_of(before.keyBegin(), before.keyEnd(),
                                 [&](const QString &k) { return k.startsWith(key); }),
                     qPrintable(key));
        QCOMPARE(differences(before, metadataOf(out), stamped.size()), QStringList());

        const QByteArray saved = readFile(out);
        QVERIFY(oneJfifFirst(segmentsOf(saved)));
        for (const QByteArray &s : segmentsOf(readFile(source))) {
            const uchar marker = uchar(s[1]);
            if ((marker < 0xE0 || marker > 0xEF) && marker != 0xFE)
                continue;
            if (isApp(s, 0xE1, ExifId))
                QCOMPARE(exifSize(saved), s.size()); // patched where it lies
            else if (!isApp(s, 0xE1, XmpId) && !isApp(s, 0xE0, "JFXX"))
                QVERIFY2(segmentsOf(saved).contains(s), s.left(20).toHex(' ').constData());
        }
        QCOMPARE(readUpright(out).size(), stamped.size());
    }

    void segments_data() {
        QTest::addColumn<QList<QByteArray>>("added"); // to a plain JPEG, right after its start
        QTest::addColumn<QList<QByteArray>>("kept");  // in this order
        QTest::addColumn<QList<QByteArray>>("gone");  // no trace in the copy

        const QByteArray comment = segment(0xFE, "shot on a sunny day");
        const QByteArray maker =
            segment(0xEC, QByteArray("OLYMPUS OPTICAL CO.,LTD.\0\x01\x02", 27));
        QTest::newRow("comment, maker segment")
            << QList{comment, maker} << QList{comment, maker} << QList<QByteArray>();
        QTest::newRow("Adobe, YCbCr") << QList{adobe(1)} << QList{adobe(1)} << QList<QByteArray>();
        QTest::newRow("Adobe, RGB or CMYK")
            << QList{adobe(0), adobe(2)} << QList<QByteArray>() << QList{adobe(0), adobe(2)};
        const QByteArray mpf = segment(0xE2, QByteArray("MPF\0MM\0\x2A\0\0\0\x08", 12));
        QTest::newRow("multi-picture index") << QList{mpf} << QList<QByteArray>() << QList{mpf};
        QTest::newRow("JFIF extension thumbnail")
            << QList{segment(0xE0, QByteArray("JFXX\0\x10", 6) + ThumbnailBytes)}
            << QList<QByteArray>() << QList{ThumbnailBytes};
        const QByteArray density("JFIF\0\x01\x02\x01\x01\x2C\x01\x2C", 12);
        QTest::newRow("JFIF with a thumbnail")
            << QList{segment(0xE0, density + "\x02\x01" + QByteArray("thumb!", 6))}
            << QList{segment(0xE0, density + QByteArray(2, '\0'))} << QList<QByteArray>{"thumb!"};
        const QByteArray photoshop("Photoshop 3.0\0", 14);
        const QByteArray iptc =
            photoshopResource(0x0404, QByteArray("\x1C\x02\x50\x00\x0B", 5) + "Ann Example");
        QTest::newRow("Photoshop thumbnails")
            << QList{segment(0xED, photoshop + photoshopResource(0x0409, "old thumbnail") + iptc +
                                       photoshopResource(0x040C, "new thumbnail"))}
            << QList{segment(0xED, photoshop + iptc)}
            << QList<QByteArray>{"old thumbnail", "new thumbnail"};
    }

    void segments() {
        QFETCH(QList<QByteArray>, added);
        QFETCH(QList<QByteArray>, kept);
        QFETCH(QList<QByteArray>, gone);
        QVERIFY(writeFile(sourcePath, encode(quadrants()).insert(2, added.join())));
        QCOMPARE(saveFrom(sourcePath), QString());

        const QByteArray saved = readFile(out);
        QVERIFY(oneJfifFirst(segmentsOf(saved)));
        qsizetype at = 0;
        for (const QByteArray &s : kept) {
            at = saved.indexOf(s, at);
            QVERIFY2(at > 0, s.left(40).constData());
        }
        for (const QByteArray &s : gone)
            QVERIFY2(!saved.contains(s), s.left(40).constData());
        QCOMPARE(readUpright(out).size(), StoredSize);
    }

    // The picture is always saved; a source with nothing to keep costs no warning, one whose data
    // cannot be kept (or not all of it) says so in one line.
    void warnings_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes"); // none: no such file
        QTest::addColumn<QString>("warning");  // how it starts
        const QByteArray plain = encode(quadrants());
        const QByteArray garbage = segment(0xE1, QByteArray("Exif\0\0garbage garbage", 21));
        const QString notKept("The picture was saved, but its camera data could not be kept: ");
        QTest::newRow("JPEG without metadata") << "a.jpg" << plain << QString();
        QTest::newRow("bitmap") << "a.bmp" << encode(quadrants(), "bmp") << QString();
        QTest::newRow("EXIF garbage") << "a.jpg" << QByteArray(plain).insert(2, garbage) << notKept;
        QTest::newRow("EXIF garbage beside a comment")
            << "a.jpg" << QByteArray(plain).insert(2, garbage + segment(0xFE, "kept"))
            << "The picture was saved, but not all of its camera data could be kept: ";
        QTest::newRow("missing source")
            << "gone.jpg" << QByteArray() << notKept + "No such file or directory.";
        QTest::newRow("folder as source")
            << "folder" << QByteArray()
            << notKept + dir.filePath("folder") + " is not a regular file.";
    }

    void warnings() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, warning);
        const QString source = dir.filePath(name);
        if (name == "folder")
            QVERIFY(QDir().mkpath(source));
        else if (!bytes.isEmpty())
            QVERIFY(writeFile(source, bytes));
        const QString said = saveFrom(source);
        QVERIFY2(warning.isEmpty() ? said.isEmpty() : said.startsWith(warning), qPrintable(said));
        QCOMPARE(readUpright(out).size(), StoredSize);
        QCOMPARE(metadataOf(out).size(), 0);
    }

    // Every format Exiv2 writes takes the camera data of every source it reads, with the
    // colour profile; the pixels (and a picture's transparency) come back as written.
    void otherFormats_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("output");
        for (const char *from : {"jpg", "png", "tif"})
            for (const char *to : {"png", "tif", "TIFF", "webp", "jpg"})
                QTest::addRow("%s to %s", from, to) << from << to;
    }

    void otherFormats() {
        QFETCH(QString, source);
        QFETCH(QString, output);
        const QString from = dir.filePath("source." + source);
        QImage stored = quadrants();
        stored.setColorSpace(QColorSpace::AdobeRgb);
        QVERIFY(writeFile(from, encode(stored, source == "tif" ? "tiff" : qPrintable(source))));
        addCameraData(from, 1, false);
        QVERIFY(metadataOf(from).contains("Exif.Image.Artist"));

        // A transparent corner, kept where the format keeps transparency.
        QImage picture = quadrants().convertToFormat(QImage::Format_ARGB32);
        picture.setPixel(0, 0, qRgba(220, 40, 40, 0));
        picture.setPixel(1, 0, qRgba(220, 40, 40, 128));
        const QString to = dir.filePath("stamped." + output);
        JpegEncoding lossless; // for WebP
        lossless.quality = 100;
        const Result<PictureWritten> saved = writePicture(picture, to, lossless, from);
        QVERIFY2(saved, qPrintable(saved.error()));
        QCOMPARE(saved->warning, QString());

        const QMap<QString, QString> kept = metadataOf(to);
        QCOMPARE(kept.value("Exif.Image.Artist"), QString("Ann Example"));
        // WebP has no place for IPTC; its XMP carries the same.
        if (output != "webp")
            QCOMPARE(kept.value("Iptc.Application2.Byline"), QString("Ann Example"));
        QCOMPARE(kept.value("Xmp.photoshop.Credit"), QString("Example Press"));
        const QImage back = QImageReader(to).read();
        QCOMPARE(back.colorSpace(), QColorSpace(QColorSpace::AdobeRgb));
        QCOMPARE(back.size(), StoredSize);
        if (output == "jpg")
            return;
        QCOMPARE(qAlpha(back.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(back.pixel(1, 0)), 128);
        QCOMPARE(back.pixel(30, 20), quadrants().pixel(30, 20));
    }

    // On request the outputs lose where they were taken, or everything but the colour profile.
    void strip_data() {
        QTest::addColumn<QString>("output");
        QTest::addColumn<MetadataKept>("kept");
        for (const char *to : {"jpg", "png", "tif", "webp"}) {
            QTest::addRow("%s without location", to) << to << MetadataKept::NoLocation;
            QTest::addRow("%s with the profile alone", to) << to << MetadataKept::ColourProfile;
        }
    }

    void strip() {
        QFETCH(QString, output);
        QFETCH(MetadataKept, kept);
        QImage stored = quadrants();
        stored.setColorSpace(QColorSpace::AdobeRgb);
        QVERIFY(writeFile(sourcePath, encode(stored)));
        addCameraData(sourcePath, 1, false);
        {
            auto image = Exiv2::ImageFactory::open(QFile::encodeName(sourcePath).toStdString());
            image->readMetadata();
            image->exifData()["Exif.GPSInfo.GPSLatitudeRef"] = "N";
            Exiv2::URationalValue latitude;
            latitude.read("48/1 51/1 2400/100");
            image->exifData()["Exif.GPSInfo.GPSLatitude"] = latitude;
            image->xmpData()["Xmp.photoshop.City"] = "Paris";
            image->xmpData()["Xmp.exif.GPSLongitude"] = "2,21.0E";
            image->iptcData()["Iptc.Application2.City"] = "Paris";
            image->writeMetadata();
        }
        const QMap<QString, QString> before = metadataOf(sourcePath);
        QVERIFY(before.contains("Exif.GPSInfo.GPSLatitude"));

        const QString to = dir.filePath("stamped." + output);
        const Result<PictureWritten> saved =
            writePicture(quadrants(), to, {}, MetadataChoice{sourcePath, kept});
        QVERIFY2(saved, qPrintable(saved.error()));
        QCOMPARE(saved->warning, QString());

        const QMap<QString, QString> after = metadataOf(to);
        for (auto it = after.keyBegin(); it != after.keyEnd(); ++it)
            QVERIFY2(!it->contains("GPS") && !it->contains("City"), qPrintable(*it));
        QCOMPARE(after.value("Exif.Image.Artist"),
                 kept == MetadataKept::NoLocation ? QString("Ann Example") : QString());
        QCOMPARE(after.value("Xmp.photoshop.Credit"),
                 kept == MetadataKept::NoLocation ? QString("Example Press") : QString());
        // A TIFF's own directory, which describes its pixels, is all that may be left.
        if (kept == MetadataKept::ColourProfile)
            for (auto it = after.keyBegin(); it != after.keyEnd(); ++it)
                QVERIFY2(output == "tif" && it->startsWith("Exif.Image.") &&
                             !it->contains("Artist"),
                         qPrintable(*it));
        const QImage back = QImageReader(to).read();
        QCOMPARE(back.colorSpace(), QColorSpace(QColorSpace::AdobeRgb));
        QCOMPARE(back.size(), StoredSize);
    }
};

QTEST_MAIN(MetadataTest)
#include "tst_metadata.moc"
