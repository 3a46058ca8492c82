#include "render/PictureLoader.h"

#include "render/CraftedJpeg.h"

#include <QColorSpace>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

using namespace imprimata;

namespace {

QByteArray encoded(const QImage &image, const char *format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// Noise, so that a JPEG's scan data outweighs its headers.
QImage noisy(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    QRandomGenerator random(12345);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, random.generate() | 0xFF000000u);
    return image;
}

// A 6 x 4 GIF: header and palette (25 bytes), image descriptor, 14 bytes of data, trailer.
const QByteArray Gif = QByteArray::fromHex("47494638396106000400810000ff000000ff000000ffffffff2c"
                                           "000000000600040000020e44a81161c481113522d43830e25000"
                                           "3b");

// A bitmap whose header announces w x h pixels, with a single one behind it.
QByteArray bmpClaiming(int w, int h) {
    QByteArray bytes = encoded(QImage(1, 1, QImage::Format_RGB32), "bmp");
    qToLittleEndian<qint32>(w, bytes.data() + 18);
    qToLittleEndian<qint32>(h, bytes.data() + 22);
    return bytes;
}

QString damaged(const QString &name) {
    return QStringLiteral("The picture %1 is damaged or incomplete and was not opened.").arg(name);
}

// Soft shapes and a little noise: every channel varies, as in a photograph.
QImage photo(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y,
                           qRgb((x * 255 / w + int(random.bounded(24))) & 255,
                                (y * 255 / h + int(random.bounded(24))) & 255,
                                ((x + y) * 3 + int(random.bounded(24))) & 255));
    return image;
}

QByteArray written(const QImage &image, int quality, bool progressive) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    if (!writer.write(image))
        qFatal("cannot write a JPEG: %s", qPrintable(writer.errorString()));
    return bytes;
}

// An APP1 block with only the orientation tag, put right after the start marker.
QByteArray withOrientation(const QByteArray &jpeg, int orientation) {
    QByteArray exif = QByteArray::fromHex("ffe10022457869660000"         // APP1, "Exif"
                                          "49492a0008000000"             // little-endian TIFF
                                          "0100120103000100000000000000" // orientation
                                          "00000000");
    exif[10 + 8 + 10] = char(orientation);
    return jpeg.left(2) + exif + jpeg.mid(2);
}

// What Qt's own reader makes of the bytes, turned upright as it does.
QImage qtReads(const QByteArray &bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    return reader.read().convertToFormat(QImage::Format_RGB32);
}

} // namespace

class PictureTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString write(const QString &name, const QByteArray &bytes) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(file.fileName()));
        return file.fileName();
    }

private slots:
    void reads_data();
    void reads();
    void turnsPictureUpright();
    void decodesJpegLikeQt_data();
    void decodesJpegLikeQt();
    void turnsLikeQt_data();
    void turnsLikeQt();
    void readsTopRowWithoutPadding();
    void refusesLargeMarkPicture();
    void tellsDecodeBytes_data();
    void tellsDecodeBytes();
};

