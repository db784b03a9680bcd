// Measures the program against the virtual servo with emulated wire time: Servo Read, Servo
// Program and the factory reset at each timing class, and Servo Read through the controller (wall
// time and its ratio to the wire-and-pacing floor), processor time while a transfer waits and
// while the window is idle, start-up time and peak resident memory.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "platform/message_box.h"
#include "ui_frm_Set.h"
#include "virtual_servo.h"
#include "window/frm_Set.h"

using namespace verrano;

namespace {

// Processor time of the program's own thread; the virtual servo runs in a thread of its own,
// as a real servo is a device of its own.
double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long PeakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Lets the event loop sleep for ms milliseconds; one precise timer is the only wake-up.
void Idle(int ms) {
    bool done = false;
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    QObject::connect(&wake, &QTimer::timeout, [&done] { done = true; });
    wake.start(ms);
    while (!done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

struct Result {
    std::string name;
    double wallMs;
    double floorMs;
    double cpuPerSecond;
};

// One exchange on the direct route: the 7-byte request at 19200 baud, 11 bits a byte.
constexpr double kDirectExchangeMs = 7 * 11 * 1000.0 / 19200.0;
// Through the controller: the 4-byte request and the 2-byte answer at 9600 baud.
constexpr double kControllerExchangeMs = (4 + 2) * 11 * 1000.0 / 9600.0;

template <typename F>
// exchanges request-reply exchanges on the wire, ticks pacing pauses between them.
Result Measure(const std::string& name, int exchanges, int ticks, int tickMs, int latencyMs, F run,
               double exchangeMs = kDirectExchangeMs) {
    const double cpu0 = CpuSeconds();
    QElapsedTimer t;
    t.start();
    run();
    const double wall = t.nsecsElapsed() / 1e6;
    const double cpu = CpuSeconds() - cpu0;
    const double floor = exchanges * (exchangeMs + latencyMs) + ticks * tickMs;
    return Result{name, wall, floor, cpu / (wall / 1000.0)};
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int latencyMs = 0;
    int rounds = 3;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--latency") == 0) latencyMs = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--rounds") == 0) rounds = std::max(1, std::atoi(argv[i + 1]));
    }

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    SetMsgBoxAnswerer([](const MsgBoxRecord& box) {
        return box.buttons == MsgButtons::YesNo ? MsgResult::Yes : MsgResult::Ok;
    });

    vs::VirtualServo servo;
    QString error;
    if (!servo.start(&error)) {
        std::fprintf(stderr, "virtual servo: %s\n", qPrintable(error));
        return 1;
    }
    servo.direct().memory = vs::VirtualServo::FactoryImage(0);
    servo.controllerServos()[0].version = 110;
    servo.controllerServos()[0].memory = vs::VirtualServo::FactoryImage(0);
    servo.setWireTime(true);
    servo.setLatencyMs(latencyMs);
    QThread servoThread;
    servo.moveToThread(&servoThread);
    servoThread.start();
    qputenv("VERRANO_COM1", servo.devicePath().toLocal8Bit());

    // Start-up to the window shown.
    QElapsedTimer startTimer;
    startTimer.start();
    auto w = std::make_unique<frm_Set>();
    w->onEnd = [] {};
    w->Form_Load();
    w->show();
    QCoreApplication::processEvents();
    const double startupMs = startTimer.nsecsElapsed() / 1e6;

    std::fprintf(stderr, "started in %.1f ms; measuring idle\n", startupMs);
    // Idle: nothing runs, nothing should wake the program.
    Idle(300); // let the first paint and queued start-up work finish
    const double idleCpu0 = CpuSeconds();
    Idle(3000);
    const double idleCpu = (CpuSeconds() - idleCpu0) / 3.0;

