// Horizontal scroll bars as the design's platform has them: Right and Up raise the value, Left
// and Down lower it, and a bar that has the keys shows a mark on its thumb.
#pragma once

class QScrollBar;

namespace verrano {

// Qt's scroll bar turns its arrow keys the other way round and draws no focus mark; this gives
// the bar both, leaving the page keys, Home, End and the wheel as they are.
void MakeDesignScrollBar(QScrollBar* bar);

} // namespace verrano
