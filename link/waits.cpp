// Waiting for the serial line: the three flag-setting timers, the pump that sleeps until the
// next event, and every form of wait the transfers use.
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>

#include "window/frm_Set.h"

namespace verrano {

void frm_Set::Timer1_Timer() {
    bTickDone = true;
    bReplyTimeout = true;
}

void frm_Set::Timer2_Timer() {
    bReplyTimeout = true;
}

void frm_Set::Timer3_Timer() {
    bHandshakeTimeout = true;
}

frm_Set::WaitEnd frm_Set::PumpUntil(const std::function<bool()>& condition, int boundMs) {
    if (condition()) return WaitEnd::Reply;
    if (bUnloading) return WaitEnd::GaveUp;

    bool boundPassed = false;
    QTimer bound;
    if (boundMs >= 0) {
        bound.setSingleShot(true);
        bound.setTimerType(Qt::PreciseTimer);
        QObject::connect(&bound, &QTimer::timeout, [&boundPassed] { boundPassed = true; });
        bound.start(boundMs);
    }

    // The user can't start a second command while this one waits; Exit still gets through.
    ++waitDepth;
    guard.enter();
    // Conditions change only inside event handlers, so sleeping until the next event loses
    // nothing and keeps the processor free.
    while (!condition() && !boundPassed && !bUnloading)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    guard.leave();
    --waitDepth;
    return condition() ? WaitEnd::Reply : WaitEnd::GaveUp;
}

void frm_Set::WaitReply() {
    bReplyTimeout = false;
    Timer2.setEnabled(true);
    PumpUntil([this] { return bReplyReady || bReplyTimeout; }, kReplyBoundMs);
    bReplyTimeout = false;
    Timer2.setEnabled(false);
}

void frm_Set::ProbeWait() {
    Timer2.setEnabled(true);
    bReplyTimeout = false;
    PumpUntil([this] { return bReplyReady || bReplyTimeout; }, kReplyBoundMs);
    Timer2.setEnabled(false);
}

void frm_Set::VersionPollWait() {
    // Deliberately does not clear bReplyTimeout first: a time-out left over from an earlier
    // wait ends this one at once, and the handshake relies on polling on regardless.
    Timer2.setEnabled(true);
    PumpUntil([this] { return bReplyReady || bReplyTimeout; }, kReplyBoundMs);
    bReplyTimeout = false;
    Timer2.setEnabled(false);
}

frm_Set::WaitEnd frm_Set::LinkStepWait() {
    Timer2.setEnabled(true);
    const WaitEnd end =
        PumpUntil([this] { return bReplyReady || bCtrlServoLinked; }, kLinkStepBoundMs);
    Timer2.setEnabled(false);
    return end;
}

void frm_Set::WakeUpWait() {
    Timer3.setEnabled(true);
    PumpUntil([this] { return bReplyReady || bCtrlServoLinked || bHandshakeTimeout; },
              Timer3.interval() + kReplyBoundMs);
    Timer3.setEnabled(false);
}

frm_Set::WaitEnd frm_Set::ReplyWait() {
    return PumpUntil([this] { return bReplyReady; }, kReplyBoundMs);
}

void frm_Set::TakeOwedAnswer() {
    // An owed answer may take as long as any reply; given less, a slow controller's answer comes
    // after the next request went out and is taken for that request's, and every answer after it
    // for the one before.
    while (AnswersOwed > 0 && Comm.portOpen()) {
        const int owed = AnswersOwed;
        if (PumpUntil([this, owed] { return AnswersOwed < owed || !Comm.portOpen(); },
                      kReplyBoundMs) == WaitEnd::GaveUp)
            break;
    }
    // Answers still behind an answer that didn't come within the bound are not waited for either.
    AnswersOwed = 0;
}

void frm_Set::TickPause() {
    Timer1.setEnabled(true);
    // The pacing timer ends the pause; the bound only matters when no pacing period is set.
    PumpUntil([this] { return bTickDone; }, std::max(kReplyBoundMs, 3 * Timer1.interval()));
    Timer1.setEnabled(false);
}

} // namespace verrano