    std::vector<Result> results;
    const char* classes[] = {"High", "Mid", "Low"};
    const int ticks[] = {10, 40, 100};
    bool failed = false;
    // Connects on the chosen route at timing class c; false, said, when no link opens.
    const auto connectAt = [&](int c, const char* route) {
        w->opt_time[static_cast<std::size_t>(c)]->setChecked(true);
        w->cmd_connect_Click();
        Idle(50);
        if (!w->Comm.portOpen()) {
            std::fprintf(stderr, "connect%s failed\n", route);
            return false;
        }
        std::fprintf(stderr, "timing class %s%s\n", classes[c], route);
        return true;
    };
    for (int c = 0; c < 3; ++c) {
        if (!connectAt(c, "")) return 1;
        for (int r = 0; r < rounds; ++r) {
            const std::string suffix = std::string(" ") + classes[c];
            // A factory reset leaves the tick flag set, so a read after one skips its first
            // pacing pause.
            const int readTicks = w->bTickDone ? 18 : 19;
            // Nineteen reads and the left limit read back.
            results.push_back(Measure("Servo Read" + suffix, 20, readTicks, ticks[c], latencyMs,
                                      [&] { w->cmd_Servo_Read_Click(); }));
            failed |= w->StatusText() != " Servo Read OK!";
            Idle(50);
            results.push_back(Measure("Servo Program" + suffix, 20, 19, ticks[c], latencyMs,
                                      [&] { w->cmd_Servo_Save_Click(); }));
            failed |= w->StatusText() != " Servo Program OK!";
            Idle(50);
            results.push_back(Measure("Servo Reset" + suffix, 47, 47, ticks[c], latencyMs,
                                      [&] { w->ServoReset_Click(); }));
            failed |= w->StatusText() != " Servo Reset OK!";
            Idle(50);
        }
        w->cmd_connect_Click();
    }

    // Servo Read through the controller, whose answers nothing waits for beyond their own
    // request: no answer is owed when a read starts, so taking the owed ones costs nothing.
    w->Brevak_Control_Click();
    for (int c = 0; c < 3; ++c) {
        if (!connectAt(c, " through the controller")) return 1;
        for (int r = 0; r < rounds; ++r) {
            results.push_back(Measure(
                std::string("Ctrl Read ") + classes[c], 20, 19, ticks[c], latencyMs,
                [&] { w->cmd_Servo_Read_Click(); }, kControllerExchangeMs));
            failed |= w->StatusText() != " Servo Read OK!";
            Idle(50);
        }
        w->cmd_connect_Click();
    }

    std::printf("%-22s %10s %10s %7s %12s\n", "transfer", "wall ms", "floor ms", "ratio",
                "cpu s/s");
    double worstRatio = 0, worstCpu = 0;
    for (const auto& r : results) {
        const double ratio = r.wallMs / r.floorMs;
        worstRatio = std::max(worstRatio, ratio);
        worstCpu = std::max(worstCpu, r.cpuPerSecond);
        std::printf("%-22s %10.1f %10.1f %7.3f %12.4f\n", r.name.c_str(), r.wallMs, r.floorMs,
                    ratio, r.cpuPerSecond);
    }
    const long rssKb = PeakRssKb();
    std::printf("\nstart-up to window shown: %.1f ms\n", startupMs);
    std::printf("cpu while idle: %.4f s/s\n", idleCpu);
    std::printf("peak resident memory: %.1f MB\n", rssKb / 1024.0);
    std::printf("servo latency: %d ms\n\n", latencyMs);

    struct Target {
        const char* what;
        bool met;
    } targets[] = {
        {"every transfer ratio <= 1.15", worstRatio <= 1.15},
        {"cpu while waiting <= 0.05 s/s", worstCpu <= 0.05},
        {"cpu while idle == 0 (< 0.001 s/s)", idleCpu < 0.001},
        {"start-up <= 300 ms", startupMs <= 300},
        {"peak resident memory <= 80 MB", rssKb <= 80 * 1024},
        {"every transfer reported success", !failed},
    };
    int missed = 0;
    for (const auto& t : targets) {
        std::printf("%-40s %s\n", t.what, t.met ? "met" : "MISSED");
        missed += !t.met;
    }
    w.reset();
    servoThread.quit();
    servoThread.wait();
    return missed == 0 ? 0 : 2;
}
