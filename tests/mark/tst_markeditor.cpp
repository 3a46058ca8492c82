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

// The main window's picture on the screen and the placement window over it; captures are
// recorded.
class FakeHost : public MarkEditorHost {
public:
    struct Capture {
        const Surface *destination;
        ScreenRect placement;
        bool warn;
    };
    QSize workSize{150, 60};
    std::vector<Capture> captures;

    ScreenRect pictureWindowRect() const override { return {100, 80, 900, 680}; }
    ScreenRect placementWindowRect() const override { return {400, 300, 560, 400}; }
    QSize placementWorkSize() const override { return workSize; }
    void setPlacementWorkSize(QSize size) override { workSize = size; }
    ScreenRect placementWorkRect(QSize size) const override {
        return {404, 320, 404 + size.width(), 320 + size.height()};
    }
    bool CaptureBackground(Surface &destination, const ScreenRect &, const ScreenRect &placement,
                           bool warnIfOutside) override {
        captures.push_back({&destination, placement, warnIfOutside});
        return true;
    }
};

// The placement window's work picture at its base size, one pixel in on each side.
const ScreenRect BasePlacement{405, 321, 553, 379};

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
    void cleanup() { editor.reset(); }
    void openingOnTextPage_data();
    void openingOnTextPage();
    void openingWithImageMark();
    void textMarkInOutlineLevel2();
    void symbolButtons();
    void fontChooser_data();
    void fontChooser();
    void loadImage_data();
    void loadImage();
    void failedLoadKeepsPreviousImage_data();
    void failedLoadKeepsPreviousImage();
    void okRefuses_data();
    void okRefuses();
    void okStoresControls();
    void cancelLeavesMarkAlone_data();
    void cancelLeavesMarkAlone();
    void previewFollowsTheControls();
    void typingWidensSampleBeyondBox_data();
    void typingWidensSampleBeyondBox();

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
    // Answers "Load Image" with the path; an empty one cancels.
    void chooseImage(MarkEditor &e, const QString &path) {
        dialogs.openAnswers = {path};
        e.loadIMG->click();
    }

    QTemporaryDir dir;
    SharedState state;
    FakeHost host;
    ScriptedDialogService dialogs;
    std::unique_ptr<MarkEditor> editor;
};

void MarkEditorTest::init() {
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
    for (const FakeHost::Capture &c : host.captures)
        QVERIFY(c.destination == &e.PicIM->surface() && c.placement == BasePlacement && !c.warn);
}

void MarkEditorTest::openingWithImageMark() {
    const QString path = writePicture(100, 40);
    state.CurrentMark.MarkType = ImageMark;
    state.CurrentMark.ImagePath = path;
    state.CurrentMark.ImageTransparency = 1;
    state.CurrentMark.RasterOp = SrcInvert;
    MarkEditor &e = open(false);
    QVERIFY(e.FrameImg->isVisibleTo(&e) && !e.FrameTxt->isVisibleTo(&e));
    QVERIFY(e.ImgTransp[1]->isChecked());
    QCOMPARE(e.ListMode->currentItem()->text(), QStringLiteral("SrcInvert"));
    QCOMPARE(e.imageTag, path);
    QCOMPARE(e.imgIM[0]->surface().image(), patterned(100, 40));
    // The image preview, then the text preview, which alone asks for the warning.
    QCOMPARE(host.captures.size(), 2u);
    QCOMPARE(host.captures[0].destination, &e.imgIM[1]->surface());
    QVERIFY(!host.captures[0].warn && host.captures[1].warn);
    e.show();
    QCOMPARE(e.focusWidget(), e.imgIM[0]);
    QCOMPARE(host.captures.size(), 2u);
}