void PictureTest::reads_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("error"); // none when the picture loads
    const QByteArray jpeg = encoded(noisy(48, 32), "jpg");
    const QByteArray bmp = encoded(noisy(48, 32), "bmp");
    const QSize none(0, 0);
    QTest::newRow("jpeg") << "a.jpg" << jpeg << QSize(48, 32) << QString();
    QTest::newRow("gif") << "a.gif" << Gif << QSize(6, 4) << QString();
    QTest::newRow("bmp, padded") << "p.bmp" << bmp + QByteArray(300, '\0') << QSize(48, 32)
                                 << QString();
    // Oddities libjpeg warns about that cost no pixel: they still load.
    const qsizetype app0 = jpeg.indexOf("JFIF");
    QByteArray newerJfif = jpeg;
    newerJfif[app0 + 5] = 2; // version 2.01
    QTest::newRow("jpeg of a later JFIF version")
        << "v.jpg" << newerJfif << QSize(48, 32) << QString();
    const qsizetype tables = jpeg.indexOf("\xff\xdb");
    QTest::newRow("jpeg with stray bytes between its headers")
        << "s.jpg" << jpeg.left(tables) + QByteArray(3, '\0') + jpeg.mid(tables) << QSize(48, 32)
        << QString();
    // At least a bit for each block even when flat: far more than the least a file may have.
    QImage flat(4800, 1000, QImage::Format_Grayscale8);
    flat.fill(200);
    QByteArray progressive;
    QBuffer out(&progressive);
    out.open(QIODevice::WriteOnly);
    QImageWriter writer(&out, "jpeg");
    writer.setProgressiveScanWrite(true);
    QVERIFY(writer.write(flat));
    QTest::newRow("flat grey, progressive") << "f.jpg" << progressive << flat.size() << QString();
    QTest::newRow("jpeg cut in the scan")
        << "t.jpg" << jpeg.left(jpeg.size() * 6 / 10) << none << damaged("t.jpg");
    QTest::newRow("bmp one byte short") << "t.bmp" << bmp.chopped(1) << none << damaged("t.bmp");
    QTest::newRow("gif without trailer") << "t.gif" << Gif.chopped(1) << none << damaged("t.gif");
    // A one-pixel frame on a 100 x 100 screen: the picture is the screen.
    const QByteArray smallFrame =
        QByteArray::fromHex("4749463839616400640080010000ff000000ff" // screen, green and blue
                            "2c0000000001000100"                     // one 1 x 1 image
                            "0002024401003b");                       // its data, trailer
    QTest::newRow("gif, frame smaller than the screen")
        << "s.gif" << smallFrame << QSize(100, 100) << QString();
    QTest::newRow("not a picture")
        << "notes.jpg" << QByteArray("just some words\n") << none << "Unsupported image format";
    // 36 megapixels are 144 MB of 32-bit pixels, more than the reader allows by default. A
    // grey JPEG makes the reader allocate on its own.
    QImage grey(8000, 4500, QImage::Format_Grayscale8);
    grey.fill(90);
    QTest::newRow("past the reader's own limit")
        << "big.jpg" << encoded(grey, "jpg") << grey.size() << QString();
    // The limit, 16384 x 12800, is checked before decoding: a header at the limit is refused
    // only for its missing pixels.
    QTest::newRow("at the limit") << "l.bmp" << bmpClaiming(16384, 12800) << none
                                  << damaged("l.bmp");
    QTest::newRow("one row over the limit")
        << "l.bmp" << bmpClaiming(16384, 12801) << none
        << QStringLiteral("The picture l.bmp is too large to open (16384 \u00d7 12801 pixels).");
}

void PictureTest::reads() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, size);
    QFETCH(QString, error);
    const QString path = write(name, bytes);
    const Result<QImage> r = readPicture(path);
    QCOMPARE(r.error(), error);
    QCOMPARE(r ? r->size() : QSize(0, 0), size);
    QVERIFY(size.isEmpty() || r->format() == QImage::Format_RGB32);
}

void PictureTest::turnsPictureUpright() {
    // Stored 40 x 20 with a red block at the top-left, and an EXIF block saying "turn 90
    // degrees clockwise to view".
    QImage stored(40, 20, QImage::Format_RGB32);
    stored.fill(Qt::darkGreen);
    QPainter(&stored).fillRect(0, 0, 8, 8, Qt::red);
    const QByteArray jpeg = encoded(stored, "jpg");
    const QByteArray exif = QByteArray::fromHex("ffe10022457869660000"         // APP1, "Exif"
                                                "49492a0008000000"             // little-endian TIFF
                                                "0100120103000100000006000000" // orientation 6
                                                "00000000");
    const Result<QImage> r = readPicture(write("turned.jpg", jpeg.left(2) + exif + jpeg.mid(2)));
    QVERIFY2(r, qPrintable(r.error()));
    QCOMPARE(r->size(), QSize(20, 40));
    // The red block is now at the top-right, over dark green.
    QVERIFY(qRed(r->pixel(17, 2)) > 180 && qRed(r->pixel(2, 2)) < 70);
}

