// The receive handler: a received chunk is reduced to its answer byte and stored by the reply
// kind that the sender announced; and the reaction to a port that fails while open.
#include <QByteArray>

#include "link/pure/packets.h"
#include "ui_frm_Set.h"
#include "window/frm_Set.h"

namespace verrano {

void frm_Set::Comm_OnComm() {
    if (Comm.commEvent() != SerialControl::kEvReceive) return;
    const QByteArray chunk = Comm.input();
    const auto answer = AnswerByte(CtrlMode, reinterpret_cast<const uint8_t*>(chunk.constData()),
                                   static_cast<std::size_t>(chunk.size()));
    if (!answer) return; // wrong length on the direct route: not a reply
    const uint8_t a1 = *answer;

    if (RxMode == reply::Version) {
        RxBuf[0] = a1;
        if (a1 != 0) SetStatusText(QStringLiteral("Connect OK! - QEL Servo Motor Ver- %1").arg(a1));
    } else if (RxMode >= reply::FirstParam && RxMode <= reply::LastParam) {
        ParamRef[static_cast<std::size_t>(RxMode - 1)] = a1;
    } else if (RxMode == reply::PortProbe) {
        if (a1 == 0) {
            if (Comm.portOpen()) cmd_connect_Click();
            SetStatusText(QStringLiteral("Not Servo Motor => NotConnect"));
            RxBuf[0] = 0;
        } else if (!PortProbeAccepts(a1)) {
            RxBuf[0] = a1;
            if (Comm.portOpen()) cmd_connect_Click();
            SetStatusText(QStringLiteral("NotConnect"));
        } else {
            RxBuf[0] = a1;
            SetStatusText(QStringLiteral(" %1  : Servo Motor Ver- %2").arg(CtrlServoPort).arg(a1));
        }
    } else if (RxMode == reply::ControllerLink) {
        if (a1 == 0) bCtrlServoLinked = true;
    }
    bReplyReady = true;
}

void frm_Set::Comm_PortLost() {
    // The adapter went away under an open link: close the link as a disconnect does, without
    // sending, and tell the user the link is gone.
    Timer1.setEnabled(false);
    Timer2.setEnabled(false);
    Timer3.setEnabled(false);
    if (Comm.portOpen()) Comm.setPortOpen(false);
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
