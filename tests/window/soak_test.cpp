// A long run of Servo Read and Servo Program cycles at "High" against the virtual servo: every
// cycle succeeds and the process's resident memory stays within a small bound.
#include <QByteArray>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <unistd.h>

#include "fixture.h"

namespace verrano::test {
namespace {

// The resident set size of this process, in bytes; 0 when it can't be read.
long ResidentBytes() {
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    if (f == nullptr) return 0;
    long size = 0;
    long resident = 0;
    const int got = std::fscanf(f, "%ld %ld", &size, &resident);
    std::fclose(f);
    return got == 2 ? resident * sysconf(_SC_PAGESIZE) : 0;
}

// A thousand cycles at "High" take at least 1000 x 38 pacing ticks of 10 ms, over six minutes in
// one window; four windows of 250 cycles each, which ctest runs side by side, keep it to under
// two.
constexpr int kParts = 4;
constexpr int kCyclesPerPart = 1000 / kParts;

int CyclesPerPart() {
    // A shorter run for trying the test by hand.
    const int fromEnv = qEnvironmentVariableIntValue("VERRANO_SOAK_CYCLES");
    return fromEnv > 0 ? fromEnv : kCyclesPerPart;
}

// The resident set is flat after a few dozen cycles; growth is measured from here to the end. A
// megabyte over 200 cycles is as strict as four over 900.
constexpr int kWarmUpCycles = 50;
constexpr long kGrowthBound = 1024L * 1024;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

class Soak : public WindowTest {
protected:
    void RunCycles() {
        servo->direct().version = 110;
        StartWindow(QByteArray(
            "\"0\"\r\n\"True\"\r\n\"False\"\r\n\"False\"\r\n\"0\"\r\n\"0\"\r\n\"0\"\r\n"));
        ASSERT_EQ(w->RepeatTick, 10);
        w->cmd_connect_Click();
        ASSERT_TRUE(w->Comm.portOpen());
        Pump(50);
        const auto image = servo->direct().memory;

        const int cycles = CyclesPerPart();
        long residentAfterWarmUp = 0;
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < cycles; ++i) {
            w->cmd_Servo_Read_Click();
            ASSERT_EQ(w->StatusText(), " Servo Read OK!") << "cycle " << i;
            w->cmd_Servo_Save_Click();
            ASSERT_EQ(w->StatusText(), " Servo Program OK!") << "cycle " << i;
            ASSERT_TRUE(w->Comm.portOpen()) << "cycle " << i;
            // What the test itself keeps of each cycle would otherwise grow with the run.
            boxes.clear();
            servo->clearReceived();
            if (i + 1 == std::min(kWarmUpCycles, cycles)) residentAfterWarmUp = ResidentBytes();
        }
        const qint64 took = t.elapsed();
        const long residentAtEnd = ResidentBytes();
        std::printf("[ soak     ] %d cycles in %lld ms (%.1f ms a cycle); resident %ld -> %ld "
                    "KiB\n",
                    cycles, static_cast<long long>(took), static_cast<double>(took) / cycles,
                    residentAfterWarmUp / 1024, residentAtEnd / 1024);

        // Programming what was read leaves the servo's memory as it was.
        EXPECT_EQ(servo->direct().memory, image);
        EXPECT_EQ(w->ParamBlock, w->ParamRef);

        // Freed memory sits in the sanitizer's quarantine, so only a plain build can be measured.
        if (kSanitized || residentAfterWarmUp == 0) return;
        EXPECT_LT(residentAtEnd - residentAfterWarmUp, kGrowthBound)
            << "resident memory grew from " << residentAfterWarmUp << " to " << residentAtEnd;
    }
};

static_assert(kParts == 4, "one test per part below");

TEST_F(Soak, ReadProgramCyclesPart1) {
    RunCycles();
}
TEST_F(Soak, ReadProgramCyclesPart2) {
    RunCycles();
}
TEST_F(Soak, ReadProgramCyclesPart3) {
    RunCycles();
}
TEST_F(Soak, ReadProgramCyclesPart4) {
    RunCycles();
}

} // namespace
} // namespace verrano::test
