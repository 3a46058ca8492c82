#include "render/Stamp.h"

#include "platform/Raster.h"
#include "platform/Surface.h"

#include <QtTest>
#include <cmath>

using namespace imprimata;

namespace {

constexpr ColourValue MarkColour = 200 + 30 * 256 + 40 * 65536;
constexpr ColourValue Grey = 63 + 63 * 256 + 63 * 65536;
const QString MarkText = QStringLiteral("Ab");

QRgb at(const QImage &image, int x, int y) {
    return image.pixel(x, y) & 0x00FFFFFFu;
}

QRgb rgb(ColourValue c) {
    return rgbFromColour(c) & 0x00FFFFFFu;
}

// Rounds (fg * alpha + bg * (255 - alpha)) / 255 per channel.
QRgb blend(QRgb bg, QRgb fg, int alpha) {
    const auto ch = [alpha](int b, int f) {
        return static_cast<int>(std::lround((f * alpha + b * (255 - alpha)) / 255.0));
    };
    return qRgb(ch(qRed(bg), qRed(fg)), ch(qGreen(bg), qGreen(fg)), ch(qBlue(bg), qBlue(fg))) &
           0x00FFFFFFu;
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
    Surface view, work1, work2, work3;
    int w = 0, h = 0;

    Placement(const QString &text, ColourValue colour) {
        SharedFont font = makeFont(QStringLiteral("DejaVu Sans"), 14, true);
        font->font.setPixelSize(22);
        view.setFont(font);
        w = view.textWidth(text) + 2;
        h = view.textHeight(text) + 2;
        for (Surface *s : {&view, &work1, &work2, &work3}) {
            s->resize(w, h);
            s->setFont(font);
            s->setForeColour(colour);
        }
        view.print(text);
    }
    PlacementSurfaces surfaces() { return {view, work1, work2, work3}; }
    bool glyph(int u, int v) const { return view.point(u, v) != White; }
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
    void overlapWiderThan16Bits();
    void stampOffEdgeMatchesWholeStamp_data();
    void stampOffEdgeMatchesWholeStamp();
    void imageStamp_data();
    void imageStamp();
};

void StampTest::textModesOnGrey_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("level");
    QTest::addColumn<bool>("white");     // a pure white mark
    QTest::addColumn<QRgb>("colouring"); // glyph colour of Colouring on grey 63
    QTest::newRow("solid opaque") << 0 << 0 << false << QRgb(0);
    QTest::newRow("solid low") << 0 << 1 << false << QRgb(0);
    QTest::newRow("solid high") << 0 << 2 << false << QRgb(0);
    QTest::newRow("outline flat") << 1 << 0 << false << QRgb(0);
    QTest::newRow("outline low relief") << 1 << 1 << false << QRgb(0);
    QTest::newRow("outline high relief") << 1 << 2 << false << QRgb(0);
    QTest::newRow("colouring low") << 2 << 0 << false << qRgb(75, 75, 86);
    QTest::newRow("colouring middle") << 2 << 1 << false << qRgb(84, 84, 109);
    QTest::newRow("colouring high") << 2 << 2 << false << qRgb(92, 92, 142);
    QTest::newRow("colouring, other level") << 7 << 9 << false << qRgb(75, 75, 86);
    QTest::newRow("white, solid low") << 0 << 1 << true << QRgb(0);
    QTest::newRow("white, outline flat") << 1 << 0 << true << QRgb(0);
    QTest::newRow("white, outline high relief") << 1 << 2 << true << QRgb(0);
    QTest::newRow("white, colouring high") << 2 << 2 << true << QRgb(0);
}

void StampTest::textModesOnGrey() {
    QFETCH(int, mode);
    QFETCH(int, level);
    QFETCH(bool, white);
    QFETCH(QRgb, colouring);
    // The background buffer holds grey 63. The picture is a shade lighter, so every pixel
    // copied back shows, except with a white mark, which must leave the picture as it was.
    Placement p(MarkText, white ? White : MarkColour);
    p.work1.image().fill(rgbFromColour(Grey));
    Surface pic(p.w + 20, p.h + 12, white ? Grey : Grey + 0x010101);
    const ScreenRect target{7, 5, 7 + p.w, 5 + p.h};
    StampTextMark(pic, p.surfaces(), {0, 0, p.w, p.h}, target,
                  {MarkText, white ? White : MarkColour, mode, level});

    const QRgb back = rgb(Grey), picture = rgb(pic.backColour()), mark = rgb(MarkColour);
    const auto expected = [&](int u, int v) -> QRgb {
        const bool glyph = p.glyph(u, v), edge = p.edge(u, v);
        if (mode == 1 && level == 0)
            return edge ? mark : picture;
        if (mode > 1)
            return glyph ? (colouring & 0x00FFFFFFu) : picture;
        if (u >= p.w - 1 || v >= p.h - 1) // one column and row short of the overlap
            return picture;
        if (mode == 0 && glyph)
            return level == 0 ? mark : blend(back, mark, level == 1 ? 100 : 50);
        if (mode == 1 && edge)
            return blend(back, glyph ? mark : 0x00FFFFFFu, level == 1 ? 150 : 220);
        return back;
    };
    int marked = 0;
    for (int y = 0; y < pic.height(); ++y)
        for (int x = 0; x < pic.width(); ++x) {
            const int u = x - target.left, v = y - target.top;
            const bool inside = u >= 0 && v >= 0 && u < p.w && v < p.h;
            const QRgb got = at(pic.image(), x, y);
            QVERIFY2(got == (inside ? expected(u, v) : picture),
                     qPrintable(QStringLiteral("pixel (%1, %2)").arg(x).arg(y)));
            marked += got != picture && got != back;
        }
    QVERIFY(white || marked > 20);
}

