#include "app/Main.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QTreeView>
#include <QtTest>

using namespace imprimata;

namespace {

// Which items of a menu are enabled, as a string of 0 and 1.
template <std::size_t N> QString enabledItems(const std::array<QAction *, N> &menu) {
    QString s;
    for (QAction *a : menu)
        s += a->isEnabled() ? u'1' : u'0';
    return s;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void startStateAndMenus();
    void layoutPass_data();
    void layoutPass();
    void placementWindow();
    void exitClosesBothWindows();

private:
    std::unique_ptr<SharedState> state;
    std::unique_ptr<ScriptedDialogService> dialogs;
    std::unique_ptr<Main> main;
};

void MainWindowTest::init() {
    state = std::make_unique<SharedState>();
    dialogs = std::make_unique<ScriptedDialogService>();
    main = std::make_unique<Main>(*state, *dialogs);
    main->show();
    QVERIFY(QTest::qWaitForWindowExposed(main.get()));
}

void MainWindowTest::cleanup() {
    main.reset();
}

void MainWindowTest::startStateAndMenus() {
    QCOMPARE(main->windowTitle(), QStringLiteral("Imprimata Print"));
    // Only Exit, New, Load and About (and the menu titles) are enabled.
    QCOMPARE(enabledItems(main->mnu), QStringLiteral("111"));
    QCOMPARE(enabledItems(main->mnu_file), QStringLiteral("0011"));
    QCOMPARE(enabledItems(main->mnu_IM), QStringLiteral("100010"));
    QCOMPARE(main->mnu[0]->text(), QStringLiteral("File"));
    QCOMPARE(main->mnu[1]->text(), QStringLiteral("Imprimata"));
    QCOMPARE(main->mnu[2]->text(), QStringLiteral("About"));
    QCOMPARE(main->mnu_file[1]->text(), QStringLiteral("Save as ..."));
    QCOMPARE(main->mnu_file[1]->shortcut(), QKeySequence(QStringLiteral("Ctrl+A")));
    QVERIFY(main->mnu_file[2]->isSeparator());
    const char *captions[] = {"New", "Edit", "Insert", "Undo Insert", "Load", "Save as ..."};
    const char *keys[] = {"Ctrl+N", "Ctrl+E", "Shift+Ins", "Ctrl+U", "Ctrl+L", "Ctrl+S"};
    for (std::size_t i = 0; i < 6; ++i) {
        QCOMPARE(main->mnu_IM[i]->text(), QString::fromLatin1(captions[i]));
        QCOMPARE(main->mnu_IM[i]->shortcut(), QKeySequence(QString::fromLatin1(keys[i])));
    }
}

void MainWindowTest::layoutPass_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("designed") << Main::DesignWidth << Main::DesignHeight;
    QTest::newRow("full hd") << 1920 << 1010;
    QTest::newRow("smaller") << 900 << 560;
}

void MainWindowTest::layoutPass() {
    QFETCH(int, width);
    QFETCH(int, height);
    const QRect frame = main->Frame1->geometry(), thumb = main->preview->geometry();
    const int treeWidth = main->explorer->width(), listWidth = main->FileList->width();
    const int gap = main->explorer->geometry().bottom() - main->FileList->geometry().bottom();
    main->layoutPass(width, height);
    // Left column, positions and column widths never change.
    QCOMPARE(main->Frame1->geometry(), frame);
    QCOMPARE(main->preview->geometry(), thumb);
    QCOMPARE(main->explorer->pos(), QPoint(8, 128));
    QCOMPARE(main->FileList->pos(), QPoint(184, 5));
    QCOMPARE(main->PicFrame->pos(), QPoint(342, 5));
    QCOMPARE(main->explorer->width(), treeWidth);
    QCOMPARE(main->FileList->width(), listWidth);
    // Bottoms 6 pixels above the client's bottom; the list keeps its distance to the tree.
    QCOMPARE(main->explorer->y() + main->explorer->height(), height - 6);
    QCOMPARE(main->PicFrame->y() + main->PicFrame->height(), height - 6);
    QCOMPARE(main->explorer->geometry().bottom() - main->FileList->geometry().bottom(), gap);
    // The viewport ends 8 pixels before the right edge, and the empty picture fills it.
    QCOMPARE(main->PicFrame->x() + main->PicFrame->width(), width - 8);
    QCOMPARE(main->Pic->size(), main->PicFrame->size());
    // A second pass at the same size changes nothing.
    const QRect view = main->PicFrame->geometry(), list = main->FileList->geometry();
    main->layoutPass(width, height);
    QCOMPARE(main->PicFrame->geometry(), view);
    QCOMPARE(main->FileList->geometry(), list);
}

void MainWindowTest::placementWindow() {
    Imprim &placement = main->imprim();
    QVERIFY(placement.isVisible());
    QCOMPARE(placement.windowTitle(), QStringLiteral("Imprimata"));
    QVERIFY(placement.windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(QSize(state->PlacementBaseWidth, state->PlacementBaseHeight),
             placement.PicIM(0).size());
    // It does not close on its own.
    QVERIFY(!placement.close());
    QVERIFY(placement.isVisible());
}

void MainWindowTest::exitClosesBothWindows() {
    Imprim &placement = main->imprim();
    main->mnu_file_Click(3);
    QVERIFY(!main->isVisible());
    QVERIFY(!placement.isVisible());
    QVERIFY(!state->PlacementCloseBlocked);
}

QTEST_MAIN(MainWindowTest)
#include "tst_main.moc"
