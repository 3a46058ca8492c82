#include "TestFiles.h"
#include "batch/StampJob.h"
#include "batch/StampRunner.h"
#include "models/MarkModel.h"
#include "placement/MarkFile.h"
#include "platform/JpegDecoder.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace imprimata;

Q_DECLARE_METATYPE(imprimata::Anchor)

namespace {

QImage readBack(const QString &path) {
    return QImage(path).convertToFormat(QImage::Format_RGB32);
}

QByteArray fileBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void write(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

// The smallest rectangle holding every pixel where the two pictures differ.
QRect changed(const QImage &a, const QImage &b) {
    QRect box;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                box |= QRect(x, y, 1, 1);
    return box;
}

// The JPEG with an EXIF block in front whose one entry names the artist.
QByteArray withArtist(const QByteArray &jpeg) {
    static const char app1[] = "\xFF\xE1\x00\x33"
                               "Exif\0\0"
                               "II*\0\x08\0\0\0\x01\0"
                               "\x3B\x01\x02\0\x11\0\0\0\x1A\0\0\0"
                               "\0\0\0\0"
                               "Ada Photographer";
    return jpeg.left(2) + QByteArray(app1, sizeof app1) + jpeg.mid(2);
}

} // namespace

class StampingTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        options = StampOptions();
        options.markPath = markFile(TextMark);
        options.output = dir->filePath("out.bmp");
        options.pictures = {picture("in.bmp")};
    }

    void placement_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<Anchor>("anchor");
        QTest::addColumn<QPoint>("offset");
        QTest::addColumn<QPoint>("at"); // where the view's corner lands; its rim is never stamped
        const QPoint miss(INT_MIN, INT_MIN);
        const QSize wide(400, 300), tall(200, 300);
        // clang-format off
        QTest::newRow("text over the top-left edge") << 0 << wide << Anchor::TopLeft << QPoint(-20, -12) << QPoint(-20, -12);
        QTest::newRow("one column on the left edge") << 1 << wide << Anchor::TopLeft << QPoint(-80, 5) << QPoint(-80, 5);
        QTest::newRow("just off the left edge") << 1 << wide << Anchor::TopLeft << QPoint(-81, 5) << miss;
        QTest::newRow("one row on the top edge, top-right") << 1 << wide << Anchor::TopRight << QPoint(10, -30) << QPoint(308, -30);
        QTest::newRow("just off the top edge") << 1 << wide << Anchor::TopRight << QPoint(10, -31) << miss;
        QTest::newRow("past the bottom right") << 1 << wide << Anchor::TopLeft << QPoint(370, 280) << QPoint(370, 280);
        QTest::newRow("just off the bottom, bottom-left") << 1 << wide << Anchor::BottomLeft << QPoint(0, -31) << miss;
        QTest::newRow("portrait, bottom-right") << 0 << tall << Anchor::BottomRight << QPoint(10, 5) << QPoint(108, 263);
        QTest::newRow("landscape, centred") << 0 << wide << Anchor::Centre << QPoint(10, 5) << QPoint(169, 139);
        // clang-format on
    }

    // The mark lands where the anchor and offset put it; a mark that misses writes nothing.
    void placement() {
        QFETCH(int, type);
        QFETCH(QSize, size);
        QFETCH(QPoint, at);
        options.markPath = markFile(type);
        options.pictures = {picture("in.bmp", size)};
        QFETCH(Anchor, anchor);
        QFETCH(QPoint, offset);
        options.anchor = anchor;
        options.at = offset;
        if (at.x() == INT_MIN) {
            QCOMPARE(run(), int(SomeFailed));
            QCOMPARE(lines.size(), 1);
            QVERIFY2(lines[0].contains("does not overlap"), qPrintable(lines[0]));
            QVERIFY(!QFile::exists(options.output));
            return;
        }
        QCOMPARE(run(), int(AllStamped));
        QCOMPARE(lines, QStringList()); // one picture: no progress, no summary
        const QImage original = readBack(options.pictures[0]), stamped = readBack(options.output);
        QVERIFY(stamped != original);
        QCOMPARE(stamped,
                 model::expectedStamp(original, readMarkFile(options.markPath).value(), at));
    }

    // Nothing is overwritten without --overwrite, and never a picture of the batch.
    void existingOutputs() {
        options.output = picture("out.bmp", {50, 40});
        const QByteArray before = fileBytes(options.output);
        QCOMPARE(run(), int(SomeFailed));
        QVERIFY2(lines.value(0).contains("already exists"), qPrintable(lines.join('\n')));
        QCOMPARE(fileBytes(options.output), before);
        options.overwrite = true;
        QCOMPARE(run(), int(AllStamped));
        QVERIFY(fileBytes(options.output) != before);
        // The input is never replaced by its own output, however its name is spelt.
        options.output = dir->path() + "/./in.bmp";
        const QByteArray input = fileBytes(options.output);
        QCOMPARE(run(), int(SomeFailed));
        QVERIFY2(lines.value(0).contains("the picture itself"), qPrintable(lines.join('\n')));
        QCOMPARE(fileBytes(options.output), input);
    }

    // Two at a time; the bad pictures are reported and the good ones stamped only inside the
    // mark's rectangle, a JPEG with its camera data.
    void batchGoesOnPastBadPictures() {
        options.markPath = markFile(ImageMark);
        options.output.clear();
        options.outDir = dir->filePath("marked");
        options.jobs = 2;
        options.pictures = {picture("a.jpg"), dir->filePath("damaged.jpg"),
                            dir->filePath("unreadable.jpg"), picture("b.bmp")};
        const QByteArray jpeg = fileBytes(options.pictures[0]);
        write(options.pictures[0], withArtist(jpeg));
        write(options.pictures[1], jpeg.chopped(400));
        write(options.pictures[2], "this is a letter, not a photograph\n");

        QCOMPARE(run(), int(SomeFailed));
        const QDir out(options.outDir);
        QCOMPARE(out.entryList(QDir::Files), (QStringList{"a.jpg", "b.bmp"}));
        QCOMPARE(lines.size(), 5);
        for (int i = 0; i < 4; ++i)
            QVERIFY2(lines[i].startsWith(QStringLiteral("[%1/4] ").arg(i + 1)),
                     qPrintable(lines[i]));
        QCOMPARE(lines.last(), QStringLiteral("2 stamped, 2 failed"));

        // The view of 82 x 32 at the corner, less its rim; a JPEG changes only in the blocks of
        // 16 x 16 the mark touches (and a pixel beyond, where colour is interpolated).
        const QRect mark(1, 1, 80, 30);
        QCOMPARE(changed(readBack(options.pictures[3]), readBack(out.filePath("b.bmp"))), mark);
        const QRect jpegChange =
            changed(readBack(options.pictures[0]), readBack(out.filePath("a.jpg")));
        QVERIFY2(
            QRect(0, 0, 97, 33).contains(jpegChange) && jpegChange.contains(mark.center()),
            qPrintable(QStringLiteral("%1 %2").arg(jpegChange.width()).arg(jpegChange.height())));
        QVERIFY(fileBytes(out.filePath("a.jpg")).contains("Ada Photographer"));
    }

    // The runner draws a text mark while the first pictures are read: every way of stamping
    // waits for it before stamping.
    void stampWaitsForTheMark_data() {
        QTest::addColumn<QString>("output");
        QTest::addColumn<bool>("reencode");
        QTest::newRow("JPEG blocks kept") << "out.jpg" << false;
        QTest::newRow("whole JPEG") << "out.jpg" << true;
        QTest::newRow("bitmap") << "out.bmp" << false;
    }
    void stampWaitsForTheMark() {
        QFETCH(QString, output);
        QFETCH(bool, reencode);
        write(picture("a.jpg"), encodeJpeg(readBack(picture("a.bmp")), {95, {1, 1}}).value());
        const PictureTask task{dir->filePath("a.jpg"), dir->filePath(output), {}};
        options.reencode = reencode;
        options.at = {30, 20};
        PreparedMark mark;
        QVERIFY(mark.load(options.markPath));
        MemoryBudget budget;
        const Result<PictureWritten> written = stampPicture(
            mark, [&mark] { mark.finish(); }, task, options, budget);
        QVERIFY2(written, qPrintable(written.error()));
        const QImage shown = readBack(task.input);
        const QImage expected =
            model::expectedStamp(shown, readMarkFile(options.markPath).value(), options.at);
        const QImage stamped = readBack(task.output);
        int far = 0; // pixels further from the expected ones than JPEG's error
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) {
                const QRgb a = expected.pixel(x, y), b = stamped.pixel(x, y);
                far += std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                 std::abs(qBlue(a) - qBlue(b))}) > 48;
            }
        QCOMPARE(far, 0);
    }

    // Asked for a quality, or to encode again, the whole JPEG is encoded, not just the blocks:
    // at that quality or the source's, with the source's sampling (here 4:4:4 at 95).
    void wholeJpegEncodedWhenAsked_data() {
        QTest::addColumn<std::optional<int>>("quality");
        QTest::addColumn<bool>("reencode");
        QTest::addColumn<bool>("whole");
        QTest::addColumn<int>("outputQuality");
        QTest::newRow("as the source") << std::optional<int>() << false << false << 95;
        QTest::newRow("quality 60") << std::optional<int>(60) << false << true << 60;
        QTest::newRow("reencode") << std::optional<int>() << true << true << 95;
    }
    void wholeJpegEncodedWhenAsked() {
        QFETCH(std::optional<int>, quality);
        QFETCH(bool, reencode);
        QFETCH(bool, whole);
        options.markPath = markFile(ImageMark);
        write(picture("a.jpg"), encodeJpeg(readBack(picture("a.bmp")), {95, {1, 1}}).value());
        options.pictures = {dir->filePath("a.jpg")};
        options.output = dir->filePath("out.jpg");
        options.quality = quality;
        options.reencode = reencode;
        QCOMPARE(run(), int(AllStamped));
        const QRect change = changed(readBack(options.pictures[0]), readBack(options.output));
        QCOMPARE(!QRect(0, 0, 97, 33).contains(change), whole);
        const QByteArray out = fileBytes(options.output);
        const std::optional<JpegHeader> header =
            readJpegHeader(reinterpret_cast<const uchar *>(out.constData()), out.size());
        QVERIFY(header);
        QTEST(header->quality, "outputQuality");
        QCOMPARE(header->lumaSampling, QSize(1, 1));
    }

    void badMarkStopsBeforeAnyPicture_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("says");
        QTest::newRow("bad header") << 0 << "Invalid file structure";
        QTest::newRow("no text") << 1 << "no text";
        QTest::newRow("no size") << 2 << "no size";
        QTest::newRow("huge mark picture") << 3 << "is too large to open (6000 \u00d7 5000 pixels)";
    }

    // A mark that cannot be used stops the run before any picture is written; a mark picture
    // larger than any mark could show is refused before it is read.
    void badMarkStopsBeforeAnyPicture() {
        QFETCH(int, kind);
        if (kind == 0)
            write(options.markPath, "\"Imprimata, version 1.0\"\r\n");
        if (kind == 1 || kind == 2)
            options.markPath = markFile(TextMark, kind == 1 ? "" : "Mine", kind == 1 ? 1200 : 0);
        if (kind == 3) {
            options.markPath = markFile(ImageMark);
            QByteArray header; // a bitmap of 6000 x 5000 pixels, 24 bits each, no pixels
            QDataStream bmp(&header, QIODevice::WriteOnly);
            bmp.setByteOrder(QDataStream::LittleEndian);
            bmp << quint16(0x4D42) << quint32(0) << quint32(0) << quint32(54) << quint32(40)
                << quint32(6000) << quint32(5000) << quint16(1) << quint16(24) << quint64(0)
                << quint64(0) << quint64(0);
            write(dir->filePath("markimage.png"), header); // by content a bitmap
        }
        QCOMPARE(run(), int(BadInvocation));
        QFETCH(QString, says);
        QVERIFY2(lines.value(0).contains(says), qPrintable(lines.join('\n')));
        QVERIFY(!QFile::exists(options.output));
    }

private:
    // "Mine" in 18-point bold, or markimage.png inverted and blended; at the full width, a view
    // of 82 x 32 pixels.
    QString markFile(int type, const QString &text = "Mine", int width = 1200) {
        MarkSettings mark = testMark(type, picture("markimage.png", {60, 20}));
        mark.Text = text;
        mark.Level = 1;
        mark.RasterOp = SrcInvert;
        mark.ImageTransparency = 1;
        mark.MarkWidth = width;
        return saveTestMark(QDir(dir->path()), mark);
    }

    QString picture(const QString &name, QSize size = {400, 300}) {
        return saveStructuredPicture(QDir(dir->path()), name, size);
    }

    int run() {
        lines.clear();
        return runStamping(options, [this](const QString &line) { lines << line; });
    }

    std::unique_ptr<QTemporaryDir> dir;
    StampOptions options; // a text mark onto in.bmp, written to out.bmp
    QStringList lines;    // standard error of the last run
};

QTEST_MAIN(StampingTest)
#include "tst_stamping.moc"
