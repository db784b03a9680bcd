// Fuzzes the settings file reader and checks that what it yields writes and reads back stably.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "window/pure/settings_file.h"

using namespace verrano;

namespace {
bool Same(const SystemSettings& a, const SystemSettings& b) {
    return a.portIndex == b.portIndex && a.timeHigh == b.timeHigh && a.timeMid == b.timeMid &&
           a.timeLow == b.timeLow && a.ctrlMode == b.ctrlMode &&
           a.ctrlServoPort == b.ctrlServoPort && a.motorType == b.motorType;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const SettingsParse r = ParseSystemSettings(text);
    const SystemSettings& s = r.settings;
    if (s.portIndex < -1 || s.portIndex > 15) std::abort();
    if (s.ctrlMode < 0 || s.ctrlMode > 255) std::abort();
    if (s.ctrlServoPort < 0 || s.ctrlServoPort > 23) std::abort();
    if (s.motorType < 0 || s.motorType > 255) std::abort();
    if (int{s.timeHigh} + int{s.timeMid} + int{s.timeLow} != 1) std::abort();
    for (int line : r.replacedLines)
        if (line < 1 || line > 7) std::abort();

    const std::string written = FormatSystemSettings(s);
    const SettingsParse back = ParseSystemSettings(written);
    if (!Same(back.settings, s) || !back.replacedLines.empty() || back.timingFallback) std::abort();
    if (FormatSystemSettings(back.settings) != written) std::abort();
    return 0;
}
