// Tests of the serial control against a real pseudo-terminal: receive threshold, discard, input,
// output order, refused ports and settings, the port mapping and a device that goes away.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include "platform/serial_control.h"

namespace verrano {
namespace {

// A pseudo-terminal whose master side plays the far end of the line.
class Pty {
public:
    Pty() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
        const char* name = ptsname(master_);
        if (!name) return;
        path_ = QString::fromLocal8Bit(name);
        // Held open for the test's life so the line stays raw and up between openings.
        slave_ = ::open(name, O_RDWR | O_NOCTTY);
        if (slave_ < 0) return;
        termios tio{};
        tcgetattr(slave_, &tio);
        cfmakeraw(&tio);
        tcsetattr(slave_, TCSANOW, &tio);
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    ~Pty() {
        closeMaster();
        if (slave_ >= 0) ::close(slave_);
    }
    bool ok() const { return master_ >= 0 && slave_ >= 0 && !path_.isEmpty(); }
    QString path() const { return path_; }

    // The line as the far end sees it: the speed and whether two stop bits are set.
    std::pair<speed_t, bool> line() const {
        termios tio{};
        tcgetattr(slave_, &tio);
        return {cfgetospeed(&tio), (tio.c_cflag & CSTOPB) != 0};
    }

    void write(const QByteArray& bytes) {
        ASSERT_EQ(::write(master_, bytes.constData(), bytes.size()), bytes.size());
    }

    // What the control sent, once n bytes came or ms passed, whichever is first.
    QByteArray read(int n, int ms = 2000) {
        QByteArray got;
        QElapsedTimer t;
        t.start();
        while (got.size() < n && t.elapsed() < ms) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            char buf[256];
            const ssize_t r = ::read(master_, buf, sizeof buf);
            if (r > 0) got.append(buf, r);
        }
        return got;
    }

    void closeMaster() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
    }

private:
    int master_ = -1;
    int slave_ = -1;
    QString path_;
};

template <typename F> bool PumpUntil(F condition, int ms = 3000) {
    QElapsedTimer t;
    t.start();
    while (!condition() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return condition();
}

void Pump(int ms) {
    PumpUntil([] { return false; }, ms);
}

class SerialControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        qputenv("VERRANO_COM9", pty.path().toLocal8Bit());
        comm.setCommPort(9);
        ASSERT_TRUE(comm.setSettings(QStringLiteral("19200,N,8,2")));
    }
    void TearDown() override {
        comm.setPortOpen(false);
        qunsetenv("VERRANO_COM9");
    }

    Pty pty;
    SerialControl comm;
};

TEST_F(SerialControlTest, ReceiveEventComesOnceThresholdBytesWaitAndInputTakesThemAll) {
    comm.setRThreshold(7);
    ASSERT_TRUE(comm.setPortOpen(true)) << comm.errorString().toStdString();
    EXPECT_TRUE(comm.portOpen());
    int events = 0;
    int lastEvent = 0;
    QObject::connect(&comm, &SerialControl::OnComm, [&] {
        ++events;
        lastEvent = comm.commEvent();
    });

    pty.write(QByteArray::fromHex("8001020304"));
    ASSERT_TRUE(PumpUntil([&] { return comm.inBufferCount() == 5; }));
    Pump(100);
    EXPECT_EQ(events, 0) << "five bytes are below the threshold of seven";

    pty.write(QByteArray::fromHex("0506"));
    ASSERT_TRUE(PumpUntil([&] { return events > 0; }));
    EXPECT_EQ(events, 1);
    EXPECT_EQ(lastEvent, SerialControl::kEvReceive);
    EXPECT_EQ(comm.inBufferCount(), 7);
    EXPECT_EQ(comm.input(), QByteArray::fromHex("80010203040506"));
    EXPECT_EQ(comm.inBufferCount(), 0);
    EXPECT_TRUE(comm.input().isEmpty());
}

TEST_F(SerialControlTest, DiscardDropsEverythingWaiting) {
    comm.setRThreshold(7);
    ASSERT_TRUE(comm.setPortOpen(true));
    pty.write(QByteArray::fromHex("aabbcc"));
    ASSERT_TRUE(PumpUntil([&] { return comm.inBufferCount() == 3; }));
    comm.setInBufferCount(0);
    EXPECT_EQ(comm.inBufferCount(), 0);

    QByteArray got;
    QObject::connect(&comm, &SerialControl::OnComm, [&] { got += comm.input(); });
    pty.write(QByteArray::fromHex("01020304050607"));
    ASSERT_TRUE(PumpUntil([&] { return got.size() >= 7; }));
    EXPECT_EQ(got, QByteArray::fromHex("01020304050607")) << "nothing of the discarded bytes";
}

