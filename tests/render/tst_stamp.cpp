#include "render/ColourHelpers.h"
#include "render/Stamp.h"
#include "render/StampPasses.h"

#include "platform/Raster.h"
#include "platform/Surface.h"

#include <QtTest>
#include <cmath>
#include <functional>
#include <memory>

using namespace imprimata;

namespace {

constexpr ColourValue MarkColour = 200 + 30 * 256 + 40 * 65536;
const QString MarkText = QStringLiteral("Ab");

QRgb rgb(ColourValue c) {
    return rgbFromColour(c) & 0x00FFFFFFu;
}
QRgb at(const QImage &image, int x, int y) {
    return image.pixel(x, y) & 0x00FFFFFFu;
}

// Rounds (fg * alpha + bg * (255 - alpha)) / 255 per channel.
QRgb blend(QRgb bg, QRgb fg, int alpha) {
    const auto ch = [alpha](int b, int f) {
        return static_cast<int>(std::lround((f * alpha + b * (255 - alpha)) / 255.0));
    };
    return qRgb(ch(qRed(bg), qRed(fg)), ch(qGreen(bg), qGreen(fg)), ch(qBlue(bg), qBlue(fg))) &
           0x00FFFFFFu;
}

QRgb rop(std::uint32_t code, QRgb s, QRgb d) {
    QRgb r = 0;
    switch (code) {
    case 0x00CC0020:
        r = s;
        break;
    case 0x00EE0086:
        r = s | d;
        break;
    case 0x008800C6:
        r = s & d;
        break;
    case 0x00660046:
        r = s ^ d;
        break;
    case 0x00440328:
        r = s & ~d;
        break;
    case 0x00330008:
        r = ~s;
        break;
    case 0x001100A6:
        r = ~(s | d);
        break;
    case 0x00BB0226:
        r = ~s | d;
        break;
    }
    return r & 0x00FFFFFFu;
}

// A picture with varied, darkish colours, so every channel and bit matters.
QImage patterned(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(
                x, y,
                qRgb(40 + (x * 5 + y * 3) % 50, 60 + (x * 3 + y * 7) % 40, 30 + (x + y * 2) % 60));
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
            s->setCurrentPosition(0, 0);
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

// The insertion's background copy: one column and one row beyond the overlap.
void copyBackground(Surface &pic, Placement &p, const ScreenRect &source,
                    const ScreenRect &target) {
    blockCopy(p.work1.image(), source.left, source.top, source.width() + 1, source.height() + 1,
              pic.image(), target.left, target.top);
}

TextMarkOptions textOptions(int mode, int level, ColourValue colour = MarkColour) {
    TextMarkOptions o;
    o.text = MarkText;
    o.colour = colour;
    o.printMode = mode;
    o.level = level;
    return o;
}

} // namespace

class StampTest : public QObject {
    Q_OBJECT

private slots:
    void glyphsCarryTheExactMarkColour();
    void textModesOnGrey_data();
    void textModesOnGrey();
    void textStampLeavesLastColumnAndRow_data();
    void textStampLeavesLastColumnAndRow();
    void imageStampCoversWholeOverlap();
    void whiteMarkLeavesPictureUnchanged_data();
    void whiteMarkLeavesPictureUnchanged();
    void noEdgesInFirstColumnOrRow();
    void colouringDirection_data();
    void colouringDirection();
    void stampOffEdgeMatchesWholeStamp_data();
    void stampOffEdgeMatchesWholeStamp();
    void imageStamp_data();
    void imageStamp();
    void overlapWiderThan16Bits();
};

void StampTest::glyphsCarryTheExactMarkColour() {
    Placement p(MarkText, MarkColour);
    int glyphs = 0;
    for (int v = 0; v < p.h; ++v)
        for (int u = 0; u < p.w; ++u) {
            const ColourValue c = p.view.point(u, v);
            QVERIFY(c == White || c == MarkColour);
            glyphs += c == MarkColour;
        }
    QVERIFY(glyphs > 50);
}

void StampTest::textModesOnGrey_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("level");
    QTest::addColumn<QRgb>("colouring"); // glyph colour of Colouring on grey 63
    QTest::newRow("solid opaque") << 0 << 0 << QRgb(0);
    QTest::newRow("solid low") << 0 << 1 << QRgb(0);
    QTest::newRow("solid high") << 0 << 2 << QRgb(0);
    QTest::newRow("outline flat") << 1 << 0 << QRgb(0);
    QTest::newRow("outline low relief") << 1 << 1 << QRgb(0);
    QTest::newRow("outline high relief") << 1 << 2 << QRgb(0);
    QTest::newRow("colouring low") << 2 << 0 << qRgb(75, 75, 86);
    QTest::newRow("colouring middle") << 2 << 1 << qRgb(84, 84, 109);
    QTest::newRow("colouring high") << 2 << 2 << qRgb(92, 92, 142);
    QTest::newRow("colouring, other level") << 7 << 9 << qRgb(75, 75, 86);
}

