#include "mark/MarkEditor.h"

#include "platform/Raster.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace imprimata;

Q_DECLARE_METATYPE(imprimata::ScreenRect)

namespace {

QImage patterned(int w, int h, int seed) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(
                x, y, qRgb((x * 7 + seed) % 256, (y * 5 + seed * 3) % 256, (x + y + seed) % 256));
    return image;
}

QRgb at(const QImage &image, int x, int y) {
    return image.pixel(x, y) & 0x00FFFFFFu;
}

// The main window's picture on the screen and the placement window over it; captures copy
// the picture under the asked rectangle and are recorded.
class FakeHost : public MarkEditorHost {
public:
    struct Capture {
        const Surface *destination;
        ScreenRect placement;
        bool warn;
    };

    ScreenRect picture{100, 80, 900, 680};
    QImage pictureImage = patterned(800, 600, 1);
    ScreenRect window{400, 300, 560, 400};
    QPoint workOrigin{404, 320};
    QSize workSize{150, 60};
    std::vector<Capture> captures;

    ScreenRect pictureWindowRect() const override { return picture; }
    ScreenRect placementWindowRect() const override { return window; }
    QSize placementWorkSize() const override { return workSize; }
    void setPlacementWorkSize(QSize size) override { workSize = size; }
    ScreenRect placementWorkRect(QSize size) const override {
        return {workOrigin.x(), workOrigin.y(), workOrigin.x() + size.width(),
                workOrigin.y() + size.height()};
    }
    bool CaptureBackground(Surface &destination, const ScreenRect &pic, const ScreenRect &placement,
                           bool warnIfOutside) override {
        captures.push_back({&destination, placement, warnIfOutside});
        blockCopy(destination.image(), 0, 0, placement.width() + 1, placement.height() + 1,
                  pictureImage, placement.left - pic.left, placement.top - pic.top);
        return true;
    }
};

bool same(const QFont &a, const QFont &b) {
    return a.family() == b.family() && a.pointSizeF() == b.pointSizeF() && a.bold() == b.bold() &&
           a.italic() == b.italic() && a.strikeOut() == b.strikeOut() &&
           a.underline() == b.underline();
}

} // namespace

class MarkEditorTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void openingWithoutMark();
    void openingWithImageMark();
    void newAfterImageMark();
    void textMarkInOutlineLevel2();
    void symbolButtonsInTwoRows();
    void symbolAppendsAtEnd_data();
    void symbolAppendsAtEnd();
    void fontCancelChangesNothing();
    void fontChoiceApplied();
    void imageClamp_data();
    void imageClamp();
    void unreadableImageKeepsPreviousOne();
    void loadCancelled();
    void imagePreviewBox_data();
    void imagePreviewBox();
    void okChecks_data();
    void okChecks();
    void okStoresControls();
    void okStoresImageSize();
    void okRefusesTextTooLongToStore();
    void cancelLeavesMarkAlone_data();
    void cancelLeavesMarkAlone();
    void previewsWaitForDisplay();
    void optionOfOtherModeRedrawsSamePreview();
    void switchToTextCapturesOnlyWhenEmpty();
    void typingWidensSampleBeyondBox_data();
    void typingWidensSampleBeyondBox();
    void noContrastSelectedReadsFirstLevel();

private:
    MarkEditor &open();
    MarkEditor &openShown();
    QString writePicture(const QString &name, int w, int h);

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<SharedState> state;
    std::unique_ptr<FakeHost> host;
    std::unique_ptr<ScriptedDialogService> dialogs;
    std::unique_ptr<MarkEditor> editor;
};

void MarkEditorTest::init() {
    dir = std::make_unique<QTemporaryDir>();
    state = std::make_unique<SharedState>();
    state->PlacementBaseWidth = 150;
    state->PlacementBaseHeight = 60;
    host = std::make_unique<FakeHost>();
    dialogs = std::make_unique<ScriptedDialogService>();
}

void MarkEditorTest::cleanup() {
    editor.reset();
}

MarkEditor &MarkEditorTest::open() {
    editor = std::make_unique<MarkEditor>(*state, *host, *dialogs);
    return *editor;
}

MarkEditor &MarkEditorTest::openShown() {
    open().show();
    return *editor;
}

