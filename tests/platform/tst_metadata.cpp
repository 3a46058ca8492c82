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
const QSize StoredSize(40, 24);
const QSize UprightSize(24, 40);
const QColor StampColour(0, 0, 0);
const QRect StampRect(8, 14, 8, 8); // clear of the quadrants' centres

QImage quadrants() {
    QImage image(StoredSize, QImage::Format_RGB32);
    QPainter p(&image);
    p.fillRect(0, 0, 20, 12, QColor(220, 40, 40));
    p.fillRect(20, 0, 20, 12, QColor(40, 200, 40));
    p.fillRect(0, 12, 20, 12, QColor(40, 40, 220));
    p.fillRect(20, 12, 20, 12, QColor(230, 230, 60));
    return image;
}

QByteArray encodeJpeg(const QImage &image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(95);
    writer.write(image);
    return bytes;
}

bool writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray segment(uchar marker, const QByteArray &payload) {
    const int length = int(payload.size()) + 2;
    QByteArray s;
    s.append(char(0xFF)).append(char(marker)).append(char(length >> 8)).append(char(length & 0xFF));
    return s + payload;
}

// Right after the start-of-image marker.
QByteArray withSegment(QByteArray jpeg, const QByteArray &segmentBytes) {
    return jpeg.insert(2, segmentBytes);
}

void addCameraData(const QString &path) {
    auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
    image->readMetadata();
    Exiv2::ExifData &exif = image->exifData();
    exif["Exif.Image.Orientation"] = std::uint16_t(6);
    exif["Exif.Image.Artist"] = "Ann Example";
    exif["Exif.Image.Copyright"] = "(c) Ann Example";
    exif["Exif.Photo.DateTimeOriginal"] = "2021:07:14 10:30:00";
    exif["Exif.Photo.PixelXDimension"] = std::uint32_t(StoredSize.width());
    exif["Exif.Photo.PixelYDimension"] = std::uint32_t(StoredSize.height());
    exif["Exif.GPSInfo.GPSLatitudeRef"] = "N";
    exif["Exif.GPSInfo.GPSLatitude"] = "51/1 30/1 1234/100";
    exif["Exif.GPSInfo.GPSLongitudeRef"] = "W";
    exif["Exif.GPSInfo.GPSLongitude"] = "0/1 7/1 3900/100";
    const QByteArray thumb = encodeJpeg(quadrants().scaled(10, 6));
    Exiv2::ExifThumb(exif).setJpegThumbnail(reinterpret_cast<const Exiv2::byte *>(thumb.data()),
                                            thumb.size());
    Exiv2::IptcData &iptc = image->iptcData();
    iptc["Iptc.Application2.Byline"] = "Ann Example";
    iptc["Iptc.Application2.Copyright"] = "Ann Example 2021";
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
    for (const auto &d : image->exifData())
        tags.insert(QString::fromStdString(d.key()), QString::fromStdString(d.value().toString()));
    for (const auto &d : image->iptcData())
        tags.insert(QString::fromStdString(d.key()), QString::fromStdString(d.value().toString()));
    for (const auto &d : image->xmpData())
        tags.insert(QString::fromStdString(d.key()), QString::fromStdString(d.value().toString()));
    return tags;
}

void stringRow(const char *name, const char *key, const char *value) {
    QTest::newRow(name) << QString::fromUtf8(key) << QString::fromUtf8(value);
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
    if (a.size() != b.size())
        return false;
    const int w = a.width(), h = a.height();
    for (const QPoint p : {QPoint(w / 4, h / 4), QPoint(3 * w / 4, h / 4), QPoint(w / 4, 3 * h / 4),
                           QPoint(3 * w / 4, 3 * h / 4), StampRect.center()}) {
        if (!near(a.pixel(p), b.pixel(p)))
            return false;
    }
    return true;
}

} // namespace

class MetadataTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void keepsFields_data();
    void keepsFields();
    void savedUprightWithStamp();
    void keepsColourProfile_data();
    void keepsColourProfile();
    void exiftoolSeesFields_data();
    void exiftoolSeesFields();
    void nothingToKeep_data();
    void nothingToKeep();
    void damagedMetadataKeepsPicture_data();
    void damagedMetadataKeepsPicture();
    void replacesItsOwnSource();
    void intoEncodedBytes_data();
    void intoEncodedBytes();

