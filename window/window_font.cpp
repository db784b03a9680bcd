// Carries a window's font family to all its controls.
#include "window/window_font.h"

#include <QFont>
#include <QWidget>

namespace verrano {

void SpreadWindowFont(QWidget* window) {
    const QFont base = window->font();
    for (QWidget* control : window->findChildren<QWidget*>()) {
        QFont font = control->font();
        font.setFamilies(base.families());
        if (!(font.resolveMask() & QFont::SizeResolved)) font.setPointSizeF(base.pointSizeF());
        control->setFont(font);
    }
}

} // namespace verrano