QString MarkEditorTest::writePicture(const QString &name, int w, int h) {
    const QString path = dir->filePath(name);
    patterned(w, h, 9).save(path, "BMP");
    return path;
}

void MarkEditorTest::openingWithoutMark() {
    MarkEditor &e = open();
    QVERIFY(!e.ready);
    QVERIFY(!e.hadMark);
    QCOMPARE(e.windowTitle(), QStringLiteral("Imprimata Options"));
    QVERIFY(e.FrameTxt->isVisibleTo(&e));
    QVERIFY(!e.FrameImg->isVisibleTo(&e));
    QCOMPARE(e.TypeIM->value(), 0);
    QVERIFY(e.TextIM->text().isEmpty());
    QVERIFY(e.imageTag.isEmpty());
    for (const auto *group :
         {&e.PrintMode, &e.solidTransp, &e.outlineRelief, &e.contrast, &e.ImgTransp})
        QVERIFY((*group)[0]->isChecked());

    QCOMPARE(e.ListMode->count(), 8);
    for (int row = 0; row < 8; ++row) {
        QCOMPARE(e.ListMode->item(row)->text(), QString::fromLatin1(RasterOpTable[row].name));
        QCOMPARE(e.ListMode->item(row)->data(Qt::UserRole).toUInt(), RasterOpTable[row].code);
    }
    QCOMPARE(e.ListMode->currentItem()->text(), QStringLiteral("SrcCopy"));

    // The mark font is now the sample's very font object.
    QVERIFY(state->CurrentMark.Font);
    QCOMPARE(state->CurrentMark.Font.get(), e.PicIM->surface().font().get());
    QCOMPARE(e.Dlg.family, QStringLiteral("Times New Roman"));
    QCOMPARE(e.Dlg.pointSize, 48.0);
    QVERIFY(e.Dlg.bold && !e.Dlg.italic);
    QCOMPARE(e.Dlg.colour, 0);

    // The background under the placement window at its base size, one pixel in.
    QCOMPARE(host->captures.size(), 1u);
    QCOMPARE(host->captures[0].destination, &e.PicIM->surface());
    QCOMPARE(host->captures[0].placement, (ScreenRect{405, 321, 553, 379}));
    QVERIFY(!host->captures[0].warn);

    QCOMPARE(e.maxImageWidth, 225);
    QCOMPARE(e.maxImageHeight, 121);
    QCOMPARE(e.previewWidth, 321);
    QCOMPARE(e.previewHeight, 153);
    QCOMPARE(e.TypeIM->face(0).size(), QSize(63, 25));
    QCOMPARE(e.TypeIM->face(1).size(), QSize(45, 45));

    e.show();
    QVERIFY(e.ready);
    QCOMPARE(host->captures.size(), 1u);
}

void MarkEditorTest::openingWithImageMark() {
    const QString path = writePicture(QStringLiteral("mark.bmp"), 100, 40);
    MarkSettings &mark = state->CurrentMark;
    mark.MarkType = ImageMark;
    mark.ImagePath = path;
    mark.ImageTransparency = 1;
    mark.RasterOp = SrcInvert;
    MarkEditor &e = open();
    QVERIFY(e.hadMark);
    QVERIFY(e.FrameImg->isVisibleTo(&e));
    QVERIFY(!e.FrameTxt->isVisibleTo(&e));
    QVERIFY(e.ImgTransp[1]->isChecked());
    QCOMPARE(e.ListMode->currentItem()->text(), QStringLiteral("SrcInvert"));
    QCOMPARE(e.imageTag, path);

    const QImage picture = patterned(100, 40, 9);
    QCOMPARE(e.imgIM[0]->size(), QSize(100, 40));
    QCOMPARE(at(e.imgIM[0]->surface().image(), 99, 39), at(picture, 99, 39));

    // The image preview, then the text preview, which alone asks for the warning.
    QCOMPARE(host->captures.size(), 2u);
    QCOMPARE(host->captures[0].destination, &e.imgIM[1]->surface());
    QVERIFY(!host->captures[0].warn);
    QCOMPARE(host->captures[1].destination, &e.PicIM->surface());
    QVERIFY(host->captures[1].warn);

    QCOMPARE(e.imgIM[1]->size(), QSize(300, 140));

    e.show();
    QCOMPARE(e.focusWidget(), e.imgIM[0]);
    QCOMPARE(host->captures.size(), 2u);
}

