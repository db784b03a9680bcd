// Termination signals through a self-pipe: the handler only writes the signal's number, and a
// socket notifier reads it in the event loop.
#include "platform/exit_signals.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <iterator>
#include <unistd.h>
#endif

namespace verrano {

#ifdef Q_OS_UNIX

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

int g_pipe[2] = {-1, -1};
volatile sig_atomic_t g_caught = 0;
volatile sig_atomic_t g_endAtOnce = 0;
// Which of kSignals the handler took over; the others were ignored when the program started.
bool g_handled[std::size(kSignals)] = {};

extern "C" void OnExitSignal(int signal) {
    if (g_endAtOnce) {
        // The exit procedure has nothing left to do but wait for the user: this signal ends the
        // program as it would have without a handler, once the handler returns and the signal
        // is unblocked.
        ::signal(signal, SIG_DFL);
        ::raise(signal);
        return;
    }
    // A session ends with several signals at once (SIGTERM then SIGHUP at a logout): the later
    // ones ask for the same exit, which is already on its way.
    if (g_caught) return;
    g_caught = 1;
    const int saved = errno;
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

ExitSignals::ExitSignals(QObject* parent) : QObject(parent) {
    if (g_pipe[0] >= 0) return; // one catcher a process
    if (::pipe2(g_pipe, O_NONBLOCK | O_CLOEXEC) != 0) {
        g_pipe[0] = g_pipe[1] = -1;
        return;
    }
    g_caught = 0;
    g_endAtOnce = 0;
    notifier_ = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &ExitSignals::onReadable);
    struct sigaction action {};
    action.sa_handler = OnExitSignal;
    sigemptyset(&action.sa_mask);
    for (int s : kSignals)
        sigaddset(&action.sa_mask, s);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        // A signal ignored by whoever started the program stays ignored: nohup and a script's
        // background job rely on it to keep the program through a closed terminal or Ctrl+C.
        struct sigaction old {};
        g_handled[i] = ::sigaction(kSignals[i], nullptr, &old) == 0 && old.sa_handler != SIG_IGN &&
                       ::sigaction(kSignals[i], &action, nullptr) == 0;
    }
}

ExitSignals::~ExitSignals() {
    if (!notifier_) return;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        if (g_handled[i]) ::signal(kSignals[i], SIG_DFL);
    delete notifier_;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void ExitSignals::EndAtNextSignal() {
    g_endAtOnce = 1;
}

bool ExitSignals::Requested() {
    return g_pipe[0] >= 0 && g_caught;
}

void ExitSignals::onReadable() {
    char byte = 0;
    if (::read(g_pipe[0], &byte, 1) == 1) emit received(byte);
}

#else

ExitSignals::ExitSignals(QObject* parent) : QObject(parent) {}
ExitSignals::~ExitSignals() = default;
void ExitSignals::EndAtNextSignal() {}
bool ExitSignals::Requested() {
    return false;
}
void ExitSignals::onReadable() {}

#endif

} // namespace verrano
