// Keeps the user from starting a second command while one waits for the serial line: clicks
// and keys are refused everywhere except on the widgets and actions let through and in the active
// modal box or dialog; pointer movement, paint and close events pass.
#pragma once

#include <QObject>
#include <QPointer>
#include <vector>

class QAction;
class QWidget;

namespace verrano {

class InputGuard : public QObject {
    Q_OBJECT
public:
    explicit InputGuard(QObject* parent = nullptr);

    void allowWidget(QWidget* widget);
    void allowAction(QAction* action);

    // Nested: the guard is active while the count is above zero.
    void enter();
    void leave();
    bool active() const { return depth_ > 0; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool allowed(QObject* watched, QEvent* event) const;
    int depth_ = 0;
    Qt::MouseButtons eatenPresses_; // presses refused, whose releases are refused too
    std::vector<QPointer<QWidget>> widgets_;
    std::vector<QPointer<QAction>> actions_;
};

} // namespace verrano
