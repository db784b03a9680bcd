// The signals that ask a program to end (SIGTERM, SIGINT, SIGHUP), brought into the event loop
// so the program can end through its own exit procedure.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace verrano {

// While one exists, the three signals are caught and announced by received() from the event
// loop, once: the signals that follow ask for the same exit. One that was ignored when the
// program started (nohup) stays ignored.
class ExitSignals : public QObject {
    Q_OBJECT
public:
    explicit ExitSignals(QObject* parent = nullptr);
    ~ExitSignals() override;

    // From now on a signal ends the program at once, as it would without a handler: for an exit
    // procedure that has nothing left to do but wait for the user.
    static void EndAtNextSignal();
    // A signal has asked the program to end: nobody may be there to answer a box.
    static bool Requested();

signals:
    void received(int signal);

private:
    void onReadable();

    QSocketNotifier* notifier_ = nullptr;
};

} // namespace verrano
