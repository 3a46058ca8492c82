#include "render/Stamp.h"

#include "platform/Raster.h"
#include "platform/Surface.h"

#include <QPainter>
#include <QtTest>
#include <cmath>

using namespace imprimata;

namespace {

constexpr ColourValue MarkColour = 200 + 30 * 256 + 40 * 65536;
constexpr ColourValue Grey = 63 + 63 * 256 + 63 * 65536;
const QString MarkText = QStringLiteral("Ab");

// Rounds (fg * alpha + bg * (255 - alpha)) / 255 per channel.
QRgb blend(QRgb bg, QRgb fg, int alpha) {
    const auto ch = [alpha](int b, int f) {
        return static_cast<int>(std::lround((f * alpha + b * (255 - alpha)) / 255.0));
    };
    return qRgb(ch(qRed(bg), qRed(fg)), ch(qGreen(bg), qGreen(fg)), ch(qBlue(bg), qBlue(fg)));
}

// The eight raster operations, worked out here rather than by the library.
const struct {
    const char *name;
    std::uint32_t code;
    QRgb (*apply)(QRgb s, QRgb d);
} RasterOps[] = {
    {"SrcCopy", 0x00CC0020, [](QRgb s, QRgb) { return s; }},
    {"SrcPaint", 0x00EE0086, [](QRgb s, QRgb d) { return s | d; }},
    {"SrcAnd", 0x008800C6, [](QRgb s, QRgb d) { return s & d; }},
    {"SrcInvert", 0x00660046, [](QRgb s, QRgb d) { return s ^ d; }},
    {"SrcErase", 0x00440328, [](QRgb s, QRgb d) { return s & ~d; }},
    {"NotSrcCopy", 0x00330008, [](QRgb s, QRgb) { return ~s; }},
    {"NotSrcErase", 0x001100A6, [](QRgb s, QRgb d) { return ~(s | d); }},
    {"MergePaint", 0x00BB0226, [](QRgb s, QRgb d) { return ~s | d; }},
};

// A picture with varied colours, so every channel and bit matters.
QImage patterned(int w, int h, int seed) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb((x * 37 + seed) % 256, (y * 53 + seed) % 256, x * y % 256));
    return image;
}

// The placement window's four pictures as it leaves them before an insertion.
struct Placement {
    Surface view, backgroundBuffer, textBuffer, compositeBuffer;
    int w = 0, h = 0;

    Placement(const QString &text, ColourValue colour) {
        SharedFont font = makeFont(QStringLiteral("DejaVu Sans"), 14, true);
        font->font.setPixelSize(22);
        view.setFont(font);
        w = view.textWidth(text) + 2;
        h = view.textHeight(text) + 2;
        for (Surface *s : {&view, &backgroundBuffer, &textBuffer, &compositeBuffer}) {
            s->resize(w, h);
            s->setFont(font);
            s->setForeColour(colour);
        }
        view.print(text);
    }
    PlacementSurfaces surfaces() { return {view, backgroundBuffer, textBuffer, compositeBuffer}; }
    bool edge(int u, int v) const {
        const ColourValue p = view.point(u, v);
        return u >= 1 && v >= 1 && (view.point(u - 1, v) != p || view.point(u, v - 1) != p);
    }
};

} // namespace

class StampTest : public QObject {
    Q_OBJECT

private slots:
    void textModesOnGrey_data();
    void textModesOnGrey();
    void outlineFromOverlapCorner_data();
    void outlineFromOverlapCorner();
    void overlapWiderThan16Bits();
    void imageStamp_data();
    void imageStamp();
};

void StampTest::textModesOnGrey_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("level");
    QTest::addColumn<bool>("white");     // a pure white mark
    QTest::addColumn<QRgb>("colouring"); // glyph colour of Colouring on grey 63
    QTest::addColumn<QPoint>("offset");  // of the mark view hanging off the picture
    QTest::newRow("solid opaque") << 0 << 0 << false << QRgb(0) << QPoint(5, 0);
    QTest::newRow("solid high") << 0 << 2 << false << QRgb(0) << QPoint(0, 4);
    QTest::newRow("outline flat") << 1 << 0 << false << QRgb(0) << QPoint(9, 7);
    QTest::newRow("outline low relief") << 1 << 1 << false << QRgb(0) << QPoint(9, 7);
    QTest::newRow("colouring high") << 2 << 2 << false << qRgb(92, 92, 142) << QPoint(9, 7);
    QTest::newRow("white, solid low") << 0 << 1 << true << QRgb(0) << QPoint(0, 0);
    QTest::newRow("white, colouring high") << 2 << 2 << true << QRgb(0) << QPoint(0, 0);
    // Options out of range, as a record may hold: the last mode, the highest transparency.
    QTest::newRow("mode 3 is colouring") << 3 << 2 << false << qRgb(92, 92, 142) << QPoint(9, 7);
    QTest::newRow("solid, level 5 is high") << 0 << 5 << false << QRgb(0) << QPoint(0, 4);
}

