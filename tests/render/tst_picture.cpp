#include "render/PictureLoader.h"

#include "render/CraftedJpeg.h"

#include <QColorSpace>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

using namespace imprimata;

namespace {

// A 6 x 4 GIF: header and palette (25 bytes), image descriptor, 14 bytes of data, trailer.
const QByteArray Gif = QByteArray::fromHex("47494638396106000400810000ff000000ff000000ffffffff2c"
                                           "000000000600040000020e44a81161c481113522d43830e25000"
                                           "3b");

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
    void reads_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qint64>("maxPixels");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QString>("error"); // none when the picture loads
        const QByteArray jpeg = encoded(noisy(48, 32), "jpg");
        const QByteArray bmp = encoded(noisy(48, 32), "bmp");
        const QSize none(0, 0);
        const qint64 max = MaxPicturePixels;
        QTest::newRow("gif") << "a.gif" << Gif << max << QSize(6, 4) << QString();
        QTest::newRow("bmp, padded")
            << "p.bmp" << bmp + QByteArray(300, '\0') << max << QSize(48, 32) << QString();
        // Oddities libjpeg warns about that cost no pixel: they still load.
        QByteArray newerJfif = jpeg;
        newerJfif[jpeg.indexOf("JFIF") + 5] = 2; // version 2.01
        QTest::newRow("jpeg of a later JFIF version")
            << "v.jpg" << newerJfif << max << QSize(48, 32) << QString();
        const qsizetype tables = jpeg.indexOf("\xff\xdb");
        QTest::newRow("jpeg with stray bytes between its headers")
            << "s.jpg" << jpeg.left(tables) + QByteArray(3, '\0') + jpeg.mid(tables) << max
            << QSize(48, 32) << QString();
        // At least a bit for each block even when flat: far more than the least a file may have.
        QImage flat(4800, 1000, QImage::Format_Grayscale8);
        flat.fill(200);
        QTest::newRow("flat grey, progressive")
            << "f.jpg" << qtWritten(flat, 75, true) << max << flat.size() << QString();
        QTest::newRow("gif without trailer")
            << "t.gif" << Gif.chopped(1) << max << none << damaged("t.gif");
        QTest::newRow("not a picture") << "notes.jpg" << QByteArray("just some words\n") << max
                                       << none << "Unsupported image format";
        // A decode passes over the whole picture once a scan.
        QTest::newRow("100 scans")
            << "s.jpg" << greyJpegOfScans(100) << max << QSize(64, 64) << QString();
        QTest::newRow("101 scans")
            << "s.jpg" << greyJpegOfScans(101) << max << none << damaged("s.jpg");
        // The limit is checked on the header, before decoding: a header at the limit is refused
        // only for its missing pixels. 16384 x 12800 is the program's limit.
        QTest::newRow("at the limit")
            << "l.bmp" << bmpClaiming(16384, 12800) << max << none << damaged("l.bmp");
        QTest::newRow("one row over the limit") << "l.bmp" << bmpClaiming(16384, 12801) << max
                                                << none << tooLarge("l.bmp", 16384, 12801);
        QTest::newRow("jpeg of exactly the limit")
            << "e.jpg" << jpeg << qint64(48 * 32) << QSize(48, 32) << QString();
        QTest::newRow("jpeg a pixel over the limit")
            << "e.jpg" << jpeg << qint64(48 * 32 - 1) << none << tooLarge("e.jpg", 48, 32);
        // Refused by the size it would be shown at.
        QTest::newRow("turned jpeg over the limit")
            << "e.jpg" << withOrientation(jpeg, 6) << qint64(48 * 32 - 1) << none
            << tooLarge("e.jpg", 32, 48);
        // A one-pixel frame on a 100 x 100 screen: the picture is the screen.
        const QByteArray smallFrame =
            QByteArray::fromHex("4749463839616400640080010000ff000000ff" // screen, green and blue
                                "2c0000000001000100"                     // one 1 x 1 image
                                "0002024401003b");                       // its data, trailer
        QTest::newRow("gif, frame smaller than the screen")
            << "s.gif" << smallFrame << max << QSize(100, 100) << QString();
        QTest::newRow("gif screen over the limit")
            << "s.gif" << smallFrame << qint64(9999) << none << tooLarge("s.gif", 100, 100);
    }

    void reads() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(qint64, maxPixels);
        QFETCH(QSize, size);
        QFETCH(QString, error);
        const Result<QImage> r = readPicture(write(name, bytes), maxPixels);
        QCOMPARE(r.error(), error);
        QCOMPARE(r ? r->size() : QSize(0, 0), size);
        QVERIFY(size.isEmpty() || r->format() == QImage::Format_RGB32);
    }

    // The JPEG decoder replaced Qt's for reading pictures; what it makes of a sound file must not
    // differ by one pixel, nor in the texts, colour space and resolution a saved copy keeps.
    void decodesJpegLikeQt_data() {
        QTest::addColumn<QByteArray>("jpeg");
        const QImage image = photo(203, 141); // not a whole number of blocks either way
        QTest::newRow("Qt's writer, 4:2:0") << qtWritten(image, 75, false);
        QTest::newRow("Qt's writer, progressive") << qtWritten(image, 85, true);
        QTest::newRow("Qt's writer, grey")
            << qtWritten(image.convertToFormat(QImage::Format_Grayscale8), 90, false);
        QImage described = image;
        described.setText(QStringLiteral("Author"), QStringLiteral("Anne"));
        described.setText(QStringLiteral("Description"), QStringLiteral("a quiet  lake"));
        described.setText(QStringLiteral("Title"), QStringLiteral("Lake: evening"));
        described.setColorSpace(QColorSpace::DisplayP3);
        described.setDotsPerMeterX(11811);
        described.setDotsPerMeterY(5906);
        const QByteArray withDensity = qtWritten(described, 90, false);
        QTest::newRow("comments, ICC profile, density in inches") << withDensity;
        QByteArray centimetres = withDensity;
        const qsizetype jfif = centimetres.indexOf("JFIF");
        centimetres[jfif + 7] = 2; // dots a centimetre: 118 across, 59 down
        qToBigEndian<quint16>(118, centimetres.data() + jfif + 8);
        qToBigEndian<quint16>(59, centimetres.data() + jfif + 10);
        QTest::newRow("density in centimetres") << centimetres;
        QTest::newRow("4:4:4") << craftJpeg(image, 1, 1);
        QTest::newRow("CMYK") << craftJpeg(image, 1, 1, JCS_CMYK);
        QTest::newRow("YCCK") << craftJpeg(image, 2, 2, JCS_YCCK);
        QTest::newRow("progressive 4:4:4") << craftJpeg(image, 1, 1, JCS_YCbCr, true);
        QTest::newRow("restart markers") << craftJpeg(image, 2, 2, JCS_YCbCr, false, 1);
        // Real camera files, where the project has them.
        const QDir cameras(QStringLiteral(QT_TESTCASE_SOURCEDIR "/data/cameras"));
        for (const QFileInfo &file :
             cameras.entryInfoList({"*.jpg", "*.jpeg", "*.JPG"}, QDir::Files)) {
            QFile f(file.filePath());
            if (f.open(QIODevice::ReadOnly))
                QTest::newRow(qPrintable(file.fileName())) << f.readAll();
        }
    }

    void decodesJpegLikeQt() {
        QFETCH(QByteArray, jpeg);
        const QImage expected = qtReads(jpeg);
        QVERIFY(!expected.isNull());
        const Result<QImage> r = readPicture(write("p.jpg", jpeg));
        QVERIFY2(r, qPrintable(r.error()));
        QCOMPARE(r->format(), QImage::Format_RGB32);
        QCOMPARE(r.value(), expected);
        QCOMPARE(r->text(), expected.text());
        QCOMPARE(r->colorSpace(), expected.colorSpace());
        QCOMPARE(r->dotsPerMeterX(), expected.dotsPerMeterX());
        QCOMPARE(r->dotsPerMeterY(), expected.dotsPerMeterY());
    }

    // A profile in two segments, the short last part stored first, is put back together.
    void joinsSplitColourProfile() {
        QImage image = photo(32, 16);
        image.setColorSpace(QColorSpace::DisplayP3);
        const QByteArray jpeg = qtWritten(image, 90, false);
        const qsizetype at = jpeg.indexOf("ICC_PROFILE") - 4;
        const int length = qFromBigEndian<quint16>(jpeg.constData() + at + 2);
        const QByteArray profile = jpeg.mid(at + 4 + 14, length - 2 - 14);
        const auto segment = [](int part, const QByteArray &bytes) {
            QByteArray s("\xff\xe2\0\0ICC_PROFILE\0", 16);
            s += char(part);
            s += char(2);
            s += bytes;
            qToBigEndian<quint16>(quint16(s.size() - 2), s.data() + 2);
            return s;
        };
        const QByteArray split = jpeg.left(at) + segment(2, profile.right(20)) +
                                 segment(1, profile.chopped(20)) + jpeg.mid(at + 2 + length);
        const Result<QImage> r = readPicture(write("split.jpg", split));
        QVERIFY2(r, qPrintable(r.error()));
        QCOMPARE(r->colorSpace(), QColorSpace(QColorSpace::DisplayP3));
    }

    void turnsLikeQt_data() {
        QTest::addColumn<int>("orientation");
        for (int orientation = 1; orientation <= 8; ++orientation)
            QTest::addRow("orientation %d", orientation) << orientation;
    }

    void turnsLikeQt() {
        QFETCH(int, orientation);
        const QByteArray jpeg = withOrientation(qtWritten(photo(37, 21), 90, false), orientation);
        const Result<QImage> r = readPicture(write("o.jpg", jpeg));
        QVERIFY2(r, qPrintable(r.error()));
        QCOMPARE(r->size(), orientation > 4 ? QSize(21, 37) : QSize(37, 21));
        QCOMPARE(r.value(), qtReads(jpeg));
    }

    // Some writers leave out the padding of the last row stored, the top one; any more missing
    // is damage.
    void bitmapWithoutLastPadding_data() {
        QTest::addColumn<int>("width"); // of 24-bit pixels
        QTest::addColumn<int>("missing");
        QTest::addColumn<bool>("loads");
        QTest::newRow("whole") << 3 << 0 << true;
        QTest::newRow("3 bytes of padding missing") << 3 << 3 << true;
        QTest::newRow("a pixel byte missing too") << 3 << 4 << false;
        QTest::newRow("1 byte of padding missing") << 201 << 1 << true;
        QTest::newRow("a byte past the padding") << 201 << 2 << false;
    }

    void bitmapWithoutLastPadding() {
        QFETCH(int, width);
        QFETCH(int, missing);
        QFETCH(bool, loads);
        const QImage picture = photo(width, 5);
        const Result<QImage> r =
            readPicture(write("b.bmp", encoded(picture, "bmp").chopped(missing)));
        QCOMPARE(r.error(), loads ? QString() : damaged("b.bmp"));
        if (loads)
            QCOMPARE(r.value(), picture);
    }

    // Stamping keeps a picture's transparency apart from its colours, and knows when it had
    // more than 8 bits a channel.
    void layers_data() {
        QTest::addColumn<QImage>("stored");
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("alpha"); // kept as a plane
        QTest::addColumn<bool>("deep");
        QImage clear(30, 20, QImage::Format_ARGB32);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 30; ++x)
                clear.setPixel(x, y, qRgba(200, x * 8, y * 12, x * 8 + y));
        QImage opaque = clear;
        opaque.fill(qRgba(10, 20, 30, 255));
        QImage deep(30, 20, QImage::Format_RGBA64);
        deep.fill(QColor::fromRgba64(65535, 1000, 30000, 32768));
        for (const char *format : {"png", "tiff", "webp"}) {
            QTest::addRow("%s with alpha", format) << clear << format << true << false;
            QTest::addRow("%s, every pixel opaque", format) << opaque << format << false << false;
        }
        QTest::newRow("16-bit PNG with alpha") << deep << "png" << true << true;
        QTest::newRow("16-bit TIFF with alpha") << deep << "tiff" << true << true;
        QTest::newRow("16-bit PNG")
            << deep.convertToFormat(QImage::Format_RGBX64) << "png" << false << true;
    }

    void layers() {
        QFETCH(QImage, stored);
        QFETCH(QString, format);
        QFETCH(bool, alpha);
        const QString path = write("a." + format, encoded(stored, qPrintable(format), 100));
        const Result<PictureLayers> read = readPictureLayers(path);
        QVERIFY2(read, qPrintable(read.error()));
        QTEST(read->deep, "deep");
        QCOMPARE(read->colours.format(), QImage::Format_RGB32);
        QCOMPARE(read->alpha.isNull(), !alpha);
        for (int y = 0; alpha && y < stored.height(); ++y)
            for (int x = 0; x < stored.width(); ++x)
                QCOMPARE(int(read->alpha.constScanLine(y)[x]), qAlpha(stored.pixel(x, y)));
        QCOMPARE(readPicture(path)->format(), QImage::Format_RGB32);
    }

    // The batch tool shares a memory budget between its decodes by this figure.
    void tellsDecodeBytes_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qint64>("least");
        QTest::addColumn<qint64>("most");
        const QImage image = photo(400, 300);
        const qint64 picture = 400 * 300 * 4;
        // A JPEG stays mapped while it is decoded. Baseline 4:2:0, the decoder holds two rows of
        // 8 x 8 blocks: 2 x 16 rows of three components, and 16 rows of colour conversion,
        // 64000 bytes.
        const QByteArray baseline = qtWritten(image, 90, false);
        const qint64 mapped = picture + baseline.size();
        QTest::newRow("baseline JPEG") << "b.jpg" << baseline << mapped + 60'000 << mapped + 70'000;
        // Progressive, every coefficient: 50 x 38 blocks of luma and 25 x 19 of each chroma, 64
        // coefficients of two bytes, 364800 bytes.
        const QByteArray progressive = qtWritten(image, 90, true);
        const qint64 all = picture + progressive.size() + 364'800;
        QTest::newRow("progressive JPEG") << "p.jpg" << progressive << all << all + 5000;
        // Turned, a second picture while turning.
        QTest::newRow("JPEG turned a quarter")
            << "t.jpg" << withOrientation(baseline, 6) << mapped + picture + 60'000
            << mapped + picture + 70'100;
        // A bitmap's bytes are held for a padded copy.
        const QByteArray bmp = encoded(image, "bmp");
        QTest::newRow("bitmap") << "b.bmp" << bmp << picture + bmp.size() << picture + bmp.size();
        // Its reader gives a picture with alpha, which is kept apart while it is looked at.
        QTest::newRow("GIF") << "a.gif" << Gif << qint64(6 * 4 * 5) << qint64(6 * 4 * 5);
    }

    void tellsDecodeBytes() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(qint64, least);
        QFETCH(qint64, most);
        const qint64 told = pictureDecodeBytes(write(name, bytes));
        QVERIFY2(told >= least && told <= most, qPrintable(QString::number(told)));
    }
};

QTEST_MAIN(PictureTest)
#include "tst_picture.moc"
