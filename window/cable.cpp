// The Help menu's "Cable View": one cable window, shown modeless and without an owner.
#include "platform/window_placement.h"
#include "window/frmTip.h"
#include "window/frm_Set.h"

namespace verrano {

void frm_Set::Cable_Click() {
    if (!cableWindow) {
        // No owner, so the settings window does not keep it in its shadow; it still goes when the
        // settings window does.
        // Print waits for the print system as the line's waits wait for the servo: the windows
        // redraw, and Exit is still taken.
        auto* tip = new frmTip(nullptr, &guard, [this](const std::function<bool()>& done, int ms) {
            return PumpUntil(done, ms) == WaitEnd::Reply;
        });
        cableWindow = tip;
        connect(this, &QObject::destroyed, tip, [tip] { delete tip; });
        // Closed by the user, it hands the keys back to this window, as a window manager would.
        connect(tip, &QDialog::finished, this, [this] { ReactivateOwner(this); });
    }
    cableWindow->show();
    cableWindow->raise();
    cableWindow->activateWindow();
}

} // namespace verrano