void MarkEditorTest::newAfterImageMark() {
    state->CurrentMark.MarkType = ImageMark; // text and image path cleared, the type kept
    MarkEditor &e = open();
    QCOMPARE(e.TypeIM->value(), 0);
    QVERIFY(e.FrameTxt->isVisibleTo(&e));
    QCOMPARE(host->captures.size(), 1u);
    e.show();
    QVERIFY(e.FrameTxt->isVisibleTo(&e));
    QCOMPARE(host->captures.size(), 2u);
    QCOMPARE(host->captures[1].destination, &e.PicIM->surface());
    QCOMPARE(host->captures[1].placement, host->captures[0].placement);
}

void MarkEditorTest::textMarkInOutlineLevel2() {
    MarkSettings &mark = state->CurrentMark;
    mark.Text = QStringLiteral("2005 Name");
    mark.Font = makeFont(QStringLiteral("DejaVu Sans"), 30, false, 0);
    mark.Font->font.setItalic(true);
    mark.Colour = 255;
    mark.PrintMode = Outline;
    mark.Level = 2;
    mark.RasterOp = 0; // not one of the eight: the list stays at SrcCopy
    MarkEditor &e = open();

    QVERIFY(e.PrintMode[1]->isChecked());
    QVERIFY(e.outlineRelief[2]->isChecked());
    QVERIFY(e.solidTransp[0]->isChecked());
    QVERIFY(e.contrast[0]->isChecked());
    QCOMPARE(e.ListMode->currentRow(), 4);
    QCOMPARE(e.TextIM->text(), QStringLiteral("2005 Name"));

    // Every holder takes the mark's face and style; the sample keeps its own font object.
    for (const Surface *s : {&e.PicIM->surface(), &e.buffer[0]->surface()}) {
        QVERIFY(s->font().get() != mark.Font.get());
        QCOMPARE(s->font()->font.family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(s->font()->font.pointSizeF(), 30.0);
        QVERIFY(s->font()->font.italic() && !s->font()->font.bold());
        QCOMPARE(s->font()->charSet, 204);
    }
    QCOMPARE(e.TextIM->font().family(), QStringLiteral("DejaVu Sans"));
    QCOMPARE(e.TextIM->font().pointSizeF(), 20.25);
    QVERIFY(e.TextIM->font().italic());
    for (const QPushButton *key : e.specKey) {
        QCOMPARE(key->font().family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(key->font().pointSizeF(), 18.0);
    }
    QCOMPARE(e.textForeColour(), 255);
    QCOMPARE(e.PicIM->surface().foreColour(), 255);
    QCOMPARE(e.Dlg.family, QStringLiteral("DejaVu Sans"));
    QCOMPARE(e.Dlg.pointSize, 30.0);
    QCOMPARE(e.Dlg.colour, 255);

    // The sample fits the text and the placement window's work picture follows it.
    const int lineHeight = e.PicIM->surface().textHeight(QStringLiteral("1"));
    QCOMPARE(e.PicIM->height(), lineHeight + 3);
    QCOMPARE(host->workSize, QSize(e.PicIM->width(), lineHeight + 3));
    QCOMPARE(e.buffer[0]->size(), e.PicIM->size());
    QCOMPARE(e.buffer[0]->y(), e.PicIM->y());

    QCOMPARE(host->captures.size(), 1u);
    QCOMPARE(host->captures[0].destination, &e.PicIM->surface());
    QVERIFY(host->captures[0].warn);
    QCOMPARE(host->captures[0].placement, (ScreenRect{405, 321, 404 + host->workSize.width() - 1,
                                                      320 + host->workSize.height() - 1}));
}

void MarkEditorTest::symbolButtonsInTwoRows() {
    MarkEditor &e = open();
    QCOMPARE(MarkEditor::SpecialSymbols.size(), 18);
    QCOMPARE(MarkEditor::SpecialSymbols.at(6), QChar(0x00A9));
    QCOMPARE(MarkEditor::SpecialSymbols.at(17), QChar(0x0402));
    // 495-twip buttons one twip apart, from (240, 1200) twips, at 15 twips per pixel.
    const int lefts[9] = {16, 49, 82, 115, 148, 181, 214, 247, 281};
    for (int i = 0; i < 18; ++i) {
        const QPushButton *key = e.specKey[static_cast<std::size_t>(i)];
        QCOMPARE(key->text(), MarkEditor::SpecialSymbols.mid(i, 1));
        QCOMPARE(key->parentWidget(), e.FrameTxt);
        QVERIFY(key->isVisibleTo(&e));
        QCOMPARE(key->x(), lefts[i % 9]);
        QCOMPARE(key->y(), i < 9 ? 80 : 113);
        QCOMPARE(key->size(), QSize(33, 33));
    }
}

void MarkEditorTest::symbolAppendsAtEnd_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caret");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("expected");
    QTest::newRow("copyright after a name")
        << QStringLiteral("2005 Name") << 9 << 6 << QStringLiteral("2005 Name\u00A9");
    QTest::newRow("caret at the start")
        << QStringLiteral("ab") << 0 << 17 << QStringLiteral("ab\u0402");
    QTest::newRow("empty text") << QString() << 0 << 0 << QStringLiteral("\u2020");
}

void MarkEditorTest::symbolAppendsAtEnd() {
    QFETCH(QString, text);
    QFETCH(int, caret);
    QFETCH(int, key);
    MarkEditor &e = openShown();
    e.TextIM->setText(text);
    e.TextIM->setCursorPosition(caret);
    e.fontIM->setFocus();
    const std::size_t before = host->captures.size();
    e.specKey[static_cast<std::size_t>(key)]->click();
    QTEST(e.TextIM->text(), "expected");
    QCOMPARE(e.focusWidget(), e.TextIM);
    QCOMPARE(host->captures.size(), before + 1); // the text preview was drawn again
}

void MarkEditorTest::fontCancelChangesNothing() {
    state->CurrentMark.Text = QStringLiteral("Mark");
    state->CurrentMark.Font = makeFont(QStringLiteral("DejaVu Serif"), 40, true, 204);
    state->CurrentMark.Colour = 0x00FF00;
    MarkEditor &e = openShown();
    const QFont sample = e.PicIM->surface().font()->font;
    const QFont buffer = e.buffer[0]->surface().font()->font;
    const QFont box = e.TextIM->font();
    const QFont key = e.specKey[5]->font();
    const QImage shown = e.PicIM->surface().image().copy();
    const FontChoice dlg = e.Dlg;
    const std::size_t captures = host->captures.size();

    e.fontIM->click();

    QCOMPARE(dialogs->fontRequests.size(), 1u);
    const FontChoice &asked = dialogs->fontRequests[0];
    QCOMPARE(asked.family, QStringLiteral("DejaVu Serif"));
    QCOMPARE(asked.pointSize, 40.0);
    QCOMPARE(asked.minimumSize, 20);
    QCOMPARE(asked.maximumSize, 100);
    QCOMPARE(asked.colour, 0x00FF00);

    QVERIFY(same(e.PicIM->surface().font()->font, sample));
    QVERIFY(same(e.buffer[0]->surface().font()->font, buffer));
    QVERIFY(same(e.TextIM->font(), box));
    QVERIFY(same(e.specKey[5]->font(), key));
    QCOMPARE(e.PicIM->surface().image(), shown);
    QCOMPARE(e.textForeColour(), 0x00FF00);
    QVERIFY(e.Dlg == dlg);
    QCOMPARE(host->captures.size(), captures);
}

void MarkEditorTest::fontChoiceApplied() {
    MarkEditor &e = openShown();
    e.TextIM->setText(QStringLiteral("Wm"));
    QCOMPARE(e.PicIM->width(), e.TextIM->width()); // fits the box at the starting size
    const std::size_t captures = host->captures.size();
    constexpr ColourValue Red = 255;
    dialogs->fontAnswers = {
        FontChoice{QStringLiteral("DejaVu Sans"), 72, true, true, false, false, Red, 20, 100}};

    e.fontIM->click();

    for (const Surface *s : {&e.PicIM->surface(), &e.buffer[0]->surface()}) {
        QCOMPARE(s->font()->font.family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(s->font()->font.pointSizeF(), 72.0);
        QVERIFY(s->font()->font.bold() && s->font()->font.italic());
        QCOMPARE(s->font()->charSet, 204);
        QCOMPARE(s->foreColour(), Red);
    }
    QCOMPARE(e.TextIM->font().family(), QStringLiteral("DejaVu Sans"));
    QCOMPARE(e.TextIM->font().pointSizeF(), 20.25);
    QVERIFY(e.TextIM->font().bold() && e.TextIM->font().italic());
    QCOMPARE(e.textForeColour(), Red);
    QCOMPARE(e.TextIM->palette().color(QPalette::Text), QColor(255, 0, 0));
    for (const QPushButton *key : e.specKey) {
        QCOMPARE(key->font().family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(key->font().pointSizeF(), 18.0);
        QVERIFY(key->font().bold() && key->font().italic());
    }
    // Wider than the box now; the preview is drawn again in the new font.
    QVERIFY(e.PicIM->width() > e.TextIM->width());
    QCOMPARE(e.PicIM->width(), e.PicIM->surface().textWidth(QStringLiteral("Wm")));
    QCOMPARE(host->captures.size(), captures + 1);
    // Opened without a mark, the mark shares the sample's font and so has it at once.
    QCOMPARE(state->CurrentMark.Font->font.pointSizeF(), 72.0);

    // The chooser starts again from the confirmed choice.
    e.fontIM->click();
    QCOMPARE(dialogs->fontRequests.size(), 2u);
    QCOMPARE(dialogs->fontRequests[1].family, QStringLiteral("DejaVu Sans"));
    QCOMPARE(dialogs->fontRequests[1].pointSize, 72.0);
    QVERIFY(dialogs->fontRequests[1].bold && dialogs->fontRequests[1].italic);
    QCOMPARE(dialogs->fontRequests[1].colour, Red);
}

void MarkEditorTest::imageClamp_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("shown");
    QTest::addColumn<QPoint>("position");
    // Centred in the 5895 x 2175 twip frame, 55 twips below the middle.
    QTest::newRow("100 x 50") << QSize(100, 50) << QSize(100, 50) << QPoint(146, 51);
    QTest::newRow("1024 x 768") << QSize(1024, 768) << QSize(225, 121) << QPoint(84, 16);
}

void MarkEditorTest::imageClamp() {
    QFETCH(QSize, picture);
    QFETCH(QSize, shown);
    const QString path = writePicture(QStringLiteral("p.bmp"), picture.width(), picture.height());
    MarkEditor &e = openShown();
    dialogs->openAnswers = {path};
    e.loadIMG->click();
    QCOMPARE(e.imageTag, path);
    QCOMPARE(e.imgIM[0]->size(), shown);
    QTEST(e.imgIM[0]->pos(), "position");
    // Natural size from the top-left corner, never scaled.
    const QImage source = patterned(picture.width(), picture.height(), 9);
    const QImage &image = e.imgIM[0]->surface().image();
    QCOMPARE(image.size(), shown);
    for (const QPoint p : {QPoint(0, 0), QPoint(shown.width() - 1, shown.height() - 1),
                           QPoint(shown.width() / 2, 7)})
        QCOMPARE(at(image, p.x(), p.y()), at(source, p.x(), p.y()));
    QCOMPARE(host->captures.back().destination, &e.imgIM[1]->surface());
}

void MarkEditorTest::unreadableImageKeepsPreviousOne() {
    const QString good = writePicture(QStringLiteral("good.bmp"), 100, 50);
    const QString bad = dir->filePath(QStringLiteral("bad.jpg"));
    QFile file(bad);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a picture at all");
    file.close();

    MarkEditor &e = openShown();
    dialogs->openAnswers = {good, bad};
    e.loadIMG->click();
    const std::size_t captures = host->captures.size();
    const QRect geometry = e.imgIM[0]->geometry();
    e.loadIMG->click();
    QCOMPARE(dialogs->messages.size(), 1u);
    QCOMPARE(e.imageTag, good);
    QCOMPARE(e.imgIM[0]->geometry(), geometry);
    QCOMPARE(host->captures.size(), captures);
}

void MarkEditorTest::loadCancelled() {
    MarkEditor &e = openShown();
    const QRect geometry = e.imgIM[0]->geometry();
    e.loadIMG->click();
    QCOMPARE(dialogs->requests.size(), 1u);
    QCOMPARE(dialogs->requests[0].title, QStringLiteral("Select Imprimata Image File"));
    QCOMPARE(dialogs->requests[0].filter,
             QStringLiteral("Bitmaps, JPEG Images, GIF Images|*.bmp;*.jpg;*.gif|"));
    QVERIFY(e.imageTag.isEmpty());
    QCOMPARE(e.imgIM[0]->geometry(), geometry);
    QVERIFY(dialogs->messages.empty());
}

void MarkEditorTest::imagePreviewBox_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QRect>("box");
    QTest::addColumn<ScreenRect>("capture");
    // Placement window centre (480, 350); the box is centred in the 5895 x 2655 twip frame.
    QTest::newRow("100 x 40") << QSize(100, 40) << QRect(46, 22, 300, 140)
                              << ScreenRect{330, 280, 630, 420};
    QTest::newRow("225 x 121") << QSize(225, 121) << QRect(36, 16, 321, 153)
                               << ScreenRect{320, 274, 640, 426};
}

void MarkEditorTest::imagePreviewBox() {
    QFETCH(QSize, picture);
    const QString path = writePicture(QStringLiteral("p.bmp"), picture.width(), picture.height());
    MarkEditor &e = openShown();
    dialogs->openAnswers = {path};
    e.loadIMG->click();
    QTEST(e.imgIM[1]->geometry(), "box");
    QTEST(host->captures.back().placement, "capture");
}

void MarkEditorTest::okChecks_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("image");
    QTest::addColumn<QString>("message");
    QTest::newRow("image page without image, text present")
        << 1 << QStringLiteral("Text") << false
        << QStringLiteral("Imprimata IMAGE file isn't defined.");
    QTest::newRow("text page without text, image present")
        << 0 << QString() << true << QStringLiteral("Imprimata TEXT is empty.");
    QTest::newRow("text page complete") << 0 << QStringLiteral("Text") << true << QString();
    QTest::newRow("image page complete") << 1 << QString() << true << QString();
}

