// A periodic timer with an interval and an enable switch; interval 0 never fires.
#pragma once

#include <QObject>
#include <QTimer>

namespace verrano {

class PeriodicTimer : public QObject {
    Q_OBJECT
public:
    explicit PeriodicTimer(int intervalMs = 0, QObject* parent = nullptr);

    void setInterval(int ms);
    int interval() const { return interval_; }
    // The first event comes one interval after switching on; switching on again restarts.
    void setEnabled(bool on);
    bool enabled() const { return enabled_; }

signals:
    void Timer();

private:
    void apply();
    QTimer timer_;
    int interval_ = 0;
    bool enabled_ = false;
};

} // namespace verrano
