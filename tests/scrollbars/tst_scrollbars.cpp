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

void click(QWidget *w, QPoint at) {
    sendMouse(w, QEvent::MouseButtonPress, at, Qt::LeftButton);
    sendMouse(w, QEvent::MouseButtonRelease, at, Qt::NoButton);
}

} // namespace

class ScrollBarsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void requests_data();
    void requests();
    void mouseMovesOverTheWindow();
    void attachTwiceKeepsOneEntry();
    void detach();
    void windowDestroyedWhileAttached();
    void barsLieAlongTheEdges();
    void proportionalThumb_data();
    void proportionalThumb();
    void turningProportionalBackOnRecomputes();
    void thumbHasTheSetLength();
    void clicksOnTheBar_data();
    void clicksOnTheBar();
    void thumbDrag();
    void sinkMayDetachWhileHandling();

private:
    void prepareVertical(int maximum, int position);

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

    // Horizontal pages move by 7, vertical ones by 13.
    QTest::newRow("line right") << 0 << 100 << 5 << int(LineDown) << 0 << 6 << 6;
    QTest::newRow("line left at 0") << 0 << 100 << 0 << int(LineUp) << 0 << -1 << 0;
    QTest::newRow("line down at end") << 1 << 100 << 100 << int(LineDown) << 0 << 101 << 100;
    QTest::newRow("page left") << 0 << 100 << 20 << int(PageUp) << 0 << 13 << 13;
    QTest::newRow("page down") << 1 << 100 << 20 << int(PageDown) << 0 << 33 << 33;
    QTest::newRow("page up past start") << 1 << 100 << 5 << int(PageUp) << 0 << -8 << 0;
    QTest::newRow("page right past end") << 0 << 100 << 95 << int(PageDown) << 0 << 102 << 100;
    QTest::newRow("thumb dragged") << 0 << 100 << 5 << int(ThumbTrack) << 42 << 42 << 42;
    QTest::newRow("thumb dragged beyond 16 bits")
        << 1 << 50000 << 5 << int(ThumbTrack) << 40000 << 40000 << 40000;
    QTest::newRow("thumb released") << 0 << 100 << 30 << int(ThumbPosition) << 77 << 30 << 30;
    QTest::newRow("scroll ended") << 1 << 100 << 30 << int(EndScroll) << 0 << 30 << 30;
    QTest::newRow("to top") << 1 << 100 << 30 << int(ScrollTop) << 0 << 30 << 30;
    QTest::newRow("unknown request") << 0 << 100 << 30 << 99 << 0 << 30 << 30;
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
    QFETCH(int, position);

    bars->SetHorizontalLargeChange(window.get(), 7);
    bars->SetVerticalLargeChange(window.get(), 13);
    bars->SetScrollMax(window.get(), bar, maximum);
    bars->SetScrollPosition(window.get(), bar, start);
    const auto message = bar == 0 ? WindowMessage::HorizontalScroll : WindowMessage::VerticalScroll;
    bars->FlatScrollWindowProc(window.get(), message, request, track);

    QCOMPARE(sink.events, QStringList{QStringLiteral("0,%1,%2").arg(bar + 1).arg(reported)});
    QCOMPARE(sink.windows.value(0), window.get());
    QCOMPARE(bars->GetScrollPosition(window.get(), bar), position);
    QCOMPARE(bars->GetScrollPosition(window.get(), 1 - bar), 0);
}

void ScrollBarsTest::mouseMovesOverTheWindow() {
    sendMouse(window.get(), QEvent::MouseMove, {10, 10}, Qt::NoButton);
    QCOMPARE(sink.events, QStringList{"1,0,0"});
    QCOMPARE(sink.windows.value(0), window.get());

    bars->DetachFlatScrollBars(window.get());
    sendMouse(window.get(), QEvent::MouseMove, {12, 10}, Qt::NoButton);
    QCOMPARE(sink.events.size(), 1);
}

