// Tests of the virtual servo and controller, driven over its pseudo-terminal with a plain
// descriptor the way a serial port uses it.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <numeric>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

#include "virtual_servo.h"

namespace {

using Bytes = std::vector<uint8_t>;
using verrano::vs::Fault;
using verrano::vs::VirtualServo;

Bytes Direct(uint8_t command, uint8_t d1, uint8_t d2) {
    const uint8_t sum = static_cast<uint8_t>(0x80 + command + d1 + d2);
    return {0x80, command, d1, d2, static_cast<uint8_t>(256 - sum), 0, 0};
}

// Pumps the event loop, asleep between events, until the condition holds or ms pass.
template <typename F> bool WaitFor(F condition, int ms) {
    QElapsedTimer elapsed;
    elapsed.start();
    QTimer tick; // wakes the loop so the deadline is noticed without events from the line
    tick.start(10);
    while (!condition() && elapsed.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return condition();
}

void Idle(int ms) {
    WaitFor([] { return false; }, ms);
}

// The program's end of the line: the slave side opened raw at a given speed and stop bits (both
// routes run two).
class Port {
public:
    Port(const QString& path, speed_t speed, int stopBits = 2) {
        fd_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd_ < 0) return;
        SetLine(speed, stopBits);
        notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Drain(); });
    }
    ~Port() {
        notifier_.reset();
        if (fd_ >= 0) ::close(fd_);
    }
    bool ok() const { return fd_ >= 0; }
    int fd() const { return fd_; }

    void SetLine(speed_t speed, int stopBits) {
        termios tio{};
        tcgetattr(fd_, &tio);
        cfmakeraw(&tio);
        cfsetspeed(&tio, speed);
        if (stopBits == 2)
            tio.c_cflag |= CSTOPB;
        else
            tio.c_cflag &= ~CSTOPB;
        tcsetattr(fd_, TCSANOW, &tio);
    }

    bool Write(const Bytes& bytes) {
        return ::write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }
    // Sends and waits for count bytes; returns them (fewer on time-out) and clears the input.
    Bytes Exchange(const Bytes& request, std::size_t count, int ms = 2000) {
        in.clear();
        if (!Write(request)) return {};
        WaitFor([&] { return in.size() >= count; }, ms);
        Bytes out = in;
        in.clear();
        return out;
    }
    // Sends and makes sure nothing comes back within ms.
    bool Unanswered(const Bytes& request, int ms = 150) {
        in.clear();
        if (!Write(request)) return false;
        Idle(ms);
        return in.empty();
    }

    Bytes in;
    bool hungUp = false;

private:
    void Drain() {
        uint8_t buffer[256];
        for (;;) {
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n > 0) {
                in.insert(in.end(), buffer, buffer + n);
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
            hungUp = true; // the device went away: stop listening to the error
            notifier_->setEnabled(false);
            return;
        }
    }

    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

// The controller's wake-up and a link step to the servo on the given port, both answered.
bool Handshake(Port& port, uint8_t servoPort) {
    return port.Exchange({0xFA, 0xFA, 0xFA, 0xFA}, 2) == Bytes{0x55, 0x00} &&
           port.Exchange({0xD0, 0, 0, servoPort}, 2) == Bytes{0x00, servoPort};
}

class VirtualServoTest : public ::testing::Test {
protected:
    void SetUp() override {
        QString error;
        ASSERT_TRUE(servo.start(&error)) << error.toStdString();
    }
    VirtualServo servo;
};

TEST(VirtualServoImages, FactoryImagesCarryTheirChecksum) {
    for (int model = 0; model < 4; ++model) {
        const auto image = VirtualServo::FactoryImage(model);
        const int sum = std::accumulate(image.begin(), image.begin() + 45, 0);
        EXPECT_EQ(sum % 256, 0) << "model " << model;
        EXPECT_EQ(image[45], 255) << "model " << model;
        EXPECT_EQ(image[41], 0) << "model " << model; // the ID
        EXPECT_EQ(image[27], 41) << "model " << model;
    }
    EXPECT_EQ(VirtualServo::FactoryImage(1), VirtualServo::FactoryImage(2));
    EXPECT_EQ(VirtualServo::FactoryImage(0)[44], 207);
    EXPECT_EQ(VirtualServo::FactoryImage(0)[1], 180);
    EXPECT_EQ(VirtualServo::FactoryImage(1)[0], 20);
    EXPECT_EQ(VirtualServo::FactoryImage(3)[7], 255);
    EXPECT_EQ(VirtualServo::FactoryImage(3)[8], 228);
    EXPECT_EQ(VirtualServo::FactoryImage(3)[19], 190);
    EXPECT_EQ(VirtualServo::FactoryImage(3)[44], 14);
    EXPECT_EQ(VirtualServo::FactoryImage(7), VirtualServo::FactoryImage(0));
}