TEST_F(SerialControlTest, BytesArrivingWhileTheHandlerWaitsRaiseTheEventAgain) {
    comm.setRThreshold(2);
    ASSERT_TRUE(comm.setPortOpen(true));
    std::vector<QByteArray> chunks;
    QObject::connect(&comm, &SerialControl::OnComm, [&] {
        chunks.push_back(comm.input());
        if (chunks.size() == 1) {
            // The next answer comes while this handler is still inside a wait.
            pty.write(QByteArray::fromHex("0a0b"));
            Pump(200);
        }
    });
    pty.write(QByteArray::fromHex("0102"));
    ASSERT_TRUE(PumpUntil([&] { return chunks.size() >= 2; }));
    QByteArray all;
    for (const auto& c : chunks)
        all += c;
    EXPECT_EQ(all, QByteArray::fromHex("01020a0b"));
}

TEST_F(SerialControlTest, OutputLeavesInOrderEvenWhenThePortClosesRightAfter) {
    ASSERT_TRUE(comm.setPortOpen(true));
    comm.output(QByteArray::fromHex("80e00000a00000"));
    comm.output(QByteArray::fromHex("80ef0000910000"));
    EXPECT_EQ(pty.read(14), QByteArray::fromHex("80e00000a0000080ef0000910000"));

    comm.output(QByteArray::fromHex("80ef0000910000"));
    EXPECT_TRUE(comm.setPortOpen(false));
    EXPECT_FALSE(comm.portOpen());
    EXPECT_EQ(pty.read(7), QByteArray::fromHex("80ef0000910000"));

    // Closed: nothing goes out and nothing comes in.
    comm.output(QByteArray::fromHex("01"));
    EXPECT_TRUE(pty.read(1, 100).isEmpty());
    EXPECT_TRUE(comm.input().isEmpty());
    EXPECT_EQ(comm.inBufferCount(), 0);
}

TEST_F(SerialControlTest, PortsThatCannotOpenAreErrors) {
    for (int port : {0, 17, -1}) {
        comm.setCommPort(port);
        EXPECT_FALSE(comm.setPortOpen(true)) << port;
        EXPECT_FALSE(comm.portOpen());
        EXPECT_FALSE(comm.errorString().isEmpty());
    }
    qputenv("VERRANO_COM10", "/nonexistent/verrano-tty");
    comm.setCommPort(10);
    EXPECT_FALSE(comm.setPortOpen(true));
    EXPECT_FALSE(comm.portOpen());
    EXPECT_FALSE(comm.errorString().isEmpty());
    qunsetenv("VERRANO_COM10");

    // Opening twice is refused and leaves the first opening alone.
    comm.setCommPort(9);
    ASSERT_TRUE(comm.setPortOpen(true));
    EXPECT_FALSE(comm.setPortOpen(true));
    EXPECT_TRUE(comm.portOpen());
    // A second control cannot take a port that is in use.
    SerialControl other;
    other.setCommPort(9);
    EXPECT_FALSE(other.setPortOpen(true));
    EXPECT_TRUE(comm.portOpen());
}

TEST_F(SerialControlTest, SettingsTextIsCheckedWhole) {
    for (const char* bad :
         {"", "abc", "19200", "19200,N,8", "19200,X,8,2", "19200,N,9,2", "19200,N,4,2",
          "19200,N,8,3", "0,N,8,1", "-9600,N,8,1", "19200,N,8,2,1", "19k,N,8,2"}) {
        EXPECT_FALSE(comm.setSettings(QString::fromLatin1(bad))) << bad;
        EXPECT_EQ(comm.settings(), QStringLiteral("19200,N,8,2")) << bad;
    }
    for (const char* good : {"9600,N,8,2", "9600,e,7,1", "115200,O,5,1.5", "300,M,6,1",
                             "1200,S,8,2", " 19200 , N , 8 , 2 "})
        EXPECT_TRUE(comm.setSettings(QString::fromLatin1(good))) << good;
}

