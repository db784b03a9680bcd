// The serial control's questions to the system about an open port (draining its output, telling
// a vanished device from a read that merely found nothing), answered with POSIX terminal calls.
#include <QtGlobal>

#include "platform/serial_control.h"

#ifdef Q_OS_UNIX
#include <QElapsedTimer>
#include <QFile>
#include <cerrno>
#include <poll.h>
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

} // namespace verrano
