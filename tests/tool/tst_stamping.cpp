#include "placement/MarkFile.h"
#include "placement/MarkStamping.h"
#include "tool/StampRunner.h"

#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

using namespace imprimata;

Q_DECLARE_METATYPE(imprimata::Anchor)

namespace {

// A picture with some structure, so a misplaced stamp cannot go unnoticed.
QImage makePicture(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(40 + x % 50, 120 + y % 60, 90));
    return image;
}

QImage readBack(const QString &path) {
    return QImage(path).convertToFormat(QImage::Format_RGB32);
}

QByteArray fileBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What the program's Insert puts into the picture with the mark view's corner at `at`.
QImage insertedAt(const QString &markPath, const QImage &original, QPoint at) {
    MarkSettings mark;
    MarkSurfaces surfaces;
    QString error;
    if (!readMarkFile(markPath, mark, &error) || !surfaces.prepare(mark, &error))
        qFatal("%s", qPrintable(error));
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
    void rimAloneIsNoOverlap();
    void existingOutputs_data();
    void existingOutputs();
    void batchGoesOnPastBadPictures();
    void badMarkStopsBeforeAnyPicture_data();
    void badMarkStopsBeforeAnyPicture();

private:
    QString markFile(int type);
    QString picture(const QString &name, QSize size = {400, 300});
    void write(const QString &path, const QByteArray &bytes);
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
    QString error;
    if (!writeMarkFile(dir->filePath("mark.$IM"), mark, &error))
        qFatal("%s", qPrintable(error));
    return dir->filePath("mark.$IM");
}

QString StampingTest::picture(const QString &name, QSize size) {
    const QString path = dir->filePath(name);
    if (!makePicture(size).save(path))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void StampingTest::write(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
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
    const QSize wide(400, 300);
    const Anchor corner = Anchor::TopLeft;
    QTest::newRow("text off the top left")
        << 0 << wide << corner << QPoint(-20, -12) << QPoint(-20, -12);
    QTest::newRow("image past the bottom right")
        << 1 << wide << corner << QPoint(370, 280) << QPoint(370, 280);
    QTest::newRow("portrait, bottom-right anchor")
        << 0 << QSize(200, 300) << Anchor::BottomRight << QPoint(10, 5) << QPoint(108, 263);
    QTest::newRow("landscape, centred")
        << 0 << wide << Anchor::Centre << QPoint(10, 5) << QPoint(169, 139);
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
    QVERIFY(lines.isEmpty());
    const QImage original = readBack(options.pictures[0]), stamped = readBack(options.output);
    QVERIFY(stamped != original);
    QCOMPARE(stamped, insertedAt(options.markPath, original, at));
}

// The view's one-pixel rim is never stamped: touching the picture with it is no overlap.
void StampingTest::rimAloneIsNoOverlap() {
    for (const QPoint at : {QPoint(399, 10), QPoint(-81, 10), QPoint(10, 299), QPoint(10, -31)}) {
        options.at = at;
        QCOMPARE(run(), int(SomeFailed));
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines[0].contains("does not overlap"), qPrintable(lines[0]));
        QVERIFY(!QFile::exists(options.output));
    }
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
    options.at = {50, 50};
    options.overwrite = overwrite;
    options.output = ontoInput ? dir->path() + "/./in.bmp" : picture("out.bmp", {50, 40});
    const QByteArray before = fileBytes(options.output);
    QCOMPARE(run(), replaced ? int(AllStamped) : int(SomeFailed));
    QCOMPARE(fileBytes(options.output) != before, replaced);
    QCOMPARE(lines.size(), replaced ? 0 : 1); // a refusal, naming the picture
    QVERIFY(replaced || lines[0].startsWith(options.pictures[0]));
}

void StampingTest::batchGoesOnPastBadPictures() {
    options.output.clear();
    options.outDir = dir->filePath("marked/deep");
    options.at = {150, 120};
    options.quality = 60;
    options.jobs = 2;
    options.pictures = {picture("a.jpg"), picture("b.bmp"), dir->filePath("damaged.jpg"),
                        dir->filePath("unreadable.jpg"), picture("c.jpg")};
    write(options.pictures[0], withArtist(fileBytes(options.pictures[0])));
    write(options.pictures[2], fileBytes(options.pictures[4]).chopped(400));
    write(options.pictures[3], "this is a letter, not a photograph\n");

    QCOMPARE(run(), int(SomeFailed));
    const QDir out(options.outDir);
    QCOMPARE(out.entryList(QDir::Files), (QStringList{"a.jpg", "b.bmp", "c.jpg"}));
    QVERIFY(fileBytes(out.filePath("a.jpg")).contains("Ada Photographer"));
    // A progress line per picture, the failures naming file and reason, then the summary.
    QCOMPARE(lines.size(), 6);
    QCOMPARE(lines.last(), QStringLiteral("3 stamped, 2 failed"));
    for (int i = 0; i < 5; ++i)
        QVERIFY2(lines[i].startsWith(QStringLiteral("[%1/5] ").arg(i + 1)), qPrintable(lines[i]));
    QCOMPARE(lines.filter("damaged.jpg: ").size(), 1);
    QCOMPARE(lines.filter("damaged or incomplete").size(), 1);
    QCOMPARE(lines.filter("unreadable.jpg: ").size(), 1);

    // Two at a time, each picture gets exactly Insert's pixels; a JPEG at the quality asked for.
    const QImage bmp = insertedAt(options.markPath, readBack(options.pictures[1]), options.at);
    QCOMPARE(readBack(out.filePath("b.bmp")), bmp);
    const QImage jpeg = insertedAt(options.markPath, readBack(options.pictures[4]), options.at);
    QVERIFY(jpeg.save(dir->filePath("expected.jpg"), "jpeg", options.quality));
    QCOMPARE(QImageReader(out.filePath("c.jpg")).format(), QByteArray("jpeg"));
    QCOMPARE(readBack(out.filePath("c.jpg")), readBack(dir->filePath("expected.jpg")));
}

void StampingTest::badMarkStopsBeforeAnyPicture_data() {
    QTest::addColumn<QByteArray>("contents"); // empty: the mark's image goes missing
    QTest::addColumn<QString>("message");
    QTest::newRow("another version")
        << QByteArray("\"Imprimata, version 1.0\"\r\n") << "mark.$IM: Invalid file structure";
    QTest::newRow("image gone") << QByteArray() << "markimage.png";
}

void StampingTest::badMarkStopsBeforeAnyPicture() {
    QFETCH(QByteArray, contents);
    QFETCH(QString, message);
    if (contents.isEmpty()) {
        options.markPath = markFile(ImageMark);
        QVERIFY(QFile::remove(dir->filePath("markimage.png")));
    } else {
        write(options.markPath, contents);
    }
    options.output.clear();
    options.outDir = dir->filePath("marked");
    options.pictures << picture("b.bmp");
    QCOMPARE(run(), int(BadInvocation));
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines[0].contains(message), qPrintable(lines[0]));
    QVERIFY(!QFileInfo::exists(options.outDir));
}

QTEST_MAIN(StampingTest)
#include "tst_stamping.moc"
