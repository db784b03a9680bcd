// The virtual servo and controller: packet framing on the pseudo-terminal's master side, the
// line settings each device answers at, the servo's memory and answers, the controller's
// handshake, the end of a session when the program closes the port, and the fault modes.
#include "virtual_servo.h"

#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace verrano::vs {

namespace {

constexpr int kDirectLength = 7;
constexpr int kControllerLength = 4;
constexpr uint8_t kHeader = 0x80;
constexpr int kMemorySize = 46;
constexpr int kIdAddress = 41;
// The framing each device is built for; at any other the servo can't make out a packet (the
// cable still echoes it) and the controller hears noise. Both run eight data bits without
// parity, which a pseudo-terminal can't show: it forces that on every setting the program makes,
// so the serial control's tests and the connect tests check through the port's own framing that
// the program asks for it.
constexpr LineSettings kDirectLine{19200, 2};
constexpr LineSettings kControllerLine{9600, 2};

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

bool ServoState::checksumValid() const {
    unsigned sum = 0;
    for (int a = 0; a <= 44; ++a)
        sum += memory[static_cast<std::size_t>(a)];
    return sum % 256 == 0 && memory[45] == 255;
}

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
    // Every closing of the device node is reported, so even a port closed and opened again before
    // this object gets to run ends the session. (The program is the only one to open it besides
    // the kept descriptor; closings that come in a row are reported as one, which is enough.)
    // Openings are counted against the closings, to tell when nobody else has it open.
    watchFd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watchFd_ < 0) return fail("inotify_init1");
    if (inotify_add_watch(watchFd_, name, IN_OPEN | IN_CLOSE) < 0) return fail("inotify_add_watch");
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
    watchNotifier_ = new QSocketNotifier(watchFd_, QSocketNotifier::Read, this);
    connect(watchNotifier_, &QSocketNotifier::activated, this, &VirtualServo::onClosed);
    return true;
}

void VirtualServo::vanish() {
    closeMaster();
}

void VirtualServo::closeMaster() {
    // Either may run inside the notifier's own signal: disable now, delete once it has returned.
    for (QSocketNotifier** n : {&notifier_, &watchNotifier_}) {
        if (!*n) continue;
        (*n)->setEnabled(false);
        (*n)->deleteLater();
        *n = nullptr;
    }
    if (watchFd_ >= 0) ::close(watchFd_);
    watchFd_ = -1;
    if (sendTimer_) sendTimer_->stop();
    outQueue_.clear();
    pending_.clear();
    if (masterFd_ >= 0) ::close(masterFd_);
    masterFd_ = -1;
    // The kept slave goes too, so the device node disappears as an unplugged adapter's does.
    if (slaveKeepFd_ >= 0) ::close(slaveKeepFd_);
    slaveKeepFd_ = -1;
}

LineSettings VirtualServo::currentLine() const {
    if (slaveKeepFd_ < 0) return {};
    termios tio{};
    if (tcgetattr(slaveKeepFd_, &tio) != 0) return {};
    const int out = BaudOf(cfgetospeed(&tio));
    return {out ? out : BaudOf(cfgetispeed(&tio)), (tio.c_cflag & CSTOPB) ? 2 : 1};
}

bool VirtualServo::directRouteAt(LineSettings line) const {
    switch (route_) {
    case Route::Direct:
        return true;
    case Route::Controller:
        return false;
    case Route::Auto:
        break;
    }
    return line.baud == kDirectLine.baud;
}

bool VirtualServo::cableEchoes() const {
    return fault_ != Fault::Silent && !(fault_ == Fault::SilentAfterN && faultSeen_ >= faultN_);
}

bool VirtualServo::servoGone() const {
    return fault_ == Fault::ServoGoneAfterN && faultSeen_ > faultN_;
}

