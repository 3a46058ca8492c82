#include "platform/Metadata.h"
#include "platform/PictureWriter.h"

#include <QBuffer>
#include <QColorSpace>
#include <QCryptographicHash>
#include <QDir>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <exiv2/exiv2.hpp>

using namespace imprimata;

namespace {

// Stored sideways, 40 x 24; the camera's Orientation 6 turns it to 24 x 40.
const QSize UprightSize(24, 40);
const QRect StampRect(8, 14, 8, 8); // clear of the quadrants' centres

QImage quadrants() {
    QImage image(40, 24, QImage::Format_RGB32);
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

QByteArray bigEndian(quint32 value, int width = 4) {
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes.right(width);
}

QByteArray segment(uchar marker, const QByteArray &payload) {
    return QByteArray(1, char(0xFF)) + char(marker) + bigEndian(quint32(payload.size() + 2), 2) +
           payload;
}

// An APP1 segment right after the start-of-image marker.
QByteArray withApp1(QByteArray jpeg, const QByteArray &payload) {
    return jpeg.insert(2, segment(0xE1, payload));
}

void addCameraData(const QString &path) {
    auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
    image->readMetadata();
    Exiv2::ExifData &exif = image->exifData();
    exif["Exif.Image.Orientation"] = std::uint16_t(6);
    exif["Exif.Image.Artist"] = "Ann Example";
    const QByteArray thumb = encode(quadrants().scaled(10, 6));
    Exiv2::ExifThumb(exif).setJpegThumbnail(reinterpret_cast<const Exiv2::byte *>(thumb.data()),
                                            thumb.size());
    image->iptcData()["Iptc.Application2.Byline"] = "Ann Example";
    image->xmpData()["Xmp.tiff.Orientation"] = "6";
    image->xmpData()["Xmp.photoshop.Credit"] = "Example Press";
    Exiv2::XmpTextValue thumbnails;
    thumbnails.setXmpArrayType(Exiv2::XmpValue::xaAlt);
    image->xmpData().add(Exiv2::XmpKey("Xmp.xmp.Thumbnails"), &thumbnails);
    image->xmpData()["Xmp.xmp.Thumbnails[1]/xmpGImg:image"] = "c3RhbXBlZA==";
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

QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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
    ExtensionId("http://ns.adobe.com/xmp/extension/\0", 35), JfifId("JFIF\0", 5);

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
        if (key.startsWith("Exif.Thumbnail.")) {
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

QByteArray exifOf(const QList<QByteArray> &segments) {
    for (const QByteArray &s : segments) {
        if (isApp(s, 0xE1, ExifId))
            return s;
    }
    return {};
}

// The one JFIF header comes first.
bool oneJfifFirst(const QList<QByteArray> &segments) {
    qsizetype jfif = 0;
    for (const QByteArray &s : segments)
        jfif += isApp(s, 0xE0, JfifId);
    return jfif == 1 && isApp(segments.value(0), 0xE0, JfifId);
}

// A small EXIF block: IFD0 with the orientation and the Exif directory, which has a stale
// pixel size and a maker note stored by offset; IFD1 with a JPEG thumbnail.
const QByteArray ThumbnailBytes("\xFF\xD8 unstamped thumbnail \xFF\xD9");

QByteArray exifBlock(bool bigEndian, quint16 orientationCount, quint16 sizeType) {
    QByteArray t(118, '\0');
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
    t[0] = t[1] = bigEndian ? 'M' : 'I';
    put(2, 2, 42);
    put(4, 4, 8);
    put(8, 2, 2);
    entry(10, 0x0112, 3, orientationCount, 6);
    entry(22, 0x8769, 4, 1, 38);
    put(34, 4, 88);
    put(38, 2, 3);
    entry(40, 0xA002, sizeType, 1, 4000);
    entry(52, 0xA003, sizeType, 1, 3000);
    entry(64, 0x927C, 7, 8, 80);
    t.replace(80, 8, "Maker42!");
    put(88, 2, 2);
    entry(90, 0x0201, 4, 1, 118);
    entry(102, 0x0202, 4, 1, quint32(ThumbnailBytes.size()));
    return ExifId + t + ThumbnailBytes;
}

QByteArray xmpPacket(const QByteArray &properties) {
    return "<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?><x:xmpmeta xmlns:x='adobe:ns:meta/'>"
           "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
           "<rdf:Description rdf:about='' " +
           properties + "/></rdf:RDF></x:xmpmeta><?xpacket end='w'?>";
}

// XMP too large for one segment: the main packet names the rest by its digest, which follows
// in two extension segments.
QList<QByteArray> extendedXmp() {
    const QByteArray rest = xmpPacket("xmlns:demo='http://example.com/demo/' demo:Depth='" +
                                      QByteArray(100000, 'A') + "'");
    const QByteArray guid =
        QCryptographicHash::hash(rest, QCryptographicHash::Md5).toHex().toUpper();
    QList<QByteArray> segments = {
        segment(0xE1, XmpId + xmpPacket("xmlns:xmpNote='http://ns.adobe.com/xmp/note/' "
                                        "xmpNote:HasExtendedXMP='" +
                                        guid + "'"))};
    for (qsizetype at = 0; at < rest.size(); at += 65000) {
        const QByteArray header =
            ExtensionId + guid + bigEndian(quint32(rest.size())) + bigEndian(quint32(at));
        segments.append(segment(0xE1, header + rest.mid(at, 65000)));
    }
    return segments;
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
    return reader.read();
}

bool near(QRgb a, QRgb b) {
    return qAbs(qRed(a) - qRed(b)) < 24 && qAbs(qGreen(a) - qGreen(b)) < 24 &&
           qAbs(qBlue(a) - qBlue(b)) < 24;
}

// The centre of each quadrant and of the stamp.
bool samePicture(const QImage &a, const QImage &b) {
    const int w = a.width(), h = a.height();
    for (const QPoint p : {QPoint(w / 4, h / 4), QPoint(3 * w / 4, h / 4), QPoint(w / 4, 3 * h / 4),
                           QPoint(3 * w / 4, 3 * h / 4), StampRect.center()}) {
        if (!near(a.pixel(p), b.pixel(p)))
            return false;
    }
    return a.size() == b.size();
}

} // namespace

class MetadataTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    const QString sourcePath = dir.filePath(QStringLiteral("source.jpg"));
    const QString out = dir.filePath(QStringLiteral("out.jpg"));

    // Saves the test picture as out.jpg with the camera data of a source holding these bytes.
    bool saveFrom(const QByteArray &source, QString *warning) {
        if (!writeFile(sourcePath, source))
            return false;
        const Result<PictureWritten> saved =
            writePicture(quadrants(), out, DefaultJpegQuality, sourcePath);
        if (!saved) {
            qWarning("%s", qPrintable(saved.error()));
            return false;
        }
        *warning = saved->warning;
        return true;
    }

private slots:
    void savedOverItsSource();
    void otherSources_data();
    void otherSources();
    void cameraFiles_data();
    void cameraFiles();
    void segments_data();
    void segments();
    void exifLayouts_data();
    void exifLayouts();
};

void MetadataTest::savedOverItsSource() {
    const QString path = dir.filePath(QStringLiteral("camera.jpg"));
    QImage source = quadrants();
    source.setColorSpace(QColorSpace::AdobeRgb);
    QVERIFY(writeFile(path, encode(source)));
    addCameraData(path);
    QVERIFY(!metadataOf(path).keys().filter("Exif.Thumbnail").isEmpty());
    QVERIFY(!metadataOf(path).keys().filter("Xmp.xmp.Thumbnails").isEmpty());

    // As the program holds it: read upright, then stamped. Saved over the very file it was
    // read from, so the metadata must be read before it goes.
    QImage stamped = readUpright(path).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(stamped.size(), UprightSize);
    QPainter(&stamped).fillRect(StampRect, Qt::black);
    const Result<PictureWritten> written = writePicture(stamped, path, DefaultJpegQuality, path);
    QVERIFY2(written, qPrintable(written.error()));
    QCOMPARE(written->warning, QString());

    QVERIFY(samePicture(readUpright(path), stamped)); // the stamp's centre included
    // The reader dropped the profile when it turned the picture; the source's is kept.
    QCOMPARE(QImageReader(path).read().colorSpace(), QColorSpace(QColorSpace::AdobeRgb));

    // The picture is upright now, and the camera's thumbnail would show it unstamped.
    const QMap<QString, QString> saved = metadataOf(path);
    QCOMPARE(saved.value("Exif.Image.Orientation"), "1");
    QCOMPARE(saved.value("Xmp.tiff.Orientation"), "1");
    QCOMPARE(saved.value("Exif.Image.Artist"), "Ann Example");
    QCOMPARE(saved.value("Iptc.Application2.Byline"), "Ann Example");
    QCOMPARE(saved.value("Xmp.photoshop.Credit"), "Example Press");
    QCOMPARE(saved.keys().filter("Exif.Thumbnail"), QStringList());
    QCOMPARE(saved.keys().filter("Xmp.xmp.Thumbnails"), QStringList());
}

void MetadataTest::otherSources_data() {
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<bool>("warns");
    const QByteArray plain = encode(quadrants());
    QTest::newRow("JPEG without metadata") << plain << false;
    QTest::newRow("bitmap") << encode(quadrants(), "bmp") << false;
    QTest::newRow("EXIF garbage") << withApp1(plain, QByteArray("Exif\0\0garbage garbage", 21))
                                  << true;
}

// The picture is always saved; a source with nothing to keep costs no warning.
void MetadataTest::otherSources() {
    QFETCH(QByteArray, source);
    QFETCH(bool, warns);
    QString warning;
    QVERIFY(saveFrom(source, &warning));
    QVERIFY(samePicture(readUpright(out), quadrants()));
    QVERIFY2(warns ? warning.startsWith("The picture was saved, but ") : warning.isEmpty(),
             qPrintable(warning));
    QCOMPARE(metadataOf(out).size(), 0);
}

void MetadataTest::cameraFiles_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("carried"); // keys the row is about
    QTest::newRow("Canon, GPS, colour profile") << "Canon_40D.jpg" << QStringList{"Exif.GPSInfo."};
    QTest::newRow("Nikon, lens data")
        << "32-lens_data.jpeg" << QStringList{"Exif.Nikon3.", "Exif.NikonLd2.", "Exif.GPSInfo."};
    QTest::newRow("Nikon, GPS") << "DSCN0010.jpg"
                                << QStringList{"Exif.Nikon3.", "Exif.GPSInfo.", "Xmp."};
    QTest::newRow("Nikon, XMP, comment")
        << "Nikon_D70.jpg" << QStringList{"Xmp.crs.", "Xmp.exif.PixelXDimension", "Xmp.tiff."};
    QTest::newRow("Olympus picture info") << "olympus-d320l.jpg" << QStringList();
    QTest::newRow("turned by the camera")
        << "portrait_6.jpg" << QStringList{"Exif.Image.Orientation"};
}

// A stamped photograph keeps its camera's data: every segment as it was but for the EXIF and
// XMP values that must now say otherwise, and the camera's thumbnails.
void MetadataTest::cameraFiles() {
    QFETCH(QString, file);
    QFETCH(QStringList, carried);
    const QString source = QDir(CAMERA_DATA_DIR).filePath(file);
    const QString out = dir.filePath(file);
    QImage stamped = readUpright(source).convertToFormat(QImage::Format_RGB32);
    QVERIFY(!stamped.isNull());
    QPainter(&stamped).fillRect(2, 2, 8, 8, Qt::black);
    const Result<PictureWritten> written = writePicture(stamped, out, DefaultJpegQuality, source);
    QVERIFY2(written, qPrintable(written.error()));
    QCOMPARE(written->warning, QString());

    const QMap<QString, QString> before = metadataOf(source), after = metadataOf(out);
    for (const QString &key : carried)
        QVERIFY2(!before.keys()
                      .filter(QRegularExpression("^" + QRegularExpression::escape(key)))
                      .isEmpty(),
                 qPrintable(key));
    QCOMPARE(differences(before, after, stamped.size()), QStringList());

    const QList<QByteArray> from = segmentsOf(readFile(source)), to = segmentsOf(readFile(out));
    QVERIFY(oneJfifFirst(to));
    for (const QByteArray &s : from) {
        const uchar marker = uchar(s[1]);
        if ((marker < 0xE0 || marker > 0xEF) && marker != 0xFE)
            continue;
        if (isApp(s, 0xE1, ExifId))
            QCOMPARE(exifOf(to).size(), s.size()); // patched where it lies
        else if (!isApp(s, 0xE1, XmpId) && !isApp(s, 0xE0, "JFXX")) {
            QVERIFY2(to.contains(s), s.left(20).toHex(' ').constData());
        }
    }
    QVERIFY(samePicture(readUpright(out), stamped));
}

void MetadataTest::segments_data() {
    QTest::addColumn<QList<QByteArray>>("added"); // to a plain JPEG, right after its start
    QTest::addColumn<QList<QByteArray>>("kept");  // in this order
    QTest::addColumn<QList<QByteArray>>("gone");  // no trace in the copy

    const QByteArray comment = segment(0xFE, "shot on a sunny day");
    const QByteArray maker = segment(0xEC, QByteArray("OLYMPUS OPTICAL CO.,LTD.\0\x01\x02", 27));
    QTest::newRow("comment, maker segment")
        << QList{comment, maker} << QList{comment, maker} << QList<QByteArray>();
    QTest::newRow("extended XMP") << extendedXmp() << extendedXmp().mid(1) << QList<QByteArray>();
    QTest::newRow("Adobe, YCbCr") << QList{adobe(1)} << QList{adobe(1)} << QList<QByteArray>();
    QTest::newRow("Adobe, RGB or CMYK")
        << QList{adobe(0), adobe(2)} << QList<QByteArray>() << QList{adobe(0), adobe(2)};
    const QByteArray mpf = segment(0xE2, QByteArray("MPF\0MM\0\x2A\0\0\0\x08", 12));
    QTest::newRow("multi-picture index") << QList{mpf} << QList<QByteArray>() << QList{mpf};
    QTest::newRow("JFIF extension thumbnail")
        << QList{segment(0xE0, QByteArray("JFXX\0\x10", 6) + ThumbnailBytes)} << QList<QByteArray>()
        << QList{ThumbnailBytes};
    const QByteArray density("JFIF\0\x01\x02\x01\x01\x2C\x01\x2C", 12);
    QTest::newRow("JFIF with a thumbnail")
        << QList{segment(0xE0, density + "\x02\x01" + QByteArray("thumb!", 6))}
        << QList{segment(0xE0, density + QByteArray(2, '\0'))} << QList<QByteArray>{"thumb!"};
    const QByteArray iptc =
        photoshopResource(0x0404, QByteArray("\x1C\x02\x50\x00\x0B", 5) + "Ann Example");
    const QByteArray thumbnail = photoshopResource(0x040C, "Photoshop thumbnail");
    QTest::newRow("Photoshop thumbnail")
        << QList{segment(0xED, QByteArray("Photoshop 3.0\0", 14) + iptc + thumbnail)}
        << QList{segment(0xED, QByteArray("Photoshop 3.0\0", 14) + iptc)}
        << QList<QByteArray>{"Photoshop thumbnail"};
}

void MetadataTest::segments() {
    QFETCH(QList<QByteArray>, added);
    QFETCH(QList<QByteArray>, kept);
    QFETCH(QList<QByteArray>, gone);
    QByteArray source = encode(quadrants());
    source.insert(2, added.join());
    QString warning;
    QVERIFY(saveFrom(source, &warning));
    QCOMPARE(warning, QString());

    const QByteArray saved = readFile(out);
    QVERIFY(oneJfifFirst(segmentsOf(saved)));
    qsizetype at = 0;
    for (const QByteArray &s : kept) {
        at = saved.indexOf(s, at);
        QVERIFY2(at > 0, s.left(40).constData());
    }
    for (const QByteArray &s : gone)
        QVERIFY2(!saved.contains(s), s.left(40).constData());
    QVERIFY(samePicture(readUpright(out), quadrants()));
}

void MetadataTest::exifLayouts_data() {
    QTest::addColumn<QByteArray>("exif");
    QTest::addColumn<bool>("inPlace");
    QTest::newRow("big-endian, SHORT sizes") << exifBlock(true, 1, 3) << true;
    QTest::newRow("little-endian, LONG sizes") << exifBlock(false, 1, 4) << true;
    // Two orientation values: left to the library to rewrite.
    QTest::newRow("odd orientation") << exifBlock(false, 2, 3) << false;
}

// Upright, sized like the picture and without its thumbnail, the rest untouched.
void MetadataTest::exifLayouts() {
    QFETCH(QByteArray, exif);
    QFETCH(bool, inPlace);
    QString warning;
    QVERIFY(saveFrom(withApp1(encode(quadrants()), exif), &warning));
    QCOMPARE(warning, QString());

    const QMap<QString, QString> before = metadataOf(sourcePath), after = metadataOf(out);
    QVERIFY(before.contains("Exif.Thumbnail.JPEGInterchangeFormat"));
    QVERIFY(before.contains("Exif.Photo.MakerNote"));
    QCOMPARE(after.value("Exif.Photo.PixelXDimension"), "40");
    QCOMPARE(differences(before, after, quadrants().size()), QStringList());
    const QByteArray saved = readFile(out);
    QVERIFY(!saved.contains(ThumbnailBytes.mid(2, 20)));
    if (inPlace)
        QCOMPARE(exifOf(segmentsOf(saved)).size(), exif.size() + 4);
}

QTEST_MAIN(MetadataTest)
#include "tst_metadata.moc"
