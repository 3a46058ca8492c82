#include "PlacementWindow.h"

#include "MarkStamping.h"
#include "Version.h"
#include "platform/Numeric.h"
#include "platform/ScreenUnits.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>

namespace imprimata {

namespace {
// The mark view's designed place and size, and the window's designed client size, in twips.
constexpr int ViewLeft = 83, ViewTop = 75, ViewWidth = 2415, ViewHeight = 1095;
constexpr int ClientWidth = 2580, ClientHeight = 1230;
} // namespace

PlacementWindow::PlacementWindow(SharedState &state, PlacementHost &host)
    : QWidget(nullptr,
              Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      state_(state), host_(host) {
    setWindowTitle(QString::fromLatin1(ApplicationTitle));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::StrongFocus);
    setWindowOpacity(Opacity);
    setFixedSize(twipsToPixelsX(ClientWidth), twipsToPixelsY(ClientHeight));

    const auto designFont = makeFont(QStringLiteral("Microsoft Sans Serif"), 18, true, 204);
    for (std::size_t i = 0; i < picIM_.size(); ++i) {
        auto *box = new PictureBox(this, White);
        box->setGeometry(twipsToPixelsX(ViewLeft), twipsToPixelsY(ViewTop),
                         twipsToPixelsX(ViewWidth), twipsToPixelsY(ViewHeight));
        box->surface().setFont(designFont);
        box->surface().setForeColour(SystemWindowText);
        box->setFocusPolicy(Qt::NoFocus);
        box->setBorder(i == 0);
        box->setVisible(i == 0);
        picIM_[i] = box;
    }
}

void PlacementWindow::ResetPlacementPictures() {
    for (PictureBox *box : picIM_) {
        resetMarkSurface(box->surface(), state_.CurrentMark);
        box->refresh();
    }
}

Result<void> PlacementWindow::FitPlacementToMark() {
    const QSize view = markViewSize(state_.CurrentMark);
    const QPoint at = picIM_[0]->pos();
    for (PictureBox *box : picIM_)
        box->setGeometry(QRect(at, view));
    // The view's offset serves as an equal margin on both sides; a new size sends the
    // window back to its default place (resizeEvent), an unchanged one leaves it be.
    setFixedSize(view.width() + 2 * at.x(), view.height() + 2 * at.y());

    Result<void> drawn = drawMarkView(picIM_[0]->surface(), state_.CurrentMark);
    picIM_[0]->refresh();
    return drawn;
}

PlacementSurfaces PlacementWindow::surfaces() {
    return {picIM_[0]->surface(), picIM_[1]->surface(), picIM_[2]->surface(), picIM_[3]->surface()};
}

Result<void> PlacementWindow::RefreshPlacement() {
    ResetPlacementPictures();
    return FitPlacementToMark();
}

void PlacementWindow::moveToDefaultPosition() {
    // The viewport's own coordinates are taken as screen coordinates, as the main window
    // is maximised at the screen's origin.
    const QRect frame = host_.picFrameGeometry();
    const int x = roundToInt((frame.width() - frameGeometry().width()) / 2.0) + frame.left();
    const int y = roundToInt(frame.height() * 0.8);
    move(x, y);
}

void PlacementWindow::keepOnTop() {
    if (!isVisible())
        show();
    // The offscreen platform used by tests has no stacking order to change.
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        raise();
}

bool PlacementWindow::handleShortcut(int key, Qt::KeyboardModifiers modifiers) {
    // With Shift held only Shift+Insert counts; with Ctrl the letters, whatever Alt does.
    Qt::KeyboardModifiers wanted;
    if (modifiers & Qt::ShiftModifier)
        wanted = Qt::ShiftModifier;
    else if (modifiers & Qt::ControlModifier)
        wanted = Qt::ControlModifier;
    else
        return false;
    for (const MenuShortcut &shortcut : MenuShortcuts) {
        if (shortcut.keys.key() != key || shortcut.keys.keyboardModifiers() != wanted)
            continue;
        std::visit(
            [this](auto command) {
                if (host_.menuEnabled(command))
                    host_.runCommand(command);
            },
            shortcut.command);
        return true;
    }
    return false;
}

void PlacementWindow::closeEvent(QCloseEvent *event) {
    if (state_.PlacementCloseBlocked)
        event->ignore();
    else
        event->accept();
}

void PlacementWindow::keyPressEvent(QKeyEvent *event) {
    if (!handleShortcut(event->key(), event->modifiers()))
        QWidget::keyPressEvent(event);
}

void PlacementWindow::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    moveToDefaultPosition();
    keepOnTop();
}

void PlacementWindow::mousePressEvent(QMouseEvent *event) {
    // Dragging the body moves the window too, for desktops without a caption bar.
    dragOffset_ = event->globalPosition().toPoint() - pos();
}

void PlacementWindow::mouseMoveEvent(QMouseEvent *event) {
    if (event->buttons() & Qt::LeftButton)
        move(event->globalPosition().toPoint() - dragOffset_);
}

} // namespace imprimata