// The JPEG decoder replaced Qt's for reading pictures; what it makes of a sound file must not
// differ by one pixel, nor in the texts, colour space and resolution a saved copy keeps.
void PictureTest::decodesJpegLikeQt_data() {
    QTest::addColumn<QByteArray>("jpeg");
    const QImage image = photo(203, 141); // not a whole number of blocks either way
    QTest::newRow("Qt's writer, 4:2:0") << written(image, 75, false);
    QTest::newRow("Qt's writer, quality 100") << written(image, 100, false);
    QTest::newRow("Qt's writer, progressive") << written(image, 85, true);
    QTest::newRow("Qt's writer, grey")
        << written(image.convertToFormat(QImage::Format_Grayscale8), 90, false);
    QImage described = image;
    described.setText(QStringLiteral("Author"), QStringLiteral("Anne"));
    described.setText(QStringLiteral("Description"), QStringLiteral("a quiet  lake"));
    described.setColorSpace(QColorSpace::DisplayP3);
    described.setDotsPerMeterX(11811);
    described.setDotsPerMeterY(5906);
    QTest::newRow("comments, ICC profile, density") << written(described, 90, false);
    QTest::newRow("4:4:4") << craftJpeg(image, sampledJpeg(1, 1));
    QTest::newRow("4:2:2") << craftJpeg(image, sampledJpeg(2, 1));
    QTest::newRow("4:4:0") << craftJpeg(image, sampledJpeg(1, 2));
    QTest::newRow("4:1:1") << craftJpeg(image, sampledJpeg(4, 1));
    QTest::newRow("stored as RGB") << craftJpeg(image, sampledJpeg(1, 1, JCS_RGB));
    QTest::newRow("CMYK") << craftJpeg(image, sampledJpeg(1, 1, JCS_CMYK));
    QTest::newRow("YCCK") << craftJpeg(image, sampledJpeg(2, 2, JCS_YCCK));
    JpegRecipe progressive = sampledJpeg(1, 1);
    progressive.progressive = true;
    QTest::newRow("progressive 4:4:4") << craftJpeg(image, progressive);
    JpegRecipe restarts = sampledJpeg(2, 2);
    restarts.restartRows = 1;
    QTest::newRow("restart markers") << craftJpeg(image, restarts);
    // Real camera files, where the project has them.
    const QDir cameras(QStringLiteral(QT_TESTCASE_SOURCEDIR "/data/cameras"));
    for (const QFileInfo &file : cameras.entryInfoList({"*.jpg", "*.jpeg", "*.JPG"}, QDir::Files)) {
        QFile f(file.filePath());
        if (f.open(QIODevice::ReadOnly))
            QTest::newRow(qPrintable(file.fileName())) << f.readAll();
    }
}

void PictureTest::decodesJpegLikeQt() {
    QFETCH(QByteArray, jpeg);
    const QImage expected = qtReads(jpeg);
    QVERIFY(!expected.isNull());
    const Result<QImage> r = readPicture(write("p.jpg", jpeg));
    QVERIFY2(r, qPrintable(r.error()));
    QCOMPARE(r->format(), QImage::Format_RGB32);
    QCOMPARE(r->size(), expected.size());
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            if (r->pixel(x, y) != expected.pixel(x, y))
                QFAIL(qPrintable(QStringLiteral("pixel (%1, %2): %3, Qt's reader %4")
                                     .arg(x)
                                     .arg(y)
                                     .arg(r->pixel(x, y), 8, 16)
                                     .arg(expected.pixel(x, y), 8, 16)));
    QCOMPARE(r->text(), expected.text());
    QCOMPARE(r->colorSpace(), expected.colorSpace());
    QCOMPARE(r->dotsPerMeterX(), expected.dotsPerMeterX());
    QCOMPARE(r->dotsPerMeterY(), expected.dotsPerMeterY());
}

void PictureTest::turnsLikeQt_data() {
    QTest::addColumn<int>("orientation");
    for (int orientation = 1; orientation <= 8; ++orientation)
        QTest::addRow("orientation %d", orientation) << orientation;
}