TEST_F(VirtualServoTest, DirectRouteEchoesWithTheServosAnswer) {
    servo.direct().version = 110;
    servo.direct().memory = VirtualServo::FactoryImage(3);
    std::vector<int> signalled;
    QObject::connect(&servo, &VirtualServo::packetReceived,
                     [&](int index) { signalled.push_back(index); });
    Port port(servo.devicePath(), B19200);
    ASSERT_TRUE(port.ok());

    EXPECT_EQ(port.Exchange(Direct(0xE7, 0, 0), 7), (Bytes{0x80, 0xE7, 0, 0, 0x99, 110, 0}));
    EXPECT_EQ(port.Exchange(Direct(0xE1, 0x07, 0), 7), (Bytes{0x80, 0xE1, 7, 0, 0x98, 255, 0}));
    EXPECT_EQ(port.Exchange(Direct(0xE1, 46, 0), 7)[5], 0); // beyond the memory

    // Write, then read back.
    EXPECT_EQ(port.Exchange(Direct(0xE2, 0x13, 200), 7)[5], 0);
    EXPECT_EQ(servo.direct().memory[0x13], 200);
    EXPECT_EQ(port.Exchange(Direct(0xE1, 0x13, 0), 7)[5], 200);
    port.Exchange(Direct(0xE4, 0x87, 5), 7);
    EXPECT_EQ(servo.direct().memory[7], 5);

    // Moves: on the line, and by ID only for the servo that carries it.
    port.Exchange(Direct(0xF6, 0x05, 0xDC), 7);
    EXPECT_EQ(servo.direct().lastPosition, 1500);
    EXPECT_EQ(servo.direct().moves, 1);
    EXPECT_EQ(port.Exchange(Direct(0x05, 0x03, 0xE8), 7), Direct(0x05, 0x03, 0xE8));
    EXPECT_EQ(servo.direct().moves, 1);
    servo.direct().memory[41] = 5;
    port.Exchange(Direct(0x05, 0x03, 0xE8), 7);
    EXPECT_EQ(servo.direct().lastPosition, 1000);
    EXPECT_EQ(servo.direct().moves, 2);

    // A bad checksum is only echoed, and the servo does not act on it. Bytes that start no
    // packet, a controller packet among them, are no packets to the servo, but the cable hands
    // every one of them back.
    Bytes bad = Direct(0xE2, 0x13, 7);
    bad[4] ^= 1;
    EXPECT_EQ(port.Exchange(bad, 7), bad);
    EXPECT_EQ(servo.direct().memory[0x13], 200);
    Bytes stray{0x12, 0x34};
    const Bytes close = Direct(0xEF, 0, 0);
    stray.insert(stray.end(), close.begin(), close.end());
    EXPECT_EQ(port.Exchange(stray, 9), (Bytes{0x12, 0x34, 0x80, 0xEF, 0, 0, 0x91, 0, 0}));
    EXPECT_EQ(port.Exchange({0xF1, 0x13, 0, 3}, 4), (Bytes{0xF1, 0x13, 0, 3}));
    Idle(30);
    EXPECT_TRUE(port.in.empty());

    ASSERT_EQ(servo.packetCount(), 11);
    EXPECT_EQ(servo.received()[0].bytes, Direct(0xE7, 0, 0));
    EXPECT_TRUE(servo.received()[0].direct);
    EXPECT_EQ(servo.received()[0].baud, 19200);
    EXPECT_EQ(servo.received()[0].stopBits, 2);
    EXPECT_EQ(servo.received()[10].bytes, close);
    EXPECT_EQ(signalled.size(), 11u);
    EXPECT_EQ(signalled.back(), 10);
}

