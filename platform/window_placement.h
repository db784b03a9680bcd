// Keeping a window above all other windows, and the file-existence test.
#pragma once

#include <QString>

class QWidget;

namespace verrano {

// Stay on top without moving or resizing the window.
void MakeTopmost(QWidget* window);

// True when a file of that name exists; a relative name is taken in the current directory.
bool FileExists(const QString& name);

} // namespace verrano
