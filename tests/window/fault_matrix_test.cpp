// Every operation that talks to the servo against every fault the line can bring: each ends within
// its bound, never reports success, loses no data, and leaves a window that connects again.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStatusBar>
#include <map>
#include <ostream>
#include <string>

#include "fixture.h"
#include "params/pure/param_block.h"
#include "params/pure/step_tables.h"
#include "ui_frm_Set.h"

namespace verrano::test {
namespace {

enum class Op {
    ConnectDirect,
    ConnectController,
    PortProbe,
    ReadDirect,
    ReadController,
    ProgramDirect,
    ProgramController,
    ResetDirect,
    ResetController,
    TrimsDirect,
    OptionsDirect,
    OptionsController,
    MovesDirect,
    MovesController,
};

enum class FaultMode { Silent, EchoOnly, Late, WrongLong, WrongShort, SilentAfterN, Vanish };

struct Cell {
    Op op;
    FaultMode fault;
};

constexpr int kLateMs = frm_Set::kReplyBoundMs + 300; // later than any single wait's bound

bool OnController(Op op) {
    switch (op) {
    case Op::ConnectController:
    case Op::PortProbe:
    case Op::ReadController:
    case Op::ProgramController:
    case Op::ResetController:
    case Op::OptionsController:
    case Op::MovesController:
        return true;
    default:
        return false;
    }
}

bool IsConnect(Op op) {
    return op == Op::ConnectDirect || op == Op::ConnectController;
}

// Operations whose failure closes the link and says so.
bool IsTransfer(Op op) {
    switch (op) {
    case Op::ReadDirect:
    case Op::ReadController:
    case Op::ProgramDirect:
    case Op::ProgramController:
    case Op::ResetDirect:
    case Op::ResetController:
        return true;
    default:
        return false;
    }
}

// Packets answered before the device falls silent or goes away, chosen to land mid-operation.
int PacketsBeforeFault(Op op) {
    switch (op) {
    case Op::ConnectController:
        return 2; // the wake-up and the first link step; the version polls go unanswered
    case Op::ReadDirect:
    case Op::ReadController:
    case Op::ProgramDirect:
    case Op::ProgramController:
        return 5;
    case Op::ResetDirect:
    case Op::ResetController:
        return 20;
    case Op::TrimsDirect:
    case Op::OptionsDirect:
    case Op::OptionsController:
    case Op::MovesDirect:
    case Op::MovesController:
        return 1;
    case Op::ConnectDirect:
    case Op::PortProbe:
        return 0;
    }
    return 0;
}

// How long the operation itself may take, failures included: its waits' bounds plus the
// exchanges before the fault, with room for a loaded machine.
int BoundMs(Op op) {
    switch (op) {
    case Op::ConnectDirect:
        // Three short waits of 100 ms; a port lost under one stops its timer, and that wait then
        // runs to the pump's own bound.
        return frm_Set::kReplyBoundMs + 1000;
    case Op::ConnectController:
        return 4000; // wake-up (1 s), ten link steps and ten polls of 100 ms each
    case Op::ReadDirect:
    case Op::ReadController:
    case Op::ProgramDirect:
    case Op::ProgramController:
    case Op::ResetDirect:
    case Op::ResetController:
        return frm_Set::kReplyBoundMs + 1500;
    case Op::OptionsController:
        return 2 * frm_Set::kReplyBoundMs + 1000; // P-Gain and its companion, one wait each
    case Op::PortProbe:
        return frm_Set::kReplyBoundMs + 500; // the probe takes its own answer
    case Op::TrimsDirect:
    case Op::OptionsDirect:
    case Op::MovesDirect:
    case Op::MovesController:
        return 300; // these never wait
    }
    return 0;
}

const char* OpName(Op op) {
    static const std::map<Op, const char*> names{
        {Op::ConnectDirect, "ConnectDirect"},
        {Op::ConnectController, "ConnectController"},
        {Op::PortProbe, "PortProbe"},
        {Op::ReadDirect, "ReadDirect"},
        {Op::ReadController, "ReadController"},
        {Op::ProgramDirect, "ProgramDirect"},
        {Op::ProgramController, "ProgramController"},
        {Op::ResetDirect, "ResetDirect"},
        {Op::ResetController, "ResetController"},
        {Op::TrimsDirect, "TrimsDirect"},
        {Op::OptionsDirect, "OptionsDirect"},
        {Op::OptionsController, "OptionsController"},
        {Op::MovesDirect, "MovesDirect"},
        {Op::MovesController, "MovesController"},
    };
    return names.at(op);
}

const char* FaultName(FaultMode f) {
    static const std::map<FaultMode, const char*> names{
        {FaultMode::Silent, "Silent"},
        {FaultMode::EchoOnly, "EchoOnly"},
        {FaultMode::Late, "Late"},
        {FaultMode::WrongLong, "WrongLong"},
        {FaultMode::WrongShort, "WrongShort"},
        {FaultMode::SilentAfterN, "SilentAfterN"},
        {FaultMode::Vanish, "Vanish"},
    };
    return names.at(f);
}

// Names the cell in test listings instead of its bytes.
void PrintTo(const Cell& cell, std::ostream* os) {
    *os << OpName(cell.op) << " / " << FaultName(cell.fault);
}

std::vector<Cell> AllCells() {
    const std::vector<Op> direct{Op::ConnectDirect, Op::ReadDirect,  Op::ProgramDirect,
                                 Op::ResetDirect,   Op::TrimsDirect, Op::OptionsDirect,
                                 Op::MovesDirect};
    const std::vector<Op> controller{
        Op::ConnectController, Op::PortProbe,         Op::ReadController, Op::ProgramController,
        Op::ResetController,   Op::OptionsController, Op::MovesController};
    std::vector<Cell> cells;
    for (Op op : direct) {
        for (FaultMode f :
             {FaultMode::Silent, FaultMode::EchoOnly, FaultMode::Late, FaultMode::WrongLong,
              FaultMode::WrongShort, FaultMode::SilentAfterN, FaultMode::Vanish}) {
            // A servo that answers the first probe has given its version: that connect succeeds.
            if (op == Op::ConnectDirect && f == FaultMode::SilentAfterN) continue;
            cells.push_back({op, f});
        }
    }
    // Through the controller there is no echo and answers have no fixed length, so an echo-only
    // or wrong-length device is a silent one there.
    for (Op op : controller) {
        for (FaultMode f :
             {FaultMode::Silent, FaultMode::Late, FaultMode::SilentAfterN, FaultMode::Vanish}) {
            // The probe is one packet: falling silent after it is the same as silent.
            if (op == Op::PortProbe && f == FaultMode::SilentAfterN) continue;
            cells.push_back({op, f});
        }
    }
    return cells;
}

vs::ServoState HealthyServo() {
    vs::ServoState s;
    s.version = 110;
    s.memory = vs::VirtualServo::FactoryImage(0);
    return s;
}

// "High" timing, COM1, the given route, controller port 0, Tavrik.
QByteArray SettingsFor(bool controller) {
    return QByteArray("\"0\"\r\n\"True\"\r\n\"False\"\r\n\"False\"\r\n\"") +
           (controller ? "1" : "0") + "\"\r\n\"0\"\r\n\"0\"\r\n";
}

class FaultMatrix : public WindowTest, public ::testing::WithParamInterface<Cell> {
protected:
    Op op() const { return GetParam().op; }
    FaultMode fault() const { return GetParam().fault; }