TEST_F(VirtualServoTest, AnswersOnlyAtTheRoutesLineSettings) {
    servo.direct().version = 110;
    servo.controllerServos()[0].version = 110;
    Port port(servo.devicePath(), B19200, 1);
    ASSERT_TRUE(port.ok());

    // The cable echoes whatever the framing; the servo makes out nothing at one stop bit.
    EXPECT_EQ(port.Exchange(Direct(0xE7, 0, 0), 7), Direct(0xE7, 0, 0));
    EXPECT_EQ(port.Exchange(Direct(0xE2, 0x13, 200), 7), Direct(0xE2, 0x13, 200));
    EXPECT_EQ(servo.direct().memory[0x13], 0);
    port.SetLine(B19200, 2);
    EXPECT_EQ(port.Exchange(Direct(0xE7, 0, 0), 7)[5], 110);

    // A servo held on the cable is no servo at the controller's speed.
    servo.setRoute(verrano::vs::Route::Direct);
    port.SetLine(B9600, 2);
    EXPECT_EQ(port.Exchange(Direct(0xE7, 0, 0), 7), Direct(0xE7, 0, 0));
    servo.setRoute(verrano::vs::Route::Auto);

    // The controller hears nothing at one stop bit, nor at another speed: no answer, and no step
    // of the handshake is taken.
    port.SetLine(B9600, 1);
    EXPECT_TRUE(port.Unanswered({0xFA, 0xFA, 0xFA, 0xFA}));
    port.SetLine(B38400, 2);
    EXPECT_TRUE(port.Unanswered({0xFA, 0xFA, 0xFA, 0xFA}));
    port.SetLine(B9600, 2);
    EXPECT_TRUE(port.Unanswered({0xD0, 0, 0, 0}));
    EXPECT_TRUE(Handshake(port, 0));
    port.SetLine(B9600, 1);
    EXPECT_TRUE(port.Unanswered({0xF7, 0, 0, 0}));
    port.SetLine(B9600, 2);
    EXPECT_EQ(port.Exchange({0xF7, 0, 0, 0}, 2), (Bytes{110, 0}));

    // What the port was set to is on record with each packet.
    ASSERT_EQ(servo.packetCount(), 11);
    EXPECT_EQ(servo.received()[0].baud, 19200);
    EXPECT_EQ(servo.received()[0].stopBits, 1);
    EXPECT_EQ(servo.received()[5].baud, 38400);
    EXPECT_EQ(servo.received()[9].stopBits, 1);
}

TEST_F(VirtualServoTest, ControllerAnswersOnlyAfterWakeUpAndLinkSinceThePortOpened) {
    servo.controllerServos()[2] = {111, VirtualServo::FactoryImage(0)};
    const QString path = servo.devicePath();
    const std::vector<Bytes> commands{{0xF7, 0, 0, 2},       {0xF1, 0x13, 0, 2},
                                      {0xF2, 0x13, 9, 2},    {0xF4, 0x80, 9, 2},
                                      {0xF6, 0x05, 0xDC, 2}, Direct(0xE7, 0, 0)};
    auto allUnanswered = [&](Port& port) {
        bool none = true;
        for (const Bytes& c : commands) {
            const bool quiet = port.Unanswered(c, 60);
            EXPECT_TRUE(quiet) << "answered command " << int(c[0]) << " " << int(c[1]);
            none = none && quiet;
        }
        return none;
    };
    {
        Port port(path, B9600);
        ASSERT_TRUE(port.ok());
        // Asleep: neither commands nor the link step.
        EXPECT_TRUE(allUnanswered(port));
        EXPECT_TRUE(port.Unanswered({0xD0, 0, 0, 2}));
        // Awake but linked to no servo: a link step to an empty port doesn't count.
        EXPECT_EQ(port.Exchange({0xFA, 0xFA, 0xFA, 0xFA}, 2), (Bytes{0x55, 0x00}));
        EXPECT_EQ(port.Exchange({0xD0, 0, 0, 4}, 2), (Bytes{0x01, 4}));
        EXPECT_TRUE(allUnanswered(port));
        EXPECT_EQ(port.Exchange({0xD0, 0, 0, 2}, 2), (Bytes{0x00, 2}));
        EXPECT_EQ(port.Exchange({0xF7, 0, 0, 2}, 2), (Bytes{111, 2}));
        EXPECT_EQ(port.Exchange(Direct(0xE7, 0, 0), 2), (Bytes{111, 0}));
        EXPECT_EQ(servo.controllerServos()[2].memory[0x13], 180);
        EXPECT_EQ(servo.controllerServos()[2].moves, 0);
    }
    {
        // Closed and opened again at once, before the servo had a turn: asleep again.
        Port port(path, B9600);
        ASSERT_TRUE(port.ok());
        EXPECT_TRUE(allUnanswered(port));
        EXPECT_TRUE(Handshake(port, 2));
        EXPECT_EQ(port.Exchange({0xF1, 0x13, 0, 2}, 2), (Bytes{180, 2}));
    }
    Idle(50);
    // The same after a pause between closing and opening.
    Port port(path, B9600);
    ASSERT_TRUE(port.ok());
    EXPECT_TRUE(allUnanswered(port));
    EXPECT_EQ(servo.controllerServos()[2].memory[0x13], 180);
    EXPECT_EQ(servo.controllerServos()[2].lastPosition, -1);
}

