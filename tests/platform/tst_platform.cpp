#include "platform/Colour.h"
#include "platform/Dialogs.h"
#include "platform/Numeric.h"
#include "platform/PictureWriter.h"
#include "platform/Raster.h"
#include "platform/Rect.h"
#include "platform/ScreenUnits.h"
#include "platform/Surface.h"

#include <QImageReader>
#include <QPalette>
#include <QTemporaryDir>
#include <QtTest>

using namespace imprimata;

class PlatformTest : public QObject {
    Q_OBJECT

private slots:
    void rasterOps_data();
    void rasterOps();
    void blockCopyClipsToBothImages();
    void blockCopyWithinOneImage();
    void alphaBlend_data();
    void alphaBlend();
    void scaledBlendCoversDestination();
    void rectRules_data();
    void rectRules();
    void pointIsSilentOutside();
    void printChangesOnlyGlyphPixels();
    void printMovesToNextLine();
    void resizeKeepsPixelsAndFillsBackground();
    void setImageSharesPixels();
    void systemColours();
    void roundsHalfToEven_data();
    void roundsHalfToEven();
    void twipsAt96Dpi();
    void writePicture_data();
    void writePicture();
    void failedWriteKeepsOldFile();
    void qtFilterTranslation();
    void scriptedDialogsAnswerInOrder();
};

void PlatformTest::rasterOps_data() {
    QTest::addColumn<uint>("rop");
    QTest::addColumn<uint>("source");
    QTest::addColumn<uint>("dest");
    QTest::addColumn<uint>("expected");
    const uint s = 0x00F0CC0F, d = 0x003C5AA5;
    QTest::newRow("SrcCopy") << uint(SrcCopy) << s << d << s;
    QTest::newRow("SrcPaint") << uint(SrcPaint) << s << d << (s | d);
    QTest::newRow("SrcAnd") << uint(SrcAnd) << s << d << (s & d);
    QTest::newRow("SrcInvert") << uint(SrcInvert) << s << d << (s ^ d);
    QTest::newRow("SrcErase") << uint(SrcErase) << s << d << (s & ~d & 0xFFFFFFu);
    QTest::newRow("NotSrcCopy") << uint(NotSrcCopy) << s << d << (~s & 0xFFFFFFu);
    QTest::newRow("NotSrcErase") << uint(NotSrcErase) << s << d << (~(s | d) & 0xFFFFFFu);
    QTest::newRow("MergePaint") << uint(MergePaint) << s << d << ((~s | d) & 0xFFFFFFu);
    QTest::newRow("white SrcInvert black") << uint(SrcInvert) << 0xFFFFFFu << 0u << 0xFFFFFFu;
    QTest::newRow("white MergePaint") << uint(MergePaint) << 0xFFFFFFu << d << d;
}

void PlatformTest::rasterOps() {
    QFETCH(uint, rop);
    QFETCH(uint, source);
    QFETCH(uint, dest);
    QFETCH(uint, expected);
    QImage src(3, 2, QImage::Format_RGB32), dst(3, 2, QImage::Format_RGB32);
    src.fill(0xFF000000u | source);
    dst.fill(0xFF000000u | dest);
    blockCopy(dst, 0, 0, 3, 2, src, 0, 0, rop);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            QCOMPARE(dst.pixel(x, y), 0xFF000000u | expected);
}

void PlatformTest::blockCopyClipsToBothImages() {
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
    QCOMPARE(dst.pixel(2, 2), qRgb(10, 20, 7));
}

void PlatformTest::blockCopyWithinOneImage() {
    QImage img(4, 1, QImage::Format_RGB32);
    for (int x = 0; x < 4; ++x)
        img.setPixel(x, 0, qRgb(x, 0, 0));
    blockCopy(img, 1, 0, 3, 1, img, 0, 0);
    QCOMPARE(img.pixel(1, 0), qRgb(0, 0, 0));
    QCOMPARE(img.pixel(2, 0), qRgb(1, 0, 0));
    QCOMPARE(img.pixel(3, 0), qRgb(2, 0, 0));
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
    QFETCH(QRgb, expected);
    QImage src(2, 2, QImage::Format_RGB32), dst(2, 2, QImage::Format_RGB32);
    src.fill(qRgb(10, 20, 250));
    dst.fill(qRgb(200, 100, 0));
    imprimata::alphaBlend(dst, 0, 0, 2, 2, src, 0, 0, 2, 2, alpha);
    QCOMPARE(dst.pixel(1, 1), expected);
}

void PlatformTest::scaledBlendCoversDestination() {
    QImage src(1, 1, QImage::Format_RGB32), dst(4, 3, QImage::Format_RGB32);
    src.fill(qRgb(0, 0, 0));
    dst.fill(qRgb(255, 255, 255));
    imprimata::alphaBlend(dst, 1, 1, 3, 2, src, 0, 0, 1, 1, 255);
    QCOMPARE(dst.pixel(0, 0), qRgb(255, 255, 255));
    QCOMPARE(dst.pixel(1, 1), qRgb(0, 0, 0));
    QCOMPARE(dst.pixel(3, 2), qRgb(0, 0, 0));
}

void PlatformTest::rectRules_data() {
    QTest::addColumn<int>("al");
    QTest::addColumn<int>("at");
    QTest::addColumn<int>("ar");
    QTest::addColumn<int>("ab");
    QTest::addColumn<int>("bl");
    QTest::addColumn<int>("bt");
    QTest::addColumn<int>("br");
    QTest::addColumn<int>("bb");
    QTest::addColumn<QRect>("expected"); // as left, top, right, bottom in x, y, width, height
    QTest::newRow("overlap") << 0 << 0 << 10 << 10 << 5 << 5 << 20 << 20 << QRect(5, 5, 10, 10);
    QTest::newRow("inside") << 0 << 0 << 10 << 10 << 2 << 3 << 4 << 5 << QRect(2, 3, 4, 5);
    QTest::newRow("touching edge")
        << 0 << 0 << 10 << 10 << 10 << 0 << 20 << 10 << QRect(0, 0, 0, 0);
    QTest::newRow("apart") << 0 << 0 << 10 << 10 << 30 << 30 << 40 << 40 << QRect(0, 0, 0, 0);
}