void MarkEditorTest::okChecks() {
    QFETCH(int, type);
    QFETCH(QString, text);
    QFETCH(bool, image);
    QFETCH(QString, message);
    MarkEditor &e = openShown();
    if (image) {
        dialogs->openAnswers = {writePicture(QStringLiteral("p.bmp"), 20, 10)};
        e.loadIMG->click();
    }
    e.TextIM->setText(text);
    e.TypeIM->setValue(type);
    const MarkSettings before = state->CurrentMark;

    e.OK->click();

    if (message.isEmpty()) {
        QVERIFY(dialogs->messages.empty());
        QVERIFY(state->MarkAccepted);
        QVERIFY(!e.isVisible());
        QCOMPARE(state->CurrentMark.MarkType, type);
        return;
    }
    QCOMPARE(dialogs->messages.size(), 1u);
    QCOMPARE(dialogs->lastMessage(), message);
    QVERIFY(dialogs->messages[0].icon == MessageIcon::None);
    QVERIFY(!state->MarkAccepted);
    QVERIFY(e.isVisible());
    QCOMPARE(state->CurrentMark.Text, before.Text);
    QCOMPARE(state->CurrentMark.ImagePath, before.ImagePath);
    QCOMPARE(state->CurrentMark.MarkType, before.MarkType);
}

