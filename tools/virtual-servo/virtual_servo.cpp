// The virtual servo and controller: packet framing on the pseudo-terminal's master side, the
// servo's memory and answers, the controller's handshake, and the fault modes.
#include "virtual_servo.h"

#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace verrano::vs {

namespace {

constexpr int kDirectLength = 7;
constexpr int kControllerLength = 4;
constexpr uint8_t kHeader = 0x80;
constexpr int kMemorySize = 46;
constexpr int kIdAddress = 41;
// A packet's bytes arrive within one write; a fragment older than this is a leftover from a port
// that was closed half way, and would otherwise shift every later packet.
constexpr qint64 kStaleFragmentMs = 200;

// The factory images, address 0 to 45 down, one model a row.
constexpr uint8_t kImages[4][kMemorySize] = {
    {80,  180, 3,   30,  1,   1,   255, 0,  0, 2, 38,  9,  146, 0,   16, 3,
     240, 5,   220, 180, 180, 19,  136, 0,  0, 5, 220, 41, 40,  210, 5,  100,
     200, 4,   50,  1,   60,  160, 2,   10, 1, 0, 10,  2,  207, 255}, // Tavrik
    {20,  100, 4,   5,   2,   1,  255, 0, 0, 2, 38,  9,  146, 0,   16, 3,
     240, 5,   220, 180, 180, 19, 136, 0, 0, 5, 220, 41, 40,  210, 10, 30,
     120, 4,   7,   2,   10,  80, 4,   3, 2, 0, 10,  2,  179, 255}, // Bellun
    {20,  100, 4,   5,   2,   1,  255, 0, 0, 2, 38,  9,  146, 0,   16, 3,
     240, 5,   220, 180, 180, 19, 136, 0, 0, 5, 220, 41, 40,  210, 10, 30,
     120, 4,   7,   2,   10,  80, 4,   3, 2, 0, 10,  2,  179, 255}, // Quorrin
    {80,  180, 4,   10,  2,   1,   255, 255, 228, 2, 38,  9,  146, 0,   16, 3,
     240, 5,   220, 190, 185, 19,  136, 0,   0,   5, 220, 41, 40,  210, 10, 100,
     200, 5,   15,  2,   60,  160, 3,   5,   2,   0, 10,  2,  14,  255}, // Dimmar
};

int BaudOf(speed_t speed) {
    switch (speed) {
    case B1200:
        return 1200;
    case B2400:
        return 2400;
    case B4800:
        return 4800;
    case B9600:
        return 9600;
    case B19200:
        return 19200;
    case B38400:
        return 38400;
    case B57600:
        return 57600;
    case B115200:
        return 115200;
    case B230400:
        return 230400;
    default:
        return 0;
    }
}

bool ChecksumOk(const std::vector<uint8_t>& p) {
    unsigned sum = 0;
    for (int i = 0; i < 5; ++i)
        sum += p[i];
    return sum % 256 == 0;
}

void WriteMemory(ServoState& servo, int address, uint8_t value) {
    if (address >= 0 && address < kMemorySize) servo.memory[address] = value;
}

uint8_t ReadMemory(const ServoState& servo, int address) {
    return address >= 0 && address < kMemorySize ? servo.memory[address] : 0;
}

void Move(ServoState& servo, uint8_t high, uint8_t low) {
    servo.lastPosition = high * 256 + low;
    ++servo.moves;
}

} // namespace

VirtualServo::VirtualServo(QObject* parent) : QObject(parent) {
    clock_.start();
    sendTimer_ = new QTimer(this);
    sendTimer_->setSingleShot(true);
    sendTimer_->setTimerType(Qt::PreciseTimer);
    connect(sendTimer_, &QTimer::timeout, this, &VirtualServo::flushDue);
}

VirtualServo::~VirtualServo() {
    closeMaster();
}

