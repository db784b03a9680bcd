// F10 and a visible Alt for a menu bar whose captions carry no mnemonic letters.
#include "platform/menu_bar_keys.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QProxyStyle>
#include <QStyleOption>

namespace verrano {

namespace {

// Alt puts the bar under the keys, but the toolkit's style marks a title only while its menu is
// open, so nothing would show where the keys are: mark the title they are on as an open one.
class KeyedTitleStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (element == CE_MenuBarItem && item && widget && widget->hasFocus() &&
            (item->state & State_Selected)) {
            QStyleOptionMenuItem keyed = *item;
            keyed.state |= State_Sunken;
            QProxyStyle::drawControl(element, &keyed, painter, widget);
            return;
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

// Lets go of the bar as Escape pressed until it does: each press closes the open menu, the last
// one hands the keys back to the control that had them.
void LeaveMenuBar(QMenuBar* bar) {
    for (int i = 0; i < 8; ++i) {
        QWidget* target = QApplication::activePopupWidget();
        if (!target && !bar->activeAction()) return;
        if (!target) target = bar;
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(target, &escape);
    }
}

// F10 pressed in an open menu of the bar, which has the keys then, leaves the bar as F10 entered
// it.
class F10InMenus : public QObject {
public:
    explicit F10InMenus(QMenuBar* bar) : QObject(bar), bar_(bar) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_F10 || key->modifiers() != Qt::NoModifier) return false;
        LeaveMenuBar(bar_);
        return true;
    }

private:
    QMenuBar* bar_;
};

} // namespace

QAction* OpenMenuBarFromKeys(QMenuBar* bar) {
    auto* style = new KeyedTitleStyle(QApplication::style()->name());
    style->setParent(bar);
    bar->setStyle(style);

    auto* inMenus = new F10InMenus(bar);
    for (QAction* a : bar->actions())
        if (QMenu* menu = a->menu()) menu->installEventFilter(inMenus);

    auto* f10 = new QAction(bar->window());
    f10->setShortcut(QKeySequence(Qt::Key_F10));
    bar->window()->addAction(f10);
    QObject::connect(f10, &QAction::triggered, bar, [bar] {
        // A second F10 leaves the bar that Alt or the first one put under the keys.
        if (bar->activeAction()) {
            LeaveMenuBar(bar);
            return;
        }
        for (QAction* a : bar->actions()) {
            if (a->isVisible() && a->isEnabled() && !a->isSeparator()) {
                bar->setActiveAction(a);
                return;
            }
        }
    });
    return f10;
}

} // namespace verrano
