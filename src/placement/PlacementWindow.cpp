#include "PlacementWindow.h"

#include "MarkStamping.h"
#include "Version.h"
#include "platform/Numeric.h"
#include "platform/ScreenUnits.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <algorithm>

namespace imprimata {

namespace {
// The mark view's designed place and size, and the window's designed client size, in twips.
constexpr int ViewLeft = 83, ViewTop = 75, ViewWidth = 2415, ViewHeight = 1095;
constexpr int ClientWidth = 2580, ClientHeight = 1230;

// Moves a start coordinate so that a length from it lies within [low, high), as far as it fits;
// too long, it starts at low.
int within(int start, int length, int low, int high) {
    return std::max(low, std::min(start, high - length));
}
} // namespace

QPoint defaultPlacementPosition(const QRect &viewport, QSize window, const QRect &available) {
    const int x = viewport.left() + roundToInt((viewport.width() - window.width()) / 2.0);
    const int y = viewport.top() + roundToInt(viewport.height() * 0.8);
    return {within(x, window.width(), available.left(), available.left() + available.width()),
            within(y, window.height(), available.top(), available.top() + available.height())};
}

PlacementWindow::PlacementWindow(SharedState &state, PlacementHost &host)
    : QWidget(nullptr,
              Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      state_(state), host_(host) {
    setWindowTitle(QString::fromLatin1(ApplicationTitle));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::StrongFocus);
    setWindowOpacity(Opacity);
    setFixedSize(std::max(twipsToPixelsX(ClientWidth), titleWidth()), twipsToPixelsY(ClientHeight));

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
    hint = new QLabel(tr("New… defines a mark"), this);
    hint->setGeometry(picIM_[0]->geometry());
    hint->setAlignment(Qt::AlignCenter);
    hint->setWordWrap(true);
    hint->setAttribute(Qt::WA_TransparentForMouseEvents); // drags go to the window
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
    // The view's offset serves as an equal margin on both sides, and on the right whatever
    // the title needs more; a new size sends the window back to its default place
    // (resizeEvent), an unchanged one leaves it be.
    setFixedSize(std::max(view.width() + 2 * at.x(), titleWidth()), view.height() + 2 * at.y());
    hint->hide();

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

int PlacementWindow::titleWidth() const {
    // The desktop draws the title in its own font, mostly bold, between an icon and up to three
    // buttons it may add whatever the window asks, with padding between them all. The
    // application's font in bold and ten lines' height stand in for them: a common desktop's
    // frame cut the title below about eight and a half.
    QFont title = QApplication::font();
    title.setBold(true);
    const QFontMetrics metrics(title);
    return metrics.horizontalAdvance(windowTitle()) + 10 * metrics.height();
}

void PlacementWindow::moveToDefaultPosition() {
    const QRect viewport = host_.viewportOnScreen();
    const QScreen *on = QGuiApplication::screenAt(viewport.center());
    if (!on)
        on = screen();
    move(defaultPlacementPosition(viewport, frameGeometry().size(), on->availableGeometry()));
    defaultPosition_ = pos();
}

void PlacementWindow::keepOnTop() {
    if (steppedAside_)
        return;
    // The main window may have been placed, moved or resized since the default was taken.
    if (defaultPosition_ && pos() == *defaultPosition_)
        moveToDefaultPosition();
    if (!isVisible())
        show();
    // The offscreen platform used by tests has no stacking order to change.
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        raise();
}

void PlacementWindow::modalDialogsOpened() {
    steppedAside_ = true;
    shownBeforeDialogs_ = isVisible();
    hide();
}

void PlacementWindow::modalDialogsClosed() {
    steppedAside_ = false;
    if (shownBeforeDialogs_)
        keepOnTop();
}

bool PlacementWindow::nudge(int key, Qt::KeyboardModifiers modifiers) {
    const Qt::KeyboardModifiers held = modifiers & ~Qt::KeypadModifier;
    if (held != Qt::NoModifier && held != Qt::ShiftModifier)
        return false;
    const int step = held == Qt::ShiftModifier ? ShiftNudgeStep : NudgeStep;
    QPoint by;
    switch (key) {
    case Qt::Key_Left:
        by = {-step, 0};
        break;
    case Qt::Key_Right:
        by = {step, 0};
        break;
    case Qt::Key_Up:
        by = {0, -step};
        break;
    case Qt::Key_Down:
        by = {0, step};
        break;
    default:
        return false;
    }
    dragTo(pos() + by);
    return true;
}

void PlacementWindow::dragTo(QPoint position) {
    move(position);
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
    if (!handleShortcut(event->key(), event->modifiers()) &&
        !nudge(event->key(), event->modifiers()))
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
        dragTo(event->globalPosition().toPoint() - dragOffset_);
}

} // namespace imprimata
