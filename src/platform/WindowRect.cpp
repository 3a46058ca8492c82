#include "WindowRect.h"

#include <QWidget>

namespace imprimata {

ScreenRect windowRect(const QWidget *w) {
    if (w->isWindow()) {
        const QRect f = w->frameGeometry();
        return {f.left(), f.top(), f.left() + f.width(), f.top() + f.height()};
    }
    const QPoint o = w->mapToGlobal(QPoint(0, 0));
    return {o.x(), o.y(), o.x() + w->width(), o.y() + w->height()};
}

} // namespace imprimata
