#include "MainWindowFixture.h"
#include "app/Thumbnail.h"
#include "render/PictureLoader.h"

#include <QAction>
#include <QFrame>
#include <QImageReader>
#include <QLabel>
#include <QListWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace imprimata;

class BrowsingTest : public QObject, private MainWindowFixture {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void thumbnailBox_data();
    void thumbnailBox();
    void largeChanges_data();
    void largeChanges();
    void sameFileNotReadAgain();
    void unreadablePictureKeepsTheLastOne_data();
    void unreadablePictureKeepsTheLastOne();
    void pictureAsWideAsTheViewport();
    void largePictureScrolls();
    void folderChangeClearsEverything_data();
    void folderChangeClearsEverything();
    void saveAs_data();
    void saveAs();
    void damagedCameraDataStillSaves();
    void cameraDataOnlyFromTheShownFile();

private:
    QString makePicture(const QString &name, QSize size);
    void show();
};

void BrowsingTest::init() {
    QVERIFY(open());
    main->layoutPass(1200, 800);
}

void BrowsingTest::cleanup() {
    main.reset();
}

QString BrowsingTest::makePicture(const QString &name, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(qRgb(0, 0, 255));
    image.save(dir->filePath(name));
    return dir->filePath(name);
}

// Lists the folder, clicks its one picture and shows it.
void BrowsingTest::show() {
    main->onFolderChanged(dir->path());
    main->fileList->setCurrentRow(0);
    main->Show();
    QVERIFY(main->pictureShown);
}

void BrowsingTest::thumbnailBox_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QRect>("expected");
    // The box inside the 169 x 121 frame is 163 x 109.
    QTest::newRow("exactly the box") << QSize(163, 109) << QRect(3, 9, 163, 109);
    QTest::newRow("one wider scales") << QSize(164, 109) << QRect(3, 9, 163, 108);
}

void BrowsingTest::thumbnailBox() {
    QFETCH(QSize, picture);
    QTEST(thumbnailRect(picture, QSize(169, 121), 15, 15), "expected");
}

void BrowsingTest::largeChanges_data() {
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("expected");
    QTest::newRow("10") << 10 << 1;
    QTest::newRow("25 half to even") << 25 << 2;
    QTest::newRow("35 half to even") << 35 << 4;
}

void BrowsingTest::largeChanges() {
    QFETCH(int, max);
    QTEST(largeChange(max), "expected");
}

// A click on the file already read does not read it again, even if it changed on disk; after
// a folder change it does.
void BrowsingTest::sameFileNotReadAgain() {
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

void BrowsingTest::unreadablePictureKeepsTheLastOne_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("not a picture") << QByteArray("just some words\n");
    QTest::newRow("cut short") << QByteArray("BM\x36\x00\x00\x00", 6);
}

// The reader's refusal is shown; the picture read before, and its size, stay.
void BrowsingTest::unreadablePictureKeepsTheLastOne() {
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
    QCOMPARE(dialogs->lastMessage(), reason);
    QCOMPARE(main->Image1.cacheKey(), key);
    QCOMPARE(QSize(main->pictureWidth, main->pictureHeight), QSize(64, 48));
    QCOMPARE(main->image1Path, dir->filePath("a.bmp"));
}

void BrowsingTest::pictureAsWideAsTheViewport() {
    const int frameWidth = main->PicFrame->width();
    makePicture("wide.bmp", {frameWidth, 100});
    show();
    QCOMPARE(main->Pic->geometry(),
             QRect(0, (main->PicFrame->height() - 100) / 2, frameWidth, 100));
    QVERIFY(
        !main->scrollBars.scrollBar(main->PicFrame, HorizontalBar)->isVisibleTo(main->PicFrame));
}

void BrowsingTest::largePictureScrolls() {
    QWidget *frame = main->PicFrame;
    makePicture("big.bmp", frame->size() + QSize(300, 5));
    show();
    QVERIFY(main->scrollBars.scrollBar(frame, HorizontalBar)->isVisibleTo(frame));
    // A page to the right moves the picture left by a tenth of the range.
    main->scrollBars.FlatScrollWindowProc(frame, WindowMessage::HorizontalScroll, PageDown);
    QCOMPARE(main->Pic->x(), -largeChange(main->scrollBars.GetScrollMax(frame, HorizontalBar)));
    // Beyond the start the picture stays put rather than leaving a gap.
    main->scrollBars.FlatScrollWindowProc(frame, WindowMessage::VerticalScroll, LineUp);
    QCOMPARE(main->Pic->y(), 0);
}

void BrowsingTest::folderChangeClearsEverything_data() {
    QTest::addColumn<bool>("readable");
    QTest::newRow("empty folder") << true;
    QTest::newRow("unreadable folder") << false;
}

