#include "scrollbars/FlatBar.h"
#include "scrollbars/FlatScrollBars.h"

#include <QMouseEvent>
#include <QtTest>

#include <climits>
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
    void cleanup();
    void requests_data();
    void requests();
    void thumbDrag();
    void mouseMovesOverTheWindow();
    void attachAndDetach();
    void sinkMayDetachWhileHandling();
    void proportionalThumb_data();
    void proportionalThumb();
    void thumbHasTheSetLength();

private:
    FlatBar *verticalBar(int position);

    std::unique_ptr<QWidget> window;
    std::unique_ptr<FlatScrollBars> bars;
    Recorder sink;
};

void ScrollBarsTest::init() {
    window = std::make_unique<QWidget>();
    window->resize(300, 200);
    bars = std::make_unique<FlatScrollBars>();
    sink = Recorder();
    bars->AttachFlatScrollBars(window.get());
    bars->SetEventSink(&sink);
}

void ScrollBarsTest::cleanup() {
    bars.reset();
    window.reset();
}

void ScrollBarsTest::requests_data() {
    QTest::addColumn<int>("bar");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("request");
    QTest::addColumn<int>("track");
    QTest::addColumn<int>("reported");
    QTest::addColumn<int>("position");

    // Horizontal pages move by 7, vertical ones by 13. At the ends the event carries the
    // position one step beyond, while the bar stays in its range.
    QTest::newRow("line right") << 0 << 100 << 5 << int(LineDown) << 0 << 6 << 6;
    QTest::newRow("line left at 0") << 0 << 100 << 0 << int(LineUp) << 0 << -1 << 0;
    QTest::newRow("line down at end") << 1 << 100 << 100 << int(LineDown) << 0 << 101 << 100;
    QTest::newRow("page left") << 0 << 100 << 20 << int(PageUp) << 0 << 13 << 13;
    QTest::newRow("page down") << 1 << 100 << 20 << int(PageDown) << 0 << 33 << 33;
    QTest::newRow("page up past start") << 1 << 100 << 5 << int(PageUp) << 0 << -8 << 0;
    QTest::newRow("thumb dragged") << 0 << 100 << 5 << int(ThumbTrack) << 42 << 42 << 42;
    QTest::newRow("thumb dragged beyond 16 bits")
        << 1 << 50000 << 5 << int(ThumbTrack) << 40000 << 40000 << 40000;
    QTest::newRow("thumb released") << 0 << 100 << 30 << int(ThumbPosition) << 77 << 30 << 30;
    QTest::newRow("scroll ended") << 1 << 100 << 30 << int(EndScroll) << 0 << 30 << 30;
    QTest::newRow("line right at largest int")
        << 0 << INT_MAX << INT_MAX << int(LineDown) << 0 << INT_MAX << INT_MAX;
}

void ScrollBarsTest::requests() {
    QFETCH(int, bar);
    QFETCH(int, maximum);
    QFETCH(int, start);
    QFETCH(int, request);
    QFETCH(int, track);
    QFETCH(int, reported);
    bars->SetHorizontalLargeChange(window.get(), 7);
    bars->SetVerticalLargeChange(window.get(), 13);
    bars->SetScrollMax(window.get(), bar, maximum);
    bars->SetScrollPosition(window.get(), bar, start);
    const auto message = bar == 0 ? WindowMessage::HorizontalScroll : WindowMessage::VerticalScroll;
    bars->FlatScrollWindowProc(window.get(), message, request, track);

    QCOMPARE(sink.events, QStringList{QStringLiteral("0,%1,%2").arg(bar + 1).arg(reported)});
    QCOMPARE(sink.windows.value(0), window.get());
    QTEST(bars->GetScrollPosition(window.get(), bar), "position");
    QCOMPARE(bars->GetScrollPosition(window.get(), 1 - bar), 0);
}

// A shown vertical bar of range 0 to 100 with a thumb of 30 pixels.
FlatBar *ScrollBarsTest::verticalBar(int position) {
    window->resize(300, 300);
    window->show();
    bars->SetProportionalThumbs(window.get(), false);
    bars->ShowBar(window.get(), VerticalBar, true);
    bars->SetScrollMax(window.get(), VerticalBar, 100);
    bars->SetVerticalLargeChange(window.get(), 13);
    bars->SetScrollPosition(window.get(), VerticalBar, position);
    bars->SetThumbSize(window.get(), VerticalBar, 30);
    return bars->scrollBar(window.get(), VerticalBar);
}

