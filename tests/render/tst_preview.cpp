#include "render/ColourHelpers.h"
#include "render/Preview.h"

#include "platform/Raster.h"
#include "platform/Surface.h"

#include <QtTest>
#include <cmath>

using namespace imprimata;

namespace {

constexpr ColourValue MarkColour = 30 + 60 * 256 + 220 * 65536;
constexpr ColourValue EdgeColour = 250 + 240 * 256 + 10 * 65536;

QRgb at(const QImage &image, int x, int y) {
    return image.pixel(x, y) & 0x00FFFFFFu;
}

// Whether two colours differ by at most one in every channel (blends may round either way).
bool near(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) <= 1 && std::abs(qGreen(a) - qGreen(b)) <= 1 &&
           std::abs(qBlue(a) - qBlue(b)) <= 1;
}

QRgb blend(QRgb bg, QRgb fg, int alpha) {
    const auto ch = [alpha](int b, int f) {
        return static_cast<int>(std::lround((f * alpha + b * (255 - alpha)) / 255.0));
    };
    return qRgb(ch(qRed(bg), qRed(fg)), ch(qGreen(bg), qGreen(fg)), ch(qBlue(bg), qBlue(fg))) &
           0x00FFFFFFu;
}

QImage patterned(int w, int h, int seed) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y,
                           qRgb(40 + (x * 5 + y * 3 + seed) % 120, 60 + (x * 3 + y * 7) % 90,
                                30 + (x + y * 2 + seed * 3) % 110));
    return image;
}

SharedFont markFont() {
    return makeFont(QStringLiteral("Times New Roman"), 28, true, 204);
}

// The text as a buffer of the preview's size shows it: the reference for glyph pixels.
QImage printedText(int w, int h, const QString &text) {
    Surface s(w, h, White);
    s.setFont(markFont());
    s.setForeColour(MarkColour);
    s.print(text);
    return s.image();
}

bool isGlyph(const QImage &text, int x, int y) {
    return at(text, x, y) != 0x00FFFFFFu;
}

bool isEdge(const QImage &text, int x, int y) {
    if (x < 1 || y < 1)
        return false;
    const QRgb p = at(text, x, y);
    return p != at(text, x - 1, y) || p != at(text, x, y - 1);
}

int lightnessOf(QRgb c) {
    int h = 0, l = 0, s = 0;
    RGBToHLS(qRed(c), qGreen(c), qBlue(c), h, l, s);
    return l;
}

struct TextPreview {
    Surface preview;
    Surface text;
    Surface saved;
    QImage background;

    TextPreview(const QImage &back)
        : preview(back.width(), back.height()), text(back.width(), back.height(), White) {
        preview.setImage(back);
        background = preview.image().copy();
        preview.setFont(markFont());
        preview.setForeColour(EdgeColour);
        text.setFont(markFont());
    }
    void draw(int printMode, int level, const QString &words) {
        TextMarkOptions options;
        options.text = words;
        options.colour = MarkColour;
        options.printMode = printMode;
        options.level = level;
        PreviewTextMark({preview, text, saved}, options);
    }
};

} // namespace

class PreviewTest : public QObject {
    Q_OBJECT

private slots:
    void imageLayout_data();
    void imageLayout();
    void opaqueImageCombinesByRasterOp_data();
    void opaqueImageCombinesByRasterOp();
    void transparentImageBlends_data();
    void transparentImageBlends();
    void solidText_data();
    void solidText();
    void outlineText_data();
    void outlineText();
    void colouringMovesAwayFromTheAverage_data();
    void colouringMovesAwayFromTheAverage();
};

