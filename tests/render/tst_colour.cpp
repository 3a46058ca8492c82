#include "render/ColourHelpers.h"

#include "platform/Surface.h"

#include <QtTest>
#include <algorithm>
#include <cmath>
#include <cstdlib>

using namespace imprimata;

class ColourTest : public QObject {
    Q_OBJECT

private slots:
    void splitRgb_data();
    void splitRgb();
    void rgbToHls_data();
    void rgbToHls();
    void hlsToRgb_data();
    void hlsToRgb();
    void roundTripStaysWithinDrift();
    void hueToChannel_data();
    void hueToChannel();
    void averageCountsInclusiveBounds();
    void averageReadsOutsideAsWhite();
    void averageOfLargeAreaDoesNotOverflow();
    void blendBlock_data();
    void blendBlock();
};

void ColourTest::splitRgb_data() {
    QTest::addColumn<int>("colour");
    QTest::addColumn<int>("red");
    QTest::addColumn<int>("green");
    QTest::addColumn<int>("blue");
    QTest::newRow("white") << 16777215 << 255 << 255 << 255;
    QTest::newRow("mixed") << (200 + 100 * 256 + 50 * 65536) << 200 << 100 << 50;
    QTest::newRow("point outside") << -1 << 255 << 255 << 255;
    QTest::newRow("top byte ignored") << int(0x7F000102) << 2 << 1 << 0;
}

void ColourTest::splitRgb() {
    QFETCH(int, colour);
    QFETCH(int, red);
    QFETCH(int, green);
    QFETCH(int, blue);
    int r = -9, g = -9, b = -9;
    SplitRGB(colour, r, g, b);
    QCOMPARE(r, red);
    QCOMPARE(g, green);
    QCOMPARE(b, blue);
}

void ColourTest::rgbToHls_data() {
    QTest::addColumn<int>("r");
    QTest::addColumn<int>("g");
    QTest::addColumn<int>("b");
    QTest::addColumn<int>("h");
    QTest::addColumn<int>("l");
    QTest::addColumn<int>("s");
    // Lightness 240.5 and 0.5 round to the even neighbour.
    QTest::newRow("white") << 255 << 255 << 255 << 160 << 240 << 0;
    QTest::newRow("black") << 0 << 0 << 0 << 160 << 0 << 0;
    QTest::newRow("red") << 255 << 0 << 0 << 0 << 120 << 240;
    QTest::newRow("green") << 0 << 255 << 0 << 80 << 120 << 240;
    QTest::newRow("blue") << 0 << 0 << 255 << 160 << 120 << 240;
    QTest::newRow("grey 128") << 128 << 128 << 128 << 160 << 121 << 0;
    QTest::newRow("grey 63") << 63 << 63 << 63 << 160 << 60 << 0;
    // Saturation 144.5 rounds down to even.
    QTest::newRow("brown") << 200 << 100 << 50 << 13 << 118 << 144;
    // Red wins a tie for the maximum, then green.
    QTest::newRow("yellow") << 255 << 255 << 0 << 40 << 120 << 240;
    QTest::newRow("cyan") << 0 << 255 << 255 << 120 << 120 << 240;
    QTest::newRow("magenta") << 255 << 0 << 255 << 200 << 120 << 240;
    // A negative hue wraps round.
    QTest::newRow("red towards blue") << 255 << 0 << 10 << 238 << 120 << 240;
    QTest::newRow("light pink") << 255 << 200 << 200 << 0 << 215 << 240;
}

void ColourTest::rgbToHls() {
    QFETCH(int, r);
    QFETCH(int, g);
    QFETCH(int, b);
    int h = -1, l = -1, s = -1;
    RGBToHLS(r, g, b, h, l, s);
    QTEST(h, "h");
    QTEST(l, "l");
    QTEST(s, "s");
}

void ColourTest::hlsToRgb_data() {
    QTest::addColumn<int>("h");
    QTest::addColumn<int>("l");
    QTest::addColumn<int>("s");
    QTest::addColumn<int>("r");
    QTest::addColumn<int>("g");
    QTest::addColumn<int>("b");
    QTest::newRow("grey 121") << 160 << 121 << 0 << 129 << 129 << 129;
    QTest::newRow("brown") << 13 << 118 << 144 << 202 << 100 << 50;
    // Red computes to 256 and is clamped.
    QTest::newRow("red") << 0 << 120 << 240 << 255 << 0 << 0;
    QTest::newRow("bluish grey") << 160 << 110 << 50 << 92 << 92 << 142;
    QTest::newRow("white") << 160 << 240 << 0 << 255 << 255 << 255;
    QTest::newRow("black") << 160 << 0 << 0 << 0 << 0 << 0;
    QTest::newRow("light, L above half") << 0 << 215 << 240 << 255 << 203 << 203;
    // Hue 250 is brought to 10 by the green channel before blue uses it.
    QTest::newRow("hue past the scale") << 250 << 120 << 240 << 255 << 65 << 0;
    QTest::newRow("hue far below zero") << -250 << 120 << 240 << 255 << 0 << 65;
}

void ColourTest::hlsToRgb() {
    QFETCH(int, h);
    QFETCH(int, l);
    QFETCH(int, s);
    int r = -1, g = -1, b = -1;
    HLSToRGB(h, l, s, r, g, b);
    QTEST(r, "r");
    QTEST(g, "g");
    QTEST(b, "b");
}