void StampTest::textModesOnGrey() {
    QFETCH(int, mode);
    QFETCH(int, level);
    QFETCH(QRgb, colouring);
    Placement p(MarkText, MarkColour);
    const QRgb grey = qRgb(63, 63, 63) & 0x00FFFFFFu;
    Surface pic(p.w + 20, p.h + 12, 63 + 63 * 256 + 63 * 65536);
    const ScreenRect source{0, 0, p.w, p.h};
    const ScreenRect target{7, 5, 7 + p.w, 5 + p.h};
    copyBackground(pic, p, source, target);
    StampTextMark(pic, p.surfaces(), source, target, textOptions(mode, level));

    const QRgb mark = rgb(MarkColour);
    const QRgb white = 0x00FFFFFF;
    const std::function<QRgb(int, int)> expected = [&](int u, int v) -> QRgb {
        const bool copied = u < p.w - 1 && v < p.h - 1;
        if (mode == 0 && level == 0)
            return copied && p.glyph(u, v) ? mark : grey;
        if (mode == 0)
            return copied && p.glyph(u, v) ? blend(grey, mark, level == 1 ? 100 : 50) : grey;
        if (mode == 1 && level == 0)
            return p.edge(u, v) ? mark : grey;
        if (mode == 1)
            return copied && p.edge(u, v)
                       ? blend(grey, p.glyph(u, v) ? mark : white, level == 1 ? 150 : 220)
                       : grey;
        return p.glyph(u, v) ? (colouring & 0x00FFFFFFu) : grey;
    };
    int changed = 0;
    for (int y = 0; y < pic.height(); ++y)
        for (int x = 0; x < pic.width(); ++x) {
            const int u = x - target.left, v = y - target.top;
            const bool inside = u >= 0 && v >= 0 && u < p.w && v < p.h;
            const QRgb want = inside ? expected(u, v) : grey;
            const QRgb got = at(pic.image(), x, y);
            if (got != want)
                QFAIL(qPrintable(QStringLiteral("pixel (%1, %2): %3, expected %4")
                                     .arg(x)
                                     .arg(y)
                                     .arg(got, 6, 16, QLatin1Char('0'))
                                     .arg(want, 6, 16, QLatin1Char('0'))));
            changed += got != grey;
        }
    QVERIFY(changed > 20);
}

void StampTest::textStampLeavesLastColumnAndRow_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("level");
    QTest::newRow("solid opaque") << 0 << 0;
    QTest::newRow("solid low") << 0 << 1;
    QTest::newRow("solid high") << 0 << 2;
    QTest::newRow("outline low relief") << 1 << 1;
    QTest::newRow("outline high relief") << 1 << 2;
}

