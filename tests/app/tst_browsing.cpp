#include "app/Main.h"
#include "app/Thumbnail.h"

#include <QAction>
#include <QFrame>
#include <QImageReader>
#include <QLabel>
#include <QListWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace imprimata;

class BrowsingTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void thumbnailBox_data();
    void thumbnailBox();
    void largeChanges_data();
    void largeChanges();
    void listAndClick();
    void showSmallPictureCentredWithoutBars();
    void showLargePictureWithBarsAndScrolls();
    void folderChangeClearsEverything_data();
    void folderChangeClearsEverything();
    void saveAs_data();
    void saveAs();
    void damagedCameraDataStillSaves();

private:
    QString makePicture(const QString &name, QSize size, QRgb colour = qRgb(30, 60, 90));
    void click(const QString &name);
    void show(const QString &name);

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<SharedState> state;
    std::unique_ptr<ScriptedDialogService> dialogs;
    std::unique_ptr<Main> main;
};

void BrowsingTest::init() {
    dir = std::make_unique<QTemporaryDir>();
    state = std::make_unique<SharedState>();
    dialogs = std::make_unique<ScriptedDialogService>();
    main = std::make_unique<Main>(*state, *dialogs);
    main->show();
    QVERIFY(QTest::qWaitForWindowExposed(main.get()));
    main->layoutPass(1200, 800);
}

void BrowsingTest::cleanup() {
    main.reset();
}

QString BrowsingTest::makePicture(const QString &name, QSize size, QRgb colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    const QString path = dir->filePath(name);
    // Qt writes no GIF; the reader goes by content, so a bitmap serves under that name.
    if (!image.save(path, name.endsWith(".gif", Qt::CaseInsensitive) ? "bmp" : nullptr))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void BrowsingTest::click(const QString &name) {
    const auto items = main->FileList->findItems(name, Qt::MatchExactly);
    QVERIFY2(!items.isEmpty(), qPrintable(name));
    main->FileList->setCurrentItem(items.front());
}

// Lists the folder, clicks the picture and shows it.
void BrowsingTest::show(const QString &name) {
    main->explorer_Change(dir->path());
    click(name);
    main->Show();
    QVERIFY(main->pictureShown);
}

void BrowsingTest::thumbnailBox_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QRect>("expected");
    // The box inside the 169 x 121 frame is 163 x 109.
    QTest::newRow("exactly the box") << QSize(163, 109) << QRect(3, 9, 163, 109);
    QTest::newRow("one wider scales") << QSize(164, 109) << QRect(3, 9, 163, 108);
    QTest::newRow("small keeps size") << QSize(20, 10) << QRect(74, 58, 20, 10);
    QTest::newRow("tall") << QSize(1000, 2000) << QRect(57, 9, 54, 109);
}

void BrowsingTest::thumbnailBox() {
    QFETCH(QSize, picture);
    QFETCH(QRect, expected);
    QCOMPARE(thumbnailRect(picture, QSize(169, 121), 15, 15), expected);
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

void BrowsingTest::listAndClick() {
    for (const char *name : {"IMG_0001.JPG", "b.Gif", "c.png"})
        makePicture(name, {8, 8});
    makePicture("a.bmp", {200, 100}, qRgb(255, 0, 0));
    QFile broken(dir->filePath("broken.jpg"));
    QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write("not a picture") > 0);
    broken.close();
    main->explorer_Change(dir->path());
    // Pictures in any letter case, nothing else.
    QStringList names;
    for (int i = 0; i < main->FileList->count(); ++i)
        names << main->FileList->item(i)->text();
    names.sort(Qt::CaseInsensitive);
    QCOMPARE(names, (QStringList{"a.bmp", "b.Gif", "broken.jpg", "IMG_0001.JPG"}));
    QVERIFY(!main->mnu_file[0]->isEnabled());
    click("a.bmp");
    QCOMPARE(state->CurrentPicturePath, dir->filePath("a.bmp"));
    QCOMPARE(main->pictureWidth, 200);
    QVERIFY(main->mnu_file[0]->isEnabled());
    QCOMPARE(main->FileList->toolTip(), QStringLiteral("Show - DoubleClick"));
    QCOMPARE(main->preview->geometry(), QRect(3, 23, 163, 82));
    QCOMPARE(main->preview->pixmap().toImage().pixel(50, 40), qRgb(255, 0, 0));

    // The same file again is not read again, even if it changed on disk.
    const qint64 key = main->Image1.cacheKey();
    makePicture("a.bmp", {50, 50});
    main->FileList_Click();
    QCOMPARE(main->Image1.cacheKey(), key);
    // After a folder change it is.
    main->explorer_Change(dir->path());
    click("a.bmp");
    QCOMPARE(main->pictureWidth, 50);

    // An unreadable file says so and leaves the picture read before, ready for Show.
    click("broken.jpg");
    QCOMPARE(dialogs->messages.size(), 1u);
    QCOMPARE(dialogs->messages.front().icon, MessageIcon::None);
    QCOMPARE(main->pictureWidth, 50);
    QVERIFY(main->preview->pixmap().isNull());
    QVERIFY(main->mnu_file[0]->isEnabled());
}

