// Servo Read: the nineteen parameters read one by one in block order, then shown in the window.
#include <QGroupBox>
#include <QLineEdit>
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
    // An answer still owed to a command that didn't wait for it (a move, through the controller)
    // would be taken for the first value.
    TakeOwedAnswer();
    if (!Comm.portOpen()) return;

    Timer1.setInterval(RepeatTick);
    // A read that gets no answer has nothing to show for it; the blocks go back to what they
    // held, so a later file save can't write out zeros the window never showed.
    const ParamBytes blockBefore = ParamBlock;
    const ParamBytes refBefore = ParamRef;
    const auto unanswered = [&] {
        ParamBlock = blockBefore;
        ParamRef = refBefore;
        ReadFailed(*this);
    };
    ParamBlock.fill(0);
    SetStatusText(QStringLiteral(" Wait! >>"));

    for (int i = 0; i < kBlockSize; ++i) {
        // The link can go away under a read (adapter pulled); no reply can come then.
        if (!Comm.portOpen()) return unanswered();
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
            return unanswered();
        }
        TickPause();
        bTickDone = false;
        if (bUnloading) return;
        AppendStatus(QStringLiteral(">"));
    }

    RxMode = reply::Ack;
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
