#include "scrollbars/FlatBar.h"
#include "scrollbars/FlatScrollBars.h"

#include <QMouseEvent>
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

QTEST_MAIN(ScrollBarsTest)
#include "tst_scrollbars.moc"
