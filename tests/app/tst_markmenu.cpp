#include "app/Main.h"
#include "placement/MarkFile.h"
#include "placement/MarkStamping.h"

#include <QAction>
#include <QListWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace imprimata;

class MarkMenuTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void insertStampsWhereTheViewLies_data();
    void insertStampsWhereTheViewLies();
    void undoRestoresTheShownPicture();
    void insertWithoutOverlapWarns();
    void loadRejectedOrCancelledKeepsMark();
    void saveMarkSetsNameAndWrites();
    void enabledStates();

private:
    QString makePicture(const QString &name, QRgb colour);
    QString makeMarkFile(int markType);
    void click(const QString &name);
    void showPicture(const QString &name);
    void loadMark(const QString &path);
    void placeViewAt(QPoint picturePixel);
    QImage expectedStamp(const QImage &original, QPoint at) const;

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<SharedState> state;
    std::unique_ptr<ScriptedDialogService> dialogs;
    std::unique_ptr<Main> main;
};

void MarkMenuTest::init() {
    dir = std::make_unique<QTemporaryDir>();
    state = std::make_unique<SharedState>();
    dialogs = std::make_unique<ScriptedDialogService>();
    main = std::make_unique<Main>(*state, *dialogs);
    main->setGeometry(0, 0, 1200, 780);
    main->show();
    QVERIFY(QTest::qWaitForWindowExposed(main.get()));
    main->explorer_Change(dir->path());
}

void MarkMenuTest::cleanup() {
    main.reset();
}

QString MarkMenuTest::makePicture(const QString &name, QRgb colour) {
    QImage image(400, 300, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(qRed(colour), (x * 7 + y) & 0xFF, qBlue(colour)));
    const QString path = dir->filePath(name);
    image.save(path, "bmp");
    return path;
}

QString MarkMenuTest::makeMarkFile(int markType) {
    MarkSettings mark;
    mark.MarkType = static_cast<std::int16_t>(markType);
    mark.Text = "Mine";
    mark.ImagePath = makePicture("markimage.bmp", qRgb(0, 0, 255));
    mark.Font = makeFont("Liberation Sans", 18, true, 204);
    mark.Colour = 0x0000FF;
    mark.Level = 1;
    mark.RasterOp = SrcInvert;
    mark.ImageTransparency = 1;
    mark.MarkWidth = 1200; // a view of 82 x 32 pixels
    mark.MarkHeight = 450;
    const QString path = dir->filePath(QStringLiteral("mark%1.$IM").arg(markType));
    mark.MarkName = QFileInfo(path).fileName();
    QString error;
    if (!writeMarkFile(path, mark, &error))
        qFatal("%s", qPrintable(error));
    return path;
}

void MarkMenuTest::click(const QString &name) {
    const auto items = main->FileList->findItems(name, Qt::MatchExactly);
    QVERIFY2(!items.isEmpty(), qPrintable(name));
    main->FileList->setCurrentItem(items.front());
}

void MarkMenuTest::showPicture(const QString &name) {
    main->explorer_Change(dir->path());
    click(name);
    main->mnu_file_Click(0);
    QVERIFY(main->pictureShown);
}

void MarkMenuTest::loadMark(const QString &path) {
    dialogs->openAnswers = {path};
    main->mnu_IM_Click(4);
}

void MarkMenuTest::placeViewAt(QPoint picturePixel) {
    Imprim &placement = main->imprim();
    placement.RefreshPlacement();
    QCoreApplication::processEvents();
    const QPoint viewOrigin = placement.PicIM(0).mapToGlobal(QPoint(0, 0));
    const QPoint wanted = main->Pic->mapToGlobal(picturePixel);
    placement.move(placement.pos() + wanted - viewOrigin);
    QCoreApplication::processEvents();
    QTRY_COMPARE(placement.PicIM(0).mapToGlobal(QPoint(0, 0)), wanted);
}

// What the same mark, stamped with no window at all, puts into the picture.
QImage MarkMenuTest::expectedStamp(const QImage &original, QPoint at) const {
    Surface pic;
    pic.setImage(original);
    MarkSurfaces surfaces;
    QString error;
    if (!surfaces.prepare(state->CurrentMark, &error))
        qFatal("%s", qPrintable(error));
    ScreenRect target, source;
    overlapAt(original.size(), surfaces.size(), at, target, source);
    stampMark(pic, surfaces.surfaces(), state->CurrentMark, state->StepTable, target, source);
    return pic.image();
}

void MarkMenuTest::insertStampsWhereTheViewLies_data() {
    QTest::addColumn<int>("markType");
    QTest::addColumn<QPoint>("at");
    QTest::newRow("text inside") << 0 << QPoint(50, 60);
    QTest::newRow("text off the left edge") << 0 << QPoint(-30, 100);
    QTest::newRow("text off the top edge") << 0 << QPoint(20, -12);
    QTest::newRow("image past the bottom right") << 1 << QPoint(370, 280);
}

void MarkMenuTest::insertStampsWhereTheViewLies() {
    QFETCH(int, markType);
    QFETCH(QPoint, at);
    makePicture("a.bmp", qRgb(200, 0, 30));
    showPicture("a.bmp");
    loadMark(makeMarkFile(markType));
    const QImage original = main->Pic->surface().image().copy();
    placeViewAt(at);
    const QPoint before = main->imprim().pos();
    main->mnu_IM_Click(2);
    QVERIFY2(dialogs->messages.empty(), qPrintable(dialogs->lastMessage()));
    const QImage stamped = main->Pic->surface().image();
    QVERIFY(stamped != original);
    QCOMPARE(stamped, expectedStamp(original, at));
    QVERIFY(main->imprim().pos() != before); // moved aside to uncover the stamp
}

