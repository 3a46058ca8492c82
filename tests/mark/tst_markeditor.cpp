#include "mark/MarkEditor.h"

#include "render/CraftedJpeg.h"

#include <QCheckBox>
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
    };
    std::vector<Capture> captures;
    ScreenRect picture{100, 80, 900, 680};

    ScreenRect pictureWindowRect() const override { return picture; }
    ScreenRect placementWindowRect() const override { return {400, 300, 560, 400}; }
    QSize placementWorkSize() const override { return {150, 60}; }
    void setPlacementWorkSize(QSize) override {}
    ScreenRect placementWorkRect(QSize size) const override {
        return {404, 320, 404 + size.width(), 320 + size.height()};
    }
    bool CaptureBackground(Surface &destination, const ScreenRect &,
                           const ScreenRect &placement) override {
        captures.push_back({&destination, placement});
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
    void init() {
        editor.reset();
        state = SharedState{};
        state.PlacementBaseWidth = 150;
        state.PlacementBaseHeight = 60;
        host = FakeHost{};
        dialogs = ScriptedDialogService{};
    }

    void openingOnTextPage_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("captures"); // once displayed
        QTest::newRow("empty mark") << 0 << 1;
        // New clears the text and the image path but keeps the type; the first display
        // switches the page again, which captures once more.
        QTest::newRow("New after an IMAGE mark") << 1 << 2;
    }

    void openingOnTextPage() {
        QFETCH(int, type);
        state.CurrentMark.MarkType = static_cast<std::int16_t>(type);
        MarkEditor &e = open();
        QCOMPARE(e.typeToggle->value(), 0);
        QVERIFY(e.textPage->isVisibleTo(&e) && !e.imagePage->isVisibleTo(&e));
        for (const auto *group : {&e.printModeOptions, &e.solidTransparency, &e.outlineRelief,
                                  &e.contrast, &e.imageTransparency})
            QVERIFY((*group)[0]->isChecked());
        QCOMPARE(e.rasterOpList->currentItem()->text(), QStringLiteral("SrcCopy"));
        // The mark font is now the sample's very font object.
        QCOMPARE(state.CurrentMark.Font.get(), e.textSample->surface().font().get());
        QVERIFY(e.fontChoice == (FontChoice{QStringLiteral("Times New Roman"), 48, true}));
        QTEST(int(host.captures.size()), "captures");
        // The placement window's work picture at its base size, one pixel in on each side.
        const ScreenRect base{405, 321, 553, 379};
        for (const FakeHost::Capture &c : host.captures)
            QVERIFY(c.destination == &e.textSample->surface() && c.placement == base);
        QCOMPARE(e.typeToggle->accessibleName(), QStringLiteral("Imprimata Type"));
        QCOMPARE(e.typeToggle->accessibleDescription(), QStringLiteral("TEXT"));
    }

    void openingWithImageMark() {
        state.CurrentMark.MarkType = ImageMark;
        state.CurrentMark.ImageTransparency = 1;
        state.CurrentMark.RasterOp = SrcInvert;
        state.CurrentMark.ImagePath = writePicture(100, 40);
        MarkEditor &e = open(false);
        QVERIFY(e.imagePage->isVisibleTo(&e) && !e.textPage->isVisibleTo(&e));
        QVERIFY(e.imageTransparency[1]->isChecked());
        QCOMPARE(e.rasterOpList->currentItem()->text(), QStringLiteral("SrcInvert"));
        // The image preview, then the text preview.
        QCOMPARE(host.captures.size(), 2u);
        QCOMPARE(host.captures[0].destination, &e.imageBoxes[1]->surface());
        QCOMPARE(host.captures[1].destination, &e.textSample->surface());
        QCOMPARE(e.typeToggle->accessibleDescription(), QStringLiteral("IMAGE"));
        e.show();
        QCOMPARE(e.focusWidget(), e.imageBoxes[0]);
    }

    void textMarkInOutlineLevel2() {
        state.CurrentMark.Text = QStringLiteral("2005 Name");
        state.CurrentMark.PrintMode = optionIndex(PrintMode::Outline);
        state.CurrentMark.Level = 2;
        MarkEditor &e = open(false);
        QVERIFY(e.printModeOptions[1]->isChecked() && e.outlineRelief[2]->isChecked());
        QVERIFY(e.solidTransparency[0]->isChecked() && e.contrast[0]->isChecked());
    }

    void symbolButtons() {
        MarkEditor &e = open();
        // 495-twip buttons one twip apart, from (240, 1200) twips, at 15 twips per pixel.
        const int lefts[9] = {16, 49, 82, 115, 148, 181, 214, 247, 281};
        for (int i = 0; i < 18; ++i) {
            const QPushButton *key = e.symbolKeys[static_cast<std::size_t>(i)];
            QCOMPARE(key->text(), MarkEditor::SpecialSymbols.mid(i, 1));
            QCOMPARE(key->geometry(), QRect(lefts[i % 9], i < 9 ? 80 : 113, 33, 33));
        }
        // A symbol goes at the end of the text wherever the caret is, and the preview follows.
        e.textEdit->setText(QStringLiteral("2005 Name"));
        e.textEdit->setCursorPosition(0);
        e.fontButton->setFocus();
        const std::size_t captures = host.captures.size();
        e.symbolKeys[6]->click();
        QCOMPARE(e.textEdit->text(), QStringLiteral("2005 Name\u00A9"));
        QCOMPARE(e.focusWidget(), e.textEdit);
        QCOMPARE(host.captures.size(), captures + 1);
    }

    void fontChooser_data() {
        QTest::addColumn<bool>("confirmed");
        QTest::addColumn<QString>("fonts"); // of the sample and of the text box after
        QTest::newRow("cancelled") << false << "DejaVu Serif 40 bold, DejaVu Serif 20.25 bold";
        QTest::newRow("72-point bold italic red")
            << true << "DejaVu Sans 72 bold italic, DejaVu Sans 20.25 bold italic";
    }

    void fontChooser() {
        QFETCH(bool, confirmed);
        const int colour = confirmed ? 255 : 0x00FF00;
        state.CurrentMark.Text = QStringLiteral("Wm");
        state.CurrentMark.Font = makeFont(QStringLiteral("DejaVu Serif"), 40, true, 204);
        state.CurrentMark.Colour = 0x00FF00;
        MarkEditor &e = open();
        if (confirmed)
            dialogs.fontAnswers = {
                {QStringLiteral("DejaVu Sans"), 72, true, true, false, false, 255}};
        const std::size_t captures = host.captures.size();

        e.fontButton->click();

        QTEST(style(e.textSample->surface().font()->font) + ", " + style(e.textEdit->font()),
              "fonts");
        QCOMPARE(e.buffer[0]->surface().font()->font, e.textSample->surface().font()->font);
        QCOMPARE(e.textSample->surface().foreColour(), colour);
        QCOMPARE(e.textEdit->palette().color(QPalette::Text), QColor(rgbFromColour(colour)));
        // The sample is drawn again in the new font; cancelling leaves it alone.
        QCOMPARE(host.captures.size(), captures + (confirmed ? 1 : 0));
    }

    void loadImage_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QRect>("shown"); // centred in the 5895 x 2175 twip frame, 55 twips low
        QTest::addColumn<QRect>("box");   // the preview, centred in the 5895 x 2655 twip frame
        QTest::newRow("100 x 50") << QSize(100, 50) << QRect(146, 51, 100, 50)
                                  << QRect(46, 17, 300, 150);
        QTest::newRow("1024 x 768, clamped")
            << QSize(1024, 768) << QRect(84, 16, 225, 121) << QRect(36, 16, 321, 153);
    }

    void loadImage() {
        QFETCH(QSize, picture);
        QFETCH(QRect, shown);
        MarkEditor &e = open();
        loadPicture(e, writePicture(picture.width(), picture.height()));
        QTEST(e.imageBoxes[0]->geometry(), "shown");
        // Natural size from the top-left corner, never scaled.
        QCOMPARE(e.imageBoxes[0]->surface().image(),
                 patterned(picture.width(), picture.height()).copy(QRect(QPoint(), shown.size())));
        QTEST(e.imageBoxes[1]->geometry(), "box");

        e.typeToggle->setValue(1);
        e.okButton->click();
        QCOMPARE(QSize(state.CurrentMark.MarkWidth, state.CurrentMark.MarkHeight),
                 shown.size() * 15);
    }

    // A picture that cannot be the mark's image is refused in the reader's words, and the image
    // shown, the one the mark would take and its preview stay; cancelling says nothing.
    void loadRefused_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message"); // none: the dialog was cancelled
        QTest::newRow("cancelled") << QString() << QByteArray() << QString();
        // The limit speaks before a pixel is read; at the limit only the missing pixels do.
        QTest::newRow("a column over the mark's limit")
            << "big.bmp" << bmpClaiming(5001, 5000) << tooLarge("big.bmp", 5001, 5000);
        QTest::newRow("at the mark's limit")
            << "big.bmp" << bmpClaiming(5000, 5000) << damaged("big.bmp");
        QTest::newRow("not a picture")
            << "bad.jpg" << QByteArray("not a picture at all") << "Unsupported image format";
        QTest::newRow("gone") << "gone.bmp" << QByteArray() << "No such file or directory";
    }

    void loadRefused() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        MarkEditor &e = open();
        e.typeToggle->setValue(1);
        const QString kept = loadPicture(e, writePicture(100, 50));
        const QImage shown = e.imageBoxes[0]->surface().image();
        const QRect where = e.imageBoxes[0]->geometry();
        QString path = name.isEmpty() ? QString() : dir.filePath(name);
        if (!bytes.isEmpty()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        }
        const std::size_t captures = host.captures.size();

        loadPicture(e, path);

        QCOMPARE(dialogs.requests.back().title, QStringLiteral("Select Imprimata Image File"));
        QCOMPARE(dialogs.requests.back().filter,
                 QStringLiteral("Bitmaps, JPEG Images, GIF Images|*.bmp;*.jpg;*.gif|"));
        QCOMPARE(dialogs.messages.size(), message.isEmpty() ? 0u : 1u);
        if (!message.isEmpty()) {
            QCOMPARE(dialogs.messages[0].text, message);
            QVERIFY(dialogs.messages[0].icon == MessageIcon::None);
        }
        QCOMPARE(e.imageTag, kept);
        QCOMPARE(e.imageBoxes[0]->surface().image(), shown);
        QCOMPARE(e.imageBoxes[0]->geometry(), where);
        QCOMPARE(host.captures.size(), captures);
    }

    // The mark's own image, gone since: the editor says so once and opens all the same.
    void unreadableImageAtOpening() {
        state.CurrentMark.MarkType = ImageMark;
        state.CurrentMark.ImagePath = dir.filePath(QStringLiteral("gone.bmp"));
        MarkEditor &e = open();
        QCOMPARE(dialogs.messages.size(), 1u);
        QCOMPARE(dialogs.lastMessage(), QStringLiteral("No such file or directory"));
        QVERIFY(e.isVisible() && e.imagePage->isVisibleTo(&e));
    }

    void okRefuses_data() {
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

    void okRefuses() {
        QFETCH(int, type);
        QFETCH(QString, text);
        MarkEditor &e = open();
        if (type == 0) // an image loaded must not satisfy the TEXT page
            loadPicture(e, writePicture(20, 10));
        e.textEdit->setText(text);
        e.typeToggle->setValue(type);
        // The sample stops growing where the mark's size could no longer be stored.
        QVERIFY(e.textSample->width() * 15 <= 32767);

        e.okButton->click();

        QCOMPARE(dialogs.messages.size(), 1u);
        QTEST(dialogs.messages[0].text, "message");
        QVERIFY(!state.MarkAccepted && e.isVisible());
        QVERIFY(state.CurrentMark.Text.isEmpty() && state.CurrentMark.ImagePath.isEmpty());
    }

    void okStoresControls() {
        MarkEditor &e = open();
        const QString path = loadPicture(e, writePicture(30, 20));
        // No 14-character limit, and wider than the text box.
        const QString text = QStringLiteral("Imprimata 2005 owner");
        e.textEdit->setText(text);
        QVERIFY(e.textSample->width() > e.textEdit->width());
        e.solidTransparency[2]->click(); // chosen in the Solid frame, then another mode taken
        e.printModeOptions[2]->click();
        e.contrast[2]->click();

        e.okButton->click();

        // Both halves are kept whatever the type, so switching back later finds the other.
        const MarkSettings &mark = state.CurrentMark;
        QVERIFY(state.MarkAccepted && !e.isVisible());
        QCOMPARE(mark.MarkType, 0);
        QCOMPARE(mark.Text, text);
        QCOMPARE(mark.ImagePath, path);
        QCOMPARE(mark.PrintMode, 2);
        QCOMPARE(mark.Level, 2);
        QCOMPARE(mark.MarkWidth, e.textSample->surface().textWidth(text) * 15);
        QCOMPARE(mark.MarkHeight, e.textSample->height() * 15);
    }

    void warningLine_data() {
        QTest::addColumn<QString>("when");
        QTest::addColumn<ScreenRect>("picture");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<bool>("captured");
        // The text sample takes the picture under (405, 321)-(553, 379); the image preview
        // takes it around the placement window at (400, 300)-(560, 400).
        const ScreenRect whole{100, 80, 900, 680}, partly{100, 80, 450, 680}, off{0, 0, 100, 100};
        const QString notWithin = "The Imprimata window does not lie within the picture.";
        const QString noOverlap = "The Imprimata window does not overlap the picture.";
        QTest::newRow("typing, wholly over") << "typing" << whole << "" << true;
        QTest::newRow("typing, partly off") << "typing" << partly << notWithin << true;
        QTest::newRow("typing, off the picture") << "typing" << off << noOverlap << false;
        // A mark's own text is previewed before the editor shows: a line, nothing pops up.
        QTest::newRow("opening, partly off") << "opening" << partly << notWithin << true;
        QTest::newRow("opening, off the picture") << "opening" << off << noOverlap << false;
        // An image preview shows what part of the picture there is.
        QTest::newRow("image, partly off") << "image" << partly << "" << true;
        QTest::newRow("image, off the picture") << "image" << off << noOverlap << false;
    }

    // Where the placement window lies off the picture, a line under the previews says so; no
    // message box takes the keys typed meanwhile.
    void warningLine() {
        QFETCH(QString, when);
        QFETCH(ScreenRect, picture);
        QFETCH(bool, captured);
        host.picture = picture;
        if (when == "opening")
            state.CurrentMark.Text = QStringLiteral("Mine");
        MarkEditor &e = open(when != "opening");
        const std::size_t before = host.captures.size();
        if (when == "typing") {
            e.textEdit->setFocus();
            QTest::keyClicks(e.textEdit, QStringLiteral("Mine"));
            QCOMPARE(e.textEdit->text(), QStringLiteral("Mine"));
        } else if (when == "image") {
            e.typeToggle->setValue(1);
            loadPicture(e, writePicture(40, 20));
        }
        QTEST(e.placementWarning->text(), "warning");
        QVERIFY(dialogs.messages.empty());
        if (when != "opening")
            QCOMPARE(host.captures.size() > before, captured);
        for (const FakeHost::Capture &c : host.captures)
            QVERIFY(c.destination != &e.textSample->surface() || captured);
        // Wholly over the picture again, the line goes.
        host.picture = {0, 0, 2000, 2000};
        e.PreviewTextMark();
        QCOMPARE(e.placementWarning->text(), QString());
    }

    void keys_data() {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("outcome"); // accepted, rejected, or the refusal said
        QTest::newRow("Return in the text box") << "text"
                                                << "Mine" << int(Qt::Key_Return) << "accepted";
        QTest::newRow("keypad Enter in the text box") << "text"
                                                      << "Mine" << int(Qt::Key_Enter) << "accepted";
        QTest::newRow("Return on the type toggle") << "toggle"
                                                   << "Mine" << int(Qt::Key_Return) << "accepted";
        QTest::newRow("Return on a symbol key") << "symbol"
                                                << "Mine" << int(Qt::Key_Return) << "accepted";
        QTest::newRow("Return with no text")
            << "text"
            << "" << int(Qt::Key_Return) << "Imprimata TEXT is empty.";
        QTest::newRow("Escape in the text box") << "text"
                                                << "Mine" << int(Qt::Key_Escape) << "rejected";
        QTest::newRow("Escape on the type toggle") << "toggle"
                                                   << "Mine" << int(Qt::Key_Escape) << "rejected";
    }

    // Enter presses OK and Escape cancels, wherever the focus is.
    void keys() {
        QFETCH(QString, focus);
        QFETCH(QString, text);
        QFETCH(int, key);
        QFETCH(QString, outcome);
        MarkEditor &e = open();
        e.textEdit->setText(text);
        QWidget *target = focus == "text"     ? static_cast<QWidget *>(e.textEdit)
                          : focus == "toggle" ? static_cast<QWidget *>(e.typeToggle)
                                              : e.symbolKeys[3];
        target->setFocus();
        QTest::keyClick(target, Qt::Key(key));
        QCOMPARE(state.MarkAccepted, outcome == "accepted");
        QCOMPARE(e.isVisible(), outcome != "accepted" && outcome != "rejected");
        QCOMPARE(state.CurrentMark.Text, outcome == "accepted" ? text : QString());
        QCOMPARE(dialogs.lastMessage(), outcome.endsWith('.') ? outcome : QString());
        QCOMPARE(e.textEdit->text(), text); // no symbol was typed by the key
    }

    void rasterOpRows_data() {
        QTest::addColumn<int>("stored"); // the record's value when the editor opens
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("kept"); // the record's value after OK
        QTest::newRow("a raster operation") << int(SrcInvert) << "SrcInvert" << int(SrcInvert);
        QTest::newRow("the Alpha blend")
            << int(AlphaBlendRasterOp) << AlphaBlendName << int(AlphaBlendRasterOp);
        // A new record's 0 is no row: the list starts at SrcCopy, which OK then keeps.
        QTest::newRow("a new record") << 0 << "SrcCopy" << int(SrcCopy);
    }

    // The eight raster operations keep their rows; the Alpha blend follows them, and each row
    // gives the mark record its own value and the preview its options.
    void rasterOpRows() {
        QFETCH(int, stored);
        QFETCH(QString, shown);
        QFETCH(int, kept);
        state.CurrentMark.MarkType = ImageMark;
        state.CurrentMark.RasterOp = stored;
        state.CurrentMark.ImagePath = writePicture(30, 20);
        MarkEditor &e = open();
        QStringList rows;
        for (int i = 0; i < e.rasterOpList->count(); ++i)
            rows << e.rasterOpList->item(i)->text();
        QCOMPARE(rows, (QStringList{"MergePaint", "NotSrcCopy", "NotSrcErase", "SrcAnd", "SrcCopy",
                                    "SrcErase", "SrcInvert", "SrcPaint", AlphaBlendName}));
        QCOMPARE(e.rasterOpList->currentItem()->text(), shown);
        const ImageMarkOptions options = e.imageOptions();
        QCOMPARE(options.ownAlpha, kept == AlphaBlendRasterOp);
        if (!options.ownAlpha)
            QCOMPARE(int(options.rasterOp), kept);
        e.okButton->click();
        QCOMPARE(state.CurrentMark.RasterOp, kept);
    }

    void smoothEdges_data() {
        QTest::addColumn<bool>("stored");
        QTest::addColumn<bool>("clicked"); // the check box clicked once in the editor
        QTest::newRow("off, left") << false << false;
        QTest::newRow("off, set") << false << true;
        QTest::newRow("on, left") << true << false;
        QTest::newRow("on, cleared") << true << true;
    }

    // The TEXT page's check box shows the record's Smooth edges, the preview follows it (glyph
    // pixels between the colour and the background only when smooth), and OK keeps it.
    void smoothEdges() {
        QFETCH(bool, stored);
        QFETCH(bool, clicked);
        state.CurrentMark.Text = QStringLiteral("Wave");
        state.CurrentMark.Colour = 0x0000FF; // red, far from the button face behind it
        state.CurrentMark.SmoothEdges = stored;
        MarkEditor &e = open();
        QCOMPARE(e.smoothEdges->isChecked(), stored);
        QVERIFY(e.smoothEdges->isVisibleTo(e.textPage));
        if (clicked)
            e.smoothEdges->click();
        const bool smooth = stored != clicked;
        QCOMPARE(e.textOptions().smooth, smooth);
        const Surface &sample = e.textSample->surface();
        const ColourValue back = sample.point(0, 0); // the text starts further in
        int glyph = 0, between = 0;
        for (int y = 0; y < sample.height(); ++y)
            for (int x = 0; x < sample.width(); ++x) {
                const ColourValue c = sample.point(x, y);
                glyph += c == 0x0000FF;
                between += c != 0x0000FF && c != back;
            }
        QVERIFY(glyph > 20);
        QCOMPARE(between > 0, smooth);
        e.okButton->click();
        QCOMPARE(state.CurrentMark.SmoothEdges, smooth);
    }

    void markPictureAlpha_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("transparent");
        QTest::newRow("PNG with alpha") << "PNG" << true;
        QTest::newRow("opaque PNG") << "PNG" << false;
        QTest::newRow("BMP") << "BMP" << false;
    }

    // A mark picture's own transparency comes along for the Alpha blend's preview.
    void markPictureAlpha() {
        QFETCH(QString, format);
        QFETCH(bool, transparent);
        QImage picture(40, 20, transparent ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        picture.fill(qRgb(10, 200, 30));
        if (transparent)
            for (int x = 0; x < 40; ++x)
                picture.setPixel(x, 5, qRgba(10, 200, 30, x * 6));
        const QString path = dir.filePath(QStringLiteral("logo.") + format.toLower());
        QVERIFY(picture.save(path, qPrintable(format)));
        MarkEditor &e = open();
        e.typeToggle->setValue(1);
        loadPicture(e, path);
        const QImage &alpha = e.imageBoxes[0]->surface().alphaPlane();
        QCOMPARE(alpha.isNull(), !transparent);
        if (transparent) {
            QCOMPARE(alpha.size(), QSize(40, 20));
            QCOMPARE(qAlpha(alpha.pixel(17, 5)), 102);
            QCOMPARE(qAlpha(alpha.pixel(17, 6)), 255);
        }
    }

    // Shown, the editor is one of the program's modal dialogs, so the placement window stands
    // aside; closed either way, it is not.
    void countsAsModalDialog_data() {
        QTest::addColumn<bool>("accepted");
        QTest::newRow("OK") << true;
        QTest::newRow("Cancel") << false;
    }

    void countsAsModalDialog() {
        QFETCH(bool, accepted);
        struct Watcher : ModalDialogWatcher {
            QString heard;
            void modalDialogsOpened() override { heard += u'o'; }
            void modalDialogsClosed() override { heard += u'c'; }
        } watcher;
        dialogs.setModalWatcher(&watcher);
        state.CurrentMark.Text = QStringLiteral("Mine");
        MarkEditor &e = open(false);
        QCOMPARE(watcher.heard, QString());
        e.show();
        QCOMPARE(watcher.heard, QStringLiteral("o"));
        (accepted ? e.okButton : e.cancelButton)->click();
        QCOMPARE(watcher.heard, QStringLiteral("oc"));
        QCOMPARE(state.MarkAccepted, accepted);
        dialogs.setModalWatcher(nullptr);
    }

    void closingRefusesTheMark() {
        state.MarkAccepted = true; // from an earlier OK
        open().close();
        QVERIFY(!state.MarkAccepted);
    }

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
        e.loadImageButton->click();
        return path;
    }

    QTemporaryDir dir;
    SharedState state;
    FakeHost host;
    ScriptedDialogService dialogs;
    std::unique_ptr<MarkEditor> editor;
};

QTEST_MAIN(MarkEditorTest)
#include "tst_markeditor.moc"
