#include "placement/AboutBox.h"
#include "placement/PlacementWindow.h"

#include <QLabel>
#include <QtTest>

using namespace imprimata;

namespace {

// Records the commands the placement window runs, -1 for the File menu's; only Insert may be
// disabled.
class FakeHost : public PlacementHost {
public:
    bool insertEnabled = true;
    QList<int> ran;
    QRect frame{342, 5, 900, 700};

    QRect picFrameGeometry() const override { return frame; }
    bool menuEnabled(FileMenu) const override { return true; }
    bool menuEnabled(MarkMenu command) const override {
        return insertEnabled || command != MarkMenu::Insert;
    }
    void runCommand(FileMenu) override { ran << -1; }
    void runCommand(MarkMenu command) override { ran << static_cast<int>(command); }
};

} // namespace

class PlacementWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<SharedState> state;
    std::unique_ptr<FakeHost> host;
    std::unique_ptr<PlacementWindow> window;

    void setTextMark(int widthTwips, int heightTwips) {
        MarkSettings &m = state->CurrentMark;
        m.Text = QStringLiteral("My");
        m.Font = makeFont(QStringLiteral("Liberation Sans"), 18, true);
        m.Colour = 0x0000FF;
        m.MarkWidth = static_cast<std::int16_t>(widthTwips);
        m.MarkHeight = static_cast<std::int16_t>(heightTwips);
        QVERIFY(window->RefreshPlacement());
        QCoreApplication::processEvents();
    }

private slots:
    void init() {
        window.reset(); // before the state it refers to
        state = std::make_unique<SharedState>();
        host = std::make_unique<FakeHost>();
        window = std::make_unique<PlacementWindow>(*state, *host);
        window->show();
    }
    void shortcuts_data();
    void shortcuts();
    void toolWindowStaysOpen();
    void fitsAndDrawsTextMark();
    void defaultPosition_data();
    void defaultPosition();
    void unreadableImageLeavesViewEmpty();
};

void PlacementWindowTest::shortcuts_data() {
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<bool>("insertEnabled");
    QTest::addColumn<QList<int>>("ran");
    QTest::newRow("Shift+Insert") << QKeySequence("Shift+Ins") << true
                                  << QList{int(MarkMenu::Insert)};
    QTest::newRow("Shift+Insert, disabled") << QKeySequence("Shift+Ins") << false << QList<int>{};
    // With Shift held only Insert counts; with Ctrl, Alt makes no difference.
    QTest::newRow("Ctrl+Shift+S") << QKeySequence("Ctrl+Shift+S") << true << QList<int>{};
    QTest::newRow("Ctrl+Alt+S") << QKeySequence("Ctrl+Alt+S") << true
                                << QList{int(MarkMenu::SaveAs)};
    QTest::newRow("Alt+S") << QKeySequence("Alt+S") << true << QList<int>{};
    QTest::newRow("Ctrl+A saves the picture") << QKeySequence("Ctrl+A") << true << QList{-1};
}

void PlacementWindowTest::shortcuts() {
    QFETCH(QKeySequence, keys);
    QFETCH(bool, insertEnabled);
    host->insertEnabled = insertEnabled;
    QTest::keySequence(window.get(), keys);
    QTEST(host->ran, "ran");
}

// A see-through tool window above the others, showing only the mark view, that the user
// cannot close while the main window is open.
void PlacementWindowTest::toolWindowStaysOpen() {
    QCOMPARE(window->windowTitle(), QStringLiteral("Imprimata"));
    QVERIFY(window->windowFlags().testFlags(Qt::Tool | Qt::WindowStaysOnTopHint));
    QVERIFY(qAbs(window->windowOpacity() - 120 / 255.0) < 1e-3);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(window->PicIM(i).isVisible(), i == 0);
    QVERIFY(!window->close() && window->isVisible());
    state->PlacementCloseBlocked = false;
    QVERIFY(window->close());
    AboutBox about;
    QCOMPARE(about.versionLabel->text(), QStringLiteral("Imprimata version 1.1"));
}

void PlacementWindowTest::fitsAndDrawsTextMark() {
    // The mark's pixels and one on each side; equal margins around the view.
    for (const auto &[twips, view] :
         {std::pair{QSize(0, 0), QSize(2, 2)}, std::pair{QSize(1800, 555), QSize(122, 39)}}) {
        setTextMark(twips.width(), twips.height());
        for (int i = 0; i < 4; ++i)
            QCOMPARE(window->PicIM(i).geometry(), QRect(QPoint(6, 5), view));
        QCOMPARE(window->size(), view + QSize(12, 10));
    }
    // Printed from the view's top-left corner.
    const Surface &view = window->PicIM(0).surface();
    int minX = view.width(), red = 0;
    for (int y = 0; y < view.height(); ++y)
        for (int x = 0; x < view.width(); ++x)
            if (view.point(x, y) == 0x0000FF) {
                ++red;
                minX = std::min(minX, x);
            }
    QVERIFY(red > 20 && minX < 4);

    // Refitted to the same size it stays where it was moved, and what a stamp left in the work
    // pictures goes; another size sends it back to the default place over the viewport.
    window->move(40, 50);
    QCoreApplication::processEvents();
    const QPoint placed = window->pos();
    for (int i = 1; i < 4; ++i)
        window->PicIM(i).surface().image().fill(Qt::black);
    setTextMark(1800, 555);
    QCOMPARE(window->pos(), placed);
    for (int i = 1; i < 4; ++i) {
        const Surface &work = window->PicIM(i).surface();
        QCOMPARE(work.point(minX, 10), White);
        QCOMPARE(work.foreColour(), 0x0000FF);
        QCOMPARE(work.font(), state->CurrentMark.Font);
    }
    setTextMark(2400, 600);
    const QPoint sent = window->pos();
    window->moveToDefaultPosition();
    QCOMPARE(window->pos(), sent);
    QVERIFY(sent != placed);
}

void PlacementWindowTest::defaultPosition_data() {
    QTest::addColumn<int>("spare"); // the frame's width less the window's
    QTest::addColumn<int>("frameHeight");
    QTest::addColumn<QPoint>("expected"); // x from the frame's left
    QTest::newRow("four fifths of 597 is 477.6") << 0 << 597 << QPoint(0, 478);
    QTest::newRow("1.5 goes to 2") << 3 << 700 << QPoint(2, 560);
    QTest::newRow("2.5 goes to 2") << 5 << 700 << QPoint(2, 560);
    QTest::newRow("wider than the frame: -1.5 goes to -2") << -3 << 700 << QPoint(-2, 560);
}

// Centred over the viewport, top at four fifths of its height; halves go to the even side.
void PlacementWindowTest::defaultPosition() {
    QFETCH(int, spare);
    QFETCH(int, frameHeight);
    QFETCH(QPoint, expected);
    host->frame = QRect(342, 5, window->frameGeometry().width() + spare, frameHeight);
    window->moveToDefaultPosition();
    QCOMPARE(window->pos(), expected + QPoint(342, 0));
}

void PlacementWindowTest::unreadableImageLeavesViewEmpty() {
    MarkSettings &m = state->CurrentMark;
    m.MarkType = ImageMark;
    m.ImagePath = QStringLiteral("/nonexistent/mark.png");
    m.MarkWidth = m.MarkHeight = 300;
    const Result<void> drawn = window->RefreshPlacement();
    QVERIFY(!drawn);
    QVERIFY2(drawn.error().contains("No such file"), qPrintable(drawn.error()));
    QCOMPARE(window->PicIM(0).surface().point(5, 5), White);
}

QTEST_MAIN(PlacementWindowTest)
#include "tst_placementwindow.moc"