std::array<uint8_t, 46> VirtualServo::FactoryImage(int model) {
    // An unknown model gets the first model's image, as the program's own default model.
    if (model < 0 || model > 3) model = 0;
    std::array<uint8_t, 46> image{};
    std::copy(std::begin(kImages[model]), std::end(kImages[model]), image.begin());
    return image;
}

bool VirtualServo::start(QString* error) {
    auto fail = [&](const char* what) {
        const int err = errno;
        if (error)
            *error = QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(strerror(err)));
        closeMaster();
        return false;
    };
    if (masterFd_ >= 0) {
        if (error) *error = QStringLiteral("already started");
        return false;
    }
    masterFd_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (masterFd_ < 0) return fail("posix_openpt");
    if (grantpt(masterFd_) != 0) return fail("grantpt");
    if (unlockpt(masterFd_) != 0) return fail("unlockpt");
    const char* name = ptsname(masterFd_);
    if (!name) return fail("ptsname");
    devicePath_ = QString::fromLocal8Bit(name);
    ::fcntl(masterFd_, F_SETFD, FD_CLOEXEC);

    slaveKeepFd_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slaveKeepFd_ < 0) return fail("open slave");
    termios tio{};
    if (tcgetattr(slaveKeepFd_, &tio) != 0) return fail("tcgetattr");
    cfmakeraw(&tio);
    cfsetspeed(&tio, B9600);
    if (tcsetattr(slaveKeepFd_, TCSANOW, &tio) != 0) return fail("tcsetattr");

    const int flags = ::fcntl(masterFd_, F_GETFL);
    if (flags < 0 || ::fcntl(masterFd_, F_SETFL, flags | O_NONBLOCK) != 0)
        return fail("fcntl O_NONBLOCK");

    notifier_ = new QSocketNotifier(masterFd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &VirtualServo::onReadable);
    return true;
}

void VirtualServo::vanish() {
    closeMaster();
}

void VirtualServo::closeMaster() {
    if (notifier_) {
        // May run inside the notifier's own signal: disable now, delete once it has returned.
        notifier_->setEnabled(false);
        notifier_->deleteLater();
        notifier_ = nullptr;
    }
    if (sendTimer_) sendTimer_->stop();
    outQueue_.clear();
    pending_.clear();
    if (masterFd_ >= 0) ::close(masterFd_);
    masterFd_ = -1;
    // The kept slave goes too, so the device node disappears as an unplugged adapter's does.
    if (slaveKeepFd_ >= 0) ::close(slaveKeepFd_);
    slaveKeepFd_ = -1;
}

int VirtualServo::currentBaud() const {
    if (slaveKeepFd_ < 0) return 0;
    termios tio{};
    if (tcgetattr(slaveKeepFd_, &tio) != 0) return 0;
    const int out = BaudOf(cfgetospeed(&tio));
    return out ? out : BaudOf(cfgetispeed(&tio));
}

bool VirtualServo::directRouteAt(int baud) const {
    switch (route_) {
    case Route::Direct:
        return true;
    case Route::Controller:
        return false;
    case Route::Auto:
        break;
    }
    return baud == 19200;
}

