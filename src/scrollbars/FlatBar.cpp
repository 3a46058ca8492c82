#include "scrollbars/FlatBar.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionSlider>

#include <algorithm>

namespace imprimata {

namespace {

// Places the thumb with the bar's own length in pixels instead of deriving it from the page
// step, and paints bars of the flat style without bevels or gradients.
class BarStyleProxy : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    QRect subControlRect(ComplexControl cc, const QStyleOptionComplex *opt, SubControl sc,
                         const QWidget *widget) const override;
    void drawComplexControl(ComplexControl cc, const QStyleOptionComplex *opt, QPainter *p,
                            const QWidget *widget) const override;
};

QRect BarStyleProxy::subControlRect(ComplexControl cc, const QStyleOptionComplex *opt,
                                    SubControl sc, const QWidget *widget) const {
    const auto *bar = qobject_cast<const FlatBar *>(widget);
    const auto *sb = qstyleoption_cast<const QStyleOptionSlider *>(opt);
    const bool thumbPart =
        sc == SC_ScrollBarSlider || sc == SC_ScrollBarAddPage || sc == SC_ScrollBarSubPage;
    if (cc != CC_ScrollBar || !bar || !sb || !thumbPart)
        return QProxyStyle::subControlRect(cc, opt, sc, widget);

    const QRect groove = QProxyStyle::subControlRect(cc, opt, SC_ScrollBarGroove, widget);
    const bool horizontal = sb->orientation == Qt::Horizontal;
    const int track = horizontal ? groove.width() : groove.height();
    if (track <= 0)
        return {};
    // A thumb longer than the track fills it; page areas then vanish and only the arrows scroll.
    const int thumb = std::clamp(bar->thumbSize(), 1, track);
    const int start = sliderPositionFromValue(sb->minimum, sb->maximum, sb->sliderPosition,
                                              track - thumb, sb->upsideDown);
    int from = start, length = thumb;
    if (sc == SC_ScrollBarSubPage) {
        from = 0;
        length = start;
    } else if (sc == SC_ScrollBarAddPage) {
        from = start + thumb;
        length = track - from;
    }
    const QRect r = horizontal ? QRect(groove.left() + from, groove.top(), length, groove.height())
                               : QRect(groove.left(), groove.top() + from, groove.width(), length);
    return visualRect(sb->direction, sb->rect, r);
}

void BarStyleProxy::drawComplexControl(ComplexControl cc, const QStyleOptionComplex *opt,
                                       QPainter *p, const QWidget *widget) const {
    const auto *bar = qobject_cast<const FlatBar *>(widget);
    const auto *sb = qstyleoption_cast<const QStyleOptionSlider *>(opt);
    if (cc != CC_ScrollBar || !bar || !sb || bar->barStyle() != FlatBarStyle) {
        QProxyStyle::drawComplexControl(cc, opt, p, widget);
        return;
    }
    const auto pressed = [sb](SubControl sc) {
        return (sb->activeSubControls & sc) && (sb->state & State_Sunken);
    };
    p->fillRect(sb->rect, sb->palette.window());

    const bool horizontal = sb->orientation == Qt::Horizontal;
    const struct {
        SubControl control;
        PrimitiveElement arrow;
    } buttons[] = {
        {SC_ScrollBarSubLine, horizontal ? PE_IndicatorArrowLeft : PE_IndicatorArrowUp},
        {SC_ScrollBarAddLine, horizontal ? PE_IndicatorArrowRight : PE_IndicatorArrowDown},
    };
    for (const auto &button : buttons) {
        const QRect r = proxy()->subControlRect(cc, sb, button.control, widget);
        if (pressed(button.control))
            p->fillRect(r, sb->palette.midlight());
        QStyleOption arrow(*sb);
        arrow.rect = r.adjusted(2, 2, -2, -2);
        proxy()->drawPrimitive(button.arrow, &arrow, p, widget);
    }
    const QRect thumb = proxy()->subControlRect(cc, sb, SC_ScrollBarSlider, widget);
    if (!thumb.isEmpty() && sb->maximum > sb->minimum)
        p->fillRect(thumb, pressed(SC_ScrollBarSlider) ? sb->palette.dark() : sb->palette.mid());
}

} // namespace

FlatBar::FlatBar(Qt::Orientation orientation, QWidget *parent)
    : QScrollBar(orientation, parent),
      m_thumbSize(orientation == Qt::Horizontal ? DefaultHorizontalThumb : DefaultVerticalThumb) {
    auto *style = new BarStyleProxy(QApplication::style()->name());
    style->setParent(this);
    setStyle(style);
    setRange(0, 0);
    // Bars on a window's edge never take the keyboard, and their context menu would move
    // the bar without a request the owner sees.
    setFocusPolicy(Qt::NoFocus);
    setContextMenuPolicy(Qt::NoContextMenu);
    setAttribute(Qt::WA_NoMousePropagation);
    connect(this, &QAbstractSlider::actionTriggered, this, &FlatBar::onAction);
}

void FlatBar::setThumbSize(int pixels) {
    m_thumbSize = pixels;
    update();
}

void FlatBar::setBarStyle(int style) {
    m_barStyle = style;
    update();
}

QRect FlatBar::controlRect(QStyle::SubControl control) const {
    QStyleOptionSlider opt;
    initStyleOption(&opt);
    return style()->subControlRect(QStyle::CC_ScrollBar, &opt, control, this);
}

// The slider has already moved its own way when this runs; the owner's answer to the request
// sets the position that counts.
void FlatBar::onAction(int action) {
    switch (action) {
    case SliderSingleStepSub:
        emit scrollRequested(LineUp, 0);
        break;
    case SliderSingleStepAdd:
        emit scrollRequested(LineDown, 0);
        break;
    case SliderPageStepSub:
        emit scrollRequested(PageUp, 0);
        break;
    case SliderPageStepAdd:
        emit scrollRequested(PageDown, 0);
        break;
    case SliderToMinimum:
        emit scrollRequested(ScrollTop, 0);
        break;
    case SliderToMaximum:
        emit scrollRequested(ScrollBottom, 0);
        break;
    case SliderMove:
        emit scrollRequested(isSliderDown() ? ThumbTrack : ThumbPosition, sliderPosition());
        break;
    default:
        break;
    }
}

void FlatBar::mousePressEvent(QMouseEvent *event) {
    QScrollBar::mousePressEvent(event);
    m_scrolling = event->isAccepted();
}

// Letting go of the bar ends the scroll: a released thumb reports so first.
void FlatBar::mouseReleaseEvent(QMouseEvent *event) {
    const bool dragged = isSliderDown();
    QScrollBar::mouseReleaseEvent(event);
    if (!m_scrolling || event->buttons() != Qt::NoButton)
        return;
    m_scrolling = false;
    if (dragged)
        emit scrollRequested(ThumbPosition, sliderPosition());
    emit scrollRequested(EndScroll, 0);
}

// The wheel belongs to the window under the bar, which may not scroll at all.
void FlatBar::wheelEvent(QWheelEvent *event) {
    event->ignore();
}

} // namespace imprimata
