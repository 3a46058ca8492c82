#include "mark/MarkEditor.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace imprimata;

Q_DECLARE_METATYPE(imprimata::ScreenRect)

namespace {

QImage patterned(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x * 7 % 256, y * 5 % 256, (x + y) % 256));
    return image;
}

// The main window's picture and the placement window over it; captures are recorded.
class FakeHost : public MarkEditorHost {
public:
    struct Capture {
        const Surface *destination;
        ScreenRect placement;
        bool warn;
    };
    std::vector<Capture> captures;

    ScreenRect pictureWindowRect() const override { return {100, 80, 900, 680}; }
    ScreenRect placementWindowRect() const override { return {400, 300, 560, 400}; }
    QSize placementWorkSize() const override { return {150, 60}; }
    void setPlacementWorkSize(QSize) override {}
    ScreenRect placementWorkRect(QSize size) const override {
        return {404, 320, 404 + size.width(), 320 + size.height()};
    }
    bool CaptureBackground(Surface &destination, const ScreenRect &, const ScreenRect &placement,
                           bool warnIfOutside) override {
        captures.push_back({&destination, placement, warnIfOutside});
        return true;
    }
};

// Face, size and style of a font, to compare in one go.
QString style(const QFont &f) {
    return QStringLiteral("%1 %2%3%4")
        .arg(f.family())
        .arg(f.pointSizeF())
        .arg(f.bold() ? " bold" : "", f.italic() ? " italic" : "");
}

} // namespace

class MarkEditorTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void openingOnTextPage_data();
    void openingOnTextPage();
    void openingWithImageMark();
    void textMarkInOutlineLevel2();
    void symbolButtons();
    void fontChooser_data();
    void fontChooser();
    void loadImage_data();
    void loadImage();
    void okRefuses_data();
    void okRefuses();
    void okStoresControls();
    void closingRefusesTheMark();

private:
    MarkEditor &open(bool shown = true) {
        editor = std::make_unique<MarkEditor>(state, host, dialogs);
        if (shown)
            editor->show();
        return *editor;
    }
    QString writePicture(int w, int h) {
        const QString path = dir.filePath(QStringLiteral("%1x%2.bmp").arg(w).arg(h));
        patterned(w, h).save(path, "BMP");
        return path;
    }
    // Answers "Load Image" with the path.
    QString loadPicture(MarkEditor &e, const QString &path) {
        dialogs.openAnswers = {path};
        e.loadIMG->click();
        return path;
    }

    QTemporaryDir dir;
    SharedState state;
    FakeHost host;
    ScriptedDialogService dialogs;
    std::unique_ptr<MarkEditor> editor;
};

void MarkEditorTest::init() {
    editor.reset();
    state = SharedState{};
    state.PlacementBaseWidth = 150;
    state.PlacementBaseHeight = 60;
    host = FakeHost{};
    dialogs = ScriptedDialogService{};
}

void MarkEditorTest::openingOnTextPage_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("captures"); // once displayed
    QTest::newRow("empty mark") << 0 << 1;
    // New clears the text and the image path but keeps the type; the first display
    // switches the page again, which captures once more.
    QTest::newRow("New after an IMAGE mark") << 1 << 2;
}

void MarkEditorTest::openingOnTextPage() {
    QFETCH(int, type);
    state.CurrentMark.MarkType = static_cast<std::int16_t>(type);
    MarkEditor &e = open();
    QCOMPARE(e.TypeIM->value(), 0);
    QVERIFY(e.FrameTxt->isVisibleTo(&e) && !e.FrameImg->isVisibleTo(&e));
    for (const auto *group :
         {&e.PrintMode, &e.solidTransp, &e.outlineRelief, &e.contrast, &e.ImgTransp})
        QVERIFY((*group)[0]->isChecked());
    QCOMPARE(e.ListMode->currentItem()->text(), QStringLiteral("SrcCopy"));
    // The mark font is now the sample's very font object.
    QCOMPARE(state.CurrentMark.Font.get(), e.PicIM->surface().font().get());
    QVERIFY(e.Dlg == (FontChoice{QStringLiteral("Times New Roman"), 48, true}));
    QTEST(int(host.captures.size()), "captures");
    // The placement window's work picture at its base size, one pixel in on each side.
    const ScreenRect base{405, 321, 553, 379};
    for (const FakeHost::Capture &c : host.captures)
        QVERIFY(c.destination == &e.PicIM->surface() && c.placement == base && !c.warn);
}

