#include "MainWindowFixture.h"
#include "mark/Coverage.h"
#include "models/MarkModel.h"

#include <QProcess>
#include <cmath>

using namespace imprimata;

namespace {

// The placement window's jump: a little more than its size, halves to even.
int jump(int length) {
    return int(std::nearbyint(length * 1.05));
}

} // namespace

class MarkMenuTest : public QObject, private MainWindowFixture {
    Q_OBJECT

private slots:
    void init() {
        QVERIFY(open(QRect(0, 0, 1200, 780)));
        makePicture("a.bmp");
        makePicture("b.bmp", {400, 300}, 250);
    }

    void cleanup() { main.reset(); }

    void saveAsJpegKeepsBlocks_data() {
        QTest::addColumn<bool>("fileChanged");
        QTest::newRow("as shown") << false;
        QTest::newRow("file changed since") << true;
    }

    // Saved as JPEG, a JPEG picture changes only in the MCUs of 16 x 16 its stamps touch (and
    // a pixel beyond, where colour is interpolated), and nowhere else; unless its file no
    // longer holds the pixels shown, when the whole picture is encoded from them.
    void saveAsJpegKeepsBlocks() {
        QFETCH(bool, fileChanged);
        const QString path = makePicture("p.jpg");
        showPicture("p.jpg");
        loadMark(makeMarkFile(0));
        const QImage original = readBack(path);
        for (const QPoint at : {QPoint(50, 60), QPoint(200, 150)}) {
            placeViewAt(at);
            main->runCommand(MarkMenu::Insert);
        }
        const QImage stamped = shown();
        if (fileChanged) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite | QIODevice::Append));
            file.write(" "); // after the end marker, no pixel changes, but the file did
        }
        dialogs->saveAnswers = {dir->filePath("out.jpg")};
        main->runCommand(FileMenu::SaveAs);
        const QImage saved = readBack(dir->filePath("out.jpg"));
        QCOMPARE(saved.size(), original.size());
        // The MCUs under the two views of 82 x 32 less their rims, and one MCU around them.
        const QRegion touched = QRegion(QRect(32, 32, 128, 80)) + QRect(176, 128, 128, 80);
        int outside = 0, inside = 0;
        for (int y = 0; y < saved.height(); ++y)
            for (int x = 0; x < saved.width(); ++x) {
                const bool near = touched.contains(QPoint(x, y));
                const bool differs = saved.pixel(x, y) != original.pixel(x, y);
                outside += !near && differs;
                // Within JPEG's error of the stamped picture.
                inside +=
                    near && std::abs(qGray(saved.pixel(x, y)) - qGray(stamped.pixel(x, y))) < 24;
            }
        QCOMPARE(outside > 0, fileChanged);
        QVERIFY(inside > 2 * 128 * 80 * 9 / 10);
    }

    void insertStampsWhereTheViewLies_data() {
        QTest::addColumn<int>("markType");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QPoint>("aside"); // which way the window jumps
        // The 400 x 300 picture lies centred in its frame.
        QTest::newRow("text above left of the centre") << 0 << QPoint(50, 60) << QPoint(1, 1);
        QTest::newRow("text off the top left") << 0 << QPoint(-30, -12) << QPoint(1, 1);
        QTest::newRow("text above right of the centre") << 0 << QPoint(300, 20) << QPoint(-1, 1);
        QTest::newRow("image past the bottom right") << 1 << QPoint(370, 280) << QPoint(-1, -1);
    }

    // Insert stamps where the view lies, exactly as the tool does at the same place, and the
    // window jumps towards the frame's centre to uncover the stamp.
    void insertStampsWhereTheViewLies() {
        QFETCH(int, markType);
        QFETCH(QPoint, at);
        QFETCH(QPoint, aside);
        showPicture("a.bmp");
        const QString markPath = makeMarkFile(markType);
        loadMark(markPath);
        const QImage original = shown();
        placeViewAt(at);
        PlacementWindow &placement = main->placementWindow();
        const QPoint placed = placement.pos();
        const QSize size = placement.frameGeometry().size();
        main->runCommand(MarkMenu::Insert);
        QVERIFY(shown() != original);
        QCOMPARE(shown(), model::expectedStamp(original, state->CurrentMark, at));
        QCOMPARE(placement.pos(),
                 placed + QPoint(aside.x() * jump(size.width()), aside.y() * jump(size.height())));

        QProcess tool;
        tool.start(QStringLiteral(STAMP_TOOL_PATH),
                   {"--mark", markPath, "--at", QStringLiteral("%1,%2").arg(at.x()).arg(at.y()),
                    "-o", dir->filePath("tool.bmp"), dir->filePath("a.bmp")});
        QVERIFY(tool.waitForFinished(30000));
        QCOMPARE(tool.exitCode(), 0);
        QCOMPARE(readBack(dir->filePath("tool.bmp")), shown());
    }

    void insertRefusesAMarkItCannotDraw_data() {
        QTest::addColumn<int>("markType");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("image");
        QTest::addColumn<bool>("offered"); // Insert enabled once the picture is shown
        QTest::addColumn<QString>("says");
        const QString image("markimage.bmp");
        QTest::newRow("no text") << 0 << "" << 1200 << image << false << "no text";
        QTest::newRow("no picture") << 1 << "Mine" << 1200 << QString() << false << "no picture";
        QTest::newRow("unknown type") << 2 << "Mine" << 1200 << image << false << "type 2";
        QTest::newRow("picture gone")
            << 1 << "Mine" << 1200 << "gone.bmp" << true << "cannot be read";
        QTest::newRow("no size") << 0 << "Mine" << 0 << image << true << "no size";
    }

    // Nothing is stamped, Undo stays off and the window stays put; one message says why.
    void insertRefusesAMarkItCannotDraw() {
        QFETCH(int, markType);
        QFETCH(QString, text);
        QFETCH(QString, image);
        QFETCH(int, width);
        loadMark(makeMarkFile(TextMark));
        MarkSettings &mark = state->CurrentMark;
        mark.MarkType = static_cast<std::int16_t>(markType);
        mark.Text = text;
        mark.ImagePath = image.isEmpty() ? QString() : dir->filePath(image);
        mark.MarkWidth = width;
        showPicture("a.bmp");
        QTEST(main->menuItem(MarkMenu::Insert)->isEnabled(), "offered");
        placeViewAt(QPoint(50, 60));
        const QImage original = shown();
        const QPoint placed = main->placementWindow().pos();
        const std::size_t said = dialogs->messages.size();
        main->runCommand(MarkMenu::Insert);
        QCOMPARE(dialogs->messages.size(), said + 1);
        QFETCH(QString, says);
        QVERIFY2(dialogs->lastMessage().contains(says), qPrintable(dialogs->lastMessage()));
        QCOMPARE(shown(), original);
        QVERIFY(!main->menuItem(MarkMenu::UndoInsert)->isEnabled());
        QCOMPARE(main->placementWindow().pos(), placed);
    }

    void workflow_data() {
        // Steps: L load the mark, a/b click a file, S show, I insert, M insert with only the view's
        // rim on the picture, U undo, W save the picture, F choose another folder, X exit.
        // Replies to "Save the marked picture?": s save, f save that fails, d discard, c cancel.
        // Then the mark menu at the end (Stamp folder last), what the picture box shows (a, b,
        // stamped, - nothing) and whether the window is still open.
        QTest::addColumn<QString>("row");
        QTest::newRow("load, nothing shown") << "L - 1100111 - open";
        QTest::newRow("show, then load") << "aSL - 1110111 a open";
        QTest::newRow("insert") << "LaSI - 1111111 stamped open";
        QTest::newRow("insert touching the edge") << "LaSM - 1110111 a open";
        QTest::newRow("a miss keeps undo") << "LaSIM - 1111111 stamped open";
        QTest::newRow("a click keeps undo") << "LaSIb - 1111111 stamped open";
        QTest::newRow("undo after a click, two stamps") << "LaSIbIUU - 1110111 a open";
        QTest::newRow("saving keeps undo") << "LaSIW - 1111111 stamped open";
        QTest::newRow("show disables undo") << "LaSIWS - 1110111 a open";
        QTest::newRow("folder change") << "LaSIWF - 1100100 - open";
        QTest::newRow("exit, undone") << "LaSIUX - 1110111 a closed";
        QTest::newRow("exit, missed") << "LaSMX - 1110111 a closed";
        QTest::newRow("exit, saved") << "LaSIWX - 1111111 stamped closed";
        QTest::newRow("exit, stamped again: cancel") << "LaSIWIX c 1111111 stamped open";
        QTest::newRow("exit: save") << "LaSIX s 1111111 stamped closed";
        QTest::newRow("exit: discard") << "LaSIX d 1111111 stamped closed";
        QTest::newRow("show another: cancel") << "LaSIbS c 1111111 stamped open";
        QTest::newRow("show another: discard") << "LaSIbS d 1110111 b open";
        QTest::newRow("folder: save fails") << "LaSIF f 1111111 stamped open";
        QTest::newRow("folder: save") << "LaSIF s 1100100 - open";
    }

    // The enabled mark commands, and what would throw stamps away asks first: only a save that
    // worked or Discard lets it go on.
    void workflow() {
        QFETCH(QString, row);
        const QStringList f = row.split(' ');
        const QString steps = f[0], replies = f[1] == "-" ? QString() : f[1];
        const QString other = dir->filePath("other"), saved = dir->filePath("saved.bmp");
        QVERIFY(QDir().mkdir(other));
        chooseFolder(dir->path());
        const QString markPath = makeMarkFile(TextMark);
        for (const QChar reply : replies)
            dialogs->saveQuestionAnswers.push_back(reply == u'd'   ? SaveAnswer::Discard
                                                   : reply == u'c' ? SaveAnswer::Cancel
                                                                   : SaveAnswer::Save);
        const QString answer = replies == "f" ? dir->filePath("missing/saved.bmp") : saved;
        for (const QChar step : steps) {
            const QImage before = shown();
            const std::size_t said = dialogs->messages.size();
            QFile::remove(saved);
            dialogs->saveAnswers = {answer};
            if (step == u'L')
                loadMark(markPath);
            else if (step == u'a' || step == u'b')
                click(QString(step) + ".bmp");
            else if (step == u'S')
                main->runCommand(FileMenu::Show);
            else if (step == u'U')
                main->runCommand(MarkMenu::UndoInsert);
            else if (step == u'W')
                main->runCommand(FileMenu::SaveAs);
            else if (step == u'F')
                chooseFolder(other);
            else if (step == u'X')
                main->runCommand(FileMenu::Exit);
            if (step == u'I' || step == u'M') {
                placeViewAt(step == u'I' ? QPoint(20, 30) : QPoint(399, 30));
                const QPoint placed = main->placementWindow().pos();
                main->runCommand(MarkMenu::Insert);
                QCOMPARE(shown() != before, step == u'I');
                QCOMPARE(main->placementWindow().pos() != placed, step == u'I');
            }
            if (step == u'M') {
                QCOMPARE(dialogs->messages.size(), said + 1);
                QCOMPARE(dialogs->lastMessage(), QString::fromLatin1(NoCrossingMessage));
                QVERIFY(dialogs->messages.back().icon == MessageIcon::Warning);
            }
            // Whatever was saved is the picture as it stood.
            QCOMPARE(QFile::exists(saved) ? readBack(saved) : before, before);
        }
        QCOMPARE(dialogs->saveQuestions.size(), std::size_t(replies.size()));
        QCOMPARE(markMenu(), f[2]);
        QCOMPARE(main->isVisible(), f[4] == "open");
        QTRY_COMPARE(treeFolder(), main->fileListFolder());
        if (f[3] == "stamped")
            QVERIFY(shown() != readBack(dir->filePath("a.bmp")) &&
                    shown() != readBack(dir->filePath("b.bmp")));
        else if (f[3] != "-")
            QCOMPARE(shown(), readBack(dir->filePath(f[3] + ".bmp")));
        else
            QCOMPARE(main->Pic->surface().point(5, 5), main->Pic->surface().backColour());
    }

    void undoSteps_data() {
        // Steps: 1-3 insert at one of three overlapping places, U undo, W save. Then whether
        // stamps are unsaved and how many remain.
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("unsaved");
        QTest::addColumn<int>("left");
        QTest::newRow("three, all taken back") << "123UUU" << false << 0;
        QTest::newRow("one of three taken back") << "123U" << true << 2;
        QTest::newRow("more undos than stamps") << "1UU" << false << 0;
        QTest::newRow("saved, then one taken back") << "12WU" << true << 1;
        QTest::newRow("taken back to the saved") << "12W3U" << false << 2;
        QTest::newRow("saved one replaced by another") << "12WU3" << true << 2;
        QTest::newRow("replaced, back to the same count") << "12WU3U1" << true << 2;
    }

    // Each Undo takes back the last stamp and only it, keeping only the pixels it covered;
    // taking back every stamp gives the picture as shown.
    void undoSteps() {
        QFETCH(QString, steps);
        makePicture("a.bmp");
        loadMark(makeMarkFile(TextMark));
        showPicture("a.bmp");
        QList<QImage> states{shown()};
        const QString saved = dir->filePath("saved.bmp");
        for (const QChar step : steps) {
            if (step == u'U') {
                main->runCommand(MarkMenu::UndoInsert);
                if (states.size() > 1)
                    states.removeLast();
            } else if (step == u'W') {
                dialogs->saveAnswers = {saved};
                main->runCommand(FileMenu::SaveAs);
            } else {
                placeViewAt(QPoint(10 + 15 * step.digitValue(), 20 + 7 * step.digitValue()));
                main->runCommand(MarkMenu::Insert);
                states.append(shown());
                const MainWindow::StampStep &last = main->stampSteps.back();
                QCOMPARE(last.previous.size(), last.area.size());
            }
            QCOMPARE(shown(), states.back());
            QCOMPARE(main->menuItem(MarkMenu::UndoInsert)->isEnabled(), states.size() > 1);
        }
        QTEST(main->stampsUnsaved(), "unsaved");
        QTEST(int(main->stampSteps.size()), "left");
        QCOMPARE(main->isWindowModified(), main->stampsUnsaved());
    }

    // Mark dialogs start where the last mark file was loaded or saved; a name without an
    // extension is saved as a mark file; Load also offers every file.
    void markDialogs() {
        loadMark(makeMarkFile(TextMark));
        QVERIFY(dialogs->requests.back().initialFolder.isEmpty()); // a first start
        QTemporaryDir other;
        dialogs->saveAnswers = {other.filePath("mine")};
        main->runCommand(MarkMenu::SaveAs);
        QCOMPARE(dialogs->requests.back().initialFolder, dir->path());
        QVERIFY(QFile::exists(other.filePath("mine.$IM")));
        QCOMPARE(state->CurrentMark.MarkName, QStringLiteral("mine.$IM"));
        main->runCommand(MarkMenu::Load); // cancelled
        QCOMPARE(dialogs->requests.back().initialFolder, other.path());
        QVERIFY(dialogs->requests.back().filter.endsWith("All files|*|"));
    }

    void rejectedLoadKeepsMark() {
        loadMark(makeMarkFile(TextMark));
        QFile bad(dir->filePath("bad.$IM"));
        QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write("\"imprimata, version 1.1\"\r\n") > 0);
        bad.close();
        loadMark(bad.fileName());
        QCOMPARE(dialogs->lastMessage(), QStringLiteral("Invalid file structure"));
        QCOMPARE(state->CurrentMark.Text, QStringLiteral("Mine"));
    }

    void markNameOnlyFromAWrittenFile_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("quoteInText"); // which a mark file cannot hold
        QTest::addColumn<QString>("name");
        QTest::newRow("written") << "new.$IM" << false << "new.$IM";
        QTest::newRow("cancelled") << "" << false << "old.$IM";
        QTest::newRow("folder missing") << "missing/new.$IM" << false << "old.$IM";
        QTest::newRow("refused") << "new.$IM" << true << "old.$IM";
    }

    void markNameOnlyFromAWrittenFile() {
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
        QVERIFY(main->menuItem(MarkMenu::SaveAs)->isEnabled());
    }
};

QTEST_MAIN(MarkMenuTest)
#include "tst_markmenu.moc"
