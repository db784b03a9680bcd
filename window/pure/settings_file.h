// The system settings file "zosys.dat": seven quoted lines (port index, the three timing-class
// flags, route, controller port, servo model), its default content and a tolerant reader.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace verrano {

constexpr const char* kSettingsFileName = "zosys.dat";

struct SystemSettings {
    int portIndex = 0; // -1 (no port) or 0..15 for COM1..COM16
    bool timeHigh = false;
    bool timeMid = true;
    bool timeLow = false;
    int ctrlMode = 0;      // 0 direct, 1..255 controller
    int ctrlServoPort = 0; // 0..23
    int motorType = 0;     // 0..255; only 0..3 name a model
};

SystemSettings DefaultSystemSettings();

// Seven lines, each "value" CR LF; the defaults give 46 bytes.
std::string FormatSystemSettings(const SystemSettings& settings);

struct SettingsParse {
    SystemSettings settings;
    std::vector<int> replacedLines; // 1-based lines whose value could not be taken
    bool timingFallback = false;    // no timing class was "True": "Mid" was chosen
};

// Missing lines count as empty (0, or False for the timing lines). A present value that can't be
// taken is replaced by that line's default and listed. With no timing class True, "Mid" is set.
SettingsParse ParseSystemSettings(std::string_view text);

} // namespace verrano
