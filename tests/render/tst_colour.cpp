#include "render/ColourHelpers.h"

#include "platform/Surface.h"

#include <QtTest>
#include <algorithm>
#include <cstdlib>

using namespace imprimata;

class ColourTest : public QObject {
    Q_OBJECT

private slots:
    void conversions_data();
    void conversions();
    void roundTripStaysWithinDrift();
    void hueToChannel_data();
    void hueToChannel();
    void averageHls_data();
    void averageHls();
};

void ColourTest::conversions_data() {
    QTest::addColumn<bool>("toHls");
    QTest::addColumn<int>("a"); // red, green, blue or hue, lightness, saturation
    QTest::addColumn<int>("b");
    QTest::addColumn<int>("c");
    QTest::addColumn<int>("x"); // the other triple
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("z");
    // Lightness 240.5 and 0.5 round to the even neighbour.
    QTest::newRow("white") << true << 255 << 255 << 255 << 160 << 240 << 0;
    QTest::newRow("black") << true << 0 << 0 << 0 << 160 << 0 << 0;
    QTest::newRow("red") << true << 255 << 0 << 0 << 0 << 120 << 240;
    QTest::newRow("green") << true << 0 << 255 << 0 << 80 << 120 << 240;
    QTest::newRow("blue") << true << 0 << 0 << 255 << 160 << 120 << 240;
    QTest::newRow("grey 128") << true << 128 << 128 << 128 << 160 << 121 << 0;
    // Saturation 144.5 rounds down to even.
    QTest::newRow("brown") << true << 200 << 100 << 50 << 13 << 118 << 144;
    QTest::newRow("to RGB, grey 121") << false << 160 << 121 << 0 << 129 << 129 << 129;
    QTest::newRow("to RGB, brown") << false << 13 << 118 << 144 << 202 << 100 << 50;
    // Red computes to 256 and is clamped.
    QTest::newRow("to RGB, red") << false << 0 << 120 << 240 << 255 << 0 << 0;
}

void ColourTest::conversions() {
    QFETCH(bool, toHls);
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(int, c);
    int x = -1, y = -1, z = -1;
    if (toHls)
        RGBToHLS(a, b, c, x, y, z);
    else
        HLSToRGB(a, b, c, x, y, z);
    QTEST(x, "x");
    QTEST(y, "y");
    QTEST(z, "z");
}

void ColourTest::roundTripStaysWithinDrift() {
    int worst = 0;
    for (int r = 0; r < 256; r += 5)
        for (int g = 0; g < 256; g += 5)
            for (int b = 0; b < 256; b += 5) {
                int h = 0, l = 0, s = 0, r2 = 0, g2 = 0, b2 = 0;
                RGBToHLS(r, g, b, h, l, s);
                QVERIFY(l >= 0 && l <= 240 && s >= 0 && s <= 240 && h >= 0 && h <= 240);
                HLSToRGB(h, l, s, r2, g2, b2);
                worst = std::max({worst, std::abs(r2 - r), std::abs(g2 - g), std::abs(b2 - b)});
            }
    QVERIFY2(worst <= HlsRoundTripDrift, qPrintable(QString::number(worst)));
}

void ColourTest::hueToChannel_data() {
    QTest::addColumn<float>("hue");
    QTest::addColumn<float>("expected");
    QTest::addColumn<float>("normalised");
    // m1 = 40, m2 = 200 below.
    QTest::newRow("-80 is 160, gives m1") << -80.0f << 40.0f << 160.0f;
    QTest::newRow("320 is 80, gives m2") << 320.0f << 200.0f << 80.0f;
}

void ColourTest::hueToChannel() {
    QFETCH(float, hue);
    const float channel = HueToChannel(40.0f, 200.0f, hue);
    QTEST(channel, "expected");
    QTEST(hue, "normalised");
}

void ColourTest::averageHls_data() {
    QTest::addColumn<QSize>("picture"); // black in its first two columns, white elsewhere
    QTest::addColumn<QRect>("area");    // the inclusive corners (x1, y1) and (x2, y2)
    QTest::addColumn<int>("lightness");
    QTest::newRow("3 x 3 points") << QSize(4, 3) << QRect(QPoint(0, 0), QPoint(2, 2)) << 80;
    QTest::newRow("2 points") << QSize(4, 3) << QRect(QPoint(1, 1), QPoint(2, 1)) << 120;
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
