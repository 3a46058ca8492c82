#include "models/StampModel.h"
#include "render/Preview.h"

#include "platform/Surface.h"

#include <QtTest>

using namespace imprimata;

constexpr ColourValue MarkColour = 30 + 60 * 256 + 220 * 65536;
constexpr ColourValue PreviewColour = 250 + 240 * 256 + 10 * 65536;

class PreviewTest : public QObject {
    Q_OBJECT

private slots:
    void image_data();
    void image();
    void text_data();
    void text();
    void smoothText_data();
    void smoothText();
    void ownAlpha();
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

    // Combined by the raster operation, then blended with alpha 100.
    Surface preview, work(5, 5), mark;
    preview.setImage(model::varied(layout.size, 0));
    mark.setImage(model::varied(image, 77));
    QImage want = preview.image().copy();
    PreviewImageMark(preview, work, mark, layout.offset, {Transparency::Low, SrcInvert});
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QPoint p = layout.offset + QPoint(x, y);
            const QRgb bg = want.pixel(p);
            want.setPixel(
                p, model::blend(bg, model::rasterOp(SrcInvert, mark.image().pixel(x, y), bg), 100));
        }
    QCOMPARE(preview.image(), want);
}

void PreviewTest::text_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("level");
    QTest::addColumn<QRgb>("fill");   // of the background; 0 for a varied one
    QTest::addColumn<QRgb>("worked"); // colour of every glyph pixel; 0 to skip
    QTest::newRow("solid low") << 0 << 1 << 0u << 0u;
    QTest::newRow("outline flat") << 1 << 0 << 0u << 0u;
    QTest::newRow("outline high relief") << 1 << 2 << 0u << 0u;
    QTest::newRow("colouring middle") << 2 << 1 << 0u << 0u;
    // Lightness and saturation move by 50 away from the averages, which take in white one
    // column and row past the preview: on the light picture the lightness falls but the
    // saturation, low on average, rises.
    QTest::newRow("colouring high, dark") << 2 << 2 << qRgb(70, 50, 40) << qRgb(162, 91, 56);
    QTest::newRow("colouring high, light") << 2 << 2 << qRgb(220, 200, 190) << qRgb(204, 135, 101);
}

void PreviewTest::text() {
    QFETCH(int, mode);
    QFETCH(int, level);
    QFETCH(QRgb, fill);
    QFETCH(QRgb, worked);
    const QString words = QStringLiteral("Oak 2005");
    const SharedFont font = makeFont(QStringLiteral("Times New Roman"), 28, true, 204);
    Surface preview, text(180, 50), saved, glyphs(180, 50);
    QImage before = model::varied({180, 50}, 3);
    if (fill)
        before.fill(fill);
    preview.setImage(before);
    for (Surface *s : {&preview, &text, &glyphs})
        s->setFont(font);
    preview.setForeColour(PreviewColour);
    PreviewTextMark({preview, text, saved}, {words, MarkColour, PrintMode(mode), Level(level)});

    // As the stamp over the whole preview, drawn in place, flat edges in the preview's colour.
    glyphs.setForeColour(MarkColour);
    glyphs.print(words);
    QImage want = before.copy();
    model::stampText(want, before, glyphs.image(), {{0, 0}, want.rect()},
                     rgbFromColour(PreviewColour), mode, level, true);
    QCOMPARE(preview.image(), want);
    for (int y = 0; worked && y < 50; ++y)
        for (int x = 0; x < 180; ++x)
            QVERIFY(want.pixel(x, y) == fill || want.pixel(x, y) == worked);
}

void PreviewTest::smoothText_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("level");
    for (int mode = 0; mode < 3; ++mode)
        for (int level = 0; level < 3; ++level)
            QTest::addRow("mode %d, level %d", mode, level) << mode << level;
}

// Smooth text previews exactly as it stamps over the same background.
void PreviewTest::smoothText() {
    QFETCH(int, mode);
    QFETCH(int, level);
    const TextMarkOptions options{
        QStringLiteral("Oak 2005"), MarkColour, PrintMode(mode), Level(level), {15, 30, 50}, true};
    const SharedFont font = makeFont(QStringLiteral("Times New Roman"), 28, true, 204);
    const QImage before = model::varied({180, 50}, 3);
    Surface preview, text(180, 50), saved;
    preview.setImage(before);
    text.setFont(font);
    PreviewTextMark({preview, text, saved}, options);

    Surface picture, view(180, 50), background, buffer(180, 50), composite;
    picture.setImage(before);
    background.setImage(before);
    buffer.setFont(font);
    const ScreenRect whole{0, 0, 181, 51};
    StampTextMark(picture, {view, background, buffer, composite}, whole, whole, options);
    QCOMPARE(preview.image(), picture.image());
    QVERIFY(preview.image() != before);
}

// The Alpha blend previews by the mark picture's own transparency: clear pixels leave the
// background, opaque ones are the mark's.
void PreviewTest::ownAlpha() {
    Surface preview, work, mark;
    preview.setImage(model::varied({300, 140}, 0));
    mark.setImage(model::varied({100, 40}, 77));
    QImage alpha(100, 40, QImage::Format_Alpha8);
    for (int y = 0; y < 40; ++y)
        std::fill_n(alpha.scanLine(y), 100, y < 20 ? 0 : 255);
    mark.setAlphaPlane(alpha);
    const QImage before = preview.image().copy();
    PreviewImageMark(preview, work, mark, {100, 50}, {Transparency::Opaque, SrcInvert, true});
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 100; ++x)
            QCOMPARE(preview.image().pixel(100 + x, 50 + y),
                     y < 20 ? before.pixel(100 + x, 50 + y) : mark.image().pixel(x, y));
}

QTEST_MAIN(PreviewTest)
#include "tst_preview.moc"
