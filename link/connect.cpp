// Connecting to a servo (probe and version check, or the controller handshake) and closing the
// link again; the connect button is a toggle.
#include <cstdio>

#include "link/pure/packets.h"
#include "platform/message_box.h"
#include "ui_frm_Set.h"
#include "window/frm_Set.h"

namespace verrano {

namespace {
constexpr int kProbesPerConnect = 2;
constexpr int kLinkSteps = 10;
constexpr int kVersionPolls = 10;
constexpr uint8_t kPollTargetVersion = 110;
} // namespace

void frm_Set::cmd_connect_Click() {
    if (Comm.portOpen()) {
        // Disconnect.
        if (CtrlMode == kRouteDirect) {
            RxMode = reply::Ack;
            SendServoPacket(cmd::Close, 0, 0);
            Comm.setPortOpen(false);
            ui->cmd_connect->setText(QStringLiteral("Connect"));
        } else {
            Comm.setPortOpen(false);
            ui->cmd_connect->setText(QStringLiteral("Connect"));
            bCtrlServoLinked = false;
        }
        ui->cmd_Servo_Save->setEnabled(false);
        ui->cmd_Servo_Read->setEnabled(false);
        SetStatusText(QString());
    } else {
        // Connect. A port that can't be set up or opened ends here, the way an error trap does:
        // close what is open, say so in the status line, nothing else.
        Comm.setCommPort(ui->Combo1->currentIndex() + 1);
        const bool direct = CtrlMode == kRouteDirect;
        Comm.setRThreshold(direct ? 7 : 2);
        if (!Comm.setSettings(direct ? QStringLiteral("19200,N,8,2")
                                     : QStringLiteral("9600,N,8,2")) ||
            !Comm.setPortOpen(true)) {
            // The status line has room only for the fixed text; a user who started the program
            // from a terminal sees there why (permission, no such device, port busy).
            std::fprintf(stderr, "verrano: %s\n", qPrintable(Comm.errorString()));
            if (Comm.portOpen()) Comm.setPortOpen(false);
            SetStatusText(QStringLiteral("Connect error"));
            return;
        }
        Comm.setInBufferCount(0);
        AnswersOwed = 0;
        bConnecting = true;

        RxMode = reply::Version;
        Timer2.setInterval(100);
        RxBuf[0] = 0;
        if (direct) {
            for (int i = 0; i < kProbesPerConnect && !bUnloading; ++i) {
                bReplyReady = false;
                RxMode = reply::Version;
                SendServoPacket(cmd::Probe, 0, 0);
                ProbeWait();
            }
        } else {
            const int port = SelectedIndex(opt_servo.data(), static_cast<int>(opt_servo.size()));
            if (port >= 0) CtrlServoPort = static_cast<uint8_t>(port);
            ControllerHandshake();
        }
        WaitReply();
        // The version decides now; from here on a lost port is a lost link.
        bConnecting = false;
        if (bUnloading) return;

        // A port lost while the probes waited fails the connect like a servo that didn't answer.
        if (!Comm.portOpen() || !VersionConnects(RxBuf[0])) {
            if (Comm.portOpen()) Comm.setPortOpen(false);
            SetStatusText(QStringLiteral("Connect error"));
            MsgBox(this, QStringLiteral("NotConnect"), MsgButtons::Ok);
            return;
        }

        ui->cmd_connect->setText(QStringLiteral("NotConnect"));
        if (opt_time[0]->isChecked())
            RepeatTick = 10;
        else if (opt_time[1]->isChecked())
            RepeatTick = 40;
        else if (opt_time[2]->isChecked())
            RepeatTick = 100;
        Timer1.setInterval(RepeatTick);
        ui->cmd_Servo_Save->setEnabled(true);
        ui->cmd_Servo_Read->setEnabled(true);
        RxMode = reply::Ack;
        if (direct) SendMove(kPositionCentre);
        bParamsRead = false;
        WaitReply();
        // A link lost in this last wait has been closed and recorded by the lost-port handler.
        if (bUnloading || !Comm.portOpen()) return;
    }

    // Common tail of a successful connect and of every disconnect. A settings file that can't
    // be written is the user's to know about, but it doesn't undo the link change.
    SaveSystemSettingsOrWarn();
    ui->HScroll_Limit_max->setEnabled(false);
    ui->HScroll_Limit_min->setEnabled(false);
    ui->HScroll_zero->setEnabled(false);
}

void frm_Set::ControllerHandshake() {
    if (!Comm.portOpen()) return;

    // Wake-up.
    RxMode = reply::ControllerLink;
    bCtrlServoLinked = false;
    bReplyReady = false;
    bHandshakeTimeout = false;
    SendRaw(QByteArray(reinterpret_cast<const char*>(kWakeUpPacket.data()),
                       static_cast<int>(kWakeUpPacket.size())));
    WakeUpWait();
    if (bHandshakeTimeout || bUnloading) return;

    // Link steps: any answer whose first byte is 0 confirms the link.
    for (int i = 0; i < kLinkSteps && !bUnloading; ++i) {
        bReplyReady = false;
        SendControllerPacket(cmd::LinkStep, 0, 0, CtrlServoPort);
        LinkStepWait();
        if (bCtrlServoLinked || !Comm.portOpen()) break;
    }

    // Version polls, whether or not the link was confirmed.
    for (int i = 0; i < kVersionPolls && !bUnloading; ++i) {
        RxBuf[0] = 0;
        RxMode = reply::Version;
        bReplyReady = false;
        if (!Comm.portOpen()) break;
        SendControllerPacket(cmd::CtrlProbe, 0, 0, CtrlServoPort);
        VersionPollWait();
        if (RxBuf[0] == kPollTargetVersion) break;
    }
}

} // namespace verrano
