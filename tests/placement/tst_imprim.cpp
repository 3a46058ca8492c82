#include "placement/AboutBox.h"
#include "placement/Imprim.h"
#include "platform/ScreenUnits.h"

#include <QLabel>
#include <QTemporaryDir>
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
    void designedWindow();
    void shortcuts_data();
    void shortcuts();
    void refusesToCloseWhileBlocked();
    void fitSizesToMark_data();
    void fitSizesToMark();
    void refitToSameSizeStaysPut();
    void textMarkDrawnTopLeft();
    void imageMarkLoaded();
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
}

void PlacementWindowTest::designedWindow() {
    QCOMPARE(window->windowTitle(), QStringLiteral("Imprimata"));
    QVERIFY(window->windowFlags() & Qt::Tool);
    QVERIFY(window->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(window->testAttribute(Qt::WA_ShowWithoutActivating));
    QCOMPARE(window->windowOpacity(), 120.0 / 255.0);
    // 83, 75, 2415 x 1095 twips at 15 twips per pixel.
    QCOMPARE(window->PicIM(0).geometry(), QRect(6, 5, 161, 73));
    for (int i = 1; i < 4; ++i) {
        QCOMPARE(window->PicIM(i).geometry(), window->PicIM(0).geometry());
        QVERIFY(!window->PicIM(i).isVisible());
    }
    QVERIFY(window->PicIM(0).isVisible());
    // The work pictures' background is pure white: the stamps test against it.
    QCOMPARE(window->PicIM(1).surface().backColour(), White);
}

void PlacementWindowTest::shortcuts_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("disabled");
    QTest::addColumn<QString>("expected");
    const int shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier, alt = Qt::AltModifier;
    QTest::newRow("Shift+Insert") << int(Qt::Key_Insert) << shift << ""
                                  << "IM2";
    QTest::newRow("Shift+Insert disabled") << int(Qt::Key_Insert) << shift << "IM2"
                                           << "";
    QTest::newRow("Ctrl+Shift+Insert") << int(Qt::Key_Insert) << (shift | ctrl) << ""
                                       << "IM2";
    QTest::newRow("Ctrl+A") << int(Qt::Key_A) << ctrl << ""
                            << "file1";
    QTest::newRow("Ctrl+N") << int(Qt::Key_N) << ctrl << ""
                            << "IM0";
    QTest::newRow("Ctrl+E") << int(Qt::Key_E) << ctrl << ""
                            << "IM1";
    QTest::newRow("Ctrl+U") << int(Qt::Key_U) << ctrl << ""
                            << "IM3";
    QTest::newRow("Ctrl+L") << int(Qt::Key_L) << ctrl << ""
                            << "IM4";
    QTest::newRow("Ctrl+S") << int(Qt::Key_S) << ctrl << ""
                            << "IM5";
    QTest::newRow("Ctrl+S disabled") << int(Qt::Key_S) << ctrl << "IM5"
                                     << "";
    QTest::newRow("Ctrl+Shift+S ignored") << int(Qt::Key_S) << (ctrl | shift) << ""
                                          << "";
    QTest::newRow("Ctrl+Alt+S") << int(Qt::Key_S) << (ctrl | alt) << ""
                                << "IM5";
    QTest::newRow("plain S") << int(Qt::Key_S) << 0 << ""
                             << "";
    QTest::newRow("plain Insert") << int(Qt::Key_Insert) << 0 << ""
                                  << "";
    QTest::newRow("Ctrl+X") << int(Qt::Key_X) << ctrl << ""
                            << "";
}

void PlacementWindowTest::shortcuts() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, disabled);
    QFETCH(QString, expected);
    if (!disabled.isEmpty())
        host->disabled.insert(disabled);
    QTest::keyClick(window.get(), static_cast<Qt::Key>(key),
                    static_cast<Qt::KeyboardModifiers>(modifiers));
    QCOMPARE(host->ran.join(u','), expected);
}