void MarkEditorTest::openingWithImageMark() {
    state.CurrentMark.MarkType = ImageMark;
    state.CurrentMark.ImageTransparency = 1;
    state.CurrentMark.RasterOp = SrcInvert;
    state.CurrentMark.ImagePath = writePicture(100, 40);
    MarkEditor &e = open(false);
    QVERIFY(e.FrameImg->isVisibleTo(&e) && !e.FrameTxt->isVisibleTo(&e));
    QVERIFY(e.ImgTransp[1]->isChecked());
    QCOMPARE(e.ListMode->currentItem()->text(), QStringLiteral("SrcInvert"));
    // The image preview, then the text preview, which alone asks for the warning.
    QCOMPARE(host.captures.size(), 2u);
    QCOMPARE(host.captures[0].destination, &e.imgIM[1]->surface());
    QVERIFY(!host.captures[0].warn && host.captures[1].warn);
    e.show();
    QCOMPARE(e.focusWidget(), e.imgIM[0]);
}

void MarkEditorTest::textMarkInOutlineLevel2() {
    state.CurrentMark.Text = QStringLiteral("2005 Name");
    state.CurrentMark.PrintMode = Outline;
    state.CurrentMark.Level = 2;
    MarkEditor &e = open(false);
    QVERIFY(e.PrintMode[1]->isChecked() && e.outlineRelief[2]->isChecked());
    QVERIFY(e.solidTransp[0]->isChecked() && e.contrast[0]->isChecked());
}

void MarkEditorTest::symbolButtons() {
    MarkEditor &e = open();
    // 495-twip buttons one twip apart, from (240, 1200) twips, at 15 twips per pixel.
    const int lefts[9] = {16, 49, 82, 115, 148, 181, 214, 247, 281};
    for (int i = 0; i < 18; ++i) {
        const QPushButton *key = e.specKey[static_cast<std::size_t>(i)];
        QCOMPARE(key->text(), MarkEditor::SpecialSymbols.mid(i, 1));
        QCOMPARE(key->geometry(), QRect(lefts[i % 9], i < 9 ? 80 : 113, 33, 33));
    }
    // A symbol goes at the end of the text wherever the caret is, and the preview follows.
    e.TextIM->setText(QStringLiteral("2005 Name"));
    e.TextIM->setCursorPosition(0);
    e.fontIM->setFocus();
    const std::size_t captures = host.captures.size();
    e.specKey[6]->click();
    QCOMPARE(e.TextIM->text(), QStringLiteral("2005 Name\u00A9"));
    QCOMPARE(e.focusWidget(), e.TextIM);
    QCOMPARE(host.captures.size(), captures + 1);
}

void MarkEditorTest::fontChooser_data() {
    QTest::addColumn<bool>("confirmed");
    QTest::addColumn<QString>("fonts"); // of the sample and of the text box after
    QTest::newRow("cancelled") << false << "DejaVu Serif 40 bold, DejaVu Serif 20.25 bold";
    QTest::newRow("72-point bold italic red")
        << true << "DejaVu Sans 72 bold italic, DejaVu Sans 20.25 bold italic";
}

void MarkEditorTest::fontChooser() {
    QFETCH(bool, confirmed);
    const int colour = confirmed ? 255 : 0x00FF00;
    state.CurrentMark.Text = QStringLiteral("Wm");
    state.CurrentMark.Font = makeFont(QStringLiteral("DejaVu Serif"), 40, true, 204);
    state.CurrentMark.Colour = 0x00FF00;
    MarkEditor &e = open();
    if (confirmed)
        dialogs.fontAnswers = {{QStringLiteral("DejaVu Sans"), 72, true, true, false, false, 255}};
    const std::size_t captures = host.captures.size();

    e.fontIM->click();

    QTEST(style(e.PicIM->surface().font()->font) + ", " + style(e.TextIM->font()), "fonts");
    QCOMPARE(e.buffer[0]->surface().font()->font, e.PicIM->surface().font()->font);
    QCOMPARE(e.PicIM->surface().foreColour(), colour);
    QCOMPARE(e.TextIM->palette().color(QPalette::Text), QColor(rgbFromColour(colour)));
    // The sample is drawn again in the new font; cancelling leaves it alone.
    QCOMPARE(host.captures.size(), captures + (confirmed ? 1 : 0));
}

