// F10 and a visible Alt for a menu bar whose captions carry no mnemonic letters.
#include "platform/menu_bar_keys.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QProxyStyle>
#include <QShortcut>
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

} // namespace

void OpenMenuBarFromKeys(QMenuBar* bar) {
    auto* style = new KeyedTitleStyle(QApplication::style()->name());
    style->setParent(bar);
    bar->setStyle(style);

    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), bar->window());
    QObject::connect(f10, &QShortcut::activated, bar, [bar] {
        for (QAction* a : bar->actions()) {
            if (a->isVisible() && a->isEnabled() && !a->isSeparator()) {
                bar->setActiveAction(a);
                return;
            }
        }
    });
}

} // namespace verrano
