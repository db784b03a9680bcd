// The periodic timer over a precise QTimer: an interval, an enable switch, one event an interval.
#include "platform/periodic_timer.h"

namespace verrano {

PeriodicTimer::PeriodicTimer(int intervalMs, QObject* parent)
    : QObject(parent), interval_(intervalMs > 0 ? intervalMs : 0) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setSingleShot(false);
    connect(&timer_, &QTimer::timeout, this, &PeriodicTimer::Timer);
}

void PeriodicTimer::setInterval(int ms) {
    interval_ = ms > 0 ? ms : 0;
    apply();
}

void PeriodicTimer::setEnabled(bool on) {
    enabled_ = on;
    apply();
}

void PeriodicTimer::apply() {
    // A running timer given a new interval or switched on again counts from now.
    if (enabled_ && interval_ > 0)
        timer_.start(interval_);
    else
        timer_.stop();
}

} // namespace verrano
