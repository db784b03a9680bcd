// The virtual-servo program: serves a virtual servo and controller on a pseudo-terminal until
// interrupted, for trying Verrano without hardware.
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStringList>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

#include "virtual_servo.h"

using verrano::vs::Route;
using verrano::vs::VirtualServo;

namespace {

int g_signalPipe[2] = {-1, -1};

void OnSignal(int) {
    // Only async-signal-safe work here: the event loop picks the byte up and quits.
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

int Usage(const QString& problem) {
    if (!problem.isEmpty()) std::fprintf(stderr, "virtual-servo: %s\n", qPrintable(problem));
    std::fprintf(stderr,
                 "usage: virtual-servo [--model 0..3] [--version N] "
                 "[--route auto|direct|controller] [--ports 0,1,5] [--link PATH] [--verbose]\n");
    return 2;
}

bool ParseInt(const QString& text, int low, int high, int* out) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < low || value > high) return false;
    *out = value;
    return true;
}

QString Hex(const std::vector<uint8_t>& bytes) {
    QStringList parts;
    for (uint8_t b : bytes)
        parts << QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    return parts.join(QLatin1Char(' '));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();

    int model = 0;
    int version = 110;
    Route route = Route::Auto;
    std::vector<int> ports{0};
    QString linkPath;
    bool verbose = false;

    for (int i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        auto value = [&](QString* out) {
            if (i + 1 >= args.size()) return false;
            *out = args[++i];
            return true;
        };
        QString v;
        if (arg == QLatin1String("--model")) {
            if (!value(&v) || !ParseInt(v, 0, 3, &model)) return Usage("--model takes 0 to 3");
        } else if (arg == QLatin1String("--version")) {
            if (!value(&v) || !ParseInt(v, 0, 255, &version))
                return Usage("--version takes 0 to 255");
        } else if (arg == QLatin1String("--route")) {
            if (!value(&v)) return Usage("--route needs a value");
            if (v == QLatin1String("auto"))
                route = Route::Auto;
            else if (v == QLatin1String("direct"))
                route = Route::Direct;
            else if (v == QLatin1String("controller"))
                route = Route::Controller;
            else
                return Usage("--route takes auto, direct or controller");
        } else if (arg == QLatin1String("--ports")) {
            if (!value(&v)) return Usage("--ports needs a list");
            ports.clear();
            for (const QString& part : v.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                int port = 0;
                if (!ParseInt(part, 0, 23, &port)) return Usage("--ports takes ports 0 to 23");
                ports.push_back(port);
            }
        } else if (arg == QLatin1String("--link")) {
            if (!value(&linkPath) || linkPath.isEmpty()) return Usage("--link needs a path");
        } else if (arg == QLatin1String("--verbose")) {
            verbose = true;
        } else if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            Usage(QString());
            return 0;
        } else {
            return Usage(QStringLiteral("unknown argument %1").arg(arg));
        }
    }

    VirtualServo servo;
    servo.setRoute(route);
    servo.direct().version = static_cast<uint8_t>(version);
    servo.direct().memory = VirtualServo::FactoryImage(model);
    for (int port : ports) {
        auto& s = servo.controllerServos()[port];
        s.version = static_cast<uint8_t>(version);
        s.memory = VirtualServo::FactoryImage(model);
    }

    QString error;
    if (!servo.start(&error)) {
        std::fprintf(stderr, "virtual-servo: cannot open a pseudo-terminal: %s\n",
                     qPrintable(error));
        return 1;
    }

    if (!linkPath.isEmpty()) {
        const QFileInfo existing(linkPath);
        // Only a link may be replaced (a stale one from an earlier run); never a real file.
        if (existing.isSymLink()) {
            QFile::remove(linkPath);
        } else if (existing.exists()) {
            std::fprintf(stderr, "virtual-servo: %s exists and is not a link; not replacing it\n",
                         qPrintable(linkPath));
            return 1;
        }
        if (::symlink(QFile::encodeName(servo.devicePath()).constData(),
                      QFile::encodeName(linkPath).constData()) != 0) {
            std::perror("virtual-servo: symlink");
            return 1;
        }
    }

    std::printf("%s\n", qPrintable(servo.devicePath()));
    std::fflush(stdout);

    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) == 0) {
        auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [notifier] {
            notifier->setEnabled(false);
            QCoreApplication::quit();
        });
        struct sigaction sa {};
        sa.sa_handler = OnSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        sigaction(SIGINT, &sa, nullptr);
        sigaction(SIGTERM, &sa, nullptr);
    } else {
        std::perror("virtual-servo: socketpair (signals will end the program abruptly)");
    }

    if (verbose) {
        QObject::connect(&servo, &VirtualServo::packetReceived, &app, [&servo](int index) {
            const auto& p = servo.received()[static_cast<std::size_t>(index)];
            std::fprintf(stderr, "%s %6d,%d  %s\n", p.direct ? "direct" : "ctrl  ", p.baud,
                         p.stopBits, qPrintable(Hex(p.bytes)));
        });
    }

    const int rc = app.exec();

    if (!linkPath.isEmpty()) {
        // Remove the link only while it still names this run's device.
        if (QFileInfo(linkPath).symLinkTarget() == QFileInfo(servo.devicePath()).absoluteFilePath())
            QFile::remove(linkPath);
    }
    return rc;
}
