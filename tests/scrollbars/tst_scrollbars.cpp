#include "scrollbars/FlatBar.h"
#include "scrollbars/FlatScrollBars.h"

#include <QMouseEvent>
#include <QtTest/qtestspontaneevent.h>
#include <QtTest>

#include <climits>
#include <memory>

using namespace imprimata;

namespace {

// Records events as "uMsg,iType,currPos", marked when they name another window.
struct Recorder : FlatScrollEventSink {
    QWidget *window = nullptr;
    QStringList events;
    std::function<void()> onEvent;

    void FlatSB_Event(int uMsg, QWidget *hWnd, int iType, int currPos) override {
        events << QStringLiteral("%1,%2,%3%4")
                      .arg(uMsg)
                      .arg(iType)
                      .arg(currPos)
                      .arg(hWnd == window ? "" : " elsewhere");
        if (onEvent)
            onEvent();
    }
};

// Turns the wheel over the widget by each of the deltas in turn; true when all were taken.
bool turnWheel(QWidget *w, const QList<QPoint> &deltas, Qt::KeyboardModifiers modifiers) {
    bool taken = true;
    for (const QPoint delta : deltas) {
        const QPointF at(w->width() / 2.0, w->height() / 2.0);
        QWheelEvent e(at, w->mapToGlobal(at), QPoint(), delta, Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
        // As from the desktop: only such wheel events go on to the parent when ignored.
        QSpontaneKeyEvent::setSpontaneous(&e);
        qApp->notify(w, &e);
        taken = taken && e.isAccepted();
    }
    return taken;
}

void sendMouse(QWidget *w, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, at, w->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

} // namespace

class ScrollBarsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QWidget> window;
    Recorder sink;
    std::unique_ptr<FlatScrollBars> bars; // destroyed first: it uses the sink and the window

private slots:
    void init() {
        bars.reset(); // before the window it is attached to
        window = std::make_unique<QWidget>();
        window->resize(300, 200);
        bars = std::make_unique<FlatScrollBars>();
        sink = Recorder();
        sink.window = window.get();
        bars->AttachFlatScrollBars(window.get());
        bars->SetEventSink(&sink);
    }
    void requests_data();
    void requests();
    void attachAndDetach();
    void mouse();
    void proportionalThumb_data();
    void proportionalThumb();
    void wheel_data();
    void wheel();
    void keys_data();
    void keys();
    void clickGivesKeys();
    void cornerCoversPicture();

private:
    // A window of 100 positions each way with the bars shown, both at 50, and a picture
    // filling it as the program's viewport has.
    QWidget *scrollablePicture(bool horizontalShown = true, bool verticalShown = true) {
        auto *picture = new QWidget(window.get());
        picture->setObjectName(QStringLiteral("picture"));
        picture->setGeometry(0, 0, 600, 400);
        picture->setAutoFillBackground(true);
        QPalette red;
        red.setColor(QPalette::Window, Qt::red);
        picture->setPalette(red);
        picture->lower();
        bars->SetHorizontalLargeChange(window.get(), 7);
        bars->SetVerticalLargeChange(window.get(), 13);
        bars->ShowBar(window.get(), HorizontalBar, horizontalShown);
        bars->ShowBar(window.get(), VerticalBar, verticalShown);
        for (int bar : {HorizontalBar, VerticalBar}) {
            bars->SetScrollMax(window.get(), bar, 100);
            bars->SetScrollPosition(window.get(), bar, 50);
        }
        return picture;
    }
};

void ScrollBarsTest::requests_data() {
    QTest::addColumn<int>("bar");
    QTest::addColumn<int>("start"); // the range ends at 100, or here when beyond
    QTest::addColumn<int>("request");
    QTest::addColumn<int>("track");
    QTest::addColumn<int>("reported");
    QTest::addColumn<int>("position");
    // Horizontal pages move by 7, vertical ones by 13. At the ends the event carries the
    // position one step beyond, while the bar stays in its range.
    QTest::newRow("line right") << 0 << 5 << int(LineDown) << 0 << 6 << 6;
    QTest::newRow("line left at 0") << 0 << 0 << int(LineUp) << 0 << -1 << 0;
    QTest::newRow("line down at end") << 1 << 100 << int(LineDown) << 0 << 101 << 100;
    QTest::newRow("page down") << 1 << 20 << int(PageDown) << 0 << 33 << 33;
    QTest::newRow("page left past start") << 0 << 5 << int(PageUp) << 0 << -2 << 0;
    QTest::newRow("thumb dragged") << 0 << 5 << int(ThumbTrack) << 42 << 42 << 42;
    QTest::newRow("thumb released") << 0 << 30 << int(ThumbPosition) << 77 << 30 << 30;
    QTest::newRow("to the top") << 1 << 30 << int(ScrollTop) << 0 << 0 << 0;
    QTest::newRow("to the bottom") << 1 << 30 << int(ScrollBottom) << 0 << 100 << 100;
    QTest::newRow("line down at the largest int")
        << 1 << INT_MAX << int(LineDown) << 0 << INT_MAX << INT_MAX;
}

void ScrollBarsTest::requests() {
    QFETCH(int, bar);
    QFETCH(int, start);
    QFETCH(int, request);
    QFETCH(int, track);
    QFETCH(int, reported);
    bars->SetHorizontalLargeChange(window.get(), 7);
    bars->SetVerticalLargeChange(window.get(), 13);
    bars->SetScrollMax(window.get(), bar, std::max(100, start));
    bars->SetScrollPosition(window.get(), bar, start);
    const auto message = bar == 0 ? WindowMessage::HorizontalScroll : WindowMessage::VerticalScroll;
    bars->FlatScrollWindowProc(window.get(), message, request, track);
    QCOMPARE(sink.events, QStringList{QStringLiteral("0,%1,%2").arg(bar + 1).arg(reported)});
    QTEST(bars->GetScrollPosition(window.get(), bar), "position");
}

void ScrollBarsTest::attachAndDetach() {
    // Attaching again keeps the entry and its steps; a window never attached is left alone.
    bars->SetVerticalLargeChange(window.get(), 25);
    bars->AttachFlatScrollBars(window.get());
    QWidget never;
    bars->DetachFlatScrollBars(&never);
    QCOMPARE(bars->entryCount(), 1);
    QCOMPARE(bars->entry(window.get())->verticalLargeStep, 25);
    QCOMPARE(window->findChildren<FlatBar *>().size(), 2);
    // A window destroyed while attached leaves the table by itself.
    auto doomed = std::make_unique<QWidget>();
    bars->AttachFlatScrollBars(doomed.get());
    QCOMPARE(bars->entryCount(), 2);
    doomed.reset();
    QCOMPARE(bars->entryCount(), 1);

    // Attached, the window takes the focus on a click; detached, it has its own policy back.
    QCOMPARE(window->focusPolicy(), Qt::ClickFocus);
    bars->DetachFlatScrollBars(window.get());
    QCOMPARE(window->focusPolicy(), Qt::NoFocus);
    window->setFocusPolicy(Qt::TabFocus);
    bars->AttachFlatScrollBars(window.get());
    QVERIFY((window->focusPolicy() & Qt::ClickFocus) && (window->focusPolicy() & Qt::TabFocus));
    bars->DetachFlatScrollBars(window.get());
    QCOMPARE(window->focusPolicy(), Qt::TabFocus);
}

// Moves over the window are reported until it is detached. On the bar, a drag reports each
// position and letting go reports where the thumb stopped, as does the end of the scroll; a
// click's handler may detach the window while the bar is busy.
void ScrollBarsTest::mouse() {
    window->show();
    bars->ShowBar(window.get(), VerticalBar, true);
    bars->SetScrollMax(window.get(), VerticalBar, 100);
    sendMouse(window.get(), QEvent::MouseMove, {10, 10}, Qt::NoButton);
    FlatBar *v = bars->scrollBar(window.get(), VerticalBar);
    const QPoint from = v->controlRect(QStyle::SC_ScrollBarSlider).center();
    sendMouse(v, QEvent::MouseButtonPress, from, Qt::LeftButton);
    sendMouse(v, QEvent::MouseMove, from + QPoint(0, 30), Qt::LeftButton);
    sendMouse(v, QEvent::MouseButtonRelease, from + QPoint(0, 30), Qt::NoButton);
    const int at = bars->GetScrollPosition(window.get(), VerticalBar);
    const QString stopped = QStringLiteral("0,2,%1").arg(at);
    QVERIFY(at > 0);
    QCOMPARE(sink.events, (QStringList{"1,0,0", stopped, stopped, stopped}));

    sink.onEvent = [this] { bars->DetachFlatScrollBars(window.get()); };
    const QPoint down = v->controlRect(QStyle::SC_ScrollBarAddLine).center();
    sendMouse(v, QEvent::MouseButtonPress, down, Qt::LeftButton);
    sendMouse(v, QEvent::MouseButtonRelease, down, Qt::NoButton);
    sendMouse(window.get(), QEvent::MouseMove, {12, 10}, Qt::NoButton);
    QCOMPARE(sink.events.mid(4), QStringList{QStringLiteral("0,2,%1").arg(at + 1)});
    QCOMPARE(bars->entryCount(), 0);
}

void ScrollBarsTest::proportionalThumb_data() {
    QTest::addColumn<bool>("proportional");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("thumb");
    // A track of 100 pixels between the arrows: 100 / ln(positions), halves to even.
    QTest::newRow("2 positions") << true << 1 << 144;
    QTest::newRow("11 positions") << true << 10 << 42;
    QTest::newRow("101 positions") << true << 100 << 22;
    QTest::newRow("single position keeps the thumb") << true << 0 << 33;
    QTest::newRow("fixed thumbs") << false << 100 << int(DefaultVerticalThumb);
}

void ScrollBarsTest::proportionalThumb() {
    QFETCH(bool, proportional);
    QFETCH(int, maximum);
    QFETCH(int, thumb);
    window->resize(300, 100 + 2 * bars->GetScrollCy(window.get(), VerticalBar));
    window->show();
    bars->ShowBar(window.get(), VerticalBar, true);
    bars->SetThumbSize(window.get(), BothBars, 33);
    bars->SetProportionalThumbs(window.get(), proportional);
    bars->SetScrollMax(window.get(), VerticalBar, maximum);
    QCOMPARE(bars->GetScrollMax(window.get(), VerticalBar), maximum);
    // Drawn at that length, cut to the track when longer.
    FlatBar *v = bars->scrollBar(window.get(), VerticalBar);
    QCOMPARE(v->thumbSize(), thumb);
    QCOMPARE(v->controlRect(QStyle::SC_ScrollBarSlider).height(), std::min(thumb, 100));
    QCOMPARE(bars->scrollBar(window.get(), HorizontalBar)->thumbSize(),
             proportional ? 33 : int(DefaultHorizontalThumb));
}

void ScrollBarsTest::wheel_data() {
    QTest::addColumn<QString>("over"); // the window, a bar, or the picture inside
    QTest::addColumn<QList<QPoint>>("deltas");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("verticalShown");
    QTest::addColumn<QStringList>("events");
    const QPoint down(0, -120), up(0, 120);
    // Both bars stand at 50. A notch is three small steps of one position each.
    QTest::newRow("notch down") << "window" << QList{down} << 0 << true
                                << QStringList{"0,2,51", "0,2,52", "0,2,53"};
    QTest::newRow("notch up") << "window" << QList{up} << 0 << true
                              << QStringList{"0,2,49", "0,2,48", "0,2,47"};
    QTest::newRow("Shift turns it sideways") << "window" << QList{down} << int(Qt::ShiftModifier)
                                             << true << QStringList{"0,1,51", "0,1,52", "0,1,53"};
    QTest::newRow("sideways wheel") << "window" << QList{QPoint(120, 0)} << 0 << true
                                    << QStringList{"0,1,49", "0,1,48", "0,1,47"};
    QTest::newRow("over the picture")
        << "picture" << QList{down} << 0 << true << QStringList{"0,2,51", "0,2,52", "0,2,53"};
    QTest::newRow("over the vertical bar")
        << "vertical" << QList{up} << 0 << true << QStringList{"0,2,49", "0,2,48", "0,2,47"};
    QTest::newRow("over the horizontal bar, with Shift")
        << "horizontal" << QList{down} << int(Qt::ShiftModifier) << true
        << QStringList{"0,1,51", "0,1,52", "0,1,53"};
    // Fine wheels and touchpads: a step for each third of a notch, the rest kept.
    QTest::newRow("a third of a notch")
        << "window" << QList{QPoint(0, -40)} << 0 << true << QStringList{"0,2,51"};
    QTest::newRow("quarter notches add up")
        << "window" << QList{QPoint(0, -30), QPoint(0, -30), QPoint(0, -30), QPoint(0, -30)} << 0
        << true << QStringList{"0,2,51", "0,2,52", "0,2,53"};
    QTest::newRow("back and forth")
        << "window" << QList{QPoint(0, -20), QPoint(0, 20)} << 0 << true << QStringList{};
    QTest::newRow("diagonal swipe")
        << "window" << QList{QPoint(40, -40)} << 0 << true << QStringList{"0,1,49", "0,2,51"};
    // A hidden bar has nothing to scroll.
    QTest::newRow("vertical bar hidden") << "window" << QList{down} << 0 << false << QStringList{};
}

void ScrollBarsTest::wheel() {
    QFETCH(QString, over);
    QFETCH(QList<QPoint>, deltas);
    QFETCH(int, modifiers);
    QFETCH(bool, verticalShown);
    QFETCH(QStringList, events);
    QApplication::setWheelScrollLines(3);
    QWidget *picture = scrollablePicture(true, verticalShown);
    window->show();
    QWidget *target = over == "picture"      ? picture
                      : over == "vertical"   ? bars->scrollBar(window.get(), VerticalBar)
                      : over == "horizontal" ? bars->scrollBar(window.get(), HorizontalBar)
                                             : window.get();
    const bool taken = turnWheel(target, deltas, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(sink.events, events);
    QCOMPARE(taken, verticalShown);
    // The bars stand where the last reports say.
    for (const int bar : {HorizontalBar, VerticalBar}) {
        const QStringList own = events.filter(QStringLiteral("0,%1,").arg(bar + 1));
        QCOMPARE(bars->GetScrollPosition(window.get(), bar),
                 own.isEmpty() ? 50 : own.last().section(',', 2).toInt());
    }
}

void ScrollBarsTest::keys_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QStringList>("events");
    // Both bars stand at 50 of 100; pages are 7 across and 13 down.
    QTest::newRow("Down") << int(Qt::Key_Down) << 0 << QStringList{"0,2,51"};
    QTest::newRow("Up") << int(Qt::Key_Up) << 0 << QStringList{"0,2,49"};
    QTest::newRow("Right") << int(Qt::Key_Right) << 0 << QStringList{"0,1,51"};
    QTest::newRow("Left") << int(Qt::Key_Left) << 0 << QStringList{"0,1,49"};
    QTest::newRow("Page Down") << int(Qt::Key_PageDown) << 0 << QStringList{"0,2,63"};
    QTest::newRow("Page Up") << int(Qt::Key_PageUp) << 0 << QStringList{"0,2,37"};
    QTest::newRow("Home") << int(Qt::Key_Home) << 0 << QStringList{"0,2,0"};
    QTest::newRow("End") << int(Qt::Key_End) << 0 << QStringList{"0,2,100"};
    QTest::newRow("keypad Down") << int(Qt::Key_Down) << int(Qt::KeypadModifier)
                                 << QStringList{"0,2,51"};
    // Keys with modifiers are left to shortcuts; other keys are not ours.
    QTest::newRow("Ctrl+Down") << int(Qt::Key_Down) << int(Qt::ControlModifier) << QStringList{};
    QTest::newRow("Shift+Page Down")
        << int(Qt::Key_PageDown) << int(Qt::ShiftModifier) << QStringList{};
    QTest::newRow("letter") << int(Qt::Key_A) << 0 << QStringList{};
}

void ScrollBarsTest::keys() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QStringList, events);
    scrollablePicture();
    QKeyEvent press(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers));
    QCoreApplication::sendEvent(window.get(), &press);
    QCOMPARE(sink.events, events);
    QCOMPARE(press.isAccepted(), !events.isEmpty());
}

