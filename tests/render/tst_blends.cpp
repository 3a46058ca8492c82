#include "models/StampModel.h"
#include "render/Stamp.h"
#include "render/Stamped.h"

#include "platform/Raster.h"
#include "platform/Surface.h"

#include <QtTest>

// The Alpha blend of a logo with its own transparency, and text with smooth edges, against
// models of their formulas. Only the glyphs' coverage comes from the program: it is the font
// engine's.

using namespace imprimata;

namespace {

constexpr ColourValue MarkColour = 200 + 30 * 256 + 40 * 65536;
const QString MarkText = QStringLiteral("Ab");

// back x (1 - w) + front x w per channel, w = weight / scale, to the nearest whole number.
QRgb mix(QRgb back, QRgb front, double weight, double scale) {
    const auto ch = [&](int b, int f) {
        return model::roundEven((b * (scale - weight) + f * weight) / scale);
    };
    return qRgb(ch(qRed(back), qRed(front)), ch(qGreen(back), qGreen(front)),
                ch(qBlue(back), qBlue(front)));
}

// A smooth run of colour across the picture and a uniform one.
QImage background(bool gradient, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y,
                           gradient ? qRgb(x * 255 / size.width(), 40 + y * 3, 255 - x * 2)
                                    : qRgb(90, 160, 120));
    return image;
}

// A logo's transparency: opaque in the middle, clear at the left, every value in between.
QImage logoAlpha(QSize size) {
    QImage alpha(size, QImage::Format_Alpha8);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            alpha.scanLine(y)[x] = uchar(x < 3 ? 0 : (x * 29 + y * 17) % 256);
    for (int x = 10; x < 14; ++x)
        alpha.scanLine(8)[x] = 255;
    return alpha;
}

SharedFont markFont() {
    SharedFont font = makeFont(QStringLiteral("DejaVu Sans"), 14, true);
    font->font.setPixelSize(22);
    return font;
}

// The view of the mark text, and the coverage its smooth glyphs have in a buffer of that size.
struct SmoothGlyphs {
    QImage view, coverage;
};

SmoothGlyphs smoothGlyphs() {
    Surface view;
    view.setFont(markFont());
    view.resize(view.textWidth(MarkText) + 2, view.textHeight(MarkText) + 2);
    view.setForeColour(MarkColour);
    view.setSmoothText(true);
    view.print(MarkText);
    Surface buffer(view.width(), view.height());
    buffer.setFont(markFont());
    return {view.image(), buffer.printCoverage(MarkText)};
}

} // namespace

class BlendsTest : public QObject {
    Q_OBJECT

private slots:
    // result = photo x (1 - a) + mark x a, a = alpha / 255; then Low and High blend that with
    // the photo at their alphas, as every image stamp does.
    void alphaBlend_data() {
        QTest::addColumn<int>("transparency");
        QTest::addColumn<bool>("gradient");
        QTest::addColumn<QPoint>("at");
        for (int t : {0, 1, 2})
            for (bool gradient : {false, true}) {
                const char *name[] = {"opaque", "low", "high"};
                const char *over = gradient ? "gradient" : "uniform";
                QTest::addRow("%s over %s", name[t], over) << t << gradient << QPoint(6, 4);
                QTest::addRow("%s over %s, off the top left", name[t], over)
                    << t << gradient << QPoint(-5, -3);
            }
    }

    void alphaBlend() {
        QFETCH(int, transparency);
        QFETCH(bool, gradient);
        QFETCH(QPoint, at);
        const QImage mark = model::varied({24, 16}, 90), before = background(gradient, {40, 30});
        const QImage alpha = logoAlpha(mark.size());
        const QImage got = stamped(before, mark, alpha, at, StampImageMark,
                                   ImageMarkOptions{Transparency(transparency), SrcCopy, true});

        QImage expected = before.copy();
        const model::Overlap o = model::overlapAt(before.size(), mark.size(), at);
        for (int j = 0; j < o.target.height(); ++j)
            for (int i = 0; i < o.target.width(); ++i) {
                const QPoint to = o.target.topLeft() + QPoint(i, j), from = o.source + QPoint(i, j);
                const QRgb photo = before.pixel(to);
                const QRgb c =
                    mix(photo, mark.pixel(from), alpha.constScanLine(from.y())[from.x()], 255);
                expected.setPixel(to, transparency == 0
                                          ? c
                                          : model::blend(photo, c, transparency == 1 ? 100 : 70));
            }
        QCOMPARE(got, expected);
    }

    // Without an alpha plane the Alpha blend copies the picture, as SrcCopy does; with a raster
    // operation the alpha plane is ignored.
    void alphaBlendWithoutAlpha() {
        const QImage mark = model::varied({24, 16}, 90), before = background(true, {40, 30});
        const QImage copied = model::expectedImageStamp(before, mark, {6, 4}, SrcCopy, 1);
        QCOMPARE(stamped(before, mark, QImage(), {6, 4}, StampImageMark,
                         ImageMarkOptions{Transparency::Low, SrcCopy, true}),
                 copied);
        QCOMPARE(stamped(before, mark, logoAlpha(mark.size()), {6, 4}, StampImageMark,
                         ImageMarkOptions{Transparency::Low, SrcInvert}),
                 model::expectedImageStamp(before, mark, {6, 4}, SrcInvert, 1));
    }