TEST_F(VirtualServoTest, ControllerHandshakeAndCommands) {
    auto& s = servo.controllerServos()[3];
    s.version = 112;
    s.memory = VirtualServo::FactoryImage(0);
    Port port(servo.devicePath(), B9600);
    ASSERT_TRUE(port.ok());

    EXPECT_EQ(port.Exchange({0xFA, 0xFA, 0xFA, 0xFA}, 2), (Bytes{0x55, 0x00}));
    EXPECT_EQ(port.Exchange({0xD0, 0, 0, 5}, 2), (Bytes{0x01, 5})); // no servo on port 5
    EXPECT_EQ(port.Exchange({0xD0, 0, 0, 3}, 2), (Bytes{0x00, 3}));
    EXPECT_EQ(port.Exchange({0xF7, 0, 0, 3}, 2), (Bytes{112, 3}));
    EXPECT_EQ(port.Exchange({0xF7, 0, 0, 5}, 2), (Bytes{0x00, 5})); // the controller speaks for it
    EXPECT_EQ(port.Exchange({0xF1, 0x13, 0, 5}, 2), (Bytes{0x00, 5}));

    EXPECT_EQ(port.Exchange({0xF1, 0x13, 0, 3}, 2), (Bytes{180, 3}));
    EXPECT_EQ(port.Exchange({0xF2, 0x13, 200, 3}, 2), (Bytes{0, 3}));
    EXPECT_EQ(port.Exchange({0xF1, 0x13, 0, 3}, 2), (Bytes{200, 3}));
    EXPECT_EQ(port.Exchange({0xF4, 0x80, 7, 3}, 2), (Bytes{0, 3}));
    EXPECT_EQ(s.memory[0], 7);
    EXPECT_EQ(port.Exchange({0xF6, 0x05, 0xDC, 3}, 2), (Bytes{0, 3}));
    EXPECT_EQ(s.lastPosition, 1500);

    // A direct packet through the controller reaches the linked servo; no echo comes back.
    EXPECT_EQ(port.Exchange(Direct(0xE2, 0x2C, 99), 2), (Bytes{0, 0}));
    EXPECT_EQ(s.memory[0x2C], 99);
    EXPECT_EQ(port.Exchange(Direct(0xE1, 0x2C, 0), 2), (Bytes{99, 0}));
    Idle(50);
    EXPECT_TRUE(port.in.empty()); // nothing beyond the two answer bytes

    ASSERT_EQ(servo.packetCount(), 13);
    EXPECT_FALSE(servo.received()[0].direct);
    EXPECT_EQ(servo.received()[0].baud, 9600);
    EXPECT_EQ(servo.received()[2].bytes, (Bytes{0xD0, 0, 0, 3}));
    EXPECT_TRUE(servo.received()[12].direct);
}

