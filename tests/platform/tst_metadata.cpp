#include "platform/Metadata.h"
#include "platform/PictureWriter.h"

#include <QBuffer>
#include <QColorSpace>
#include <QImageReader>
#include <QImageWriter>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
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
    QImageWriter(&buffer, format).write(image);
    return bytes;
}

bool writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// An APP1 segment right after the start-of-image marker.
QByteArray withApp1(QByteArray jpeg, const QByteArray &payload) {
    const int length = int(payload.size()) + 2;
    return jpeg.insert(2,
                       QByteArray("\xFF\xE1") + char(length >> 8) + char(length & 0xFF) + payload);
}

void addCameraData(const QString &path) {
    auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
    image->readMetadata();
    Exiv2::ExifData &exif = image->exifData();
    exif["Exif.Image.Orientation"] = std::uint16_t(6);
    exif["Exif.Image.Artist"] = "Ann Example";
    exif["Exif.Photo.PixelXDimension"] = std::uint32_t(40);
    exif["Exif.Photo.PixelYDimension"] = std::uint32_t(24);
    exif["Exif.GPSInfo.GPSLatitudeRef"] = "N";
    const QByteArray thumb = encode(quadrants().scaled(10, 6));
    Exiv2::ExifThumb(exif).setJpegThumbnail(reinterpret_cast<const Exiv2::byte *>(thumb.data()),
                                            thumb.size());
    image->iptcData()["Iptc.Application2.Byline"] = "Ann Example";
    Exiv2::XmpData &xmp = image->xmpData();
    xmp["Xmp.tiff.Orientation"] = "6";
    xmp["Xmp.photoshop.Credit"] = "Example Press";
    Exiv2::XmpTextValue thumbnails;
    thumbnails.setXmpArrayType(Exiv2::XmpValue::xaAlt);
    xmp.add(Exiv2::XmpKey("Xmp.xmp.Thumbnails"), &thumbnails);
    xmp["Xmp.xmp.Thumbnails[1]/xmpGImg:format"] = "JPEG";
    xmp["Xmp.xmp.Thumbnails[1]/xmpGImg:image"] = thumb.toBase64().toStdString();
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

private slots:
    void initTestCase();
    void keepsFields_data();
    void keepsFields();
    void savedUprightWithStamp();
    void otherSources_data();
    void otherSources();
    void unusualJpegLayout();

private:
    QString richSource() const { return dir_.filePath(QStringLiteral("camera.jpg")); }
    QString savedPath() const { return dir_.filePath(QStringLiteral("saved.jpg")); }

    QTemporaryDir dir_;
    QImage stamped_;
    QMap<QString, QString> saved_;
    QJsonObject exiftool_; // empty when exiftool is not installed
};

void MetadataTest::initTestCase() {
    QVERIFY(dir_.isValid());
    QImage source = quadrants();
    source.setColorSpace(QColorSpace::AdobeRgb);
    QVERIFY(writeFile(richSource(), encode(source)));
    addCameraData(richSource());
    QCOMPARE(readUpright(richSource()).size(), UprightSize);

    // Saved over the very file it was read from: the metadata must be read before it goes.
    QVERIFY(QFile::copy(richSource(), savedPath()));
    // As the program holds it: read upright, then stamped.
    stamped_ = readUpright(savedPath()).convertToFormat(QImage::Format_RGB32);
    QPainter(&stamped_).fillRect(StampRect, Qt::black);
    QString error, warning = QStringLiteral("stale");
    QVERIFY2(writePicture(stamped_, savedPath(), &error, DefaultJpegQuality, savedPath(), &warning),
             qPrintable(error));
    QCOMPARE(warning, QString());
    saved_ = metadataOf(savedPath());

    // A second opinion from another reader, when there is one.
    const QString exiftool = QStandardPaths::findExecutable(QStringLiteral("exiftool"));
    if (exiftool.isEmpty())
        return;
    QProcess run;
    run.start(exiftool, {"-j", "-G1", "-n", savedPath()});
    QVERIFY(run.waitForFinished(30000));
    exiftool_ = QJsonDocument::fromJson(run.readAllStandardOutput()).array().first().toObject();
    QVERIFY(exiftool_.contains(QStringLiteral("File:ImageWidth")));
}

