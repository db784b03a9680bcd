// Window tests of Servo Read: the requests on both routes, the progress texts, values the window
// can or cannot show, a read started at another set, and a servo that stops answering.
#include <QDir>
#include <QFile>

#include "params_support.h"

namespace verrano::test {
namespace {

class ParamsRead : public ParamsTest {
protected:
    void ExpectProgress() {
        const int ok = LastIndexOf(QStringLiteral(" Servo Read OK!"));
        ASSERT_GT(ok, 0);
        EXPECT_EQ(statuses[static_cast<std::size_t>(ok - 1)],
                  QStringLiteral(" Wait! >>") + QString(19, QLatin1Char('>')));
        EXPECT_EQ(statuses.front(), QStringLiteral(" Wait! >>"));
    }

    // Reads with the servo's centre-trim bytes set; the status line afterwards.
    QString ReadWithZero(uint8_t high, uint8_t low) {
        Settle(); // the last read's live trim writes land before the memory is set
        ServoOnRoute().memory[0x07] = high;
        ServoOnRoute().memory[0x08] = low;
        w->cmd_Servo_Read_Click();
        return w->StatusText();
    }
};

TEST_F(ParamsRead, DirectRequestsInBlockOrder) {
    StartDirect();
    QFile::remove(QDir::current().filePath("zosys.dat"));
    RecordStatus();
    w->cmd_Servo_Read_Click();
    EXPECT_EQ(w->StatusText(), " Servo Read OK!");
    ExpectProgress();

    const auto reads = SeenWith({0xE1});
    ASSERT_EQ(reads.size(), 20u);
    for (std::size_t i = 0; i < kWireOrder.size(); ++i)
        EXPECT_EQ(reads[i], Direct(0xE1, kWireOrder[i], 0)) << i;
    // Then the left limit once more, read back.
    EXPECT_EQ(reads[19], Direct(0xE1, 0x13, 0));
    // The first twenty packets are the reads themselves, nothing in between.
    const auto seen = Seen();
    ASSERT_GE(seen.size(), 20u);
    EXPECT_EQ(std::vector<Bytes>(seen.begin(), seen.begin() + 20), reads);

    // Each value landed in its own place and shows in its own control.
    EXPECT_EQ(w->ParamRef, kServoBlock);
    EXPECT_EQ(w->ParamBlock, kServoBlock);
    EXPECT_EQ(Find<QScrollBar>("HScroll_zero")->value(), -28);
    EXPECT_EQ(Find<QScrollBar>("HScroll_Limit_min")->value(), 175);
    EXPECT_EQ(Find<QScrollBar>("HScroll_Limit_max")->value(), 215);
    EXPECT_EQ(Find<QScrollBar>("HScroll_id")->value(), 9);
    EXPECT_EQ(Find<QLineEdit>("txt_id")->text(), "9");
    EXPECT_TRUE(w->opt_dir[0]->isChecked());
    EXPECT_TRUE(w->opt_Damp[2]->isChecked());
    EXPECT_TRUE(w->opt_Hold[2]->isChecked());
    EXPECT_TRUE(w->opt_Punch[0]->isChecked());
    EXPECT_TRUE(w->opt_Special[3]->isChecked());

    EXPECT_TRUE(w->bParamsRead);
    EXPECT_EQ(w->RxMode, 100);
    EXPECT_EQ(w->PerfLevel, 1);
    EXPECT_TRUE(QFile::exists(QDir::current().filePath("zosys.dat")));
    EXPECT_TRUE(w->Comm.portOpen());
}

TEST_F(ParamsRead, ControllerRequestsCarryThePort) {
    StartController();
    RecordStatus();
    w->cmd_Servo_Read_Click();
    EXPECT_EQ(w->StatusText(), " Servo Read OK!");
    ExpectProgress();
    const auto reads = SeenWith({0xF1});
    ASSERT_EQ(reads.size(), 20u);
    for (std::size_t i = 0; i < kWireOrder.size(); ++i)
        EXPECT_EQ(reads[i], Ctrl(0xF1, kWireOrder[i], 0, 0)) << i;
    EXPECT_EQ(reads[19], Ctrl(0xF1, 0x13, 0, 0));
    EXPECT_EQ(w->ParamRef, kServoBlock);
    EXPECT_EQ(Find<QScrollBar>("HScroll_Limit_min")->value(), 175);
    EXPECT_EQ(Find<QScrollBar>("HScroll_Limit_max")->value(), 215);
    EXPECT_TRUE(w->bParamsRead);
}

TEST_F(ParamsRead, ThroughTheControllerNoEarlierAnswerIsTakenForAValue) {
    // A read started right after a command that didn't wait for its answer: a move, then a port
    // choice. Neither answer may stand in for the centre trim.
    StartController();
    servo->controllerServos()[3] = vs::ServoState{112, ServoMemory()};
    Pump(50);
    w->cmd_move_10_Click();
    w->cmd_Servo_Read_Click();
    EXPECT_EQ(w->StatusText(), " Servo Read OK!");
    EXPECT_EQ(w->ParamRef, kServoBlock);

    Pump(50);
    Click(w->opt_servo[3]);
    w->cmd_Servo_Read_Click();
    EXPECT_EQ(w->StatusText(), " Servo Read OK!");
    EXPECT_EQ(w->ParamRef, kServoBlock);
    EXPECT_EQ(w->RxBuf[0], 112);
    EXPECT_EQ(SeenWith({0xF1}).size(), 40u);
}

TEST_F(ParamsRead, ThroughASlowControllerEachAnswerIsTakenForItsOwnRequest) {
    // A controller that answers each packet late, in order: the answers to a move and to a live
    // write pair, which nobody waits for to the end, are still on their way when the read starts.
    StartController();
    w->opt_time[0]->setChecked(true); // a short pacing tick hides no answer that came late
    w->cmd_Servo_Read_Click();
    ASSERT_EQ(w->StatusText(), " Servo Read OK!");
    const auto servoBlock = [&] {
        ParamBytes block{};
        for (std::size_t i = 0; i < kWireOrder.size(); ++i)
            block[i] = ServoOnRoute().memory[kWireOrder[i]];
        return block;
    };
    // Each case starts linked, the controller answering late from then on.
    const auto linkedAndLate = [&](int lateMs) {
        servo->setFault(vs::Fault::None);
        if (!w->Comm.portOpen()) w->cmd_connect_Click();
        ASSERT_TRUE(w->Comm.portOpen());
        Pump(50);
        servo->clearReceived();
        servo->setLateMs(lateMs);
        servo->setFault(vs::Fault::Late);
    };
    for (int lateMs : {150, 300}) {
        linkedAndLate(lateMs);
        w->cmd_move_10_Click();
        w->cmd_Servo_Read_Click();
        EXPECT_EQ(w->StatusText(), " Servo Read OK!") << lateMs;
        EXPECT_EQ(w->ParamRef, servoBlock()) << lateMs;

        // A move, then a live P-Gain write pair: while the pair waits, two answers are owed.
        linkedAndLate(lateMs);
        w->cmd_move_10_Click();
        Pump(lateMs / 2); // its answer comes while the pair waits, well apart from the others
        const std::size_t pick = w->opt_Punch[0]->isChecked() ? 2 : 0;
        w->opt_Punch[pick]->setChecked(true);
        w->cmd_Servo_Read_Click();
        EXPECT_EQ(w->StatusText(), " Servo Read OK!") << lateMs;
        EXPECT_EQ(w->ParamRef, servoBlock()) << lateMs;
        EXPECT_TRUE(w->opt_Punch[pick]->isChecked()) << lateMs;
    }
}

TEST_F(ParamsRead, ThroughTheControllerAnswersThatCameTogetherAreAllTaken) {
    // Servo Program's last tick pause leaves the reply time-out set, so the next connect's first
    // version poll ends at once and the second goes out with the first one's answer still to
    // come: both answers arrive together. Neither may be left owed, or the next read waits for
    // it in vain.
    StartController();
    w->cmd_Servo_Read_Click();
    ASSERT_EQ(w->StatusText(), " Servo Read OK!");
    w->cmd_Servo_Save_Click();
    ASSERT_EQ(w->StatusText(), " Servo Program OK!");
    w->cmd_connect_Click();
    ASSERT_FALSE(w->Comm.portOpen());
    servo->clearReceived();
    w->cmd_connect_Click();
    ASSERT_TRUE(w->Comm.portOpen());
    Pump(50);
    ASSERT_EQ(SeenWith({0xF7}).size(), 2u);
    EXPECT_EQ(w->AnswersOwed, 0);
}

TEST_F(ParamsRead, PortClosedDoesNothing) {
    StartWindow();
    RecordStatus();
    w->cmd_Servo_Read_Click();
    EXPECT_TRUE(statuses.empty());
    EXPECT_EQ(servo->packetCount(), 0);
    EXPECT_FALSE(w->bParamsRead);
}

TEST_F(ParamsRead, CentreTrimEdges) {
    StartDirect();
    auto* zero = Find<QScrollBar>("HScroll_zero");
    EXPECT_EQ(ReadWithZero(0xFF, 0x38), " Servo Read OK!");
    EXPECT_EQ(zero->value(), -200);
    EXPECT_EQ(ReadWithZero(0x00, 0xC8), " Servo Read OK!");
    EXPECT_EQ(zero->value(), 200);
    // -201 can't be shown and shows as 0; the read goes on.
    EXPECT_EQ(ReadWithZero(0xFF, 0x37), " Servo Read OK!");
    EXPECT_EQ(zero->value(), 0);
    EXPECT_EQ(w->ParamRef[0], 0xFF);
    EXPECT_EQ(w->ParamRef[1], 0x37);
    // 201 ends the read with the link closed, and the blocks as the last read left them.
    const ParamBytes block = w->ParamBlock;
    const ParamBytes ref = w->ParamRef;
    EXPECT_EQ(ReadWithZero(0x00, 0xC9), " Servo Read error!");
    EXPECT_FALSE(w->Comm.portOpen());
    EXPECT_EQ(w->ParamBlock, block);
    EXPECT_EQ(w->ParamRef, ref);
}

TEST_F(ParamsRead, LimitOrIdOutOfRangeFails) {
    StartDirect();
    servo->direct().memory[0x13] = 169;
    w->cmd_Servo_Read_Click();
    EXPECT_EQ(w->StatusText(), " Servo Read error!");
    EXPECT_FALSE(w->Comm.portOpen());
    EXPECT_FALSE(w->bParamsRead);

    servo->direct().memory[0x13] = 175;
    servo->direct().memory[0x29] = 128;
    w->cmd_connect_Click();
    ASSERT_TRUE(w->Comm.portOpen());
    Settle();
    w->cmd_Servo_Read_Click();
    EXPECT_EQ(w->StatusText(), " Servo Read error!");
    EXPECT_FALSE(w->Comm.portOpen());
    EXPECT_EQ(Find<QLineEdit>("txt_id")->text(), "128");
    EXPECT_FALSE(w->bParamsRead);

    servo->direct().memory[0x29] = 127;
    w->cmd_connect_Click();
    Settle();
    w->cmd_Servo_Read_Click();
    EXPECT_EQ(w->StatusText(), " Servo Read OK!");
    EXPECT_EQ(Find<QScrollBar>("HScroll_id")->value(), 127);
}

TEST_F(ParamsRead, ReverseDirectionShown) {
    StartDirect();
    servo->direct().memory[0x1B] = 40;
    w->cmd_Servo_Read_Click();
    EXPECT_TRUE(w->opt_dir[1]->isChecked());
    EXPECT_EQ(w->FlagByte, 40);
}

TEST_F(ParamsRead, StartedAtSetTwoShowsSetTwoThenSetOne) {
    StartDirect();
    w->cmd_Performance_hi_Click();
    ASSERT_EQ(w->PerfLevel, 2);
    servo->clearReceived();
    w->cmd_Servo_Read_Click();
    ASSERT_EQ(w->StatusText(), " Servo Read OK!");
    EXPECT_EQ(w->PerfLevel, 1);
    EXPECT_EQ(Find<QGroupBox>("Frame4")->title(), "Servo Performance");
    EXPECT_TRUE(w->opt_Damp[2]->isChecked());
    EXPECT_TRUE(w->opt_Hold[2]->isChecked());
    EXPECT_TRUE(w->opt_Punch[0]->isChecked());
    EXPECT_TRUE(w->opt_Special[3]->isChecked());

    // Set 2 ("2", "2", "3") is shown first: only P-Gain changes from the "2" shown before, and its
    // live write carries set 1's pair. Then set 1 ("3", "3", "1") changes all three groups. (The
    // trims' own live writes go to 0x87 and up.)
    const auto optionWrites = [&] {
        std::vector<Bytes> out;
        for (const Bytes& p : SeenWith({0xE4}))
            if (p[2] <= 0x83) out.push_back(p);
        return out;
    };
    ASSERT_TRUE(PumpUntil([&] { return optionWrites().size() >= 6; }));
    Pump(30);
    const std::vector<Bytes> want{Direct(0xE4, 0x81, 160), Direct(0xE4, 0x80, 60),
                                  Direct(0xE4, 0x83, 50),  Direct(0xE4, 0x82, 4),
                                  Direct(0xE4, 0x81, 160), Direct(0xE4, 0x80, 60)};
    EXPECT_EQ(optionWrites(), want);
    EXPECT_EQ(w->ParamBlock, kServoBlock);
}

TEST_F(ParamsRead, ServoSilentMidwayFails) {
    StartDirect();
    servo->setFault(vs::Fault::SilentAfterN, 5);
    RecordStatus();
    w->cmd_Servo_Read_Click();
    EXPECT_EQ(w->StatusText(), " Servo Read error!");
    EXPECT_EQ(LastIndexOf(" Servo Read OK!"), -1);
    EXPECT_FALSE(w->Comm.portOpen());
    EXPECT_FALSE(w->bParamsRead);
    EXPECT_EQ(SeenWith({0xE1}).size(), 6u);
}

TEST_F(ParamsRead, AServoLostPartWayNeverReadsOk) {
    // The servo loses contact after n of the reads: the bare cable echoes the rest with 0 where
    // the answer stands, and the controller answers 0 for its empty port.
    for (bool controller : {false, true}) {
        if (controller) {
            w.reset();
            statuses.clear();
            StartController();
        } else {
            StartDirect();
        }
        RecordStatus();
        for (int n : {9, 18, 19}) {
            if (!w->Comm.portOpen()) {
                w->cmd_connect_Click();
                ASSERT_TRUE(w->Comm.portOpen());
                Settle();
            }
            servo->setFault(vs::Fault::ServoGoneAfterN, n);
            w->cmd_Servo_Read_Click();
            EXPECT_EQ(w->StatusText(), " Servo Read error!") << controller << " " << n;
            EXPECT_EQ(LastIndexOf(" Servo Read OK!"), -1) << controller << " " << n;
            EXPECT_FALSE(w->bParamsRead);
            EXPECT_FALSE(w->Comm.portOpen());
            servo->setFault(vs::Fault::None);
        }
    }
}

TEST_F(ParamsRead, AfterAFailedReadTheBlocksAndASaveAreTheEarlierRead) {
    StartDirect();
    w->cmd_Servo_Read_Click();
    ASSERT_EQ(w->StatusText(), " Servo Read OK!");
    nextPath = dir.filePath("good.qel");
    w->save_Click();
    Settle();

    // Gone from the third read: limits of 0, which the window can't show.
    servo->setFault(vs::Fault::ServoGoneAfterN, 2);
    w->cmd_Servo_Read_Click();
    ASSERT_EQ(w->StatusText(), " Servo Read error!");
    EXPECT_EQ(w->ParamBlock, kServoBlock);
    EXPECT_EQ(w->ParamRef, kServoBlock);
    nextPath = dir.filePath("after.qel");
    w->save_Click();
    EXPECT_EQ(w->StatusText(), "after.qel - Save OK");
    EXPECT_EQ(ReadFile("after.qel"), ReadFile("good.qel"));
}

TEST_F(ParamsRead, SettingsFileFailureDoesNotFailTheRead) {
    StartDirect();
    const QString settings = QDir::current().filePath("zosys.dat");
    QFile::remove(settings);
    ASSERT_TRUE(QDir::current().mkdir("zosys.dat")); // a directory can't be written as a file
    w->cmd_Servo_Read_Click();
    EXPECT_EQ(w->StatusText(), " Servo Read OK!");
    EXPECT_TRUE(w->bParamsRead);
    EXPECT_TRUE(w->Comm.portOpen());
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().text, "zosys.dat save error!");
    QDir::current().rmdir("zosys.dat");
}

} // namespace
} // namespace verrano::test