TEST_F(VirtualServoTest, EmptyPortAnswersZeroUnlessSilentAndTheMemoryChecksum) {
    servo.controllerServos()[3] = {112, VirtualServo::FactoryImage(3)};
    Port port(servo.devicePath(), B9600);
    ASSERT_TRUE(port.ok());
    ASSERT_TRUE(Handshake(port, 3));
    const std::vector<Bytes> toEmpty{{0xF7, 0, 0, 5},
                                     {0xF1, 0x13, 0, 5},
                                     {0xF2, 0x13, 200, 5},
                                     {0xF4, 0x80, 7, 5},
                                     {0xF6, 0x05, 0xDC, 5}};
    for (const Bytes& c : toEmpty)
        EXPECT_EQ(port.Exchange(c, 2), (Bytes{0x00, 5})) << "command " << int(c[0]);
    EXPECT_EQ(servo.controllerServos().count(5), 0u);

    servo.setFault(Fault::SilentEmptyPorts);
    for (const Bytes& c : toEmpty)
        EXPECT_TRUE(port.Unanswered(c, 60)) << "command " << int(c[0]);
    EXPECT_EQ(port.Exchange({0xF7, 0, 0, 3}, 2), (Bytes{112, 3}));

    // The servo the link was made to, unplugged: what is forwarded to it finds an empty port.
    servo.controllerServos().erase(3);
    EXPECT_TRUE(port.Unanswered(Direct(0xE1, 0x2C, 0), 60));
    servo.setFault(Fault::None);
    EXPECT_EQ(port.Exchange(Direct(0xE1, 0x2C, 0), 2), (Bytes{0x00, 0}));

    // Every factory image is a valid memory; a byte changed without its checksum is not, nor is
    // a memory whose last byte isn't 255.
    for (int model = 0; model < 4; ++model) {
        verrano::vs::ServoState s{110, VirtualServo::FactoryImage(model)};
        EXPECT_TRUE(s.checksumValid()) << model;
        s.memory[0x13] += 5;
        EXPECT_FALSE(s.checksumValid()) << model;
        s.memory[0x2C] -= 5;
        EXPECT_TRUE(s.checksumValid()) << model;
        s.memory[45] = 0;
        EXPECT_FALSE(s.checksumValid()) << model;
    }
}

TEST_F(VirtualServoTest, VersionPollScriptThenTheServosOwnVersion) {
    servo.controllerServos()[0].version = 108;
    servo.versionPollAnswers() = {105, -1, 110};
    Port port(servo.devicePath(), B9600);
    ASSERT_TRUE(port.ok());
    ASSERT_TRUE(Handshake(port, 0));
    EXPECT_EQ(port.Exchange({0xF7, 0, 0, 0}, 2), (Bytes{105, 0}));
    EXPECT_TRUE(port.Unanswered({0xF7, 0, 0, 0}));
    EXPECT_EQ(port.Exchange({0xF7, 0, 0, 0}, 2), (Bytes{110, 0}));
    EXPECT_EQ(port.Exchange({0xF7, 0, 0, 0}, 2), (Bytes{108, 0}));
    EXPECT_EQ(servo.packetCount(), 6);
}

TEST_F(VirtualServoTest, SilentEchoOnlyAndSilentAfterN) {
    servo.controllerServos()[0].version = 110;
    {
        Port port(servo.devicePath(), B19200);
        ASSERT_TRUE(port.ok());
        servo.setFault(Fault::Silent);
        EXPECT_TRUE(port.Unanswered(Direct(0xE7, 0, 0)));
        EXPECT_EQ(servo.packetCount(), 1); // still recorded

        servo.setFault(Fault::EchoOnly);
        EXPECT_EQ(port.Exchange(Direct(0xE7, 0, 0), 7), Direct(0xE7, 0, 0));

        servo.setFault(Fault::SilentAfterN, 2);
        EXPECT_EQ(port.Exchange(Direct(0xE7, 0, 0), 7)[5], 110);
        EXPECT_EQ(port.Exchange(Direct(0xE7, 0, 0), 7).size(), 7u);
        EXPECT_TRUE(port.Unanswered(Direct(0xE7, 0, 0)));
        EXPECT_TRUE(port.Unanswered(Direct(0xE7, 0, 0)));
    }
    Port port(servo.devicePath(), B9600); // the line outlives the program closing its port
    ASSERT_TRUE(port.ok());
    servo.setFault(Fault::None);
    ASSERT_TRUE(Handshake(port, 0));
    servo.setFault(Fault::EchoOnly);
    EXPECT_TRUE(port.Unanswered({0xF7, 0, 0, 0}));
    servo.setFault(Fault::None);
    EXPECT_EQ(port.Exchange({0xF7, 0, 0, 0}, 2), (Bytes{110, 0}));
}

TEST_F(VirtualServoTest, LateAnswersKeepTheirOrderAndWireTimeDelays) {
    servo.controllerServos()[0].version = 110;
    Port port(servo.devicePath(), B9600);
    ASSERT_TRUE(port.ok());
    ASSERT_TRUE(Handshake(port, 0));
    servo.setFault(Fault::Late);
    servo.setLateMs(150);
    QElapsedTimer t;
    t.start();
    ASSERT_TRUE(port.Write({0xF7, 0, 0, 0}));
    ASSERT_TRUE(port.Write({0xF1, 0x2D, 0, 0}));
    Idle(60);
    EXPECT_TRUE(port.in.empty());
    ASSERT_TRUE(WaitFor([&] { return port.in.size() >= 4; }, 3000));
    EXPECT_GE(t.elapsed(), 140);
    EXPECT_EQ(port.in, (Bytes{110, 0, 0, 0})); // memory is zero: the poll's answer comes first
    port.in.clear();

    servo.setFault(Fault::None);
    servo.setWireTime(true);
    servo.setLatencyMs(80);
    t.restart();
    EXPECT_EQ(port.Exchange({0xF7, 0, 0, 0}, 2), (Bytes{110, 0}));
    EXPECT_GE(t.elapsed(), 80 + 11 * 6 * 1000 / 9600 - 2);
}

