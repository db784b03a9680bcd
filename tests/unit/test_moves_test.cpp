// Tests of the Repeat angle texts and the swing targets.
#include "window/pure/test_moves.h"

#include <gtest/gtest.h>

using namespace verrano;

TEST(TestMoves, NumericTexts) {
    EXPECT_EQ(ParseNumeric("45"), 45.0);
    EXPECT_EQ(ParseNumeric("  -45 "), -45.0);
    EXPECT_EQ(ParseNumeric("+4.5"), 4.5);
    EXPECT_EQ(ParseNumeric(".5"), 0.5);
    EXPECT_EQ(ParseNumeric("5."), 5.0);
    for (const char* bad : {"", " ", "abc", "4 5", "1e2", "--1", "+", ".", "1.2.3", "0x10", "4,5"})
        EXPECT_EQ(ParseNumeric(bad), std::nullopt) << bad;
}

TEST(TestMoves, RepeatTargets) {
    const auto def = RepeatTargetsFor("45", "45");
    ASSERT_TRUE(def);
    EXPECT_EQ(def->left, 1050);
    EXPECT_EQ(def->right, 1950);
    const auto same = RepeatTargetsFor("-45", "45");
    ASSERT_TRUE(same);
    EXPECT_EQ(same->left, 1950);
    EXPECT_EQ(same->right, 1950);
    const auto zero = RepeatTargetsFor("0", "0");
    ASSERT_TRUE(zero);
    EXPECT_EQ(zero->left, 1500);
    EXPECT_EQ(zero->right, 1500);
    // Halves go to the even neighbour.
    EXPECT_EQ(RepeatTargetsFor("45.5", "0")->left, 1040);
    EXPECT_EQ(RepeatTargetsFor("44.5", "0")->left, 1060);
    // The ends of travel are allowed; anything beyond, or not numeric, is refused.
    const auto ends = RepeatTargetsFor("90", "-90");
    ASSERT_TRUE(ends);
    EXPECT_EQ(ends->left, 600);
    EXPECT_EQ(ends->right, 600);
    EXPECT_TRUE(RepeatTargetsFor("90.5", "0")); // 90.5 rounds to 90
    EXPECT_FALSE(RepeatTargetsFor("91", "0"));
    EXPECT_FALSE(RepeatTargetsFor("0", "-90.6"));
    EXPECT_FALSE(RepeatTargetsFor("100000", "0"));
    EXPECT_FALSE(RepeatTargetsFor("", "45"));
    EXPECT_FALSE(RepeatTargetsFor("45", "abc"));
}
