// Window tests of the factory reset: the 46 writes and the read-back on both routes, the
// progress texts, the refusals, and a servo that goes silent part way.
#include "params/pure/factory_images.h"
#include "params_support.h"

namespace verrano::test {
namespace {

class ParamsReset : public ParamsTest {
protected:
    // Through the controller (on port 0) the controller's own read of the checksum comes last.
    std::vector<Bytes> Expected(int model, bool controller = false) {
        const auto image = vs::VirtualServo::FactoryImage(model);
        std::vector<Bytes> out;
        for (int a = 0; a < 46; ++a)
            out.push_back(
                Direct(0xE2, static_cast<uint8_t>(a), image[static_cast<std::size_t>(a)]));
        out.push_back(Direct(0xE1, 0x2C, 0));
        if (controller) out.push_back(Ctrl(0xF1, 0x2C, 0, 0));
        return out;
    }
};

TEST_F(ParamsReset, WritesTheImageDirect) {
    StartDirect();
    w->Bellun_Click();
    servo->direct().memory.fill(0);
    const ParamBytes block = w->ParamBlock;
    RecordStatus();
    w->ServoReset_Click();
    EXPECT_EQ(w->StatusText(), " Servo Reset OK!");
    const int ok = LastIndexOf(" Servo Reset OK!");
    ASSERT_GT(ok, 0);
    EXPECT_EQ(statuses[static_cast<std::size_t>(ok - 1)],
              QStringLiteral(" Wait! >>") + QString(46, QLatin1Char('>')));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Bellun 30Kg Servo Reset Program OK?");
    EXPECT_EQ(boxes[0].title, "Verrano");
    EXPECT_EQ(boxes[0].icon, MsgIcon::None);

    EXPECT_EQ(Seen(), Expected(1));
    EXPECT_EQ(servo->direct().memory, vs::VirtualServo::FactoryImage(1));
    EXPECT_EQ(w->RxMode, 100);
    EXPECT_EQ(w->MotorType, 1);
    EXPECT_EQ(w->ParamBlock, block);
    EXPECT_TRUE(w->Comm.portOpen());
}

TEST_F(ParamsReset, ProgramAfterAResetToAnotherModelLeavesAValidMemory) {
    // A Tavrik read, Dimmar chosen and reset: the servo now holds Dimmar's image, and the block
    // programmed next has to balance its checksum against that.
    StartDirect();
    w->cmd_Servo_Read_Click();
    ASSERT_EQ(w->StatusText(), " Servo Read OK!");
    Settle();
    w->Dimmar_Click();
    const ParamBytes block = w->ParamBlock;
    w->ServoReset_Click();
    ASSERT_EQ(w->StatusText(), " Servo Reset OK!");
    const auto image = vs::VirtualServo::FactoryImage(3);
    for (std::size_t i = 0; i < kWireOrder.size(); ++i)
        EXPECT_EQ(w->ParamRef[i], image[kWireOrder[i]]) << i;
    // The window, the working block and the read state are as they were.
    EXPECT_EQ(w->ParamBlock, block);
    EXPECT_TRUE(w->bParamsRead);
    EXPECT_EQ(Find<QScrollBar>("HScroll_Limit_min")->value(), 175);

    w->cmd_Servo_Save_Click();
    EXPECT_EQ(w->StatusText(), " Servo Program OK!");
    EXPECT_EQ(servo->direct().memory[0x13], 175);
    EXPECT_TRUE(servo->direct().checksumValid());
}

TEST_F(ParamsReset, DirectPacketsThroughTheController) {
    StartController();
    w->Dimmar_Click();
    w->ServoReset_Click();
    EXPECT_EQ(w->StatusText(), " Servo Reset OK!");
    EXPECT_EQ(Seen(), Expected(3, true));
    EXPECT_EQ(servo->controllerServos()[0].memory, vs::VirtualServo::FactoryImage(3));
}

TEST_F(ParamsReset, ThroughTheControllerTheAnswersToForwardedPacketsAreNotExamined) {
    // This controller passes every direct packet on to the servo and answers it with 0 itself,
    // the read-back included.
    StartController();
    servo->setFault(vs::Fault::AckForwardedWithZero);
    w->ServoReset_Click();
    EXPECT_EQ(w->StatusText(), " Servo Reset OK!");
    EXPECT_EQ(Seen(), Expected(0, true));
    EXPECT_EQ(servo->controllerServos()[0].memory, vs::VirtualServo::FactoryImage(0));
    EXPECT_TRUE(w->Comm.portOpen());
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(ParamsReset, ThroughTheControllerAnEmptyPortIsNoServo) {
    // The servo is unplugged from the port the link was made to: the controller answers every
    // forwarded packet, and its own read, with 0, the answer of an empty port, which no image
    // holds as its checksum.
    StartController();
    servo->controllerServos().erase(0);
    RecordStatus();
    w->ServoReset_Click();
    ExpectFailed(QStringLiteral("Reset"));
    EXPECT_EQ(Seen(), Expected(0, true));
}

TEST_F(ParamsReset, Refusals) {
    StartWindow();
    w->RxBuf[0] = 110;
    w->ServoReset_Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Not CommPort Open!");
    EXPECT_EQ(boxes[0].icon, MsgIcon::None);

    w->cmd_connect_Click();
    ASSERT_TRUE(w->Comm.portOpen());
    Settle();
    boxes.clear();
    w->RxBuf[0] = 109;
    w->ServoReset_Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Servo ver-109 not Reset !");
    EXPECT_EQ(boxes[0].icon, MsgIcon::Exclamation);

    w->RxBuf[0] = 110;
    boxes.clear();
    answers.push_back(MsgResult::No);
    const QString status = w->StatusText();
    w->ServoReset_Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Tavrik Servo Reset Program OK?");
    Pump(30);
    EXPECT_EQ(servo->packetCount(), 0);
    EXPECT_EQ(w->StatusText(), status);
}

TEST_F(ParamsReset, ServoSilentMidwayFails) {
    StartDirect();
    servo->setFault(vs::Fault::SilentAfterN, 20);
    RecordStatus();
    w->ServoReset_Click();
    ExpectFailed(QStringLiteral("Reset"));
    EXPECT_EQ(SeenWith({0xE2}).size(), 21u);
}

} // namespace
} // namespace verrano::test