void MetadataTest::keepsFields_data() {
    // Exiv2 key, exiftool tag and value; an empty value: no tag under that name may be left.
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("value");
    const auto row = [](const char *name, const char *key, const char *tag, const char *value) {
        QTest::newRow(name) << QString(key) << QString(tag) << QString(value);
    };
    row("orientation normal", "Exif.Image.Orientation", "IFD0:Orientation", "1");
    row("artist", "Exif.Image.Artist", "IFD0:Artist", "Ann Example");
    row("width as shown", "Exif.Photo.PixelXDimension", "ExifIFD:ExifImageWidth", "24");
    row("height as shown", "Exif.Photo.PixelYDimension", "ExifIFD:ExifImageHeight", "40");
    row("GPS", "Exif.GPSInfo.GPSLatitudeRef", "GPS:GPSLatitudeRef", "N");
    row("IPTC", "Iptc.Application2.Byline", "IPTC:By-line", "Ann Example");
    row("XMP", "Xmp.photoshop.Credit", "XMP-photoshop:Credit", "Example Press");
    row("XMP orientation normal", "Xmp.tiff.Orientation", "XMP-tiff:Orientation", "1");
    row("no EXIF thumbnail", "Exif.Thumbnail", "IFD1:", "");
    row("no XMP thumbnail", "Xmp.xmp.Thumbnails", "XMP-xmp:Thumbnail", "");
}

void MetadataTest::keepsFields() {
    QFETCH(QString, key);
    QFETCH(QString, tag);
    QFETCH(QString, value);
    if (!value.isEmpty()) {
        QCOMPARE(saved_.value(key), value);
        if (!exiftool_.isEmpty())
            QCOMPARE(exiftool_.value(tag).toVariant().toString(), value);
        return;
    }
    for (const QString &name : saved_.keys() + exiftool_.keys())
        QVERIFY2(!name.startsWith(key) && !name.startsWith(tag), qPrintable(name));
}

void MetadataTest::savedUprightWithStamp() {
    const QImage back = readUpright(savedPath());
    QCOMPARE(back.size(), UprightSize);
    QVERIFY(samePicture(back, stamped_));
    QVERIFY(near(back.pixel(StampRect.center()), qRgb(0, 0, 0)));
    // The reader dropped the profile when it turned the picture; the source's is kept.
    QCOMPARE(QImageReader(savedPath()).read().colorSpace(), QColorSpace(QColorSpace::AdobeRgb));
}

void MetadataTest::otherSources_data() {
    QTest::addColumn<QByteArray>("source"); // empty: no file at all
    QTest::addColumn<QString>("output");
    QTest::addColumn<bool>("warns");
    const QByteArray plain = encode(quadrants());
    QTest::newRow("JPEG without metadata") << plain << "out.jpg" << false;
    QTest::newRow("bitmap source") << encode(quadrants(), "bmp") << "out.jpg" << false;
    QFile camera(richSource());
    QVERIFY(camera.open(QIODevice::ReadOnly));
    QTest::newRow("bitmap output has no room") << camera.readAll() << "out.bmp" << false;
    QTest::newRow("EXIF garbage") << withApp1(plain, QByteArray("Exif\0\0garbage garbage", 21))
                                  << "out.jpg" << true;
    QTest::newRow("missing file") << QByteArray() << "out.jpg" << true;
}

// The picture is always saved; a source with nothing to keep costs no warning.
void MetadataTest::otherSources() {
    QFETCH(QByteArray, source);
    QFETCH(QString, output);
    QFETCH(bool, warns);
    const QString sourcePath = dir_.filePath(QStringLiteral("source"));
    QFile::remove(sourcePath);
    QVERIFY(source.isEmpty() || writeFile(sourcePath, source));
    const QImage picture = quadrants();
    const QString out = dir_.filePath(output);
    QString error, warning;
    QVERIFY2(writePicture(picture, out, &error, DefaultJpegQuality, sourcePath, &warning),
             qPrintable(error));
    QVERIFY(samePicture(readUpright(out), picture));
    QVERIFY2(warns ? warning.startsWith("The picture was saved, but ") : warning.isEmpty(),
             qPrintable(warning));
    QVERIFY(!warning.contains(QLatin1Char('\n')));
    if (!isBitmapName(out))
        QCOMPARE(metadataOf(out).size(), 0);
}

void MetadataTest::unusualJpegLayout() {
    // A fill byte before a marker is legal, though not what the encoder writes.
    QByteArray jpeg = encode(stamped_).insert(2, char(0xFF));
    QCOMPARE(copyMetadata(richSource(), jpeg), QString());
    const QString out = dir_.filePath(QStringLiteral("bytes.jpg"));
    QVERIFY(writeFile(out, jpeg));
    QVERIFY(samePicture(readUpright(out), stamped_));
    QCOMPARE(metadataOf(out).value(QStringLiteral("Exif.Image.Orientation")), QStringLiteral("1"));
}

QTEST_MAIN(MetadataTest)
#include "tst_metadata.moc"
