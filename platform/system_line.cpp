// The serial control's questions to the system about an open port (draining its output, telling
// a vanished device from a read that merely found nothing), answered with POSIX terminal calls,
// and about the lock file that keeps a port from opening.
#include <QtGlobal>

#include "platform/serial_control.h"

#ifdef Q_OS_UNIX
#include <QElapsedTimer>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>
#endif

namespace verrano {

namespace {

#ifdef Q_OS_UNIX

class PlatformLine : public LineSystem {
public:
    bool drain(qintptr handle, int boundMs) override {
        const int fd = static_cast<int>(handle);
        if (fd < 0) return false;
        // tcdrain has no time limit of its own: wait for the driver's queue to empty first,
        // within the bound, so tcdrain is left with the UART's own few bytes.
        QElapsedTimer clock;
        clock.start();
        int queued = 0;
        while (::ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0) {
            if (clock.elapsed() > boundMs) return false;
            const timespec pause{0, 1000 * 1000};
            ::nanosleep(&pause, nullptr);
        }
        while (::tcdrain(fd) != 0) {
            if (errno != EINTR) return false;
        }
        return true;
    }

    Health check(qintptr handle, const QString& device, QByteArray* bytes) override {
        const int fd = static_cast<int>(handle);
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 0) < 0) return errno == EINTR ? Health::Alive : Health::Gone;
        if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) return Health::Gone;

        // An unplugged adapter's node goes, or comes back as another device.
        struct stat node {};
        struct stat open {};
        if (::stat(QFile::encodeName(device).constData(), &node) != 0)
            return errno == ENOENT || errno == ENODEV || errno == ENXIO ? Health::Gone
                                                                        : Health::Alive;
        if (::fstat(fd, &open) == 0 && S_ISCHR(node.st_mode) && S_ISCHR(open.st_mode) &&
            node.st_rdev != open.st_rdev)
            return Health::Gone;

        if (!(p.revents & POLLIN)) return Health::Alive; // emptied by a discard: nothing wrong
        char buf[1024];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) {
            bytes->append(buf, n);
            return Health::Alive;
        }
        if (n < 0 && (errno == EIO || errno == ENXIO)) return Health::Gone;
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) return Health::Alive;
        return Health::Unclear;
    }
};

// QSerialPort's lock folders, in the order it tries them.
constexpr const char* kLockFolders[] = {"/var/lock",         "/etc/locks", "/var/spool/locks",
                                        "/var/spool/uucp",   "/tmp",       "/var/tmp",
                                        "/var/lock/lockdev", "/run/lock"};

QString UserName(uid_t uid) {
    passwd entry{};
    passwd* found = nullptr;
    char buffer[1024];
    if (::getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found)
        return QString::fromLocal8Bit(found->pw_name);
    return QStringLiteral("user %1").arg(uid);
}

#else

// Without terminal calls: nothing to drain beyond QSerialPort's flush, and Qt's word on errors.
class PlatformLine : public LineSystem {
public:
    bool drain(qintptr, int) override { return true; }
    Health check(qintptr, const QString&, QByteArray*) override { return Health::Gone; }
};

#endif

} // namespace

LineSystem& SystemLine() {
    static PlatformLine line;
    return line;
}

#ifdef Q_OS_UNIX

QString PortLockFile(const QString& device) {
    QString name = device.startsWith(QLatin1String("/dev/")) ? device.mid(5) : device;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    for (const char* folder : kLockFolders) {
        const QString file = QString::fromLatin1(folder) + QStringLiteral("/LCK..") + name;
        if (::access(folder, R_OK) != 0) continue;
        if (::access(QFile::encodeName(file).constData(), F_OK) == 0 || ::access(folder, W_OK) == 0)
            return file;
    }
    return QString();
}

QString PortLockHolder(const QString& device) {
    const QString file = PortLockFile(device);
    if (file.isEmpty()) return QString();
    const QByteArray path = QFile::encodeName(file);
    // Anyone may put something under that name in the shared lock folder: a FIFO must not hold
    // up the report, nor a link lead it elsewhere.
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    struct stat st {};
    if (fd >= 0 ? ::fstat(fd, &st) != 0 : ::lstat(path.constData(), &st) != 0) {
        if (fd >= 0) ::close(fd);
        return QString();
    }
    QString text = QStringLiteral("lock file %1, owned by %2").arg(file, UserName(st.st_uid));
    // A lock file's first line is the process that took the lock.
    char head[32] = {};
    const ssize_t n = fd >= 0 && S_ISREG(st.st_mode) ? ::read(fd, head, sizeof head - 1) : -1;
    if (fd >= 0) ::close(fd);
    bool ok = false;
    const qint64 pid =
        n > 0 ? QByteArray(head, n).split('\n').value(0).trimmed().toLongLong(&ok) : 0;
    if (!ok || pid <= 0 || pid != static_cast<pid_t>(pid)) return text;
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM)
        text += QStringLiteral(", held by process %1, which is running").arg(pid);
    else if (errno == ESRCH)
        text += QStringLiteral(", left by process %1, which is no longer running").arg(pid);
    return text;
}

#else

// QSerialPort takes no lock files here.
QString PortLockFile(const QString&) {
    return QString();
}

QString PortLockHolder(const QString&) {
    return QString();
}

#endif

} // namespace verrano