TEST_F(VirtualServoTest, WrongLengthPadsOrCutsDirectAnswers) {
    servo.direct().version = 110;
    Port port(servo.devicePath(), B19200);
    ASSERT_TRUE(port.ok());
    servo.setFault(Fault::WrongLength);
    servo.setWrongLength(9);
    EXPECT_EQ(port.Exchange(Direct(0xE7, 0, 0), 9), (Bytes{0x80, 0xE7, 0, 0, 0x99, 110, 0, 0, 0}));
    Idle(30);
    EXPECT_TRUE(port.in.empty());
    servo.setWrongLength(3);
    EXPECT_EQ(port.Exchange(Direct(0xE7, 0, 0), 3), (Bytes{0x80, 0xE7, 0}));
    Idle(30);
    EXPECT_TRUE(port.in.empty());
}

TEST_F(VirtualServoTest, VanishAfterNPacketsAndAtOnce) {
    servo.direct().version = 110;
    const QString path = servo.devicePath();
    {
        Port port(path, B19200);
        ASSERT_TRUE(port.ok());
        servo.setFault(Fault::Vanish, 1);
        EXPECT_EQ(port.Exchange(Direct(0xE7, 0, 0), 7).size(), 7u);
        EXPECT_FALSE(servo.vanished());
        port.Write(Direct(0xE7, 0, 0));
        EXPECT_TRUE(WaitFor([&] { return servo.vanished(); }, 2000));
        EXPECT_EQ(servo.packetCount(), 2);
        EXPECT_TRUE(WaitFor([&] { return port.hungUp; }, 2000));
        EXPECT_FALSE(port.Write(Direct(0xE7, 0, 0)));
    }
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    EXPECT_LT(fd, 0) << "the device is still there";
    if (fd >= 0) ::close(fd);

    VirtualServo other;
    ASSERT_TRUE(other.start());
    Port port(other.devicePath(), B9600);
    ASSERT_TRUE(port.ok());
    other.vanish();
    EXPECT_TRUE(other.vanished());
    EXPECT_TRUE(WaitFor([&] { return port.hungUp; }, 2000));
    EXPECT_FALSE(port.Write({0xFA, 0xFA, 0xFA, 0xFA}));
}

TEST_F(VirtualServoTest, ReopenedPortAndLeftoverFragment) {
    servo.direct().version = 111;
    {
        Port port(servo.devicePath(), B19200);
        ASSERT_TRUE(port.ok());
        ASSERT_TRUE(port.Write({0x80, 0xE7, 0x00})); // the program closed the port half way
        Idle(30);
    }
    Port port(servo.devicePath(), B19200);
    ASSERT_TRUE(port.ok());
    EXPECT_EQ(port.Exchange(Direct(0xE7, 0, 0), 7), (Bytes{0x80, 0xE7, 0, 0, 0x99, 111, 0}));
    EXPECT_EQ(servo.packetCount(), 1);
}

TEST_F(VirtualServoTest, TheProgramsClaimOnThePortStaysWhileItHoldsThePort) {
    // Closed and opened again at once, as a disconnect and a connect do: the closing comes to the
    // servo after the new opening has claimed the port, and must not take that claim away.
    {
        Port old(servo.devicePath(), B19200);
        ASSERT_TRUE(old.ok());
        ASSERT_EQ(::ioctl(old.fd(), TIOCEXCL), 0);
        Idle(30);
        ASSERT_EQ(::ioctl(old.fd(), TIOCNXCL), 0);
    }
    Port port(servo.devicePath(), B19200);
    ASSERT_TRUE(port.ok());
    ASSERT_EQ(::ioctl(port.fd(), TIOCEXCL), 0);
    Idle(50);
    int exclusive = 0;
    ASSERT_EQ(::ioctl(port.fd(), TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 1);
}

} // namespace
