// The serial control over QSerialPort: line settings text, receive threshold event, discard,
// output and input, and the mapping of port numbers to devices.
#include "platform/serial_control.h"

#include <QMetaObject>
#include <QStringList>

namespace verrano {

namespace {

constexpr int kFirstPort = 1;
constexpr int kLastPort = 16;
constexpr int kReadErrorsForLoss = 3;

struct LineSettings {
    qint32 baud;
    QSerialPort::Parity parity;
    QSerialPort::DataBits dataBits;
    QSerialPort::StopBits stopBits;
};

bool ParseSettings(const QString& text, LineSettings* out) {
    const QStringList f = text.split(QLatin1Char(','));
    if (f.size() != 4) return false;

    bool ok = false;
    const qint64 baud = f[0].trimmed().toLongLong(&ok);
    if (!ok || baud <= 0 || baud > 4000000) return false;

    const QString parity = f[1].trimmed().toUpper();
    QSerialPort::Parity p;
    if (parity == QLatin1String("N"))
        p = QSerialPort::NoParity;
    else if (parity == QLatin1String("E"))
        p = QSerialPort::EvenParity;
    else if (parity == QLatin1String("O"))
        p = QSerialPort::OddParity;
    else if (parity == QLatin1String("M"))
        p = QSerialPort::MarkParity;
    else if (parity == QLatin1String("S"))
        p = QSerialPort::SpaceParity;
    else
        return false;

    const int data = f[2].trimmed().toInt(&ok);
    if (!ok || data < 5 || data > 8) return false;

    const QString stop = f[3].trimmed();
    QSerialPort::StopBits s;
    if (stop == QLatin1String("1"))
        s = QSerialPort::OneStop;
    else if (stop == QLatin1String("1.5"))
        s = QSerialPort::OneAndHalfStop;
    else if (stop == QLatin1String("2"))
        s = QSerialPort::TwoStop;
    else
        return false;

    *out = {static_cast<qint32>(baud), p, static_cast<QSerialPort::DataBits>(data), s};
    return true;
}

} // namespace

SerialControl::SerialControl(QObject* parent) : QObject(parent), port_(new QSerialPort(this)) {
    connect(port_, &QSerialPort::readyRead, this, &SerialControl::onReadyRead);
    connect(port_, &QSerialPort::errorOccurred, this, &SerialControl::onError);
}

SerialControl::~SerialControl() {
    if (port_->isOpen()) setPortOpen(false);
}

QString SerialControl::DeviceForPort(int port) {
    if (port < kFirstPort || port > kLastPort) return QString();
    const QByteArray mapped = qgetenv(QStringLiteral("VERRANO_COM%1").arg(port).toLatin1());
    if (!mapped.isEmpty()) return QString::fromLocal8Bit(mapped);
    return QStringLiteral("/dev/ttyS%1").arg(port - 1);
}

bool SerialControl::setSettings(const QString& settings) {
    LineSettings s;
    if (!ParseSettings(settings, &s)) return false;
    if (port_->isOpen()) {
        drainOutput();
        // An open port takes the new framing at once; if it refuses, keep the old one whole.
        if (!port_->setBaudRate(s.baud) || !port_->setParity(s.parity) ||
            !port_->setDataBits(s.dataBits) || !port_->setStopBits(s.stopBits)) {
            error_ = port_->errorString();
            port_->setBaudRate(baud_);
            port_->setParity(parity_);
            port_->setDataBits(dataBits_);
            port_->setStopBits(stopBits_);
            return false;
        }
    }
    settings_ = settings;
    baud_ = s.baud;
    parity_ = s.parity;
    dataBits_ = s.dataBits;
    stopBits_ = s.stopBits;
    return true;
}

SerialControl::Framing SerialControl::framing() const {
    return {port_->baudRate(), port_->parity(), port_->dataBits(), port_->stopBits()};
}

bool SerialControl::portOpen() const {
    return port_->isOpen();
}

bool SerialControl::setPortOpen(bool open) {
    if (!open) {
        if (!port_->isOpen()) return true;
        // Closing puts the port's earlier settings back at once.
        drainOutput();
        port_->close();
        held_.clear();
        return true;
    }

    if (port_->isOpen()) {
        error_ = QStringLiteral("Port already open");
        return false;
    }
    if (commPort_ < kFirstPort || commPort_ > kLastPort) {
        error_ = QStringLiteral("Invalid port number %1").arg(commPort_);
        return false;
    }
    const QString device = DeviceForPort(commPort_);
    port_->setPortName(device);
    port_->setBaudRate(baud_);
    port_->setParity(parity_);
    port_->setDataBits(dataBits_);
    port_->setStopBits(stopBits_);
    port_->setFlowControl(QSerialPort::NoFlowControl);
    // Modem lines are left alone: pseudo-terminals have none and the cable does not use them.
    if (!port_->open(QIODevice::ReadWrite)) {
        error_ = QStringLiteral("COM%1 (%2): %3").arg(commPort_).arg(device, port_->errorString());
        // A lock file stops the open before the device is tried, and the port's own words name
        // neither the file nor who left it: a lock another user's run left behind in the shared
        // lock folder can't be taken over, however free the device is.
        if (port_->error() == QSerialPort::PermissionError) {
            const QString holder = PortLockHolder(device);
            if (!holder.isEmpty()) error_ += QStringLiteral("; ") + holder;
        }
        return false;
    }
    error_.clear();
    device_ = device;
    commEvent_ = 0;
    lossQueued_ = false;
    readErrors_ = 0;
    held_.clear();
    return true;
}

void SerialControl::drainOutput() {
    // The last packet (the link-closing command at exit) is still in the UART when close() or
    // a settings change resets the line at once: its tail would go out at the new settings.
    port_->flush();
    if (port_->bytesToWrite() > 0) port_->waitForBytesWritten(200);
    // A full send buffer at the line's speed, and some room for the driver.
    const int boundMs = 200 + static_cast<int>(512LL * 11 * 1000 / (baud_ > 0 ? baud_ : 9600));
    if (port_->bytesToWrite() == 0 && line_->drain(port_->handle(), boundMs)) return;
    // The line is stuck: what it still holds would go out at the new settings, and closing
    // would wait for it (half a minute on a UART), so it goes now.
    port_->clear(QSerialPort::Output);
}

int SerialControl::inBufferCount() const {
    return port_->isOpen() ? static_cast<int>(held_.size() + port_->bytesAvailable()) : 0;
}

void SerialControl::setInBufferCount(int count) {
    if (count != 0 || !port_->isOpen()) return;
    port_->clear(QSerialPort::Input);
    consumed_ += held_.size() + port_->readAll().size();
    held_.clear();
}

void SerialControl::output(const QByteArray& bytes) {
    if (!port_->isOpen() || bytes.isEmpty()) return;
    port_->write(bytes);
    port_->flush();
}

QByteArray SerialControl::input() {
    if (!port_->isOpen()) return QByteArray();
    QByteArray bytes = held_ + port_->readAll();
    held_.clear();
    consumed_ += bytes.size();
    return bytes;
}

void SerialControl::onReadyRead() {
    readErrors_ = 0;
    raiseReceive();
}

void SerialControl::raiseReceive() {
    if (!port_->isOpen() || rThreshold_ <= 0 || inBufferCount() < rThreshold_) return;
    const qint64 before = inBufferCount() + consumed_;
    commEvent_ = kEvReceive;
    emit OnComm();
    // QSerialPort does not announce bytes that arrive while its readyRead is being handled, so
    // bytes that came in while the handler waited would sit unannounced; look at them once the
    // handler is done.
    if (port_->isOpen() && inBufferCount() + consumed_ > before) queueReceiveCheck();
}

void SerialControl::queueReceiveCheck() {
    if (recheckQueued_) return;
    recheckQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            recheckQueued_ = false;
            raiseReceive();
        },
        Qt::QueuedConnection);
}

