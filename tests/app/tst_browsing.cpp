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
    void listsPicturesInAnyLetterCase();
    void clickReadsOnceAndEnablesShow();
    void unreadableFileKeepsPreviousPicture();
    void showSmallPictureCentredWithoutBars();
    void showLargePictureWithBarsAndScrolls();
    void folderChangeClearsEverything();
    void unreadableFolderEmptiesList();
    void saveAs_data();
    void saveAs();
    void failedSaveKeepsOldFile();
    void damagedCameraDataStillSaves();

private:
    QString makePicture(const QString &name, QSize size, QRgb colour = qRgb(30, 60, 90));
    void click(const QString &name);

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
    dir.reset();
}

QString BrowsingTest::makePicture(const QString &name, QSize size, QRgb colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    const QString path = dir->filePath(name);
    // Qt writes no GIF; the reader goes by content, so a bitmap serves under that name.
    QByteArray format = QFileInfo(name).suffix().toLower().toLatin1();
    if (format == "jpg")
        format = "jpeg";
    else if (format == "gif")
        format = "bmp";
    if (!image.save(path, format.constData()))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void BrowsingTest::click(const QString &name) {
    const auto items = main->FileList->findItems(name, Qt::MatchExactly);
    QVERIFY2(!items.isEmpty(), qPrintable(name));
    main->FileList->setCurrentItem(items.front());
}

void BrowsingTest::thumbnailBox_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QRect>("expected");
    // The box inside the 169 x 121 frame is 163 x 109.
    QTest::newRow("exactly the box") << QSize(163, 109) << QRect(3, 9, 163, 109);
    QTest::newRow("one wider scales") << QSize(164, 109) << QRect(3, 9, 163, 108);
    QTest::newRow("small keeps size") << QSize(20, 10) << QRect(74, 58, 20, 10);
    QTest::newRow("tall") << QSize(1000, 2000) << QRect(57, 9, 54, 109);
    QTest::newRow("24 MP landscape") << QSize(6000, 4000) << QRect(3, 9, 163, 109);
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
    QTest::newRow("11") << 11 << 1;
    QTest::newRow("25 half to even") << 25 << 2;
    QTest::newRow("35 half to even") << 35 << 4;
    QTest::newRow("5000") << 5000 << 500;
}

void BrowsingTest::largeChanges() {
    QFETCH(int, max);
    QFETCH(int, expected);
    QCOMPARE(largeChange(max), expected);
}

void BrowsingTest::listsPicturesInAnyLetterCase() {
    makePicture(QStringLiteral("IMG_0001.JPG"), {8, 8});
    makePicture(QStringLiteral("a.bmp"), {8, 8});
    makePicture(QStringLiteral("b.Gif"), {8, 8});
    makePicture(QStringLiteral("c.png"), {8, 8});
    main->explorer_Change(dir->path());
    QStringList names;
    for (int i = 0; i < main->FileList->count(); ++i)
        names << main->FileList->item(i)->text();
    names.sort(Qt::CaseInsensitive);
    QCOMPARE(names, (QStringList{"a.bmp", "b.Gif", "IMG_0001.JPG"}));
}

void BrowsingTest::clickReadsOnceAndEnablesShow() {
    makePicture(QStringLiteral("a.bmp"), {200, 100}, qRgb(255, 0, 0));
    makePicture(QStringLiteral("b.bmp"), {20, 10});
    main->explorer_Change(dir->path());
    QVERIFY(!main->mnu_file[0]->isEnabled());
    click(QStringLiteral("a.bmp"));
    QCOMPARE(state->CurrentPicturePath, dir->filePath(QStringLiteral("a.bmp")));
    QCOMPARE(main->pictureWidth, 200);
    QCOMPARE(main->pictureHeight, 100);
    QVERIFY(main->mnu_file[0]->isEnabled());
    QCOMPARE(main->FileList->toolTip(), QStringLiteral("Show - DoubleClick"));
    QCOMPARE(main->preview->geometry(), QRect(3, 23, 163, 82));
    QCOMPARE(main->preview->pixmap().toImage().pixel(50, 40), qRgb(255, 0, 0));

    // The same file again is not read again, even if it changed on disk.
    const qint64 key = main->Image1.cacheKey();
    makePicture(QStringLiteral("a.bmp"), {50, 50});
    main->FileList_Click();
    QCOMPARE(main->Image1.cacheKey(), key);
    QCOMPARE(main->pictureWidth, 200);
    // After a folder change it is.
    main->explorer_Change(dir->path());
    click(QStringLiteral("a.bmp"));
    QCOMPARE(main->pictureWidth, 50);
}

