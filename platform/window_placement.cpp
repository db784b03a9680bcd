// Keeping a window above the others without moving it, giving the keys back after a box, and the
// file-existence test.
#include "platform/window_placement.h"

#include <QApplication>
#include <QFileInfo>
#include <QWidget>

namespace verrano {

void MakeTopmost(QWidget* window) {
    if (!window) return;
    window = window->window();
    if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) return;

    // Changing a window's flags re-creates it hidden; put back what it had so that only its
    // stacking changes. A window never placed keeps letting the window manager place it.
    const bool visible = window->isVisible();
    const bool moved = visible || window->testAttribute(Qt::WA_Moved);
    const bool resized = visible || window->testAttribute(Qt::WA_Resized);
    const QPoint pos = window->pos();
    const QSize size = window->size();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (resized) window->resize(size);
    if (moved) window->move(pos);
    if (visible) window->show();
}

void ReactivateOwner(QWidget* owner) {
    if (!owner) return;
    // A box that raised this one takes the keys back before the window under both.
    QWidget* target = QApplication::activeModalWidget();
    if (!target) target = owner->window();
    if (target->isVisible() && QApplication::activeWindow() != target) target->activateWindow();
}

bool FileExists(const QString& name) {
    if (name.isEmpty()) return false;
    const QFileInfo info(name);
    return info.exists() && info.isFile();
}

} // namespace verrano
