#pragma once

#include "MenuCommands.h"

#include "mark/MarkSettings.h"
#include "platform/DialogService.h"
#include "platform/PictureBox.h"
#include "platform/Result.h"
#include "render/Stamp.h"

#include <QPoint>
#include <QWidget>
#include <array>
#include <optional>

class QLabel;

namespace imprimata {

// What the placement window needs of the main window: where its viewport lies and its
// menu commands, which the placement window's shortcuts run.
class PlacementHost {
public:
    virtual ~PlacementHost() = default;
    // The viewport's rectangle in screen pixels.
    virtual QRect viewportOnScreen() const = 0;
    virtual bool menuEnabled(FileMenu command) const = 0;
    virtual bool menuEnabled(MarkMenu command) const = 0;
    virtual void runCommand(FileMenu command) = 0;
    virtual void runCommand(MarkMenu command) = 0;
};

// Where the placement window of the given outer size goes by default: centred across the
// viewport, its top at four fifths of the viewport's height (halves to even), and moved onto
// the screen's available area as far as it fits. All in screen pixels.
QPoint defaultPlacementPosition(const QRect &viewport, QSize window, const QRect &available);

// The small always-on-top, semi-transparent window that shows the mark at its natural
// size. Its four pictures share one place and size: the visible mark view PicIM(0) and
// three hidden work pictures the stamping routines draw on. It steps aside while the
// program shows a modal dialog, when the dialog service is given it as its watcher.
class PlacementWindow : public QWidget, public ModalDialogWatcher {
    Q_OBJECT
public:
    static constexpr double Opacity = 120.0 / 255.0;
    // The arrow keys move the window by these many pixels, without and with Shift.
    static constexpr int NudgeStep = 1;
    static constexpr int ShiftNudgeStep = 10;

    PlacementWindow(SharedState &state, PlacementHost &host);

    PictureBox &PicIM(int index) { return *picIM_.at(static_cast<std::size_t>(index)); }

    // Clears the four pictures and gives them the mark's font and colour.
    void ResetPlacementPictures();
    // Sizes the pictures and the window to the mark and draws the mark into the view. Fails
    // when the mark's picture cannot be read: the view then stays empty.
    Result<void> FitPlacementToMark();
    // Both, as the mark commands call them.
    Result<void> RefreshPlacement();
    // The four pictures as the stamping routines take them.
    PlacementSurfaces surfaces();

    // To defaultPlacementPosition over the viewport, on the screen the viewport is on. Until
    // the window is moved from there, it follows the viewport (keepOnTop).
    void moveToDefaultPosition();
    bool atDefaultPosition() const { return defaultPosition_ && pos() == *defaultPosition_; }
    // Shows the window above all others without taking the focus; not while a modal dialog
    // is open.
    void keepOnTop();
    // Runs the main window's command for a shortcut; false when the key has none.
    bool handleShortcut(int key, Qt::KeyboardModifiers modifiers);
    // Moves the window by the arrow key's step; false for other keys.
    bool nudge(int key, Qt::KeyboardModifiers modifiers);

    // ModalDialogWatcher: hidden while dialogs are open, back where it was afterwards.
    void modalDialogsOpened() override;
    void modalDialogsClosed() override;
    bool steppedAside() const { return steppedAside_; }

    // Says how to define a mark while there is none.
    QLabel *hint = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    // Every move the user makes, by mouse or key.
    void dragTo(QPoint position);
    // Wide enough for the title not to be cut, whatever the mark's size.
    int titleWidth() const;

    SharedState &state_;
    PlacementHost &host_;
    std::array<PictureBox *, 4> picIM_{};
    QPoint dragOffset_;
    std::optional<QPoint> defaultPosition_; // where the last default placing put the window
    bool steppedAside_ = false;
    bool shownBeforeDialogs_ = false;
};

} // namespace imprimata