void StampTest::textStampLeavesLastColumnAndRow() {
    QFETCH(int, mode);
    QFETCH(int, level);
    // The background buffer holds green where the picture is grey, so every pixel the
    // stamp copies back shows.
    Placement p(MarkText, MarkColour);
    const ColourValue grey = 63 + 63 * 256 + 63 * 65536;
    const ColourValue green = 0 + 180 * 256;
    Surface pic(p.w + 10, p.h + 10, grey);
    p.work1.image().fill(rgbFromColour(green));
    const ScreenRect source{0, 0, p.w, p.h};
    const ScreenRect target{4, 3, 4 + p.w, 3 + p.h};
    StampTextMark(pic, p.surfaces(), source, target, textOptions(mode, level));
    const int lastX = target.right - 1, lastY = target.bottom - 1;
    QCOMPARE(pic.point(lastX - 1, lastY - 1), green);
    QCOMPARE(pic.point(target.left, lastY - 1), green);
    for (int x = target.left; x <= lastX; ++x)
        QCOMPARE(pic.point(x, lastY), grey);
    for (int y = target.top; y <= lastY; ++y)
        QCOMPARE(pic.point(lastX, y), grey);
}

void StampTest::imageStampCoversWholeOverlap() {
    Placement p(MarkText, MarkColour);
    const ColourValue grey = 63 + 63 * 256 + 63 * 65536;
    const ColourValue red = 220;
    p.view.image().fill(rgbFromColour(red));
    Surface pic(p.w + 10, p.h + 10, grey);
    const ScreenRect source{0, 0, p.w, p.h};
    const ScreenRect target{4, 3, 4 + p.w, 3 + p.h};
    StampImageMark(pic, p.surfaces(), source, target, {0, SrcCopy});
    for (int y = 0; y < pic.height(); ++y)
        for (int x = 0; x < pic.width(); ++x) {
            const bool inside =
                x >= target.left && x < target.right && y >= target.top && y < target.bottom;
            QCOMPARE(pic.point(x, y), inside ? red : grey);
        }
}

void StampTest::whiteMarkLeavesPictureUnchanged_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("level");
    QTest::newRow("solid low") << 0 << 1;
    QTest::newRow("solid high") << 0 << 2;
    QTest::newRow("outline flat") << 1 << 0;
    QTest::newRow("outline low relief") << 1 << 1;
    QTest::newRow("outline high relief") << 1 << 2;
    QTest::newRow("colouring low") << 2 << 0;
    QTest::newRow("colouring high") << 2 << 2;
}

void StampTest::whiteMarkLeavesPictureUnchanged() {
    QFETCH(int, mode);
    QFETCH(int, level);
    Placement p(MarkText, White);
    Surface pic;
    pic.setImage(patterned(p.w + 10, p.h + 10));
    const QImage before = pic.image().copy();
    const ScreenRect source{0, 0, p.w, p.h};
    const ScreenRect target{4, 3, 4 + p.w, 3 + p.h};
    copyBackground(pic, p, source, target);
    StampTextMark(pic, p.surfaces(), source, target, textOptions(mode, level, White));
    QCOMPARE(pic.image(), before);
}

void StampTest::noEdgesInFirstColumnOrRow() {
    // A block of mark colour touching the view's left and top border.
    Placement p(MarkText, MarkColour);
    p.view.image().fill(Qt::white);
    for (int v = 0; v < 6; ++v)
        for (int u = 0; u < 6; ++u)
            p.view.setPoint(u, v, MarkColour);
    const ColourValue grey = 63 + 63 * 256 + 63 * 65536;
    Surface pic(p.w + 4, p.h + 4, grey);
    const ScreenRect source{0, 0, p.w, p.h};
    const ScreenRect target{2, 2, 2 + p.w, 2 + p.h};
    StampTextMark(pic, p.surfaces(), source, target, textOptions(1, 0));
    for (int i = 0; i < 8; ++i) {
        QCOMPARE(pic.point(2, 2 + i), grey);
        QCOMPARE(pic.point(2 + i, 2), grey);
    }
    QCOMPARE(pic.point(2 + 6, 2 + 3), MarkColour); // right of the block
    QCOMPARE(pic.point(2 + 3, 2 + 6), MarkColour); // below it
    QCOMPARE(pic.point(2 + 3, 2 + 3), grey);       // inside it
}

