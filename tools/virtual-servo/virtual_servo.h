// A virtual servo (and a virtual controller with 24 servo ports) behind a pseudo-terminal, for
// tests and for trying the program without hardware. It runs in the event loop of the process
// that owns it.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <vector>

class QSocketNotifier;
class QTimer;

namespace verrano::vs {

// One simulated servo: its 46-byte memory, version, last position.
struct ServoState {
    uint8_t version = 110;
    std::array<uint8_t, 46> memory{};
    int lastPosition = -1;
    int moves = 0; // move packets that addressed it

    // Bytes 0 to 44 sum to 0 modulo 256 and byte 45 is 255, as a servo's memory must.
    bool checksumValid() const;
};

// What the device does with what it receives.
enum class Fault {
    None,
    Silent,       // nothing comes back at all, not even the cable's echo
    EchoOnly,     // direct route: the cable echoes the packet unchanged (no servo answers)
    Late,         // every answer comes lateMs after the packet
    WrongLength,  // direct route: answers as chunks of wrongLength bytes instead of 7
    SilentAfterN, // answers the first n packets, then nothing
    Vanish,       // after n packets the device goes away (the pseudo-terminal is closed)
    // The controller answers nothing for a port without a servo (by default it answers 0).
    SilentEmptyPorts,
    // The controller passes a direct packet on to the linked servo but answers it with 0 itself
    // (by default it hands back the servo's answer).
    AckForwardedWithZero,
    // After n packets the servo loses contact: the direct cable echoes only, and the controller
    // answers for the servo's port as for an empty one.
    ServoGoneAfterN,
};

// Which device sits on the line. Auto: at 19200 baud the data cable with its servo, at any other
// speed the controller.
enum class Route { Auto, Direct, Controller };

// The framing the port was set to. A pseudo-terminal always carries eight data bits without
// parity, whatever the program asks for, so only these two can be told apart on it.
struct LineSettings {
    int baud = 0;
    int stopBits = 1;
    bool operator==(const LineSettings&) const = default;
};

struct Packet {
    std::vector<uint8_t> bytes;
    bool direct = true; // a 7-byte direct packet (else a 4-byte controller packet)
    int baud = 0;       // line speed the port was set to when it arrived
    int stopBits = 0;   // and its stop bits
};

class VirtualServo : public QObject {
    Q_OBJECT
public:
    explicit VirtualServo(QObject* parent = nullptr);
    ~VirtualServo() override;

    // Opens the pseudo-terminal pair; false with a reason on failure.
    bool start(QString* error = nullptr);
    // The device path the program opens (the pseudo-terminal's slave side).
    QString devicePath() const { return devicePath_; }
    // Make the device go away now, as an unplugged adapter does.
    void vanish();
    bool vanished() const { return masterFd_ < 0; }

    void setRoute(Route route) { route_ = route; }

    // The servo on the direct route.
    ServoState& direct() { return direct_; }
    // Servos behind the controller, by port 0..23; a port without an entry has no servo.
    std::map<int, ServoState>& controllerServos() { return ctrl_; }
    // Answers of successive version polls (0xF7) through the controller; when empty, or when
    // used up, the servo's own version answers. An entry of -1 leaves that poll unanswered.
    std::vector<int>& versionPollAnswers() { return pollAnswers_; }

    // Fill a memory with a model's factory image (0 Tavrik, 1 Bellun, 2 Quorrin, 3 Dimmar).
    static std::array<uint8_t, 46> FactoryImage(int model);

    // n counts the packets from this call on (SilentAfterN, Vanish, ServoGoneAfterN).
    void setFault(Fault fault, int n = 0) {
        fault_ = fault;
        faultN_ = n;
        faultSeen_ = 0;
    }
    Fault fault() const { return fault_; }
    void setLateMs(int ms) { lateMs_ = ms; }
    void setWrongLength(int bytes) { wrongLength_ = bytes; }
    // Emulate wire time: each answer waits for 11 bits a byte at the port's line speed, plus the
    // servo latency. On the direct route that is the 7-byte request alone (the servo answers in
    // its last two byte slots); through the controller, the request and the answer.
    void setWireTime(bool on) { wireTime_ = on; }
    void setLatencyMs(int ms) { latencyMs_ = ms; }

    // Every packet received, in order.
    const std::vector<Packet>& received() const { return received_; }
    void clearReceived() { received_.clear(); }
    int packetCount() const { return static_cast<int>(received_.size()); }

signals:
    void packetReceived(int index);

private:
    void onReadable();
    void handleBytes(const uint8_t* data, std::size_t n);
    void handlePacket(const std::vector<uint8_t>& packet, bool direct, LineSettings line);
    std::vector<uint8_t> answerDirect(const std::vector<uint8_t>& p, ServoState& servo);
    std::vector<uint8_t> answerController(const std::vector<uint8_t>& p);
    std::vector<uint8_t> emptyPortAnswer(uint8_t second) const;
    void send(std::vector<uint8_t> bytes, int requestBytes, LineSettings line);
    LineSettings currentLine() const;
    void closeMaster();
    void flushDue();
    void writeMaster(const std::vector<uint8_t>& bytes);
    bool directRouteAt(LineSettings line) const;
    bool cableEchoes() const;
    bool servoGone() const;
    void onClosed();
    void endSession();

    int masterFd_ = -1;
    int slaveKeepFd_ = -1; // keeps the slave side from hanging up while the program is closed
    QString devicePath_;
    QSocketNotifier* notifier_ = nullptr;
    std::vector<uint8_t> pending_;
    Route route_ = Route::Auto;
    ServoState direct_;
    std::map<int, ServoState> ctrl_;
    std::vector<int> pollAnswers_;
    std::size_t pollIndex_ = 0;
    int linkedPort_ = -1; // -1 until a link step is answered since the port was opened
    bool awake_ = false;  // the controller has had its wake-up since the port was opened
    Fault fault_ = Fault::None;
    int faultN_ = 0;
    int lateMs_ = 0;
    int wrongLength_ = 9;
    bool wireTime_ = false;
    int latencyMs_ = 0;
    std::vector<Packet> received_;

    // Added alongside the original members.
    int faultSeen_ = 0;        // packets since the fault was set
    LineSettings pendingLine_; // the line when the first byte of pending_ arrived
    // Closings of the device node, watched to tell when the program has closed the port.
    int watchFd_ = -1;
    int openers_ = 0; // openings of the device node seen, less its closings
    QSocketNotifier* watchNotifier_ = nullptr;
    bool processing_ = false; // a slot that pumps events must not re-enter packet handling
    struct Outgoing {
        std::vector<uint8_t> bytes;
        qint64 due = 0; // on clock_
    };
    std::deque<Outgoing> outQueue_; // delayed answers, in the order they must go out
    QTimer* sendTimer_ = nullptr;
    QElapsedTimer clock_;
};

} // namespace verrano::vs