    void StartLinked() {
        const bool controller = OnController(op());
        servo->controllerServos()[0] = HealthyServo();
        servo->direct() = HealthyServo();
        StartWindow(SettingsFor(controller));
        ASSERT_EQ(w->CtrlMode, controller ? 1 : 0);
        ASSERT_EQ(w->RepeatTick, 10);
        if (IsConnect(op())) return;
        w->cmd_connect_Click();
        ASSERT_TRUE(w->Comm.portOpen());
        Pump(50); // the connect's centre move isn't waited for; its echo goes by first
        // Everything but the connect itself starts from a completed read, so that the block, the
        // read state and the shown values are the servo's.
        w->cmd_Servo_Read_Click();
        ASSERT_EQ(w->StatusText(), " Servo Read OK!");
        ASSERT_TRUE(w->bParamsRead);
        Pump(50); // the read's live writes and their echoes go by, as before a user's next click
    }

    void ApplyFault() {
        const int n = PacketsBeforeFault(op());
        switch (fault()) {
        case FaultMode::Silent:
            servo->setFault(vs::Fault::Silent);
            break;
        case FaultMode::EchoOnly:
            servo->setFault(vs::Fault::EchoOnly);
            break;
        case FaultMode::Late:
            servo->setLateMs(kLateMs);
            servo->setFault(vs::Fault::Late);
            break;
        case FaultMode::WrongLong:
            servo->setWrongLength(9);
            servo->setFault(vs::Fault::WrongLength);
            break;
        case FaultMode::WrongShort:
            servo->setWrongLength(5);
            servo->setFault(vs::Fault::WrongLength);
            break;
        case FaultMode::SilentAfterN:
            servo->setFault(vs::Fault::SilentAfterN, n);
            break;
        case FaultMode::Vanish:
            servo->setFault(vs::Fault::Vanish, n);
            break;
        }
    }

