// Servo Program: the working block, filled from the window, written into the servo in block order.
#include <QLabel>

#include "link/pure/packets.h"
#include "params/pure/param_block.h"
#include "platform/message_box.h"
#include "ui_frm_Set.h"
#include "window/frm_Set.h"

namespace verrano {

namespace {

// A block written part way leaves the servo's memory checksum unbalanced, so the user must hear
// of it; the link is closed as a disconnect does (which clears the status line, hence first).
void ProgramFailed(frm_Set& w) {
    if (w.Comm.portOpen()) w.cmd_connect_Click();
    w.SetStatusText(QStringLiteral(" Servo Program error!"));
    MsgBox(&w, QStringLiteral("Servo Program error!"), MsgButtons::Ok, MsgIcon::Exclamation);
}

} // namespace

void frm_Set::cmd_Servo_Save_Click() {
    // The port comes first, so that nothing about a closed link is misreported.
    if (!Comm.portOpen()) {
        MsgBox(this, QStringLiteral("Not CommPort Open!"));
        return;
    }
    if (!bParamsRead) {
        MsgBox(this, QStringLiteral("Servo not Read!"), MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    }
    if (RxBuf[0] < kMinProgrammableVersion) {
        MsgBox(this, QStringLiteral("Servo ver-%1 not Reset !").arg(RxBuf[0]), MsgButtons::Ok,
               MsgIcon::Exclamation);
        return;
    }
    const QString prompt = ui->lab_motor_type->text() + QStringLiteral(" Servo Program OK?");
    if (MsgBox(this, prompt, MsgButtons::YesNo, MsgIcon::None,
               QString::fromLatin1(kProgramTitle)) != MsgResult::Yes)
        return;
    // The box waits for the user; the program may have been told to end meanwhile.
    if (bUnloading) return;

    // Through the controller an answer still owed to a move would be taken for the first write's,
    // and each later one for the write before it, the read-back's too.
    TakeOwedAnswer();
    if (bUnloading) return;

    BuildParamBlock();
    RxMode = reply::Ack;
    SetStatusText(QStringLiteral(" Wait! >>"));

    for (int i = 0; i < kBlockSize; ++i) {
        // The port can go while the box is open or a write waits (adapter pulled).
        if (!Comm.portOpen()) return ProgramFailed(*this);
        bReplyReady = false;
        const uint8_t address = kBlockAddress[static_cast<std::size_t>(i)];
        const uint8_t value = ParamBlock[static_cast<std::size_t>(i)];
        if (CtrlMode == kRouteDirect)
            SendServoPacket(cmd::Write, address, value);
        else
            SendControllerPacket(cmd::CtrlWrite, address, value, CtrlServoPort);
        if (ReplyWait() == WaitEnd::GaveUp) {
            if (bUnloading) return;
            return ProgramFailed(*this);
        }
        TickPause();
        bTickDone = false;
        if (bUnloading) return;
        AppendStatus(QStringLiteral(">"));
    }

    // A servo that isn't there still gets every write acknowledged: on the direct cable by the
    // echoes, through the controller by the 0 it answers for an empty port. So success is only
    // claimed once the servo hands back a byte just written that it never holds as 0: the left
    // limit.
    const bool limitReadBack = ReadsBack(addr::LimitLeft, ParamBlock[block::LimitLeft]);
    if (bUnloading) return;
    if (!limitReadBack) return ProgramFailed(*this);
    SetStatusText(QStringLiteral(" Servo Program OK!"));
}

bool frm_Set::ReadsBack(uint8_t address, uint8_t expected) {
    if (!Comm.portOpen()) return false;
    RxBuf[1] = static_cast<uint8_t>(~expected);
    RxMode = reply::ResetReadBack;
    bReplyReady = false;
    if (CtrlMode == kRouteDirect)
        SendServoPacket(cmd::Read, address, 0);
    else
        SendControllerPacket(cmd::CtrlRead, address, 0, CtrlServoPort);
    const WaitEnd readBack = ReplyWait();
    RxMode = reply::Ack;
    return readBack == WaitEnd::Reply && RxBuf[1] == expected;
}

} // namespace verrano