void MarkEditorTest::okStoresControls() {
    state->CurrentMark.MarkName = QStringLiteral("kept.$IM");
    const QString path = writePicture(QStringLiteral("p.bmp"), 30, 20);
    MarkEditor &e = openShown();
    dialogs->openAnswers = {path};
    e.loadIMG->click();
    e.ImgTransp[2]->click();
    e.ListMode->setCurrentRow(7);
    e.TypeIM->setValue(0);
    e.TextIM->setText(QStringLiteral("Hi"));
    e.solidTransp[2]->click(); // chosen in the Solid frame, then another mode taken
    e.PrintMode[2]->click();
    e.contrast[2]->click();

    e.OK->click();

    const MarkSettings &mark = state->CurrentMark;
    QVERIFY(state->MarkAccepted);
    QCOMPARE(mark.MarkType, 0);
    QCOMPARE(mark.Text, QStringLiteral("Hi"));
    QCOMPARE(mark.ImagePath, path);
    QCOMPARE(mark.PrintMode, 2);
    QCOMPARE(mark.Level, 2);
    QCOMPARE(mark.ImageTransparency, 2);
    QCOMPARE(static_cast<std::uint32_t>(mark.RasterOp), static_cast<std::uint32_t>(SrcPaint));
    QCOMPARE(mark.Font.get(), e.PicIM->surface().font().get());
    QCOMPARE(mark.Colour, SystemWindowText); // no colour chosen yet
    QCOMPARE(mark.MarkWidth, e.PicIM->width() * 15);
    QCOMPARE(mark.MarkHeight, e.PicIM->height() * 15);
    QCOMPARE(mark.MarkName, QStringLiteral("kept.$IM"));
}