void VirtualServo::onClosed() {
    if (watchFd_ < 0) return;
    alignas(inotify_event) char buffer[4096];
    bool closed = false;
    for (;;) {
        const ssize_t n = ::read(watchFd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_OPEN) ++openers_;
            if (event->mask & IN_CLOSE) {
                closed = true;
                openers_ = std::max(0, openers_ - 1);
            }
        }
    }
    if (!closed) return;
    // A real port loses its exclusive claim when the last program that has it open closes it,
    // also when the system closes it for a killed program. The kept descriptor holds this one
    // open for good, so the claim is dropped here once nobody else has it open.
    if (openers_ == 0 && slaveKeepFd_ >= 0) ::ioctl(slaveKeepFd_, TIOCNXCL);
    endSession();
}

void VirtualServo::endSession() {
    // The program has closed the port. A fragment it left is no start of its next packet, the
    // answers still on their way reach nobody, and the controller has to be woken and linked
    // again.
    pending_.clear();
    outQueue_.clear();
    if (sendTimer_) sendTimer_->stop();
    awake_ = false;
    linkedPort_ = -1;
}

void VirtualServo::onReadable() {
    if (masterFd_ < 0) return;
    std::vector<uint8_t> bytes;
    uint8_t buffer[512];
    bool failed = false;
    for (;;) {
        const ssize_t n = ::read(masterFd_, buffer, sizeof buffer);
        if (n > 0) {
            bytes.insert(bytes.end(), buffer, buffer + n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        // EOF or EIO: the slave side is gone for good (the kept descriptor prevents the ordinary
        // hang-up). Stop listening rather than wake up on the error forever.
        qWarning("virtual servo: the pseudo-terminal failed (%s); no longer listening",
                 n == 0 ? "end of file" : strerror(errno));
        failed = true;
        break;
    }
    // Closings reported by now are taken before these bytes: a closing that came before the
    // program wrote them must not end the session they belong to. (Bytes written just before a
    // closing and still unread after the next opening so count for the new session; a program
    // that closes the port under its own packets waits for no answer to them.)
    onClosed();
    if (!bytes.empty()) handleBytes(bytes.data(), bytes.size());
    if (failed && notifier_) notifier_->setEnabled(false);
}

void VirtualServo::handleBytes(const uint8_t* data, std::size_t n) {
    const LineSettings line = currentLine();
    if (pending_.empty()) pendingLine_ = line;
    pending_.insert(pending_.end(), data, data + n);
    if (processing_) return; // the outer call goes on with the bytes just added
    processing_ = true;
    while (masterFd_ >= 0 && !pending_.empty()) {
        const bool directRoute = directRouteAt(pendingLine_);
        if (directRoute && pending_.front() != kHeader) {
            // Bytes that start no packet: the servo waits for a header, but the single-wire cable
            // hands every byte back.
            const auto header = std::find(pending_.begin(), pending_.end(), kHeader);
            std::vector<uint8_t> stray(pending_.begin(), header);
            pending_.erase(pending_.begin(), header);
            if (cableEchoes()) {
                const int count = static_cast<int>(stray.size());
                send(std::move(stray), count, pendingLine_);
            }
            continue;
        }
        const bool directForm = pending_.front() == kHeader;
        const std::size_t length = directForm ? kDirectLength : kControllerLength;
        if (pending_.size() < length) break;
        std::vector<uint8_t> packet(pending_.begin(), pending_.begin() + length);
        pending_.erase(pending_.begin(), pending_.begin() + length);
        const LineSettings packetLine = pendingLine_;
        // Bytes left over were read together with this packet, at today's settings.
        pendingLine_ = line;
        handlePacket(packet, directForm, packetLine);
    }
    processing_ = false;
}

void VirtualServo::handlePacket(const std::vector<uint8_t>& packet, bool direct,
                                LineSettings line) {
    received_.push_back(Packet{packet, direct, line.baud, line.stopBits});
    const int index = static_cast<int>(received_.size()) - 1;
    ++faultSeen_;
    const bool directRoute = directRouteAt(line);
    const bool framed = line == (directRoute ? kDirectLine : kControllerLine);
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
        if (directRoute) send(packet, requestBytes, line);
        emit packetReceived(index);
        return;
    case Fault::ServoGoneAfterN:
        // Left without its servo, the cable is a bare one; the controller is still there.
        if (servoGone() && directRoute) {
            send(packet, requestBytes, line);
            emit packetReceived(index);
            return;
        }
        break;
    default:
        break;
    }

    if (directRoute) {
        // The single-wire cable hands the request back; the servo's answer, if any, takes the
        // place of the two trailing bytes.
        std::vector<uint8_t> out = packet;
        if (direct && framed) {
            const std::vector<uint8_t> answer = answerDirect(packet, direct_);
            if (answer.size() == 2) {
                out[5] = answer[0];
                out[6] = answer[1];
            }
        }
        if (fault_ == Fault::WrongLength) out.resize(std::max(0, wrongLength_), 0);
        if (!out.empty()) send(std::move(out), requestBytes, line);
    } else {
        std::vector<uint8_t> answer;
        if (!framed) {
            // Noise to the controller: it neither answers nor takes a step of its handshake.
        } else if (direct) {
            // A direct packet through the controller reaches the servo the link was made to.
            auto it = servoGone() ? ctrl_.end() : ctrl_.find(linkedPort_);
            if (it != ctrl_.end()) {
                answer = answerDirect(packet, it->second);
                if (fault_ == Fault::AckForwardedWithZero && !answer.empty()) answer = {0, 0};
            } else if (linkedPort_ >= 0) {
                answer = emptyPortAnswer(0);
            }
        } else {
            answer = answerController(packet);
        }
        if (!answer.empty()) send(std::move(answer), requestBytes, line);
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
    if (p == std::vector<uint8_t>{0xFA, 0xFA, 0xFA, 0xFA}) {
        awake_ = true;
        return {0x55, 0x00};
    }
    // Asleep it answers nothing; awake, only the link step until a servo is linked.
    if (!awake_) return {};
    auto it = servoGone() ? ctrl_.end() : ctrl_.find(port);
    ServoState* servo = it != ctrl_.end() ? &it->second : nullptr;
    if (command == 0xD0) {
        if (!servo) return {0x01, port};
        linkedPort_ = port;
        return {0x00, port};
    }
    if (linkedPort_ < 0) return {};
    if (command == 0xF7 && pollIndex_ < pollAnswers_.size()) {
        const int scripted = pollAnswers_[pollIndex_++];
        if (scripted < 0) return {};
        return {static_cast<uint8_t>(scripted), port};
    }
    if (!servo) return emptyPortAnswer(port);
    switch (command) {
    case 0xF7:
        return {servo->version, port};
    case 0xF1:
        return {ReadMemory(*servo, d1), port};
    case 0xF2:
        WriteMemory(*servo, d1, d2);
        return {0x00, port};
    case 0xF4:
        WriteMemory(*servo, d1 & 0x7F, d2);
        return {0x00, port};
    case 0xF6:
        Move(*servo, d1, d2);
        return {0x00, port};
    default:
        return {};
    }
}

std::vector<uint8_t> VirtualServo::emptyPortAnswer(uint8_t second) const {
    // The controller speaks for a port without a servo: 0, its "no servo" answer to a probe, to
    // whatever is sent there.
    if (fault_ == Fault::SilentEmptyPorts) return {};
    return {0x00, second};
}

void VirtualServo::send(std::vector<uint8_t> bytes, int requestBytes, LineSettings line) {
    if (masterFd_ < 0 || bytes.empty()) return;
    qint64 delay = 0;
    if (fault_ == Fault::Late) delay += std::max(0, lateMs_);
    const int baud = line.baud;
    if (wireTime_ && baud > 0) {
        // On the direct route the servo answers in the request's own last two byte slots, so an
        // exchange takes the request's wire time; through the controller the answer follows it.
        const bool directRoute = directRouteAt(line);
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