void BrowsingTest::unreadableFileKeepsPreviousPicture() {
    makePicture(QStringLiteral("a.bmp"), {30, 20});
    QFile broken(dir->filePath(QStringLiteral("broken.jpg")));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("not a picture at all");
    broken.close();
    main->explorer_Change(dir->path());
    click(QStringLiteral("a.bmp"));
    click(QStringLiteral("broken.jpg"));
    QCOMPARE(dialogs->messages.size(), 1u);
    QCOMPARE(dialogs->messages.front().icon, MessageIcon::None);
    QCOMPARE(main->pictureWidth, 30);
    QCOMPARE(state->CurrentPicturePath, dir->filePath(QStringLiteral("broken.jpg")));
    QVERIFY(main->preview->pixmap().isNull());
    QVERIFY(main->mnu_file[0]->isEnabled());
}

void BrowsingTest::showSmallPictureCentredWithoutBars() {
    const int frameWidth = main->PicFrame->width();
    makePicture(QStringLiteral("wide.bmp"), {frameWidth, 100});
    main->explorer_Change(dir->path());
    click(QStringLiteral("wide.bmp"));
    main->mnu_file_Click(0);
    QVERIFY(main->pictureShown);
    QCOMPARE(main->Pic->geometry(),
             QRect(0, (main->PicFrame->height() - 100) / 2, frameWidth, 100));
    QVERIFY(!main->mFlatSB.scrollBar(main->PicFrame, HorizontalBar)->isVisibleTo(main->PicFrame));
    QVERIFY(!main->mFlatSB.scrollBar(main->PicFrame, VerticalBar)->isVisibleTo(main->PicFrame));
    QVERIFY(main->mnu_file[1]->isEnabled());
    QVERIFY(!main->mnu_IM[2]->isEnabled()); // no mark yet
    QCOMPARE(main->shownPicturePath, dir->filePath(QStringLiteral("wide.bmp")));
}

void BrowsingTest::showLargePictureWithBarsAndScrolls() {
    const QSize frame = main->PicFrame->size();
    makePicture(QStringLiteral("big.bmp"), frame + QSize(300, 5));
    main->explorer_Change(dir->path());
    click(QStringLiteral("big.bmp"));
    main->Show();
    QCOMPARE(main->Pic->pos(), QPoint(0, 0));
    QCOMPARE(main->Pic->size(), frame + QSize(300, 5));
    QWidget *frameWidget = main->PicFrame;
    QVERIFY(main->mFlatSB.scrollBar(frameWidget, HorizontalBar)->isVisibleTo(frameWidget));
    QVERIFY(main->mFlatSB.scrollBar(frameWidget, VerticalBar)->isVisibleTo(frameWidget));
    const int arrow = main->mFlatSB.GetScrollCx(frameWidget, HorizontalBar);
    QCOMPARE(main->mFlatSB.GetScrollMax(frameWidget, HorizontalBar), 300 + arrow);
    // A page to the right moves the picture left by a tenth of the range.
    main->mFlatSB.FlatScrollWindowProc(frameWidget, WindowMessage::HorizontalScroll, PageDown);
    QCOMPARE(main->Pic->x(), -largeChange(300 + arrow));
    main->mFlatSB.FlatScrollWindowProc(frameWidget, WindowMessage::VerticalScroll, LineDown);
    QCOMPARE(main->Pic->y(), -1);
    // Beyond the start the picture stays put rather than leaving a gap.
    main->mFlatSB.FlatScrollWindowProc(frameWidget, WindowMessage::VerticalScroll, LineUp);
    main->mFlatSB.FlatScrollWindowProc(frameWidget, WindowMessage::VerticalScroll, LineUp);
    QCOMPARE(main->Pic->y(), 0);
    main->mFlatSB.FlatScrollWindowProc(frameWidget, WindowMessage::VerticalScroll, LineDown);
    QCOMPARE(main->Pic->y(), -1);
    // Mouse moves are ignored.
    main->FlatSB_Event(MouseMoveNotification, frameWidget, NoScrollType, 0);
    QCOMPARE(main->Pic->pos(), QPoint(-largeChange(300 + arrow), -1));
}

void BrowsingTest::folderChangeClearsEverything() {
    makePicture(QStringLiteral("a.bmp"), {40, 30});
    main->explorer_Change(dir->path());
    click(QStringLiteral("a.bmp"));
    main->Show();
    for (int i : {2, 3, 5})
        main->mnu_IM[static_cast<std::size_t>(i)]->setEnabled(true);
    QTemporaryDir other;
    main->explorer_Change(other.path());
    QCOMPARE(main->FileList->count(), 0);
    QVERIFY(main->FileList->toolTip().isEmpty());
    QVERIFY(main->preview->pixmap().isNull());
    QCOMPARE(main->Pic->surface().point(5, 5), main->Pic->surface().backColour());
    QVERIFY(!main->mnu_file[0]->isEnabled() && !main->mnu_file[1]->isEnabled());
    for (int i : {2, 3, 5})
        QVERIFY(!main->mnu_IM[static_cast<std::size_t>(i)]->isEnabled());
    QVERIFY(!main->pictureShown);
    QVERIFY(state->CurrentPicturePath.isEmpty());
    QVERIFY(main->lastListFileName.isEmpty());
    // The picture read last stays in the holder.
    QCOMPARE(main->pictureWidth, 40);
}