void MarkEditorTest::okStoresImageSize() {
    dialogs->openAnswers = {writePicture(QStringLiteral("p.bmp"), 100, 50)};
    MarkEditor &e = openShown();
    e.loadIMG->click();
    e.TypeIM->setValue(1);
    e.OK->click();
    QCOMPARE(state->CurrentMark.MarkType, 1);
    QCOMPARE(state->CurrentMark.MarkWidth, 1500);
    QCOMPARE(state->CurrentMark.MarkHeight, 750);
}

void MarkEditorTest::okRefusesTextTooLongToStore() {
    MarkEditor &e = openShown();
    e.TextIM->setText(QString(2000, QLatin1Char('W')));
    // The sample stops growing where a mark's size could no longer be kept.
    QVERIFY(e.PicIM->width() * 15 <= 32767);
    QVERIFY(e.PicIM->width() * 15 > 32767 - 15);
    QCOMPARE(host->workSize.width(), e.PicIM->width());
    e.OK->click();
    QCOMPARE(dialogs->lastMessage(), QStringLiteral("Imprimata TEXT is too long."));
    QVERIFY(!state->MarkAccepted);
    QVERIFY(state->CurrentMark.Text.isEmpty());
    QVERIFY(e.isVisible());
}

void MarkEditorTest::cancelLeavesMarkAlone_data() {
    QTest::addColumn<int>("how");
    QTest::newRow("Cancel button") << 0;
    QTest::newRow("Escape key") << 1;
    QTest::newRow("window closed") << 2;
}