void BrowsingTest::showSmallPictureCentredWithoutBars() {
    const int frameWidth = main->PicFrame->width();
    makePicture("wide.bmp", {frameWidth, 100});
    show("wide.bmp");
    QCOMPARE(main->Pic->geometry(),
             QRect(0, (main->PicFrame->height() - 100) / 2, frameWidth, 100));
    QVERIFY(!main->mFlatSB.scrollBar(main->PicFrame, HorizontalBar)->isVisibleTo(main->PicFrame));
    QVERIFY(!main->mFlatSB.scrollBar(main->PicFrame, VerticalBar)->isVisibleTo(main->PicFrame));
    QVERIFY(main->mnu_file[1]->isEnabled());
    QVERIFY(!main->mnu_IM[2]->isEnabled()); // no mark yet
}

void BrowsingTest::showLargePictureWithBarsAndScrolls() {
    QWidget *frame = main->PicFrame;
    makePicture("big.bmp", frame->size() + QSize(300, 5));
    show("big.bmp");
    QCOMPARE(main->Pic->geometry(), QRect(QPoint(0, 0), frame->size() + QSize(300, 5)));
    QVERIFY(main->mFlatSB.scrollBar(frame, HorizontalBar)->isVisibleTo(frame));
    QVERIFY(main->mFlatSB.scrollBar(frame, VerticalBar)->isVisibleTo(frame));
    const int max = 300 + main->mFlatSB.GetScrollCx(frame, HorizontalBar); // past the arrow
    QCOMPARE(main->mFlatSB.GetScrollMax(frame, HorizontalBar), max);
    // A page to the right moves the picture left by a tenth of the range.
    main->mFlatSB.FlatScrollWindowProc(frame, WindowMessage::HorizontalScroll, PageDown);
    QCOMPARE(main->Pic->x(), -largeChange(max));
    // Beyond the start the picture stays put rather than leaving a gap.
    main->mFlatSB.FlatScrollWindowProc(frame, WindowMessage::VerticalScroll, LineDown);
    QCOMPARE(main->Pic->y(), -1);
    main->mFlatSB.FlatScrollWindowProc(frame, WindowMessage::VerticalScroll, LineUp);
    main->mFlatSB.FlatScrollWindowProc(frame, WindowMessage::VerticalScroll, LineUp);
    QCOMPARE(main->Pic->y(), 0);
    // Mouse moves are ignored.
    main->FlatSB_Event(MouseMoveNotification, frame, NoScrollType, 0);
    QCOMPARE(main->Pic->pos(), QPoint(-largeChange(max), 0));
}

void BrowsingTest::folderChangeClearsEverything_data() {
    QTest::addColumn<bool>("readable");
    QTest::newRow("empty folder") << true;
    QTest::newRow("unreadable folder") << false;
}

