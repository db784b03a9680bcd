// Test moves: the five position buttons, the test slider with its needle, and the Repeat swing.
#include <QCheckBox>
#include <QLineEdit>
#include <QScrollBar>
#include <string>

#include "link/pure/packets.h"
#include "ui_frm_Set.h"
#include "window/frm_Set.h"
#include "window/pure/dial_geometry.h"
#include "window/pure/test_moves.h"

namespace verrano {

void frm_Set::SendTestMove(int position) {
    if (!ui->chk_id_move->isChecked()) {
        SendMove(position);
        return;
    }
    // txt_id is only written by the ID bar and by Servo Read, so it holds 0..127; anything
    // else would address a servo the user didn't choose, so nothing goes out then.
    bool ok = false;
    const int id = ui->txt_id->text().trimmed().toInt(&ok);
    if (!ok || id < 0 || id > 127) return;
    SendMoveById(id, position);
}

namespace {

// One procedure for the five buttons.
void PositionButton(frm_Set& w, int position) {
    w.SendTestMove(position);
    // The slider follows on the direct route only; a changed value sends the move once more.
    if (w.CtrlMode == kRouteDirect) frm_Set::SetScrollValue(w.ui->HScroll1, position);
}

} // namespace

void frm_Set::cmd_move_10_Click() {
    PositionButton(*this, 600);
}
void frm_Set::cmd_move_55_Click() {
    PositionButton(*this, 1050);
}
void frm_Set::cmd_move_100_Click() {
    PositionButton(*this, 1500);
}
void frm_Set::cmd_move_145_Click() {
    PositionButton(*this, 1950);
}
void frm_Set::cmd_move_190_Click() {
    PositionButton(*this, 2400);
}

void frm_Set::HScroll1_Change() {
    // While the thumb is dragged value() still holds the old value; the position is current.
    const int v = ui->HScroll1->sliderPosition();
    PlaceNeedle(Line5, TestAngle(v));
    RxMode = reply::Ack;
    SendTestMove(v);
}

void frm_Set::HScroll1_Scroll() {
    HScroll1_Change();
}

void frm_Set::cmd_Repeat_Click() {
    const std::string left = txt_Repeat[0]->text().toStdString();
    const std::string right = txt_Repeat[1]->text().toStdString();
    // Texts that are not numbers, or angles beyond -90..90 whose targets would leave the
    // servo's travel, are refused alike: nothing moves and the side does not alternate.
    const auto targets = RepeatTargetsFor(left, right);
    if (!targets) {
        SetStatusText(QStringLiteral("Servo Position error"));
        return;
    }

    RxMode = reply::Ack;
    bRepeatRight = !bRepeatRight;
    if (!Comm.portOpen()) return;

    const int target = bRepeatRight ? targets->right : targets->left;
    if (CtrlMode != kRouteDirect) {
        SendMove(target);
        return;
    }
    SendTestMove(target);
    SetScrollValue(ui->HScroll1, target);
}

} // namespace verrano