void PlacementWindowTest::refusesToCloseWhileBlocked() {
    QVERIFY(!window->close());
    QVERIFY(window->isVisible());
    state->PlacementCloseBlocked = false;
    QVERIFY(window->close());
}

void PlacementWindowTest::fitSizesToMark_data() {
    QTest::addColumn<int>("widthTwips");
    QTest::addColumn<int>("heightTwips");
    QTest::addColumn<QSize>("view");
    QTest::newRow("1800 x 555") << 1800 << 555 << QSize(122, 39);
    QTest::newRow("empty") << 0 << 0 << QSize(2, 2);
    QTest::newRow("image clamp") << 3375 << 1815 << QSize(227, 123);
}

void PlacementWindowTest::fitSizesToMark() {
    QFETCH(int, widthTwips);
    QFETCH(int, heightTwips);
    QFETCH(QSize, view);
    setTextMark(widthTwips, heightTwips);
    window->RefreshPlacement();
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(window->PicIM(i).size(), view);
        QCOMPARE(window->PicIM(i).pos(), QPoint(6, 5));
        QCOMPARE(window->PicIM(i).surface().width(), view.width());
    }
    // Equal margins on both sides of the view.
    QCOMPARE(window->size(), view + QSize(12, 10));
}

void PlacementWindowTest::refitToSameSizeStaysPut() {
    setTextMark(1800, 555);
    window->RefreshPlacement();
    QCoreApplication::processEvents();
    window->move(40, 50);
    QCoreApplication::processEvents();
    const QPoint placed = window->pos();
    state->CurrentMark.Text = QStringLiteral("Other");
    window->RefreshPlacement();
    QCoreApplication::processEvents();
    QCOMPARE(window->pos(), placed);
    // Another size sends it back to the default place over the viewport.
    setTextMark(2400, 600);
    window->RefreshPlacement();
    QCoreApplication::processEvents();
    const int expectedX = (900 - window->frameGeometry().width()) / 2 + 342;
    QCOMPARE(window->pos().x(), expectedX);
    QCOMPARE(window->pos().y(), 560);
}

void PlacementWindowTest::textMarkDrawnTopLeft() {
    setTextMark(1800, 555);
    window->RefreshPlacement();
    const Surface &view = window->PicIM(0).surface();
    QCOMPARE(view.font(), state->CurrentMark.Font); // shared, not copied
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

void PlacementWindowTest::imageMarkLoaded() {
    QTemporaryDir dir;
    QImage picture(20, 10, QImage::Format_RGB32);
    picture.fill(qRgb(10, 200, 30));
    const QString path = dir.filePath(QStringLiteral("mark.png"));
    QVERIFY(picture.save(path));
    MarkSettings &m = state->CurrentMark;
    m.MarkType = ImageMark;
    m.ImagePath = path;
    m.MarkWidth = static_cast<std::int16_t>(20 * twipsPerPixelX());
    m.MarkHeight = static_cast<std::int16_t>(10 * twipsPerPixelY());
    window->RefreshPlacement();
    const Surface &view = window->PicIM(0).surface();
    QCOMPARE(view.width(), 22);
    QCOMPARE(view.point(0, 0), 0x1EC80A);
    QCOMPARE(view.point(19, 9), 0x1EC80A);
    QCOMPARE(view.point(20, 9), White);
    QVERIFY(dialogs->messages.empty());
}

void PlacementWindowTest::unreadableImageShowsMessage() {
    state->CurrentMark.MarkType = ImageMark;
    state->CurrentMark.ImagePath = QStringLiteral("/nonexistent/mark.png");
    state->CurrentMark.MarkWidth = 300;
    state->CurrentMark.MarkHeight = 300;
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
    QCOMPARE(about.Lbl->palette().color(QPalette::WindowText), QColor(255, 0, 0));
}

QTEST_MAIN(PlacementWindowTest)
#include "tst_imprim.moc"