void MarkEditorTest::cancelLeavesMarkAlone() {
    QFETCH(int, how);
    MarkSettings &mark = state->CurrentMark;
    mark.Text = QStringLiteral("Old");
    mark.Font = makeFont(QStringLiteral("DejaVu Sans"), 30, true, 204);
    mark.PrintMode = Solid;
    mark.Level = 1;
    mark.Colour = 0x123456;
    state->MarkAccepted = true;
    const MarkSettings before = mark;
    MarkEditor &e = openShown();
    e.TextIM->setText(QStringLiteral("New"));
    e.PrintMode[1]->click();
    e.TypeIM->setValue(1);
    dialogs->fontAnswers = {
        FontChoice{QStringLiteral("DejaVu Serif"), 60, false, true, false, false, 255, 20, 100}};
    e.TypeIM->setValue(0);
    e.fontIM->click();

    if (how == 0)
        e.esc->click();
    else if (how == 1)
        QTest::keyClick(&e, Qt::Key_Escape);
    else
        e.close();

    QVERIFY(!state->MarkAccepted);
    QVERIFY(!e.isVisible());
    QCOMPARE(mark.Text, before.Text);
    QCOMPARE(mark.PrintMode, before.PrintMode);
    QCOMPARE(mark.Level, before.Level);
    QCOMPARE(mark.Colour, before.Colour);
    QCOMPARE(mark.MarkType, before.MarkType);
    QCOMPARE(mark.Font.get(), before.Font.get());
    QCOMPARE(mark.Font->font.pointSizeF(), 30.0);
}