void StampTest::overlapWiderThan16Bits() {
    // The text stamp copies (W - 1) x (H - 1) pixels, the image stamp all W x H.
    const int w = 40000;
    const ColourValue red = 220, green = 180 * 256;
    Surface view(w, 5, red), work1(w, 5, green), work2(w, 5), work3(w, 5);
    Surface pic(w, 3, Grey);
    const ScreenRect overlap{0, 0, w, 3};
    StampTextMark(pic, {view, work1, work2, work3}, overlap, overlap, {MarkText, MarkColour});
    QCOMPARE(pic.point(w - 2, 1), green);
    QCOMPARE(pic.point(w - 1, 1), Grey);
    QCOMPARE(pic.point(w - 2, 2), Grey);
    StampImageMark(pic, {view, work1, work2, work3}, overlap, overlap, {0, SrcCopy});
    QCOMPARE(pic.point(w - 1, 2), red);
    QCOMPARE(pic.point(32768, 0), red);
}

void StampTest::stampOffEdgeMatchesWholeStamp_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("level");
    QTest::addColumn<QPoint>("offset");
    const struct {
        const char *name;
        int mode, level;
    } stamps[] = {{"solid opaque", 0, 0},
                  {"solid low", 0, 1},
                  {"outline flat", 1, 0},
                  {"outline high", 1, 2},
                  {"colouring high", 2, 2}};
    for (const auto &s : stamps) {
        QTest::addRow("%s, off left", s.name) << s.mode << s.level << QPoint(5, 0);
        QTest::addRow("%s, off top", s.name) << s.mode << s.level << QPoint(0, 4);
        QTest::addRow("%s, off both", s.name) << s.mode << s.level << QPoint(9, 7);
    }
}

void StampTest::stampOffEdgeMatchesWholeStamp() {
    QFETCH(int, mode);
    QFETCH(int, level);
    QFETCH(QPoint, offset);
    const auto stamp = [&](Surface &pic, const ScreenRect &source, const ScreenRect &target) {
        Placement p(MarkText, MarkColour);
        // The insertion's background copy, one column and one row beyond the overlap.
        blockCopy(p.work1.image(), source.left, source.top, source.width() + 1, source.height() + 1,
                  pic.image(), target.left, target.top);
        StampTextMark(pic, p.surfaces(), source, target, {MarkText, MarkColour, mode, level});
    };
    const Placement size(MarkText, MarkColour);
    const int w = size.w, h = size.h, ox = offset.x(), oy = offset.y();

    // The whole stamp well inside the picture, then the same place cut out so that the
    // mark view hangs off the picture's left or top edge.
    const QImage original = patterned(w + 40, h + 30, 0);
    Surface full;
    full.setImage(original);
    stamp(full, {0, 0, w, h}, {20, 15, 20 + w, 15 + h});
    const QRect cut(20 + ox, 15 + oy, original.width() - 20 - ox, original.height() - 15 - oy);
    Surface part;
    part.setImage(original.copy(cut));
    stamp(part, {ox, oy, w, h}, {0, 0, w - ox, h - oy});

    QVERIFY(part.image() != original.copy(cut));
    QCOMPARE(part.image(), full.image().copy(cut));
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
    QTest::newRow("any other transparency is high") << 3 << 5 << 70;
}

void StampTest::imageStamp() {
    QFETCH(int, op);
    QFETCH(int, transparency);
    QFETCH(int, alpha);
    Surface view, work1(30, 20), work2(30, 20), work3(30, 20), pic;
    const QImage mark = patterned(30, 20, 90);
    view.setImage(mark);
    pic.setImage(patterned(40, 30, 0));
    const QImage before = pic.image().copy();

    // The mark view overlaps the picture's right part, from its own (3, 1) on, so the work
    // buffer too is used at the source offset.
    const ScreenRect source{3, 1, 30, 20};
    const ScreenRect target{13, 9, 40, 28};
    StampImageMark(pic, {view, work1, work2, work3}, source, target,
                   {transparency, RasterOps[op].code});
    for (int y = 0; y < pic.height(); ++y)
        for (int x = 0; x < pic.width(); ++x) {
            const QRgb p = at(before, x, y);
            QRgb want = p;
            if (x >= target.left && x < target.right && y >= target.top && y < target.bottom) {
                const QRgb m = at(mark, x - target.left + source.left, y - target.top + source.top);
                const QRgb combined = RasterOps[op].apply(m, p) & 0x00FFFFFFu;
                want = transparency == 0 ? combined : blend(p, combined, alpha);
            }
            QVERIFY2(at(pic.image(), x, y) == want,
                     qPrintable(QStringLiteral("pixel (%1, %2)").arg(x).arg(y)));
        }
}

QTEST_MAIN(StampTest)
#include "tst_stamp.moc"
