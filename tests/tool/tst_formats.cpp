#include "TestFiles.h"
#include "batch/StampJob.h"
#include "batch/StampRunner.h"
#include "placement/MarkFile.h"

#include <QTemporaryDir>
#include <QtTest>

#include <exiv2/exiv2.hpp>

// The batch tool on PNG, TIFF and WebP pictures, with marks sized to each picture and metadata
// removed on request.

using namespace imprimata;

Q_DECLARE_METATYPE(imprimata::MetadataKept)

namespace {

// The smallest rectangle holding every pixel where the two pictures differ in colour.
QRect changed(const QImage &a, const QImage &b) {
    QRect box;
    for (int y = 0; y < a.height(); ++y) {
        const auto *p = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *q = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            if ((p[x] & 0xFFFFFFu) != (q[x] & 0xFFFFFFu))
                box |= QRect(x, y, 1, 1);
    }
    return box;
}

QImage rgb(const QString &path) {
    return QImage(path).convertToFormat(QImage::Format_RGB32);
}

QStringList keysOf(const QString &path) {
    QStringList keys;
    auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
    image->readMetadata();
    for (const auto &d : image->exifData())
        keys << QString::fromStdString(d.key());
    for (const auto &d : image->xmpData())
        keys << QString::fromStdString(d.key());
    return keys;
}

} // namespace

class FormatsTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        options = StampOptions();
        options.markPath = markFile(ImageMark, SrcInvert);
    }

    // --size gives the mark the same share of every picture's width, its height in
    // proportion: a picture of 2000 pixels and one of 6000 get marks of 200 and 600.
    void sizeIsAShareOfTheWidth_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<double>("percent");
        QTest::newRow("image, 10%") << int(ImageMark) << 10.0;
        QTest::newRow("image, 2.5%") << int(ImageMark) << 2.5;
        QTest::newRow("text, 10%") << int(TextMark) << 10.0;
    }

    void sizeIsAShareOfTheWidth() {
        QFETCH(int, type);
        QFETCH(double, percent);
        options.markPath = markFile(type, SrcInvert);
        options.sizePercent = percent;
        options.outDir = dir->filePath("marked");
        options.pictures = {picture("small.png", {2000, 300}), picture("large.png", {6000, 900})};
        QCOMPARE(run(), int(AllStamped));
        PreparedMark mark;
        QVERIFY(mark.load(options.markPath));
        mark.finish();
        std::array<QRect, 2> marks;
        for (int i = 0; i < 2; ++i) {
            const QImage before = rgb(options.pictures[i]);
            const QImage after =
                rgb(QDir(options.outDir).filePath(QFileInfo(options.pictures[i]).fileName()));
            const Result<PreparedMark> sized = mark.sizedFor(before.width(), percent);
            QVERIFY(sized);
            const double width = before.width() * percent / 100;
            QCOMPARE(sized->viewSize().width() - 2, qRound(width));
            QCOMPARE(sized->viewSize().height() - 2, qRound((mark.viewSize().height() - 2) * width /
                                                            (mark.viewSize().width() - 2)));
            marks[i] = changed(before, after);
            QVERIFY(!marks[i].isEmpty());
        }
        // The same share: the larger picture's mark is three times the smaller's, within the
        // rounding of a resampled picture or of a font's size.
        const double ratio = double(marks[1].width()) / marks[0].width();
        QVERIFY2(std::abs(ratio - 3) < 0.1, qPrintable(QString::number(ratio)));
        if (type == ImageMark) // the inverted picture fills the mark, less the view's rim
            QCOMPARE(marks[0].width(), qRound(2000 * percent / 100));
    }

    // Every format is read and written; a picture's transparency goes out unchanged, only its
    // colours are stamped.
    void formats_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        QTest::addColumn<bool>("keepsAlpha");
        for (const char *in : {"png", "tif", "webp"})
            for (const char *out : {"png", "tiff", "webp", "jpg", "bmp"})
                QTest::addRow("%s to %s", in, out)
                    << in << out << (QByteArray("png tiff webp").contains(out));
    }

    void formats() {
        QFETCH(QString, input);
        QFETCH(QString, output);
        QFETCH(bool, keepsAlpha);
        QImage source(120, 80, QImage::Format_ARGB32);
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x)
                source.setPixel(x, y, qRgba(40 + x, 120, 90 + y, y < 40 ? 255 : (x * 7 + y) % 256));
        options.pictures = {dir->filePath("in." + input)};
        QVERIFY(source.save(options.pictures[0], nullptr, 100));
        options.output = dir->filePath("out." + output);
        options.quality = 100; // a lossless WebP
        QCOMPARE(run(), int(AllStamped));
        QCOMPARE(lines, QStringList());

        const QImage back = QImage(options.output).convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(back.size(), source.size());
        for (int y = 0; keepsAlpha && y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x)
                QCOMPARE(qAlpha(back.pixel(x, y)), qAlpha(source.pixel(x, y)));
        // The inverted view less its rim; a JPEG's error reaches everywhere. Under partly clear
        // pixels the formats store colours less exactly, so the opaque rows are compared.
        const QRect opaque(0, 0, 120, 40);
        const QRect change =
            changed(rgb(options.pictures[0]).copy(opaque), rgb(options.output).copy(opaque));
        QVERIFY(output == "jpg" ? change.contains(QRect(1, 1, 80, 30))
                                : change == QRect(1, 1, 80, 30));
    }

    // A picture of 16 bits a channel is stamped in 8, and its line says so.
    void deepPicturesSaySo() {
        QImage deep(64, 48, QImage::Format_RGBX64);
        deep.fill(QColor::fromRgba64(1000, 30000, 65000));
        options.pictures = {dir->filePath("deep.png")};
        QVERIFY(deep.save(options.pictures[0]));
        options.output = dir->filePath("out.png");
        QCOMPARE(run(), int(AllStamped));
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines[0].endsWith("saved with 8 bits per channel (the source has more)"),
                 qPrintable(lines[0]));
        QCOMPARE(QImage(options.output).depth(), 32);
    }

    // The Alpha blend of a mark file 1.2: clear parts of the logo leave the picture, opaque ones
    // cover it; the view's rim is never stamped.
    void alphaLogo() {
        QImage logo(60, 20, QImage::Format_ARGB32);
        logo.fill(qRgba(255, 0, 0, 255));
        for (int x = 0; x < 30; ++x)
            for (int y = 0; y < 20; ++y)
                logo.setPixel(x, y, qRgba(0, 0, 255, 0));
        QVERIFY(logo.save(dir->filePath("logo.png")));
        options.markPath = markFile(ImageMark, AlphaBlendRasterOp, dir->filePath("logo.png"));
        QVERIFY(readFile(options.markPath).startsWith("\"Imprimata, version 1.2\""));
        options.pictures = {picture("in.bmp", {100, 50})};
        options.output = dir->filePath("out.bmp");
        QCOMPARE(run(), int(AllStamped));
        const QImage before = rgb(options.pictures[0]), after = rgb(options.output);
        QCOMPARE(after.pixel(10, 10), before.pixel(10, 10));
        QCOMPARE(after.pixel(45, 10), qRgb(255, 0, 0));
        // The view is larger than the logo: beyond it, nothing is stamped.
        QCOMPARE(changed(before, after), QRect(30, 1, 30, 19));
    }

    // --strip location takes away where the picture was taken, --strip all every metadata
    // block, from every kind of output; the JPEG stamped in place of its blocks too.
    void strip_data() {
        QTest::addColumn<QString>("output");
        QTest::addColumn<MetadataKept>("kept");
        for (const char *out : {"jpg", "png", "tif", "webp"}) {
            QTest::addRow("%s, location", out) << out << MetadataKept::NoLocation;
            QTest::addRow("%s, all", out) << out << MetadataKept::ColourProfile;
        }
    }

    void strip() {
        QFETCH(QString, output);
        QFETCH(MetadataKept, kept);
        options.pictures = {dir->filePath("in.jpg")};
        QVERIFY(rgb(picture("in.bmp")).save(options.pictures[0], "jpeg", 95));
        {
            auto image =
                Exiv2::ImageFactory::open(QFile::encodeName(options.pictures[0]).toStdString());
            image->readMetadata();
            image->exifData()["Exif.Image.Artist"] = "Ann Example";
            image->exifData()["Exif.GPSInfo.GPSLatitudeRef"] = "N";
            image->xmpData()["Xmp.photoshop.City"] = "Paris";
            image->xmpData()["Xmp.dc.source"] = "holiday";
            image->writeMetadata();
        }
        options.output = dir->filePath("out." + output);
        options.strip = kept;
        QCOMPARE(run(), int(AllStamped));
        QCOMPARE(lines, QStringList());
        const QStringList keys = keysOf(options.output);
        for (const QString &key : keys)
            QVERIFY2(!key.contains("GPS") && !key.contains("City"), qPrintable(key));
        const bool rest = kept == MetadataKept::NoLocation;
        QCOMPARE(keys.contains("Exif.Image.Artist"), rest);
        QCOMPARE(keys.contains("Xmp.dc.source"), rest);
    }

private:
    // An image mark of the 60 x 20 picture (inverted, or blended by `rasterOp`), or "Mine" in
    // 18-point bold; a view of 82 x 32 pixels.
    QString markFile(int type, std::int32_t rasterOp, const QString &image = {}) {
        MarkSettings mark =
            testMark(type, image.isEmpty() ? picture("markimage.png", {60, 20}) : image);
        mark.RasterOp = rasterOp;
        return saveTestMark(QDir(dir->path()), mark);
    }

    QString picture(const QString &name, QSize size = {400, 300}) {
        return saveStructuredPicture(QDir(dir->path()), name, size);
    }

    QByteArray readFile(const QString &path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    int run() {
        lines.clear();
        return runStamping(options, [this](const QString &line) { lines << line; });
    }

    std::unique_ptr<QTemporaryDir> dir;
    StampOptions options;
    QStringList lines; // standard error of the last run
};

QTEST_MAIN(FormatsTest)
#include "tst_formats.moc"
