// Angle functions and needle rules of the position dial, in twips of the dial picture box.
#pragma once

#include <array>
#include <optional>

namespace verrano {

namespace CAL {
extern double Pi;
void InitAngleConstants(); // Pi = 4 * atan(1)
double CosDeg(double deg); // cos(deg / 180 * Pi)
double SinDeg(double deg);
double DegToRad(double deg);
} // namespace CAL

// Point (x, y, z) at angleDeg and dist from base (x, y); z is always 0. Empty when the result
// is not finite.
using PolarResult = std::optional<std::array<double, 3>>;
PolarResult PolarPoint(std::array<int, 2> base, double angleDeg, double dist);

constexpr int kDialCentreX = 1110;
constexpr int kDialCentreY = 1285;
constexpr int kDialRadius = 1000;

// Limit travel p = (200 - v) * 5 + 850, in 16-bit arithmetic.
int LimitTravel(int limitValue);

// Needle angles in whole degrees (as doubles), halves to even.
double LeftLimitAngle(int limitValue);  // round(270 - p / 10)
double RightLimitAngle(int limitValue); // round(270 + p / 10)
double ZeroAngle(int zeroValue);        // round(270 + v / 20)
double TestAngle(int position);         // 180 - round((2400 - s) / 10 + 180)

} // namespace verrano
