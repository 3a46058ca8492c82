#include "BenchSections.h"

#include "platform/Raster.h"
#include "platform/Surface.h"
#include "render/Stamp.h"

#include <QString>
#include <cstdio>
#include <memory>

namespace imprimata::bench {

namespace {

constexpr int Runs = 41;

// A picture with smooth colour changes, the same around the centre at any size, so
// the two sizes give the stamps the same pixels to work on.
std::unique_ptr<Surface> makePicture(int w, int h) {
    auto pic = std::make_unique<Surface>(w, h);
    QImage &image = pic->image();
    for (int y = 0; y < h; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        const int v = y - h / 2 + 4000;
        for (int x = 0; x < w; ++x) {
            const int u = x - w / 2 + 4000;
            row[x] = qRgb((u / 7) % 256, (v / 5) % 256, ((u + v) / 11) % 256);
        }
    }
    return pic;
}

// The placement window's pictures: the mark's size plus 2 in each direction.
struct Placement {
    Surface view, backgroundBuffer, textBuffer, compositeBuffer;
    PlacementSurfaces surfaces() { return {view, backgroundBuffer, textBuffer, compositeBuffer}; }
    void resize(int w, int h) {
        for (Surface *s : {&view, &backgroundBuffer, &textBuffer, &compositeBuffer})
            s->resize(w + 2, h + 2);
    }
    // As each insertion starts: the work pictures lose what the last stamp drew.
    void resetWork() {
        backgroundBuffer.clear();
        textBuffer.clear();
        compositeBuffer.clear();
    }
};

// The largest bold DejaVu Sans in which the text fits w x h pixels.
SharedFont fittingFont(const QString &text, int w, int h) {
    Surface probe(1, 1);
    for (int px = 160; px > 8; px -= 2) {
        SharedFont font = makeFont(QStringLiteral("DejaVu Sans"), 12, true);
        font->font.setPixelSize(px);
        probe.setFont(font);
        if (probe.textWidth(text) <= w && probe.textHeight(text) <= h)
            return font;
    }
    return makeFont(QStringLiteral("DejaVu Sans"), 12, true);
}

struct Row {
    QString name;
    double small = 0;
    double large = 0;
};

void printRow(const Row &r) {
    std::printf("  %-34s %8.3f %8.3f %7.2f\n", qPrintable(r.name), r.small, r.large,
                r.large / r.small);
}

} // namespace

void runRenderBench() {
    std::unique_ptr<Surface> pictures[2] = {makePicture(1000, 1000), makePicture(6000, 4000)};
    std::printf("  median of %d stamps in ms (background copy and stamp), mark at the centre\n",
                Runs);
    std::printf("  %-34s %8s %8s %7s\n", "case", "1 MP", "24 MP", "24/1");

    const auto time =
        [&](int w, int h, Placement &p,
            const std::function<void(Surface &, const ScreenRect &, const ScreenRect &)> &stamp) {
            double result[2] = {0, 0};
            for (int i = 0; i < 2; ++i) {
                Surface &pic = *pictures[i];
                const int left = (pic.width() - w) / 2, top = (pic.height() - h) / 2;
                const ScreenRect source{0, 0, w, h};
                const ScreenRect target{left, top, left + w, top + h};
                result[i] = medianMs(
                    Runs, [&] { p.resetWork(); },
                    [&] {
                        blockCopy(p.backgroundBuffer.image(), 0, 0, w + 1, h + 1, pic.image(), left,
                                  top);
                        stamp(pic, source, target);
                    });
            }
            return std::pair{result[0], result[1]};
        };

    double worstRatio = 0, worstMs = 0;
    const auto report = [&](const QString &name, std::pair<double, double> t) {
        printRow({name, t.first, t.second});
        worstRatio = std::max(worstRatio, t.second / t.first);
        worstMs = std::max({worstMs, t.first, t.second});
    };

    // Text mark of 600 x 150 pixels.
    {
        const int w = 600, h = 150;
        const QString text = QStringLiteral("\u00a9 Imprimata");
        Placement p;
        p.resize(w, h);
        const SharedFont font = fittingFont(text, w, h);
        const ColourValue colour = 30 + 60 * 256 + 200 * 65536;
        for (Surface *s : {&p.view, &p.backgroundBuffer, &p.textBuffer, &p.compositeBuffer}) {
            s->setFont(font);
            s->setForeColour(colour);
        }
        p.view.clear();
        p.view.print(text);
        const char *modes[] = {"solid", "outline", "colouring"};
        for (int mode = 0; mode < 3; ++mode)
            for (int level = 0; level < 3; ++level) {
                TextMarkOptions o;
                o.text = text;
                o.colour = colour;
                o.printMode = PrintMode(mode);
                o.level = Level(level);
                report(QStringLiteral("text %1, level %2").arg(modes[mode]).arg(level),
                       time(w, h, p, [&](Surface &pic, const ScreenRect &s, const ScreenRect &t) {
                           StampTextMark(pic, p.surfaces(), s, t, o);
                       }));
            }
    }

    // Image mark of 225 x 121 pixels.
    {
        const int w = 225, h = 121;
        Placement p;
        p.resize(w, h);
        QImage &mark = p.view.image();
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                mark.setPixel(x, y, qRgb((x * 3) % 256, (y * 5) % 256, (x * y) % 256));
        const struct {
            const char *name;
            RasterOp code;
        } ops[] = {{"MergePaint", MergePaint},   {"NotSrcCopy", NotSrcCopy},
                   {"NotSrcErase", NotSrcErase}, {"SrcAnd", SrcAnd},
                   {"SrcCopy", SrcCopy},         {"SrcErase", SrcErase},
                   {"SrcInvert", SrcInvert},     {"SrcPaint", SrcPaint}};
        const char *transparencies[] = {"opaque", "low", "high"};
        for (const auto &op : ops)
            for (int t = 0; t < 3; ++t) {
                const ImageMarkOptions o{Transparency(t), op.code};
                report(QStringLiteral("image %1, %2").arg(op.name).arg(transparencies[t]),
                       time(w, h, p, [&](Surface &pic, const ScreenRect &s, const ScreenRect &tr) {
                           StampImageMark(pic, p.surfaces(), s, tr, o);
                       }));
            }
    }
    std::printf("  slowest stamp %.3f ms, largest ratio 24 MP / 1 MP %.2f\n", worstMs, worstRatio);
}

} // namespace imprimata::bench
