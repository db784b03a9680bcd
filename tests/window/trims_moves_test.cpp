// The centre and limit trims with their live writes and needles, the label locks, the ID mirror,
// and the test moves (position buttons, slider, Repeat, moves by ID) on both routes.
#include <QCheckBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QSocketNotifier>
#include <cmath>
#include <unistd.h>

#include "fixture.h"
#include "link/pure/packets.h"
#include "platform/picture_box.h"
#include "ui_frm_Set.h"

namespace verrano::test {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Direct(uint8_t command, uint8_t d1, uint8_t d2) {
    const DirectPacket p = MakeDirectPacket(command, d1, d2);
    return Bytes(p.begin(), p.end());
}
Bytes Move(int position) {
    return Direct(0xF6, PositionHigh(position), PositionLow(position));
}
Bytes MoveById(int id, int position) {
    return Direct(static_cast<uint8_t>(id), PositionHigh(position), PositionLow(position));
}
Bytes CtrlMove(int position, int port) {
    return Bytes{0xF6, PositionHigh(position), PositionLow(position), static_cast<uint8_t>(port)};
}

// The needle's far end at a whole-degree angle from the dial centre.
void ExpectNeedleAt(const LineControl* line, double angleDeg) {
    const double rad = angleDeg / 180.0 * 3.14159265358979323846;
    EXPECT_NEAR(line->X1(), 1110, 0.01);
    EXPECT_NEAR(line->Y1(), 1285, 0.01);
    EXPECT_NEAR(line->X2(), 1110 + 1000 * std::cos(rad), 0.01) << "angle " << angleDeg;
    EXPECT_NEAR(line->Y2(), 1285 + 1000 * std::sin(rad), 0.01) << "angle " << angleDeg;
}

class TrimsMovesTest : public WindowTest {
protected:
    // The packets seen once count have arrived and nothing more came for a while; then cleared.
    std::vector<Bytes> Take(int count) {
        PumpUntil([&] { return servo->packetCount() >= count; });
        Pump(80);
        auto seen = Seen();
        servo->clearReceived();
        return seen;
    }
    QScrollBar* Zero() const { return w->ui->HScroll_zero; }
    QScrollBar* Min() const { return w->ui->HScroll_Limit_min; }
    QScrollBar* Max() const { return w->ui->HScroll_Limit_max; }
    QScrollBar* Slider() const { return w->ui->HScroll1; }
};

TEST_F(TrimsMovesTest, ZeroTrimWritesBothBytesThenCentres) {
    StartWindow();
    ConnectDirect();
    Zero()->setValue(-10);
    EXPECT_EQ(Take(3), (std::vector<Bytes>{{0x80, 0xE4, 0x87, 0xFF, 0x16, 0x00, 0x00},
                                           {0x80, 0xE4, 0x88, 0xF6, 0x1E, 0x00, 0x00},
                                           {0x80, 0xF6, 0x05, 0xDC, 0xA9, 0x00, 0x00}}));
    EXPECT_EQ(w->ui->txt_zero->text(), "-10");
    EXPECT_EQ(w->RxMode, 100);
    ExpectNeedleAt(w->Line3, 270);

    const struct {
        int value;
        uint8_t high, low;
        double angle;
    } cases[] = {{-200, 0xFF, 0x38, 260}, {-1, 0xFF, 0xFF, 270}, {0, 0x00, 0x00, 270},
                 {200, 0x00, 0xC8, 280},  {30, 0x00, 0x1E, 272}, {-30, 0xFF, 0xE2, 268}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        Zero()->setValue(c.value);
        EXPECT_EQ(Take(3), (std::vector<Bytes>{Direct(0xE4, 0x87, c.high),
                                               Direct(0xE4, 0x88, c.low), Move(1500)}));
        EXPECT_EQ(w->ui->txt_zero->text(), QString::number(c.value));
        ExpectNeedleAt(w->Line3, c.angle);
    }

    // Assigning the value the bar already has (as a Servo Read may) sends nothing.
    Zero()->setValue(-30);
    EXPECT_TRUE(Take(0).empty());
}

TEST_F(TrimsMovesTest, LimitTrimsWriteLiveAndMoveToTheirEnd) {
    StartWindow();
    ConnectDirect();
    // The right limit already stands at 180: its label writes it at once.
    w->Label2_Click();
    EXPECT_EQ(Take(2), (std::vector<Bytes>{{0x80, 0xE4, 0x94, 0xB4, 0x54, 0x00, 0x00},
                                           {0x80, 0xF6, 0x09, 0x60, 0x21, 0x00, 0x00}}));
    EXPECT_EQ(w->ui->txt_right_limit->text(), "180");
    ExpectNeedleAt(w->Line4, 365);

    Min()->setValue(170);
    EXPECT_EQ(Take(2), (std::vector<Bytes>{Direct(0xE4, 0x93, 170), Move(600)}));
    EXPECT_EQ(w->ui->txt_left_limit->text(), "170");
    ExpectNeedleAt(w->Line2, 170);

    Max()->setValue(230);
    EXPECT_EQ(Take(2), (std::vector<Bytes>{Direct(0xE4, 0x94, 230), Move(2400)}));
    ExpectNeedleAt(w->Line4, 340);
    Min()->setValue(230);
    Take(2);
    ExpectNeedleAt(w->Line2, 200);
    // 355.5 and 184.5 go to the even neighbours.
    Max()->setValue(199);
    Min()->setValue(199);
    Take(4);
    ExpectNeedleAt(w->Line4, 356);
    ExpectNeedleAt(w->Line2, 184);
}

TEST_F(TrimsMovesTest, LabelsUnlockOneBarAndFocusLossLocksIt) {
    StartWindow();
    w->Label1_Click(); // port closed: needle and text only
    EXPECT_TRUE(Min()->isEnabled());
    EXPECT_FALSE(Max()->isEnabled());
    EXPECT_FALSE(Zero()->isEnabled());
    EXPECT_EQ(w->ui->txt_left_limit->text(), "180");
    ExpectNeedleAt(w->Line2, 175);

    w->Label4_Click();
    EXPECT_TRUE(Zero()->isEnabled());
    EXPECT_FALSE(Min()->isEnabled() || Max()->isEnabled());
    w->Label2_Click();
    EXPECT_TRUE(Max()->isEnabled());
    EXPECT_FALSE(Min()->isEnabled() || Zero()->isEnabled());

    // Losing the focus locks the bar again, and nothing else.
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(Max(), &out);
    EXPECT_FALSE(Max()->isEnabled());
    w->Label4_Click();
    w->HScroll_zero_LostFocus();
    EXPECT_FALSE(Zero()->isEnabled());
    EXPECT_EQ(Zero()->value(), 0);
    Pump(50);
    EXPECT_EQ(servo->packetCount(), 0);
}

TEST_F(TrimsMovesTest, ControllerRouteMovesNeedlesButSendsNoTrims) {
    StartWindow();
    ConnectController(2);
    Zero()->setValue(50);
    Min()->setValue(200);
    Max()->setValue(210);
    EXPECT_EQ(w->ui->txt_zero->text(), "50");
    EXPECT_EQ(w->ui->txt_left_limit->text(), "200");
    EXPECT_EQ(w->ui->txt_right_limit->text(), "210");
    ExpectNeedleAt(w->Line3, 272);
    ExpectNeedleAt(w->Line2, 185);
    EXPECT_EQ(w->RxMode, 100);
    // The labels are disabled on this route: a click unlocks nothing.
    w->Label4_Click();
    EXPECT_FALSE(Zero()->isEnabled());
    EXPECT_TRUE(Take(0).empty());
}

TEST_F(TrimsMovesTest, IdBarMirrorsIntoItsTextWhileDragged) {
    StartWindow();
    QScrollBar* id = w->ui->HScroll_id;
    id->setValue(5);
    EXPECT_EQ(w->ui->txt_id->text(), "5");
    const int rxMode = w->RxMode;
    id->setSliderDown(true);
    id->setSliderPosition(77);
    EXPECT_EQ(w->ui->txt_id->text(), "77");
    id->setSliderDown(false);
    EXPECT_EQ(id->value(), 77);
    EXPECT_EQ(w->ui->txt_id->text(), "77");
    EXPECT_EQ(w->RxMode, rxMode);
    EXPECT_EQ(servo->packetCount(), 0);
}

TEST_F(TrimsMovesTest, PositionButtonsMoveTwiceWhenTheSliderFollows) {
    StartWindow();
    // Port closed: nothing goes out, but slider and needle still follow on the direct route.
    w->cmd_move_190_Click();
    EXPECT_EQ(Slider()->value(), 2400);
    ExpectNeedleAt(w->Line5, 0);
    w->cmd_move_100_Click();
    EXPECT_EQ(Take(0).size(), 0u);

    ConnectDirect();
    w->cmd_move_145_Click();
    EXPECT_EQ(Take(2), (std::vector<Bytes>{Move(1950), Move(1950)}));
    EXPECT_EQ(Slider()->value(), 1950);
    ExpectNeedleAt(w->Line5, -45);
    w->cmd_move_145_Click();
    EXPECT_EQ(Take(1), std::vector<Bytes>{Move(1950)});
    w->cmd_move_10_Click();
    EXPECT_EQ(Take(2), (std::vector<Bytes>{Move(600), Move(600)}));
    ExpectNeedleAt(w->Line5, -180);
    w->cmd_move_55_Click();
    EXPECT_EQ(Take(2), (std::vector<Bytes>{Move(1050), Move(1050)}));

    // The slider itself: a value the user drags to; 1515 rounds to -88 degrees.
    Slider()->setValue(1515);
    EXPECT_EQ(Take(1), std::vector<Bytes>{Move(1515)});
    ExpectNeedleAt(w->Line5, -88);
    Slider()->setSliderDown(true);
    Slider()->setSliderPosition(1700);
    EXPECT_EQ(Take(1), std::vector<Bytes>{Move(1700)});
    Slider()->setSliderDown(false);
    EXPECT_EQ(Take(1), std::vector<Bytes>{Move(1700)});
}

TEST_F(TrimsMovesTest, ControllerRouteButtonSendsOneMoveAndLeavesTheSlider) {
    StartWindow();
    Slider()->setValue(2000);
    ConnectController(5);
    w->cmd_move_100_Click();
    EXPECT_EQ(Take(1), std::vector<Bytes>{CtrlMove(1500, 5)});
    EXPECT_EQ(Slider()->value(), 2000);
    ExpectNeedleAt(w->Line5, -40);
}

TEST_F(TrimsMovesTest, RepeatSwingsBetweenItsTargets) {
    StartWindow();
    ConnectDirect();
    // Default texts: right first, then left.
    w->cmd_Repeat_Click();
    EXPECT_EQ(Take(2), (std::vector<Bytes>{Move(1950), Move(1950)}));
    w->cmd_Repeat_Click();
    EXPECT_EQ(Take(2), (std::vector<Bytes>{Move(1050), Move(1050)}));

    // -45 on the left gives the same target on both sides.
    w->txt_Repeat[0]->setText("-45");
    w->cmd_Repeat_Click();
    EXPECT_EQ(Take(2), (std::vector<Bytes>{Move(1950), Move(1950)}));
    w->cmd_Repeat_Click();
    EXPECT_EQ(Take(1), std::vector<Bytes>{Move(1950)});

    w->txt_Repeat[0]->setText("0");
    w->txt_Repeat[1]->setText("0");
    w->cmd_Repeat_Click();
    EXPECT_EQ(Take(2), (std::vector<Bytes>{Move(1500), Move(1500)}));
    w->cmd_Repeat_Click();
    EXPECT_EQ(Take(1), std::vector<Bytes>{Move(1500)});

    // Fractions round half to even: 45.5 -> 46, 44.5 -> 44. Next click goes right.
    w->txt_Repeat[0]->setText(" 45.5 ");
    w->txt_Repeat[1]->setText("45");
    w->cmd_Repeat_Click();
    Take(2);
    w->cmd_Repeat_Click();
    EXPECT_EQ(Take(2), (std::vector<Bytes>{Move(1040), Move(1040)}));
    EXPECT_EQ(Slider()->value(), 1040);
    w->txt_Repeat[0]->setText("44.5");
    w->cmd_Repeat_Click();
    Take(2);
    w->cmd_Repeat_Click();
    EXPECT_EQ(Take(2), (std::vector<Bytes>{Move(1060), Move(1060)}));
}

TEST_F(TrimsMovesTest, RepeatRefusesTextsItCannotUse) {
    StartWindow();
    ConnectDirect();
    w->cmd_Repeat_Click(); // right
    Take(2);
    const int slider = Slider()->value();
    for (const auto& [left, right] : std::vector<std::pair<QString, QString>>{{"", "45"},
                                                                              {"45", ""},
                                                                              {"abc", "45"},
                                                                              {"45", "4x"},
                                                                              {"91", "45"},
                                                                              {"45", "-91"},
                                                                              {"99999", "45"},
                                                                              {"1e3", "45"}}) {
        SCOPED_TRACE((left + " / " + right).toStdString());
        w->SetStatusText(QString());
        w->txt_Repeat[0]->setText(left);
        w->txt_Repeat[1]->setText(right);
        w->cmd_Repeat_Click();
        EXPECT_EQ(w->StatusText(), "Servo Position error");
        EXPECT_TRUE(w->bRepeatRight);
        EXPECT_EQ(Slider()->value(), slider);
    }
    EXPECT_TRUE(Take(0).empty());
    // 90 is still allowed, and the failed clicks did not turn the side.
    w->txt_Repeat[0]->setText("90");
    w->txt_Repeat[1]->setText("90");
    w->cmd_Repeat_Click();
    EXPECT_EQ(Take(2), (std::vector<Bytes>{Move(600), Move(600)}));
}

TEST_F(TrimsMovesTest, RepeatWithThePortClosedStillAlternates) {
    StartWindow();
    w->cmd_Repeat_Click();
    EXPECT_TRUE(w->bRepeatRight);
    EXPECT_EQ(Slider()->value(), 1500);
    EXPECT_EQ(w->RxMode, 100);
    ConnectDirect();
    w->cmd_Repeat_Click();
    EXPECT_EQ(Take(2), (std::vector<Bytes>{Move(1050), Move(1050)}));
}

TEST_F(TrimsMovesTest, MovesByIdFollowTheCheckBoxOnEitherRoute) {
    StartWindow();
    w->ui->HScroll_id->setValue(5);
    w->ui->chk_id_move->setChecked(true);
    ConnectDirect();
    w->cmd_move_10_Click();
    EXPECT_EQ(Take(2), (std::vector<Bytes>{MoveById(5, 600), MoveById(5, 600)}));
    w->cmd_move_10_Click();
    EXPECT_EQ(Take(1), std::vector<Bytes>{MoveById(5, 600)});
    EXPECT_EQ(MoveById(5, 1500), (Bytes{0x80, 0x05, 0x05, 0xDC, 0x9A, 0x00, 0x00}));

    // Switched to the controller with the box still ticked (now disabled): the buttons send the
    // direct move by ID, Repeat the controller move without ID.
    w->cmd_connect_Click();
    ConnectController(3);
    EXPECT_TRUE(w->ui->chk_id_move->isChecked());
    EXPECT_FALSE(w->ui->chk_id_move->isEnabled());
    w->cmd_move_190_Click();
    EXPECT_EQ(Take(1), std::vector<Bytes>{MoveById(5, 2400)});
    w->cmd_Repeat_Click();
    EXPECT_EQ(Take(1), std::vector<Bytes>{CtrlMove(1950, 3)});
}

TEST_F(TrimsMovesTest, ASliderDraggedFastKeepsTheLink) {
    // The drag comes in as the pointer's events do, on a connection the event loop watched
    // before the port was opened. Each next move is made just as the last one's echo comes
    // in, so its send discards the echo between the event loop's look at the port and the
    // port's read.
    int events[2];
    ASSERT_EQ(::pipe(events), 0);
    QSocketNotifier pointer(events[0], QSocketNotifier::Read);
    int moves = 0;
    QObject::connect(&pointer, &QSocketNotifier::activated, [&] {
        char c;
        if (::read(events[0], &c, 1) != 1 || !w) return;
        Slider()->setSliderPosition(1000 + moves * 20);
        w->HScroll1_Scroll();
        ++moves;
    });
    StartWindow();
    ConnectDirect();
    for (int round = 1; round <= 30 && w->Comm.portOpen(); ++round) {
        ASSERT_EQ(::write(events[1], "m", 1), 1);
        ASSERT_TRUE(PumpUntil([&] { return servo->packetCount() >= round; }));
    }
    Pump(20);
    EXPECT_TRUE(w->Comm.portOpen()) << "after " << moves << " moves";
    EXPECT_NE(w->StatusText(), "Connect error");
    EXPECT_EQ(servo->packetCount(), 30);
    ::close(events[0]);
    ::close(events[1]);
}

} // namespace
} // namespace verrano::test
