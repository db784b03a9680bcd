// Tests of the per-model step tables and the step a byte shows as.
#include "params/pure/step_tables.h"

#include <gtest/gtest.h>

using namespace verrano;

TEST(StepTables, ValuesPerModel) {
    const StepTable* t = StepTableFor(model::Tavrik);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->dgain, (std::array<uint8_t, 3>{10, 30, 50}));
    EXPECT_EQ(t->deadzone, (std::array<uint8_t, 3>{2, 3, 4}));
    EXPECT_EQ(t->pgain, (std::array<uint8_t, 3>{160, 180, 200}));
    EXPECT_EQ(t->companion, (std::array<uint8_t, 3>{60, 80, 100}));
    const StepTable* b = StepTableFor(model::Bellun);
    const StepTable* q = StepTableFor(model::Quorrin);
    ASSERT_NE(b, nullptr);
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(b->dgain, q->dgain);
    EXPECT_EQ(b->deadzone, q->deadzone);
    EXPECT_EQ(b->pgain, (std::array<uint8_t, 3>{80, 100, 120}));
    EXPECT_EQ(q->companion, (std::array<uint8_t, 3>{10, 20, 30}));
    const StepTable* d = StepTableFor(model::Dimmar);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->dgain, (std::array<uint8_t, 3>{5, 10, 15}));
    EXPECT_EQ(d->pgain, t->pgain);
    EXPECT_EQ(d->companion, t->companion);
    EXPECT_EQ(StepTableFor(-1), nullptr);
    EXPECT_EQ(StepTableFor(4), nullptr);
    EXPECT_EQ(StepTableFor(255), nullptr);
}

TEST(StepTables, ShownStep) {
    const StepTable& t = *StepTableFor(model::Tavrik);
    // Tavrik, bytes 10, 3, 200 show "1", "2", "3".
    EXPECT_EQ(ShownStepIndex(t.dgain, 10), 0);
    EXPECT_EQ(ShownStepIndex(t.deadzone, 3), 1);
    EXPECT_EQ(ShownStepIndex(t.pgain, 200), 2);
    // Bellun: 30 (Tavrik's "2") shows "2", 3 shows "1", 7 shows "3".
    const StepTable& b = *StepTableFor(model::Bellun);
    EXPECT_EQ(ShownStepIndex(b.dgain, 30), 1);
    EXPECT_EQ(ShownStepIndex(b.dgain, 3), 0);
    EXPECT_EQ(ShownStepIndex(b.dgain, 7), 2);
    // Dead Zone 4 shows "3" for Tavrik and "2" for the other three models.
    EXPECT_EQ(ShownStepIndex(t.deadzone, 4), 2);
    for (int m : {model::Bellun, model::Quorrin, model::Dimmar})
        EXPECT_EQ(ShownStepIndex(StepTableFor(m)->deadzone, 4), 1) << "model " << m;
    // Bytes that match no step show "2".
    EXPECT_EQ(ShownStepIndex(t.dgain, 0), 1);
    EXPECT_EQ(ShownStepIndex(t.pgain, 255), 1);
}
