#include "platform/Colour.h"
#include "platform/Dialogs.h"
#include "platform/Numeric.h"
#include "platform/PictureWriter.h"
#include "platform/Raster.h"
#include "platform/Rect.h"
#include "platform/Surface.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace imprimata;

Q_DECLARE_METATYPE(imprimata::ExistingFile)

class PlatformTest : public QObject {
    Q_OBJECT

private slots:
    void colourChannels_data();
    void colourChannels();
    void rasterOps_data();
    void rasterOps();
    void blockCopyClips();
    void alphaBlendExtremes();
    void rectRules();
    void pointIsSilentOutside();
    void printChangesOnlyGlyphPixels();
    void roundsHalfToEven();
    void writePicture_data();
    void writePicture();
    void failedWriteKeepsOldFile_data();
    void failedWriteKeepsOldFile();
    void replacingKeepsLinkAndPermissions();
    void dialogs();
};

void PlatformTest::colourChannels_data() {
    QTest::addColumn<ColourValue>("stored");
    QTest::addColumn<int>("red");
    QTest::addColumn<int>("green");
    QTest::addColumn<int>("blue");
    QTest::addColumn<ColourValue>("back"); // the stored value the channels give again
    QTest::newRow("red is the low byte") << 0x123456 << 0x56 << 0x34 << 0x12 << 0x123456;
    QTest::newRow("-1 reads as white") << -1 << 255 << 255 << 255 << White;
    QTest::newRow("system reference, unresolved") << SystemWindowText << 8 << 0 << 0 << 8;
}

void PlatformTest::colourChannels() {
    QFETCH(ColourValue, stored);
    QFETCH(int, red);
    QFETCH(int, green);
    QFETCH(int, blue);
    const Rgb c = Rgb::fromColourValue(stored);
    QCOMPARE(int(c.red), red);
    QCOMPARE(int(c.green), green);
    QCOMPARE(int(c.blue), blue);
    QTEST(c.toColourValue(), "back");
    QCOMPARE(c.toQRgb(), qRgb(red, green, blue));
    QVERIFY(Rgb::fromQRgb(qRgba(red, green, blue, 0)) == c); // alpha plays no part
    QTEST(colourFromRgb(rgbFromColour(stored)), "back");
}

void PlatformTest::rasterOps_data() {
    QTest::addColumn<uint>("rop");
    QTest::addColumn<uint>("expected");
    // Source 0xF0CC0F over destination 0x3C5AA5: every bit pair occurs.
    const uint s = 0x00F0CC0F, d = 0x003C5AA5, all = 0xFFFFFF;
    QTest::newRow("SrcCopy") << uint(SrcCopy) << s;
    QTest::newRow("SrcPaint") << uint(SrcPaint) << (s | d);
    QTest::newRow("SrcAnd") << uint(SrcAnd) << (s & d);
    QTest::newRow("SrcInvert") << uint(SrcInvert) << (s ^ d);
    QTest::newRow("SrcErase") << uint(SrcErase) << (s & ~d & all);
    QTest::newRow("NotSrcCopy") << uint(NotSrcCopy) << (~s & all);
    QTest::newRow("NotSrcErase") << uint(NotSrcErase) << (~(s | d) & all);
    QTest::newRow("MergePaint") << uint(MergePaint) << ((~s | d) & all);
}

void PlatformTest::rasterOps() {
    QFETCH(uint, rop);
    QFETCH(uint, expected);
    QImage src(2, 1, QImage::Format_RGB32), dst(2, 1, QImage::Format_RGB32);
    src.fill(0xFFF0CC0Fu);
    dst.fill(0xFF3C5AA5u);
    blockCopy(dst, 0, 0, 2, 1, src, 0, 0, rop);
    QCOMPARE(dst.pixel(1, 0), 0xFF000000u | expected);
}

