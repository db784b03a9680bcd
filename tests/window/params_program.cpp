// Window tests of Servo Program: the nineteen writes on both routes, the refusals, the prompt,
// and a servo that stops answering part way.
#include "params_support.h"

namespace verrano::test {
namespace {

class ParamsProgram : public ParamsTest {
protected:
    void ReadFirst() {
        w->cmd_Servo_Read_Click();
        ASSERT_EQ(w->StatusText(), " Servo Read OK!");
        Settle();
        boxes.clear();
    }
};

TEST_F(ParamsProgram, WritesTheBytesReadDirect) {
    StartDirect();
    ReadFirst();
    const auto memoryBefore = servo->direct().memory;
    RecordStatus();
    w->cmd_Servo_Save_Click();
    EXPECT_EQ(w->StatusText(), " Servo Program OK!");
    const int ok = LastIndexOf(" Servo Program OK!");
    ASSERT_GT(ok, 0);
    EXPECT_EQ(statuses[static_cast<std::size_t>(ok - 1)],
              QStringLiteral(" Wait! >>") + QString(19, QLatin1Char('>')));

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Tavrik Servo Program OK?");
    EXPECT_EQ(boxes[0].title, "Verrano");
    EXPECT_EQ(boxes[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(boxes[0].icon, MsgIcon::None);

    // Each byte goes back to the address it was read from, the check byte as the eleventh write.
    const auto writes = Seen();
    ASSERT_EQ(writes.size(), 20u);
    for (std::size_t i = 0; i < kWireOrder.size(); ++i)
        EXPECT_EQ(writes[i], Direct(0xE2, kWireOrder[i], kServoBlock[i])) << i;
    EXPECT_EQ(writes[10], Direct(0xE2, 0x2C, 197));
    // Success is claimed only after the servo hands the left limit back.
    EXPECT_EQ(writes[19], Direct(0xE1, 0x13, 0));
    EXPECT_EQ(servo->direct().memory, memoryBefore);
    EXPECT_TRUE(w->bParamsRead);
    EXPECT_EQ(w->RxMode, 100);
}

TEST_F(ParamsProgram, ControllerWritesCarryThePort) {
    StartController();
    ReadFirst();
    w->Dimmar_Click(); // the prompt names the model chosen
    w->cmd_Servo_Save_Click();
    EXPECT_EQ(w->StatusText(), " Servo Program OK!");
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes[0].text, "Dimmar 13Kg Servo Program OK?");
    // Set 1, shown at "3", "3", "1", now carries Dimmar's values for those steps (15, 5, and the
    // pair 160, 60 it shares with Tavrik); the check byte makes up for the two that changed.
    ParamBytes block = kServoBlock;
    block[4] = 15;
    block[5] = 5;
    block[10] = 231;
    // Nineteen writes, then the left limit read back through the controller as well.
    const auto writes = Seen();
    ASSERT_EQ(writes.size(), 20u);
    for (std::size_t i = 0; i < kWireOrder.size(); ++i)
        EXPECT_EQ(writes[i], Ctrl(0xF2, kWireOrder[i], block[i], 0)) << i;
    EXPECT_EQ(writes[19], Ctrl(0xF1, 0x13, 0, 0));
    const auto& memory = servo->controllerServos()[0].memory;
    for (std::size_t i = 0; i < kWireOrder.size(); ++i)
        EXPECT_EQ(memory[kWireOrder[i]], block[i]) << i;
    EXPECT_TRUE(servo->controllerServos()[0].checksumValid());
}

TEST_F(ParamsProgram, ThroughASlowControllerAMoveBeforeATransferAnswersNoneOfItsRequests) {
    // The move's answer comes late, after the transfer has started; taken for the first write's,
    // it would leave every later answer a place out, and the read-back would get a write's.
    StartController();
    ReadFirst();
    servo->setLateMs(150);
    servo->setFault(vs::Fault::Late);
    w->cmd_move_10_Click();
    Pump(75); // the answers don't come in one chunk
    w->cmd_Servo_Save_Click();
    EXPECT_EQ(w->StatusText(), " Servo Program OK!");
    EXPECT_TRUE(servo->controllerServos()[0].checksumValid());

    w->cmd_move_10_Click();
    Pump(75);
    w->ServoReset_Click();
    EXPECT_EQ(w->StatusText(), " Servo Reset OK!");
    EXPECT_EQ(servo->controllerServos()[0].memory, vs::VirtualServo::FactoryImage(0));
}

TEST_F(ParamsProgram, Refusals) {
    // A closed port is told first, whatever else holds.
    StartWindow();
    w->cmd_Servo_Save_Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Not CommPort Open!");
    EXPECT_EQ(boxes[0].icon, MsgIcon::None);
    EXPECT_EQ(boxes[0].buttons, MsgButtons::Ok);

    // Linked but not read.
    w->cmd_connect_Click();
    ASSERT_TRUE(w->Comm.portOpen());
    Settle();
    boxes.clear();
    w->cmd_Servo_Save_Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Servo not Read!");
    EXPECT_EQ(boxes[0].icon, MsgIcon::Exclamation);

    // Answered No: nothing is built or sent, the status stays.
    ReadFirst();
    w->ParamBlock[0] = 0x55;
    const QString status = w->StatusText();
    answers.push_back(MsgResult::No);
    w->cmd_Servo_Save_Click();
    Pump(30);
    EXPECT_EQ(servo->packetCount(), 0);
    EXPECT_EQ(w->ParamBlock[0], 0x55);
    EXPECT_EQ(w->StatusText(), status);

    // Version 109 is refused; 110 goes on to the prompt.
    w->RxBuf[0] = 109;
    boxes.clear();
    w->cmd_Servo_Save_Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Servo ver-109 not Reset !");
    EXPECT_EQ(boxes[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(servo->packetCount(), 0);
    w->RxBuf[0] = 110;
    boxes.clear();
    answers.push_back(MsgResult::No);
    w->cmd_Servo_Save_Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].buttons, MsgButtons::YesNo);
}

TEST_F(ParamsProgram, ABareCableIsNeverProgrammed) {
    // A servo whose check byte is 0: a cable left without it echoes 0 for every read, and that
    // must not pass for the servo holding the block.
    servo->direct().memory[0x2C] = 0;
    StartDirect();
    ReadFirst();
    ASSERT_EQ(w->ParamRef[block::Check], 0);
    servo->setFault(vs::Fault::EchoOnly);
    RecordStatus();
    w->cmd_Servo_Save_Click();
    ExpectFailed(QStringLiteral("Program"));
}

TEST_F(ParamsProgram, AnEmptyControllerPortIsNeverProgrammed) {
    // The servo is unplugged from its port after the read; the controller answers every write
    // to the empty port with 0, which must not pass for the servo holding the block.
    StartController();
    ReadFirst();
    servo->controllerServos().erase(0);
    RecordStatus();
    w->cmd_Servo_Save_Click();
    ExpectFailed(QStringLiteral("Program"));
    EXPECT_EQ(SeenWith({0xF2}).size(), 19u);
    EXPECT_EQ(SeenWith({0xF1}), std::vector<Bytes>{Ctrl(0xF1, 0x13, 0, 0)});
}

TEST_F(ParamsProgram, ServoSilentMidwayFails) {
    StartDirect();
    ReadFirst();
    servo->setFault(vs::Fault::SilentAfterN, 4);
    RecordStatus();
    w->cmd_Servo_Save_Click();
    ExpectFailed(QStringLiteral("Program"));
    EXPECT_EQ(SeenWith({0xE2}).size(), 5u);
}

} // namespace
} // namespace verrano::test
