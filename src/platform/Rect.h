#pragma once

namespace imprimata {

// Screen or picture rectangle in pixels; right and bottom are exclusive.
struct ScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    friend bool operator==(const ScreenRect &, const ScreenRect &) = default;
};

bool isRectEmpty(const ScreenRect &r);
// The largest rectangle inside both, or the all-zero rectangle when they do not overlap.
ScreenRect intersectRect(const ScreenRect &a, const ScreenRect &b);
bool ptInRect(const ScreenRect &r, int x, int y);
ScreenRect shrunk(const ScreenRect &r, int by);

} // namespace imprimata