void ScrollBarsTest::attachTwiceKeepsOneEntry() {
    bars->SetVerticalLargeChange(window.get(), 25);
    bars->SetScrollMax(window.get(), 1, 80);
    bars->AttachFlatScrollBars(window.get());

    QCOMPARE(bars->entryCount(), 1);
    const auto e = bars->entry(window.get());
    QVERIFY(e);
    QCOMPARE(e->verticalLargeStep, 25);
    QCOMPARE(e->horizontalLargeStep, 10);
    QCOMPARE(e->horizontalSmallStep, 1);
    QCOMPARE(e->verticalSmallStep, 1);
    QVERIFY(e->proportional);
    QCOMPARE(bars->GetScrollMax(window.get(), 1), 80);
    QCOMPARE(window->findChildren<FlatBar *>().size(), 2);

    // A second window gets an entry of its own after the first.
    QWidget other;
    bars->AttachFlatScrollBars(&other);
    QCOMPARE(bars->entryCount(), 2);
    QCOMPARE(bars->entry(&other)->verticalLargeStep, 10);
}

void ScrollBarsTest::detach() {
    QWidget never;
    bars->DetachFlatScrollBars(&never);
    bars->SetVerticalLargeChange(&never, 5);
    bars->SetScrollMax(&never, 1, 5);
    QCOMPARE(bars->entryCount(), 1);
    QVERIFY(!bars->entry(&never));
    QCOMPARE(bars->GetScrollMax(&never, 1), 0);

    bars->DetachFlatScrollBars(window.get());
    QCOMPARE(bars->entryCount(), 0);
    QVERIFY(!bars->scrollBar(window.get(), 0));
    QVERIFY(!window->hasMouseTracking());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(window->findChildren<QScrollBar *>().isEmpty());

    // Attaching again starts from fresh steps.
    bars->AttachFlatScrollBars(window.get());
    QCOMPARE(bars->entry(window.get())->verticalLargeStep, 10);
}

void ScrollBarsTest::windowDestroyedWhileAttached() {
    auto doomed = std::make_unique<QWidget>();
    bars->AttachFlatScrollBars(doomed.get());
    QCOMPARE(bars->entryCount(), 2);
    doomed.reset();
    QCOMPARE(bars->entryCount(), 1);
    bars.reset(); // detaches what is left without touching the dead window
}

void ScrollBarsTest::barsLieAlongTheEdges() {
    FlatBar *h = bars->scrollBar(window.get(), 0);
    FlatBar *v = bars->scrollBar(window.get(), 1);
    QVERIFY(h->isHidden() && v->isHidden());
    const int ext = bars->GetScrollCx(window.get(), 0);
    QVERIFY(ext > 0);
    QCOMPARE(bars->GetScrollCy(window.get(), 1), ext);

    bars->ShowBar(window.get(), 3, true);
    QVERIFY(!h->isHidden() && !v->isHidden());
    QCOMPARE(h->geometry(), QRect(0, 200 - ext, 300 - ext, ext));
    QCOMPARE(v->geometry(), QRect(300 - ext, 0, ext, 200 - ext));

    window->show();
    window->resize(400, 250);
    QCOMPARE(h->geometry(), QRect(0, 250 - ext, 400 - ext, ext));

    bars->ShowBar(window.get(), 0, false);
    QVERIFY(h->isHidden() && !v->isHidden());
    QCOMPARE(v->geometry(), QRect(400 - ext, 0, ext, 250));

    bars->ShowBar(window.get(), 2, false);
    QVERIFY(!v->isHidden());
}

void ScrollBarsTest::proportionalThumb_data() {
    QTest::addColumn<int>("bar");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<bool>("otherBarShown");
    QTest::addColumn<bool>("proportional");
    QTest::addColumn<int>("thumb");

    // The window leaves a track of 100 pixels between the vertical arrows, 200 between the
    // horizontal ones.
    QTest::newRow("2 positions") << 1 << 1 << false << true << 144;
    QTest::newRow("11 positions") << 1 << 10 << false << true << 42;
    QTest::newRow("101 positions") << 1 << 100 << false << true << 22;
    QTest::newRow("horizontal 11 positions") << 0 << 10 << false << true << 83;
    QTest::newRow("beside the other bar") << 1 << 10 << true << true << 42;
    QTest::newRow("horizontal beside the other bar") << 0 << 10 << true << true << 83;
    QTest::newRow("single position keeps the thumb") << 1 << 0 << false << true << 33;
    QTest::newRow("not proportional") << 1 << 10 << false << false << DefaultVerticalThumb;
}

