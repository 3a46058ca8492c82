#include "MainWindowFixture.h"

#include "app/Overview.h"
#include "app/Thumbnail.h"
#include "render/PictureLoader.h"

#include <QImageReader>
#include <QLabel>
#include <QStatusBar>

using namespace imprimata;

namespace {

// Puts an EXIF block with this TIFF body right after the JPEG's start marker.
void insertExif(const QString &path, const QByteArray &tiff) {
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    const int length = int(payload.size()) + 2;
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    const QByteArray bytes = file.readAll();
    QVERIFY(file.seek(0));
    file.write(bytes.left(2) + "\xFF\xE1" + char(length >> 8) + char(length & 0xFF) + payload +
               bytes.mid(2));
}

// A TIFF body whose one entry names the photographer (16 characters and the zero).
QByteArray artist(const char (&name)[17]) {
    return QByteArray("II*\0\x08\0\0\0\x01\0\x3B\x01\x02\0\x11\0\0\0\x1A\0\0\0\0\0\0\0", 26) +
           QByteArray(name, 17);
}

} // namespace

class BrowsingTest : public QObject, private MainWindowFixture {
    Q_OBJECT

private slots:
    void cleanup() { main.reset(); }

    void init() {
        QVERIFY(open());
        main->layoutPass(1200, 800);
    }

