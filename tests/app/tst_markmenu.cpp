#include "MainWindowFixture.h"
#include "placement/MarkFile.h"
#include "placement/MarkStamping.h"

#include <QAction>
#include <QFileSystemModel>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

using namespace imprimata;

namespace {
enum MarkPicture { NoPicture, PictureThere, PictureGone };
// What would throw stamps away, and the answers to the question it asks first.
enum Action { Exit, CloseBox, ShowOther, OtherFolder };
enum Reply { Save, SaveCancelled, SaveFails, Discard, Cancel };
} // namespace

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
    void insertRefusesAMarkItCannotDraw_data();
    void insertRefusesAMarkItCannotDraw();
    void markNameOnlyFromAWrittenFile_data();
    void markNameOnlyFromAWrittenFile();
    void unsavedStampsAskFirst_data();
    void unsavedStampsAskFirst();
    void askOnlyWhenStampsWouldBeLost_data();
    void askOnlyWhenStampsWouldBeLost();
    void enabledStates();

private:
    QString makePicture(const QString &name, int red = 10);
    QString makeMarkFile(int markType);
    void click(const QString &name);
    void showPicture(const QString &name);
    void loadMark(const QString &path);
    void placeViewAt(QPoint picturePixel);
    void stampPicture();
    QString treeFolder() const;
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
    if (!writeMarkFile(dir->filePath("mark.$IM"), mark))
        qFatal("the test's mark file cannot be written");
    return dir->filePath("mark.$IM");
}

void MarkMenuTest::click(const QString &name) {
    const auto items = main->fileList->findItems(name, Qt::MatchExactly);
    QVERIFY2(!items.isEmpty(), qPrintable(name));
    main->fileList->setCurrentItem(items.front());
}

void MarkMenuTest::showPicture(const QString &name) {
    main->onFolderChanged(dir->path());
    click(name);
    main->runCommand(FileMenu::Show);
    QVERIFY(main->pictureShown);
}

void MarkMenuTest::loadMark(const QString &path) {
    dialogs->openAnswers = {path};
    main->runCommand(MarkMenu::Load);
}

void MarkMenuTest::placeViewAt(QPoint picturePixel) {
    PlacementWindow &placement = main->placementWindow();
    placement.RefreshPlacement();
    QCoreApplication::processEvents();
    const QPoint viewOrigin = placement.PicIM(0).mapToGlobal(QPoint(0, 0));
    const QPoint wanted = main->Pic->mapToGlobal(picturePixel);
    placement.move(placement.pos() + wanted - viewOrigin);
    QCoreApplication::processEvents();
    QTRY_COMPARE(placement.PicIM(0).mapToGlobal(QPoint(0, 0)), wanted);
}

// Shows a.bmp, chosen through the folder tree, with a text mark stamped into it.
void MarkMenuTest::stampPicture() {
    makePicture("a.bmp");
    makePicture("b.bmp", 250);
    const auto *folders = static_cast<QFileSystemModel *>(main->folderTree->model());
    main->folderTree->setCurrentIndex(folders->index(dir->path()));
    QCOMPARE(main->fileListFolder(), dir->path());
    click("a.bmp");
    main->runCommand(FileMenu::Show);
    loadMark(makeMarkFile(TextMark));
    placeViewAt(QPoint(50, 60));
    main->runCommand(MarkMenu::Insert);
    QVERIFY(main->menuItem(MarkMenu::UndoInsert)->isEnabled());
}

QString MarkMenuTest::treeFolder() const {
    const auto *folders = static_cast<QFileSystemModel *>(main->folderTree->model());
    return folders->filePath(main->folderTree->currentIndex());
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
    QVERIFY(surfaces.prepare(state->CurrentMark));
    ScreenRect target, source;
    overlapAt(original.size(), surfaces.size(), at, target, source);
    stampMark(expected, surfaces.surfaces(), state->CurrentMark, state->StepTable, target, source);
    placeViewAt(at);
    main->runCommand(MarkMenu::Insert);
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
    main->runCommand(MarkMenu::Insert);
    placeViewAt(QPoint(200, 150));
    main->runCommand(MarkMenu::Insert);
    QVERIFY(main->Pic->surface().image() != original);
    main->runCommand(MarkMenu::UndoInsert);
    QCOMPARE(main->Pic->surface().image(), original);
}