    void RunOp() {
        switch (op()) {
        case Op::ConnectDirect:
        case Op::ConnectController:
            w->cmd_connect_Click();
            break;
        case Op::PortProbe:
            w->opt_servo_Click(0);
            break;
        case Op::ReadDirect:
        case Op::ReadController:
            w->cmd_Servo_Read_Click();
            break;
        case Op::ProgramDirect:
        case Op::ProgramController:
            w->cmd_Servo_Save_Click();
            break;
        case Op::ResetDirect:
        case Op::ResetController:
            w->ServoReset_Click();
            break;
        case Op::TrimsDirect:
            ASSERT_TRUE(frm_Set::SetScrollValue(w->ui->HScroll_zero, 50));
            ASSERT_TRUE(frm_Set::SetScrollValue(w->ui->HScroll_Limit_min, 200));
            break;
        case Op::OptionsDirect:
        case Op::OptionsController:
            ASSERT_FALSE(w->opt_Punch[2]->isChecked());
            w->opt_Punch[2]->setChecked(true);
            break;
        case Op::MovesDirect:
        case Op::MovesController:
            w->cmd_move_145_Click();
            w->cmd_Repeat_Click();
            break;
        }
    }

    // The block as this operation is designed to leave it. (A failed read leaves both blocks as
    // they were, the bare cable's zeros included.)
    ParamBytes ExpectedBlock(const ParamBytes& before) const {
        ParamBytes expected = before;
        if (op() == Op::OptionsDirect || op() == Op::OptionsController) {
            const PerfSetPositions set = PerfSet(w->PerfLevel);
            const StepTable* table = StepTableFor(w->MotorType);
            expected[static_cast<std::size_t>(set.pgain)] = table->pgain[2];
            expected[static_cast<std::size_t>(set.companion)] = table->companion[2];
        }
        return expected;
    }

    bool StatusesContain(const QString& text) const {
        return std::find(statuses.begin(), statuses.end(), text) != statuses.end();
    }

    // A new servo on COM1, as when the user plugs in a working one.
    void PlugInHealthyServo() {
        servo = std::make_unique<vs::VirtualServo>();
        QString error;
        ASSERT_TRUE(servo->start(&error)) << error.toStdString();
        servo->direct() = HealthyServo();
        servo->controllerServos()[0] = HealthyServo();
        qputenv("VERRANO_COM1", servo->devicePath().toLocal8Bit());
    }

