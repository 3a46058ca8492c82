#include "MainWindowFixture.h"
#include "placement/MarkFile.h"
#include "placement/MarkStamping.h"

#include <QAction>
#include <QListWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace imprimata;

class MarkMenuTest : public QObject, private MainWindowFixture {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void insertStampsWhereTheViewLies_data();
    void insertStampsWhereTheViewLies();
    void undoRestoresTheShownPicture();
    void insertWithoutOverlapWarns();
    void rejectedLoadKeepsMark();
    void enabledStates();

private:
    QString makePicture(const QString &name, int red = 10);
    QString makeMarkFile(int markType);
    void click(const QString &name);
    void showPicture(const QString &name);
    void loadMark(const QString &path);
    void placeViewAt(QPoint picturePixel);
};

void MarkMenuTest::init() {
    QVERIFY(open(QRect(0, 0, 1200, 780)));
}

void MarkMenuTest::cleanup() {
    main.reset();
}

// A picture of 400 x 300 with some structure, so a misplaced stamp cannot go unnoticed.
QString MarkMenuTest::makePicture(const QString &name, int red) {
    QImage image(400, 300, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(red, (x * 7 + y) & 0xFF, 30));
    image.save(dir->filePath(name), "bmp");
    return dir->filePath(name);
}

QString MarkMenuTest::makeMarkFile(int markType) {
    MarkSettings mark;
    mark.MarkType = static_cast<std::int16_t>(markType);
    mark.Text = "Mine";
    mark.ImagePath = makePicture("markimage.bmp");
    mark.Font = makeFont("Liberation Sans", 18, true, 204);
    mark.Colour = 0x0000FF;
    mark.Level = 1;
    mark.RasterOp = SrcInvert;
    mark.ImageTransparency = 1;
    mark.MarkWidth = 1200; // a view of 82 x 32 pixels
    mark.MarkHeight = 450;
    writeMarkFile(dir->filePath("mark.$IM"), mark, nullptr);
    return dir->filePath("mark.$IM");
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

void MarkMenuTest::insertStampsWhereTheViewLies_data() {
    QTest::addColumn<int>("markType");
    QTest::addColumn<QPoint>("at");
    QTest::newRow("text inside") << 0 << QPoint(50, 60);
    QTest::newRow("text off the top left") << 0 << QPoint(-30, -12);
    QTest::newRow("image past the bottom right") << 1 << QPoint(370, 280);
}

// Insert puts into the picture exactly what the same mark stamped with no window does.
void MarkMenuTest::insertStampsWhereTheViewLies() {
    QFETCH(int, markType);
    QFETCH(QPoint, at);
    makePicture("a.bmp");
    showPicture("a.bmp");
    loadMark(makeMarkFile(markType));
    const QImage original = main->Pic->surface().image().copy();
    Surface expected;
    expected.setImage(original);
    MarkSurfaces surfaces;
    QVERIFY(surfaces.prepare(state->CurrentMark, nullptr));
    ScreenRect target, source;
    overlapAt(original.size(), surfaces.size(), at, target, source);
    stampMark(expected, surfaces.surfaces(), state->CurrentMark, state->StepTable, target, source);
    placeViewAt(at);
    main->mnu_IM_Click(2);
    QVERIFY(main->Pic->surface().image() != original);
    QCOMPARE(main->Pic->surface().image(), expected.image());
}

// Undo brings back the picture Show showed, without any stamp, even when another file was
// clicked since.
void MarkMenuTest::undoRestoresTheShownPicture() {
    makePicture("a.bmp");
    makePicture("b.bmp", 250);
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
    makePicture("a.bmp");
    showPicture("a.bmp");
    loadMark(makeMarkFile(TextMark));
    const QImage original = main->Pic->surface().image().copy();
    placeViewAt(QPoint(600, 500)); // beyond the 400 x 300 picture
    main->mnu_IM_Click(2);
    QCOMPARE(dialogs->lastMessage(), QStringLiteral("There is no area of crossing of two windows"));
    QCOMPARE(main->Pic->surface().image(), original);
}

void MarkMenuTest::rejectedLoadKeepsMark() {
    loadMark(makeMarkFile(TextMark));
    QFile bad(dir->filePath("bad.$IM"));
    QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write("\"imprimata, version 1.1\"\r\n") > 0);
    bad.close();
    loadMark(bad.fileName());
    QCOMPARE(dialogs->lastMessage(), QStringLiteral("Invalid file structure"));
    QCOMPARE(state->CurrentMark.Text, QStringLiteral("Mine"));
}

void MarkMenuTest::enabledStates() {
    makePicture("a.bmp");
    makePicture("b.bmp");
    const auto enabled = [this] {
        QString s;
        for (QAction *a : main->mnu_IM)
            s += a->isEnabled() ? u'1' : u'0';
        return s;
    };
    main->explorer_Change(dir->path());
    QCOMPARE(enabled(), QStringLiteral("100010"));
    loadMark(makeMarkFile(TextMark)); // no picture shown: Edit and Save as, not Insert
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
    main->explorer_Change(dir->path());
    QCOMPARE(enabled(), QStringLiteral("110010"));
}

QTEST_MAIN(MarkMenuTest)
#include "tst_markmenu.moc"
