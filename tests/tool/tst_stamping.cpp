#include "placement/MarkFile.h"
#include "placement/MarkStamping.h"
#include "tool/StampRunner.h"

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

// What the program's Insert puts into the picture with the mark view's corner at `at`.
QImage insertedAt(const QString &markPath, const QImage &original, QPoint at) {
    const Result<MarkSettings> read = readMarkFile(markPath);
    MarkSurfaces surfaces;
    if (!read || !surfaces.prepare(read.value()))
        return {};
    const MarkSettings &mark = read.value();
    Surface pic;
    pic.setImage(original);
    ScreenRect target, source;
    overlapAt(original.size(), surfaces.size(), at, target, source);
    stampMark(pic, surfaces.surfaces(), mark, SharedState().StepTable, target, source);
    return pic.image();
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
    void init();
    void sameAsInsert_data();
    void sameAsInsert();
    void existingOutputs();
    void batchGoesOnPastBadPictures();
    void badMarkStopsBeforeAnyPicture();
    void hugeMarkPictureIsRefused();

private:
    QString markFile(int type);
    QString picture(const QString &name, QSize size = {400, 300});
    int run();

    std::unique_ptr<QTemporaryDir> dir;
    StampOptions options; // a text mark onto in.bmp, written to out.bmp
    QStringList lines;    // standard error of the last run
};

void StampingTest::init() {
    dir = std::make_unique<QTemporaryDir>();
    options = StampOptions();
    options.markPath = markFile(TextMark);
    options.output = dir->filePath("out.bmp");
    options.pictures = {picture("in.bmp")};
}

QString StampingTest::markFile(int type) {
    MarkSettings mark;
    mark.MarkType = static_cast<std::int16_t>(type);
    mark.Text = "Mine";
    mark.ImagePath = picture("markimage.png", {60, 20});
    mark.Font = makeFont("Liberation Sans", 18, true, 204);
    mark.Level = 1;
    mark.RasterOp = SrcInvert;
    mark.ImageTransparency = 1; // blended
    mark.MarkWidth = 1200;      // a view of 82 x 32 pixels
    mark.MarkHeight = 450;
    if (!writeMarkFile(dir->filePath("mark.$IM"), mark))
        qFatal("the test's mark file cannot be written");
    return dir->filePath("mark.$IM");
}

// A picture with some structure, so a misplaced stamp cannot go unnoticed.
QString StampingTest::picture(const QString &name, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(40 + x % 50, 120 + y % 60, 90));
    image.save(dir->filePath(name));
    return dir->filePath(name);
}

int StampingTest::run() {
    lines.clear();
    return runStamping(options, [this](const QString &line) { lines << line; });
}

void StampingTest::sameAsInsert_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<Anchor>("anchor");
    QTest::addColumn<QPoint>("offset");
    QTest::addColumn<QPoint>("at"); // where the view's corner lands
    QTest::newRow("text off the top left")
        << 0 << QSize(400, 300) << Anchor::TopLeft << QPoint(-20, -12) << QPoint(-20, -12);
    QTest::newRow("image past the bottom right")
        << 1 << QSize(400, 300) << Anchor::TopLeft << QPoint(370, 280) << QPoint(370, 280);
    QTest::newRow("portrait, bottom-right anchor")
        << 0 << QSize(200, 300) << Anchor::BottomRight << QPoint(10, 5) << QPoint(108, 263);
    QTest::newRow("landscape, centred")
        << 0 << QSize(400, 300) << Anchor::Centre << QPoint(10, 5) << QPoint(169, 139);
}

// The tool draws nothing of its own: its bitmap is exactly Insert's picture.
void StampingTest::sameAsInsert() {
    QFETCH(int, type);
    QFETCH(QSize, size);
    QFETCH(Anchor, anchor);
    QFETCH(QPoint, offset);
    QFETCH(QPoint, at);
    options.markPath = markFile(type);
    options.pictures = {picture("in.bmp", size)};
    options.anchor = anchor;
    options.at = offset;
    QCOMPARE(run(), int(AllStamped));
    const QImage original = readBack(options.pictures[0]), stamped = readBack(options.output);
    QVERIFY(stamped != original);
    QCOMPARE(stamped, insertedAt(options.markPath, original, at));
}

void StampingTest::existingOutputs() {
    // An existing output is kept unless --overwrite is given.
    options.output = picture("out.bmp", {50, 40});
    const QByteArray before = fileBytes(options.output);
    QCOMPARE(run(), int(SomeFailed));
    QCOMPARE(fileBytes(options.output), before);
    options.overwrite = true;
    QCOMPARE(run(), int(AllStamped));
    QVERIFY(fileBytes(options.output) != before);
    // The input is never replaced by its own output, however its name is spelt.
    options.output = dir->path() + "/./in.bmp";
    const QByteArray input = fileBytes(options.output);
    QCOMPARE(run(), int(SomeFailed));
    QCOMPARE(fileBytes(options.output), input);
}

void StampingTest::batchGoesOnPastBadPictures() {
    options.output.clear();
    options.outDir = dir->filePath("marked");
    options.quality = 60;
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
    QVERIFY(fileBytes(out.filePath("a.jpg")).contains("Ada Photographer"));
    QCOMPARE(lines.size(), 5);
    for (int i = 0; i < 4; ++i)
        QVERIFY2(lines[i].startsWith(QStringLiteral("[%1/4] ").arg(i + 1)), qPrintable(lines[i]));
    QCOMPARE(lines.last(), QStringLiteral("2 stamped, 2 failed"));

    // Two at a time, each picture gets exactly Insert's pixels; a JPEG at the quality asked for.
    const QImage bmp = insertedAt(options.markPath, readBack(options.pictures[3]), {});
    QCOMPARE(readBack(out.filePath("b.bmp")), bmp);
    const QImage stamped = insertedAt(options.markPath, readBack(options.pictures[0]), {});
    QVERIFY(stamped.save(dir->filePath("expected.jpg"), "jpeg", options.quality));
    QCOMPARE(readBack(out.filePath("a.jpg")), readBack(dir->filePath("expected.jpg")));
}

// A mark that cannot be used stops the run before any picture is written.
void StampingTest::badMarkStopsBeforeAnyPicture() {
    write(options.markPath, "\"Imprimata, version 1.0\"\r\n");
    QCOMPARE(run(), int(BadInvocation));
    QVERIFY2(lines.value(0).contains("Invalid file structure"), qPrintable(lines.join('\n')));
    QVERIFY(!QFile::exists(options.output));
}

// A mark picture larger than any mark could show is refused before it is read.
void StampingTest::hugeMarkPictureIsRefused() {
    QByteArray header(54, '\0');
    const auto put = [&header](int at, quint32 value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            header[at + i] = char(value >> (8 * i));
    };
    header[0] = 'B';
    header[1] = 'M';
    put(10, 54, 4); // where the pixels start
    put(14, 40, 4); // the header's size
    put(18, 6000, 4);
    put(22, 5000, 4);
    put(26, 1, 2);
    put(28, 24, 2);
    options.markPath = markFile(ImageMark);
    write(dir->filePath("markimage.png"), header); // the mark's picture, by content a bitmap
    QCOMPARE(run(), int(BadInvocation));
    QVERIFY2(lines.value(0).contains("is too large to open (6000 \u00d7 5000 pixels)"),
             qPrintable(lines.join('\n')));
    QVERIFY(!QFile::exists(options.output));
}

QTEST_MAIN(StampingTest)
#include "tst_stamping.moc"
