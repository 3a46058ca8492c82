#include "models/StampModel.h"
#include "render/Stamp.h"
#include "render/Stamped.h"

#include "platform/Raster.h"
#include "platform/Surface.h"

#include <QtTest>

using namespace imprimata;

constexpr ColourValue MarkColour = 200 + 30 * 256 + 40 * 65536;
const QString MarkText = QStringLiteral("Ab");

class StampTest : public QObject {
    Q_OBJECT

private slots:
    void textStamp_data();
    void textStamp();
    void overlapWiderThan16Bits();
    void imageStamp_data();
    void imageStamp();
};

void StampTest::textStamp_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("level");
    QTest::addColumn<ColourValue>("colour");
    QTest::addColumn<QRgb>("fill");  // of the picture; 0 for a varied one
    QTest::addColumn<QPoint>("at");  // the view's top-left pixel in the 60 x 44 picture
    QTest::addColumn<QRgb>("glyph"); // worked colour of every stamped pixel; 0 to skip
    const QPoint in(7, 5), topLeft(-6, -5), bottomRight(40, 30);
    const ColourValue c = MarkColour;
    const QRgb grey = qRgb(63, 63, 63), red = qRgb(177, 77, 77); // lightness 60; 120
    QTest::newRow("solid opaque, off the bottom right") << 0 << 0 << c << 0u << bottomRight << 0u;
    QTest::newRow("solid low") << 0 << 1 << c << 0u << in << 0u;
    QTest::newRow("solid high, off the top left") << 0 << 2 << c << 0u << topLeft << 0u;
    QTest::newRow("solid, level 5 is high") << 0 << 5 << c << 0u << in << 0u;
    QTest::newRow("outline flat, off the top left") << 1 << 0 << c << 0u << topLeft << 0u;
    QTest::newRow("outline low, off the bottom right") << 1 << 1 << c << 0u << bottomRight << 0u;
    QTest::newRow("outline high relief") << 1 << 2 << c << 0u << in << 0u;
    // Hue 160 lightness 110 saturation 50: greys take on a bluish hue.
    QTest::newRow("colouring high on grey") << 2 << 2 << c << grey << in << qRgb(92, 92, 142);
    QTest::newRow("mode 3 is colouring") << 3 << 2 << c << grey << in << qRgb(92, 92, 142);
    QTest::newRow("colouring, level 5 steps 15") << 2 << 5 << c << grey << in << qRgb(75, 75, 86);
    // An average lightness of exactly 120 counts as dark: (0, 120, 95) becomes (0, 135, 110).
    QTest::newRow("colouring low, average 120") << 2 << 0 << c << red << in << qRgb(195, 94, 93);
    // White one column past the picture's right edge lifts that average over 120: darker.
    QTest::newRow("colouring low, white past the edge")
        << 2 << 0 << c << red << QPoint(40, 5) << qRgb(164, 61, 60);
    // The average takes in white one column and row past the picture.
    QTest::newRow("colouring middle, off the bottom right")
        << 2 << 1 << c << 0u << bottomRight << 0u;
    // A white mark has no glyph pixels: the picture stays as it was.
    QTest::newRow("white, solid low") << 0 << 1 << White << 0u << in << 0u;
    QTest::newRow("white, colouring high") << 2 << 2 << White << 0u << in << 0u;
}

void StampTest::textStamp() {
    QFETCH(int, mode);
    QFETCH(int, level);
    QFETCH(ColourValue, colour);
    QFETCH(QRgb, fill);
    QFETCH(QPoint, at);
    QFETCH(QRgb, glyph);
    SharedFont font = makeFont(QStringLiteral("DejaVu Sans"), 14, true);
    font->font.setPixelSize(22);
    Surface view;
    view.setFont(font);
    view.resize(view.textWidth(MarkText) + 2, view.textHeight(MarkText) + 2);
    view.setForeColour(colour);
    view.print(MarkText);
    QImage before = model::varied({60, 44}, 0);
    if (fill)
        before.fill(fill);
    const QImage got =
        stamped(before, view.image(), QImage(), at, StampTextMark,
                TextMarkOptions{MarkText, colour, PrintMode(mode), Level(level)}, font);
    QCOMPARE(got, model::expectedTextStamp(before, view.image(), at, rgbFromColour(colour), mode,
                                           level));
    QCOMPARE(got == before, colour == White);
    for (int y = 0; glyph && y < got.height(); ++y)
        for (int x = 0; x < got.width(); ++x)
            QVERIFY(got.pixel(x, y) == fill || got.pixel(x, y) == glyph);
}

