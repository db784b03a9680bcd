// Angle functions of the position dial and the rules that turn trim and slider values into
// needle angles.
#include "window/pure/dial_geometry.h"

#include <cmath>

#include "window/pure/rounding.h"

namespace verrano {

namespace CAL {
// Set at load as well, so a needle placed before InitAngleConstants still lands right.
double Pi = 4.0 * std::atan(1.0);

void InitAngleConstants() {
    Pi = 4.0 * std::atan(1.0);
}

// Dividing by 180 before multiplying by Pi keeps results identical to the dial's historic ones.
double DegToRad(double deg) {
    return deg / 180.0 * Pi;
}
double CosDeg(double deg) {
    return std::cos(deg / 180.0 * Pi);
}
double SinDeg(double deg) {
    return std::sin(deg / 180.0 * Pi);
}
} // namespace CAL

PolarResult PolarPoint(std::array<int, 2> base, double angleDeg, double dist) {
    const double x = base[0] + dist * CAL::CosDeg(angleDeg);
    const double y = base[1] + dist * CAL::SinDeg(angleDeg);
    if (!std::isfinite(x) || !std::isfinite(y)) return std::nullopt;
    return std::array<double, 3>{x, y, 0.0};
}

// Callers pass limit values 170..230, well inside 16 bits either way.
int LimitTravel(int limitValue) {
    return (200 - limitValue) * 5 + 850;
}

double LeftLimitAngle(int limitValue) {
    return RoundHalfEven(270.0 - LimitTravel(limitValue) / 10.0);
}

double RightLimitAngle(int limitValue) {
    return RoundHalfEven(270.0 + LimitTravel(limitValue) / 10.0);
}

double ZeroAngle(int zeroValue) {
    return RoundHalfEven(270.0 + zeroValue / 20.0);
}

double TestAngle(int position) {
    return 180.0 - RoundHalfEven((2400 - position) / 10.0 + 180.0);
}

} // namespace verrano
