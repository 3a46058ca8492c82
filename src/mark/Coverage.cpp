#include "Coverage.h"

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

QString coverageWarning(Coverage coverage) {
    switch (coverage) {
    case Coverage::None:
        return QString::fromLatin1(NoCrossingMessage);
    case Coverage::Partial:
        return QString::fromLatin1(NotWithinImageMessage);
    case Coverage::Whole:
        break;
    }
    return {};
}

} // namespace imprimata