    void thumbnailBox_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QRect>("expected");
        // The box inside the 169 x 121 frame is 163 x 109.
        QTest::newRow("exactly the box") << QSize(163, 109) << QRect(3, 9, 163, 109);
        QTest::newRow("one wider scales") << QSize(164, 109) << QRect(3, 9, 163, 108);
        QTest::newRow("one taller scales") << QSize(163, 110) << QRect(4, 9, 162, 109);
    }

    void thumbnailBox() {
        QFETCH(QSize, picture);
        QTEST(thumbnailRect(picture, QSize(169, 121), 15, 15), "expected");
    }

    // A page is a tenth of the range, halves to even, and at least one.
    void largeChanges() {
        QCOMPARE(largeChange(10), 1);
        QCOMPARE(largeChange(25), 2);
        QCOMPARE(largeChange(35), 4);
    }

    // A click on the file already read does not read it again, even if it changed on disk; after
    // a folder change it does.
    void sameFileNotReadAgain() {
        makePicture("a.bmp", {200, 100});
        main->onFolderChanged(dir->path());
        main->fileList->setCurrentRow(0);
        QCOMPARE(main->pictureWidth, 200);
        const qint64 key = main->Image1.cacheKey();
        makePicture("a.bmp", {50, 50});
        main->onFileClicked();
        QCOMPARE(main->Image1.cacheKey(), key);
        main->onFolderChanged(dir->path());
        main->fileList->setCurrentRow(0);
        QCOMPARE(main->pictureWidth, 50);
    }

    void unreadablePictureKeepsTheLastOne_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("not a picture") << QByteArray("just some words\n");
        QTest::newRow("cut short") << QByteArray("BM\x36\x00\x00\x00", 6);
    }

    // The reader's refusal is shown; the picture read before, and its size, stay.
    void unreadablePictureKeepsTheLastOne() {
        QFETCH(QByteArray, bytes);
        makePicture("a.bmp", {64, 48});
        QFile bad(dir->filePath("b.bmp"));
        QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write(bytes) == bytes.size());
        bad.close();
        main->onFolderChanged(dir->path());
        main->fileList->setCurrentRow(0);
        const qint64 key = main->Image1.cacheKey();
        main->fileList->setCurrentRow(1);
        QCOMPARE(dialogs->messages.size(), 1u);
        const QString reason = readPicture(bad.fileName()).error();
        QVERIFY(!reason.isEmpty());
        QCOMPARE(dialogs->lastMessage(), aboutFile(bad.fileName(), reason));
        QCOMPARE(main->Image1.cacheKey(), key);
        QCOMPARE(QSize(main->pictureWidth, main->pictureHeight), QSize(64, 48));
        QCOMPARE(main->image1Path, dir->filePath("a.bmp"));
    }

    // A picture as wide as the viewport is centred without a bar; a larger one scrolls, a page
    // at a time by a tenth of the range, and never past its start.
    void viewport() {
        QWidget *frame = main->PicFrame;
        makePicture("a.bmp", {frame->width(), 100});
        makePicture("b.bmp", frame->size() + QSize(300, 5));
        showFirst();
        QCOMPARE(main->Pic->geometry(), QRect(0, (frame->height() - 100) / 2, frame->width(), 100));
        QVERIFY(!main->scrollBars.scrollBar(frame, HorizontalBar)->isVisibleTo(frame));
        main->fileList->setCurrentRow(1);
        main->Show();
        QVERIFY(main->scrollBars.scrollBar(frame, HorizontalBar)->isVisibleTo(frame));
        main->scrollBars.FlatScrollWindowProc(frame, WindowMessage::HorizontalScroll, PageDown);
        QCOMPARE(main->Pic->x(), -largeChange(main->scrollBars.GetScrollMax(frame, HorizontalBar)));
        main->scrollBars.FlatScrollWindowProc(frame, WindowMessage::VerticalScroll, LineUp);
        QCOMPARE(main->Pic->y(), 0);
    }

    void folderChangeClearsEverything_data() {
        QTest::addColumn<bool>("readable");
        QTest::newRow("empty folder") << true;
        QTest::newRow("unreadable folder") << false;
    }

    void folderChangeClearsEverything() {
        QFETCH(bool, readable);
        makePicture("a.bmp", {40, 30});
        showFirst();
        const QList<QAction *> five{
            main->menuItem(FileMenu::Show), main->menuItem(FileMenu::SaveAs),
            main->menuItem(MarkMenu::Insert), main->menuItem(MarkMenu::UndoInsert),
            main->menuItem(MarkMenu::SaveAs)};
        for (QAction *action : five)
            action->setEnabled(true);
        QTemporaryDir other;
        main->onFolderChanged(readable ? other.path() : dir->filePath("no such folder"));
        QCOMPARE(main->fileList->count(), 0);
        QVERIFY(main->preview->pixmap().isNull());
        QCOMPARE(main->Pic->surface().point(5, 5), main->Pic->surface().backColour());
        for (QAction *action : five)
            QVERIFY(!action->isEnabled());
        QVERIFY(state->CurrentPicturePath.isEmpty());
    }

    void saveAs_data() {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("filterIndex");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QByteArray>("format"); // empty: nothing written
        QTest::newRow("bmp shown, jpg name") << "a.BMP" << 1 << "out.jpg" << QByteArray("jpeg");
        QTest::newRow("bare name") << "a.jpg" << 2 << "out" << QByteArray("jpeg");
        QTest::newRow("bitmap name") << "a.jpg" << 2 << "out.Bmp" << QByteArray("bmp");
        QTest::newRow("cancel") << "a.jpg" << 2 << "" << QByteArray();
        QTest::newRow("missing folder") << "a.jpg" << 2 << "missing/out.jpg" << QByteArray();
    }

    // The name alone decides the format; only a failed save says something.
    void saveAs() {
        QFETCH(QString, shown);
        QFETCH(QString, answer);
        QFETCH(QByteArray, format);
        makePicture(shown, {64, 48});
        showFirst();
        QTemporaryDir out;
        dialogs->saveAnswers = {answer.isEmpty() ? QString() : out.filePath(answer)};
        main->runCommand(FileMenu::SaveAs);
        QTEST(dialogs->requests.back().filterIndex, "filterIndex");
        QCOMPARE(dialogs->messages.size(), !answer.isEmpty() && format.isEmpty() ? 1u : 0u);
        QCOMPARE(QDir(out.path()).entryList(QDir::Files),
                 format.isEmpty() ? QStringList() : QStringList{answer});
        QImageReader reader(out.filePath(answer));
        QCOMPARE(reader.format(), format);
        QCOMPARE(reader.read().size(), format.isEmpty() ? QSize(0, 0) : QSize(64, 48));
    }

    void cameraData_data() {
        QTest::addColumn<QByteArray>("exif");
        QTest::addColumn<bool>("damagedClicked"); // a damaged file clicked after the shown one
        QTest::addColumn<QString>("says");
        QTest::newRow("kept") << artist("Ann Photographer") << false << "";
        QTest::newRow("not the damaged file's") << artist("Ann Photographer") << true << "";
        QTest::newRow("garbage, said once")
            << QByteArray("II*\0\x08\0\0\0\xFF\xFF", 10) << false << "camera data";
    }

    // A save carries the camera data of the file whose pixels are shown, never another's; data
    // that cannot be carried is said once, and the picture is saved all the same.
    void cameraData() {
        QFETCH(QByteArray, exif);
        QFETCH(bool, damagedClicked);
        insertExif(makePicture("a.jpg", {64, 48}), exif);
        const QString damaged = makePicture("b.jpg", {64, 48});
        insertExif(damaged, artist("Bob Elsewhere..."));
        QFile cut(damaged);
        QVERIFY(cut.resize(cut.size() / 2));
        main->onFolderChanged(dir->path());
        main->fileList->setCurrentRow(0);
        if (damagedClicked) {
            main->fileList->setCurrentRow(1);
            QCOMPARE(dialogs->messages.size(), 1u);
            dialogs->messages.clear();
        }
        main->runCommand(FileMenu::Show);
        dialogs->saveAnswers = {dir->filePath("out.jpg")};
        main->runCommand(FileMenu::SaveAs);
        QFile out(dir->filePath("out.jpg"));
        QVERIFY(out.open(QIODevice::ReadOnly));
        const QByteArray saved = out.readAll();
        QCOMPARE(QImage::fromData(saved).size(), QSize(64, 48));
        QCOMPARE(saved.contains("Ann Photographer"), exif.contains("Ann"));
        QVERIFY(!saved.contains("Bob Elsewhere"));
        QFETCH(QString, says);
        QCOMPARE(dialogs->messages.size(), says.isEmpty() ? 0u : 1u);
        QVERIFY(dialogs->lastMessage().contains(says));
    }

    void openPath_data() {
        QTest::addColumn<QString>("path"); // in the test's folder
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("says");
        QTest::newRow("folder") << ""
                                << ""
                                << "";
        QTest::newRow("picture") << "b.bmp"
                                 << "b.bmp"
                                 << "";
        QTest::newRow("upper-case extension") << "c.JPG"
                                              << "c.JPG"
                                              << "";
        QTest::newRow("relative picture") << "./b.bmp"
                                          << "b.bmp"
                                          << "";
        QTest::newRow("not listed") << "d.ppm"
                                    << ""
                                    << "not a picture Imprimata shows";
        QTest::newRow("unreadable") << "bad.gif"
                                    << ""
                                    << "bad.gif";
        QTest::newRow("missing") << "gone.bmp"
                                 << ""
                                 << "does not exist";
    }

    // The command line's picture or folder: browsed, and a picture selected and shown.
    void openPath() {
        QFETCH(QString, path);
        QFETCH(QString, shown);
        QFETCH(QString, says);
        makePicture("a.bmp");
        makePicture("b.bmp", {64, 48});
        makePicture("c.JPG");
        makePicture("d.ppm");
        QFile bad(dir->filePath("bad.gif"));
        QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write("GIF89a") == 6);
        bad.close();
        const QString before = main->fileListFolder();
        const QString current = QDir::currentPath();
        QDir::setCurrent(dir->path());
        main->openPath(path.startsWith(u'.') ? path : dir->filePath(path));
        QDir::setCurrent(current);

        const bool missing = !QFileInfo::exists(dir->filePath(path));
        QCOMPARE(main->fileListFolder(), missing ? before : dir->path());
        QCOMPARE(treeFolder(), main->fileListFolder());
        QCOMPARE(main->pictureShown, !shown.isEmpty());
        if (!shown.isEmpty()) {
            QCOMPARE(main->fileList->currentItem()->text(), shown);
            QCOMPARE(main->shownPicturePath, dir->filePath(shown));
        }
        QCOMPARE(dialogs->messages.size(), says.isEmpty() ? 0u : 1u);
        QVERIFY2(dialogs->lastMessage().contains(says), qPrintable(dialogs->lastMessage()));
    }

    // A PNG's transparency goes out as it came in; a 16-bit picture says it is saved in 8.
    void transparencyAndDepthKept() {
        QImage logo(64, 48, QImage::Format_RGBA64);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
                logo.setPixelColor(x, y, QColor(x * 4, y * 5, 90, x < 32 ? 255 : y * 5));
        QVERIFY(logo.save(dir->filePath("logo.png")));
        showFirst();
        QVERIFY(main->statusFields[1]->text().contains("8 bits per channel"));
        QTemporaryDir out;
        dialogs->saveAnswers = {out.filePath("out.png")};
        main->runCommand(FileMenu::SaveAs);
        const QImage back(out.filePath("out.png"));
        QVERIFY(back.hasAlphaChannel());
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
                QCOMPARE(qAlpha(back.pixel(x, y)), x < 32 ? 255 : y * 5);
    }

    // Save as offers to remove the location, remembers the choice, and the saved file then
    // lacks the camera's GPS block.
    void removeLocation() {
        QVERIFY(QFile::copy(QStringLiteral(CAMERA_DATA_DIR "/Canon_40D.jpg"),
                            dir->filePath("gps.jpg")));
        showFirst();
        QTemporaryDir out;
        qint64 sizes[2] = {};
        for (const bool remove : {false, true}) {
            dialogs->saveAnswers = {out.filePath(QStringLiteral("out%1.jpg").arg(remove))};
            dialogs->checkBoxAnswers = {remove};
            main->runCommand(FileMenu::SaveAs);
            QCOMPARE(dialogs->requests.back().checkBoxText, QStringLiteral("Remove location"));
            sizes[remove] = QFileInfo(out.filePath(QStringLiteral("out%1.jpg").arg(remove))).size();
        }
        QVERIFY2(sizes[1] > 0 && sizes[1] < sizes[0], qPrintable(QString::number(sizes[1])));
        // Each Save as starts from the last choice.
        dialogs->saveAnswers = {};
        main->runCommand(FileMenu::SaveAs);
        QCOMPARE(dialogs->checkBoxesShown, (std::vector<bool>{false, false, true}));
    }

    void fileListOrder_data() {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("numbers as people count")
            << QStringList{"IMG_10.jpg", "IMG_2.jpg", "img_3.jpg", "IMG_1.jpg"}
            << QStringList{"IMG_1.jpg", "IMG_2.jpg", "img_3.jpg", "IMG_10.jpg"};
        QTest::newRow("every picture extension, any case")
            << QStringList{"a.JPEG", "b.jpe",  "c.Jpg",  "d.bmp", "e.GIF",     "f.png",
                           "g.tif",  "h.TIFF", "i.webp", "j.txt", "k.jpg.bak", "l.ppm"}
            << QStringList{"a.JPEG", "b.jpe", "c.Jpg",  "d.bmp", "e.GIF",
                           "f.png",  "g.tif", "h.TIFF", "i.webp"};
        QTest::newRow("same but for case")
            << QStringList{"b.jpg", "B.jpg", "a.jpg"} << QStringList{"a.jpg", "B.jpg", "b.jpg"};
        QTest::newRow("leading zeros, long numbers")
            << QStringList{"p0010.jpg", "p9.jpg", "p12345678901234567890.jpg", "p011.jpg"}
            << QStringList{"p9.jpg", "p0010.jpg", "p011.jpg", "p12345678901234567890.jpg"};
    }

    // The list shows the pictures of every format read, sorted as a person would.
    void fileListOrder() {
        QFETCH(QStringList, files);
        QTemporaryDir folder;
        for (const QString &name : files) {
            QFile file(folder.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QTEST(pictureFileNames(QDir(folder.path())), "listed");
    }

    // Enter on the list shows the selected picture; the status bar and title then name it,
    // and a stamp not saved shows there too.
    void enterShowsAndStatusTells() {
        makePicture("a.bmp", {64, 48});
        main->onFolderChanged(dir->path());
        main->fileList->setCurrentRow(0);
        QVERIFY(!main->pictureShown);
        QTest::keyClick(main->fileList, Qt::Key_Return);
        QVERIFY(main->pictureShown);
        const auto status = [this] {
            QStringList fields;
            for (const QLabel *field : main->statusFields)
                fields << field->text();
            return fields.join(u'|');
        };
        QCOMPARE(status(), QStringLiteral("a.bmp|64 \u00d7 48 pixels|0 stamps|"));
        QCOMPARE(main->windowTitle(), QStringLiteral("a.bmp[*] \u2014 Imprimata Print"));
        QVERIFY(!main->isWindowModified());
    }

    // An unreadable folder says so instead of showing an empty list without a word.
    void unreadableFolderSaysSo() {
        main->onFolderChanged(dir->filePath("no such folder"));
        QVERIFY(main->statusBar()->currentMessage().contains("cannot be read"));
        main->onFolderChanged(dir->path());
        QVERIFY(main->statusBar()->currentMessage().isEmpty());
    }

    void overview_data() {
        QTest::addColumn<QPoint>("clicked"); // in the preview, as a share of its size (%)
        QTest::addColumn<QPoint>("centre");  // wanted picture pixel at the viewport's centre
        QTest::newRow("middle") << QPoint(50, 50) << QPoint(1000, 750);
        QTest::newRow("top-left corner stops at the start") << QPoint(1, 1) << QPoint(-1, -1);
        QTest::newRow("bottom-right stops at the end") << QPoint(99, 99) << QPoint(-2, -2);
    }

    // A click in the overview scrolls the view there through the bars, which agree with the
    // picture; the outline then shows what the viewport shows.
    void overview() {
        QFETCH(QPoint, clicked);
        QFETCH(QPoint, centre);
        makePicture("big.bmp", {2000, 1500});
        showFirst();
        PictureOverview *overview = main->preview;
        QVERIFY(overview->showsView());
        const QPoint at(clicked.x() * overview->width() / 100,
                        clicked.y() * overview->height() / 100);
        QTest::mouseClick(overview, Qt::LeftButton, {}, at);
        QWidget *frame = main->PicFrame;
        const QPoint position(-main->Pic->x(), -main->Pic->y());
        QCOMPARE(main->scrollBars.GetScrollPosition(frame, HorizontalBar), position.x());
        QCOMPARE(main->scrollBars.GetScrollPosition(frame, VerticalBar), position.y());
        const QPoint end(main->scrollBars.GetScrollMax(frame, HorizontalBar),
                         main->scrollBars.GetScrollMax(frame, VerticalBar));
        if (centre == QPoint(-1, -1)) {
            QCOMPARE(position, QPoint(0, 0));
        } else if (centre == QPoint(-2, -2)) {
            QCOMPARE(position, end);
        } else {
            // Within the overview's resolution of the clicked point.
            const QPoint shownCentre = position + QPoint(frame->width() / 2, frame->height() / 2);
            QVERIFY2((shownCentre - centre).manhattanLength() < 40,
                     qPrintable(QStringLiteral("%1,%2").arg(shownCentre.x()).arg(shownCentre.y())));
        }
        const QRect outline = overview->visibleOutline();
        QVERIFY(overview->rect().contains(outline));
        QVERIFY(outline.width() < overview->width() && outline.height() < overview->height());
    }

private:
    // Lists the folder, clicks its first picture and shows it.
    void showFirst() {
        main->onFolderChanged(dir->path());
        main->fileList->setCurrentRow(0);
        main->Show();
        QVERIFY(main->pictureShown);
    }
};

QTEST_MAIN(BrowsingTest)
#include "tst_browsing.moc"
