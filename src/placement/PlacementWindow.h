#pragma once

#include "MenuCommands.h"

#include "mark/MarkSettings.h"
#include "platform/PictureBox.h"
#include "platform/Result.h"
#include "render/Stamp.h"

#include <QPoint>
#include <QWidget>
#include <array>

namespace imprimata {

// What the placement window needs of the main window: where its viewport lies and its
// menu commands, which the placement window's shortcuts run.
class PlacementHost {
public:
    virtual ~PlacementHost() = default;
    // The viewport's left, top, width and height in the main window's pixels.
    virtual QRect picFrameGeometry() const = 0;
    virtual bool menuEnabled(FileMenu command) const = 0;
    virtual bool menuEnabled(MarkMenu command) const = 0;
    virtual void runCommand(FileMenu command) = 0;
    virtual void runCommand(MarkMenu command) = 0;
};

// The small always-on-top, semi-transparent window that shows the mark at its natural
// size. Its four pictures share one place and size: the visible mark view PicIM(0) and
// three hidden work pictures the stamping routines draw on.
class PlacementWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr double Opacity = 120.0 / 255.0;

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

    // Centred over the viewport, at four fifths of its height.
    void moveToDefaultPosition();
    // Shows the window above all others without taking the focus.
    void keepOnTop();
    // Runs the main window's command for a shortcut; false when the key has none.
    bool handleShortcut(int key, Qt::KeyboardModifiers modifiers);

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    SharedState &state_;
    PlacementHost &host_;
    std::array<PictureBox *, 4> picIM_{};
    QPoint dragOffset_;
};

} // namespace imprimata
