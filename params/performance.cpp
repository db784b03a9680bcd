// The performance options: the step setters, showing a set's bytes as steps, stepping between
// the three sets, and the live option writes that follow a pick.
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <initializer_list>
#include <utility>

#include "link/pure/packets.h"
#include "params/pure/param_block.h"
#include "params/pure/step_tables.h"
#include "ui_frm_Set.h"
#include "window/frm_Set.h"

namespace verrano {

namespace {

constexpr uint8_t kLiveDGain = addr::LiveFlag | addr::DGain1;
constexpr uint8_t kLiveDeadZone = addr::LiveFlag | addr::DeadZone1;
constexpr uint8_t kLivePGain = addr::LiveFlag | addr::PGain1;
constexpr uint8_t kLiveCompanion = addr::LiveFlag | addr::Companion1;

// Writes the given set-1 bytes into the servo's working memory. Through the controller each write
// waits for its answer before the next goes out; an answer that doesn't come is not worth
// stopping for (the value reaches the servo again when the block is programmed).
void LiveOptionWrite(frm_Set& w, std::initializer_list<std::pair<uint8_t, int>> writes) {
    for (const auto& [subAddress, position] : writes) {
        const uint8_t value = w.ParamBlock[static_cast<std::size_t>(position)];
        // The answer is a plain acknowledgement. Left to the kind the last command announced, it
        // would be taken for a port-probe answer (closing the link) or for a servo version.
        w.RxMode = reply::Ack;
        if (w.CtrlMode == kRouteDirect) {
            w.SendServoPacket(cmd::LiveWrite, subAddress, value);
            continue;
        }
        // Nothing can answer a write that was never sent.
        if (!w.Comm.portOpen()) return;
        w.bReplyReady = false;
        w.SendControllerPacket(cmd::CtrlLiveWrite, subAddress, value, w.CtrlServoPort);
        w.ReplyWait();
        if (w.bUnloading) return;
    }
}

} // namespace

void frm_Set::SetDampParam() {
    const PerfSetPositions set = PerfSet(PerfLevel);
    const StepTable* table = StepTableFor(MotorType);
    if (table == nullptr) return;
    const int step = SelectedIndex(opt_Damp.data(), 3);
    if (step < 0) return;
    ParamBlock[static_cast<std::size_t>(set.dgain)] = table->dgain[static_cast<std::size_t>(step)];
}

void frm_Set::SetHoldParam() {
    const PerfSetPositions set = PerfSet(PerfLevel);
    const StepTable* table = StepTableFor(MotorType);
    if (table == nullptr) return;
    const int step = SelectedIndex(opt_Hold.data(), 3);
    if (step < 0) return;
    ParamBlock[static_cast<std::size_t>(set.deadzone)] =
        table->deadzone[static_cast<std::size_t>(step)];
}

void frm_Set::SetPunchParam() {
    const PerfSetPositions set = PerfSet(PerfLevel);
    const StepTable* table = StepTableFor(MotorType);
    if (table == nullptr) return;
    const int step = SelectedIndex(opt_Punch.data(), 3);
    if (step < 0) return;
    ParamBlock[static_cast<std::size_t>(set.pgain)] = table->pgain[static_cast<std::size_t>(step)];
    ParamBlock[static_cast<std::size_t>(set.companion)] =
        table->companion[static_cast<std::size_t>(step)];
}

void frm_Set::ShowParamOptions() {
    // Positions and table are fixed at the start: the handlers raised below run nested and may
    // wait, but what is being shown doesn't change under them.
    const PerfSetPositions set = PerfSet(PerfLevel);
    const StepTable* table = StepTableFor(MotorType);
    if (table == nullptr) return;

    // Selecting a button that was not selected raises its click handler at once, which stores
    // the step's value and sends the live write; a button already selected raises nothing.
    const int dgain = ShownStepIndex(table->dgain, ParamBlock[static_cast<std::size_t>(set.dgain)]);
    opt_Damp[static_cast<std::size_t>(dgain)]->setChecked(true);
    if (bUnloading) return;

    const int deadzone =
        ShownStepIndex(table->deadzone, ParamBlock[static_cast<std::size_t>(set.deadzone)]);
    opt_Hold[static_cast<std::size_t>(deadzone)]->setChecked(true);
    if (bUnloading) return;

    // The P-Gain byte alone decides the step; the companion byte follows the step.
    const int pgain = ShownStepIndex(table->pgain, ParamBlock[static_cast<std::size_t>(set.pgain)]);
    opt_Punch[static_cast<std::size_t>(pgain)]->setChecked(true);
    if (bUnloading) return;

    const bool standard =
        opt_Damp[1]->isChecked() && opt_Hold[1]->isChecked() && opt_Punch[1]->isChecked();
    opt_Special[standard ? 0 : 3]->setChecked(true);
}

void frm_Set::SetPerformanceCaptions() {
    switch (PerfLevel) {
    case 2:
        ui->Frame4->setTitle(QStringLiteral("Servo Performance2"));
        break;
    case 3:
        ui->Frame4->setTitle(QStringLiteral("Servo Performance3"));
        break;
    default:
        ui->Frame4->setTitle(QStringLiteral("Servo Performance"));
        break;
    }
    Label3[0]->setText(QStringLiteral("D-Gain:"));
    Label3[1]->setText(QStringLiteral("Dead Zone:"));
    Label3[2]->setText(QStringLiteral("P-Gain:"));
}

void frm_Set::cmd_Performance_hi_Click() {
    PerfLevel = static_cast<uint8_t>(PerfLevel >= 3 ? 3 : PerfLevel + 1);
    SetPerformanceCaptions();
    ShowParamOptions();
}

void frm_Set::cmd_Performance_low_Click() {
    PerfLevel = static_cast<uint8_t>(PerfLevel <= 1 ? 1 : PerfLevel - 1);
    SetPerformanceCaptions();
    ShowParamOptions();
}

// The live writes always carry set 1's bytes, whichever set is shown.
void frm_Set::opt_Damp_Click(int) {
    SetDampParam();
    LiveOptionWrite(*this, {{kLiveDGain, PerfSet(1).dgain}});
}

void frm_Set::opt_Hold_Click(int) {
    SetHoldParam();
    LiveOptionWrite(*this, {{kLiveDeadZone, PerfSet(1).deadzone}});
}

void frm_Set::opt_Punch_Click(int) {
    SetPunchParam();
    LiveOptionWrite(*this,
                    {{kLivePGain, PerfSet(1).pgain}, {kLiveCompanion, PerfSet(1).companion}});
}

} // namespace verrano
