#include "scrollbars/FlatBar.h"
#include "scrollbars/FlatScrollBars.h"

#include <QMouseEvent>
#include <QtTest>

#include <memory>

using namespace imprimata;

namespace {

// Records events as "uMsg,iType,currPos" and the windows they name.
struct Recorder : FlatScrollEventSink {
    QStringList events;
    QList<QWidget *> windows;
    std::function<void()> onEvent;

    void FlatSB_Event(int uMsg, QWidget *hWnd, int iType, int currPos) override {
        events << QStringLiteral("%1,%2,%3").arg(uMsg).arg(iType).arg(currPos);
        windows << hWnd;
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

private slots:
    void init();
    void requests_data();
    void requests();
    void mouseMovesOverTheWindow();
    void attachAndDetach();
    void sinkMayDetachWhileHandling();
    void proportionalThumb_data();
    void proportionalThumb();

private:
    std::unique_ptr<QWidget> window;
    Recorder sink;
    std::unique_ptr<FlatScrollBars> bars; // destroyed first: it uses the sink and the window
};

void ScrollBarsTest::init() {
    bars.reset(); // before the window it is attached to
    window = std::make_unique<QWidget>();
    window->resize(300, 200);
    bars = std::make_unique<FlatScrollBars>();
    sink = Recorder();
    bars->AttachFlatScrollBars(window.get());
    bars->SetEventSink(&sink);
}

void ScrollBarsTest::requests_data() {
    QTest::addColumn<int>("bar");
    QTest::addColumn<int>("start"); // of 0 to 100
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
}

void ScrollBarsTest::requests() {
    QFETCH(int, bar);
    QFETCH(int, start);
    QFETCH(int, request);
    QFETCH(int, track);
    QFETCH(int, reported);
    bars->SetHorizontalLargeChange(window.get(), 7);
    bars->SetVerticalLargeChange(window.get(), 13);
    bars->SetScrollMax(window.get(), bar, 100);
    bars->SetScrollPosition(window.get(), bar, start);
    const auto message = bar == 0 ? WindowMessage::HorizontalScroll : WindowMessage::VerticalScroll;
    bars->FlatScrollWindowProc(window.get(), message, request, track);

    QCOMPARE(sink.events, QStringList{QStringLiteral("0,%1,%2").arg(bar + 1).arg(reported)});
    QCOMPARE(sink.windows.value(0), window.get());
    QTEST(bars->GetScrollPosition(window.get(), bar), "position");
}

void ScrollBarsTest::mouseMovesOverTheWindow() {
    sendMouse(window.get(), QEvent::MouseMove, {10, 10}, Qt::NoButton);
    QCOMPARE(sink.events, QStringList{"1,0,0"});
    QCOMPARE(sink.windows.value(0), window.get());
    bars->DetachFlatScrollBars(window.get());
    sendMouse(window.get(), QEvent::MouseMove, {12, 10}, Qt::NoButton);
    QCOMPARE(sink.events.size(), 1);
}

void ScrollBarsTest::attachAndDetach() {
    // Attaching again keeps the entry and its steps.
    bars->SetVerticalLargeChange(window.get(), 25);
    bars->AttachFlatScrollBars(window.get());
    QCOMPARE(bars->entryCount(), 1);
    QCOMPARE(bars->entry(window.get())->verticalLargeStep, 25);
    QCOMPARE(window->findChildren<FlatBar *>().size(), 2);

    QWidget never;
    bars->DetachFlatScrollBars(&never);
    bars->SetVerticalLargeChange(&never, 5);
    QCOMPARE(bars->entryCount(), 1);
    QVERIFY(!bars->entry(&never));

    // A window destroyed while attached leaves the table by itself.
    auto doomed = std::make_unique<QWidget>();
    bars->AttachFlatScrollBars(doomed.get());
    QCOMPARE(bars->entryCount(), 2);
    doomed.reset();
    QCOMPARE(bars->entryCount(), 1);
}

// A real click on the down arrow, whose handler detaches the window.
void ScrollBarsTest::sinkMayDetachWhileHandling() {
    window->show();
    bars->ShowBar(window.get(), VerticalBar, true);
    bars->SetScrollMax(window.get(), VerticalBar, 100);
    bars->SetScrollPosition(window.get(), VerticalBar, 50);
    FlatBar *v = bars->scrollBar(window.get(), VerticalBar);
    sink.onEvent = [this] { bars->DetachFlatScrollBars(window.get()); };
    const QPoint at = v->controlRect(QStyle::SC_ScrollBarAddLine).center();
    sendMouse(v, QEvent::MouseButtonPress, at, Qt::LeftButton);
    sendMouse(v, QEvent::MouseButtonRelease, at, Qt::NoButton);
    QCOMPARE(sink.events, QStringList{"0,2,51"});
    QCOMPARE(bars->entryCount(), 0);
}

void ScrollBarsTest::proportionalThumb_data() {
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("thumb");
    // A track of 100 pixels between the arrows: 100 / ln(positions), halves to even.
    QTest::newRow("2 positions") << 1 << 144;
    QTest::newRow("11 positions") << 10 << 42;
    QTest::newRow("101 positions") << 100 << 22;
    QTest::newRow("single position keeps the thumb") << 0 << 33;
}

void ScrollBarsTest::proportionalThumb() {
    QFETCH(int, maximum);
    const int ext = bars->GetScrollCy(window.get(), VerticalBar);
    window->resize(300, 100 + 2 * ext);
    bars->ShowBar(window.get(), VerticalBar, true);
    bars->SetThumbSize(window.get(), VerticalBar, 33);
    bars->SetProportionalThumbs(window.get(), true);
    bars->SetScrollMax(window.get(), VerticalBar, maximum);
    QTEST(bars->scrollBar(window.get(), VerticalBar)->thumbSize(), "thumb");
    QCOMPARE(bars->GetScrollMax(window.get(), VerticalBar), maximum);
}

QTEST_MAIN(ScrollBarsTest)
#include "tst_scrollbars.moc"
