// Per-model step values of D-Gain, Dead Zone and the P-Gain pair, and the step a byte shows as.
#include "params/pure/step_tables.h"

namespace verrano {

namespace {
// Index = model code. Bellun and Quorrin share every value.
constexpr std::array<StepTable, model::Count> kStepTables{{
    // Tavrik
    {{10, 30, 50}, {2, 3, 4}, {160, 180, 200}, {60, 80, 100}},
    // Bellun
    {{3, 5, 7}, {3, 4, 5}, {80, 100, 120}, {10, 20, 30}},
    // Quorrin
    {{3, 5, 7}, {3, 4, 5}, {80, 100, 120}, {10, 20, 30}},
    // Dimmar
    {{5, 10, 15}, {3, 4, 5}, {160, 180, 200}, {60, 80, 100}},
}};
} // namespace

const StepTable* StepTableFor(int motorType) {
    if (motorType < 0 || motorType >= model::Count) return nullptr;
    return &kStepTables[motorType];
}

int ShownStepIndex(const std::array<uint8_t, 3>& values, uint8_t byte) {
    if (byte == values[0]) return 0;
    if (byte == values[2]) return 2;
    // Step "2" doubles as the catch-all for bytes that match no step.
    return 1;
}

} // namespace verrano
