#pragma once

#include <cmath>
#include <limits>
#include <stdexcept>

namespace imprimata {

// Every conversion to an integer in this program rounds to nearest, halves to even.
inline long long roundHalfEven(double value) {
    const double r = std::nearbyint(value); // default rounding mode is to-nearest-even
    return static_cast<long long>(r);
}

inline int roundToInt(double value) {
    const long long r = roundHalfEven(value);
    if (r > std::numeric_limits<int>::max() || r < std::numeric_limits<int>::min())
        throw std::overflow_error("Overflow");
    return static_cast<int>(r);
}

} // namespace imprimata
