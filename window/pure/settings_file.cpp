// Writes and reads the system settings file, replacing values it cannot take by safe defaults.
#include "window/pure/settings_file.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "params/pure/param_file.h"
#include "window/pure/string_table.h"
#include "window/pure/test_moves.h"

namespace verrano {

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
               return lower(x) == lower(y);
           });
}

std::optional<bool> TakeTruth(std::string_view text) {
    text = Trim(text);
    if (EqualsNoCase(text, "True")) return true;
    if (EqualsNoCase(text, "False")) return false;
    if (const auto number = ParseNumeric(text)) return *number != 0;
    return std::nullopt;
}

std::optional<int> TakeNumber(std::string_view text, int min, int max) {
    const auto number = StrictNumber(text);
    if (!number || *number < min || *number > max) return std::nullopt;
    return number;
}

const char* TruthText(bool value) {
    return value ? "True" : "False";
}

} // namespace

SystemSettings DefaultSystemSettings() {
    return SystemSettings{};
}

std::string FormatSystemSettings(const SystemSettings& s) {
    std::string text;
    text += QuotedLine(std::to_string(s.portIndex));
    text += QuotedLine(TruthText(s.timeHigh));
    text += QuotedLine(TruthText(s.timeMid));
    text += QuotedLine(TruthText(s.timeLow));
    text += QuotedLine(std::to_string(s.ctrlMode));
    text += QuotedLine(std::to_string(s.ctrlServoPort));
    text += QuotedLine(std::to_string(s.motorType));
    return text;
}

SettingsParse ParseSystemSettings(std::string_view text) {
    // An editor that saves UTF-8 may put a byte-order mark first; it is no part of line 1.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark)
        text.remove_prefix(kByteOrderMark.size());
    const std::vector<std::string> fields = ReadFields(text);
    const SystemSettings defaults = DefaultSystemSettings();
    SettingsParse result;
    SystemSettings& s = result.settings;

    // Missing lines read as empty (0 / False), as the file's readers always have; a present value
    // that can't be taken falls back to that line's default so start-up never fails on it.
    const auto present = [&](int line) { return static_cast<int>(fields.size()) >= line; };
    const auto replaced = [&](int line) { result.replacedLines.push_back(line); };
    const auto number = [&](int line, int min, int max, int fallback) {
        if (!present(line)) return 0;
        if (const auto v = TakeNumber(fields[line - 1], min, max)) return *v;
        replaced(line);
        return fallback;
    };
    const auto truth = [&](int line, bool fallback) {
        if (!present(line)) return false;
        if (const auto v = TakeTruth(fields[line - 1])) return *v;
        replaced(line);
        return fallback;
    };

    s.portIndex = number(1, -1, 15, defaults.portIndex);
    std::array<bool, 3> timing{truth(2, defaults.timeHigh), truth(3, defaults.timeMid),
                               truth(4, defaults.timeLow)};
    // Any route byte but 0 means the controller route; the handler then records it as 1.
    s.ctrlMode = number(5, 0, 255, defaults.ctrlMode);
    s.ctrlServoPort = number(6, 0, 23, defaults.ctrlServoPort);
    s.motorType = number(7, 0, 255, defaults.motorType);

    // The three classes are one exclusive group applied in line order, so the last "True" wins.
    int chosen = -1;
    for (int i = 0; i < 3; ++i)
        if (timing[i]) chosen = i;
    if (chosen < 0) {
        chosen = 1; // "Mid": without a class the transfers would have no pacing period
        result.timingFallback = true;
    }
    s.timeHigh = chosen == 0;
    s.timeMid = chosen == 1;
    s.timeLow = chosen == 2;
    return result;
}

} // namespace verrano