void ScrollBarsTest::proportionalThumb() {
    QFETCH(int, bar);
    QFETCH(int, maximum);
    QFETCH(bool, otherBarShown);
    QFETCH(bool, proportional);
    QFETCH(int, thumb);

    const int ext = bars->GetScrollCy(window.get(), bar);
    const int otherBar = otherBarShown ? ext : 0;
    window->resize(200 + 2 * ext + otherBar, 100 + 2 * ext + otherBar);
    bars->ShowBar(window.get(), bar, true);
    bars->ShowBar(window.get(), 1 - bar, otherBarShown);
    bars->SetThumbSize(window.get(), 3, 33);
    bars->SetProportionalThumbs(window.get(), proportional);
    bars->SetScrollMax(window.get(), bar, maximum);

    QCOMPARE(bars->scrollBar(window.get(), bar)->thumbSize(), thumb);
    QCOMPARE(bars->GetScrollMax(window.get(), bar), maximum);
}

void ScrollBarsTest::turningProportionalBackOnRecomputes() {
    const int ext = bars->GetScrollCy(window.get(), 1);
    window->resize(200 + 2 * ext, 100 + 2 * ext);
    bars->SetProportionalThumbs(window.get(), false);
    bars->SetScrollMax(window.get(), 0, 10);
    bars->SetScrollMax(window.get(), 1, 100);
    QCOMPARE(bars->scrollBar(window.get(), 0)->thumbSize(), DefaultHorizontalThumb);
    QCOMPARE(bars->scrollBar(window.get(), 1)->thumbSize(), DefaultVerticalThumb);

    bars->SetProportionalThumbs(window.get(), true);
    QVERIFY(bars->entry(window.get())->proportional);
    QCOMPARE(bars->scrollBar(window.get(), 0)->thumbSize(), 83);
    QCOMPARE(bars->scrollBar(window.get(), 1)->thumbSize(), 22);
}

void ScrollBarsTest::thumbHasTheSetLength() {
    window->resize(300, 300);
    bars->ShowBar(window.get(), 3, true);
    bars->SetScrollMax(window.get(), 1, 100);
    bars->SetScrollMax(window.get(), 0, 100);
    FlatBar *v = bars->scrollBar(window.get(), 1);
    FlatBar *h = bars->scrollBar(window.get(), 0);

    bars->SetThumbSize(window.get(), 3, 40);
    QCOMPARE(v->controlRect(QStyle::SC_ScrollBarSlider).height(), 40);
    QCOMPARE(h->controlRect(QStyle::SC_ScrollBarSlider).width(), 40);

    // The page areas and the thumb share the groove without gaps or overlap.
    bars->SetScrollPosition(window.get(), 1, 50);
    const QRect groove = v->controlRect(QStyle::SC_ScrollBarGroove);
    const QRect up = v->controlRect(QStyle::SC_ScrollBarSubPage);
    const QRect thumb = v->controlRect(QStyle::SC_ScrollBarSlider);
    const QRect down = v->controlRect(QStyle::SC_ScrollBarAddPage);
    QCOMPARE(up.top(), groove.top());
    QCOMPARE(thumb.top(), up.bottom() + 1);
    QCOMPARE(down.top(), thumb.bottom() + 1);
    QCOMPARE(down.bottom(), groove.bottom());
    QVERIFY(qAbs(up.height() - down.height()) <= 1);

    // The flat look paints the thumb where it is placed, and only there.
    bars->SetBarStyle(window.get(), 1, FlatBarStyle);
    const QImage painted = v->grab().toImage();
    QCOMPARE(painted.pixel(thumb.center()), v->palette().color(QPalette::Mid).rgb());
    QCOMPARE(painted.pixel(down.center()), v->palette().color(QPalette::Window).rgb());

    // Longer than the track: the thumb fills it.
    bars->SetThumbSize(window.get(), 1, 5000);
    QCOMPARE(v->controlRect(QStyle::SC_ScrollBarSlider).height(), groove.height());
    QCOMPARE(h->thumbSize(), 40);
}