void VirtualServo::onReadable() {
    if (masterFd_ < 0) return;
    uint8_t buffer[512];
    for (;;) {
        const ssize_t n = ::read(masterFd_, buffer, sizeof buffer);
        if (n > 0) {
            handleBytes(buffer, static_cast<std::size_t>(n));
            if (masterFd_ < 0) return; // vanished while handling
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        // EOF or EIO: the slave side is gone for good (the kept descriptor prevents the ordinary
        // hang-up). Stop listening rather than wake up on the error forever.
        qWarning("virtual servo: the pseudo-terminal failed (%s); no longer listening",
                 n == 0 ? "end of file" : strerror(errno));
        if (notifier_) notifier_->setEnabled(false);
        return;
    }
}

void VirtualServo::handleBytes(const uint8_t* data, std::size_t n) {
    const qint64 now = clock_.elapsed();
    const int baud = currentBaud();
    if (!pending_.empty() && now - pendingSince_ > kStaleFragmentMs) pending_.clear();
    if (pending_.empty()) {
        pendingBaud_ = baud;
        pendingSince_ = now;
    }
    pending_.insert(pending_.end(), data, data + n);
    if (processing_) return; // the outer call goes on with the bytes just added
    processing_ = true;
    while (masterFd_ >= 0 && !pending_.empty()) {
        const bool directRoute = directRouteAt(pendingBaud_);
        if (directRoute && pending_.front() != kHeader) {
            // Stray byte on the direct route: the servo waits for a header.
            pending_.erase(pending_.begin());
            continue;
        }
        const bool directForm = pending_.front() == kHeader;
        const std::size_t length = directForm ? kDirectLength : kControllerLength;
        if (pending_.size() < length) break;
        std::vector<uint8_t> packet(pending_.begin(), pending_.begin() + length);
        pending_.erase(pending_.begin(), pending_.begin() + length);
        const int packetBaud = pendingBaud_;
        // Bytes left over were read together with this packet, at today's speed.
        pendingBaud_ = baud;
        pendingSince_ = now;
        handlePacket(packet, directForm, packetBaud);
    }
    processing_ = false;
}

void VirtualServo::handlePacket(const std::vector<uint8_t>& packet, bool direct, int baud) {
    received_.push_back(Packet{packet, direct, baud});
    const int index = static_cast<int>(received_.size()) - 1;
    ++faultSeen_;
    const bool directRoute = directRouteAt(baud);
    const int requestBytes = static_cast<int>(packet.size());

    switch (fault_) {
    case Fault::Vanish:
        if (faultSeen_ > faultN_) {
            vanish();
            emit packetReceived(index);
            return;
        }
        break;
    case Fault::Silent:
        emit packetReceived(index);
        return;
    case Fault::SilentAfterN:
        if (faultSeen_ > faultN_) {
            emit packetReceived(index);
            return;
        }
        break;
    case Fault::EchoOnly:
        if (directRoute) send(packet, requestBytes, baud);
        emit packetReceived(index);
        return;
    default:
        break;
    }

    if (directRoute) {
        // The single-wire cable hands the request back; the servo's answer, if any, takes the
        // place of the two trailing bytes.
        std::vector<uint8_t> out = packet;
        if (direct) {
            const std::vector<uint8_t> answer = answerDirect(packet, direct_);
            if (answer.size() == 2) {
                out[5] = answer[0];
                out[6] = answer[1];
            }
        }
        if (fault_ == Fault::WrongLength) out.resize(std::max(0, wrongLength_), 0);
        if (!out.empty()) send(std::move(out), requestBytes, baud);
    } else {
        std::vector<uint8_t> answer;
        if (direct) {
            // A direct packet through the controller reaches the servo the link was made to.
            const int port = linkedPort_ >= 0 ? linkedPort_ : 0;
            auto it = ctrl_.find(port);
            if (it != ctrl_.end()) answer = answerDirect(packet, it->second);
        } else {
            answer = answerController(packet);
        }
        if (!answer.empty()) send(std::move(answer), requestBytes, baud);
    }
    emit packetReceived(index);
}

std::vector<uint8_t> VirtualServo::answerDirect(const std::vector<uint8_t>& p, ServoState& servo) {
    // A servo ignores a packet whose checksum is wrong: no answer bytes.
    if (p.size() != kDirectLength || p[0] != kHeader || !ChecksumOk(p)) return {};
    const uint8_t command = p[1];
    const uint8_t d1 = p[2];
    const uint8_t d2 = p[3];
    if (command <= 0x7F) {
        if (servo.memory[kIdAddress] != command) return {};
        Move(servo, d1, d2);
        return {0, 0};
    }
    switch (command) {
    case 0xE7:
        return {servo.version, 0};
    case 0xE1:
        return {ReadMemory(servo, d1), 0};
    case 0xE2:
        WriteMemory(servo, d1, d2);
        return {0, 0};
    case 0xE4:
        WriteMemory(servo, d1 & 0x7F, d2);
        return {0, 0};
    case 0xF6:
        Move(servo, d1, d2);
        return {0, 0};
    case 0xEF:
        return {0, 0};
    default:
        return {};
    }
}

std::vector<uint8_t> VirtualServo::answerController(const std::vector<uint8_t>& p) {
    if (p.size() != kControllerLength) return {};
    const uint8_t command = p[0];
    const uint8_t d1 = p[1];
    const uint8_t d2 = p[2];
    const uint8_t port = p[3];
    if (p == std::vector<uint8_t>{0xFA, 0xFA, 0xFA, 0xFA}) return {0x55, 0x00};
    auto it = ctrl_.find(port);
    ServoState* servo = it != ctrl_.end() ? &it->second : nullptr;
    switch (command) {
    case 0xD0:
        if (!servo) return {0x01, port};
        linkedPort_ = port;
        return {0x00, port};
    case 0xF7:
        if (pollIndex_ < pollAnswers_.size()) {
            const int scripted = pollAnswers_[pollIndex_++];
            if (scripted < 0) return {};
            return {static_cast<uint8_t>(scripted), port};
        }
        if (!servo) return {};
        return {servo->version, port};
    case 0xF1:
        if (!servo) return {};
        return {ReadMemory(*servo, d1), port};
    case 0xF2:
        if (!servo) return {};
        WriteMemory(*servo, d1, d2);
        return {0x00, port};
    case 0xF4:
        if (!servo) return {};
        WriteMemory(*servo, d1 & 0x7F, d2);
        return {0x00, port};
    case 0xF6:
        if (!servo) return {};
        Move(*servo, d1, d2);
        return {0x00, port};
    default:
        return {};
    }
}

void VirtualServo::send(std::vector<uint8_t> bytes, int requestBytes, int baud) {
    if (masterFd_ < 0 || bytes.empty()) return;
    qint64 delay = 0;
    if (fault_ == Fault::Late) delay += std::max(0, lateMs_);
    if (wireTime_ && baud > 0) {
        // On the direct route the servo answers in the request's own last two byte slots, so an
        // exchange takes the request's wire time; through the controller the answer follows it.
        const bool directRoute = directRouteAt(baud);
        const int answerBytes = directRoute ? 0 : static_cast<int>(bytes.size());
        const qint64 bits = 11LL * (requestBytes + answerBytes);
        delay += (bits * 1000 + baud / 2) / baud + std::max(0, latencyMs_);
    }
    if (delay == 0 && outQueue_.empty()) {
        writeMaster(bytes);
        return;
    }
    // Answers leave in the order their packets came, whatever their delays.
    qint64 due = clock_.elapsed() + delay;
    if (!outQueue_.empty()) due = std::max(due, outQueue_.back().due);
    outQueue_.push_back(Outgoing{std::move(bytes), due});
    if (!sendTimer_->isActive()) flushDue();
}

void VirtualServo::flushDue() {
    while (!outQueue_.empty() && masterFd_ >= 0) {
        const qint64 wait = outQueue_.front().due - clock_.elapsed();
        if (wait > 0) {
            sendTimer_->start(static_cast<int>(wait));
            return;
        }
        const std::vector<uint8_t> bytes = std::move(outQueue_.front().bytes);
        outQueue_.pop_front();
        writeMaster(bytes);
    }
}

void VirtualServo::writeMaster(const std::vector<uint8_t>& bytes) {
    std::size_t done = 0;
    while (masterFd_ >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(masterFd_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            // A full input queue means nobody reads the port; the answer is lost as on a real
            // line, and the program's own time-out must cope.
            qWarning("virtual servo: answer not delivered (%s)", n < 0 ? strerror(errno) : "");
            return;
        }
    }
}

} // namespace verrano::vs
