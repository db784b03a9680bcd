// The design's keyboard behaviour and focus mark for a Qt scroll bar.
#include "platform/scroll_bar.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QScrollBar>
#include <QStyleOption>

namespace verrano {

namespace {

// Takes the arrow keys before the bar does: Qt's bars invert them, so that on a horizontal bar
// Right would lower the value. The bar takes them with Shift, Ctrl or Alt held too, so those go
// the same way.
class ArrowKeys : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        auto* bar = static_cast<QScrollBar*>(watched);
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Right:
        case Qt::Key_Up:
            bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
            return true;
        case Qt::Key_Left:
        case Qt::Key_Down:
            bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
            return true;
        default:
            return false;
        }
    }
};

// Outlines the thumb of a bar that has the focus; the toolkit's styles draw nothing there.
class FocusMarkStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget) const override {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        if (control != CC_ScrollBar || !(option->state & State_HasFocus)) return;
        const QRect thumb = subControlRect(control, option, SC_ScrollBarSlider, widget);
        if (thumb.isEmpty()) return;
        painter->save();
        painter->setPen(QPen(option->palette.color(QPalette::Highlight), 2));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(QRectF(thumb).adjusted(1, 1, -1, -1));
        painter->restore();
    }
};

} // namespace

void MakeDesignScrollBar(QScrollBar* bar) {
    bar->installEventFilter(new ArrowKeys(bar));
    auto* style = new FocusMarkStyle(QApplication::style()->name());
    style->setParent(bar);
    bar->setStyle(style);
}

} // namespace verrano
