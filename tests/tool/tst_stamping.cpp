#include "placement/MarkFile.h"
#include "placement/MarkStamping.h"
#include "tool/StampRunner.h"

#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

using namespace imprimata;

namespace {

// A picture with some structure, so a misplaced stamp cannot go unnoticed.
QImage makePicture(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(40 + x % 50, 120 + y % 60, 90));
    return image;
}

// What the program's Insert puts into the picture with the mark view's corner at `at`.
QImage insertedAt(const QString &markPath, const QImage &original, QPoint at) {
    MarkSettings mark;
    QString error;
    if (!readMarkFile(markPath, mark, &error))
        qFatal("%s", qPrintable(error));
    Surface pic;
    pic.setImage(original);
    MarkSurfaces surfaces;
    if (!surfaces.prepare(mark, &error))
        qFatal("%s", qPrintable(error));
    ScreenRect target, source;
    overlapAt(original.size(), surfaces.size(), at, target, source);
    stampMark(pic, surfaces.surfaces(), mark, SharedState().StepTable, target, source);
    return pic.image();
}

// The JPEG with an EXIF block naming the artist put in front of its other segments.
QByteArray withArtist(const QByteArray &jpeg, const QByteArray &artist) {
    QByteArray tiff("II*\0\x08\0\0\0", 8);
    const auto put = [&tiff](quint32 value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            tiff.append(char((value >> (8 * i)) & 0xFF));
    };
    put(1, 2);                 // one entry in the first directory:
    put(0x013B, 2);            // Artist,
    put(2, 2);                 // ASCII,
    put(artist.size() + 1, 4); // this long,
    put(8 + 2 + 12 + 4, 4);    // right after the directory
    put(0, 4);                 // which is the last
    tiff += artist + '\0';
    QByteArray app1("\xFF\xE1", 2);
    const int length = 2 + 6 + int(tiff.size());
    app1 += char(length >> 8);
    app1 += char(length & 0xFF);
    app1 += QByteArray("Exif\0\0", 6) + tiff;
    return jpeg.left(2) + app1 + jpeg.mid(2);
}

QImage readBack(const QString &path) {
    return QImage(path).convertToFormat(QImage::Format_RGB32);
}

} // namespace

class StampingTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void sameAsInsert_data();
    void sameAsInsert();
    void anchoredLikeInsert_data();
    void anchoredLikeInsert();
    void missingTheMarkFails();
    void jpegHoldsTheStamp();
    void jpegKeepsTheMetadata();
    void existingOutputs_data();
    void existingOutputs();
    void batchGoesOnPastBadPictures();
    void badMarkStopsBeforeAnyPicture_data();
    void badMarkStopsBeforeAnyPicture();
    void parallelRunsGiveTheSamePixels();

private:
    QString markFile(int type, int transparency = 1, const QString &name = "mark.$IM");
    QString picture(const QString &name, QSize size = {400, 300});
    int run(StampOptions options);

    std::unique_ptr<QTemporaryDir> dir;
    QStringList lines; // standard error of the last run
};

void StampingTest::init() {
    dir = std::make_unique<QTemporaryDir>();
    lines.clear();
}

QString StampingTest::markFile(int type, int transparency, const QString &name) {
    QImage image(60, 20, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int x = 0; x < 60; x += 3)
        for (int y = 0; y < 20; ++y)
            image.setPixel(x, y, qRgb(0, 90, 255));
    const QString imagePath = dir->filePath("markimage.png");
    image.save(imagePath);

    MarkSettings mark;
    mark.MarkType = static_cast<std::int16_t>(type);
    mark.Text = "Mine";
    mark.ImagePath = imagePath;
    mark.Font = makeFont("Liberation Sans", 18, true, 204);
    mark.Colour = 0x0000FF;
    mark.PrintMode = Solid;
    mark.Level = 1;
    mark.RasterOp = SrcInvert;
    mark.ImageTransparency = static_cast<std::uint8_t>(transparency);
    mark.MarkWidth = 1200; // a view of 82 x 32 pixels
    mark.MarkHeight = 450;
    const QString path = dir->filePath(name);
    QString error;
    if (!writeMarkFile(path, mark, &error))
        qFatal("%s", qPrintable(error));
    return path;
}

