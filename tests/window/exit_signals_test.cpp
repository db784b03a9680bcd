// The signals that end a session (SIGTERM, SIGINT, SIGHUP) sent to the program and to a window
// in a child process: each ends it through the exit procedure, and signals that come together ask
// for one exit.
#include <QProcess>
#include <QPushButton>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "fixture.h"
#include "platform/exit_signals.h"

namespace verrano::test {

// The child's side: a window wired as the program wires it, connected to the servo on COM1 when
// asked, that says on its output when it is ready. A line on its input clicks "Exit".
int RunWindowChild(bool connect) {
    ExitSignals exitSignals;
    frm_Set w;
    QObject::connect(&exitSignals, &ExitSignals::received, &w, &frm_Set::cmd_exit_Click);
    w.Form_Load();
    // A signal taken by a box that start-up showed has ended the window already.
    if (w.bUnloading) return 0;
    w.show();
    if (connect) w.cmd_connect_Click();
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char c;
        const ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n == 1 && c == '\n') w.findChild<QPushButton*>(QStringLiteral("cmd_exit"))->click();
        if (n == 0) input.setEnabled(false); // no more lines will come
    });
    std::printf("ready %d\n", w.Comm.portOpen() ? 1 : 0);
    std::fflush(stdout);
    return QApplication::exec();
}

namespace {

using Bytes = std::vector<uint8_t>;

const QByteArray
    kDefaultFile("\"0\"\r\n\"False\"\r\n\"True\"\r\n\"False\"\r\n\"0\"\r\n\"0\"\r\n\"0\"\r\n");
const Bytes kClose{0x80, 0xEF, 0x00, 0x00, 0x91, 0x00, 0x00};

class ExitSignalsTest : public WindowTest {
protected:
    // Starts the window in a child process in the test's directory, connected to the servo,
    // and forgets what the connect sent.
    void StartConnectedChild(QProcess& child) {
        servo->direct().version = 110;
        child.setChildProcessModifier([this] {
            for (int signal : ignoredSignals)
                ::signal(signal, SIG_IGN);
        });
        child.setWorkingDirectory(dir.path());
        child.setProcessChannelMode(errorChannel);
        child.start(QCoreApplication::applicationFilePath(), {"--window-child", "connect"});
        ASSERT_TRUE(PumpUntil(
            [&] { return child.canReadLine() || child.state() == QProcess::NotRunning; }, 20000));
        ASSERT_EQ(child.readLine().trimmed(), "ready 1");
        ASSERT_TRUE(PumpUntil([&] { return servo->packetCount() >= 3; }));
        Pump(50);
        servo->clearReceived();
    }

    static bool Ended(QProcess& child) {
        return PumpUntil([&] { return child.state() == QProcess::NotRunning; }, 20000);
    }