    // Smooth glyphs: Solid puts the colour at coverage times its opacity, Colouring shifts by
    // coverage times the step, Outline finds its edges where coverage is at least half and
    // softens the partly covered ones by their coverage.
    void smoothText_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("level");
        QTest::addColumn<bool>("gradient");
        const char *modes[] = {"solid", "outline", "colouring"};
        for (int mode : {0, 1, 2})
            for (int level : {0, 1, 2})
                for (bool gradient : {false, true})
                    QTest::addRow("%s, level %d, %s", modes[mode], level,
                                  gradient ? "gradient" : "uniform")
                        << mode << level << gradient;
    }

    void smoothText() {
        QFETCH(int, mode);
        QFETCH(int, level);
        QFETCH(bool, gradient);
        const SmoothGlyphs glyphs = smoothGlyphs();
        const QImage &cover = glyphs.coverage;
        int partial = 0;
        for (int y = 0; y < cover.height(); ++y)
            for (int x = 0; x < cover.width(); ++x)
                partial += cover.constScanLine(y)[x] > 0 && cover.constScanLine(y)[x] < 255;
        QVERIFY2(partial > 10, "the glyphs are not anti-aliased");

        const QPoint at(7, 5);
        const QImage before = background(gradient, {60, 44});
        const TextMarkOptions options{MarkText,     MarkColour,   PrintMode(mode),
                                      Level(level), {15, 30, 50}, true};
        const QImage got =
            stamped(before, glyphs.view, QImage(), at, StampTextMark, options, markFont());

        const QRgb colour = rgbFromColour(MarkColour);
        const model::Overlap o = model::overlapAt(before.size(), glyphs.view.size(), at);
        const QImage back = model::backgroundUnder(before, glyphs.view.size(), o);
        const auto c = [&](int u, int v) { return int{cover.constScanLine(v)[u]}; };
        // The glyphs Outline sees: whole pixels where coverage is at least half.
        QImage crisp(cover.size(), QImage::Format_RGB32);
        for (int v = 0; v < crisp.height(); ++v)
            for (int u = 0; u < crisp.width(); ++u)
                crisp.setPixel(u, v, c(u, v) >= 128 ? colour : 0xFFFFFFFFu);
        QImage expected = before.copy();
        if (mode == 1)
            model::stampText(expected, back, crisp, o, colour, 1, level);
        const int w = o.target.width(), h = o.target.height();
        const std::array<int, 3> averages =
            model::averageHls(back, o.source, o.source + QPoint(w, h));
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i) {
                const int u = o.source.x() + i, v = o.source.y() + j;
                const QPoint to = o.target.topLeft() + QPoint(i, j);
                const QRgb under = back.pixel(u, v);
                const bool shortOfEdge = i < w - 1 && j < h - 1; // block copies stop one short
                if (mode == 0 && shortOfEdge) {
                    const int opacity = level == 0 ? 255 : level == 1 ? 100 : 50;
                    expected.setPixel(to, mix(under, colour, c(u, v) * opacity, 255 * 255));
                } else if (mode == 1 && (level == 0 || shortOfEdge) && i > 0 && j > 0 &&
                           c(u, v) >= 128 && c(u, v) < 255) {
                    const QRgb p = crisp.pixel(u, v);
                    if (p != crisp.pixel(u - 1, v) || p != crisp.pixel(u, v - 1))
                        expected.setPixel(to, mix(under, expected.pixel(to), c(u, v), 255));
                } else if (mode == 2 && c(u, v) > 0) {
                    const int step = level == 1 ? 30 : level == 2 ? 50 : 15;
                    const int part = model::roundEven(step * c(u, v) / 255.0);
                    model::Hls hls = model::toHls(under);
                    hls.lightness =
                        std::clamp(hls.lightness + (averages[1] > 120 ? -part : part), 0, 240);
                    hls.saturation =
                        std::clamp(hls.saturation + (averages[2] > 120 ? -part : part), 0, 240);
                    expected.setPixel(to, model::fromHls(hls));
                }
            }
        QCOMPARE(got, expected);
    }

    // Off, nothing changes: the crisp glyphs stamp exactly as they always did.
    void crispTextUnchanged_data() {
        QTest::addColumn<int>("mode");
        for (int mode : {0, 1, 2})
            QTest::addRow("mode %d", mode) << mode;
    }

    void crispTextUnchanged() {
        QFETCH(int, mode);
        Surface view;
        view.setFont(markFont());
        view.resize(view.textWidth(MarkText) + 2, view.textHeight(MarkText) + 2);
        view.setForeColour(MarkColour);
        view.print(MarkText);
        const QImage before = background(true, {60, 44});
        const QImage got =
            stamped(before, view.image(), QImage(), {7, 5}, StampTextMark,
                    TextMarkOptions{
                        MarkText, MarkColour, PrintMode(mode), Level::Middle, {15, 30, 50}, false},
                    markFont());
        QCOMPARE(got, model::expectedTextStamp(before, view.image(), {7, 5},
                                               rgbFromColour(MarkColour), mode, 1));
        // Crisp glyphs: every pixel is the background's or the mark's colour.
        const QRgb paper = view.image().pixel(0, 0);
        for (int y = 0; y < view.height(); ++y)
            for (int x = 0; x < view.width(); ++x) {
                const QRgb p = view.image().pixel(x, y);
                QVERIFY(p == paper || p == rgbFromColour(MarkColour));
            }
    }
};

QTEST_MAIN(BlendsTest)
#include "tst_blends.moc"