private:
    QString richSource() const { return dir_.filePath(QStringLiteral("camera.jpg")); }
    QString savedPath() const { return dir_.filePath(QStringLiteral("saved.jpg")); }
    // As the program holds it: read upright, then stamped.
    QImage stampedPicture(const QString &source) const;

    QTemporaryDir dir_;
    QImage stamped_;
    QMap<QString, QString> saved_;
};

QImage MetadataTest::stampedPicture(const QString &source) const {
    QImage image = readUpright(source).convertToFormat(QImage::Format_RGB32);
    QPainter(&image).fillRect(StampRect, StampColour);
    return image;
}

void MetadataTest::initTestCase() {
    QVERIFY(dir_.isValid());
    QImage source = quadrants();
    source.setColorSpace(QColorSpace::AdobeRgb);
    QVERIFY(writeFile(richSource(), encodeJpeg(source)));
    addCameraData(richSource());
    QCOMPARE(readUpright(richSource()).size(), UprightSize);

    stamped_ = stampedPicture(richSource());
    QString error, warning = QStringLiteral("stale");
    QVERIFY2(
        writePicture(stamped_, savedPath(), &error, DefaultJpegQuality, richSource(), &warning),
        qPrintable(error));
    QCOMPARE(warning, QString());
    saved_ = metadataOf(savedPath());
}

void MetadataTest::keepsFields_data() {
    // An empty value: nothing under that key may be left.
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    stringRow("orientation normal", "Exif.Image.Orientation", "1");
    stringRow("artist", "Exif.Image.Artist", "Ann Example");
    stringRow("copyright", "Exif.Image.Copyright", "(c) Ann Example");
    stringRow("date taken", "Exif.Photo.DateTimeOriginal", "2021:07:14 10:30:00");
    stringRow("latitude", "Exif.GPSInfo.GPSLatitude", "51/1 30/1 1234/100");
    stringRow("latitude ref", "Exif.GPSInfo.GPSLatitudeRef", "N");
    stringRow("longitude", "Exif.GPSInfo.GPSLongitude", "0/1 7/1 3900/100");
    stringRow("longitude ref", "Exif.GPSInfo.GPSLongitudeRef", "W");
    stringRow("width as shown", "Exif.Photo.PixelXDimension", "24");
    stringRow("height as shown", "Exif.Photo.PixelYDimension", "40");
    stringRow("IPTC byline", "Iptc.Application2.Byline", "Ann Example");
    stringRow("IPTC copyright", "Iptc.Application2.Copyright", "Ann Example 2021");
    stringRow("XMP credit", "Xmp.photoshop.Credit", "Example Press");
    stringRow("XMP orientation normal", "Xmp.tiff.Orientation", "1");
    stringRow("no EXIF thumbnail", "Exif.Thumbnail", "");
    stringRow("no XMP thumbnail", "Xmp.xmp.Thumbnails", "");
}

void MetadataTest::keepsFields() {
    QFETCH(QString, key);
    QFETCH(QString, value);
    if (value.isEmpty()) {
        for (auto it = saved_.cbegin(); it != saved_.cend(); ++it)
            QVERIFY2(!it.key().startsWith(key), qPrintable(it.key()));
    } else {
        QCOMPARE(saved_.value(key), value);
    }
}

void MetadataTest::savedUprightWithStamp() {
    const QImage back = readUpright(savedPath());
    QCOMPARE(back.size(), UprightSize);
    QVERIFY(samePicture(back, stamped_));
    QVERIFY(near(back.pixel(StampRect.center()), StampColour.rgb()));
}

void MetadataTest::keepsColourProfile_data() {
    QTest::addColumn<QColorSpace>("pictureProfile");
    QTest::addColumn<QColorSpace>("savedProfile");
    // Qt's reader drops the profile when it turns a picture upright.
    QTest::newRow("lost when turned upright")
        << QColorSpace() << QColorSpace(QColorSpace::AdobeRgb);
    QTest::newRow("the picture's own")
        << QColorSpace(QColorSpace::DisplayP3) << QColorSpace(QColorSpace::DisplayP3);
}

