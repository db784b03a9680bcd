// The centre and limit trims (live writes and needles on the dial) and the ID bar's mirror.
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

#include "link/pure/packets.h"
#include "params/pure/param_block.h"
#include "ui_frm_Set.h"
#include "window/frm_Set.h"
#include "window/pure/dial_geometry.h"

namespace verrano {

namespace {

// Sub-addresses of the live write: 0x80 plus the servo memory address of the same parameter.
constexpr uint8_t kZeroHighAddress = addr::LiveFlag | addr::ZeroHigh;
constexpr uint8_t kZeroLowAddress = addr::LiveFlag | addr::ZeroLow;
constexpr uint8_t kLeftLimitAddress = addr::LiveFlag | addr::LimitLeft;
constexpr uint8_t kRightLimitAddress = addr::LiveFlag | addr::LimitRight;

// While the thumb is dragged value() still holds the old value; the position is what the user
// sees, and the two are equal otherwise.
int BarValue(const QScrollBar* bar) {
    return bar->sliderPosition();
}

} // namespace

void frm_Set::HScroll_Limit_min_Change() {
    const int v = BarValue(ui->HScroll_Limit_min);
    PlaceNeedle(Line2, LeftLimitAngle(v));
    RxMode = reply::Ack;
    ui->txt_left_limit->setText(QString::number(v));
    // Trims are never sent through the controller.
    if (CtrlMode == kRouteDirect) {
        SendServoPacket(cmd::LiveWrite, kLeftLimitAddress, static_cast<uint8_t>(v));
        SendMove(kPositionMin);
    }
}

void frm_Set::HScroll_Limit_max_Change() {
    const int v = BarValue(ui->HScroll_Limit_max);
    PlaceNeedle(Line4, RightLimitAngle(v));
    RxMode = reply::Ack;
    ui->txt_right_limit->setText(QString::number(v));
    if (CtrlMode == kRouteDirect) {
        SendServoPacket(cmd::LiveWrite, kRightLimitAddress, static_cast<uint8_t>(v));
        SendMove(kPositionMax);
    }
}

void frm_Set::HScroll_zero_Change() {
    const int v = BarValue(ui->HScroll_zero);
    PlaceNeedle(Line3, ZeroAngle(v));
    ui->txt_zero->setText(QString::number(v));
    // The zero is a signed 16-bit value sent high byte first in two's complement.
    int z = v;
    if (z < 0) z += 65536;
    const auto high = static_cast<uint8_t>(z / 256);
    const auto low = static_cast<uint8_t>(z % 256);
    RxMode = reply::Ack;
    if (CtrlMode == kRouteDirect) {
        SendServoPacket(cmd::LiveWrite, kZeroHighAddress, high);
        SendServoPacket(cmd::LiveWrite, kZeroLowAddress, low);
        SendMove(kPositionCentre);
    }
}

void frm_Set::HScroll_zero_LostFocus() {
    ui->HScroll_zero->setEnabled(false);
}
void frm_Set::HScroll_Limit_min_LostFocus() {
    ui->HScroll_Limit_min->setEnabled(false);
}
void frm_Set::HScroll_Limit_max_LostFocus() {
    ui->HScroll_Limit_max->setEnabled(false);
}

// A label click leaves exactly its own bar unlocked and writes that trim's value at once. A
// disabled label (the controller route) can't be clicked.
void frm_Set::Label4_Click() {
    if (!ui->Label4->isEnabled()) return;
    ui->HScroll_zero->setEnabled(true);
    ui->HScroll_Limit_max->setEnabled(false);
    ui->HScroll_Limit_min->setEnabled(false);
    HScroll_zero_Change();
}

void frm_Set::Label1_Click() {
    if (!ui->Label1->isEnabled()) return;
    ui->HScroll_Limit_min->setEnabled(true);
    ui->HScroll_Limit_max->setEnabled(false);
    ui->HScroll_zero->setEnabled(false);
    HScroll_Limit_min_Change();
}

void frm_Set::Label2_Click() {
    if (!ui->Label2->isEnabled()) return;
    ui->HScroll_Limit_max->setEnabled(true);
    ui->HScroll_Limit_min->setEnabled(false);
    ui->HScroll_zero->setEnabled(false);
    HScroll_Limit_max_Change();
}

void frm_Set::HScroll_id_Change() {
    ui->txt_id->setText(QString::number(BarValue(ui->HScroll_id)));
}
void frm_Set::HScroll_id_Scroll() {
    HScroll_id_Change();
}

} // namespace verrano
