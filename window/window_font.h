// The one font family both windows are drawn in, carried to every control of a window.
#pragma once

class QWidget;

namespace verrano {

// Gives every control of the window (menus included) the window's font family, and the window's
// point size where the control sets none of its own. A control under a style sheet does not
// inherit its parent's font, and a font set in a form or in code may name a family of its own;
// either would put the locale's default family, often much wider, into the design's geometry.
void SpreadWindowFont(QWidget* window);

} // namespace verrano