void SerialControl::onError(QSerialPort::SerialPortError error) {
    // Complaints about modem lines a pty lacks are not faults. A failed read is not proof of a
    // lost device either: when a discard empties the line between Qt's poll and its read, the
    // read finds nothing and Qt codes the error from a stale errno. So ask the device itself.
    if (!port_->isOpen() || lossQueued_) return;
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError) return;
    QByteArray bytes;
    const LineSystem::Health health = line_->check(port_->handle(), device_, &bytes);
    const bool lost =
        health == LineSystem::Health::Gone ||
        (health == LineSystem::Health::Unclear && ++readErrors_ >= kReadErrorsForLoss);
    if (!lost) {
        if (!bytes.isEmpty()) readErrors_ = 0;
        // Reading restarts Qt's reader, which stops itself after a resource error; what it
        // held is older than what the check took.
        held_ += port_->readAll();
        held_ += bytes;
        if (!held_.isEmpty()) queueReceiveCheck();
        return;
    }
    lossQueued_ = true;
    const QString reason = port_->errorString();
    // Closing inside the port's own notification would delete the notifier that is calling us.
    QMetaObject::invokeMethod(
        this,
        [this, reason] {
            if (!lossQueued_) return;
            lossQueued_ = false;
            if (!port_->isOpen()) return;
            port_->close();
            held_.clear();
            error_ = QStringLiteral("COM%1 lost: %2").arg(commPort_).arg(reason);
            emit PortLost();
        },
        Qt::QueuedConnection);
}

} // namespace verrano