void BrowsingTest::folderChangeClearsEverything() {
    QFETCH(bool, readable);
    makePicture("a.bmp", {40, 30});
    show();
    const QList<QAction *> five{main->menuItem(FileMenu::Show), main->menuItem(FileMenu::SaveAs),
                                main->menuItem(MarkMenu::Insert),
                                main->menuItem(MarkMenu::UndoInsert),
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

void BrowsingTest::saveAs_data() {
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("filterIndex");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("written");
    QTest::newRow("bmp shown, jpg name") << "a.BMP" << 1 << "out.jpg" << true;
    QTest::newRow("bare name") << "a.jpg" << 2 << "out" << true;
    QTest::newRow("cancel") << "a.jpg" << 2 << "" << false;
    QTest::newRow("missing folder") << "a.jpg" << 2 << "missing/out.jpg" << false;
}

// Saved as JPEG unless the name asks for a bitmap; only a failed save says something.
void BrowsingTest::saveAs() {
    QFETCH(QString, shown);
    QFETCH(QString, answer);
    QFETCH(bool, written);
    makePicture(shown, {64, 48});
    show();
    QTemporaryDir out;
    dialogs->saveAnswers = {answer.isEmpty() ? QString() : out.filePath(answer)};
    main->runCommand(FileMenu::SaveAs);
    QTEST(dialogs->requests.back().filterIndex, "filterIndex");
    QCOMPARE(dialogs->messages.size(), !answer.isEmpty() && !written ? 1u : 0u);
    QCOMPARE(QDir(out.path()).entryList(QDir::Files),
             written ? QStringList{answer} : QStringList());
    QImageReader reader(out.filePath(answer));
    QCOMPARE(reader.format(), written ? QByteArray("jpeg") : QByteArray());
    QCOMPARE(reader.read().size(), written ? QSize(64, 48) : QSize(0, 0));
}

// A JPEG whose EXIF block is garbage: the picture is saved and the loss is said once.
void BrowsingTest::damagedCameraDataStillSaves() {
    QFile file(makePicture("camera.jpg", {32, 24}));
    QVERIFY(file.open(QIODevice::ReadWrite));
    const QByteArray bytes = file.readAll();
    const QByteArray exif("\xFF\xE1\x00\x12"
                          "Exif\0\0II*\0\x08\0\0\0\xFF\xFF",
                          20);
    QVERIFY(file.seek(0) && file.write(bytes.left(2) + exif + bytes.mid(2)) > 0);
    file.close();
    show();
    dialogs->saveAnswers = {dir->filePath("out.jpg")};
    main->runCommand(FileMenu::SaveAs);
    QCOMPARE(QImage(dir->filePath("out.jpg")).size(), QSize(32, 24));
    QCOMPARE(dialogs->messages.size(), 1u);
    QVERIFY(dialogs->lastMessage().contains("camera data"));
}

namespace {

// An EXIF block that names the photographer, put right after the JPEG's start marker.
void addArtist(const QString &path, const QByteArray &artist) {
    QByteArray tiff("II*\0\x08\0\0\0"
                    "\x01\0"                           // one entry
                    "\x3B\x01\x02\0\0\0\0\0\x1A\0\0\0" // Artist, ASCII, count, at 26
                    "\0\0\0\0",                        // no next directory
                    26);
    const quint32 count = quint32(artist.size() + 1);
    for (int i = 0; i < 4; ++i)
        tiff[14 + i] = char(count >> (8 * i));
    tiff += artist + '\0';
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    const int length = int(payload.size()) + 2;
    const QByteArray segment =
        QByteArray("\xFF\xE1") + char(length >> 8) + char(length & 0xFF) + payload;
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    const QByteArray bytes = file.readAll();
    QVERIFY(file.seek(0) && file.write(bytes.left(2) + segment + bytes.mid(2)) > 0);
}

} // namespace

// A click on a damaged file leaves the picture read before it to be shown; a save of that
// picture carries its own file's camera data, not the damaged file's.
void BrowsingTest::cameraDataOnlyFromTheShownFile() {
    const QString good = makePicture("a.jpg", {64, 48});
    const QString damaged = makePicture("b.jpg", {64, 48});
    addArtist(good, "Ann Shown");
    addArtist(damaged, "Bob Elsewhere");
    QFile cut(damaged);
    QVERIFY(cut.resize(cut.size() / 2));
    main->onFolderChanged(dir->path());
    main->fileList->setCurrentRow(0);
    main->fileList->setCurrentRow(1);
    QCOMPARE(dialogs->messages.size(), 1u); // b.jpg cannot be read
    QVERIFY(main->menuItem(FileMenu::Show)->isEnabled());
    main->runCommand(FileMenu::Show);
    dialogs->saveAnswers = {dir->filePath("out.jpg")};
    main->runCommand(FileMenu::SaveAs);
    QFile out(dir->filePath("out.jpg"));
    QVERIFY(out.open(QIODevice::ReadOnly));
    const QByteArray saved = out.readAll();
    QVERIFY(saved.contains("Ann Shown"));
    QVERIFY(!saved.contains("Bob Elsewhere"));
    QCOMPARE(dialogs->messages.size(), 1u);
}

QTEST_MAIN(BrowsingTest)
#include "tst_browsing.moc"
