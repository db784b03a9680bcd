// Servo Read: the nineteen parameters read one by one in block order, then shown in the window.
#include <QGroupBox>
#include <QLineEdit>
#include <QScopeGuard>
#include <QScrollBar>

#include "link/pure/packets.h"
#include "params/pure/param_block.h"
#include "ui_frm_Set.h"
#include "window/frm_Set.h"

namespace verrano {

namespace {

// The link is closed first, because a disconnect clears the status line.
void ReadFailed(frm_Set& w) {
    if (w.Comm.portOpen()) w.cmd_connect_Click();
    w.SetStatusText(QStringLiteral(" Servo Read error!"));
}

} // namespace

void frm_Set::cmd_Servo_Read_Click() {
    // Answers still owed to commands that didn't wait for them (moves, through the controller)
    // would be taken for the first values, and every later answer for the value before its own.
    TakeOwedAnswer();
    if (!Comm.portOpen()) return;

    Timer1.setInterval(RepeatTick);
    // A read that doesn't end well has nothing to show for it: however it ends short of success
    // (no answer, a value the window can't show, a failed read-back, the program ending), the
    // blocks go back to what the last good read or load left, so a file save can't write values
    // the window never showed.
    bool read = false;
    const auto keepOnlyIfRead =
        qScopeGuard([this, &read, blockBefore = ParamBlock, refBefore = ParamRef] {
            if (read) return;
            ParamBlock = blockBefore;
            ParamRef = refBefore;
        });
    ParamBlock.fill(0);
    SetStatusText(QStringLiteral(" Wait! >>"));

    for (int i = 0; i < kBlockSize; ++i) {
        // The link can go away under a read (adapter pulled); no reply can come then.
        if (!Comm.portOpen()) return ReadFailed(*this);
        RxMode = static_cast<int16_t>(i + 1);
        bReplyReady = false;
        const uint8_t address = kBlockAddress[static_cast<std::size_t>(i)];
        if (CtrlMode == kRouteDirect)
            SendServoPacket(cmd::Read, address, 0);
        else
            SendControllerPacket(cmd::CtrlRead, address, 0, CtrlServoPort);
        // A missing answer must not leave a zero standing in for a value the servo holds.
        if (ReplyWait() == WaitEnd::GaveUp) {
            if (bUnloading) return;
            return ReadFailed(*this);
        }
        TickPause();
        bTickDone = false;
        if (bUnloading) return;
        AppendStatus(QStringLiteral(">"));
    }

    // A servo that loses contact part way leaves the rest of the read to the bare cable's echo,
    // or to the controller's answer for an empty port: 0 for every value left, which the checks
    // of what the window can show let through once the trims and limits are in. So the values
    // only count as the servo's once it hands back, last of all, one read earlier that it never
    // holds as 0: the left limit. That also catches most reads whose answers came out of step.
    const bool limitReadBack = ReadsBack(addr::LimitLeft, ParamRef[block::LimitLeft]);
    if (bUnloading) return;
    if (!limitReadBack) return ReadFailed(*this);

    for (int k = 0; k <= block::Check; ++k)
        ParamBlock[static_cast<std::size_t>(k)] = ParamRef[static_cast<std::size_t>(k)];

    // Each value shown raises its control's handler, which may send a live write or a move. The
    // short waits after them end at once while the last parameter reply's flag still stands.
    const uint8_t high = ParamRef[block::ZeroHigh];
    int zero = DecodeCentreTrim(high, ParamRef[block::ZeroLow]);
    // A negative trim beyond the bar's reach shows as 0; a positive one can't be shown at all.
    if (high >= 128 && zero < kZeroMin) zero = 0;
    if (!SetScrollValue(ui->HScroll_zero, zero)) return ReadFailed(*this);
    WaitReply();
    if (bUnloading) return;

    if (!SetScrollValue(ui->HScroll_Limit_min, ParamRef[block::LimitLeft]))
        return ReadFailed(*this);
    WaitReply();
    if (bUnloading) return;
    if (!SetScrollValue(ui->HScroll_Limit_max, ParamRef[block::LimitRight]))
        return ReadFailed(*this);
    WaitReply();
    if (bUnloading) return;

    ParamBlock = ParamRef;
    ShowParamOptions();
    if (bUnloading) return;
    WaitReply();
    if (bUnloading) return;

    ShowDirection(ParamRef[block::Flags]);
    WaitReply();
    if (bUnloading) return;

    ui->txt_id->setText(QString::number(ParamRef[block::Id]));
    if (!SetScrollValue(ui->HScroll_id, ParamRef[block::Id])) return ReadFailed(*this);
    WaitReply();
    if (bUnloading) return;
    WaitReply();
    if (bUnloading) return;

    read = true;
    bParamsRead = true;
    PerfLevel = 1;
    ui->Frame4->setTitle(QStringLiteral("Servo Performance"));
    ShowParamOptions();
    if (bUnloading) return;
    SetStatusText(QStringLiteral(" Servo Read OK!"));
    // The parameters were read whatever becomes of the settings file; the user is told apart.
    SaveSystemSettingsOrWarn();
}

} // namespace verrano