QString StampingTest::picture(const QString &name, QSize size) {
    const QString path = dir->filePath(name);
    if (!makePicture(size).save(path))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

int StampingTest::run(StampOptions options) {
    lines.clear();
    return runStamping(options, [this](const QString &line) { lines << line; });
}

void StampingTest::sameAsInsert_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("transparency");
    QTest::addColumn<QPoint>("at");
    QTest::newRow("text inside") << 0 << 0 << QPoint(50, 60);
    QTest::newRow("text off the left edge") << 0 << 0 << QPoint(-30, 100);
    QTest::newRow("text off the top left") << 0 << 0 << QPoint(-20, -12);
    QTest::newRow("text past the bottom right") << 0 << 0 << QPoint(370, 280);
    QTest::newRow("opaque image inside") << 1 << 0 << QPoint(100, 100);
    QTest::newRow("blended image off the top") << 1 << 1 << QPoint(200, -15);
    QTest::newRow("blended image past the right edge") << 1 << 2 << QPoint(390, 150);
}

// The tool draws nothing of its own: its bitmap is exactly Insert's picture.
void StampingTest::sameAsInsert() {
    QFETCH(int, type);
    QFETCH(int, transparency);
    QFETCH(QPoint, at);
    StampOptions options;
    options.markPath = markFile(type, transparency);
    options.at = at;
    options.output = dir->filePath("out.bmp");
    options.pictures = {picture("in.bmp")};
    QCOMPARE(run(options), int(AllStamped));
    QVERIFY(lines.isEmpty());
    const QImage original = readBack(options.pictures[0]);
    const QImage stamped = readBack(options.output);
    QVERIFY(stamped != original);
    QCOMPARE(stamped, insertedAt(options.markPath, original, at));
}

void StampingTest::anchoredLikeInsert_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("anchor");
    QTest::addColumn<QPoint>("at"); // where the view's corner must land for an offset of 10,5
    QTest::newRow("landscape bottom-right")
        << QSize(300, 200) << int(Anchor::BottomRight) << QPoint(208, 163);
    QTest::newRow("portrait bottom-right")
        << QSize(200, 300) << int(Anchor::BottomRight) << QPoint(108, 263);
    QTest::newRow("portrait top-right")
        << QSize(200, 300) << int(Anchor::TopRight) << QPoint(108, 5);
    QTest::newRow("landscape centre") << QSize(300, 200) << int(Anchor::Centre) << QPoint(119, 89);
}

void StampingTest::anchoredLikeInsert() {
    QFETCH(QSize, size);
    QFETCH(int, anchor);
    QFETCH(QPoint, at);
    StampOptions options;
    options.markPath = markFile(TextMark);
    options.at = {10, 5};
    options.anchor = static_cast<Anchor>(anchor);
    options.output = dir->filePath("out.bmp");
    options.pictures = {picture("in.bmp", size)};
    QCOMPARE(run(options), int(AllStamped));
    QCOMPARE(readBack(options.output),
             insertedAt(options.markPath, readBack(options.pictures[0]), at));
}

void StampingTest::missingTheMarkFails() {
    StampOptions options;
    options.markPath = markFile(TextMark);
    options.output = dir->filePath("out.bmp");
    options.pictures = {picture("in.bmp")};
    // The view's one-pixel rim is never stamped: touching the picture with it is no overlap.
    for (const QPoint at : {QPoint(399, 10), QPoint(-81, 10), QPoint(10, 299), QPoint(10, -31)}) {
        options.at = at;
        QCOMPARE(run(options), int(SomeFailed));
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines[0].contains("does not overlap"), qPrintable(lines[0]));
        QVERIFY(!QFile::exists(options.output));
    }
}

