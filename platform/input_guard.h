// Keeps the user from starting a second command while one waits for the serial line: clicks,
// keys, input-method text and drops are refused everywhere except on the widgets and actions let
// through and in the active modal box or dialog; pointer movement, paint and close events pass,
// and so do the keys that only move along the menus, and Alt alone. What a screen reader does
// through the accessibility interface is judged alike.
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
    ~InputGuard() override;

    void allowWidget(QWidget* widget);
    void allowAction(QAction* action);

    // Nested: the guard is active while the count is above zero.
    void enter();
    void leave();
    bool active() const { return depth_ > 0; }

    // Whether an action on the control (a widget or a menu item) raised now is refused, as a
    // click on it would be.
    bool refuses(const QObject* target) const;

    // The buttons, clickable labels, scroll bars, text boxes and menu items of the window,
    // pressed, toggled, chosen, set or edited through the accessibility interface, are judged by
    // this guard. Call before the window's controls are first asked for their accessibility.
    void coverAccessibility(QWidget* window);
    // The guard that covers the object's window, if any.
    static InputGuard* coveringGuard(const QObject* object);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool allowed(QObject* watched, QEvent* event) const;
    bool allowedWidget(const QWidget* widget) const;
    bool allowedAction(const QAction* action) const;
    int depth_ = 0;
    Qt::MouseButtons eatenPresses_; // presses refused, whose releases are refused too
    std::vector<QPointer<QWidget>> widgets_;
    std::vector<QPointer<QAction>> actions_;
    std::vector<QPointer<QWidget>> covered_;
};

} // namespace verrano