void MarkEditorTest::textMarkInOutlineLevel2() {
    MarkSettings &mark = state.CurrentMark;
    mark.Text = QStringLiteral("2005 Name");
    mark.Font = makeFont(QStringLiteral("DejaVu Sans"), 30, false, 0);
    mark.Font->font.setItalic(true);
    mark.Colour = 255;
    mark.PrintMode = Outline;
    mark.Level = 2;
    mark.RasterOp = 0; // not one of the eight: the list stays at SrcCopy
    MarkEditor &e = open(false);
    QVERIFY(e.PrintMode[1]->isChecked() && e.outlineRelief[2]->isChecked());
    QVERIFY(e.solidTransp[0]->isChecked() && e.contrast[0]->isChecked());
    QCOMPARE(e.ListMode->currentItem()->text(), QStringLiteral("SrcCopy"));
    QCOMPARE(e.TextIM->text(), mark.Text);
    // The sample takes the mark's face and colour in a font object of its own.
    QVERIFY(e.PicIM->surface().font().get() != mark.Font.get());
    QCOMPARE(style(e.PicIM->surface().font()->font), QStringLiteral("DejaVu Sans 30 italic"));
    QCOMPARE(e.PicIM->surface().foreColour(), 255);
    QCOMPARE(host.captures.size(), 1u);
    QVERIFY(host.captures[0].warn);
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
    QTest::addColumn<QString>("sample"); // the sample's face after, and the text box's
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("colour");
    QTest::newRow("cancelled") << false << "DejaVu Serif 40 bold"
                               << "DejaVu Serif 20.25 bold" << 0x00FF00;
    QTest::newRow("72-point bold italic red") << true << "DejaVu Sans 72 bold italic"
                                              << "DejaVu Sans 20.25 bold italic" << 255;
}

void MarkEditorTest::fontChooser() {
    QFETCH(bool, confirmed);
    QFETCH(int, colour);
    state.CurrentMark.Text = QStringLiteral("Wm");
    state.CurrentMark.Font = makeFont(QStringLiteral("DejaVu Serif"), 40, true, 204);
    state.CurrentMark.Colour = 0x00FF00;
    MarkEditor &e = open();
    const FontChoice chosen{QStringLiteral("DejaVu Sans"), 72, true, true, false, false, 255};
    if (confirmed)
        dialogs.fontAnswers = {chosen};
    const std::size_t captures = host.captures.size();

    e.fontIM->click();

    // The chooser starts from the mark's font and colour, and next time from the choice.
    QVERIFY(dialogs.fontRequests.at(0) ==
            (FontChoice{QStringLiteral("DejaVu Serif"), 40, true, false, false, false, 0x00FF00}));
    QVERIFY(e.Dlg == (confirmed ? chosen : dialogs.fontRequests[0]));
    QTEST(style(e.PicIM->surface().font()->font), "sample");
    QCOMPARE(e.buffer[0]->surface().font()->font, e.PicIM->surface().font()->font);
    QCOMPARE(e.PicIM->surface().foreColour(), colour);
    QTEST(style(e.TextIM->font()), "box");
    QCOMPARE(e.specKey[0]->font().family(), e.TextIM->font().family());
    QCOMPARE(e.TextIM->palette().color(QPalette::Text), QColor(rgbFromColour(colour)));
    // The sample is fitted and drawn again in the new font; cancelling leaves it alone.
    const int textWidth = e.PicIM->surface().textWidth(QStringLiteral("Wm"));
    QCOMPARE(e.PicIM->width(), std::max(textWidth, e.TextIM->width()));
    QCOMPARE(host.captures.size(), captures + (confirmed ? 1 : 0));
}

void MarkEditorTest::loadImage_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QRect>("shown");        // centred in the 5895 x 2175 twip frame, 55 twips low
    QTest::addColumn<QSize>("stored");       // the mark's size in twips at OK
    QTest::addColumn<QRect>("box");          // the preview, centred in the 5895 x 2655 twip frame
    QTest::addColumn<ScreenRect>("capture"); // centred on the placement window, (480, 350)
    QTest::newRow("100 x 50") << QSize(100, 50) << QRect(146, 51, 100, 50) << QSize(1500, 750)
                              << QRect(46, 17, 300, 150) << ScreenRect{330, 275, 630, 425};
    QTest::newRow("1024 x 768, clamped")
        << QSize(1024, 768) << QRect(84, 16, 225, 121) << QSize(3375, 1815)
        << QRect(36, 16, 321, 153) << ScreenRect{320, 274, 640, 426};
    QTest::newRow("100 x 40") << QSize(100, 40) << QRect(146, 56, 100, 40) << QSize(1500, 600)
                              << QRect(46, 22, 300, 140) << ScreenRect{330, 280, 630, 420};
    QTest::newRow("225 x 121") << QSize(225, 121) << QRect(84, 16, 225, 121) << QSize(3375, 1815)
                               << QRect(36, 16, 321, 153) << ScreenRect{320, 274, 640, 426};
}

