// Draws a menu item's check indicator as a bare check mark, and nothing when unchecked.
#include "platform/menu_check_style.h"

#include <QMenu>
#include <QPainter>
#include <QStyleOption>

namespace verrano {

void MenuCheckStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                   QPainter* painter, const QWidget* widget) const {
    if (element != PE_IndicatorCheckBox || !qobject_cast<const QMenu*>(widget)) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    if (!(option->state & State_On)) return;

    const QRectF r = QRectF(option->rect).adjusted(1, 1, -1, -1);
    const QColor ink = option->state & State_Selected
                           ? option->palette.color(QPalette::HighlightedText)
                           : option->palette.color(QPalette::Text);
    const QPointF mark[] = {
        {r.left() + r.width() * 0.15, r.top() + r.height() * 0.55},
        {r.left() + r.width() * 0.40, r.top() + r.height() * 0.80},
        {r.left() + r.width() * 0.85, r.top() + r.height() * 0.20},
    };
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(
        QPen(ink, qMax(1.5, r.width() / 7.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter->drawPolyline(mark, 3);
    painter->restore();
}

} // namespace verrano
