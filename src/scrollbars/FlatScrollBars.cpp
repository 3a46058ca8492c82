#include "scrollbars/FlatScrollBars.h"

#include "platform/Numeric.h"
#include "scrollbars/FlatBar.h"

#include <QApplication>
#include <QEvent>
#include <QStyle>
#include <QWidget>

#include <algorithm>
#include <climits>
#include <cmath>

namespace imprimata {

namespace {

// Steps near the ends of a huge range must not wrap round to the other end.
int saturated(long long value) {
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

int barExtent(const QWidget *bar, const QWidget *window) {
    if (bar)
        return bar->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, bar);
    const QStyle *style = window ? window->style() : QApplication::style();
    return style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, window);
}

} // namespace

FlatScrollBars::FlatScrollBars(QObject *parent) : QObject(parent) {}

FlatScrollBars::~FlatScrollBars() {
    while (!m_table.empty())
        DetachFlatScrollBars(m_table.back().entry.window);
}

int FlatScrollBars::FindEntry(const QObject *window) const {
    const auto it = std::find_if(m_table.begin(), m_table.end(),
                                 [window](const Attached &a) { return a.entry.window == window; });
    return it == m_table.end() ? -1 : static_cast<int>(it - m_table.begin());
}

std::optional<FlatScrollEntry> FlatScrollBars::entry(const QWidget *window) const {
    const int i = FindEntry(window);
    if (i < 0)
        return std::nullopt;
    return m_table[i].entry;
}

FlatBar *FlatScrollBars::scrollBar(const QWidget *window, int bar) const {
    const int i = FindEntry(window);
    if (i < 0)
        return nullptr;
    if (bar == HorizontalBar)
        return m_table[i].horizontal;
    if (bar == VerticalBar)
        return m_table[i].vertical;
    return nullptr;
}

FlatBar *FlatScrollBars::makeBar(QWidget *window, Qt::Orientation orientation) {
    auto *bar = new FlatBar(orientation, window);
    bar->hide();
    const WindowMessage message = orientation == Qt::Horizontal ? WindowMessage::HorizontalScroll
                                                                : WindowMessage::VerticalScroll;
    connect(bar, &FlatBar::scrollRequested, this, [this, window, message](int request, int track) {
        FlatScrollWindowProc(window, message, request, track);
    });
    return bar;
}

void FlatScrollBars::AttachFlatScrollBars(QWidget *window) {
    if (!window || FindEntry(window) >= 0)
        return;
    Attached attached;
    attached.entry.window = window;
    attached.horizontal = makeBar(window, Qt::Horizontal);
    attached.vertical = makeBar(window, Qt::Vertical);
    // Plain moves over the window are reported too, not only drags.
    attached.hadMouseTracking = window->hasMouseTracking();
    window->setMouseTracking(true);
    window->installEventFilter(this);
    connect(window, &QObject::destroyed, this, &FlatScrollBars::forgetWindow);
    m_table.push_back(attached);
    layOutBars(m_table.back());
}

void FlatScrollBars::DetachFlatScrollBars(QWidget *window) {
    const int i = FindEntry(window);
    if (i < 0)
        return;
    const Attached attached = m_table[i];
    m_table.erase(m_table.begin() + i);
    window->removeEventFilter(this);
    window->setMouseTracking(attached.hadMouseTracking);
    disconnect(window, &QObject::destroyed, this, &FlatScrollBars::forgetWindow);
    // Detaching may happen inside a bar's own signal, so the bars go once it has returned.
    for (FlatBar *bar : {attached.horizontal.data(), attached.vertical.data()}) {
        if (!bar)
            continue;
        bar->disconnect(this);
        bar->hide();
        bar->deleteLater();
    }
}

// A window that dies attached takes its bars with it; only the entry is left to drop.
void FlatScrollBars::forgetWindow(QObject *window) {
    const int i = FindEntry(window);
    if (i >= 0)
        m_table.erase(m_table.begin() + i);
}

void FlatScrollBars::SetEventSink(FlatScrollEventSink *sink) {
    m_sink = sink;
}

