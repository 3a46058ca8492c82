#include "render/ColourHelpers.h"

#include "platform/Surface.h"

#include <QtTest>

using namespace imprimata;

class ColourTest : public QObject {
    Q_OBJECT

private slots:
    void conversions_data();
    void conversions();
    void averageHls_data();
    void averageHls();
};

void ColourTest::conversions_data() {
    QTest::addColumn<QRgb>("rgb");
    QTest::addColumn<QList<int>>("hls");
    QTest::addColumn<QRgb>("back"); // HLSToRGB of hls
    // Lightness 240.5 and 0.5 round to the even neighbour.
    QTest::newRow("white") << qRgb(255, 255, 255) << QList{160, 240, 0} << qRgb(255, 255, 255);
    QTest::newRow("black") << qRgb(0, 0, 0) << QList{160, 0, 0} << qRgb(0, 0, 0);
    // Red and green compute to 256 on the way back and are clamped.
    QTest::newRow("red") << qRgb(255, 0, 0) << QList{0, 120, 240} << qRgb(255, 0, 0);
    QTest::newRow("green") << qRgb(0, 255, 0) << QList{80, 120, 240} << qRgb(0, 255, 0);
    QTest::newRow("blue") << qRgb(0, 0, 255) << QList{160, 120, 240} << qRgb(0, 0, 255);
    QTest::newRow("grey 128") << qRgb(128, 128, 128) << QList{160, 121, 0} << qRgb(129, 129, 129);
    // Saturation 144.5 rounds down to even.
    QTest::newRow("brown") << qRgb(200, 100, 50) << QList{13, 118, 144} << qRgb(202, 100, 50);
    // Lightness exactly 120 takes the darker half's saturation and m2 formulas.
    QTest::newRow("lightness 120") << qRgb(177, 77, 77) << QList{0, 120, 95} << qRgb(179, 78, 77);
}

void ColourTest::conversions() {
    QFETCH(QRgb, rgb);
    QFETCH(QList<int>, hls);
    int h = -1, l = -1, s = -1, r = -1, g = -1, b = -1;
    RGBToHLS(qRed(rgb), qGreen(rgb), qBlue(rgb), h, l, s);
    QCOMPARE(QList({h, l, s}), hls);
    HLSToRGB(hls[0], hls[1], hls[2], r, g, b);
    QTEST(qRgb(r, g, b), "back");
}

void ColourTest::averageHls_data() {
    QTest::addColumn<QSize>("picture"); // black in its first two columns, white elsewhere
    QTest::addColumn<QRect>("area");    // the inclusive corners (x1, y1) and (x2, y2)
    QTest::addColumn<int>("lightness");
    QTest::newRow("3 x 3 points") << QSize(4, 3) << QRect(QPoint(0, 0), QPoint(2, 2)) << 80;
    // Points past the picture's edges count as white: 6 black of 16, and 2 of 20.
    QTest::newRow("past the top left") << QSize(4, 3) << QRect(QPoint(-2, -1), QPoint(1, 2)) << 150;
    QTest::newRow("past the bottom right")
        << QSize(4, 3) << QRect(QPoint(1, 1), QPoint(5, 4)) << 216;
    QTest::newRow("empty area") << QSize(4, 3) << QRect(QPoint(2, 0), QPoint(1, 0)) << 0;
    // The lightness sums to 2.16e9, past a 32-bit integer.
    QTest::newRow("large area") << QSize(3000, 3000) << QRect(0, 0, 3000, 3000) << 240;
}

void ColourTest::averageHls() {
    QFETCH(QSize, picture);
    QFETCH(QRect, area);
    Surface surface(picture.width(), picture.height(), White);
    for (int y = 0; y < picture.height(); ++y) {
        surface.setPoint(0, y, 0);
        surface.setPoint(1, y, 0);
    }
    const auto a = AverageHLS(surface, area.left(), area.top(), area.right(), area.bottom());
    QTEST(a[1], "lightness");
}

QTEST_MAIN(ColourTest)
#include "tst_colour.moc"