void PreviewTest::imageLayout_data() {
    QTest::addColumn<QSize>("image");
    QTest::addColumn<ScreenRect>("window");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("offset");
    QTest::addColumn<ScreenRect>("capture");

    const ScreenRect window{300, 250, 500, 330}; // centre (400, 290)
    QTest::newRow("small image, box grows by 200 x 100")
        << QSize(100, 40) << window << QSize(300, 140) << QPoint(100, 50)
        << ScreenRect{250, 220, 550, 360};
    QTest::newRow("largest image, box capped") << QSize(225, 121) << window << QSize(321, 153)
                                               << QPoint(48, 16) << ScreenRect{240, 214, 560, 366};
    QTest::newRow("odd gaps round halves down to even")
        << QSize(224, 120) << window << QSize(321, 153) << QPoint(48, 16)
        << ScreenRect{240, 214, 560, 366};
    QTest::newRow("odd gaps round halves up to even")
        << QSize(222, 118) << window << QSize(321, 153) << QPoint(50, 18)
        << ScreenRect{240, 214, 560, 366};
    QTest::newRow("half-pixel window centre")
        << QSize(100, 40) << ScreenRect{10, 20, 131, 61} << QSize(300, 140) << QPoint(100, 50)
        << ScreenRect{-80, -30, 220, 110};
}

void PreviewTest::imageLayout() {
    QFETCH(QSize, image);
    QFETCH(ScreenRect, window);
    const ImagePreviewLayout layout = imagePreviewLayout(image, QSize(321, 153), window);
    QTEST(layout.size, "size");
    QTEST(layout.offset, "offset");
    QTEST(layout.capture, "capture");
}

void PreviewTest::opaqueImageCombinesByRasterOp_data() {
    QTest::addColumn<quint32>("rop");
    QTest::newRow("SrcCopy") << quint32(SrcCopy);
    QTest::newRow("SrcAnd") << quint32(SrcAnd);
    QTest::newRow("SrcInvert") << quint32(SrcInvert);
    QTest::newRow("MergePaint") << quint32(MergePaint);
}

void PreviewTest::opaqueImageCombinesByRasterOp() {
    QFETCH(quint32, rop);
    Surface preview(300, 140), work, image(100, 40);
    preview.setImage(patterned(300, 140, 0));
    image.setImage(patterned(100, 40, 77));
    const QImage before = preview.image().copy();
    PreviewImageMark(preview, work, image, QPoint(100, 50), {0, rop});
    for (int y = 0; y < 140; ++y)
        for (int x = 0; x < 300; ++x) {
            const bool inside = x >= 100 && x < 200 && y >= 50 && y < 90;
            const QRgb expected =
                inside ? applyRasterOp(rop, at(image.image(), x - 100, y - 50), at(before, x, y)) &
                             0x00FFFFFFu
                       : at(before, x, y);
            if (at(preview.image(), x, y) != expected)
                QFAIL(qPrintable(QStringLiteral("pixel (%1, %2)").arg(x).arg(y)));
        }
}

void PreviewTest::transparentImageBlends_data() {
    QTest::addColumn<int>("transparency");
    QTest::addColumn<int>("alpha");
    QTest::newRow("low") << 1 << 100;
    QTest::newRow("high") << 2 << 70;
}

void PreviewTest::transparentImageBlends() {
    QFETCH(int, transparency);
    QFETCH(int, alpha);
    Surface preview(321, 153), work(5, 5), image(225, 121);
    preview.setImage(patterned(321, 153, 3));
    image.setImage(patterned(225, 121, 41));
    const QImage before = preview.image().copy();
    PreviewImageMark(preview, work, image, QPoint(48, 16), {transparency, SrcInvert});
    QCOMPARE(work.width(), 225);
    QCOMPARE(work.height(), 121);
    for (int y = 0; y < 153; ++y)
        for (int x = 0; x < 321; ++x) {
            const bool inside = x >= 48 && x < 48 + 225 && y >= 16 && y < 16 + 121;
            const QRgb bg = at(before, x, y);
            const QRgb expected =
                inside ? blend(bg, (at(image.image(), x - 48, y - 16) ^ bg) & 0x00FFFFFFu, alpha)
                       : bg;
            if (!near(at(preview.image(), x, y), expected))
                QFAIL(qPrintable(QStringLiteral("pixel (%1, %2)").arg(x).arg(y)));
        }
}

void PreviewTest::solidText_data() {
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("alpha");
    QTest::newRow("opaque") << 0 << 255;
    QTest::newRow("low") << 1 << 100;
    QTest::newRow("high") << 2 << 50;
}