// A click on the picture gives the window the focus, and the keys then scroll it; detached, the
// keys do nothing.
void ScrollBarsTest::clickGivesKeys() {
    QWidget *picture = scrollablePicture();
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    QTest::mouseClick(picture, Qt::LeftButton, Qt::NoModifier, QPoint(30, 30));
    QCOMPARE(QApplication::focusWidget(), window.get());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(sink.events, QStringList{"0,2,51"});
    bars->DetachFlatScrollBars(window.get());
    QTest::keyClick(window.get(), Qt::Key_Down);
    QCOMPARE(sink.events.size(), 1);
}

// The square between two bars shows the window's background, never the picture under it.
void ScrollBarsTest::cornerCoversPicture() {
    scrollablePicture();
    window->show();
    const int cx = bars->GetScrollCx(window.get(), VerticalBar);
    const int cy = bars->GetScrollCy(window.get(), HorizontalBar);
    // Grabbed in device pixels: scaled, the window counts more of them.
    const auto shownAt = [this](QPoint at) {
        const QImage shown = window->grab().toImage();
        return shown.pixelColor(at * shown.devicePixelRatio());
    };
    const QPoint corner(window->width() - cx / 2 - 1, window->height() - cy / 2 - 1);
    QCOMPARE(shownAt(corner), window->palette().color(QPalette::Window));
    QCOMPARE(shownAt(QPoint(10, 10)), QColor(Qt::red));
    // With one bar the corner belongs to that bar; with none the picture shows there.
    bars->ShowBar(window.get(), HorizontalBar, false);
    bars->ShowBar(window.get(), VerticalBar, false);
    QCOMPARE(shownAt(corner), QColor(Qt::red));
}

QTEST_MAIN(ScrollBarsTest)
#include "tst_scrollbars.moc"
