// Keeping a window above all other windows, handing the keys back to a window whose box has
// closed, and the file-existence test.
#pragma once

#include <QString>

class QWidget;

namespace verrano {

// Stay on top without moving or resizing the window.
void MakeTopmost(QWidget* window);

// After a modal box or dialog over the window has closed: the window that owns it is active
// again, as a window manager would make it; without one the keys would go nowhere.
void ReactivateOwner(QWidget* owner);

// True when a file of that name exists; a relative name is taken in the current directory.
bool FileExists(const QString& name);

} // namespace verrano