void StampingTest::jpegHoldsTheStamp() {
    StampOptions options;
    options.markPath = markFile(TextMark);
    options.at = {150, 120};
    options.pictures = {picture("in.bmp")};
    const QImage original = readBack(options.pictures[0]);
    const QImage expected = insertedAt(options.markPath, original, options.at);
    qint64 sizes[2] = {};
    for (int quality : {30, 95}) {
        options.output = dir->filePath(QStringLiteral("out%1.JPEG").arg(quality));
        options.quality = quality;
        QCOMPARE(run(options), int(AllStamped));
        QImageReader reader(options.output);
        QCOMPARE(reader.format(), QByteArray("jpeg"));
        const QImage stamped = reader.read().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(stamped.size(), original.size());
        sizes[quality == 95] = QFileInfo(options.output).size();
        if (quality != 95)
            continue;
        // Where the stamp changed the picture, the JPEG follows the stamp, not the original.
        qint64 toExpected = 0, toOriginal = 0;
        for (int y = 0; y < original.height(); ++y)
            for (int x = 0; x < original.width(); ++x) {
                const QRgb s = stamped.pixel(x, y), e = expected.pixel(x, y),
                           o = original.pixel(x, y);
                if (e == o)
                    continue;
                toExpected += qAbs(qRed(s) - qRed(e)) + qAbs(qGreen(s) - qGreen(e));
                toOriginal += qAbs(qRed(s) - qRed(o)) + qAbs(qGreen(s) - qGreen(o));
            }
        QVERIFY2(toExpected * 2 < toOriginal,
                 qPrintable(QStringLiteral("%1 vs %2").arg(toExpected).arg(toOriginal)));
    }
    QVERIFY(sizes[0] < sizes[1]);
}

void StampingTest::jpegKeepsTheMetadata() {
    StampOptions options;
    options.markPath = markFile(TextMark);
    options.output = dir->filePath("out.jpg");
    options.pictures = {picture("in.jpg")};
    QFile file(options.pictures[0]);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray tagged = withArtist(file.readAll(), "Ada Photographer");
    file.close();
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(tagged);
    file.close();
    QCOMPARE(run(options), int(AllStamped));
    QVERIFY2(lines.isEmpty(), qPrintable(lines.join('\n')));
    QFile out(options.output);
    QVERIFY(out.open(QIODevice::ReadOnly));
    QVERIFY(out.readAll().contains("Ada Photographer"));
}

void StampingTest::existingOutputs_data() {
    QTest::addColumn<bool>("overwrite");
    QTest::addColumn<bool>("ontoInput");
    QTest::addColumn<bool>("replaced");
    QTest::newRow("kept without --overwrite") << false << false << false;
    QTest::newRow("replaced with --overwrite") << true << false << true;
    QTest::newRow("the input itself, even with --overwrite") << true << true << false;
}

void StampingTest::existingOutputs() {
    QFETCH(bool, overwrite);
    QFETCH(bool, ontoInput);
    QFETCH(bool, replaced);
    StampOptions options;
    options.markPath = markFile(TextMark);
    options.at = {50, 50};
    options.overwrite = overwrite;
    options.pictures = {picture("in.bmp")};
    options.output = ontoInput ? dir->path() + "/./in.bmp" : picture("out.bmp", {50, 40});
    QFile file(options.output);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    QCOMPARE(run(options), replaced ? int(AllStamped) : int(SomeFailed));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll() != before, replaced);
    if (!replaced) {
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines[0].startsWith(options.pictures[0]), qPrintable(lines[0]));
    }
}