void StampTest::colouringDirection_data() {
    QTest::addColumn<int>("lightness");
    QTest::addColumn<int>("saturation");
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("lightnessStep");
    QTest::addColumn<int>("saturationStep");
    QTest::newRow("dark, grey") << 60 << 0 << 2 << 50 << 50;
    QTest::newRow("exactly half lightens") << 120 << 120 << 1 << 30 << 30;
    QTest::newRow("light, saturated") << 121 << 121 << 0 << -15 << -15;
    QTest::newRow("other level takes the first step") << 200 << 10 << 3 << -15 << 15;
}

void StampTest::colouringDirection() {
    QFETCH(int, lightness);
    QFETCH(int, saturation);
    QFETCH(int, level);
    const ColouringShift shift = colouringShift({160, lightness, saturation}, level, {15, 30, 50});
    QTEST(shift.lightness, "lightnessStep");
    QTEST(shift.saturation, "saturationStep");
}

void StampTest::stampOffEdgeMatchesWholeStamp_data() {
    QTest::addColumn<int>("kind"); // 0 text, 1 image
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("offX");
    QTest::addColumn<int>("offY");
    const struct {
        const char *name;
        int kind, mode, level;
    } stamps[] = {
        {"solid opaque", 0, 0, 0},         {"solid low", 0, 0, 1},
        {"solid high", 0, 0, 2},           {"outline flat", 0, 1, 0},
        {"outline low", 0, 1, 1},          {"outline high", 0, 1, 2},
        {"colouring low", 0, 2, 0},        {"colouring high", 0, 2, 2},
        {"image SrcCopy opaque", 1, 0, 0}, {"image SrcInvert low", 1, 0x00660046, 1},
    };
    for (const auto &s : stamps) {
        QTest::addRow("%s, off left", s.name) << s.kind << s.mode << s.level << 5 << 0;
        QTest::addRow("%s, off top", s.name) << s.kind << s.mode << s.level << 0 << 4;
        QTest::addRow("%s, off both", s.name) << s.kind << s.mode << s.level << 9 << 7;
    }
}

void StampTest::stampOffEdgeMatchesWholeStamp() {
    QFETCH(int, kind);
    QFETCH(int, mode);
    QFETCH(int, level);
    QFETCH(int, offX);
    QFETCH(int, offY);
    const auto stamp = [&](Surface &pic, Placement &p, const ScreenRect &source,
                           const ScreenRect &target) {
        copyBackground(pic, p, source, target);
        if (kind == 0)
            StampTextMark(pic, p.surfaces(), source, target, textOptions(mode, level));
        else
            StampImageMark(
                pic, p.surfaces(), source, target,
                {level, mode ? static_cast<std::uint32_t>(mode) : std::uint32_t(SrcCopy)});
    };
    const auto makePlacement = [&] {
        auto p = std::make_unique<Placement>(MarkText, MarkColour);
        if (kind == 1)
            p->view.setImage(patterned(p->w, p->h).mirrored(true, false));
        return p;
    };

    // The whole stamp, well inside the picture.
    auto whole = makePlacement();
    const QImage original = patterned(whole->w + 40, whole->h + 30);
    const int tx = 20, ty = 15;
    Surface full;
    full.setImage(original);
    stamp(full, *whole, {0, 0, whole->w, whole->h}, {tx, ty, tx + whole->w, ty + whole->h});

    // The same place cut out so that the mark view hangs off its left or top edge.
    auto hanging = makePlacement();
    Surface part;
    part.setImage(original.copy(tx + offX, ty + offY, original.width() - tx - offX,
                                original.height() - ty - offY));
    stamp(part, *hanging, {offX, offY, hanging->w, hanging->h},
          {0, 0, hanging->w - offX, hanging->h - offY});

    const QImage expected = full.image().copy(tx + offX, ty + offY, part.width(), part.height());
    QVERIFY(part.image() != original.copy(tx + offX, ty + offY, part.width(), part.height()));
    QCOMPARE(part.image(), expected);
}

