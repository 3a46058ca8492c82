#pragma once

#include <QObject>
#include <QPointer>

#include <optional>
#include <vector>

class QKeyEvent;
class QWheelEvent;
class QWidget;

namespace imprimata {

class FlatBar;

// Bar selector of the scroll bar operations.
enum ScrollBarSelector : int { HorizontalBar = 0, VerticalBar = 1, BothBars = 3 };

// uMsg and iType of FlatSB_Event.
enum FlatScrollMessage : int { ScrollNotification = 0, MouseMoveNotification = 1 };
enum FlatScrollType : int { NoScrollType = 0, HorizontalScroll = 1, VerticalScroll = 2 };

// Receives every scroll and every mouse move on a window that has flat scroll bars.
class FlatScrollEventSink {
public:
    virtual ~FlatScrollEventSink() = default;
    virtual void FlatSB_Event(int uMsg, QWidget *hWnd, int iType, int currPos) = 0;
};

// What the module keeps for one attached window.
struct FlatScrollEntry {
    QWidget *window = nullptr;
    bool proportional = true;
    int horizontalSmallStep = 1;
    int verticalSmallStep = 1;
    int horizontalLargeStep = 10;
    int verticalLargeStep = 10;
};

// The messages a window with flat scroll bars acts on.
enum class WindowMessage { HorizontalScroll, VerticalScroll, MouseMove };

// Gives windows scroll bars along their right and bottom edges, moves the bars on the user's
// requests and reports every scroll to the event sink. Requests come from the bars, from the
// wheel over the window or its bars (Shift turns it sideways), and from the arrow, page, Home
// and End keys while the window has the focus, which a click gives it.
class FlatScrollBars : public QObject {
    Q_OBJECT

public:
    explicit FlatScrollBars(QObject *parent = nullptr);
    ~FlatScrollBars() override;

    void AttachFlatScrollBars(QWidget *window);
    void DetachFlatScrollBars(QWidget *window);
    // The sink must stay alive until it is replaced or the module is gone.
    void SetEventSink(FlatScrollEventSink *sink);
    void SetBarStyle(QWidget *window, int bar, int style);
    void SetThumbSize(QWidget *window, int bar, int size);
    int GetScrollCx(QWidget *window, int bar) const;
    int GetScrollCy(QWidget *window, int bar) const;
    int GetScrollMin(QWidget *window, int bar) const;
    int GetScrollMax(QWidget *window, int bar) const;
    void SetScrollMax(QWidget *window, int bar, int maximum);
    int GetScrollPosition(QWidget *window, int bar) const;
    void SetScrollPosition(QWidget *window, int bar, int position);
    void SetProportionalThumbs(QWidget *window, bool flag);
    void SetHorizontalLargeChange(QWidget *window, int step);
    void SetVerticalLargeChange(QWidget *window, int step);
    void ShowBar(QWidget *window, int bar, bool show);

    // One message to an attached window: a scroll request (with the dragged position for a
    // thumb being dragged) or a mouse move. The bars' own actions arrive here too.
    void FlatScrollWindowProc(QWidget *window, WindowMessage message, int request = 0,
                              int trackPosition = 0);

    int entryCount() const { return static_cast<int>(m_table.size()); }
    std::optional<FlatScrollEntry> entry(const QWidget *window) const;
    // The window's horizontal (0) or vertical (1) bar, or null.
    FlatBar *scrollBar(const QWidget *window, int bar) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Attached {
        FlatScrollEntry entry;
        QPointer<FlatBar> horizontal;
        QPointer<FlatBar> vertical;
        QPointer<QWidget> corner; // the square between the two bars
        bool hadMouseTracking = false;
        Qt::FocusPolicy focusPolicy = Qt::NoFocus;
        // Wheel turns not yet a whole step, per bar, in 1/8 degree times steps per notch.
        int wheelRest[2] = {0, 0};
    };

    int FindEntry(const QObject *window) const;
    // The entry whose window, or one of whose bars, is the object.
    int FindEntryOf(const QObject *object) const;
    void UpdateThumbSize(QWidget *window, int bar, int maximum, int minimum);
    FlatBar *makeBar(QWidget *window, Qt::Orientation orientation);
    void layOutBars(const Attached &attached) const;
    // True when the bar can move, so a wheel or key scrolling it has something to do.
    bool scrollable(const QWidget *window, int bar) const;
    // One request to the window's bar if it can move; false when it cannot.
    bool scrollBy(QWidget *window, int bar, int request);
    bool wheel(QWidget *window, const QWheelEvent &event);
    bool key(QWidget *window, const QKeyEvent &event);
    void forgetWindow(QObject *window);

    std::vector<Attached> m_table;
    FlatScrollEventSink *m_sink = nullptr;
};

} // namespace imprimata