    // Signals the child is started with ignored, as nohup or a script's background job does.
    std::vector<int> ignoredSignals;
    // SeparateChannels keeps the child's standard error for the test.
    QProcess::ProcessChannelMode errorChannel = QProcess::ForwardedErrorChannel;
};

TEST_F(ExitSignalsTest, EachSignalEndsTheWindowThroughTheExitProcedure) {
    // Signals sent back to back are one request: a logout sends SIGTERM and SIGHUP at once, a
    // closed terminal SIGHUP twice (from the shell and from the system).
    const std::vector<std::vector<int>> requests = {
        {SIGTERM}, {SIGINT}, {SIGHUP}, {SIGTERM, SIGHUP}, {SIGHUP, SIGHUP}, {SIGINT, SIGTERM}};
    for (const auto& request : requests) {
        SCOPED_TRACE(::testing::PrintToString(request));
        QProcess child;
        StartConnectedChild(child);
        ASSERT_TRUE(QFile::remove(dir.filePath("zosys.dat")));
        for (int signal : request)
            ASSERT_EQ(::kill(static_cast<pid_t>(child.processId()), signal), 0);
        ASSERT_TRUE(Ended(child));
        EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(child.exitCode(), 0);
        PumpUntil([&] { return servo->packetCount() >= 1; });
        Pump(50);
        EXPECT_EQ(Seen(), std::vector<Bytes>{kClose});
        EXPECT_EQ(ReadFile("zosys.dat"), kDefaultFile);
    }
}

TEST_F(ExitSignalsTest, AnExitOnASignalThatCannotWriteTheSettingsSaysWhyAndEnds) {
    errorChannel = QProcess::SeparateChannels;
    QProcess child;
    StartConnectedChild(child);
    ASSERT_TRUE(QFile::remove(dir.filePath("zosys.dat")));
    ASSERT_TRUE(QDir(dir.path()).mkdir("zosys.dat"));
    ASSERT_EQ(::kill(static_cast<pid_t>(child.processId()), SIGTERM), 0);
    // Nobody answers a box at a logout: the program ends without one.
    ASSERT_TRUE(Ended(child));
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    PumpUntil([&] { return servo->packetCount() >= 1; });
    EXPECT_EQ(Seen(), std::vector<Bytes>{kClose});
    const QString errors = QString::fromLocal8Bit(child.readAllStandardError());
    EXPECT_TRUE(errors.contains(QDir(dir.path()).absoluteFilePath("zosys.dat")))
        << errors.toStdString();
    EXPECT_TRUE(errors.contains(QString::fromLocal8Bit(std::strerror(EISDIR))))
        << errors.toStdString();
}

TEST_F(ExitSignalsTest, ASignalWhileAnExitFromTheWindowWaitsAtItsBoxEndsTheWindowAtOnce) {
    QProcess child;
    StartConnectedChild(child);
    // "Exit" clicked, and the settings write fails: the link is closed, the box waits.
    ASSERT_TRUE(QFile::remove(dir.filePath("zosys.dat")));
    ASSERT_TRUE(QDir(dir.path()).mkdir("zosys.dat"));
    child.write("\n");
    ASSERT_TRUE(PumpUntil([&] { return servo->packetCount() >= 1; }));
    EXPECT_EQ(Seen(), std::vector<Bytes>{kClose});
    Pump(200);
    ASSERT_EQ(child.state(), QProcess::Running) << "the box holds the exit procedure";

    // The session ends: nothing is left to do but wait for the box, so the signal doesn't.
    ASSERT_EQ(::kill(static_cast<pid_t>(child.processId()), SIGTERM), 0);
    ASSERT_TRUE(Ended(child));
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(child.exitCode(), SIGTERM);
}

TEST_F(ExitSignalsTest, ASignalIgnoredWhenTheWindowStartedStaysIgnored) {
    // Started under nohup, or in the background by a script: closing the terminal (SIGHUP) or
    // Ctrl+C in it (SIGINT) isn't meant to end the program.
    ignoredSignals = {SIGHUP, SIGINT};
    QProcess child;
    StartConnectedChild(child);
    for (int signal : ignoredSignals)
        ASSERT_EQ(::kill(static_cast<pid_t>(child.processId()), signal), 0);
    Pump(300);
    ASSERT_EQ(child.state(), QProcess::Running);
    EXPECT_TRUE(Seen().empty());

    ASSERT_EQ(::kill(static_cast<pid_t>(child.processId()), SIGTERM), 0);
    ASSERT_TRUE(Ended(child));
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    PumpUntil([&] { return servo->packetCount() >= 1; });
    EXPECT_EQ(Seen(), std::vector<Bytes>{kClose});
}

TEST_F(ExitSignalsTest, AWindowKilledWhileConnectedLeavesTheServoFreeForTheNextConnect) {
    QProcess child;
    StartConnectedChild(child);
    ASSERT_EQ(::kill(static_cast<pid_t>(child.processId()), SIGKILL), 0);
    ASSERT_TRUE(Ended(child));
    Pump(200);
    // The system closed the killed program's port, and with it went its claim to the port, as
    // on a real one. Root may open a claimed port anyway, so the claim is looked at too.
    const int fd = ::open(servo->devicePath().toLocal8Bit().constData(),
                          O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(fd, 0) << std::strerror(errno);
    int exclusive = -1;
    EXPECT_EQ(::ioctl(fd, TIOCGEXCL, &exclusive), 0);
    ::close(fd);
    EXPECT_EQ(exclusive, 0);

    StartWindow();
    ConnectDirect();
}

TEST_F(ExitSignalsTest, TheProgramEndsThroughItsExitProcedureOnASignal) {
    QProcess program;
    program.setWorkingDirectory(dir.path());
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QStringLiteral(VERRANO_PROGRAM), {});
    // The first start writes the default file, after the signals are caught.
    ASSERT_TRUE(PumpUntil([&] { return ReadFile("zosys.dat") == kDefaultFile; }, 20000));
    ASSERT_TRUE(QFile::remove(dir.filePath("zosys.dat")));
    ASSERT_EQ(::kill(static_cast<pid_t>(program.processId()), SIGTERM), 0);
    ASSERT_TRUE(Ended(program));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_EQ(ReadFile("zosys.dat"), kDefaultFile);
}

} // namespace
} // namespace verrano::test
