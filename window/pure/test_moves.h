// Arithmetic of the test moves: position buttons, Repeat angle texts and their targets.
#pragma once

#include <optional>
#include <string_view>

namespace verrano {

// A text that reads as a decimal number, optionally signed, with a fraction, blanks around it
// allowed. Empty or anything else gives nothing.
std::optional<double> ParseNumeric(std::string_view text);

struct RepeatTargets {
    int left;  // 1500 - 10 * a0
    int right; // 1500 + 10 * a1
};

// Both texts numeric and, rounded half to even, within -90..90 degrees: the two targets.
std::optional<RepeatTargets> RepeatTargetsFor(std::string_view leftText,
                                              std::string_view rightText);

} // namespace verrano
