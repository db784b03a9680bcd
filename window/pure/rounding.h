// Rounding to the nearest whole number with halves to the even neighbour, used wherever a double
// becomes a whole number (needle angles, Repeat angles, numeric ids).
#pragma once

#include <cfenv>
#include <cmath>

namespace verrano {

// Assumes the default rounding mode, which nothing in the program changes.
inline double RoundHalfEven(double value) {
    return std::nearbyint(value);
}

} // namespace verrano
