// The receive handler: a received chunk is reduced to its answer byte and stored by the reply
// kind that the sender announced; and the reaction to a port that fails while open.
#include <QByteArray>
#include <algorithm>

#include "link/pure/packets.h"
#include "link/pure/reply_rules.h"
#include "ui_frm_Set.h"
#include "window/frm_Set.h"

namespace verrano {

void frm_Set::Comm_OnComm() {
    if (Comm.commEvent() != SerialControl::kEvReceive) return;
    const QByteArray chunk = Comm.input();
    const ReplyAction action =
        ClassifyReply(CtrlMode, RxMode, reinterpret_cast<const uint8_t*>(chunk.constData()),
                      static_cast<std::size_t>(chunk.size()),
                      lastDirectPacket.isEmpty()
                          ? nullptr
                          : reinterpret_cast<const uint8_t*>(lastDirectPacket.constData()));
    using Kind = ReplyAction::Kind;
    switch (action.kind) {
    case Kind::Drop:
        return; // wrong length on the direct route: not a reply, ends no wait
    case Kind::Version:
        RxBuf[0] = action.answer;
        if (action.answer != 0) SetStatusText(QString::fromStdString(ConnectOkText(action.answer)));
        break;
    case Kind::Param:
        ParamRef[static_cast<std::size_t>(action.paramIndex)] = action.answer;
        break;
    case Kind::ProbeNoServo:
        if (Comm.portOpen()) cmd_connect_Click();
        SetStatusText(QStringLiteral("Not Servo Motor => NotConnect"));
        RxBuf[0] = 0;
        break;
    case Kind::ProbeRefused:
        RxBuf[0] = action.answer;
        if (Comm.portOpen()) cmd_connect_Click();
        SetStatusText(QStringLiteral("NotConnect"));
        break;
    case Kind::ProbeOk:
        RxBuf[0] = action.answer;
        SetStatusText(QString::fromStdString(PortProbeText(CtrlServoPort, action.answer)));
        break;
    case Kind::Linked:
        bCtrlServoLinked = true;
        break;
    case Kind::Nothing:
        // The factory reset and Servo Program check the byte they read back; RxBuf[1] is
        // otherwise unused.
        if (RxMode == reply::ResetReadBack) RxBuf[1] = action.answer;
        break;
    }
    bReplyReady = true;
    // Every controller answer is two bytes, and answers that come close together arrive as one
    // chunk: all of them are taken with it. (A chunk that ends part way into an answer counts
    // only the whole ones, so the count can stay high, which costs a bounded wait, never a
    // shift.)
    if (CtrlMode != kRouteDirect)
        AnswersOwed = std::max(0, AnswersOwed - std::max(1, static_cast<int>(chunk.size() / 2)));
}

void frm_Set::Comm_PortLost() {
    if (Comm.portOpen()) Comm.setPortOpen(false);
    // A connect still in progress had no link to lose; it fails by itself, once, and a failed
    // connect records nothing.
    if (bConnecting) return;
    // The adapter went away under an open link: close the link as a disconnect does, without
    // sending, and tell the user the link is gone.
    ui->cmd_connect->setText(QStringLiteral("Connect"));
    bCtrlServoLinked = false;
    ui->cmd_Servo_Save->setEnabled(false);
    ui->cmd_Servo_Read->setEnabled(false);
    SetStatusText(QStringLiteral("Connect error"));
    if (bUnloading) return;
    SaveSystemSettingsOrWarn();
    ui->HScroll_Limit_max->setEnabled(false);
    ui->HScroll_Limit_min->setEnabled(false);
    ui->HScroll_zero->setEnabled(false);
}

} // namespace verrano
