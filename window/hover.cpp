// Hover help: the picture box shows the dial, a help picture for the performance option under the
// pointer, or the idle picture.
#include "platform/picture_box.h"
#include "ui_frm_Set.h"
#include "window/frm_Set.h"

namespace verrano {

namespace {
constexpr int kIdlePicture = 12;
constexpr int kDGainFirst = 2;   // pictures 2..4 for D-Gain steps "1".."3"
constexpr int kDeadZoneLast = 7; // pictures 7..5: the widest band belongs to step "3"
constexpr int kPGainFirst = 8;   // pictures 8..10 for P-Gain steps "1".."3"
} // namespace

void frm_Set::ShowPicture(int index) {
    ui->Picture1->setPicture(ImageList2.Picture(index));
}

void frm_Set::Form_MouseMove() {
    HideDialNeedles();
    ui->Picture1->cls();
    ShowPicture(kIdlePicture);
}

void frm_Set::Form_GotFocus() {
    // The needles keep their visibility here; only the picture changes.
    ui->Picture1->cls();
    ShowPicture(kIdlePicture);
}

void frm_Set::Frame1_MouseMove() {
    ShowDial();
}

void frm_Set::Frame2_MouseMove() {
    ShowDial();
}

void frm_Set::Frame5_MouseMove() {
    ShowDial();
}

void frm_Set::Frame4_MouseMove() {
    HideDialNeedles();
    ShowPicture(kDGainFirst);
}

void frm_Set::Label3_MouseMove(int index) {
    // A row label shows one fixed picture of its row, whatever step is chosen.
    static constexpr int kRowPicture[3] = {kDGainFirst, kDeadZoneLast - 1, kPGainFirst + 2};
    if (index < 0 || index > 2) return;
    HideDialNeedles();
    ShowPicture(kRowPicture[index]);
}

void frm_Set::opt_Damp_MouseMove(int index) {
    if (index < 0 || index > 2) return;
    HideDialNeedles();
    ShowPicture(kDGainFirst + index);
}

void frm_Set::opt_Hold_MouseMove(int index) {
    if (index < 0 || index > 2) return;
    HideDialNeedles();
    ShowPicture(kDeadZoneLast - index);
}

void frm_Set::opt_Punch_MouseMove(int index) {
    if (index < 0 || index > 2) return;
    HideDialNeedles();
    ShowPicture(kPGainFirst + index);
}

} // namespace verrano