void StampTest::overlapWiderThan16Bits() {
    // The text stamp copies (W - 1) x (H - 1) pixels, the image stamp all W x H.
    const int w = 40000;
    const ColourValue red = 220, green = 180 * 256;
    Surface view(w, 5, red), backgroundBuffer(w, 5, green), textBuffer(w, 5), compositeBuffer(w, 5);
    Surface pic(w, 3);
    const ScreenRect overlap{0, 0, w, 3};
    StampTextMark(pic, {view, backgroundBuffer, textBuffer, compositeBuffer}, overlap, overlap,
                  {MarkText, MarkColour});
    QVERIFY(pic.point(w - 2, 1) == green && pic.point(w - 1, 1) == White &&
            pic.point(w - 2, 2) == White);
    StampImageMark(pic, {view, backgroundBuffer, textBuffer, compositeBuffer}, overlap, overlap,
                   {Transparency::Opaque, SrcCopy});
    QVERIFY(pic.point(w - 1, 2) == red && pic.point(32768, 0) == red);
}

void StampTest::imageStamp_data() {
    QTest::addColumn<std::uint32_t>("op");
    QTest::addColumn<int>("transparency");
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<QRgb>("fill"); // of the picture, the mark then white; 0 for varied ones
    QTest::addColumn<QRgb>("worked");
    const std::pair<const char *, RasterOp> ops[] = {
        {"SrcCopy", SrcCopy},         {"SrcPaint", SrcPaint},    {"SrcAnd", SrcAnd},
        {"SrcInvert", SrcInvert},     {"SrcErase", SrcErase},    {"NotSrcCopy", NotSrcCopy},
        {"NotSrcErase", NotSrcErase}, {"MergePaint", MergePaint}};
    for (const auto &[name, op] : ops) {
        QTest::addRow("%s opaque", name) << std::uint32_t(op) << 0 << QPoint(12, 8) << 0u << 0u;
        QTest::addRow("%s low", name) << std::uint32_t(op) << 1 << QPoint(-4, -3) << 0u << 0u;
        QTest::addRow("%s high", name) << std::uint32_t(op) << 2 << QPoint(12, 8) << 0u << 0u;
    }
    QTest::newRow("transparency 3 is high")
        << std::uint32_t(SrcAnd) << 3 << QPoint(3, 2) << 0u << 0u;
    // White over P: P x 155 / 255 + (NOT P) x 100 / 255.
    QTest::newRow("SrcInvert low, white mark") << std::uint32_t(SrcInvert) << 1 << QPoint(3, 2)
                                               << qRgb(200, 100, 50) << qRgb(143, 122, 111);
}

void StampTest::imageStamp() {
    QFETCH(std::uint32_t, op);
    QFETCH(int, transparency);
    QFETCH(QPoint, at);
    QFETCH(QRgb, fill);
    QFETCH(QRgb, worked);
    QImage mark = model::varied({30, 20}, 90), before = model::varied({40, 30}, 0);
    if (fill)
        mark.fill(Qt::white), before.fill(fill);
    const QImage got = stamped(before, mark, QImage(), at, StampImageMark,
                               ImageMarkOptions{Transparency(transparency), RasterOp(op)});
    QCOMPARE(got, model::expectedImageStamp(before, mark, at, op, transparency));
    // The overlap runs from (4, 3) to (31, 20), the view's rim left out.
    QVERIFY(!fill || (got.pixel(4, 3) == worked && got.pixel(31, 20) == worked &&
                      got.pixel(32, 21) == fill && got.pixel(3, 3) == fill));
}

QTEST_MAIN(StampTest)
#include "tst_stamp.moc"
