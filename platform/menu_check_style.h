// Check marks in menus as the window's design draws them: a bare check mark beside the chosen
// item and nothing beside the others, where the toolkit's styles draw a box beside every item
// that can be checked.
#pragma once

#include <QProxyStyle>

namespace verrano {

class MenuCheckStyle : public QProxyStyle {
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
};

} // namespace verrano