void PlatformTest::blockCopyClips() {
    QImage src(4, 4, QImage::Format_RGB32), dst(5, 5, QImage::Format_RGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            src.setPixel(x, y, qRgb(x * 10, y * 10, 7));
    dst.fill(Qt::white);
    // Starts left of and above the destination, and runs past both images' far edges.
    blockCopy(dst, -1, -2, 10, 10, src, 0, 0);
    QCOMPARE(dst.pixel(0, 0), qRgb(10, 20, 7));
    QCOMPARE(dst.pixel(2, 1), qRgb(30, 30, 7));
    QCOMPARE(dst.pixel(3, 0), qRgb(255, 255, 255)); // source column 4 does not exist
    QCOMPARE(dst.pixel(0, 2), qRgb(255, 255, 255)); // source row 4 does not exist
    // A negative source offset moves the destination block instead.
    dst.fill(Qt::white);
    blockCopy(dst, 0, 0, 3, 3, src, -1, 0);
    QCOMPARE(dst.pixel(0, 0), qRgb(255, 255, 255));
    QCOMPARE(dst.pixel(1, 0), qRgb(0, 0, 7));
    // Overlapping blocks of one image copy what was there before.
    blockCopy(src, 1, 0, 3, 1, src, 0, 0, NotSrcCopy);
    QCOMPARE(src.pixel(3, 0), qRgb(235, 255, 248));
}

void PlatformTest::alphaBlendExtremes() {
    QImage src(1, 1, QImage::Format_RGB32), dst(4, 3, QImage::Format_RGB32);
    src.fill(qRgb(10, 20, 250));
    for (const int alpha : {0, 255}) {
        dst.fill(qRgb(200, 100, 0));
        // One source pixel scaled over the destination block (1, 1) to (3, 2).
        imprimata::alphaBlend(dst, 1, 1, 3, 2, src, 0, 0, 1, 1, alpha);
        QCOMPARE(dst.pixel(1, 1), alpha ? src.pixel(0, 0) : qRgb(200, 100, 0));
        QCOMPARE(dst.pixel(3, 2), dst.pixel(1, 1));
        QCOMPARE(dst.pixel(0, 0), qRgb(200, 100, 0));
    }
}

void PlatformTest::rectRules() {
    const ScreenRect a{0, 0, 10, 10};
    QCOMPARE(intersectRect(a, {5, 5, 20, 20}), (ScreenRect{5, 5, 10, 10}));
    // Right and bottom are exclusive, so rectangles that touch share no pixel.
    QVERIFY(isRectEmpty(intersectRect(a, {10, 0, 20, 10})));
    QVERIFY(ptInRect(a, 0, 0) && ptInRect(a, 9, 9));
    QVERIFY(!ptInRect(a, 10, 0) && !ptInRect(a, 0, 10));
}

void PlatformTest::pointIsSilentOutside() {
    Surface s(3, 2);
    QCOMPARE(s.point(0, 0), White);
    QCOMPARE(s.point(-1, 0), -1);
    QCOMPARE(s.point(3, 0), -1);
    s.setPoint(3, 0, 0);
    s.setPoint(2, 1, 0x123456);
    QCOMPARE(s.point(2, 1), 0x123456);
    QCOMPARE(s.image().pixel(2, 1), qRgb(0x56, 0x34, 0x12));
}

void PlatformTest::printChangesOnlyGlyphPixels() {
    Surface s(200, 60, 0x404040);
    s.setFont(makeFont(QStringLiteral("Liberation Sans"), 20, true));
    s.setForeColour(0x0000FF); // red
    s.print(QStringLiteral("Wg"));
    int glyph = 0;
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) {
            const ColourValue c = s.point(x, y);
            QVERIFY2(c == 0x404040 || c == 0x0000FF, qPrintable(QString::number(c, 16)));
            glyph += c == 0x0000FF;
        }
    QVERIFY(glyph > 50);
}

void PlatformTest::roundsHalfToEven() {
    QCOMPARE(roundToInt(0.5), 0);
    QCOMPARE(roundToInt(1.5), 2);
    QCOMPARE(roundToInt(2.5), 2);
    QCOMPARE(roundToInt(-2.5), -2);
}