void MarkMenuTest::insertWithoutOverlapWarns() {
    makePicture("a.bmp");
    showPicture("a.bmp");
    loadMark(makeMarkFile(TextMark));
    const QImage original = main->Pic->surface().image().copy();
    placeViewAt(QPoint(600, 500)); // beyond the 400 x 300 picture
    main->runCommand(MarkMenu::Insert);
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

void MarkMenuTest::insertRefusesAMarkItCannotDraw_data() {
    QTest::addColumn<int>("markType");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("picture");
    QTest::addColumn<QString>("says");
    QTest::newRow("picture gone") << 1 << "Mine" << int(PictureGone) << "cannot be read";
    QTest::newRow("no picture") << 1 << "Mine" << int(NoPicture) << "no picture";
    QTest::newRow("no text") << 0 << "" << int(PictureThere) << "no text";
    QTest::newRow("unknown type") << 2 << "Mine" << int(PictureThere) << "type 2";
}

// Nothing is stamped, Undo stays off and the window stays put; one message says why.
void MarkMenuTest::insertRefusesAMarkItCannotDraw() {
    QFETCH(int, markType);
    QFETCH(QString, text);
    QFETCH(int, picture);
    QFETCH(QString, says);
    makePicture("a.bmp");
    showPicture("a.bmp");
    loadMark(makeMarkFile(TextMark));
    placeViewAt(QPoint(50, 60));
    MarkSettings &mark = state->CurrentMark;
    mark.MarkType = static_cast<std::int16_t>(markType);
    mark.Text = text;
    mark.ImagePath = picture == NoPicture      ? QString()
                     : picture == PictureThere ? dir->filePath("markimage.bmp")
                                               : dir->filePath("gone.bmp");
    const QImage original = main->Pic->surface().image().copy();
    const QPoint placed = main->placementWindow().pos();
    const std::size_t shown = dialogs->messages.size();
    main->runCommand(MarkMenu::Insert);
    QCOMPARE(dialogs->messages.size(), shown + 1);
    QVERIFY2(dialogs->lastMessage().contains(says), qPrintable(dialogs->lastMessage()));
    QCOMPARE(main->Pic->surface().image(), original);
    QVERIFY(!main->menuItem(MarkMenu::UndoInsert)->isEnabled());
    QCOMPARE(main->placementWindow().pos(), placed);
}

void MarkMenuTest::markNameOnlyFromAWrittenFile_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("quoteInText"); // which a mark file cannot hold
    QTest::addColumn<QString>("name");
    QTest::newRow("written") << "new.$IM" << false << "new.$IM";
    QTest::newRow("cancelled") << "" << false << "old.$IM";
    QTest::newRow("folder missing") << "missing/new.$IM" << false << "old.$IM";
    QTest::newRow("refused") << "new.$IM" << true << "old.$IM";
}

void MarkMenuTest::markNameOnlyFromAWrittenFile() {
    QFETCH(QString, answer);
    QFETCH(bool, quoteInText);
    loadMark(makeMarkFile(TextMark));
    state->CurrentMark.MarkName = "old.$IM";
    if (quoteInText)
        state->CurrentMark.Text = "say \"mine\"";
    dialogs->saveAnswers = {answer.isEmpty() ? QString() : dir->filePath(answer)};
    main->runCommand(MarkMenu::SaveAs);
    QTEST(state->CurrentMark.MarkName, "name");
    const Result<MarkSettings> written = readMarkFile(dir->filePath("new.$IM"));
    QCOMPARE(written.ok(), state->CurrentMark.MarkName == "new.$IM");
    if (written)
        QCOMPARE(written->MarkName, QStringLiteral("new.$IM"));
}

void MarkMenuTest::unsavedStampsAskFirst_data() {
    QTest::addColumn<int>("action");
    QTest::addColumn<int>("reply");
    QTest::addColumn<bool>("goesOn");
    const struct {
        const char *name;
        Action action;
    } actions[] = {{"exit", Exit},
                   {"close box", CloseBox},
                   {"show another", ShowOther},
                   {"folder change", OtherFolder}};
    for (const auto &a : actions) {
        QTest::addRow("%s, cancel", a.name) << int(a.action) << int(Cancel) << false;
        QTest::addRow("%s, discard", a.name) << int(a.action) << int(Discard) << true;
    }
    QTest::newRow("exit, saved") << int(Exit) << int(Save) << true;
    QTest::newRow("show another, save cancelled") << int(ShowOther) << int(SaveCancelled) << false;
    QTest::newRow("folder change, save fails") << int(OtherFolder) << int(SaveFails) << false;
}

