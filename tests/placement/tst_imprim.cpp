#include "placement/AboutBox.h"
#include "placement/Imprim.h"

#include <QLabel>
#include <QtTest>

using namespace imprimata;

namespace {

// Records the commands the placement window runs; every menu item enabled unless listed.
class FakeHost : public PlacementHost {
public:
    QSet<QString> disabled;
    QStringList ran;

    QRect picFrameGeometry() const override { return {342, 5, 900, 700}; }
    bool menuEnabled(Menu menu, int index) const override {
        return !disabled.contains(name(menu, index));
    }
    void mnu_file_Click(int index) override { ran << name(Menu::File, index); }
    void mnu_IM_Click(int index) override { ran << name(Menu::Mark, index); }

    static QString name(Menu menu, int index) {
        return QStringLiteral("%1%2").arg(menu == Menu::File ? "file" : "IM").arg(index);
    }
};

} // namespace

class PlacementWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void shortcuts_data();
    void shortcuts();
    void refusesToCloseWhileBlocked();
    void fitSizesToMark();
    void refitToSameSizeStaysPut();
    void textMarkDrawnTopLeft();
    void unreadableImageShowsMessage();
    void aboutBoxVersion();

private:
    void setTextMark(int widthTwips, int heightTwips);

    std::unique_ptr<SharedState> state;
    std::unique_ptr<FakeHost> host;
    std::unique_ptr<ScriptedDialogService> dialogs;
    std::unique_ptr<Imprim> window;
};

void PlacementWindowTest::init() {
    state = std::make_unique<SharedState>();
    host = std::make_unique<FakeHost>();
    dialogs = std::make_unique<ScriptedDialogService>();
    window = std::make_unique<Imprim>(*state, *host, *dialogs);
    window->show();
}

void PlacementWindowTest::cleanup() {
    state->PlacementCloseBlocked = false;
    window.reset();
}

void PlacementWindowTest::setTextMark(int widthTwips, int heightTwips) {
    MarkSettings &m = state->CurrentMark;
    m.MarkType = TextMark;
    m.Text = QStringLiteral("My");
    m.Font = makeFont(QStringLiteral("Liberation Sans"), 18, true);
    m.Colour = 0x0000FF;
    m.MarkWidth = static_cast<std::int16_t>(widthTwips);
    m.MarkHeight = static_cast<std::int16_t>(heightTwips);
    window->RefreshPlacement();
    QCoreApplication::processEvents();
}

void PlacementWindowTest::shortcuts_data() {
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<QString>("command"); // the menu item the keys run, if any
    QTest::addColumn<bool>("enabled");
    QTest::newRow("Shift+Insert") << QKeySequence("Shift+Ins") << "IM2" << true;
    QTest::newRow("Shift+Insert while Insert is disabled")
        << QKeySequence("Shift+Ins") << "IM2" << false;
    QTest::newRow("Ctrl+A") << QKeySequence("Ctrl+A") << "file1" << true;
    QTest::newRow("Ctrl+S") << QKeySequence("Ctrl+S") << "IM5" << true;
    QTest::newRow("Ctrl+Shift+S ignored") << QKeySequence("Ctrl+Shift+S") << "" << true;
    QTest::newRow("Ctrl+Alt+S") << QKeySequence("Ctrl+Alt+S") << "IM5" << true;
    QTest::newRow("plain Insert") << QKeySequence("Ins") << "" << true;
}

void PlacementWindowTest::shortcuts() {
    QFETCH(QKeySequence, keys);
    QFETCH(QString, command);
    QFETCH(bool, enabled);
    if (!enabled)
        host->disabled.insert(command);
    QTest::keySequence(window.get(), keys);
    QCOMPARE(host->ran.join(u','), enabled ? command : QString());
}

void PlacementWindowTest::refusesToCloseWhileBlocked() {
    QVERIFY(!window->close());
    QVERIFY(window->isVisible());
    state->PlacementCloseBlocked = false;
    QVERIFY(window->close());
}

void PlacementWindowTest::fitSizesToMark() {
    // The mark's pixels and one on each side; equal margins around the view.
    for (const auto &[twips, view] :
         {std::pair{QSize(1800, 555), QSize(122, 39)}, std::pair{QSize(0, 0), QSize(2, 2)}}) {
        setTextMark(twips.width(), twips.height());
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(window->PicIM(i).geometry(), QRect(QPoint(6, 5), view));
            QCOMPARE(window->PicIM(i).surface().width(), view.width());
        }
        QCOMPARE(window->size(), view + QSize(12, 10));
    }
}

void PlacementWindowTest::refitToSameSizeStaysPut() {
    setTextMark(1800, 555);
    window->move(40, 50);
    QCoreApplication::processEvents();
    const QPoint placed = window->pos();
    state->CurrentMark.Text = QStringLiteral("Other");
    window->RefreshPlacement();
    QCoreApplication::processEvents();
    QCOMPARE(window->pos(), placed);
    // Another size sends it back to the default place over the viewport.
    setTextMark(2400, 600);
    QCOMPARE(window->pos(), QPoint((900 - window->frameGeometry().width()) / 2 + 342, 560));
}

void PlacementWindowTest::textMarkDrawnTopLeft() {
    setTextMark(1800, 555);
    const Surface &view = window->PicIM(0).surface();
    int minX = view.width(), red = 0;
    for (int y = 0; y < view.height(); ++y)
        for (int x = 0; x < view.width(); ++x) {
            const ColourValue c = view.point(x, y);
            QVERIFY(c == White || c == 0x0000FF);
            if (c == 0x0000FF) {
                ++red;
                minX = std::min(minX, x);
            }
        }
    QVERIFY(red > 20);
    QVERIFY(minX < 4);
    // The work pictures stay clear.
    QCOMPARE(window->PicIM(1).surface().point(minX, 10), White);
}

void PlacementWindowTest::unreadableImageShowsMessage() {
    MarkSettings &m = state->CurrentMark;
    m.MarkType = ImageMark;
    m.ImagePath = QStringLiteral("/nonexistent/mark.png");
    m.MarkWidth = 300;
    m.MarkHeight = 300;
    window->RefreshPlacement();
    QCOMPARE(dialogs->messages.size(), 1u);
    QCOMPARE(dialogs->messages.front().icon, MessageIcon::None);
    QVERIFY(!dialogs->lastMessage().isEmpty());
    QCOMPARE(window->PicIM(0).size(), QSize(22, 22));
    QCOMPARE(window->PicIM(0).surface().point(5, 5), White);
}

void PlacementWindowTest::aboutBoxVersion() {
    AboutBox about;
    QCOMPARE(about.windowTitle(), QStringLiteral("About program"));
    QCOMPARE(about.Lbl->text(), QStringLiteral("Imprimata version 1.1"));
}

QTEST_MAIN(PlacementWindowTest)
#include "tst_imprim.moc"