void BrowsingTest::unreadableFolderEmptiesList() {
    makePicture(QStringLiteral("a.bmp"), {4, 4});
    main->explorer_Change(dir->path());
    main->explorer_Change(dir->filePath(QStringLiteral("no such folder")));
    QCOMPARE(main->FileList->count(), 0);
    QVERIFY(main->FileList->toolTip().isEmpty());
}

void BrowsingTest::saveAs_data() {
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("filterIndex");
    QTest::addColumn<QByteArray>("format");
    QTest::newRow("bmp shown, jpg name") << "a.BMP"
                                         << "out.jpg" << 1 << QByteArray("jpeg");
    QTest::newRow("gif shown, bmp name") << "a.gif"
                                         << "out.bmp" << 2 << QByteArray("bmp");
    QTest::newRow("bare name") << "a.jpg"
                               << "out" << 2 << QByteArray("jpeg");
    QTest::newRow("cancel") << "a.jpg"
                            << "" << 2 << QByteArray();
}

void BrowsingTest::saveAs() {
    QFETCH(QString, shown);
    QFETCH(QString, answer);
    QFETCH(int, filterIndex);
    QFETCH(QByteArray, format);
    makePicture(shown, {64, 48}, qRgb(0, 0, 255));
    main->explorer_Change(dir->path());
    click(shown);
    main->Show();
    QTemporaryDir out;
    dialogs->saveAnswers = {answer.isEmpty() ? QString() : out.filePath(answer)};
    main->mnu_file_Click(1);
    const FileDialogRequest &request = dialogs->requests.back();
    QCOMPARE(request.title, QStringLiteral("Save file as ..."));
    QCOMPARE(request.filter, QStringLiteral("Bitmaps (*.bmp)|*.bmp|JPEG Images (*.jpg)|*.jpg|"));
    QCOMPARE(request.filterIndex, filterIndex);
    QCOMPARE(request.initialFolder, dir->path());
    QVERIFY(dialogs->messages.empty());
    if (answer.isEmpty()) {
        QCOMPARE(QDir(out.path()).entryList(QDir::Files).size(), 0);
        return;
    }
    QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList{answer});
    QImageReader reader(out.filePath(answer));
    QCOMPARE(reader.format(), format);
    const QImage saved = reader.read();
    QCOMPARE(saved.size(), QSize(64, 48));
    QVERIFY(qBlue(saved.pixel(10, 10)) > 240 && qRed(saved.pixel(10, 10)) < 15);
}

void BrowsingTest::failedSaveKeepsOldFile() {
    makePicture(QStringLiteral("a.bmp"), {16, 16});
    main->explorer_Change(dir->path());
    click(QStringLiteral("a.bmp"));
    main->Show();
    QTemporaryDir out;
    dialogs->saveAnswers = {out.filePath(QStringLiteral("missing/out.jpg"))};
    main->mnu_file_Click(1);
    QCOMPARE(dialogs->messages.size(), 1u);
    QVERIFY(!dialogs->lastMessage().isEmpty());
    QVERIFY(!dialogs->lastMessage().contains(QStringLiteral("Unknown error")));
}

void BrowsingTest::damagedCameraDataStillSaves() {
    // A JPEG whose EXIF block is garbage: the picture is saved and the loss is said once.
    const QString source = makePicture(QStringLiteral("camera.jpg"), {32, 24});
    QFile file(source);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray bytes = file.readAll();
    file.close();
    const QByteArray payload =
        QByteArray("Exif\0\0", 6) + QByteArray("II*\0\x08\0\0\0\xff\xff", 10);
    QByteArray app1("\xff\xe1", 2);
    app1.append(char((payload.size() + 2) >> 8)).append(char((payload.size() + 2) & 0xff));
    bytes.insert(2, app1 + payload);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    file.close();

    main->explorer_Change(dir->path());
    click(QStringLiteral("camera.jpg"));
    main->Show();
    QTemporaryDir out;
    dialogs->saveAnswers = {out.filePath(QStringLiteral("out.jpg"))};
    main->mnu_file_Click(1);
    QCOMPARE(QImage(out.filePath(QStringLiteral("out.jpg"))).size(), QSize(32, 24));
    QCOMPARE(dialogs->messages.size(), 1u);
    QVERIFY(dialogs->lastMessage().contains(QStringLiteral("camera data")));
}

QTEST_MAIN(BrowsingTest)
#include "tst_browsing.moc"