void StampTest::textModesOnGrey() {
    QFETCH(int, mode);
    QFETCH(int, level);
    QFETCH(bool, white);
    QFETCH(QRgb, colouring);
    QFETCH(QPoint, offset);
    // The background buffer holds grey 63. The picture is a shade lighter, so every pixel
    // copied back shows, except with a white mark, which must leave the picture as it was.
    const ColourValue colour = white ? White : MarkColour;
    Placement p(MarkText, colour);
    p.backgroundBuffer.image().fill(rgbFromColour(Grey));
    Surface pic(p.w + 20, p.h + 12, white ? Grey : Grey + 0x010101);
    StampTextMark(pic, p.surfaces(), {0, 0, p.w, p.h}, {7, 5, 7 + p.w, 5 + p.h},
                  {MarkText, colour, PrintMode(mode), Level(level)});

    QImage want(pic.width(), pic.height(), QImage::Format_RGB32);
    const QRgb picture = rgbFromColour(pic.backColour()), back = rgbFromColour(Grey);
    const QRgb mark = rgbFromColour(MarkColour);
    want.fill(picture);
    int glyphs = 0;
    for (int v = 0; v < p.h; ++v)
        for (int u = 0; u < p.w; ++u) {
            const bool glyph = p.view.point(u, v) != White, edge = p.edge(u, v);
            glyphs += glyph;
            QRgb q = back;
            if (mode == 1 && level == 0)
                q = edge ? mark : picture;
            else if (mode > 1)
                q = glyph ? colouring : picture;
            else if (u >= p.w - 1 || v >= p.h - 1) // one column and row short of the overlap
                q = picture;
            else if (mode == 0 && glyph)
                q = level == 0 ? mark : blend(back, mark, level == 1 ? 100 : 50);
            else if (mode == 1 && edge)
                q = blend(back, glyph ? mark : qRgb(255, 255, 255), level == 1 ? 150 : 220);
            want.setPixel(7 + u, 5 + v, q);
        }
    QCOMPARE(pic.image(), want);
    QVERIFY(white || glyphs > 20);

    // The same stamp cut at the picture's left or top edge, the source offset then not (0, 0).
    Placement q(MarkText, colour);
    const int ox = offset.x(), oy = offset.y();
    q.backgroundBuffer.image().fill(Qt::red); // only the part from the source offset on may be read
    QPainter(&q.backgroundBuffer.image()).fillRect(ox, oy, p.w, p.h, QColor(rgbFromColour(Grey)));
    Surface part(pic.width() - 7 - ox, pic.height() - 5 - oy, pic.backColour());
    StampTextMark(part, q.surfaces(), {ox, oy, p.w, p.h}, {0, 0, p.w - ox, p.h - oy},
                  {MarkText, colour, PrintMode(mode), Level(level)});
    QImage whole = pic.image().copy(7 + ox, 5 + oy, part.width(), part.height());
    // Outline finds no edges in the overlap's first column and row: there the picture stays,
    // or the relief copies the background.
    const int pw = p.w - ox, ph = p.h - oy;
    if (mode == 1) {
        for (int v = 0; v < ph; ++v)
            for (int u = 0; u < pw; ++u)
                if (u == 0 || v == 0)
                    whole.setPixel(u, v, level == 0 || u == pw - 1 || v == ph - 1 ? picture : back);
    }
    QCOMPARE(part.image(), whole);
}

void StampTest::outlineFromOverlapCorner_data() {
    QTest::addColumn<int>("level");
    QTest::addColumn<QPoint>("source"); // the overlap's corner in the mark view
    QTest::addColumn<QPoint>("target"); // and in the picture
    QTest::newRow("flat, usual offset (1, 1)") << 0 << QPoint(1, 1) << QPoint(6, 4);
    QTest::newRow("low relief, usual offset") << 1 << QPoint(1, 1) << QPoint(6, 4);
    QTest::newRow("high relief, usual offset") << 2 << QPoint(1, 1) << QPoint(6, 4);
    QTest::newRow("flat, offset (0, 0)") << 0 << QPoint(0, 0) << QPoint(6, 4);
    QTest::newRow("flat, off the picture's top left") << 0 << QPoint(5, 3) << QPoint(0, 0);
    QTest::newRow("high relief, off the picture's left") << 2 << QPoint(4, 1) << QPoint(0, 4);
}