// Whatever would throw the stamps away asks first; only a save that worked or Discard lets it
// go on, and everything else leaves picture, folder and window as they were.
void MarkMenuTest::unsavedStampsAskFirst() {
    QFETCH(int, action);
    QFETCH(int, reply);
    QFETCH(bool, goesOn);
    stampPicture();
    const QImage stamped = main->Pic->surface().image().copy();
    const QString other = dir->filePath("other");
    QVERIFY(QDir().mkdir(other));

    dialogs->saveQuestionAnswers = {reply == Discard  ? SaveAnswer::Discard
                                    : reply == Cancel ? SaveAnswer::Cancel
                                                      : SaveAnswer::Save};
    const QString saved = dir->filePath("saved.bmp");
    if (reply == Save)
        dialogs->saveAnswers = {saved};
    else if (reply == SaveFails)
        dialogs->saveAnswers = {dir->filePath("missing/saved.bmp")};
    if (action == ShowOther)
        click("b.bmp"); // which takes Undo away, not the stamps
    const bool undoable = main->menuItem(MarkMenu::UndoInsert)->isEnabled();
    switch (action) {
    case Exit:
        main->runCommand(FileMenu::Exit);
        break;
    case CloseBox:
        main->close();
        break;
    case ShowOther:
        main->runCommand(FileMenu::Show);
        break;
    case OtherFolder: {
        const auto *folders = static_cast<QFileSystemModel *>(main->folderTree->model());
        main->folderTree->setCurrentIndex(folders->index(other));
        QCoreApplication::processEvents();
        break;
    }
    }

    QCOMPARE(dialogs->saveQuestions, std::vector<QString>{"Save the marked picture?"});
    QCOMPARE(QImage(saved).convertToFormat(QImage::Format_RGB32),
             reply == Save ? stamped : QImage());
    if (goesOn) {
        const bool closing = action == Exit || action == CloseBox;
        QCOMPARE(main->isVisible(), !closing);
        QCOMPARE(main->fileListFolder(), action == OtherFolder ? other : dir->path());
        if (action == ShowOther)
            QCOMPARE(main->Pic->surface().image(),
                     QImage(dir->filePath("b.bmp")).convertToFormat(QImage::Format_RGB32));
        return;
    }
    QVERIFY(main->isVisible());
    QCOMPARE(main->fileListFolder(), dir->path());
    QTRY_COMPARE(treeFolder(), dir->path());
    QCOMPARE(main->Pic->surface().image(), stamped);
    QCOMPARE(main->menuItem(MarkMenu::UndoInsert)->isEnabled(), undoable);
    QVERIFY(main->menuItem(FileMenu::SaveAs)->isEnabled());
}

void MarkMenuTest::askOnlyWhenStampsWouldBeLost_data() {
    QTest::addColumn<QString>("steps"); // I insert, M insert missing the picture, U undo, S save
    QTest::addColumn<bool>("asks");
    QTest::newRow("nothing stamped") << "" << false;
    QTest::newRow("insert missed the picture") << "M" << false;
    QTest::newRow("all undone") << "IIU" << false;
    QTest::newRow("saved") << "IS" << false;
    QTest::newRow("saved, then undone") << "ISU" << false;
    QTest::newRow("stamped again after saving") << "ISI" << true;
}

void MarkMenuTest::askOnlyWhenStampsWouldBeLost() {
    QFETCH(QString, steps);
    QFETCH(bool, asks);
    makePicture("a.bmp");
    showPicture("a.bmp");
    loadMark(makeMarkFile(TextMark));
    for (const QChar step : steps) {
        if (step == 'S') {
            dialogs->saveAnswers = {dir->filePath("saved.bmp")};
            main->runCommand(FileMenu::SaveAs);
            QVERIFY(QFile::exists(dir->filePath("saved.bmp")));
            continue;
        }
        if (step != 'U')
            placeViewAt(step == 'M' ? QPoint(600, 500) : QPoint(20, 30));
        main->runCommand(step == 'U' ? MarkMenu::UndoInsert : MarkMenu::Insert);
    }
    main->runCommand(FileMenu::Exit); // an unanswered question is cancelled
    QCOMPARE(dialogs->saveQuestions.size(), asks ? 1u : 0u);
    QCOMPARE(main->isVisible(), asks);
}

void MarkMenuTest::enabledStates() {
    makePicture("a.bmp");
    makePicture("b.bmp");
    const auto enabled = [this] {
        QString s;
        for (QAction *a : main->markMenuItems)
            s += a->isEnabled() ? u'1' : u'0';
        return s;
    };
    main->onFolderChanged(dir->path());
    QCOMPARE(enabled(), QStringLiteral("100010"));
    loadMark(makeMarkFile(TextMark)); // no picture shown: Edit and Save as, not Insert
    QCOMPARE(enabled(), QStringLiteral("110011"));
    click("a.bmp");
    main->Show();
    QCOMPARE(enabled(), QStringLiteral("111011"));
    placeViewAt(QPoint(5, 5));
    main->runCommand(MarkMenu::Insert);
    QCOMPARE(enabled(), QStringLiteral("111111"));
    main->runCommand(MarkMenu::UndoInsert);
    QCOMPARE(enabled(), QStringLiteral("111011"));
    main->runCommand(MarkMenu::Insert);
    click("b.bmp");
    QCOMPARE(enabled(), QStringLiteral("111011")); // a click disables Undo
    dialogs->saveQuestionAnswers = {SaveAnswer::Discard};
    main->onFolderChanged(dir->path());
    QCOMPARE(enabled(), QStringLiteral("110010"));
}

QTEST_MAIN(MarkMenuTest)
#include "tst_markmenu.moc"
