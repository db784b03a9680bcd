// The clickable label: pointer, key and focus-mark handling.
#include "platform/click_label.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace verrano {

ClickLabel::ClickLabel(QWidget* parent) : QLabel(parent) {
    setFocusPolicy(Qt::TabFocus);
}

void ClickLabel::click() {
    if (isEnabled()) emit clicked();
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    // A click: the left button let go over the label.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) click();
    QLabel::mouseReleaseEvent(event);
}

void ClickLabel::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (event->modifiers() != Qt::NoModifier && event->modifiers() != Qt::KeypadModifier) break;
        // A held key clicks once, as a held button does.
        if (!event->isAutoRepeat()) click();
        event->accept();
        return;
    default:
        break;
    }
    QLabel::keyPressEvent(event);
}

void ClickLabel::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (!hasFocus()) return;
    // The style decides when the mark shows, as for the buttons beside it: after the keys moved
    // the focus.
    QPainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.backgroundColor = palette().color(backgroundRole());
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}

} // namespace verrano
