#include "render/Preview.h"

#include "platform/Raster.h"
#include "platform/Surface.h"

#include <QtTest>
#include <cmath>

using namespace imprimata;

namespace {

constexpr ColourValue MarkColour = 30 + 60 * 256 + 220 * 65536;
constexpr ColourValue PreviewColour = 250 + 240 * 256 + 10 * 65536;

QRgb at(const QImage &image, int x, int y) {
    return image.pixel(x, y) & 0x00FFFFFFu;
}

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
    void imageLayout_data();
    void imageLayout();
    void image_data();
    void image();
    void text_data();
    void text();
};

void PreviewTest::imageLayout_data() {
    QTest::addColumn<QSize>("image");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("offset");
    QTest::addColumn<ScreenRect>("capture");
    const ScreenRect largest{240, 214, 560, 366};
    QTest::newRow("small image, box grows by 200 x 100")
        << QSize(100, 40) << QSize(300, 140) << QPoint(100, 50) << ScreenRect{250, 220, 550, 360};
    QTest::newRow("largest image, box capped")
        << QSize(225, 121) << QSize(321, 153) << QPoint(48, 16) << largest;
    QTest::newRow("halves round down to even")
        << QSize(224, 120) << QSize(321, 153) << QPoint(48, 16) << largest;
    QTest::newRow("halves round up to even")
        << QSize(222, 118) << QSize(321, 153) << QPoint(50, 18) << largest;
}

void PreviewTest::imageLayout() {
    QFETCH(QSize, image);
    // The window's centre (400.5, 290.5) rounds to the even (400, 290).
    const ScreenRect window{301, 251, 500, 330};
    const ImagePreviewLayout layout = imagePreviewLayout(image, QSize(321, 153), window);
    QTEST(layout.size, "size");
    QTEST(layout.offset, "offset");
    QTEST(layout.capture, "capture");
}

void PreviewTest::image_data() {
    QTest::addColumn<quint32>("rop");
    QTest::addColumn<int>("transparency");
    QTest::addColumn<int>("alpha");
    QTest::newRow("SrcCopy opaque") << quint32(SrcCopy) << 0 << 255;
    QTest::newRow("MergePaint opaque") << quint32(MergePaint) << 0 << 255;
    QTest::newRow("SrcInvert low") << quint32(SrcInvert) << 1 << 100;
    QTest::newRow("SrcErase high") << quint32(SrcErase) << 2 << 70;
}

void PreviewTest::image() {
    QFETCH(quint32, rop);
    QFETCH(int, transparency);
    QFETCH(int, alpha);
    Surface preview, work(5, 5), image;
    preview.setImage(patterned(300, 140, 0));
    image.setImage(patterned(100, 40, 77));
    const QImage before = preview.image().copy();
    PreviewImageMark(preview, work, image, QPoint(100, 50), {transparency, rop});
    for (int y = 0; y < 140; ++y)
        for (int x = 0; x < 300; ++x) {
            const bool inside = x >= 100 && x < 200 && y >= 50 && y < 90;
            const QRgb bg = at(before, x, y);
            const QRgb mark = inside ? at(image.image(), x - 100, y - 50) : 0;
            const QRgb combined = inside ? applyRasterOp(rop, mark, bg) & 0x00FFFFFFu : bg;
            QVERIFY2(near(at(preview.image(), x, y), bg, combined, alpha),
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
    // Opaque text and flat edges take the preview's own colour, which the editor keeps equal
    // to the mark's.
    const QRgb own = rgbFromColour(PreviewColour);
    QTest::newRow("solid opaque") << 0 << 0 << dark << own << 255;
    QTest::newRow("solid low") << 0 << 1 << dark << QRgb(0) << 100;
    QTest::newRow("solid high") << 0 << 2 << dark << QRgb(0) << 50;
    QTest::newRow("outline flat") << 1 << 0 << dark << own << 255;
    QTest::newRow("outline low relief") << 1 << 1 << dark << QRgb(0) << 150;
    QTest::newRow("outline high relief") << 1 << 2 << dark << QRgb(0) << 220;
    // Lightness and saturation move by 15 or 50 away from the area's averages: on the light
    // picture the lightness falls but the saturation, low on average, rises.
    QTest::newRow("colouring low, dark") << 2 << 0 << dark << qRgb(96, 64, 47) << 255;
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
    PreviewTextMark({preview, text, saved}, {words, MarkColour, mode, level});

    // Where the text lands: every glyph pixel, or for Outline the pixels that differ from
    // their left or upper neighbour.
    glyphs.setForeColour(MarkColour);
    glyphs.print(words);
    const QImage &g = glyphs.image();
    const QRgb bg = background & 0x00FFFFFFu;
    int hits = 0;
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 180; ++x) {
            const QRgb got = at(preview.image(), x, y), p = at(g, x, y);
            const bool hit = mode == 1
                                 ? x > 0 && y > 0 && (p != at(g, x - 1, y) || p != at(g, x, y - 1))
                                 : p != 0x00FFFFFFu;
            hits += hit;
            QVERIFY2(hit ? near(got, bg, colour ? colour : p, alpha) : got == bg,
                     qPrintable(QStringLiteral("pixel (%1, %2)").arg(x).arg(y)));
        }
    QVERIFY(hits > 50);
}

QTEST_MAIN(PreviewTest)
#include "tst_preview.moc"