void PlatformTest::rectRules() {
    QFETCH(int, al);
    QFETCH(int, at);
    QFETCH(int, ar);
    QFETCH(int, ab);
    QFETCH(int, bl);
    QFETCH(int, bt);
    QFETCH(int, br);
    QFETCH(int, bb);
    QFETCH(QRect, expected);
    const ScreenRect i = intersectRect({al, at, ar, ab}, {bl, bt, br, bb});
    QCOMPARE(i, (ScreenRect{expected.x(), expected.y(), expected.width(), expected.height()}));
    QCOMPARE(isRectEmpty(i), expected.width() == 0);
    QVERIFY(!ptInRect(i, i.right, i.top));
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
    QVERIFY(s.textWidth(QStringLiteral("Wg")) > s.textWidth(QStringLiteral("W")));
    QVERIFY(s.textHeight(QStringLiteral("Wg")) >= 20);
}

void PlatformTest::printMovesToNextLine() {
    Surface s(100, 100);
    s.setFont(makeFont(QStringLiteral("DejaVu Sans"), 12, false));
    s.setCurrentPosition(7, 3);
    s.print(QStringLiteral("a"));
    QCOMPARE(s.currentX(), 0);
    QCOMPARE(s.currentY(), 3 + s.textHeight(QStringLiteral("a")));
}

void PlatformTest::resizeKeepsPixelsAndFillsBackground() {
    Surface s(2, 2, 0x00FF00);
    s.setPoint(1, 1, 0x0000FF);
    s.resize(3, 3);
    QCOMPARE(s.point(1, 1), 0x0000FF);
    QCOMPARE(s.point(2, 2), 0x00FF00);
    s.clear();
    QCOMPARE(s.point(1, 1), 0x00FF00);
}

void PlatformTest::setImageSharesPixels() {
    QImage picture(64, 32, QImage::Format_RGB32);
    picture.fill(qRgb(1, 2, 3));
    Surface s;
    s.setImage(picture);
    QCOMPARE(s.width(), 64);
    QCOMPARE(s.image().constBits(), picture.constBits());
    s.setPoint(0, 0, White); // writing detaches: the source picture is untouched
    QCOMPARE(picture.pixel(0, 0), qRgb(1, 2, 3));
    Surface other;
    other.takeImage(s);
    QCOMPARE(other.point(0, 0), White);
}

void PlatformTest::systemColours() {
    QPalette p;
    p.setColor(QPalette::WindowText, QColor(1, 2, 3));
    p.setColor(QPalette::Base, QColor(250, 251, 252));
    QCOMPARE(resolveColour(SystemWindowText, p), 0x030201);
    QCOMPARE(resolveColour(SystemWindow, p), 0xFCFBFA);
    QCOMPARE(resolveColour(0x00FF00, p), 0x00FF00);
    QVERIFY(isSystemColour(static_cast<ColourValue>(0x80000008u)));
    QVERIFY(!isSystemColour(White));
}

void PlatformTest::roundsHalfToEven_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("0.5") << 0.5 << 0;
    QTest::newRow("1.5") << 1.5 << 2;
    QTest::newRow("2.5") << 2.5 << 2;
    QTest::newRow("-2.5") << -2.5 << -2;
    QTest::newRow("5.53") << 5.53 << 6;
}

void PlatformTest::roundsHalfToEven() {
    QFETCH(double, value);
    QFETCH(int, expected);
    QCOMPARE(roundToInt(value), expected);
}

void PlatformTest::twipsAt96Dpi() {
    // The offscreen screen reports 96 dpi.
    QCOMPARE(screenDpi(), 96.0);
    QCOMPARE(twipsPerPixelX(), 15.0);
    QCOMPARE(twipsToPixelsY(1095), 73);
}

void PlatformTest::writePicture_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("format");
    QTest::newRow("bmp") << "out.bmp" << QByteArray("bmp");
    QTest::newRow("BMP upper case") << "OUT.BMP" << QByteArray("bmp");
    QTest::newRow("jpg") << "out.jpg" << QByteArray("jpeg");
    QTest::newRow("jpeg") << "out.jpeg" << QByteArray("jpeg");
    QTest::newRow("gif name still jpeg") << "out.gif" << QByteArray("jpeg");
    QTest::newRow("bare name") << "out" << QByteArray("jpeg");
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
    if (format == "bmp") {
        QCOMPARE(back.pixel(4, 3), qRgb(255, 0, 0));
        QCOMPARE(back.pixel(0, 0), qRgb(0x30, 0x20, 0x10));
    }
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

void PlatformTest::qtFilterTranslation() {
    QCOMPARE(QtDialogService::nameFilters(QStringLiteral("Imprimata files (*.$IM)|*.$IM|")),
             QStringList{QStringLiteral("Imprimata files (*.$IM) (*.$IM)")});
    QCOMPARE(QtDialogService::nameFilters(QStringLiteral("Pictures|*.jpg;*.bmp|All|*.*|")),
             (QStringList{QStringLiteral("Pictures (*.jpg *.bmp)"), QStringLiteral("All (*.*)")}));
}

void PlatformTest::scriptedDialogsAnswerInOrder() {
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
