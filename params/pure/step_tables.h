// Per-model step tables of the performance options: which byte value each step "1".."3" of
// D-Gain, Dead Zone and P-Gain stands for.
#pragma once

#include <array>
#include <cstdint>

namespace verrano {

// Servo model codes.
namespace model {
constexpr int Tavrik = 0;
constexpr int Bellun = 1;
constexpr int Quorrin = 2;
constexpr int Dimmar = 3;
constexpr int Count = 4;
} // namespace model

struct StepTable {
    std::array<uint8_t, 3> dgain;
    std::array<uint8_t, 3> deadzone;
    std::array<uint8_t, 3> pgain;
    std::array<uint8_t, 3> companion;
};

// The table of a model code, or nullptr for a code that names no model.
const StepTable* StepTableFor(int motorType);

// The step index (0, 1, 2) a byte shows as: step "1" when it equals the step-1 value, else step
// "3" when it equals the step-3 value, else step "2" (also for bytes that match no step).
int ShownStepIndex(const std::array<uint8_t, 3>& values, uint8_t byte);

} // namespace verrano