    std::vector<QString> statuses;
};

TEST_P(FaultMatrix, EndsInBoundNeverSucceedsLosesNothingAndConnectsAgain) {
    StartLinked();
    if (HasFatalFailure()) return;

    // A parameter file of the user's, and the files as they stand.
    WriteFile("mine.qel", QByteArray("\"0\"\r\n\"0\"\r\n\"180\"\r\n\"180\"\r\n"));
    const QStringList filesBefore = QDir(dir.path()).entryList(QDir::Files, QDir::Name);
    const QByteArray settingsBefore = ReadFile("zosys.dat");
    ASSERT_FALSE(settingsBefore.isEmpty());
    const ParamBytes blockBefore = w->ParamBlock;
    const ParamBytes refBefore = w->ParamRef;
    const bool readBefore = w->bParamsRead;

    QObject::connect(w->ui->StatusBar1, &QStatusBar::messageChanged, w.get(),
                     [this](const QString& text) { statuses.push_back(text); });
    boxes.clear();
    ApplyFault();

    QElapsedTimer t;
    t.start();
    RunOp();
    if (HasFatalFailure()) return;
    const qint64 took = t.elapsed();
    EXPECT_LT(took, BoundMs(op())) << "the operation took " << took << " ms";
    RecordProperty("operation_ms", static_cast<int>(took));

    // The window is not left inside a wait, and no timer runs.
    EXPECT_EQ(w->waitDepth, 0);
    EXPECT_FALSE(w->guard.active());
    EXPECT_FALSE(w->Timer1.enabled());
    EXPECT_FALSE(w->Timer2.enabled());
    EXPECT_FALSE(w->Timer3.enabled());

    // What comes after the operation: a vanished device is noticed, and late answers land.
    if (fault() == FaultMode::Vanish) {
        EXPECT_TRUE(PumpUntil([&] { return !w->Comm.portOpen(); }, 3000))
            << "the lost port was not noticed";
    } else if (fault() == FaultMode::Late && op() != Op::PortProbe) {
        // The probe waits for nothing, so its answer has no bound to be late for: whenever it
        // comes while the probe's reply kind stands, it is the probe's answer.
        Pump(kLateMs + 300);
    } else {
        Pump(100);
    }

    // Never a success.
    const bool linkShouldStand =
        !IsConnect(op()) && !IsTransfer(op()) && fault() != FaultMode::Vanish;
    EXPECT_EQ(w->Comm.portOpen(), linkShouldStand);
    EXPECT_EQ(w->ui->cmd_connect->text(), linkShouldStand ? "NotConnect" : "Connect");
    EXPECT_EQ(w->ui->cmd_Servo_Read->isEnabled(), linkShouldStand);
    for (const QString& text : statuses) {
        EXPECT_FALSE(text.contains(QStringLiteral("OK"))) << text.toStdString();
        EXPECT_FALSE(text.contains(QStringLiteral("Servo Motor Ver-"))) << text.toStdString();
    }
    const QString last = w->StatusText();
    auto expectBox = [&](const char* text) {
        ASSERT_FALSE(boxes.empty());
        EXPECT_EQ(boxes.back().text, text);
    };
    switch (op()) {
    case Op::ConnectDirect:
    case Op::ConnectController:
        EXPECT_EQ(last, "Connect error");
        expectBox("NotConnect");
        break;
    case Op::ReadDirect:
    case Op::ReadController:
        EXPECT_EQ(last, " Servo Read error!");
        EXPECT_EQ(w->bParamsRead, readBefore);
        break;
    case Op::ProgramDirect:
    case Op::ProgramController:
        EXPECT_EQ(last, " Servo Program error!");
        expectBox("Servo Program error!");
        break;
    case Op::ResetDirect:
    case Op::ResetController:
        EXPECT_EQ(last, " Servo Reset error!");
        expectBox("Servo Reset error!");
        break;
    default:
        // Moves and live writes give up silently; only a lost port is worth a word.
        if (fault() == FaultMode::Vanish) {
            EXPECT_EQ(last, "Connect error");
        } else {
            EXPECT_TRUE(statuses.empty()) << statuses.front().toStdString();
        }
        EXPECT_TRUE(boxes.empty()) << boxes.front().text.toStdString();
        break;
    }

    // Nothing lost: the block, its reference copy and the files are as before, or as the
    // operation is designed to leave them.
    EXPECT_EQ(w->ParamBlock, ExpectedBlock(blockBefore));
    EXPECT_EQ(w->ParamRef, refBefore);
    EXPECT_EQ(ReadFile("zosys.dat"), settingsBefore);
    EXPECT_EQ(ReadFile("mine.qel"), QByteArray("\"0\"\r\n\"0\"\r\n\"180\"\r\n\"180\"\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files, QDir::Name), filesBefore);

    // Still usable: the link comes up to a healthy servo and a read goes through.
    if (w->Comm.portOpen()) w->cmd_connect_Click();
    ASSERT_FALSE(w->Comm.portOpen());
    PlugInHealthyServo();
    if (HasFatalFailure()) return;
    boxes.clear();
    w->cmd_connect_Click();
    ASSERT_TRUE(w->Comm.portOpen()) << w->StatusText().toStdString();
    EXPECT_EQ(w->ui->cmd_connect->text(), "NotConnect");
    EXPECT_TRUE(boxes.empty());
    Pump(30);
    w->cmd_Servo_Read_Click();
    EXPECT_EQ(w->StatusText(), " Servo Read OK!");
    EXPECT_TRUE(w->bParamsRead);
}

INSTANTIATE_TEST_SUITE_P(Cells, FaultMatrix, ::testing::ValuesIn(AllCells()),
                         [](const ::testing::TestParamInfo<Cell>& info) {
                             return std::string(OpName(info.param.op)) + "_" +
                                    FaultName(info.param.fault);
                         });

} // namespace
} // namespace verrano::test