void FlatScrollBars::SetBarStyle(QWidget *window, int bar, int style) {
    if (bar != HorizontalBar && bar != VerticalBar && bar != BothBars)
        return;
    if (FlatBar *v = scrollBar(window, VerticalBar); v && bar != HorizontalBar)
        v->setBarStyle(style);
    if (FlatBar *h = scrollBar(window, HorizontalBar); h && bar != VerticalBar)
        h->setBarStyle(style);
}

void FlatScrollBars::SetThumbSize(QWidget *window, int bar, int size) {
    if (bar != HorizontalBar && bar != VerticalBar && bar != BothBars)
        return;
    if (FlatBar *v = scrollBar(window, VerticalBar); v && bar != HorizontalBar)
        v->setThumbSize(size);
    if (FlatBar *h = scrollBar(window, HorizontalBar); h && bar != VerticalBar)
        h->setThumbSize(size);
}

// Arrow buttons are square, so a bar's thickness and its arrows' length are one metric.
int FlatScrollBars::GetScrollCx(QWidget *window, int bar) const {
    return barExtent(scrollBar(window, bar == HorizontalBar ? HorizontalBar : VerticalBar), window);
}

int FlatScrollBars::GetScrollCy(QWidget *window, int bar) const {
    return GetScrollCx(window, bar);
}

int FlatScrollBars::GetScrollMin(QWidget *window, int bar) const {
    const FlatBar *b = scrollBar(window, bar);
    return b ? b->minimum() : 0;
}

int FlatScrollBars::GetScrollMax(QWidget *window, int bar) const {
    const FlatBar *b = scrollBar(window, bar);
    return b ? b->maximum() : 0;
}

void FlatScrollBars::SetScrollMax(QWidget *window, int bar, int maximum) {
    FlatBar *b = scrollBar(window, bar);
    if (!b)
        return;
    const int minimum = b->minimum();
    UpdateThumbSize(window, bar, maximum, minimum);
    b->setRange(minimum, maximum);
}

int FlatScrollBars::GetScrollPosition(QWidget *window, int bar) const {
    const FlatBar *b = scrollBar(window, bar);
    return b ? b->value() : 0;
}

void FlatScrollBars::SetScrollPosition(QWidget *window, int bar, int position) {
    if (FlatBar *b = scrollBar(window, bar))
        b->setValue(position);
}

void FlatScrollBars::SetProportionalThumbs(QWidget *window, bool flag) {
    const int i = FindEntry(window);
    if (i >= 0)
        m_table[i].entry.proportional = flag;
    if (flag) {
        UpdateThumbSize(window, HorizontalBar, GetScrollMax(window, HorizontalBar),
                        GetScrollMin(window, HorizontalBar));
        UpdateThumbSize(window, VerticalBar, GetScrollMax(window, VerticalBar),
                        GetScrollMin(window, VerticalBar));
        return;
    }
    if (FlatBar *h = scrollBar(window, HorizontalBar))
        h->setThumbSize(DefaultHorizontalThumb);
    if (FlatBar *v = scrollBar(window, VerticalBar))
        v->setThumbSize(DefaultVerticalThumb);
}

void FlatScrollBars::SetHorizontalLargeChange(QWidget *window, int step) {
    const int i = FindEntry(window);
    if (i >= 0)
        m_table[i].entry.horizontalLargeStep = step;
}

void FlatScrollBars::SetVerticalLargeChange(QWidget *window, int step) {
    const int i = FindEntry(window);
    if (i >= 0)
        m_table[i].entry.verticalLargeStep = step;
}

void FlatScrollBars::ShowBar(QWidget *window, int bar, bool show) {
    const int i = FindEntry(window);
    if (i < 0 || (bar != HorizontalBar && bar != VerticalBar && bar != BothBars))
        return;
    const Attached &attached = m_table[i];
    const auto apply = [show](FlatBar *b) {
        if (!b)
            return;
        b->setVisible(show);
        // The window's content may have been stacked above the bars since they were made.
        b->raise();
    };
    if (bar != VerticalBar)
        apply(attached.horizontal);
    if (bar != HorizontalBar)
        apply(attached.vertical);
    layOutBars(attached);
}

