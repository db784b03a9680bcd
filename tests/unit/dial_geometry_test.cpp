// Tests of the dial's angle functions, point function and needle angle rules.
#include "window/pure/dial_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace verrano;

namespace {
constexpr std::array<int, 2> kCentre{kDialCentreX, kDialCentreY};

void ExpectPoint(double angle, double x, double y, double tol = 1e-9) {
    const PolarResult p = PolarPoint(kCentre, angle, kDialRadius);
    ASSERT_TRUE(p.has_value()) << angle;
    EXPECT_NEAR((*p)[0], x, tol) << angle;
    EXPECT_NEAR((*p)[1], y, tol) << angle;
    EXPECT_EQ((*p)[2], 0.0);
}
} // namespace

TEST(DialGeometry, AngleConstants) {
    CAL::InitAngleConstants();
    EXPECT_EQ(CAL::Pi, 4 * std::atan(1.0));
    EXPECT_EQ(CAL::DegToRad(180), CAL::Pi);
    EXPECT_EQ(CAL::DegToRad(0), 0.0);
    EXPECT_NEAR(CAL::CosDeg(60), 0.5, 1e-15);
    EXPECT_NEAR(CAL::SinDeg(30), 0.5, 1e-15);
}

TEST(DialGeometry, PolarPoints) {
    CAL::InitAngleConstants();
    ExpectPoint(270, 1110, 285, 1e-9);
    ExpectPoint(360, 2110, 1285);
    ExpectPoint(180, 110, 1285);
    ExpectPoint(365, 2106.195, 1372.156, 1e-3);
    ExpectPoint(-90, 1110, 285);
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(PolarPoint(kCentre, inf, 1000).has_value());
    EXPECT_FALSE(PolarPoint(kCentre, std::nan(""), 1000).has_value());
    EXPECT_FALSE(PolarPoint(kCentre, 0, inf).has_value());
}

TEST(DialGeometry, NeedleAnglesRoundHalfToEven) {
    EXPECT_EQ(LimitTravel(170), 1000);
    EXPECT_EQ(LimitTravel(180), 950);
    EXPECT_EQ(LimitTravel(200), 850);
    EXPECT_EQ(LimitTravel(230), 700);
    // Limit 199: p = 855; 355.5 -> 356 and 184.5 -> 184.
    EXPECT_EQ(RightLimitAngle(199), 356);
    EXPECT_EQ(LeftLimitAngle(199), 184);
    EXPECT_EQ(RightLimitAngle(230), 340);
    EXPECT_EQ(RightLimitAngle(170), 370);
    EXPECT_EQ(LeftLimitAngle(230), 200);
    EXPECT_EQ(LeftLimitAngle(170), 170);
    EXPECT_EQ(RightLimitAngle(190), 360);
    EXPECT_EQ(LeftLimitAngle(190), 180);
    EXPECT_EQ(RightLimitAngle(180), 365);
    EXPECT_EQ(LeftLimitAngle(180), 175);
    // Centre: 270.5 and 269.5 both go to 270.
    EXPECT_EQ(ZeroAngle(10), 270);
    EXPECT_EQ(ZeroAngle(-10), 270);
    EXPECT_EQ(ZeroAngle(30), 272);
    EXPECT_EQ(ZeroAngle(-30), 268);
    EXPECT_EQ(ZeroAngle(-200), 260);
    EXPECT_EQ(ZeroAngle(200), 280);
    // Test needle.
    EXPECT_EQ(TestAngle(600), -180);
    EXPECT_EQ(TestAngle(1500), -90);
    EXPECT_EQ(TestAngle(2400), 0);
    EXPECT_EQ(TestAngle(1505), -90);
    EXPECT_EQ(TestAngle(1515), -88);
    EXPECT_EQ(TestAngle(1950), -45);
}