void ColourTest::roundTripStaysWithinDrift() {
    int worst = 0;
    for (int r = 0; r < 256; r += 5) {
        for (int g = 0; g < 256; g += 5) {
            for (int b = 0; b < 256; b += 5) {
                int h = 0, l = 0, s = 0, r2 = 0, g2 = 0, b2 = 0;
                RGBToHLS(r, g, b, h, l, s);
                QVERIFY(l >= 0 && l <= 240 && s >= 0 && s <= 240 && h >= 0 && h <= 240);
                HLSToRGB(h, l, s, r2, g2, b2);
                worst = std::max({worst, std::abs(r2 - r), std::abs(g2 - g), std::abs(b2 - b)});
            }
        }
    }
    QVERIFY2(worst <= HlsRoundTripDrift, qPrintable(QString::number(worst)));
    // The cube's corners themselves survive unchanged.
    for (int c = 0; c < 8; ++c) {
        const int r = (c & 1) ? 255 : 0, g = (c & 2) ? 255 : 0, b = (c & 4) ? 255 : 0;
        int h = 0, l = 0, s = 0, r2 = 0, g2 = 0, b2 = 0;
        RGBToHLS(r, g, b, h, l, s);
        HLSToRGB(h, l, s, r2, g2, b2);
        QCOMPARE(r2, r);
        QCOMPARE(g2, g);
        QCOMPARE(b2, b);
    }
}

void ColourTest::hueToChannel_data() {
    QTest::addColumn<float>("hue");
    QTest::addColumn<float>("expected");
    QTest::addColumn<float>("normalised");
    // m1 = 40, m2 = 200 below.
    QTest::newRow("-80 is 160, gives m1") << -80.0f << 40.0f << 160.0f;
    QTest::newRow("320 is 80, gives m2") << 320.0f << 200.0f << 80.0f;
    QTest::newRow("rising") << 10.0f << 40.0f + (160.0f * 10 + 20) / 40 << 10.0f;
    QTest::newRow("falling") << 130.0f << 40.0f + (160.0f * 30 + 20) / 40 << 130.0f;
    QTest::newRow("240 stays") << 240.0f << 40.0f << 240.0f;
    QTest::newRow("only one turn") << 500.0f << 40.0f << 260.0f;
}

void ColourTest::hueToChannel() {
    QFETCH(float, hue);
    QFETCH(float, expected);
    QFETCH(float, normalised);
    float h = hue;
    QCOMPARE(HueToChannel(40.0f, 200.0f, h), expected);
    QCOMPARE(h, normalised);
}

void ColourTest::averageCountsInclusiveBounds() {
    // Two columns of lightness 0 and 240 in a 4 x 3 picture.
    Surface picture(4, 3, 0);
    for (int y = 0; y < 3; ++y) {
        picture.setPoint(2, y, White);
        picture.setPoint(3, y, White);
    }
    // (0,0)-(2,2) covers 3 x 3 points: one white column of three.
    const auto a = AverageHLS(picture, 0, 0, 2, 2);
    QCOMPARE(a[0], 160);
    QCOMPARE(a[1], 80);
    QCOMPARE(a[2], 0);
    const auto b = AverageHLS(picture, 1, 1, 2, 1); // 2 points: 0 and 240
    QCOMPARE(b[1], 120);
    const auto single = AverageHLS(picture, 0, 0, 0, 0);
    QCOMPARE(single[1], 0);
    const auto empty = AverageHLS(picture, 2, 0, 1, 0);
    QCOMPARE(empty[1], 0);
}

void ColourTest::averageReadsOutsideAsWhite() {
    // One black point inside, three points beyond the picture's edge.
    Surface picture(1, 1, 0);
    const auto a = AverageHLS(picture, 0, 0, 1, 1);
    QCOMPARE(a[1], 180); // (0 + 3 * 240) / 4
    const auto b = AverageHLS(picture, -1, 0, 0, 0);
    QCOMPARE(b[1], 120);
}

void ColourTest::averageOfLargeAreaDoesNotOverflow() {
    // 3000 x 3000 white points sum lightness to 2.16e9, past a 32-bit integer.
    Surface picture(3000, 3000, White);
    const auto a = AverageHLS(picture, 0, 0, 2999, 2999);
    QCOMPARE(a[0], 160);
    QCOMPARE(a[1], 240);
    QCOMPARE(a[2], 0);
}

void ColourTest::blendBlock_data() {
    QTest::addColumn<int>("alpha");
    QTest::addColumn<int>("expected"); // red of the blended pixel: source 200, destination 20
    QTest::newRow("opaque copies") << 255 << 200;
    QTest::newRow("zero keeps") << 0 << 20;
    QTest::newRow("100") << 100 << int(std::lround(200 * 100 / 255.0 + 20 * 155 / 255.0));
    QTest::newRow("50") << 50 << int(std::lround(200 * 50 / 255.0 + 20 * 205 / 255.0));
}

void ColourTest::blendBlock() {
    QFETCH(int, alpha);
    QFETCH(int, expected);
    Surface dst(6, 4, 20);
    Surface src(6, 4, 200);
    BlendBlock(dst, 1, 1, 3, 2, src, 0, 0, 3, 2, alpha);
    QCOMPARE(dst.point(1, 1), expected);
    QCOMPARE(dst.point(3, 2), expected);
    QCOMPARE(dst.point(0, 1), 20); // outside the block
    QCOMPARE(dst.point(4, 1), 20);
    QCOMPARE(dst.point(1, 3), 20);
}

QTEST_MAIN(ColourTest)
#include "tst_colour.moc"