TEST_F(SerialControlTest, SettingsTextFramesThePort) {
    using F = SerialControl::Framing;
    using P = QSerialPort;
    // A pseudo-terminal carries eight data bits without parity whatever it is told, so the
    // far end sees only the speed and the stop bits; the port's own framing shows the rest.
    const struct {
        const char* text;
        F framing;
        speed_t speed;
        bool twoStop;
    } cases[] = {
        {"19200,N,8,2", {19200, P::NoParity, P::Data8, P::TwoStop}, B19200, true},
        {"9600,N,8,2", {9600, P::NoParity, P::Data8, P::TwoStop}, B9600, true},
        {"19200,N,8,1", {19200, P::NoParity, P::Data8, P::OneStop}, B19200, false},
        {"4800,e,7,1", {4800, P::EvenParity, P::Data7, P::OneStop}, B4800, false},
        {"2400,O,6,2", {2400, P::OddParity, P::Data6, P::TwoStop}, B2400, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ASSERT_TRUE(comm.setSettings(QString::fromLatin1(c.text)));
        ASSERT_TRUE(comm.setPortOpen(true)) << comm.errorString().toStdString();
        EXPECT_TRUE(comm.framing() == c.framing);
        EXPECT_EQ(pty.line(), std::make_pair(c.speed, c.twoStop));
        comm.setPortOpen(false);
    }

    // An open port takes new settings at once.
    ASSERT_TRUE(comm.setSettings(QStringLiteral("19200,N,8,1")));
    ASSERT_TRUE(comm.setPortOpen(true));
    ASSERT_TRUE(comm.setSettings(QStringLiteral("9600,N,8,2")));
    EXPECT_TRUE(comm.framing() == (F{9600, P::NoParity, P::Data8, P::TwoStop}));
    EXPECT_EQ(pty.line(), std::make_pair(speed_t{B9600}, true));
}

TEST_F(SerialControlTest, PortNumbersMapToDevices) {
    qunsetenv("VERRANO_COM1");
    qunsetenv("VERRANO_COM16");
    EXPECT_EQ(SerialControl::DeviceForPort(1), QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(SerialControl::DeviceForPort(16), QStringLiteral("/dev/ttyS15"));
    EXPECT_EQ(SerialControl::DeviceForPort(9), pty.path());
    qputenv("VERRANO_COM16", "");
    EXPECT_EQ(SerialControl::DeviceForPort(16), QStringLiteral("/dev/ttyS15"));
    qputenv("VERRANO_COM16", "/dev/ttyUSB0");
    EXPECT_EQ(SerialControl::DeviceForPort(16), QStringLiteral("/dev/ttyUSB0"));
    qunsetenv("VERRANO_COM16");
    EXPECT_TRUE(SerialControl::DeviceForPort(0).isEmpty());
    EXPECT_TRUE(SerialControl::DeviceForPort(17).isEmpty());
}

TEST_F(SerialControlTest, DeviceThatGoesAwayClosesThePortAndSaysSo) {
    comm.setRThreshold(7);
    ASSERT_TRUE(comm.setPortOpen(true));
    int lost = 0;
    QObject::connect(&comm, &SerialControl::PortLost, [&] { ++lost; });
    pty.closeMaster();
    ASSERT_TRUE(PumpUntil([&] { return lost > 0; }));
    EXPECT_EQ(lost, 1);
    EXPECT_FALSE(comm.portOpen());
    EXPECT_FALSE(comm.errorString().isEmpty());
    Pump(100);
    EXPECT_EQ(lost, 1);
}

TEST_F(SerialControlTest, OutputDrainsBeforeTheLineSettingsChangeOrThePortCloses) {
    // A pseudo-terminal takes every byte at once, so the order is checked where the control asks
    // the system to drain: by then all bytes must have been handed over, and the line must
    // still have the settings they were sent at.
    struct Drain {
        QByteArray handedOver;
        std::pair<speed_t, bool> line;
        bool open;
    };
    struct Recorder : LineSystem {
        Pty* pty = nullptr;
        SerialControl* comm = nullptr;
        std::vector<Drain> drains;
        bool drain(qintptr handle, int boundMs) override {
            EXPECT_GT(boundMs, 0);
            drains.push_back({pty->read(64, 50), pty->line(), comm->portOpen()});
            return SystemLine().drain(handle, boundMs);
        }
        Health check(qintptr handle, const QString& device, QByteArray* bytes) override {
            return SystemLine().check(handle, device, bytes);
        }
    } recorder;
    recorder.pty = &pty;
    recorder.comm = &comm;
    comm.setLineSystem(&recorder);
    struct Restore {
        SerialControl& comm;
        ~Restore() {
            comm.setPortOpen(false);
            comm.setLineSystem(&SystemLine());
        }
    } restore{comm};
    const auto kDirect = std::make_pair(speed_t{B19200}, true);
    const auto kController = std::make_pair(speed_t{B9600}, true);

    ASSERT_TRUE(comm.setPortOpen(true));
    comm.output(QByteArray::fromHex("80ef0000910000"));
    ASSERT_TRUE(comm.setPortOpen(false));
    ASSERT_EQ(recorder.drains.size(), 1u);
    EXPECT_EQ(recorder.drains[0].handedOver, QByteArray::fromHex("80ef0000910000"));
    EXPECT_EQ(recorder.drains[0].line, kDirect);
    EXPECT_TRUE(recorder.drains[0].open);
    EXPECT_NE(pty.line(), kDirect) << "closing puts the earlier settings back";

    // A settings change on the open port, as a route switch would make.
    ASSERT_TRUE(comm.setSettings(QStringLiteral("9600,N,8,2")));
    ASSERT_TRUE(comm.setPortOpen(true));
    comm.output(QByteArray::fromHex("d0000005"));
    ASSERT_TRUE(comm.setSettings(QStringLiteral("19200,N,8,2")));
    ASSERT_EQ(recorder.drains.size(), 2u);
    EXPECT_EQ(recorder.drains[1].handedOver, QByteArray::fromHex("d0000005"));
    EXPECT_EQ(recorder.drains[1].line, kController);
    EXPECT_EQ(pty.line(), kDirect);
}

TEST_F(SerialControlTest, WhatAStuckLineStillHoldsIsDroppedRatherThanSentAtTheNewSettings) {
    // The far end takes nothing, so the line fills and the rest waits in the port: it must not
    // go out once the line has been set for the other route.
    ASSERT_TRUE(comm.setPortOpen(true));
    const QByteArray flood(64 * 1024, '\x55');
    comm.output(flood);
    QElapsedTimer t;
    t.start();
    ASSERT_TRUE(comm.setSettings(QStringLiteral("9600,N,8,2")));
    EXPECT_LT(t.elapsed(), 3000);
    ASSERT_EQ(pty.line(), std::make_pair(speed_t{B9600}, true));
    QByteArray sent;
    for (QByteArray got; !(got = pty.read(flood.size(), 300)).isEmpty();) {
        sent += got;
        Pump(20);
    }
    EXPECT_LT(sent.size(), flood.size());
    EXPECT_TRUE(comm.portOpen());

    // The port still sends what comes after.
    comm.output(QByteArray::fromHex("d0000005"));
    EXPECT_EQ(pty.read(4), QByteArray::fromHex("d0000005"));
}

TEST_F(SerialControlTest, ADiscardRacingAReadIsNoLostPort) {
    // A notifier registered before the port's is handled first when both are ready in one pass
    // of the event loop: its discard empties the line between the loop's look and the port's
    // read, as a send's discard does when a move goes out while an echo arrives.
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    QSocketNotifier sender(pipeFds[0], QSocketNotifier::Read);
    int discards = 0;
    QObject::connect(&sender, &QSocketNotifier::activated, [&] {
        char c;
        if (::read(pipeFds[0], &c, 1) == 1) ++discards;
        comm.setInBufferCount(0);
        // What errno the read that finds nothing is blamed on is left over from before: both
        // kinds of error Qt then reports must be survived.
        errno = discards % 2 ? EAGAIN : ENOTTY;
    });
    comm.setRThreshold(7);
    ASSERT_TRUE(comm.setPortOpen(true));
    int lost = 0;
    QByteArray got;
    QObject::connect(&comm, &SerialControl::PortLost, [&] { ++lost; });
    QObject::connect(&comm, &SerialControl::OnComm, [&] { got += comm.input(); });

    for (int round = 1; round <= 20 && lost == 0; ++round) {
        pty.write(QByteArray::fromHex("80e40000a00000"));
        ASSERT_EQ(::write(pipeFds[1], "d", 1), 1);
        ASSERT_TRUE(PumpUntil([&] { return discards == round; }));
        Pump(5);
    }
    EXPECT_EQ(lost, 0) << comm.errorString().toStdString();
    EXPECT_TRUE(comm.portOpen());

    // The port still takes what comes after.
    got.clear();
    pty.write(QByteArray::fromHex("80e00000a00000"));
    EXPECT_TRUE(PumpUntil([&] { return got.size() >= 7; }));
    EXPECT_EQ(got, QByteArray::fromHex("80e00000a00000"));
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
}

} // namespace
} // namespace verrano