void BrowsingTest::folderChangeClearsEverything() {
    QFETCH(bool, readable);
    makePicture("a.bmp", {40, 30});
    show("a.bmp");
    for (int i : {2, 3, 5})
        main->mnu_IM[static_cast<std::size_t>(i)]->setEnabled(true);
    QTemporaryDir other;
    main->explorer_Change(readable ? other.path() : dir->filePath("no such folder"));
    QCOMPARE(main->FileList->count(), 0);
    QVERIFY(main->FileList->toolTip().isEmpty());
    QVERIFY(main->preview->pixmap().isNull());
    QCOMPARE(main->Pic->surface().point(5, 5), main->Pic->surface().backColour());
    QVERIFY(!main->mnu_file[0]->isEnabled() && !main->mnu_file[1]->isEnabled());
    for (int i : {2, 3, 5})
        QVERIFY(!main->mnu_IM[static_cast<std::size_t>(i)]->isEnabled());
    QVERIFY(!main->pictureShown);
    QVERIFY(state->CurrentPicturePath.isEmpty());
}

void BrowsingTest::saveAs_data() {
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("filterIndex");
    QTest::addColumn<QByteArray>("format"); // empty: nothing is written
    QTest::newRow("bmp shown, jpg name") << "a.BMP"
                                         << "out.jpg" << 1 << QByteArray("jpeg");
    QTest::newRow("gif shown, bmp name") << "a.gif"
                                         << "out.bmp" << 2 << QByteArray("bmp");
    QTest::newRow("bare name") << "a.jpg"
                               << "out" << 2 << QByteArray("jpeg");
    QTest::newRow("cancel") << "a.jpg"
                            << "" << 2 << QByteArray();
    QTest::newRow("missing folder") << "a.jpg"
                                    << "missing/out.jpg" << 2 << QByteArray();
}

void BrowsingTest::saveAs() {
    QFETCH(QString, shown);
    QFETCH(QString, answer);
    QFETCH(QByteArray, format);
    makePicture(shown, {64, 48}, qRgb(0, 0, 255));
    show(shown);
    QTemporaryDir out;
    dialogs->saveAnswers = {answer.isEmpty() ? QString() : out.filePath(answer)};
    main->mnu_file_Click(1);
    const FileDialogRequest &request = dialogs->requests.back();
    QCOMPARE(request.filter, QStringLiteral("Bitmaps (*.bmp)|*.bmp|JPEG Images (*.jpg)|*.jpg|"));
    QTEST(request.filterIndex, "filterIndex");
    QCOMPARE(request.initialFolder, dir->path());
    // Only a failed save says something, and says why.
    const bool failed = !answer.isEmpty() && format.isEmpty();
    QCOMPARE(dialogs->messages.size(), failed ? 1u : 0u);
    QVERIFY(!failed || !dialogs->lastMessage().contains("Unknown error"));
    const QStringList written = QDir(out.path()).entryList(QDir::Files);
    QCOMPARE(written, format.isEmpty() ? QStringList() : QStringList{answer});
    if (format.isEmpty())
        return;
    QImageReader reader(out.filePath(answer));
    QCOMPARE(reader.format(), format);
    const QImage saved = reader.read();
    QCOMPARE(saved.size(), QSize(64, 48));
    QVERIFY(qBlue(saved.pixel(10, 10)) > 240 && qRed(saved.pixel(10, 10)) < 15);
}

// A JPEG whose EXIF block is garbage: the picture is saved and the loss is said once.
void BrowsingTest::damagedCameraDataStillSaves() {
    QFile file(makePicture("camera.jpg", {32, 24}));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray bytes = file.readAll();
    file.close();
    bytes.insert(2, QByteArray("\xFF\xE1\x00\x12"
                               "Exif\0\0"
                               "II*\0\x08\0\0\0\xFF\xFF",
                               20));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) > 0);
    file.close();
    show("camera.jpg");
    dialogs->saveAnswers = {dir->filePath("out.jpg")};
    main->mnu_file_Click(1);
    QCOMPARE(QImage(dir->filePath("out.jpg")).size(), QSize(32, 24));
    QCOMPARE(dialogs->messages.size(), 1u);
    QVERIFY(dialogs->lastMessage().contains("camera data"));
}

QTEST_MAIN(BrowsingTest)
#include "tst_browsing.moc"