void MarkEditorTest::loadImage() {
    QFETCH(QSize, picture);
    QFETCH(QRect, shown);
    MarkEditor &e = open();
    chooseImage(e, writePicture(picture.width(), picture.height()));
    QTEST(e.imgIM[0]->geometry(), "shown");
    // Natural size from the top-left corner, never scaled.
    QCOMPARE(e.imgIM[0]->surface().image(),
             patterned(picture.width(), picture.height()).copy(QRect(QPoint(), shown.size())));
    QTEST(e.imgIM[1]->geometry(), "box");
    QCOMPARE(host.captures.back().destination, &e.imgIM[1]->surface());
    QTEST(host.captures.back().placement, "capture");

    e.TypeIM->setValue(1);
    e.OK->click();
    QCOMPARE(state.CurrentMark.MarkType, 1);
    QTEST(QSize(state.CurrentMark.MarkWidth, state.CurrentMark.MarkHeight), "stored");
}

void MarkEditorTest::failedLoadKeepsPreviousImage_data() {
    QTest::addColumn<bool>("cancelled"); // else a file that is no picture
    QTest::newRow("unreadable file") << false;
    QTest::newRow("chooser cancelled") << true;
}

void MarkEditorTest::failedLoadKeepsPreviousImage() {
    QFETCH(bool, cancelled);
    QFile bad(dir.filePath(QStringLiteral("bad.jpg")));
    QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write("not a picture at all") > 0);
    bad.close();
    const QString good = writePicture(100, 50);
    MarkEditor &e = open();
    chooseImage(e, good);
    const QRect geometry = e.imgIM[0]->geometry();
    const std::size_t captures = host.captures.size();

    chooseImage(e, cancelled ? QString() : bad.fileName());

    QCOMPARE(dialogs.requests.back().title, QStringLiteral("Select Imprimata Image File"));
    QCOMPARE(dialogs.requests.back().filter,
             QStringLiteral("Bitmaps, JPEG Images, GIF Images|*.bmp;*.jpg;*.gif|"));
    QCOMPARE(dialogs.messages.size(), cancelled ? 0u : 1u);
    QCOMPARE(e.imageTag, good);
    QCOMPARE(e.imgIM[0]->geometry(), geometry);
    QCOMPARE(host.captures.size(), captures);
}

void MarkEditorTest::okRefuses_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("image");
    QTest::addColumn<QString>("message");
    QTest::newRow("image page without image, text present")
        << 1 << "Text" << false << "Imprimata IMAGE file isn't defined.";
    QTest::newRow("text page without text, image present")
        << 0 << QString() << true << "Imprimata TEXT is empty.";
    // Its size in twips would not fit the mark file.
    QTest::newRow("text too long to store")
        << 0 << QString(2000, QLatin1Char('W')) << false << "Imprimata TEXT is too long.";
}

void MarkEditorTest::okRefuses() {
    QFETCH(int, type);
    QFETCH(QString, text);
    QFETCH(bool, image);
    MarkEditor &e = open();
    if (image)
        chooseImage(e, writePicture(20, 10));
    e.TextIM->setText(text);
    e.TypeIM->setValue(type);
    // The sample stops growing where the mark's size could no longer be stored.
    QVERIFY(e.PicIM->width() * 15 <= 32767);

    e.OK->click();

    QCOMPARE(dialogs.messages.size(), 1u);
    QTEST(dialogs.messages[0].text, "message");
    QVERIFY(dialogs.messages[0].icon == MessageIcon::None);
    QVERIFY(!state.MarkAccepted && e.isVisible());
    QVERIFY(state.CurrentMark.Text.isEmpty() && state.CurrentMark.ImagePath.isEmpty());
    QCOMPARE(state.CurrentMark.MarkType, 0);
}

