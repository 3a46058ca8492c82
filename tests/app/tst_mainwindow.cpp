#include "MainWindowFixture.h"

#include <QFrame>
#include <QScreen>
#include <QStatusBar>

using namespace imprimata;

namespace {

// A menu's items as "caption keys", in brackets when disabled.
template <std::size_t N> QStringList items(const std::array<QAction *, N> &menu) {
    QStringList list;
    for (QAction *a : menu) {
        // The ampersand marks the Alt key, which the test reads apart.
        const QString item =
            (QString(a->text()).remove(u'&') + ' ' + a->shortcut().toString()).trimmed();
        list << (a->isEnabled() ? item : '(' + item + ')');
    }
    return list;
}

} // namespace

class MainWindowTest : public QObject, private MainWindowFixture {
    Q_OBJECT

private slots:
    void init() { QVERIFY(open()); }
    void cleanup() { main.reset(); }

    // Only Exit, New, Load and About (and the menu titles) are enabled.
    void startStateAndMenus() {
        QCOMPARE(main->windowTitle(), QStringLiteral("Imprimata Print"));
        QCOMPARE(items(main->menuBarItems), (QStringList{"File", "Imprimata", "About"}));
        QCOMPARE(items(main->fileMenuItems),
                 (QStringList{"(Show)", "(Save as ... Ctrl+A)", "",
                              // the desktop's own Quit keys, where it has them
                              ("Exit " + QKeySequence(QKeySequence::Quit).toString()).trimmed()}));
        QCOMPARE(items(main->markMenuItems),
                 (QStringList{"New Ctrl+N", "(Edit Ctrl+E)", "(Insert Shift+Ins)",
                              "(Undo Insert Ctrl+U)", "Load Ctrl+L", "(Save as ... Ctrl+S)",
                              "(Stamp folder ...)"}));
        QCOMPARE(state->StepTable, (std::array<int, 3>{15, 30, 50}));
        // Alt and a letter open each menu.
        QStringList keys;
        for (const QAction *a : main->menuBarItems)
            keys << QKeySequence::mnemonic(a->text()).toString();
        QCOMPARE(keys, (QStringList{"Alt+F", "Alt+I", "Alt+A"}));
    }

    void remembered_data() {
        QTest::addColumn<bool>("markReadable");
        QTest::newRow("everything back") << true;
        QTest::newRow("mark file gone: said once, no box") << false;
    }

    // The folder, the mark file, the window and the placement window beside it come back
    // in the next run.
    void remembered() {
        QFETCH(bool, markReadable);
        const QString markPath = makeMarkFile(TextMark);
        chooseFolder(dir->path());
        loadMark(markPath);
        PlacementWindow &placement = main->placementWindow();
        placement.move(main->pos() + QPoint(123, 45));
        QTRY_COMPARE(placement.pos(), main->pos() + QPoint(123, 45));
        const QPoint offset = placement.pos() - main->pos();
        main->runCommand(FileMenu::Exit);
        QVERIFY(!main->isVisible());
        if (!markReadable)
            QVERIFY(QFile::remove(markPath));

        state = std::make_unique<SharedState>();
        dialogs = std::make_unique<ScriptedDialogService>();
        main = std::make_unique<MainWindow>(*state, *dialogs, *settings);
        QVERIFY(main->restoreWindowGeometry());
        main->show();
        QVERIFY(QTest::qWaitForWindowExposed(main.get()));
        main->restoreSession();
        QCOMPARE(main->fileListFolder(), dir->path());
        QCOMPARE(state->CurrentMark.Text, markReadable ? QStringLiteral("Mine") : QString());
        QCOMPARE(main->menuItem(MarkMenu::Edit)->isEnabled(), markReadable);
        QCOMPARE(main->statusBar()->currentMessage().contains(QFileInfo(markPath).fileName()),
                 !markReadable);
        QVERIFY(dialogs->messages.empty());
        QTRY_COMPARE(main->placementWindow().pos() - main->pos(), offset);
    }

    // A first start is maximised, and leaving that gives a window within the screen.
    void firstStart() {
        QVERIFY(!main->restoreWindowGeometry());
        QVERIFY(main->windowState() & Qt::WindowMaximized);
        main->setWindowState(Qt::WindowNoState);
        QVERIFY(main->screen()->availableGeometry().contains(main->geometry()));
    }

    void layoutPass_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("designed") << MainWindow::DesignWidth << MainWindow::DesignHeight;
        QTest::newRow("full hd") << 1920 << 1010;
    }

    void layoutPass() {
        QFETCH(int, width);
        QFETCH(int, height);
        const QRect frame = main->thumbnailFrame->geometry(), tree = main->folderTree->geometry();
        main->layoutPass(width, height);
        // The left column keeps its place; only the tree grows, to 6 pixels above the bottom.
        QCOMPARE(main->thumbnailFrame->geometry(), frame);
        QCOMPARE(main->folderTree->geometry(),
                 QRect(tree.topLeft(), QSize(tree.width(), height - 6 - tree.y())));
        // The viewport ends 6 pixels above the bottom and 8 before the right edge.
        QCOMPARE(main->PicFrame->y() + main->PicFrame->height(), height - 6);
        QCOMPARE(main->PicFrame->x() + main->PicFrame->width(), width - 8);
        // A second pass at the same size changes nothing.
        const QRect view = main->PicFrame->geometry(), list = main->fileList->geometry();
        main->layoutPass(width, height);
        QCOMPARE(main->PicFrame->geometry(), view);
        QCOMPARE(main->fileList->geometry(), list);
    }

    // The placement window stays up while the program runs and closes with it.
    void placementWindow() {
        PlacementWindow &placement = main->placementWindow();
        QVERIFY(placement.isVisible());
        QVERIFY(!placement.close());
        QVERIFY(placement.isVisible());
        main->runCommand(FileMenu::Exit);
        QVERIFY(!main->isVisible());
        QVERIFY(!placement.isVisible());
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