// Undo brings back the picture Show showed, without any stamp, even when another file was
// clicked since.
void MarkMenuTest::undoRestoresTheShownPicture() {
    makePicture("a.bmp", qRgb(10, 0, 30));
    makePicture("b.bmp", qRgb(250, 0, 250));
    showPicture("a.bmp");
    const QImage original = main->Pic->surface().image().copy();
    loadMark(makeMarkFile(TextMark));
    click("b.bmp");
    placeViewAt(QPoint(10, 10));
    main->mnu_IM_Click(2);
    placeViewAt(QPoint(200, 150));
    main->mnu_IM_Click(2);
    QVERIFY(main->Pic->surface().image() != original);
    main->mnu_IM_Click(3);
    QCOMPARE(main->Pic->surface().image(), original);
}

void MarkMenuTest::insertWithoutOverlapWarns() {
    makePicture("a.bmp", qRgb(10, 0, 30));
    showPicture("a.bmp");
    loadMark(makeMarkFile(TextMark));
    const QImage original = main->Pic->surface().image().copy();
    placeViewAt(QPoint(600, 500)); // beyond the 400 x 300 picture
    const QPoint before = main->imprim().pos();
    main->mnu_IM_Click(2);
    QCOMPARE(dialogs->lastMessage(), QStringLiteral("There is no area of crossing of two windows"));
    QCOMPARE(dialogs->messages.back().icon, MessageIcon::Warning);
    QCOMPARE(main->Pic->surface().image(), original);
    QVERIFY(!main->mnu_IM[3]->isEnabled());
    QCOMPARE(main->imprim().pos(), before);
}

void MarkMenuTest::loadRejectedOrCancelledKeepsMark() {
    loadMark(makeMarkFile(TextMark));
    const SharedFont font = state->CurrentMark.Font;
    loadMark(QString());
    QVERIFY(dialogs->messages.empty());
    const QString path = dir->filePath("bad.$IM");
    QFile bad(path);
    QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write("\"imprimata, version 1.1\"\r\n") > 0);
    bad.close();
    loadMark(path);
    QCOMPARE(dialogs->lastMessage(), QStringLiteral("Invalid file structure"));
    QCOMPARE(dialogs->messages.back().icon, MessageIcon::Error);
    QCOMPARE(state->CurrentMark.MarkName, QStringLiteral("mark0.$IM"));
    QCOMPARE(state->CurrentMark.Font, font);
}

void MarkMenuTest::saveMarkSetsNameAndWrites() {
    loadMark(makeMarkFile(TextMark));
    const QString path = dir->filePath("saved"); // no extension is added
    dialogs->saveAnswers = {path};
    main->mnu_IM_Click(5);
    const FileDialogRequest &request = dialogs->requests.back();
    QCOMPARE(request.title, QStringLiteral("Save Imprimata as ..."));
    QCOMPARE(request.initialFolder, QDir::currentPath());
    QCOMPARE(state->CurrentMark.MarkName, QStringLiteral("saved"));
    MarkSettings back;
    QVERIFY(readMarkFile(path, back, nullptr));
    QCOMPARE(back.MarkName, QStringLiteral("saved"));
    QCOMPARE(back.Text, QStringLiteral("Mine"));
}

void MarkMenuTest::enabledStates() {
    makePicture("a.bmp", qRgb(10, 0, 30));
    makePicture("b.bmp", qRgb(10, 0, 30));
    const auto enabled = [this] {
        QString s;
        for (QAction *a : main->mnu_IM)
            s += a->isEnabled() ? u'1' : u'0';
        return s;
    };
    main->explorer_Change(dir->path());
    QCOMPARE(enabled(), QStringLiteral("100010"));
    // Load with no picture shown: Edit and Save as, not Insert.
    loadMark(makeMarkFile(TextMark));
    const FileDialogRequest &request = dialogs->requests.back();
    QCOMPARE(request.title, QStringLiteral("Load Imprimata ..."));
    QCOMPARE(request.filter, QStringLiteral("Imprimata files (*.$IM)|*.$IM|"));
    QCOMPARE(state->CurrentMark.Text, QStringLiteral("Mine"));
    QCOMPARE(main->imprim().PicIM(0).size(), QSize(82, 32));
    QCOMPARE(enabled(), QStringLiteral("110011"));
    click("a.bmp");
    main->Show();
    QCOMPARE(enabled(), QStringLiteral("111011"));
    placeViewAt(QPoint(5, 5));
    main->mnu_IM_Click(2);
    QCOMPARE(enabled(), QStringLiteral("111111"));
    main->mnu_IM_Click(3);
    QCOMPARE(enabled(), QStringLiteral("111011"));
    main->mnu_IM_Click(2);
    click("b.bmp");
    QCOMPARE(enabled(), QStringLiteral("111011")); // a click disables Undo
    main->mnu_IM_Click(2);
    main->mnu_file_Click(0); // Show disables Undo too
    QCOMPARE(enabled(), QStringLiteral("111011"));
    main->explorer_Change(dir->path());
    QCOMPARE(enabled(), QStringLiteral("110010"));
}

QTEST_MAIN(MarkMenuTest)
#include "tst_markmenu.moc"