void MetadataTest::keepsColourProfile() {
    QFETCH(QColorSpace, pictureProfile);
    QFETCH(QColorSpace, savedProfile);
    QImage image = stampedPicture(richSource());
    image.setColorSpace(pictureProfile);
    const QString out = dir_.filePath(QStringLiteral("profile.jpg"));
    QString error, warning;
    QVERIFY(writePicture(image, out, &error, DefaultJpegQuality, richSource(), &warning));
    QCOMPARE(warning, QString());
    QImageReader reader(out);
    QCOMPARE(reader.read().colorSpace(), savedProfile);
    QCOMPARE(metadataOf(out).value(QStringLiteral("Exif.Image.Artist")),
             QStringLiteral("Ann Example"));
}

void MetadataTest::exiftoolSeesFields_data() {
    // exiftool -j -G1 -n names; an empty value: the tag must be absent.
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("value");
    stringRow("orientation", "IFD0:Orientation", "1");
    stringRow("artist", "IFD0:Artist", "Ann Example");
    stringRow("date taken", "ExifIFD:DateTimeOriginal", "2021:07:14 10:30:00");
    stringRow("latitude ref", "GPS:GPSLatitudeRef", "N");
    stringRow("byline", "IPTC:By-line", "Ann Example");
    stringRow("credit", "XMP-photoshop:Credit", "Example Press");
    stringRow("XMP orientation", "XMP-tiff:Orientation", "1");
    stringRow("colour profile", "ICC_Profile:ProfileDescription", "Adobe RGB");
    stringRow("no thumbnail", "IFD1:ThumbnailImage", "");
    stringRow("no thumbnail offset", "IFD1:ThumbnailOffset", "");
}

void MetadataTest::exiftoolSeesFields() {
    QFETCH(QString, tag);
    QFETCH(QString, value);
    const QString exiftool = QStandardPaths::findExecutable(QStringLiteral("exiftool"));
    if (exiftool.isEmpty())
        QSKIP("exiftool is not installed");
    QProcess run;
    run.start(exiftool,
              {QStringLiteral("-j"), QStringLiteral("-G1"), QStringLiteral("-n"), savedPath()});
    QVERIFY(run.waitForFinished(30000));
    const QJsonObject tags =
        QJsonDocument::fromJson(run.readAllStandardOutput()).array().first().toObject();
    QVERIFY(tags.contains(QStringLiteral("File:ImageWidth")));
    if (value.isEmpty())
        QVERIFY(!tags.contains(tag));
    else
        QCOMPARE(tags.value(tag).toVariant().toString(), value);
}

void MetadataTest::nothingToKeep_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("output");
    QTest::newRow("JPEG without metadata") << "plain.jpg"
                                           << "out.jpg";
    QTest::newRow("bitmap source") << "plain.bmp"
                                   << "out.jpg";
    QTest::newRow("GIF source") << "plain.gif"
                                << "out.jpg";
    QTest::newRow("no source") << ""
                               << "out.jpg";
    QTest::newRow("bitmap output has no room") << "camera.jpg"
                                               << "out.bmp";
}

void MetadataTest::nothingToKeep() {
    QFETCH(QString, source);
    QFETCH(QString, output);
    const QImage picture = quadrants();
    QVERIFY(writeFile(dir_.filePath(QStringLiteral("plain.jpg")), encodeJpeg(picture)));
    QVERIFY(picture.save(dir_.filePath(QStringLiteral("plain.bmp")), "BMP"));
    // A 1 x 1 GIF; Qt reads GIF but does not write it.
    QVERIFY(writeFile(dir_.filePath(QStringLiteral("plain.gif")),
                      QByteArray::fromHex("474946383961010001008000000000"
                                          "00ffffff21f904010000"
                                          "00002c00000000010001000002024401003b")));
    const QString out = dir_.filePath(output);
    QString error, warning;
    QVERIFY2(writePicture(picture, out, &error, DefaultJpegQuality,
                          source.isEmpty() ? QString() : dir_.filePath(source), &warning),
             qPrintable(error));
    QCOMPARE(warning, QString());
    QVERIFY(samePicture(readUpright(out), picture));
    if (!isBitmapName(out))
        QCOMPARE(metadataOf(out).size(), 0);
}