void MarkEditorTest::loadImage_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QRect>("shown"); // centred in the 5895 x 2175 twip frame, 55 twips low
    QTest::addColumn<QRect>("box");   // the preview, centred in the 5895 x 2655 twip frame
    QTest::newRow("100 x 50") << QSize(100, 50) << QRect(146, 51, 100, 50)
                              << QRect(46, 17, 300, 150);
    QTest::newRow("1024 x 768, clamped")
        << QSize(1024, 768) << QRect(84, 16, 225, 121) << QRect(36, 16, 321, 153);
}

void MarkEditorTest::loadImage() {
    QFETCH(QSize, picture);
    QFETCH(QRect, shown);
    MarkEditor &e = open();
    loadPicture(e, writePicture(picture.width(), picture.height()));
    QTEST(e.imgIM[0]->geometry(), "shown");
    // Natural size from the top-left corner, never scaled.
    QCOMPARE(e.imgIM[0]->surface().image(),
             patterned(picture.width(), picture.height()).copy(QRect(QPoint(), shown.size())));
    QTEST(e.imgIM[1]->geometry(), "box");

    e.TypeIM->setValue(1);
    e.OK->click();
    QCOMPARE(QSize(state.CurrentMark.MarkWidth, state.CurrentMark.MarkHeight), shown.size() * 15);
}

void MarkEditorTest::okRefuses_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("image page without image, text present")
        << 1 << "Text"
        << "Imprimata IMAGE file isn't defined.";
    QTest::newRow("text page without text, image present")
        << 0 << QString() << "Imprimata TEXT is empty.";
    // Its size in twips would not fit the mark file.
    QTest::newRow("text too long to store")
        << 0 << QString(2000, QLatin1Char('W')) << "Imprimata TEXT is too long.";
}

void MarkEditorTest::okRefuses() {
    QFETCH(int, type);
    QFETCH(QString, text);
    MarkEditor &e = open();
    if (type == 0) // an image loaded must not satisfy the TEXT page
        loadPicture(e, writePicture(20, 10));
    e.TextIM->setText(text);
    e.TypeIM->setValue(type);
    // The sample stops growing where the mark's size could no longer be stored.
    QVERIFY(e.PicIM->width() * 15 <= 32767);

    e.OK->click();

    QCOMPARE(dialogs.messages.size(), 1u);
    QTEST(dialogs.messages[0].text, "message");
    QVERIFY(!state.MarkAccepted && e.isVisible());
    QVERIFY(state.CurrentMark.Text.isEmpty() && state.CurrentMark.ImagePath.isEmpty());
}

void MarkEditorTest::okStoresControls() {
    MarkEditor &e = open();
    const QString path = loadPicture(e, writePicture(30, 20));
    // A file that is no picture is refused, and the path stays with the picture shown.
    QFile bad(dir.filePath(QStringLiteral("bad.jpg")));
    QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write("not a picture at all") > 0);
    bad.close();
    loadPicture(e, bad.fileName());
    QCOMPARE(dialogs.requests.back().title, QStringLiteral("Select Imprimata Image File"));
    QCOMPARE(dialogs.messages.size(), 1u);
    e.TypeIM->setValue(0);
    // No 14-character limit, and wider than the text box.
    const QString text = QStringLiteral("Imprimata 2005 owner");
    e.TextIM->setText(text);
    QVERIFY(e.PicIM->width() > e.TextIM->width());
    e.solidTransp[2]->click(); // chosen in the Solid frame, then another mode taken
    e.PrintMode[2]->click();
    e.contrast[2]->click();

    e.OK->click();

    // Both halves are kept whatever the type, so switching back later finds the other.
    const MarkSettings &mark = state.CurrentMark;
    QVERIFY(state.MarkAccepted && !e.isVisible());
    QCOMPARE(mark.MarkType, 0);
    QCOMPARE(mark.Text, text);
    QCOMPARE(mark.ImagePath, path);
    QCOMPARE(mark.PrintMode, 2);
    QCOMPARE(mark.Level, 2);
    QCOMPARE(mark.MarkWidth, e.PicIM->surface().textWidth(text) * 15);
    QCOMPARE(mark.MarkHeight, e.PicIM->height() * 15);
}

void MarkEditorTest::closingRefusesTheMark() {
    state.MarkAccepted = true; // from an earlier OK
    open().close();
    QVERIFY(!state.MarkAccepted);
}

QTEST_MAIN(MarkEditorTest)
#include "tst_markeditor.moc"
