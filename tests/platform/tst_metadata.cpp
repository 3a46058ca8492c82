#include "platform/Metadata.h"
#include "platform/PictureWriter.h"

#include <QBuffer>
#include <QColorSpace>
#include <QImageReader>
#include <QPainter>
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
    image.save(&buffer, format);
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
    const QByteArray thumb = encode(quadrants().scaled(10, 6));
    Exiv2::ExifThumb(exif).setJpegThumbnail(reinterpret_cast<const Exiv2::byte *>(thumb.data()),
                                            thumb.size());
    image->iptcData()["Iptc.Application2.Byline"] = "Ann Example";
    image->xmpData()["Xmp.tiff.Orientation"] = "6";
    image->xmpData()["Xmp.photoshop.Credit"] = "Example Press";
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

    QTemporaryDir dir;

private slots:
    void savedOverItsSource();
    void otherSources_data();
    void otherSources();
};

void MetadataTest::savedOverItsSource() {
    const QString path = dir.filePath(QStringLiteral("camera.jpg"));
    QImage source = quadrants();
    source.setColorSpace(QColorSpace::AdobeRgb);
    QVERIFY(writeFile(path, encode(source)));
    addCameraData(path);
    QVERIFY(!metadataOf(path).keys().filter("Exif.Thumbnail").isEmpty());

    // As the program holds it: read upright, then stamped. Saved over the very file it was
    // read from, so the metadata must be read before it goes.
    QImage stamped = readUpright(path).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(stamped.size(), UprightSize);
    QPainter(&stamped).fillRect(StampRect, Qt::black);
    QString error, warning = QStringLiteral("stale");
    QVERIFY2(writePicture(stamped, path, &error, DefaultJpegQuality, path, &warning),
             qPrintable(error));
    QCOMPARE(warning, QString());

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
}

void MetadataTest::otherSources_data() {
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<bool>("warns");
    const QByteArray plain = encode(quadrants());
    QTest::newRow("JPEG without metadata") << plain << false;
    QTest::newRow("EXIF garbage") << withApp1(plain, QByteArray("Exif\0\0garbage garbage", 21))
                                  << true;
}

// The picture is always saved; a source with nothing to keep costs no warning.
void MetadataTest::otherSources() {
    QFETCH(QByteArray, source);
    QFETCH(bool, warns);
    const QString sourcePath = dir.filePath(QStringLiteral("source.jpg"));
    const QString out = dir.filePath(QStringLiteral("out.jpg"));
    QVERIFY(writeFile(sourcePath, source));
    QString error, warning;
    QVERIFY2(writePicture(quadrants(), out, &error, DefaultJpegQuality, sourcePath, &warning),
             qPrintable(error));
    QVERIFY(samePicture(readUpright(out), quadrants()));
    QVERIFY2(warns ? warning.startsWith("The picture was saved, but ") : warning.isEmpty(),
             qPrintable(warning));
    QCOMPARE(metadataOf(out).size(), 0);
}

QTEST_MAIN(MetadataTest)
#include "tst_metadata.moc"
