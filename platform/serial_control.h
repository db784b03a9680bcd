// The serial control: a serial port with the property set the link code is written against
// (port number, line settings text, receive threshold, discard, output, input, receive event).
#pragma once

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

namespace verrano {

// What the serial control asks of the system about an open port beyond what QSerialPort offers.
// The platform's own is SystemLine(); tests put a recorder in front of it.
class LineSystem {
public:
    enum class Health {
        Alive,   // the device is there
        Gone,    // hung up, its node removed or replaced, or a read failed for good
        Unclear, // said it had bytes but gave none
    };
    virtual ~LineSystem() = default;
    // Waits until every byte handed to the port has left it, at most boundMs.
    virtual bool drain(qintptr handle, int boundMs) = 0;
    // Whether the device opened as device is still behind handle. Bytes read while looking are
    // appended to bytes.
    virtual Health check(qintptr handle, const QString& device, QByteArray* bytes) = 0;
};

LineSystem& SystemLine();

// The lock file QSerialPort takes before it opens device: "LCK.." and the device's name below
// /dev with '/' as '_', in the first of its lock folders that can hold it; empty where it takes
// none.
QString PortLockFile(const QString& device);

// For an open that failed on the lock: the lock file, its owner, and the process written in it
// and whether that still runs. Empty when there is no such file.
QString PortLockHolder(const QString& device);

class SerialControl : public QObject {
    Q_OBJECT
public:
    static constexpr int kEvReceive = 2; // CommEvent after bytes arrived

    explicit SerialControl(QObject* parent = nullptr);
    ~SerialControl() override;

    // 1..16; the device is found through DeviceForPort() when the port opens.
    void setCommPort(int port) { commPort_ = port; }
    int commPort() const { return commPort_; }

    // "baud,parity,data,stop", e.g. "19200,N,8,2". False (and nothing changed) when unparsable.
    bool setSettings(const QString& settings);
    QString settings() const { return settings_; }

    // The framing the serial port itself was last set to: that of the open port, or of the last
    // opening.
    struct Framing {
        qint32 baud;
        QSerialPort::Parity parity;
        QSerialPort::DataBits dataBits;
        QSerialPort::StopBits stopBits;
        bool operator==(const Framing&) const = default;
    };
    Framing framing() const;

    void setRThreshold(int bytes) { rThreshold_ = bytes; }
    int rThreshold() const { return rThreshold_; }

    bool portOpen() const;
    // True opens the chosen port with the current settings, False closes it. Opening a missing
    // or busy port, or a port number outside 1..16, fails: false, with errorString().
    bool setPortOpen(bool open);
    QString errorString() const { return error_; }

    // Bytes waiting in the receive buffer; setting 0 discards them all.
    int inBufferCount() const;
    void setInBufferCount(int count);

    // Writes the bytes in order and pushes them towards the device without waiting for an answer.
    void output(const QByteArray& bytes);

    // Every waiting byte, in arrival order; they leave the buffer.
    QByteArray input();

    int commEvent() const { return commEvent_; }

    void setLineSystem(LineSystem* line) { line_ = line; }

    // "COMn" -> the device named by VERRANO_COMn when set, else /dev/ttyS<n-1>.
    static QString DeviceForPort(int port);

signals:
    // Raised on the owning thread once at least rThreshold() bytes wait.
    void OnComm();
    // The open port failed underneath (adapter unplugged, device gone); it has been closed.
    void PortLost();

private:
    void onReadyRead();
    void onError(QSerialPort::SerialPortError error);
    void raiseReceive();
    void queueReceiveCheck();
    // Lets everything written leave the line before its settings change or the port closes.
    void drainOutput();

    qint64 consumed_ = 0;        // bytes ever taken by input() or discarded
    bool recheckQueued_ = false; // a receive check is posted for bytes Qt did not announce
    bool lossQueued_ = false;    // closing after a lost device is posted
    int readErrors_ = 0;         // unclear read failures in a row, with no byte in between
    // Bytes the control took out of the port itself while it checked a failed read; they come
    // before anything in the port's own buffer.
    QByteArray held_;
    LineSystem* line_ = &SystemLine();

    QSerialPort* port_;
    int commPort_ = 1;
    QString settings_ = QStringLiteral("9600,N,8,1");
    int rThreshold_ = 0;
    int commEvent_ = 0;
    QString error_;
    QString device_; // the open port's device path
    qint32 baud_ = 9600;
    QSerialPort::Parity parity_ = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits_ = QSerialPort::Data8;
    QSerialPort::StopBits stopBits_ = QSerialPort::OneStop;
};

} // namespace verrano
