// The way to the servo: the route menu (direct or through the controller), the controller port
// with its probe, the timing class, and the window height that goes with the route.
#include <QMenuBar>
#include <QStatusBar>

#include "link/pure/packets.h"
#include "ui_frm_Set.h"
#include "window/frm_Set.h"
#include "window/twips.h"

namespace verrano {

namespace {
// Design client area and the strip that only the controller route shows.
constexpr int kClientWidthTwips = 7620;
constexpr int kFrame9TopTwips = 3660;
constexpr int kClientHeightTwips = 4890;
constexpr int kStatusBarTwips = 375;
} // namespace

void frm_Set::PC_Control_Click() {
    QWidget* const focused = focusWidget();
    if (Comm.portOpen()) cmd_connect_Click();
    ui->PC_Control->setChecked(true);
    ui->Brevak_Control->setChecked(false);
    ui->Control_Option->setTitle(ui->PC_Control->text());
    ui->Frame2->setEnabled(true);
    ui->Label1->setEnabled(true);
    ui->Label2->setEnabled(true);
    ui->Label4->setEnabled(true);
    ui->chk_id_move->setEnabled(true);
    CtrlMode = kRouteDirect;
    ResizeForRoute();
    KeepFocusInSight(focused);
}

void frm_Set::Brevak_Control_Click() {
    QWidget* const focused = focusWidget();
    if (Comm.portOpen()) cmd_connect_Click();
    ui->PC_Control->setChecked(false);
    ui->Brevak_Control->setChecked(true);
    ui->Control_Option->setTitle(ui->Brevak_Control->text());
    ui->Frame2->setEnabled(false);
    ui->Label1->setEnabled(false);
    ui->Label2->setEnabled(false);
    ui->Label4->setEnabled(false);
    ui->chk_id_move->setEnabled(false);
    CtrlMode = kRouteController;
    ResizeForRoute();
    KeepFocusInSight(focused);
}

void frm_Set::ResizeForRoute() {
    // Sized from the client area rather than from fixed outer measures, so the window frame and
    // menu bar of whatever desktop this runs on don't cut into the design area: on the direct
    // route the status bar sits where "Servo Port" begins; through the controller all shows.
    const int statusHeight = Px(kStatusBarTwips);
    ui->StatusBar1->setFixedHeight(statusHeight);
    const int centralHeight =
        CtrlMode == kRouteDirect ? Px(kFrame9TopTwips) : Px(kClientHeightTwips) - statusHeight;
    const int menuHeight = menuBar()->isNativeMenuBar() ? 0 : menuBar()->sizeHint().height();
    const QSize client(Px(kClientWidthTwips), menuHeight + centralHeight + statusHeight);
    setFixedSize(client);
    // Cut off by the shorter window is not enough: hidden, the port buttons leave the Tab chain
    // and no key can reach them.
    ui->Frame9->setVisible(CtrlMode != kRouteDirect);
}

void frm_Set::KeepFocusInSight(QWidget* focused) {
    // The control that had the keys may now be hidden or disabled, and the toolkit hands them to
    // whatever comes next in the chain; give them to one that every route shows instead.
    if (focused && (!focused->isVisibleTo(this) || !focused->isEnabled()))
        ui->cmd_connect->setFocus(Qt::OtherFocusReason);
}

void frm_Set::opt_servo_Click(int index) {
    bParamsRead = false;
    CtrlServoPort = static_cast<uint8_t>(index);
    if (!Comm.portOpen()) return;
    // An answer still owed to an earlier command (a move) would be taken for the probe's.
    TakeOwedAnswer();
    if (!Comm.portOpen()) return;
    RxMode = reply::PortProbe;
    SendControllerPacket(cmd::CtrlProbe, 0, 0, CtrlServoPort);
    // The probe's answer is taken here, under its own kind: left for later, it would be taken as
    // the answer to whatever the user does next, and its verdict on the port lost.
    TakeOwedAnswer();
}

void frm_Set::opt_time_Click(int index) {
    switch (index) {
    case 0:
        RepeatTick = 10;
        break;
    case 1:
        RepeatTick = 40;
        break;
    case 2:
        RepeatTick = 100;
        break;
    default:
        break;
    }
    Timer1.setInterval(RepeatTick);
}

} // namespace verrano