void StampTest::imageStamp_data() {
    QTest::addColumn<quint32>("code");
    QTest::addColumn<int>("transparency");
    QTest::addColumn<int>("alpha");
    const struct {
        const char *name;
        quint32 code;
    } ops[] = {{"SrcCopy", 0x00CC0020},     {"SrcPaint", 0x00EE0086},  {"SrcAnd", 0x008800C6},
               {"SrcInvert", 0x00660046},   {"SrcErase", 0x00440328},  {"NotSrcCopy", 0x00330008},
               {"NotSrcErase", 0x001100A6}, {"MergePaint", 0x00BB0226}};
    for (const auto &op : ops) {
        QTest::addRow("%s opaque", op.name) << op.code << 0 << 255;
        QTest::addRow("%s low", op.name) << op.code << 1 << 100;
        QTest::addRow("%s high", op.name) << op.code << 2 << 70;
    }
    QTest::newRow("any other transparency is high") << quint32(0x00660046) << 5 << 70;
}

void StampTest::imageStamp() {
    QFETCH(quint32, code);
    QFETCH(int, transparency);
    QFETCH(int, alpha);
    Surface view, work1, work2, work3;
    QImage mark(30, 20, QImage::Format_RGB32);
    for (int v = 0; v < mark.height(); ++v)
        for (int u = 0; u < mark.width(); ++u)
            mark.setPixel(u, v, qRgb((u * 37) % 256, (v * 53 + 20) % 256, (u * v * 11) % 256));
    mark.setPixel(2, 2, qRgb(255, 255, 255));
    view.setImage(mark);
    for (Surface *s : {&work1, &work2, &work3})
        s->resize(mark.width(), mark.height());
    Surface pic;
    pic.setImage(patterned(40, 30));
    const QImage before = pic.image().copy();

    // The mark view overlaps the picture's right part, from its own column 3 on.
    const ScreenRect source{3, 1, 30, 20};
    const ScreenRect target{13, 9, 40, 28};
    StampImageMark(pic, {view, work1, work2, work3}, source, target,
                   {transparency, static_cast<std::uint32_t>(code)});
    for (int y = 0; y < pic.height(); ++y)
        for (int x = 0; x < pic.width(); ++x) {
            const QRgb p = at(before, x, y);
            QRgb want = p;
            if (x >= target.left && x < target.right && y >= target.top && y < target.bottom) {
                const QRgb m = at(mark, x - target.left + source.left, y - target.top + source.top);
                const QRgb combined = rop(code, m, p);
                want = transparency == 0 ? combined : blend(p, combined, alpha);
            }
            if (at(pic.image(), x, y) != want)
                QFAIL(qPrintable(QStringLiteral("pixel (%1, %2)").arg(x).arg(y)));
        }
}

void StampTest::overlapWiderThan16Bits() {
    const int w = 40000;
    const ColourValue grey = 63 + 63 * 256 + 63 * 65536;
    const ColourValue red = 220;
    const ColourValue green = 180 * 256;
    Surface view(w + 2, 5, red), work1(w + 2, 5, green), work2(w + 2, 5), work3(w + 2, 5);
    Surface pic(w, 3, grey);
    const ScreenRect source{0, 0, w, 3};
    const ScreenRect target{0, 0, w, 3};
    StampTextMark(pic, {view, work1, work2, work3}, source, target, textOptions(0, 0));
    QCOMPARE(pic.point(w - 2, 1), green);
    QCOMPARE(pic.point(w - 1, 1), grey);
    StampImageMark(pic, {view, work1, work2, work3}, source, target, {0, SrcCopy});
    QCOMPARE(pic.point(w - 1, 2), red);
    QCOMPARE(pic.point(32768, 0), red);
}

QTEST_MAIN(StampTest)
#include "tst_stamp.moc"
