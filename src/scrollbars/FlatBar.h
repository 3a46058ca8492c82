#pragma once

#include <QScrollBar>
#include <QStyle>

namespace imprimata {

// Scroll requests a bar delivers to its window, numbered as the window's scroll messages are.
enum ScrollRequest : int {
    LineUp = 0,
    LineDown = 1,
    PageUp = 2,
    PageDown = 3,
    ThumbPosition = 4, // thumb released
    ThumbTrack = 5,    // thumb being dragged; carries the dragged position
    ScrollTop = 6,
    ScrollBottom = 7,
    EndScroll = 8,
};

enum BarStyle : int { RegularBarStyle = 0, EncartaBarStyle = 1, FlatBarStyle = 2 };

// Thumb lengths a bar has when its thumbs do not follow the range.
constexpr int DefaultHorizontalThumb = 10;
constexpr int DefaultVerticalThumb = 9;

// A scroll bar whose thumb length is set in pixels and which leaves the new position to its
// owner: every user action is reported as a scroll request, and the owner sets the value.
class FlatBar : public QScrollBar {
    Q_OBJECT

public:
    FlatBar(Qt::Orientation orientation, QWidget *parent);

    int thumbSize() const { return m_thumbSize; }
    void setThumbSize(int pixels);
    int barStyle() const { return m_barStyle; }
    void setBarStyle(int style);

    // Where the style puts one part of the bar, in the bar's coordinates.
    QRect controlRect(QStyle::SubControl control) const;

signals:
    void scrollRequested(int request, int trackPosition);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    void onAction(int action);

    int m_thumbSize;
    int m_barStyle = RegularBarStyle;
    bool m_scrolling = false;
};

} // namespace imprimata