void ScrollBarsTest::thumbDrag() {
    FlatBar *v = verticalBar(10);
    const QPoint grab = v->controlRect(QStyle::SC_ScrollBarSlider).center();
    sendMouse(v, QEvent::MouseButtonPress, grab, Qt::LeftButton);
    sendMouse(v, QEvent::MouseMove, grab + QPoint(0, 40), Qt::LeftButton);
    sendMouse(v, QEvent::MouseMove, grab + QPoint(0, 80), Qt::LeftButton);
    sendMouse(v, QEvent::MouseButtonRelease, grab + QPoint(0, 80), Qt::NoButton);

    // Each move reports the dragged position; release and the end of the scroll repeat it.
    QCOMPARE(sink.events.size(), 4);
    const int first = sink.events[0].section(',', 2).toInt();
    const int last = sink.events[1].section(',', 2).toInt();
    QVERIFY(first > 10 && last > first);
    QCOMPARE(bars->GetScrollPosition(window.get(), 1), last);
    const QString reached = QStringLiteral("0,2,%1").arg(last);
    QCOMPARE(sink.events.mid(1), (QStringList{reached, reached, reached}));
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
    bars->SetScrollMax(window.get(), 1, 80);
    bars->AttachFlatScrollBars(window.get());
    QCOMPARE(bars->entryCount(), 1);
    QCOMPARE(bars->entry(window.get())->verticalLargeStep, 25);
    QCOMPARE(bars->GetScrollMax(window.get(), 1), 80);
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

    bars->DetachFlatScrollBars(window.get());
    QCOMPARE(bars->entryCount(), 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(window->findChildren<QScrollBar *>().isEmpty());
    // Attached again, it starts from fresh steps.
    bars->AttachFlatScrollBars(window.get());
    QCOMPARE(bars->entry(window.get())->verticalLargeStep, 10);
}

// A real click on the down arrow, whose handler detaches the window.
void ScrollBarsTest::sinkMayDetachWhileHandling() {
    FlatBar *v = verticalBar(50);
    sink.onEvent = [this] { bars->DetachFlatScrollBars(window.get()); };
    const QPoint at = v->controlRect(QStyle::SC_ScrollBarAddLine).center();
    sendMouse(v, QEvent::MouseButtonPress, at, Qt::LeftButton);
    sendMouse(v, QEvent::MouseButtonRelease, at, Qt::NoButton);
    QCOMPARE(sink.events, QStringList{"0,2,51"});
    QCOMPARE(bars->entryCount(), 0);
}

void ScrollBarsTest::proportionalThumb_data() {
    QTest::addColumn<int>("bar");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<bool>("proportional");
    QTest::addColumn<int>("thumb");
    // Tracks of 100 pixels between the vertical arrows and 200 between the horizontal ones:
    // track / ln(positions), halves to even.
    QTest::newRow("2 positions") << 1 << 1 << true << 144;
    QTest::newRow("11 positions") << 1 << 10 << true << 42;
    QTest::newRow("101 positions") << 1 << 100 << true << 22;
    QTest::newRow("horizontal 11 positions") << 0 << 10 << true << 83;
    QTest::newRow("single position keeps the thumb") << 1 << 0 << true << 33;
    QTest::newRow("not proportional") << 1 << 10 << false << DefaultVerticalThumb;
}

void ScrollBarsTest::proportionalThumb() {
    QFETCH(int, bar);
    QFETCH(int, maximum);
    QFETCH(bool, proportional);
    const int ext = bars->GetScrollCy(window.get(), bar);
    window->resize(200 + 2 * ext, 100 + 2 * ext);
    bars->ShowBar(window.get(), bar, true);
    bars->SetThumbSize(window.get(), BothBars, 33);
    bars->SetProportionalThumbs(window.get(), proportional);
    bars->SetScrollMax(window.get(), bar, maximum);
    QTEST(bars->scrollBar(window.get(), bar)->thumbSize(), "thumb");
    QCOMPARE(bars->GetScrollMax(window.get(), bar), maximum);
}

void ScrollBarsTest::thumbHasTheSetLength() {
    FlatBar *v = verticalBar(50);
    bars->SetThumbSize(window.get(), VerticalBar, 40);
    QCOMPARE(v->controlRect(QStyle::SC_ScrollBarSlider).height(), 40);
    // Longer than the track: the thumb fills it.
    bars->SetThumbSize(window.get(), VerticalBar, 5000);
    QCOMPARE(v->controlRect(QStyle::SC_ScrollBarSlider).height(),
             v->controlRect(QStyle::SC_ScrollBarGroove).height());
}

QTEST_MAIN(ScrollBarsTest)
#include "tst_scrollbars.moc"