// The thumb shrinks with the logarithm of the number of positions, so it stays easy to grab
// on long ranges.
void FlatScrollBars::UpdateThumbSize(QWidget *window, int bar, int maximum, int minimum) {
    if (static_cast<long long>(maximum) - minimum <= 0)
        return;
    const int i = FindEntry(window);
    if (i < 0 || !m_table[i].entry.proportional)
        return;
    const Attached &attached = m_table[i];
    if ((bar != HorizontalBar && bar != VerticalBar) || !attached.horizontal || !attached.vertical)
        return;
    // The client area is what the visible bars leave of the window's contents.
    const QRect contents = window->contentsRect();
    // The bars' thickness, not their current size: a hidden window lays them out later.
    const int clientWidth =
        contents.width() -
        (attached.vertical->isHidden() ? 0 : barExtent(attached.vertical, nullptr));
    const int clientHeight =
        contents.height() -
        (attached.horizontal->isHidden() ? 0 : barExtent(attached.horizontal, nullptr));
    const double positions = static_cast<double>(maximum) - minimum + 1;
    const int track = bar == VerticalBar ? clientHeight - 2 * GetScrollCy(window, VerticalBar)
                                         : clientWidth - 2 * GetScrollCy(window, HorizontalBar);
    SetThumbSize(window, bar, roundToInt(track / std::log(positions)));
}

void FlatScrollBars::layOutBars(const Attached &attached) const {
    FlatBar *h = attached.horizontal;
    FlatBar *v = attached.vertical;
    if (!h || !v)
        return;
    const QRect r = attached.entry.window->contentsRect();
    const int hThick = barExtent(h, nullptr);
    const int vThick = barExtent(v, nullptr);
    // Where both bars show, the corner between them stays empty.
    const int hLength = r.width() - (v->isHidden() ? 0 : vThick);
    const int vLength = r.height() - (h->isHidden() ? 0 : hThick);
    h->setGeometry(r.left(), r.bottom() + 1 - hThick, std::max(0, hLength), hThick);
    v->setGeometry(r.right() + 1 - vThick, r.top(), vThick, std::max(0, vLength));
}

void FlatScrollBars::FlatScrollWindowProc(QWidget *window, WindowMessage message, int request,
                                          int trackPosition) {
    const int i = FindEntry(window);
    if (i < 0)
        return;
    if (message == WindowMessage::MouseMove) {
        if (m_sink)
            m_sink->FlatSB_Event(MouseMoveNotification, window, NoScrollType, 0);
        return;
    }
    const bool horizontal = message == WindowMessage::HorizontalScroll;
    const int bar = horizontal ? HorizontalBar : VerticalBar;
    const FlatScrollEntry &e = m_table[i].entry;
    const long long small = horizontal ? e.horizontalSmallStep : e.verticalSmallStep;
    const long long large = horizontal ? e.horizontalLargeStep : e.verticalLargeStep;

    long long p = GetScrollPosition(window, bar);
    switch (request) {
    case PageUp:
        p -= large;
        break;
    case PageDown:
        p += large;
        break;
    case LineUp:
        p -= small;
        break;
    case LineDown:
        p += small;
        break;
    case ThumbTrack:
        p = trackPosition;
        break;
    default:
        break; // released thumb, end of scroll and the rest report where the bar is
    }
    // The bar keeps itself in its range; the report carries the step as asked, so one step
    // beyond an end shows there.
    const int position = saturated(p);
    SetScrollPosition(window, bar, position);
    if (m_sink)
        m_sink->FlatSB_Event(ScrollNotification, window,
                             horizontal ? HorizontalScroll : VerticalScroll, position);
}

bool FlatScrollBars::eventFilter(QObject *watched, QEvent *event) {
    const int i = FindEntry(watched);
    if (i >= 0) {
        switch (event->type()) {
        case QEvent::Resize:
        case QEvent::ContentsRectChange:
            layOutBars(m_table[i]);
            break;
        case QEvent::MouseMove:
            FlatScrollWindowProc(m_table[i].entry.window, WindowMessage::MouseMove);
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace imprimata
