#include "render/Preview.h"

#include "platform/Surface.h"

#include <QtTest>
#include <cmath>

using namespace imprimata;

namespace {

constexpr ColourValue MarkColour = 30 + 60 * 256 + 220 * 65536;
constexpr ColourValue PreviewColour = 250 + 240 * 256 + 10 * 65536;

// Blends may round either way: one step in any channel is allowed.
bool near(QRgb got, QRgb bg, QRgb fg, int alpha) {
    const auto ch = [&](int g, int b, int f) {
        return std::abs(g - (f * alpha + b * (255 - alpha)) / 255.0) <= 1;
    };
    return ch(qRed(got), qRed(bg), qRed(fg)) && ch(qGreen(got), qGreen(bg), qGreen(fg)) &&
           ch(qBlue(got), qBlue(bg), qBlue(fg));
}

QImage patterned(int w, int h, int seed) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb((x * 37 + seed) % 256, (y * 53 + seed) % 256, x * y % 256));
    return image;
}

} // namespace

class PreviewTest : public QObject {
    Q_OBJECT

private slots:
    void image_data();
    void image();
    void text_data();
    void text();
};

void PreviewTest::image_data() {
    QTest::addColumn<QSize>("image");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("offset");
    QTest::addColumn<ScreenRect>("capture");
    QTest::newRow("small image, box grows by 200 x 100")
        << QSize(100, 40) << QSize(300, 140) << QPoint(100, 50) << ScreenRect{250, 220, 550, 360};
    QTest::newRow("largest image, box capped")
        << QSize(225, 121) << QSize(321, 153) << QPoint(48, 16) << ScreenRect{240, 214, 560, 366};
}

void PreviewTest::image() {
    QFETCH(QSize, image);
    // The window's centre (400.5, 290.5) rounds to the even (400, 290).
    const ImagePreviewLayout layout = imagePreviewLayout(image, {321, 153}, {301, 251, 500, 330});
    QTEST(layout.size, "size");
    QTEST(layout.offset, "offset");
    QTEST(layout.capture, "capture");

    Surface preview, work(5, 5), mark;
    preview.setImage(patterned(layout.size.width(), layout.size.height(), 0));
    mark.setImage(patterned(image.width(), image.height(), 77));
    const QImage before = preview.image().copy();
    // Combined by the raster operation, then blended with alpha 100.
    PreviewImageMark(preview, work, mark, layout.offset, {Transparency::Low, SrcInvert});
    const QRect inside(layout.offset, image);
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x) {
            const QRgb bg = before.pixel(x, y);
            const QPoint m = QPoint(x, y) - layout.offset;
            const QRgb combined = inside.contains(x, y) ? (mark.image().pixel(m) ^ bg) : bg;
            QVERIFY2(near(preview.image().pixel(x, y), bg, combined, 100),
                     qPrintable(QStringLiteral("pixel (%1, %2)").arg(x).arg(y)));
        }
}

void PreviewTest::text_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("level");
    QTest::addColumn<QRgb>("background");
    QTest::addColumn<QRgb>("colour"); // blended in where the text lands; 0 for the text's own
    QTest::addColumn<int>("alpha");
    const QRgb dark = qRgb(70, 50, 40), light = qRgb(220, 200, 190);
    // Flat edges take the preview's own colour, which the editor keeps equal to the mark's.
    const QRgb own = rgbFromColour(PreviewColour);
    QTest::newRow("solid low") << 0 << 1 << dark << QRgb(0) << 100;
    QTest::newRow("outline flat") << 1 << 0 << dark << own << 255;
    // Lightness and saturation move by 50 away from the area's averages: on the light
    // picture the lightness falls but the saturation, low on average, rises.
    QTest::newRow("colouring high, dark") << 2 << 2 << dark << qRgb(162, 91, 56) << 255;
    QTest::newRow("colouring high, light") << 2 << 2 << light << qRgb(204, 135, 101) << 255;
}

void PreviewTest::text() {
    QFETCH(int, mode);
    QFETCH(int, level);
    QFETCH(QRgb, background);
    QFETCH(QRgb, colour);
    QFETCH(int, alpha);
    const QString words = QStringLiteral("Oak 2005");
    const SharedFont font = makeFont(QStringLiteral("Times New Roman"), 28, true, 204);
    Surface preview(180, 50, colourFromRgb(background)), text(180, 50), saved, glyphs(180, 50);
    for (Surface *s : {&preview, &text, &glyphs})
        s->setFont(font);
    preview.setForeColour(PreviewColour);
    PreviewTextMark({preview, text, saved}, {words, MarkColour, PrintMode(mode), Level(level)});

    // Where the text lands: every glyph pixel, or for Outline the pixels that differ from
    // their left or upper neighbour.
    glyphs.setForeColour(MarkColour);
    glyphs.print(words);
    const QImage &g = glyphs.image();
    int hits = 0;
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 180; ++x) {
            const QRgb got = preview.image().pixel(x, y), p = g.pixel(x, y);
            const bool hit =
                mode == 1 ? x > 0 && y > 0 && (p != g.pixel(x - 1, y) || p != g.pixel(x, y - 1))
                          : p != qRgb(255, 255, 255);
            hits += hit;
            QVERIFY2(hit ? near(got, background, colour ? colour : p, alpha) : got == background,
                     qPrintable(QStringLiteral("pixel (%1, %2)").arg(x).arg(y)));
        }
    QVERIFY(hits > 50);
}

QTEST_MAIN(PreviewTest)
#include "tst_preview.moc"
