#include "platform/Dialogs.h"
#include "platform/Numeric.h"
#include "platform/PictureWriter.h"
#include "platform/Raster.h"
#include "platform/Rect.h"
#include "platform/Surface.h"

#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

using namespace imprimata;

Q_DECLARE_METATYPE(imprimata::ScreenRect)

class PlatformTest : public QObject {
    Q_OBJECT

private slots:
    void rasterOps_data();
    void rasterOps();
    void blockCopyClips();
    void alphaBlend_data();
    void alphaBlend();
    void rectRules_data();
    void rectRules();
    void pointIsSilentOutside();
    void printChangesOnlyGlyphPixels();
    void roundsHalfToEven();
    void writePicture_data();
    void writePicture();
    void failedWriteKeepsOldFile();
    void dialogs();
};

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
    QTest::newRow("unknown code copies") << 0x00123456u << s;
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

void PlatformTest::alphaBlend_data() {
    QTest::addColumn<int>("alpha");
    QTest::addColumn<QRgb>("expected");
    QTest::newRow("0 keeps destination") << 0 << qRgb(200, 100, 0);
    QTest::newRow("255 gives source") << 255 << qRgb(10, 20, 250);
    QTest::newRow("100") << 100
                         << qRgb((10 * 100 + 200 * 155 + 127) / 255,
                                 (20 * 100 + 100 * 155 + 127) / 255, (250 * 100 + 127) / 255);
}

void PlatformTest::alphaBlend() {
    QFETCH(int, alpha);
    QImage src(1, 1, QImage::Format_RGB32), dst(4, 3, QImage::Format_RGB32);
    src.fill(qRgb(10, 20, 250));
    dst.fill(qRgb(200, 100, 0));
    // One source pixel scaled over the destination block (1, 1) to (3, 2).
    imprimata::alphaBlend(dst, 1, 1, 3, 2, src, 0, 0, 1, 1, alpha);
    QTEST(dst.pixel(1, 1), "expected");
    QTEST(dst.pixel(3, 2), "expected");
    QCOMPARE(dst.pixel(0, 0), qRgb(200, 100, 0));
}

void PlatformTest::rectRules_data() {
    QTest::addColumn<ScreenRect>("a");
    QTest::addColumn<ScreenRect>("b");
    QTest::addColumn<ScreenRect>("expected");
    const ScreenRect a{0, 0, 10, 10};
    QTest::newRow("overlap") << a << ScreenRect{5, 5, 20, 20} << ScreenRect{5, 5, 10, 10};
    QTest::newRow("touching edge") << a << ScreenRect{10, 0, 20, 10} << ScreenRect{};
    QTest::newRow("apart") << a << ScreenRect{30, 30, 40, 40} << ScreenRect{};
}

void PlatformTest::rectRules() {
    QFETCH(ScreenRect, a);
    QFETCH(ScreenRect, b);
    QFETCH(ScreenRect, expected);
    const ScreenRect i = intersectRect(a, b);
    QCOMPARE(i, expected);
    QCOMPARE(isRectEmpty(i), expected.width() == 0);
    // Right and bottom are exclusive.
    QVERIFY(!ptInRect(i, i.right, i.top));
    QVERIFY(!ptInRect(i, i.left, i.bottom));
    QCOMPARE(ptInRect(i, i.left, i.top), !isRectEmpty(i));
}

void PlatformTest::pointIsSilentOutside() {
    Surface s(3, 2);
    QCOMPARE(s.point(0, 0), White);
    QCOMPARE(s.point(-1, 0), -1);
    QCOMPARE(s.point(3, 0), -1);
    QCOMPARE(s.point(0, 2), -1);
    s.setPoint(3, 0, 0);
    s.setPoint(-1, -1, 0);
    s.setPoint(2, 1, 0x123456);
    QCOMPARE(s.point(2, 1), 0x123456);
    QCOMPARE(s.image().pixel(2, 1), qRgb(0x56, 0x34, 0x12));
}

void PlatformTest::printChangesOnlyGlyphPixels() {
    Surface s(200, 60, 0x404040);
    s.clear();
    s.setFont(makeFont(QStringLiteral("Liberation Sans"), 20, true));
    s.setForeColour(0x0000FF); // red
    s.setCurrentPosition(0, 0);
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
    QCOMPARE(roundToInt(5.53), 6);
}

void PlatformTest::writePicture_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("format");
    QTest::newRow("bmp") << "out.bmp" << QByteArray("bmp");
    QTest::newRow("BMP upper case") << "OUT.BMP" << QByteArray("bmp");
    QTest::newRow("jpg") << "out.jpg" << QByteArray("jpeg");
    QTest::newRow("bmp inside name") << "out.bmp.x" << QByteArray("jpeg");
}

void PlatformTest::writePicture() {
    QFETCH(QString, name);
    QFETCH(QByteArray, format);
    QTemporaryDir dir;
    Surface s(5, 4, 0x102030);
    s.clear();
    s.setPoint(4, 3, 0x0000FF);
    QString error;
    const QString path = dir.filePath(name);
    QVERIFY(imprimata::writePicture(s.image(), path, &error));
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    QCOMPARE(reader.format(), format);
    const QImage back = reader.read();
    QCOMPARE(back.size(), QSize(5, 4));
    if (format == "bmp")
        QCOMPARE(back.pixel(4, 3), qRgb(255, 0, 0));
}

void PlatformTest::failedWriteKeepsOldFile() {
    QTemporaryDir dir;
    QString error;
    QVERIFY(!imprimata::writePicture(Surface(2, 2).image(),
                                     dir.filePath(QStringLiteral("missing/out.bmp")), &error));
    QVERIFY(!error.isEmpty());
    // An image that cannot be encoded leaves the existing file as it was.
    const QString path = dir.filePath(QStringLiteral("old.jpg"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("precious");
    old.close();
    QVERIFY(!imprimata::writePicture(QImage(), path, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("precious"));
}

void PlatformTest::dialogs() {
    // The program's "name|pattern|" filters as the toolkit's dialogs take them.
    QCOMPARE(QtDialogService::nameFilters(QStringLiteral("Pictures|*.jpg;*.bmp|All|*.*|")),
             (QStringList{QStringLiteral("Pictures (*.jpg *.bmp)"), QStringLiteral("All (*.*)")}));

    ScriptedDialogService d;
    d.openAnswers = {QStringLiteral("/a"), QStringLiteral("/b")};
    QCOMPARE(d.openFile(FileDialogRequest{QStringLiteral("Open"), {}, 1, {}}),
             QStringLiteral("/a"));
    QCOMPARE(d.openFile({}), QStringLiteral("/b"));
    QCOMPARE(d.openFile({}), QString()); // nothing left: Cancel
    QCOMPARE(d.saveFile({}), QString());
    QCOMPARE(d.requests.size(), 4u);
    QCOMPARE(d.requests.front().title, QStringLiteral("Open"));
    d.message(QStringLiteral("x"), MessageIcon::Warning);
    QCOMPARE(d.messages.back().icon, MessageIcon::Warning);
    QCOMPARE(d.lastMessage(), QStringLiteral("x"));
}

QTEST_MAIN(PlatformTest)
#include "tst_platform.moc"
