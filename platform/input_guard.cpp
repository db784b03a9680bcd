// The input guard: an application event filter that refuses clicks and keys while a command
// waits for the serial line, except on the widgets and actions let through and in a modal box.
#include "platform/input_guard.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QWidget>
#include <algorithm>

namespace verrano {

namespace {
std::vector<InputGuard*>& CoveringGuards() {
    static std::vector<InputGuard*> guards;
    return guards;
}
} // namespace

void InstallGuardedAccessibility(); // input_guard_accessible.cpp

InputGuard::InputGuard(QObject* parent) : QObject(parent) {}

InputGuard::~InputGuard() {
    auto& guards = CoveringGuards();
    guards.erase(std::remove(guards.begin(), guards.end(), this), guards.end());
}

void InputGuard::coverAccessibility(QWidget* window) {
    if (!window) return;
    InstallGuardedAccessibility();
    // Windows come and go (the cable window is made afresh each time it opens).
    covered_.erase(std::remove(covered_.begin(), covered_.end(), nullptr), covered_.end());
    covered_.emplace_back(window);
    auto& guards = CoveringGuards();
    if (std::find(guards.begin(), guards.end(), this) == guards.end()) guards.push_back(this);
}

InputGuard* InputGuard::coveringGuard(const QObject* object) {
    for (InputGuard* guard : CoveringGuards())
        for (const QPointer<QWidget>& window : guard->covered_)
            for (const QObject* o = object; o && window; o = o->parent())
                if (o == window) return guard;
    return nullptr;
}

void InputGuard::allowWidget(QWidget* widget) {
    if (widget) widgets_.emplace_back(widget);
}

void InputGuard::allowAction(QAction* action) {
    if (action) actions_.emplace_back(action);
}

void InputGuard::enter() {
    if (depth_++ == 0) eatenPresses_ = {};
}

void InputGuard::leave() {
    if (depth_ > 0 && --depth_ == 0) eatenPresses_ = {};
}

namespace {

bool IsInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    // Text from an input method (Korean is typed so, past the key presses) or dropped in.
    case QEvent::InputMethod:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

QAction* ActionAt(QWidget* widget, QEvent* event) {
    const QPoint pos = static_cast<QMouseEvent*>(event)->position().toPoint();
    if (auto* menu = qobject_cast<QMenu*>(widget)) return menu->actionAt(pos);
    if (auto* bar = qobject_cast<QMenuBar*>(widget)) return bar->actionAt(pos);
    return nullptr;
}

} // namespace

bool InputGuard::eventFilter(QObject* watched, QEvent* event) {
    if (depth_ <= 0 || !IsInput(event->type())) return false;

    const bool mouse = event->type() == QEvent::MouseButtonPress ||
                       event->type() == QEvent::MouseButtonDblClick ||
                       event->type() == QEvent::MouseButtonRelease;
    const Qt::MouseButton button =
        mouse ? static_cast<QMouseEvent*>(event)->button() : Qt::NoButton;

    if (event->type() == QEvent::MouseButtonRelease && watched->isWidgetType()) {
        if (eatenPresses_.testFlag(button)) {
            eatenPresses_.setFlag(button, false);
            return true;
        }
        // A press that came before the wait began must get its release, or a scroll bar keeps
        // repeating and a button stays down; menus are judged by the item under the pointer.
        auto* w = static_cast<QWidget*>(watched);
        if (!qobject_cast<QMenu*>(w) && !qobject_cast<QMenuBar*>(w) &&
            !w->window()->windowFlags().testFlag(Qt::Popup))
            return false;
    }

    if (allowed(watched, event)) return false;
    if (mouse && event->type() != QEvent::MouseButtonRelease) eatenPresses_.setFlag(button, true);
    return true;
}

bool InputGuard::allowedAction(const QAction* action) const {
    return action && std::any_of(actions_.begin(), actions_.end(),
                                 [action](const QPointer<QAction>& p) { return p == action; });
}

bool InputGuard::allowedWidget(const QWidget* w) const {
    for (const QPointer<QWidget>& p : widgets_)
        if (p && (p == w || p->isAncestorOf(w))) return true;

    // A box or dialog that a handler raised inside the wait must be answerable, or the wait it
    // sits in can never go on; its popups (a drop-down list) count as part of it.
    if (QWidget* modal = QApplication::activeModalWidget())
        for (const QWidget* p = w; p; p = p->parentWidget())
            if (p == modal) return true;
    return false;
}

bool InputGuard::refuses(const QObject* target) const {
    if (depth_ <= 0 || !target) return false;
    if (target->isWidgetType()) return !allowedWidget(static_cast<const QWidget*>(target));
    if (const auto* action = qobject_cast<const QAction*>(target)) {
        if (allowedAction(action)) return false;
        for (const QObject* o : action->associatedObjects())
            if (o->isWidgetType() && allowedWidget(static_cast<const QWidget*>(o))) return false;
    }
    return true;
}

bool InputGuard::allowed(QObject* watched, QEvent* event) const {
    if (!watched->isWidgetType()) {
        // Window objects hand mouse and key events on to the widgets, where they are judged;
        // shortcuts go straight to their action.
        if (event->type() != QEvent::Shortcut) return true;
        return allowedAction(qobject_cast<QAction*>(watched));
    }

    auto* w = static_cast<QWidget*>(watched);
    if (allowedWidget(w)) return true;

    const QEvent::Type type = event->type();
    const bool press = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;
    auto* menu = qobject_cast<QMenu*>(w);
    auto* bar = qobject_cast<QMenuBar*>(w);

    // Presses only open menus or close popups; what is chosen is decided on release.
    if (press && (bar || menu || w->window()->windowFlags().testFlag(Qt::Popup))) return true;

    if (type == QEvent::MouseButtonRelease && (menu || bar)) {
        QAction* action = ActionAt(w, event);
        if (bar && (!action || action->menu())) return true;
        return allowedAction(action);
    }

    const bool key = type == QEvent::KeyPress || type == QEvent::KeyRelease;
    if (key && (menu || bar)) {
        // The keys move along the menus as the pointer does; choosing is judged as a release.
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Escape:
        case Qt::Key_F10:
        case Qt::Key_Alt:
        case Qt::Key_Meta:
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
        case Qt::Key_Select: {
            QAction* action = menu ? menu->activeAction() : bar->activeAction();
            return allowedAction(action) || (bar && action && action->menu());
        }
        default:
            return false;
        }
    }
    // Alt alone, which the menu bar watches for on its way up from the control with the keys,
    // does nothing else anywhere.
    if (key || type == QEvent::ShortcutOverride) {
        const auto* k = static_cast<QKeyEvent*>(event);
        if ((k->key() == Qt::Key_Alt || k->key() == Qt::Key_Meta) &&
            (k->modifiers() & ~(Qt::AltModifier | Qt::MetaModifier | Qt::KeypadModifier)) == 0)
            return true;
    }
    return false;
}

} // namespace verrano
