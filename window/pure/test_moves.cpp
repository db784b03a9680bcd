// Reads the Repeat angle texts and turns them into the left and right swing targets.
#include "window/pure/test_moves.h"

#include <charconv>
#include <cmath>
#include <string>

#include "window/pure/rounding.h"

namespace verrano {

namespace {
bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
} // namespace

std::optional<double> ParseNumeric(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // digits [ '.' digits ], either side may be empty but not both; nothing else.
    std::size_t digits = 0;
    std::size_t dots = 0;
    for (char c : text) {
        if (IsDigit(c))
            ++digits;
        else if (c == '.')
            ++dots;
        else
            return std::nullopt;
    }
    if (digits == 0 || dots > 1) return std::nullopt;
    // from_chars is locale-independent, unlike strtod, so "1.5" reads the same everywhere.
    std::string body(text);
    if (body.front() == '.') body.insert(body.begin(), '0');
    double value = 0;
    const auto [ptr, ec] = std::from_chars(body.data(), body.data() + body.size(), value);
    if (ec != std::errc{} || ptr != body.data() + body.size() || !std::isfinite(value))
        return std::nullopt;
    return negative ? -value : value;
}

std::optional<RepeatTargets> RepeatTargetsFor(std::string_view leftText,
                                              std::string_view rightText) {
    const auto left = ParseNumeric(leftText);
    const auto right = ParseNumeric(rightText);
    if (!left || !right) return std::nullopt;
    const double a0 = RoundHalfEven(*left);
    const double a1 = RoundHalfEven(*right);
    // Beyond 90 degrees a target leaves the slider's 600..2400 and the servo's travel.
    if (a0 < -90 || a0 > 90 || a1 < -90 || a1 > 90) return std::nullopt;
    return RepeatTargets{1500 - 10 * static_cast<int>(a0), 1500 + 10 * static_cast<int>(a1)};
}

} // namespace verrano