void StampingTest::batchGoesOnPastBadPictures() {
    StampOptions options;
    options.markPath = markFile(TextMark);
    options.outDir = dir->filePath("marked/deep");
    options.jobs = 2;
    options.pictures = {picture("a.jpg"), picture("b.bmp"), dir->filePath("damaged.jpg"),
                        dir->filePath("unreadable.jpg"), picture("c.jpg")};
    QFile good(options.pictures[0]);
    QVERIFY(good.open(QIODevice::ReadOnly));
    QFile damaged(options.pictures[2]);
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write(good.readAll().chopped(400));
    damaged.close();
    QFile unreadable(options.pictures[3]);
    QVERIFY(unreadable.open(QIODevice::WriteOnly));
    unreadable.write("this is a letter, not a photograph\n");
    unreadable.close();

    QCOMPARE(run(options), int(SomeFailed));
    for (const char *name : {"a.jpg", "b.bmp", "c.jpg"})
        QCOMPARE(QImage(dir->filePath("marked/deep/") + name).size(), QSize(400, 300));
    QVERIFY(!QFile::exists(dir->filePath("marked/deep/damaged.jpg")));
    QVERIFY(!QFile::exists(dir->filePath("marked/deep/unreadable.jpg")));

    // A progress line per picture, the failures naming file and reason, then the summary.
    QCOMPARE(lines.size(), 6);
    QCOMPARE(lines.last(), QStringLiteral("3 stamped, 2 failed"));
    for (int i = 0; i < 5; ++i)
        QVERIFY2(lines[i].startsWith(QStringLiteral("[%1/5] ").arg(i + 1)), qPrintable(lines[i]));
    const QStringList damagedLines = lines.filter("damaged.jpg");
    QCOMPARE(damagedLines.size(), 1);
    QVERIFY2(damagedLines[0].contains("damaged or incomplete"), qPrintable(damagedLines[0]));
    const QStringList unreadableLines = lines.filter("unreadable.jpg");
    QCOMPARE(unreadableLines.size(), 1);
    QVERIFY(unreadableLines[0].contains(": "));
}

void StampingTest::badMarkStopsBeforeAnyPicture_data() {
    QTest::addColumn<QByteArray>("contents"); // empty: the mark's image goes missing
    QTest::addColumn<QString>("message");
    QTest::newRow("another version")
        << QByteArray("\"Imprimata, version 1.0\"\r\n") << "Invalid file structure";
    QTest::newRow("cut short") << QByteArray("\"Imprimata, version 1.1\"\r\n\"m\"\r\n0\r\n")
                               << "mark.$IM";
    QTest::newRow("image gone") << QByteArray() << "markimage.png";
}

void StampingTest::badMarkStopsBeforeAnyPicture() {
    QFETCH(QByteArray, contents);
    QFETCH(QString, message);
    StampOptions options;
    options.markPath = markFile(contents.isEmpty() ? ImageMark : TextMark);
    if (contents.isEmpty()) {
        QVERIFY(QFile::remove(dir->filePath("markimage.png")));
    } else {
        QFile file(options.markPath);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(contents);
    }
    options.outDir = dir->filePath("marked");
    options.pictures = {picture("a.bmp"), picture("b.bmp")};
    QCOMPARE(run(options), int(BadInvocation));
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines[0].contains(message), qPrintable(lines[0]));
    QVERIFY(!QFileInfo::exists(options.outDir));
}

void StampingTest::parallelRunsGiveTheSamePixels() {
    StampOptions options;
    options.markPath = markFile(TextMark);
    options.anchor = Anchor::BottomRight;
    for (int i = 0; i < 6; ++i)
        options.pictures << picture(QStringLiteral("p%1.bmp").arg(i), {120 + 20 * i, 90});
    QByteArray outputs[2];
    for (int jobs : {1, 2}) {
        options.jobs = jobs;
        options.outDir = dir->filePath(QStringLiteral("jobs%1").arg(jobs));
        QCOMPARE(run(options), int(AllStamped));
        for (const QString &p : options.pictures) {
            QFile file(QDir(options.outDir).filePath(QFileInfo(p).fileName()));
            QVERIFY(file.open(QIODevice::ReadOnly));
            outputs[jobs - 1] += file.readAll();
        }
    }
    QVERIFY(!outputs[0].isEmpty());
    QVERIFY(outputs[0] == outputs[1]);
}

QTEST_MAIN(StampingTest)
#include "tst_stamping.moc"
