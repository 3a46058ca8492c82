#include "placement/AboutBox.h"
#include "placement/PlacementWindow.h"

#include <QLabel>
#include <QtTest>

using namespace imprimata;

namespace {

// Records the Mark menu items the placement window runs; all are enabled unless listed.
class FakeHost : public PlacementHost {
public:
    QSet<int> disabled;
    QList<int> ran;

    QRect frame{342, 5, 900, 700};

    QRect picFrameGeometry() const override { return frame; }
    bool menuEnabled(FileMenu) const override { return true; }
    bool menuEnabled(MarkMenu command) const override {
        return !disabled.contains(static_cast<int>(command));
    }
    void runCommand(FileMenu) override { ran << -1; }
    void runCommand(MarkMenu command) override { ran << static_cast<int>(command); }
};

} // namespace

class PlacementWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void shortcuts_data();
    void shortcuts();
    void refusesToCloseWhileBlocked();
    void fitsAndDrawsTextMark();
    void defaultPosition_data();
    void defaultPosition();
    void unreadableImageShowsMessage();
    void aboutBoxVersion();

private:
    void setTextMark(int widthTwips, int heightTwips);

    std::unique_ptr<SharedState> state;
    std::unique_ptr<FakeHost> host;
    std::unique_ptr<ScriptedDialogService> dialogs;
    std::unique_ptr<PlacementWindow> window;
};

void PlacementWindowTest::init() {
    window.reset(); // before the state it refers to
    state = std::make_unique<SharedState>();
    host = std::make_unique<FakeHost>();
    dialogs = std::make_unique<ScriptedDialogService>();
    window = std::make_unique<PlacementWindow>(*state, *host, *dialogs);
    window->show();
}

void PlacementWindowTest::setTextMark(int widthTwips, int heightTwips) {
    MarkSettings &m = state->CurrentMark;
    m.Text = QStringLiteral("My");
    m.Font = makeFont(QStringLiteral("Liberation Sans"), 18, true);
    m.Colour = 0x0000FF;
    m.MarkWidth = static_cast<std::int16_t>(widthTwips);
    m.MarkHeight = static_cast<std::int16_t>(heightTwips);
    window->RefreshPlacement();
    QCoreApplication::processEvents();
}

void PlacementWindowTest::shortcuts_data() {
    constexpr int Insert = static_cast<int>(MarkMenu::Insert);
    constexpr int SaveMark = static_cast<int>(MarkMenu::SaveAs);
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<int>("disabled"); // a Mark menu item
    QTest::addColumn<QList<int>>("ran");
    QTest::newRow("Shift+Insert") << QKeySequence("Shift+Ins") << -1 << QList<int>{Insert};
    QTest::newRow("Shift+Insert while Insert is disabled")
        << QKeySequence("Shift+Ins") << Insert << QList<int>{};
    QTest::newRow("Ctrl+Shift+S ignored") << QKeySequence("Ctrl+Shift+S") << -1 << QList<int>{};
    QTest::newRow("Ctrl+Alt+S") << QKeySequence("Ctrl+Alt+S") << -1 << QList<int>{SaveMark};
}

void PlacementWindowTest::shortcuts() {
    QFETCH(QKeySequence, keys);
    QFETCH(int, disabled);
    host->disabled.insert(disabled);
    QTest::keySequence(window.get(), keys);
    QTEST(host->ran, "ran");
}

void PlacementWindowTest::refusesToCloseWhileBlocked() {
    QVERIFY(!window->close() && window->isVisible());
    state->PlacementCloseBlocked = false;
    QVERIFY(window->close());
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

    // Printed from the view's top-left corner; the work pictures stay clear.
    const Surface &view = window->PicIM(0).surface();
    int minX = view.width(), red = 0;
    for (int y = 0; y < view.height(); ++y)
        for (int x = 0; x < view.width(); ++x)
            if (view.point(x, y) == 0x0000FF) {
                ++red;
                minX = std::min(minX, x);
            }
    QVERIFY(red > 20 && minX < 4);
    QCOMPARE(window->PicIM(1).surface().point(minX, 10), White);

    // Refitted to the same size it stays where it was moved; another size sends it back to
    // the default place over the viewport.
    window->move(40, 50);
    QCoreApplication::processEvents();
    const QPoint placed = window->pos();
    setTextMark(1800, 555);
    QCOMPARE(window->pos(), placed);
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

void PlacementWindowTest::unreadableImageShowsMessage() {
    MarkSettings &m = state->CurrentMark;
    m.MarkType = ImageMark;
    m.ImagePath = QStringLiteral("/nonexistent/mark.png");
    m.MarkWidth = m.MarkHeight = 300;
    QVERIFY(!window->RefreshPlacement());
    QCOMPARE(dialogs->messages.size(), 1u);
    QCOMPARE(window->PicIM(0).surface().point(5, 5), White);
    // A caller that gives the reason itself gets it instead of a message.
    QString why;
    QVERIFY(!window->RefreshPlacement(&why));
    QCOMPARE(why, dialogs->lastMessage());
    QCOMPARE(dialogs->messages.size(), 1u);
}

void PlacementWindowTest::aboutBoxVersion() {
    AboutBox about;
    QCOMPARE(about.windowTitle(), QStringLiteral("About program"));
    QCOMPARE(about.versionLabel->text(), QStringLiteral("Imprimata version 1.1"));
}

QTEST_MAIN(PlacementWindowTest)
#include "tst_placementwindow.moc"
