// Window tests of the performance options (step tables through ShowParamOptions, set stepping,
// live option writes on both routes) and of the servo-model menu.
#include "params_support.h"

namespace verrano::test {
namespace {

class ParamsOptions : public ParamsTest {
protected:
    // The step shown in each group, as "1".."3", and the indicator: e.g. "123U" or "222S".
    QString Shown() {
        QString s;
        for (auto* group : {&w->opt_Damp, &w->opt_Hold, &w->opt_Punch}) {
            const int i = frm_Set::SelectedIndex(group->data(), 3);
            s += i < 0 ? QStringLiteral("-") : QString::number(i + 1);
        }
        if (w->opt_Special[0]->isChecked()) s += QLatin1Char('S');
        if (w->opt_Special[3]->isChecked()) s += QLatin1Char('U');
        return s;
    }

    void SetSet(int first, uint8_t d, uint8_t z, uint8_t p, uint8_t c) {
        w->ParamBlock[first] = d;
        w->ParamBlock[first + 1] = z;
        w->ParamBlock[first + 2] = p;
        w->ParamBlock[first + 3] = c;
    }
};

TEST_F(ParamsOptions, ShowsBytesAsStepsByModel) {
    StartWindow();
    ASSERT_EQ(w->PerfLevel, 1);

    // Tavrik 10, 3, 200, 99: "1", "2", "3", User; the companion byte doesn't decide the step but
    // follows the newly selected P-Gain step.
    SetSet(4, 10, 3, 200, 99);
    w->ShowParamOptions();
    EXPECT_EQ(Shown(), "123U");
    EXPECT_EQ(w->ParamBlock[4], 10);
    EXPECT_EQ(w->ParamBlock[6], 200);
    EXPECT_EQ(w->ParamBlock[7], 100);

    // Bellun: 30 (Tavrik's step "2") is no Bellun step and shows "2"; 3 shows "1"; 7 shows "3".
    w->Bellun_Click();
    SetSet(4, 30, 4, 100, 20);
    w->ShowParamOptions();
    EXPECT_EQ(Shown(), "222S");
    EXPECT_EQ(w->ParamBlock[4], 5) << "a byte newly shown as \"2\" takes the step-2 value";
    w->ParamBlock[4] = 3;
    w->ShowParamOptions();
    EXPECT_EQ(Shown(), "122U");
    w->ParamBlock[4] = 7;
    w->ShowParamOptions();
    EXPECT_EQ(Shown(), "322U");

    // Dead Zone 4: "3" for Tavrik, "2" for the others.
    SetSet(4, 5, 4, 100, 20);
    w->ShowParamOptions();
    EXPECT_EQ(Shown(), "222S");
    w->Tavrik_Click();
    SetSet(4, 30, 4, 180, 80);
    w->ShowParamOptions();
    EXPECT_EQ(Shown(), "232U");

    // Bytes that match no step, with "2" already selected, stay as they are.
    w->ParamBlock[5] = 3;
    w->ShowParamOptions();
    SetSet(4, 99, 99, 99, 99);
    w->ShowParamOptions();
    EXPECT_EQ(Shown(), "222S");
    EXPECT_EQ(w->ParamBlock[4], 99);
    EXPECT_EQ(w->ParamBlock[6], 99);
}

TEST_F(ParamsOptions, StandardOnlyWhileEveryRowShowsStepTwo) {
    StartWindow();
    // Tavrik's steps "1" and "3" for D-Gain, Dead Zone and P-Gain in turn, the other two rows at
    // "2": a single row off "2" makes "User", and all three back at "2" make "Standard" again.
    const uint8_t offTwo[3][2] = {{10, 50}, {2, 4}, {160, 200}};
    for (int row = 0; row < 3; ++row) {
        for (int k = 0; k < 2; ++k) {
            SCOPED_TRACE(testing::Message() << "row " << row << " step " << (k == 0 ? 1 : 3));
            uint8_t bytes[3] = {30, 3, 180};
            bytes[row] = offTwo[row][k];
            SetSet(4, bytes[0], bytes[1], bytes[2], 80);
            w->ShowParamOptions();
            QString want = QStringLiteral("222U");
            want[row] = QLatin1Char(k == 0 ? '1' : '3');
            EXPECT_EQ(Shown(), want);
            SetSet(4, 30, 3, 180, 80);
            w->ShowParamOptions();
            EXPECT_EQ(Shown(), "222S");
        }
    }
}

TEST_F(ParamsOptions, UnknownModelChangesNothing) {
    StartWindow();
    w->opt_Damp[0]->setChecked(true);
    w->opt_Special[3]->setChecked(true);
    const QString before = Shown();
    w->MotorType = 4;
    SetSet(4, 50, 4, 200, 100);
    const ParamBytes block = w->ParamBlock;
    w->ShowParamOptions();
    EXPECT_EQ(Shown(), before);
    w->SetDampParam();
    w->SetHoldParam();
    w->SetPunchParam();
    EXPECT_EQ(w->ParamBlock, block);
}

TEST_F(ParamsOptions, SettersWriteOnlyTheShownSet) {
    StartWindow();
    w->Dimmar_Click();
    w->PerfLevel = 2;
    w->ParamBlock.fill(7);
    QSignalBlocker block(w->opt_Punch[2]); // the setter alone, without the click handler
    w->opt_Punch[2]->setChecked(true);
    w->SetPunchParam();
    for (int i = 0; i < kBlockSize; ++i) {
        const uint8_t want = i == 13 ? 200 : i == 14 ? 100 : 7;
        EXPECT_EQ(w->ParamBlock[i], want) << "index " << i;
    }
}

TEST_F(ParamsOptions, SetSteppingAndLiveWritesDirect) {
    StartDirect();
    // Set 1 at step "2", set 2 at step "3", set 3 at step "3" too (Tavrik).
    SetSet(4, 30, 3, 180, 80);
    SetSet(11, 50, 4, 200, 100);
    SetSet(15, 50, 4, 200, 100);
    w->ShowParamOptions();
    ASSERT_EQ(Shown(), "222S");
    Settle();

    w->cmd_Performance_hi_Click();
    EXPECT_EQ(w->PerfLevel, 2);
    EXPECT_EQ(Find<QGroupBox>("Frame4")->title(), "Servo Performance2");
    EXPECT_EQ(w->Label3[1]->text(), "Dead Zone:");
    EXPECT_EQ(Shown(), "333U");
    // One live write per changed group, always with set 1's bytes.
    const std::vector<Bytes> want{Direct(0xE4, 0x83, 30), Direct(0xE4, 0x82, 3),
                                  Direct(0xE4, 0x81, 180), Direct(0xE4, 0x80, 80)};
    ASSERT_TRUE(PumpUntil([&] { return servo->packetCount() >= 4; }));
    Pump(30);
    EXPECT_EQ(Seen(), want);

    // To set 3 with the same steps: nothing is sent; past set 3 the set stays.
    Settle();
    w->cmd_Performance_hi_Click();
    w->cmd_Performance_hi_Click();
    EXPECT_EQ(w->PerfLevel, 3);
    EXPECT_EQ(Find<QGroupBox>("Frame4")->title(), "Servo Performance3");
    Pump(50);
    EXPECT_TRUE(Seen().empty());

    // With set 3 shown, picking D-Gain "1" stores 10 in set 3 and sends set 1's D-Gain byte.
    w->opt_Damp[0]->setChecked(true);
    EXPECT_EQ(w->ParamBlock[15], 10);
    EXPECT_EQ(w->ParamBlock[4], 30);
    ASSERT_TRUE(PumpUntil([&] { return servo->packetCount() == 1; }));
    EXPECT_EQ(Seen().back(), Direct(0xE4, 0x83, 30));

    // Back to set 1 and below it.
    w->cmd_Performance_low_Click();
    w->cmd_Performance_low_Click();
    w->cmd_Performance_low_Click();
    EXPECT_EQ(w->PerfLevel, 1);
    EXPECT_EQ(Find<QGroupBox>("Frame4")->title(), "Servo Performance");
    EXPECT_EQ(Shown(), "222S");

    // A P-Gain pick sends the pair back to back.
    Settle();
    w->opt_Punch[0]->setChecked(true);
    ASSERT_TRUE(PumpUntil([&] { return servo->packetCount() == 2; }));
    const std::vector<Bytes> pair{Direct(0xE4, 0x81, 160), Direct(0xE4, 0x80, 60)};
    EXPECT_EQ(Seen(), pair);
    EXPECT_EQ(servo->direct().memory[1], 160);
    EXPECT_EQ(servo->direct().memory[0], 60);
}

TEST_F(ParamsOptions, LiveWritesThroughTheController) {
    StartController();
    SetSet(4, 30, 3, 180, 80);
    SetSet(11, 10, 2, 160, 60);
    w->ShowParamOptions();
    servo->clearReceived();

    w->cmd_Performance_hi_Click();
    EXPECT_EQ(Shown(), "111U");
    // Each write waited for its answer, so all four arrived in order.
    const std::vector<Bytes> want{Ctrl(0xF4, 0x83, 30, 0), Ctrl(0xF4, 0x82, 3, 0),
                                  Ctrl(0xF4, 0x81, 180, 0), Ctrl(0xF4, 0x80, 80, 0)};
    EXPECT_EQ(Seen(), want);

    // A controller that doesn't answer: each write gives up after the bound and the next goes on.
    servo->setFault(vs::Fault::Silent);
    servo->clearReceived();
    w->opt_Punch[2]->setChecked(true);
    const std::vector<Bytes> pair{Ctrl(0xF4, 0x81, 180, 0), Ctrl(0xF4, 0x80, 80, 0)};
    EXPECT_EQ(Seen(), pair);
    EXPECT_EQ(w->ParamBlock[13], 200);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ParamsOptions, LiveWriteAnswersAreAcknowledgementsWhateverCameBefore) {
    // Direct, after a factory reset: the answer to the next pick is no servo version.
    StartDirect();
    w->ServoReset_Click();
    ASSERT_EQ(w->StatusText(), " Servo Reset OK!");
    Settle();
    w->opt_Hold[w->opt_Hold[0]->isChecked() ? 2 : 0]->setChecked(true);
    ASSERT_TRUE(PumpUntil([&] { return servo->packetCount() >= 1; }));
    Pump(50);
    EXPECT_EQ(w->RxBuf[0], 110);
    EXPECT_EQ(w->StatusText(), " Servo Reset OK!");
    boxes.clear();
    answers.push_back(MsgResult::No);
    w->ServoReset_Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Tavrik Servo Reset Program OK?");

    // Through the controller, after a port choice: the answer to the next pick is no port-probe
    // answer, and the link stays.
    servo->controllerServos()[0] = vs::ServoState{110, ServoMemory()};
    servo->controllerServos()[3] = vs::ServoState{112, ServoMemory()};
    w->Brevak_Control_Click();
    w->cmd_connect_Click();
    ASSERT_TRUE(w->Comm.portOpen());
    w->opt_servo[3]->setChecked(true);
    ASSERT_TRUE(PumpUntil([&] { return w->StatusText() == " 3  : Servo Motor Ver- 112"; }));
    servo->clearReceived();
    w->opt_Damp[w->opt_Damp[0]->isChecked() ? 2 : 0]->setChecked(true);
    Pump(50);
    ASSERT_EQ(Seen().size(), 1u);
    EXPECT_EQ(Seen()[0][3], 3);
    EXPECT_TRUE(w->Comm.portOpen());
    EXPECT_EQ(w->StatusText(), " 3  : Servo Motor Ver- 112");
    EXPECT_EQ(w->RxBuf[0], 112);
}

TEST_F(ParamsOptions, ControllerRouteWithThePortClosedNeitherSendsNorWaits) {
    StartWindow();
    w->Brevak_Control_Click();
    ASSERT_FALSE(w->Comm.portOpen());
    SetSet(4, 10, 2, 160, 60);
    QElapsedTimer t;
    t.start();
    w->ShowParamOptions();
    EXPECT_LT(t.elapsed(), 500);
    EXPECT_EQ(Shown(), "111U");
    EXPECT_EQ(servo->packetCount(), 0);
}

TEST_F(ParamsOptions, ModelMenu) {
    StartWindow();
    // Before any model is chosen the label shows the bare name.
    EXPECT_EQ(Find<QLabel>("lab_motor_type")->text(), "Tavrik");
    w->cmd_connect_Click();
    ASSERT_TRUE(w->Comm.portOpen());
    Settle();
    const ParamBytes block = w->ParamBlock;
    const QString shown = Shown();

    w->Dimmar_Click();
    EXPECT_EQ(Find<QMenu>("ServoType1")->title(), "Dimmar 13Kg");
    EXPECT_EQ(Find<QLabel>("lab_motor_type")->text(), "Dimmar 13Kg");
    EXPECT_FALSE(Find<QAction>("Tavrik")->isChecked());
    EXPECT_FALSE(Find<QAction>("Bellun")->isChecked());
    EXPECT_FALSE(Find<QAction>("Quorrin")->isChecked());
    EXPECT_TRUE(Find<QAction>("Dimmar")->isChecked());
    EXPECT_EQ(w->MotorType, 3);
    w->Dimmar_Click();
    EXPECT_EQ(Find<QLabel>("lab_motor_type")->text(), "Dimmar 13Kg");
    EXPECT_TRUE(Find<QAction>("Dimmar")->isChecked());
    w->Quorrin_Click();
    EXPECT_EQ(w->MotorType, 2);
    EXPECT_TRUE(Find<QAction>("Quorrin")->isChecked());
    EXPECT_FALSE(Find<QAction>("Dimmar")->isChecked());

    // No packet, no change to the block or the shown steps.
    Pump(50);
    EXPECT_EQ(servo->packetCount(), 0);
    EXPECT_EQ(w->ParamBlock, block);
    EXPECT_EQ(Shown(), shown);
}

} // namespace
} // namespace verrano::test
