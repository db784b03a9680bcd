// The signals that ask a program to end (SIGTERM, SIGINT, SIGHUP), brought into the event loop
// so the program can end through its own exit procedure.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace verrano {

// While one exists, the three signals are caught and announced by received() from the event
// loop; one that was ignored when the program started (nohup) stays ignored. A second signal
// before the program has ended ends it at once, as the signal would have.
class ExitSignals : public QObject {
    Q_OBJECT
public:
    explicit ExitSignals(QObject* parent = nullptr);
    ~ExitSignals() override;

    // From now on a signal ends the program at once, as a second one does: for an exit procedure
    // that has nothing left to do but wait for the user.
    static void EndAtNextSignal();

signals:
    void received(int signal);

private:
    void onReadable();

    QSocketNotifier* notifier_ = nullptr;
};

} // namespace verrano
