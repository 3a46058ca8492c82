#include "Insert.h"

#include "MarkStamping.h"
#include "Overlap.h"
#include "PlacementWindow.h"
#include "platform/WindowRect.h"

#include <QCoreApplication>

namespace imprimata {

namespace {
QPoint screenOrigin(const QWidget &w) {
    return w.mapToGlobal(QPoint(0, 0));
}
} // namespace

QString incompleteMarkReason(const MarkSettings &mark) {
    if (mark.isComplete()) {
        // A view of two pixels or less is all rim: nothing of it could be stamped.
        if (const QSize view = markViewSize(mark); view.width() <= 2 || view.height() <= 2)
            return QCoreApplication::translate("imprimata",
                                               "The mark has no size, so there is nothing to "
                                               "insert. Give it a size with New or Edit.");
        return {};
    }
    switch (mark.MarkType) {
    case TextMark:
        return QCoreApplication::translate("imprimata",
                                           "The mark has no text, so there is nothing to insert. "
                                           "Give it a text with New or Edit.");
    case ImageMark:
        return QCoreApplication::translate("imprimata",
                                           "The mark has no picture, so there is nothing to "
                                           "insert. Choose one with New or Edit.");
    default:
        return QCoreApplication::translate("imprimata",
                                           "The mark is of a kind this version cannot draw "
                                           "(type %1), so nothing was inserted.")
            .arg(mark.MarkType);
    }
}

QRect InsertMarkAtPlacement(PictureBox &Pic, PlacementWindow &placement, const QWidget &picFrame,
                            const SharedState &state, DialogService &dialogs, QImage *covered) {
    // A "successful" Insert of nothing would still enable Undo and move the window away.
    if (!state.CurrentMark.isComplete())
        return {};
    PictureBox &view = placement.PicIM(0);
    ScreenRect target, source;
    ComputeOverlap(windowRect(&Pic), shrunk(windowRect(&view), 1), screenOrigin(Pic),
                   screenOrigin(view), target, source);
    if (isRectEmpty(target)) {
        dialogs.message(noCrossingText(), MessageIcon::Warning);
        return {};
    }
    const QRect stamped(target.left, target.top, target.width(), target.height());
    if (covered)
        *covered = Pic.surface().image().copy(stamped);
    stampMark(Pic.surface(), placement.surfaces(), state.CurrentMark, state.StepTable, target,
              source);
    Pic.refresh();
    MovePlacementAside(picFrame, placement);
    return stamped;
}

void MovePlacementAside(const QWidget &picFrame, QWidget &placement) {
    placement.move(asidePosition(windowRect(&picFrame), windowRect(&placement), placement.pos(),
                                 placement.frameGeometry().size()));
}

bool CaptureBackground(Surface &destination, const PictureBox &Pic, const ScreenRect &picture,
                       const ScreenRect &placement) {
    const CaptureGeometry g = captureGeometry(picture, placement, screenOrigin(Pic));
    if (!g.crossing)
        return false;
    blockCopy(destination.image(), g.destination.x(), g.destination.y(), g.block.width(),
              g.block.height(), Pic.surface().image(), g.source.x(), g.source.y());
    return true;
}

} // namespace imprimata