// The edges are those of the mark view read from the source offset, with none in the
// overlap's first column and row even where the glyphs cross into it.
void StampTest::outlineFromOverlapCorner() {
    QFETCH(int, level);
    QFETCH(QPoint, source);
    QFETCH(QPoint, target);
    const int sx = source.x(), sy = source.y(), tx = target.x(), ty = target.y();
    const int vw = 30, vh = 18;
    const int w = vw - 1 - sx, h = vh - 1 - sy; // the overlap ends one short of the view's rim
    const QRgb mark = rgbFromColour(MarkColour), white = qRgb(255, 255, 255);
    const QRgb back = rgbFromColour(Grey);

    // Scattered glyph pixels, so the overlap's first column and row cross many of them. The
    // text buffer shows the same glyphs, as printing the text would have drawn them.
    QImage glyphs(vw, vh, QImage::Format_RGB32);
    for (int y = 0; y < vh; ++y)
        for (int x = 0; x < vw; ++x)
            glyphs.setPixel(x, y, (x * 7 + y * 11 + x * y) % 5 < 2 ? mark : white);
    Surface view, backgroundBuffer(vw, vh, Grey), textBuffer, compositeBuffer(vw, vh), pic;
    view.setImage(glyphs);
    textBuffer.setImage(glyphs.copy());
    pic.setImage(patterned(40, 30, 5));
    QImage want = pic.image().copy();
    StampTextMark(pic, {view, backgroundBuffer, textBuffer, compositeBuffer},
                  {sx, sy, sx + w, sy + h}, {tx, ty, tx + w, ty + h},
                  {QString(), MarkColour, PrintMode::Outline, Level(level)});

    const auto g = [&](int x, int y) { return glyphs.pixel(sx + x, sy + y); };
    int crossings = 0; // glyph borders between the overlap's first column or row and beyond
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            crossings += (x == 0 && sx > 0 && glyphs.pixel(sx - 1, sy + y) != g(x, y)) +
                         (y == 0 && sy > 0 && glyphs.pixel(sx + x, sy - 1) != g(x, y));
            const bool edge =
                x >= 1 && y >= 1 && (g(x - 1, y) != g(x, y) || g(x, y - 1) != g(x, y));
            if (level == 0 && edge)
                want.setPixel(tx + x, ty + y, mark);
            else if (level > 0 && x < w - 1 && y < h - 1)
                want.setPixel(tx + x, ty + y,
                              edge ? blend(back, g(x, y), level == 1 ? 150 : 220) : back);
        }
    QVERIFY(sx == 0 || crossings > 5);
    QCOMPARE(pic.image(), want);
}

void StampTest::overlapWiderThan16Bits() {
    // The text stamp copies (W - 1) x (H - 1) pixels, the image stamp all W x H.
    const int w = 40000;
    const ColourValue red = 220, green = 180 * 256;
    Surface view(w, 5, red), backgroundBuffer(w, 5, green), textBuffer(w, 5), compositeBuffer(w, 5);
    Surface pic(w, 3, Grey);
    const ScreenRect overlap{0, 0, w, 3};
    StampTextMark(pic, {view, backgroundBuffer, textBuffer, compositeBuffer}, overlap, overlap,
                  {MarkText, MarkColour});
    QCOMPARE(pic.point(w - 2, 1), green);
    QCOMPARE(pic.point(w - 1, 1), Grey);
    QCOMPARE(pic.point(w - 2, 2), Grey);
    StampImageMark(pic, {view, backgroundBuffer, textBuffer, compositeBuffer}, overlap, overlap,
                   {Transparency::Opaque, SrcCopy});
    QCOMPARE(pic.point(w - 1, 2), red);
    QCOMPARE(pic.point(32768, 0), red);
}

void StampTest::imageStamp_data() {
    QTest::addColumn<int>("op");
    QTest::addColumn<int>("transparency");
    QTest::addColumn<int>("alpha");
    for (int op = 0; op < 8; ++op) {
        QTest::addRow("%s opaque", RasterOps[op].name) << op << 0 << 255;
        QTest::addRow("%s low", RasterOps[op].name) << op << 1 << 100;
        QTest::addRow("%s high", RasterOps[op].name) << op << 2 << 70;
    }
    QTest::newRow("transparency 3 is high") << 3 << 3 << 70;
}

void StampTest::imageStamp() {
    QFETCH(int, op);
    QFETCH(int, transparency);
    QFETCH(int, alpha);
    Surface view, backgroundBuffer(30, 20), textBuffer(30, 20), compositeBuffer(30, 20), pic;
    const QImage mark = patterned(30, 20, 90);
    view.setImage(mark);
    pic.setImage(patterned(40, 30, 0));
    QImage want = pic.image().copy();

    // The mark view overlaps the picture's right part, from its own (3, 1) on, so the work
    // buffer too is used at the source offset.
    const ScreenRect source{3, 1, 30, 20}, target{13, 9, 40, 28};
    StampImageMark(pic, {view, backgroundBuffer, textBuffer, compositeBuffer}, source, target,
                   {Transparency(transparency), RasterOp(RasterOps[op].code)});
    for (int y = target.top; y < target.bottom; ++y)
        for (int x = target.left; x < target.right; ++x) {
            const QRgb p = want.pixel(x, y);
            const QRgb m = mark.pixel(x - target.left + source.left, y - target.top + source.top);
            const QRgb combined = RasterOps[op].apply(m, p);
            want.setPixel(x, y, transparency == 0 ? combined : blend(p, combined, alpha));
        }
    QCOMPARE(pic.image(), want);
}

QTEST_MAIN(StampTest)
#include "tst_stamp.moc"