void PlatformTest::writePicture_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("magic");
    QTest::newRow("BMP in upper case") << "OUT.BMP" << QByteArray("BM");
    QTest::newRow("jpg") << "out.jpg" << QByteArray("\xFF\xD8");
    QTest::newRow("bmp inside the name") << "out.bmp.x" << QByteArray("\xFF\xD8");
}

void PlatformTest::writePicture() {
    QFETCH(QString, name);
    QTemporaryDir dir;
    QImage image(5, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(imprimata::writePicture(image, dir.filePath(name)));
    QFile file(dir.filePath(name));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QTEST(file.read(2), "magic");
}

void PlatformTest::failedWriteKeepsOldFile_data() {
    QTest::addColumn<bool>("encodable");
    QTest::addColumn<imprimata::ExistingFile>("existing");
    QTest::addColumn<QString>("reason");
    QTest::newRow("nothing to encode")
        << false << imprimata::ExistingFile::Replace << "there is no picture to write";
    QTest::newRow("name taken") << true << imprimata::ExistingFile::Keep
                                << "the file already exists";
}

// A refused write leaves the existing file as it was, and no temporary beside it.
void PlatformTest::failedWriteKeepsOldFile() {
    QFETCH(bool, encodable);
    QFETCH(imprimata::ExistingFile, existing);
    QTemporaryDir dir;
    QFile old(dir.filePath(QStringLiteral("old.jpg")));
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("precious") == 8);
    old.close();
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::blue);
    const auto written = imprimata::writePicture(encodable ? image : QImage(), old.fileName(),
                                                 imprimata::DefaultJpegQuality, {}, existing);
    QVERIFY(!written);
    QTEST(written.error(), "reason");
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("precious"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"old.jpg"});
}

// Saving over a picture behind a link replaces the picture and keeps the link and the
// picture's permissions.
void PlatformTest::replacingKeepsLinkAndPermissions() {
    QTemporaryDir dir;
    const QString real = dir.filePath(QStringLiteral("real.jpg"));
    const QString link = dir.filePath(QStringLiteral("link.jpg"));
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::green);
    QVERIFY(image.save(real));
    const auto permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther;
    QVERIFY(QFile::setPermissions(real, permissions));
    QVERIFY(QFile::link(real, link));
    const auto written = imprimata::writePicture(image, link, imprimata::DefaultJpegQuality, {},
                                                 imprimata::ExistingFile::Replace);
    QVERIFY2(written, qPrintable(written.error()));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(QFile::permissions(real) & ~(QFile::ReadUser | QFile::WriteUser), permissions);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 2);
}

void PlatformTest::dialogs() {
    // The program's "name|pattern|" filters as the toolkit's dialogs take them.
    QCOMPARE(QtDialogService::nameFilters(QStringLiteral("Pictures|*.jpg;*.bmp|All|*.*|")),
             (QStringList{QStringLiteral("Pictures (*.jpg *.bmp)"), QStringLiteral("All (*.*)")}));
    QCOMPARE(QtDialogService::nameFilters(QStringLiteral("JPEG Images (*.jpg)|*.jpg|")),
             QStringList{QStringLiteral("JPEG Images (*.jpg)")});

    ScriptedDialogService d;
    d.openAnswers = {QStringLiteral("/a"), QStringLiteral("/b")};
    QCOMPARE(d.openFile({QStringLiteral("Open"), {}, 1, {}}), QStringLiteral("/a"));
    QCOMPARE(d.openFile({}), QStringLiteral("/b"));
    QCOMPARE(d.openFile({}), QString()); // nothing left: Cancel
    QCOMPARE(d.requests.size(), 3u);
    QCOMPARE(d.requests.front().title, QStringLiteral("Open"));
    d.message(QStringLiteral("x"), MessageIcon::Warning);
    QCOMPARE(d.lastMessage(), QStringLiteral("x"));
}

QTEST_MAIN(PlatformTest)
#include "tst_platform.moc"
