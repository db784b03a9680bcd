// The keys that open a window's menu bar: F10 drops the first menu down, and Alt pressed and let
// go alone puts the bar under the keys (arrows move along it, Down or Enter opens a menu) with the
// title under the keys marked. F10 again, in a menu or on the bar, leaves it as Alt does.
#pragma once

class QAction;
class QMenuBar;

namespace verrano {

// The menu captions need no mnemonic letters for this. Returns the window's F10 action, for an
// input guard to let through.
QAction* OpenMenuBarFromKeys(QMenuBar* bar);

} // namespace verrano
