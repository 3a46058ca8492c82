#include "Rect.h"

#include <algorithm>

namespace imprimata {

bool isRectEmpty(const ScreenRect &r) {
    return r.right <= r.left || r.bottom <= r.top;
}

ScreenRect intersectRect(const ScreenRect &a, const ScreenRect &b) {
    const ScreenRect i{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                       std::min(a.bottom, b.bottom)};
    return isRectEmpty(i) ? ScreenRect{} : i;
}

bool ptInRect(const ScreenRect &r, int x, int y) {
    return r.left <= x && x < r.right && r.top <= y && y < r.bottom;
}

ScreenRect shrunk(const ScreenRect &r, int by) {
    return {r.left + by, r.top + by, r.right - by, r.bottom - by};
}

} // namespace imprimata