void MarkEditorTest::okStoresControls() {
    state.CurrentMark.MarkName = QStringLiteral("kept.$IM");
    const QString path = writePicture(30, 20);
    MarkEditor &e = open();
    chooseImage(e, path);
    e.ImgTransp[2]->click();
    e.ListMode->setCurrentRow(7);
    e.TypeIM->setValue(0);
    e.TextIM->setText(QStringLiteral("Hi"));
    e.solidTransp[2]->click(); // chosen in the Solid frame, then another mode taken
    e.PrintMode[2]->click();
    e.contrast[2]->click();

    e.OK->click();

    // Both halves are kept whatever the type, so switching back later finds the other.
    const MarkSettings &mark = state.CurrentMark;
    QVERIFY(state.MarkAccepted && !e.isVisible());
    QCOMPARE(mark.MarkType, 0);
    QCOMPARE(mark.Text, QStringLiteral("Hi"));
    QCOMPARE(mark.ImagePath, path);
    QCOMPARE(mark.PrintMode, 2);
    QCOMPARE(mark.Level, 2);
    QCOMPARE(mark.ImageTransparency, 2);
    QCOMPARE(static_cast<std::uint32_t>(mark.RasterOp), static_cast<std::uint32_t>(SrcPaint));
    QCOMPARE(mark.Font.get(), e.PicIM->surface().font().get());
    QCOMPARE(mark.Colour, SystemWindowText); // no colour chosen yet
    QCOMPARE(QSize(mark.MarkWidth, mark.MarkHeight), e.PicIM->size() * 15);
    QCOMPARE(mark.MarkName, QStringLiteral("kept.$IM"));
}

void MarkEditorTest::cancelLeavesMarkAlone_data() {
    QTest::addColumn<int>("how");
    QTest::newRow("Cancel button") << 0;
    QTest::newRow("Escape key") << 1;
    QTest::newRow("window closed") << 2;
}

void MarkEditorTest::cancelLeavesMarkAlone() {
    QFETCH(int, how);
    state.CurrentMark.Text = QStringLiteral("Old");
    state.MarkAccepted = true; // from an earlier OK
    MarkEditor &e = open();
    e.TextIM->setText(QStringLiteral("New"));
    if (how == 0)
        e.esc->click();
    else if (how == 1)
        QTest::keyClick(&e, Qt::Key_Escape);
    else
        e.close();
    QVERIFY(!state.MarkAccepted && !e.isVisible());
    QCOMPARE(state.CurrentMark.Text, QStringLiteral("Old"));
}

void MarkEditorTest::previewFollowsTheControls() {
    state.CurrentMark.Text = QStringLiteral("Ab");
    state.CurrentMark.Level = 1;
    MarkEditor &e = open();
    // An option of a mode that is not selected still redraws, with the same result.
    const QImage before = e.PicIM->surface().image().copy();
    e.outlineRelief[2]->click();
    QCOMPARE(host.captures.size(), 2u);
    QCOMPARE(e.PicIM->surface().image(), before);
    e.solidTransp[0]->click();
    QVERIFY(e.PicIM->surface().image() != before);

    // With no contrast option selected the level reads as the first.
    for (QRadioButton *b : e.contrast) {
        b->setAutoExclusive(false);
        b->setChecked(false);
    }
    e.PrintMode[2]->click();
    QCOMPARE(e.textOptions().level, 0);
}

void MarkEditorTest::typingWidensSampleBeyondBox_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("wider");
    QTest::newRow("narrow text") << QStringLiteral("ab") << false;
    QTest::newRow("wide, past 14 characters") << QStringLiteral("Imprimata 2005 owner") << true;
}

void MarkEditorTest::typingWidensSampleBeyondBox() {
    QFETCH(QString, text);
    QFETCH(bool, wider);
    MarkEditor &e = open();
    e.TextIM->setText(text);
    QCOMPARE(e.TextIM->text(), text);
    const int textWidth = e.PicIM->surface().textWidth(text);
    QCOMPARE(textWidth > e.TextIM->width(), wider);
    QCOMPARE(e.PicIM->width(), wider ? textWidth : e.TextIM->width());
    QCOMPARE(e.buffer[1]->width(), e.PicIM->width());
    QCOMPARE(host.workSize.width(), e.PicIM->width());
}

QTEST_MAIN(MarkEditorTest)
#include "tst_markeditor.moc"