void ScrollBarsTest::prepareVertical(int maximum, int position) {
    window->resize(300, 300);
    window->show();
    bars->SetBarStyle(window.get(), 3, FlatBarStyle);
    bars->SetProportionalThumbs(window.get(), false);
    bars->ShowBar(window.get(), 1, true);
    bars->SetScrollMax(window.get(), 1, maximum);
    bars->SetVerticalLargeChange(window.get(), 13);
    bars->SetScrollPosition(window.get(), 1, position);
    bars->SetThumbSize(window.get(), 1, 30);
}

void ScrollBarsTest::clicksOnTheBar_data() {
    QTest::addColumn<int>("control");
    QTest::addColumn<int>("start");
    QTest::addColumn<QStringList>("events");
    QTest::newRow("down arrow") << int(QStyle::SC_ScrollBarAddLine) << 50
                                << QStringList{"0,2,51", "0,2,51"};
    QTest::newRow("up arrow at top")
        << int(QStyle::SC_ScrollBarSubLine) << 0 << QStringList{"0,2,-1", "0,2,0"};
    QTest::newRow("page below thumb")
        << int(QStyle::SC_ScrollBarAddPage) << 50 << QStringList{"0,2,63", "0,2,63"};
    QTest::newRow("page above thumb")
        << int(QStyle::SC_ScrollBarSubPage) << 50 << QStringList{"0,2,37", "0,2,37"};
}

// Real clicks: the request, then the end of the scroll at the position reached.
void ScrollBarsTest::clicksOnTheBar() {
    QFETCH(int, control);
    QFETCH(int, start);
    QFETCH(QStringList, events);

    prepareVertical(100, start);
    FlatBar *v = bars->scrollBar(window.get(), 1);
    const QRect target = v->controlRect(QStyle::SubControl(control));
    QVERIFY(!target.isEmpty());
    click(v, target.center());

    QCOMPARE(sink.events, events);
    QCOMPARE(bars->GetScrollPosition(window.get(), 1), sink.events.last().section(',', 2).toInt());
}

void ScrollBarsTest::thumbDrag() {
    prepareVertical(100, 10);
    FlatBar *v = bars->scrollBar(window.get(), 1);
    const QPoint grab = v->controlRect(QStyle::SC_ScrollBarSlider).center();
    sendMouse(v, QEvent::MouseButtonPress, grab, Qt::LeftButton);
    sendMouse(v, QEvent::MouseMove, grab + QPoint(0, 40), Qt::LeftButton);
    sendMouse(v, QEvent::MouseMove, grab + QPoint(0, 80), Qt::LeftButton);
    sendMouse(v, QEvent::MouseButtonRelease, grab + QPoint(0, 80), Qt::NoButton);

    QCOMPARE(sink.events.size(), 4);
    const int first = sink.events[0].section(',', 2).toInt();
    const int last = sink.events[1].section(',', 2).toInt();
    QVERIFY(first > 10 && last > first);
    QCOMPARE(bars->GetScrollPosition(window.get(), 1), last);
    const QString reached = QStringLiteral("0,2,%1").arg(last);
    QCOMPARE(sink.events.mid(1), (QStringList{reached, reached, reached}));
}

void ScrollBarsTest::sinkMayDetachWhileHandling() {
    prepareVertical(100, 50);
    FlatBar *v = bars->scrollBar(window.get(), 1);
    sink.onEvent = [this] { bars->DetachFlatScrollBars(window.get()); };
    click(v, v->controlRect(QStyle::SC_ScrollBarAddLine).center());

    QCOMPARE(sink.events, QStringList{"0,2,51"});
    QCOMPARE(bars->entryCount(), 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(window->findChildren<QScrollBar *>().isEmpty());
}

QTEST_MAIN(ScrollBarsTest)
#include "tst_scrollbars.moc"