void PreviewTest::solidText() {
    QFETCH(int, level);
    QFETCH(int, alpha);
    const QString words = QStringLiteral("Wm 2005");
    TextPreview t(patterned(180, 50, 9));
    t.draw(0, level, words);
    const QImage glyphs = printedText(180, 50, words);
    const QRgb mark = rgbFromColour(MarkColour) & 0x00FFFFFFu;
    int glyphCount = 0;
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 180; ++x) {
            const QRgb bg = at(t.background, x, y);
            const QRgb got = at(t.preview.image(), x, y);
            if (isGlyph(glyphs, x, y)) {
                ++glyphCount;
                // Opaque prints in the preview's own colour, which the editor keeps equal.
                const QRgb want =
                    level == 0 ? rgbFromColour(EdgeColour) & 0x00FFFFFFu : blend(bg, mark, alpha);
                if (!near(got, want))
                    QFAIL(qPrintable(QStringLiteral("glyph pixel (%1, %2)").arg(x).arg(y)));
            } else if (got != bg) {
                QFAIL(qPrintable(QStringLiteral("background pixel (%1, %2)").arg(x).arg(y)));
            }
        }
    QVERIFY(glyphCount > 100);
}

void PreviewTest::outlineText_data() {
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("alpha");
    QTest::newRow("flat") << 0 << 0;
    QTest::newRow("low relief") << 1 << 150;
    QTest::newRow("high relief") << 2 << 220;
}

void PreviewTest::outlineText() {
    QFETCH(int, level);
    QFETCH(int, alpha);
    const QString words = QStringLiteral("Oak");
    TextPreview t(patterned(120, 50, 5));
    t.draw(1, level, words);
    const QImage glyphs = printedText(120, 50, words);
    int edgeCount = 0;
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 120; ++x) {
            const QRgb bg = at(t.background, x, y);
            const QRgb got = at(t.preview.image(), x, y);
            if (!isEdge(glyphs, x, y)) {
                if (got != bg)
                    QFAIL(qPrintable(QStringLiteral("inner pixel (%1, %2)").arg(x).arg(y)));
                continue;
            }
            ++edgeCount;
            // Flat edges take the preview's colour, not the text buffer's.
            const QRgb want = level == 0 ? rgbFromColour(EdgeColour) & 0x00FFFFFFu
                                         : blend(bg, at(glyphs, x, y), alpha);
            if (!near(got, want))
                QFAIL(qPrintable(QStringLiteral("edge pixel (%1, %2)").arg(x).arg(y)));
        }
    QVERIFY(edgeCount > 50);
}

void PreviewTest::colouringMovesAwayFromTheAverage_data() {
    QTest::addColumn<QRgb>("background");
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("lightnessChange");
    QTest::newRow("dark, low") << qRgb(70, 50, 40) << 0 << 15;
    QTest::newRow("dark, middle") << qRgb(70, 50, 40) << 1 << 30;
    QTest::newRow("dark, high") << qRgb(70, 50, 40) << 2 << 50;
    QTest::newRow("light, low") << qRgb(220, 200, 190) << 0 << -15;
    QTest::newRow("light, high") << qRgb(220, 200, 190) << 2 << -50;
}

void PreviewTest::colouringMovesAwayFromTheAverage() {
    QFETCH(QRgb, background);
    QFETCH(int, level);
    QFETCH(int, lightnessChange);
    QImage back(140, 50, QImage::Format_RGB32);
    back.fill(background);
    const QString words = QStringLiteral("Hi");
    TextPreview t(back);
    t.draw(2, level, words);
    const QImage glyphs = printedText(140, 50, words);
    const int before = lightnessOf(background);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 140; ++x) {
            const QRgb got = at(t.preview.image(), x, y);
            if (!isGlyph(glyphs, x, y)) {
                QCOMPARE(got, background & 0x00FFFFFFu);
                continue;
            }
            // The 0..240 scale is coarser than the channels: allow the round trip's drift.
            QVERIFY2(std::abs(lightnessOf(got) - (before + lightnessChange)) <= 2,
                     qPrintable(QStringLiteral("pixel (%1, %2)").arg(x).arg(y)));
        }
}

QTEST_MAIN(PreviewTest)
#include "tst_preview.moc"
