#include "scrollbars/FlatScrollBars.h"

#include "platform/Numeric.h"
#include "scrollbars/FlatBar.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QStyle>
#include <QWheelEvent>
#include <QWidget>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

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

// A wheel's notch, in the eighths of a degree that angleDelta counts.
constexpr int Notch = 120;

// The bar and request a key asks for; bar -1 for a key that does not scroll.
struct KeyScroll {
    int bar;
    int request;
};

KeyScroll keyScroll(int key) {
    switch (key) {
    case Qt::Key_Left:
        return {HorizontalBar, LineUp};
    case Qt::Key_Right:
        return {HorizontalBar, LineDown};
    case Qt::Key_Up:
        return {VerticalBar, LineUp};
    case Qt::Key_Down:
        return {VerticalBar, LineDown};
    case Qt::Key_PageUp:
        return {VerticalBar, PageUp};
    case Qt::Key_PageDown:
        return {VerticalBar, PageDown};
    case Qt::Key_Home:
        return {VerticalBar, ScrollTop};
    case Qt::Key_End:
        return {VerticalBar, ScrollBottom};
    default:
        return {-1, 0};
    }
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

int FlatScrollBars::FindEntryOf(const QObject *object) const {
    const auto it = std::find_if(m_table.begin(), m_table.end(), [object](const Attached &a) {
        return a.entry.window == object || a.horizontal == object || a.vertical == object;
    });
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
    // The wheel over a bar scrolls as it does over the window.
    bar->installEventFilter(this);
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
    // Where both bars show, the square between them hides what lies under it.
    attached.corner = new QWidget(window);
    attached.corner->setObjectName(QStringLiteral("scrollCorner"));
    attached.corner->setAutoFillBackground(true);
    attached.corner->setBackgroundRole(QPalette::Window);
    attached.corner->hide();
    // Plain moves over the window are reported too, not only drags.
    attached.hadMouseTracking = window->hasMouseTracking();
    window->setMouseTracking(true);
    // A click gives the window the keys that scroll it.
    attached.focusPolicy = window->focusPolicy();
    window->setFocusPolicy(static_cast<Qt::FocusPolicy>(attached.focusPolicy | Qt::ClickFocus));
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
    window->setFocusPolicy(attached.focusPolicy);
    disconnect(window, &QObject::destroyed, this, &FlatScrollBars::forgetWindow);
    // Detaching may happen inside a bar's own signal, so the bars go once it has returned.
    for (FlatBar *bar : {attached.horizontal.data(), attached.vertical.data()}) {
        if (!bar)
            continue;
        bar->removeEventFilter(this);
        bar->disconnect(this);
        bar->hide();
        bar->deleteLater();
    }
    if (attached.corner) {
        attached.corner->hide();
        attached.corner->deleteLater();
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
    if (attached.corner)
        attached.corner->raise();
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
    if (QWidget *corner = attached.corner) {
        corner->setGeometry(r.right() + 1 - vThick, r.bottom() + 1 - hThick, vThick, hThick);
        corner->setVisible(!h->isHidden() && !v->isHidden());
    }
}

bool FlatScrollBars::scrollable(const QWidget *window, int bar) const {
    const FlatBar *b = scrollBar(window, bar);
    return b && !b->isHidden() && b->maximum() > b->minimum();
}

bool FlatScrollBars::scrollBy(QWidget *window, int bar, int request) {
    if (!scrollable(window, bar))
        return false;
    FlatScrollWindowProc(window,
                         bar == HorizontalBar ? WindowMessage::HorizontalScroll
                                              : WindowMessage::VerticalScroll,
                         request);
    return true;
}

// Each notch is as many small steps as the desktop's wheel setting says (three unless
// changed); what a fine wheel or a touchpad sends below a step waits for the rest.
bool FlatScrollBars::wheel(QWidget *window, const QWheelEvent &event) {
    QPoint delta = event.angleDelta();
    // Some desktops turn a wheel with Shift sideways themselves; the others get it turned here.
    if ((event.modifiers() & Qt::ShiftModifier) && delta.x() == 0)
        delta = QPoint(delta.y(), 0);
    const int lines = std::max(1, QApplication::wheelScrollLines());
    bool used = false;
    for (const int bar : {HorizontalBar, VerticalBar}) {
        const int turned = bar == HorizontalBar ? delta.x() : delta.y();
        if (turned == 0 || !scrollable(window, bar))
            continue;
        used = true;
        int &rest = m_table[FindEntry(window)].wheelRest[bar];
        const long long total = rest + static_cast<long long>(turned) * lines;
        const long long steps = total / Notch;
        rest = static_cast<int>(total - steps * Notch);
        // Turning away from the user scrolls up, or left.
        for (long long i = 0; i < std::llabs(steps); ++i)
            if (!scrollBy(window, bar, steps > 0 ? LineUp : LineDown))
                return true; // the sink detached the window or hid the bar
    }
    return used;
}

bool FlatScrollBars::key(QWidget *window, const QKeyEvent &event) {
    if (event.modifiers() & ~Qt::KeypadModifier)
        return false; // shortcuts and selections keep their keys
    const KeyScroll scroll = keyScroll(event.key());
    return scroll.bar >= 0 && scrollBy(window, scroll.bar, scroll.request);
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
    case ScrollTop:
        p = GetScrollMin(window, bar);
        break;
    case ScrollBottom:
        p = GetScrollMax(window, bar);
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
    const int i = FindEntryOf(watched);
    if (i < 0)
        return QObject::eventFilter(watched, event);
    QWidget *window = m_table[i].entry.window;
    const bool onWindow = watched == window;
    bool used = false;
    switch (event->type()) {
    case QEvent::Resize:
    case QEvent::ContentsRectChange:
        if (onWindow)
            layOutBars(m_table[i]);
        break;
    case QEvent::MouseMove:
        if (onWindow)
            FlatScrollWindowProc(window, WindowMessage::MouseMove);
        break;
    case QEvent::Wheel:
        used = wheel(window, *static_cast<QWheelEvent *>(event));
        break;
    case QEvent::KeyPress:
        used = onWindow && key(window, *static_cast<QKeyEvent *>(event));
        break;
    default:
        break;
    }
    if (used)
        event->accept();
    return used || QObject::eventFilter(watched, event);
}

} // namespace imprimata