void MarkEditorTest::previewsWaitForDisplay() {
    MarkEditor &e = open();
    const std::size_t opening = host->captures.size();
    e.PrintMode[1]->click();
    e.contrast[1]->click();
    e.ImgTransp[1]->click();
    e.ListMode->setCurrentRow(2);
    e.TextIM->setText(QStringLiteral("x"));
    QCOMPARE(host->captures.size(), opening);

    e.show();
    const std::size_t shown = host->captures.size();
    e.solidTransp[1]->click();
    e.outlineRelief[2]->click();
    e.PrintMode[2]->click();
    QCOMPARE(host->captures.size(), shown + 3);
    for (std::size_t i = shown; i < shown + 3; ++i)
        QCOMPARE(host->captures[i].destination, &e.PicIM->surface());
    e.ImgTransp[2]->click();
    e.ListMode->setCurrentRow(5);
    QCOMPARE(host->captures.size(), shown + 5);
    QCOMPARE(host->captures.back().destination, &e.imgIM[1]->surface());
}

void MarkEditorTest::optionOfOtherModeRedrawsSamePreview() {
    state->CurrentMark.Text = QStringLiteral("Ab");
    state->CurrentMark.Font = makeFont(QStringLiteral("DejaVu Sans"), 30, true, 204);
    state->CurrentMark.Colour = 0x0000FF;
    state->CurrentMark.PrintMode = Solid;
    state->CurrentMark.Level = 1;
    MarkEditor &e = openShown();
    const QImage before = e.PicIM->surface().image().copy();
    const std::size_t captures = host->captures.size();
    e.outlineRelief[2]->click();
    QCOMPARE(host->captures.size(), captures + 1);
    QCOMPARE(e.PicIM->surface().image(), before);
    e.solidTransp[0]->click();
    QVERIFY(e.PicIM->surface().image() != before);
}

void MarkEditorTest::switchToTextCapturesOnlyWhenEmpty() {
    MarkEditor &e = openShown();
    e.TypeIM->setValue(1);
    QVERIFY(e.FrameImg->isVisibleTo(&e));
    QCOMPARE(e.focusWidget(), e.imgIM[0]);
    const std::size_t before = host->captures.size();
    e.TypeIM->click();
    QVERIFY(e.FrameTxt->isVisibleTo(&e));
    QCOMPARE(host->captures.size(), before + 1);
    QCOMPARE(host->captures.back().placement, (ScreenRect{405, 321, 553, 379}));

    e.TextIM->setText(QStringLiteral("T"));
    e.TypeIM->setValue(1);
    const std::size_t typed = host->captures.size();
    e.TypeIM->setValue(0);
    QCOMPARE(host->captures.size(), typed);
}

void MarkEditorTest::typingWidensSampleBeyondBox_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("wider");
    QTest::newRow("narrow text") << QStringLiteral("ab") << false;
    QTest::newRow("wide text") << QStringLiteral("Imprimata 2005") << true;
}

void MarkEditorTest::typingWidensSampleBeyondBox() {
    QFETCH(QString, text);
    QFETCH(bool, wider);
    MarkEditor &e = openShown();
    e.TextIM->setText(text);
    const int textWidth = e.PicIM->surface().textWidth(text);
    QCOMPARE(textWidth > e.TextIM->width(), wider);
    QCOMPARE(e.PicIM->width(), wider ? textWidth : e.TextIM->width());
    QCOMPARE(e.buffer[1]->width(), e.PicIM->width());
    QCOMPARE(host->workSize.width(), e.PicIM->width());
}

void MarkEditorTest::noContrastSelectedReadsFirstLevel() {
    MarkEditor &e = open();
    e.PrintMode[2]->setChecked(true);
    for (QRadioButton *b : e.contrast) {
        b->setAutoExclusive(false);
        b->setChecked(false);
    }
    QCOMPARE(e.SelectedIndex(QStringLiteral("contrast")), 0);
    QCOMPARE(e.textOptions().level, 0);
    e.contrast[2]->setChecked(true);
    QCOMPARE(e.SelectedIndex(QStringLiteral("contrast")), 2);
    QCOMPARE(e.SelectedIndex(QStringLiteral("nothing")), 0);
}

QTEST_MAIN(MarkEditorTest)
#include "tst_markeditor.moc"