void MetadataTest::damagedMetadataKeepsPicture_data() {
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("artist");
    const QByteArray plain = encodeJpeg(quadrants());
    const QByteArray exif("Exif\0\0", 6);
    QTest::newRow("EXIF garbage") << withSegment(plain, segment(0xE1, exif + "garbage garbage"))
                                  << "";
    QTest::newRow("EXIF directory past the end")
        << withSegment(plain, segment(0xE1, exif + QByteArray::fromHex("49492a0008000000ffff0000")))
        << "";
    QTest::newRow("missing file") << QByteArray() << "";

    // Good EXIF beside a damaged XMP packet: what could be read is kept.
    const QString tagged = dir_.filePath(QStringLiteral("tagged.jpg"));
    writeFile(tagged, plain);
    {
        auto image = Exiv2::ImageFactory::open(QFile::encodeName(tagged).toStdString());
        image->exifData()["Exif.Image.Artist"] = "Ann Example";
        image->writeMetadata();
    }
    QFile file(tagged);
    file.open(QIODevice::ReadOnly);
    const QByteArray badXmp =
        segment(0xE1, QByteArray("http://ns.adobe.com/xap/1.0/\0", 29) + "<x:xmpmeta broken");
    QTest::newRow("XMP garbage beside good EXIF")
        << withSegment(file.readAll(), badXmp) << "Ann Example";
    file.remove();
}

void MetadataTest::damagedMetadataKeepsPicture() {
    QFETCH(QByteArray, source);
    QFETCH(QString, artist);
    const QString sourcePath = dir_.filePath(QStringLiteral("damaged.jpg"));
    QFile::remove(sourcePath);
    if (!source.isEmpty())
        QVERIFY(writeFile(sourcePath, source));
    const QImage picture = quadrants();
    const QString out = dir_.filePath(QStringLiteral("kept.jpg"));
    QString error, warning;
    QVERIFY2(writePicture(picture, out, &error, DefaultJpegQuality, sourcePath, &warning),
             qPrintable(error));
    QVERIFY(samePicture(readUpright(out), picture));
    QVERIFY2(warning.startsWith(QStringLiteral("The picture was saved, but ")),
             qPrintable(warning));
    QVERIFY(!warning.contains(QLatin1Char('\n')));
    QCOMPARE(metadataOf(out).value(QStringLiteral("Exif.Image.Artist")), artist);
}

void MetadataTest::replacesItsOwnSource() {
    // Saving over the picture that was opened: its metadata is read before it is replaced.
    const QString path = dir_.filePath(QStringLiteral("overwrite.jpg"));
    QFile::remove(path);
    QVERIFY(QFile::copy(richSource(), path));
    const QImage image = stampedPicture(path);
    QString error, warning;
    QVERIFY(writePicture(image, path, &error, DefaultJpegQuality, path, &warning));
    QCOMPARE(warning, QString());
    const QMap<QString, QString> tags = metadataOf(path);
    QCOMPARE(tags.value(QStringLiteral("Exif.Image.Artist")), QStringLiteral("Ann Example"));
    QCOMPARE(tags.value(QStringLiteral("Exif.Image.Orientation")), QStringLiteral("1"));
    QCOMPARE(readUpright(path).size(), UprightSize);
}

void MetadataTest::intoEncodedBytes_data() {
    QTest::addColumn<QByteArray>("jpeg");
    const QByteArray encoded = encodeJpeg(stampedPicture(richSource()));
    QTest::newRow("as encoded") << encoded;
    // A fill byte before a marker is legal but not what the encoder writes.
    QTest::newRow("unusual layout") << QByteArray(encoded).insert(2, char(0xFF));
}

void MetadataTest::intoEncodedBytes() {
    QFETCH(QByteArray, jpeg);
    QCOMPARE(copyMetadata(richSource(), jpeg), QString());
    const QString out = dir_.filePath(QStringLiteral("bytes.jpg"));
    QVERIFY(writeFile(out, jpeg));
    QVERIFY(samePicture(readUpright(out), stamped_));
    const QMap<QString, QString> tags = metadataOf(out);
    QCOMPARE(tags.value(QStringLiteral("Exif.Image.Artist")), QStringLiteral("Ann Example"));
    QCOMPARE(tags.value(QStringLiteral("Exif.Image.Orientation")), QStringLiteral("1"));
}

QTEST_MAIN(MetadataTest)
#include "tst_metadata.moc"
