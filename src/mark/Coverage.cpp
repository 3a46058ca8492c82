#include "Coverage.h"

#include <QCoreApplication>

namespace imprimata {

Coverage coverage(const ScreenRect &picture, const ScreenRect &placement) {
    const ScreenRect i = intersectRect(picture, placement);
    if (isRectEmpty(i))
        return Coverage::None;
    const ScreenRect &p = placement;
    const bool cornerOutside = !ptInRect(i, p.left, p.top) || !ptInRect(i, p.left, p.bottom - 1) ||
                               !ptInRect(i, p.right - 1, p.bottom - 1) ||
                               !ptInRect(i, p.right - 1, p.top);
    return cornerOutside ? Coverage::Partial : Coverage::Whole;
}

QString noCrossingText() {
    return QCoreApplication::translate("imprimata", NoCrossingMessage);
}

QString notWithinImageText() {
    return QCoreApplication::translate("imprimata", NotWithinImageMessage);
}

QString coverageWarning(Coverage coverage) {
    switch (coverage) {
    case Coverage::None:
        return noCrossingText();
    case Coverage::Partial:
        return notWithinImageText();
    case Coverage::Whole:
        break;
    }
    return {};
}

} // namespace imprimata