void PictureTest::turnsLikeQt() {
    QFETCH(int, orientation);
    const QByteArray jpeg = withOrientation(written(photo(37, 21), 90, false), orientation);
    const Result<QImage> r = readPicture(write("o.jpg", jpeg));
    QVERIFY2(r, qPrintable(r.error()));
    QCOMPARE(r.value(), qtReads(jpeg));
}

void PictureTest::readsTopRowWithoutPadding() {
    // 201 pixels of three bytes leave one byte of padding in each row; the last row stored,
    // the top one, goes without it.
    const QImage picture = photo(201, 100);
    const Result<QImage> r = readPicture(write("short.bmp", encoded(picture, "bmp").chopped(1)));
    QVERIFY2(r, qPrintable(r.error()));
    QCOMPARE(r->size(), picture.size());
    for (int x = 0; x < picture.width(); ++x)
        QCOMPARE(r->pixel(x, 0), picture.pixel(x, 0));
    QCOMPARE(r.value(), picture);
}

void PictureTest::refusesLargeMarkPicture() {
    // Only the header of a 5001 x 5000 bitmap: the limit speaks before anything is read.
    const QString path = write("mark.bmp", bmpClaiming(5001, 5000));
    const QString tooLarge =
        QStringLiteral("The picture mark.bmp is too large to open (5001 \u00d7 5000 pixels).");
    QCOMPARE(readPicture(path, MaxMarkPicturePixels).error(), tooLarge);
    // A photograph of that size is only refused for its missing pixels.
    QCOMPARE(readPicture(path).error(), damaged("mark.bmp"));
}

// The batch tool shares a memory budget between its decodes by this figure.
void PictureTest::tellsDecodeBytes_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("least"); // what the picture and the decoder's store take
    QTest::addColumn<qint64>("most");
    const QImage image = photo(400, 300);
    const qint64 picture = 400 * 300 * 4;
    QTest::newRow("baseline JPEG")
        << "b.jpg" << written(image, 90, false) << picture << picture + 300'000;
    // The decoder holds every coefficient: 4:2:0 is one and a half samples a pixel, two bytes
    // each.
    QTest::newRow("progressive JPEG")
        << "p.jpg" << written(image, 90, true) << picture + 360'000 << picture + 700'000;
    QTest::newRow("JPEG turned a quarter")
        << "t.jpg" << withOrientation(written(image, 90, false), 6) << 2 * picture
        << 2 * picture + 300'000;
    QTest::newRow("bitmap") << "b.bmp" << encoded(image, "bmp") << picture << 2 * picture;
    QTest::newRow("GIF") << "a.gif" << Gif << qint64(6 * 4 * 4) << qint64(6 * 4 * 8 + 1000);
    // Refused from the header: nothing will be allocated.
    QTest::newRow("too large") << "l.bmp" << bmpClaiming(16384, 12801) << qint64(0) << qint64(0);
    QTest::newRow("not a picture") << "n.jpg" << QByteArray("words") << qint64(0) << qint64(0);
    QByteArray bomb = written(photo(16, 16), 75, false); // claiming 14000 x 14000
    const qsizetype sof = bomb.indexOf("\xff\xc0");
    qToBigEndian<quint16>(14000, bomb.data() + sof + 5);
    qToBigEndian<quint16>(14000, bomb.data() + sof + 7);
    QTest::newRow("JPEG bomb") << "bomb.jpg" << bomb << qint64(0) << qint64(0);
    QByteArray gifBomb = Gif; // a 13000 x 13000 screen
    qToLittleEndian<quint16>(13000, gifBomb.data() + 6);
    qToLittleEndian<quint16>(13000, gifBomb.data() + 8);
    QTest::newRow("GIF bomb") << "bomb.gif" << gifBomb << qint64(0) << qint64(0);
}

void PictureTest::tellsDecodeBytes() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, least);
    QFETCH(qint64, most);
    const qint64 told = pictureDecodeBytes(write(name, bytes));
    QVERIFY2(told >= least && told <= most, qPrintable(QString::number(told)));
}

QTEST_MAIN(PictureTest)
#include "tst_picture.moc"
