// Shared ground of the parameter tests: a window linked to the virtual servo on either route,
// a record of every status text, and the packets the parameter operations send.
#pragma once

#include <QAction>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QStringList>
#include <array>
#include <cstdint>
#include <vector>

#include "fixture.h"
#include "link/pure/packets.h"

namespace verrano::test {

using Bytes = std::vector<uint8_t>;

inline Bytes Direct(uint8_t command, uint8_t d1, uint8_t d2) {
    const DirectPacket p = MakeDirectPacket(command, d1, d2);
    return Bytes(p.begin(), p.end());
}

inline Bytes Ctrl(uint8_t command, uint8_t d1, uint8_t d2, uint8_t port) {
    return Bytes{command, d1, d2, port};
}

// The servo addresses of the block in the order they go on the wire, from the servo's memory map:
// written out here rather than taken from the program's own table, so a mix-up there can't hide.
inline constexpr std::array<uint8_t, 19> kWireOrder{0x07, 0x08, 0x13, 0x14, 0x03, 0x02, 0x01,
                                                    0x00, 0x1B, 0x29, 0x2C, 0x22, 0x21, 0x20,
                                                    0x1F, 0x27, 0x26, 0x25, 0x24};

// The block of the servo the parameter tests talk to, a Tavrik whose nineteen block bytes all
// differ, so a byte taken from or put at the wrong address shows. The centre trim is -28, the
// limits 175 and 215, the ID 9; each set holds step values, set 1 "3", "3", "1", set 2 "2", "2",
// "3", set 3 "1", "1", "2", so the window shows them unchanged. The check byte 197 keeps the
// memory's checksum.
inline constexpr ParamBytes kServoBlock{0xFF, 0xE4, 175, 215, 50,  4,  160, 60,  41, 9,
                                        197,  30,   3,   200, 100, 10, 2,   180, 80};

inline std::array<uint8_t, 46> ServoMemory() {
    auto memory = vs::VirtualServo::FactoryImage(0);
    for (std::size_t i = 0; i < kWireOrder.size(); ++i)
        memory[kWireOrder[i]] = kServoBlock[i];
    return memory;
}

class ParamsTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        servo->direct().memory = ServoMemory();
    }

    template <typename T> T* Find(const char* name) {
        T* found = w->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    // Every text the status line shows from now on, in order.
    void RecordStatus() {
        QObject::connect(Find<QStatusBar>("StatusBar1"), &QStatusBar::messageChanged, w.get(),
                         [this](const QString& text) { statuses.push_back(text); });
    }

    // A window whose link to the servo on COM1 stands, on the direct route.
    void StartDirect() {
        StartWindow();
        w->cmd_connect_Click();
        ASSERT_TRUE(w->Comm.portOpen());
        // The connect's centre move isn't waited for; let it and its echo go by, as they would
        // before a user's next click.
        ASSERT_TRUE(PumpUntil([&] { return servo->packetCount() >= 3; }));
        Pump(50);
        servo->clearReceived();
    }

    // A window linked through the controller to the servo on port 0.
    void StartController() {
        vs::ServoState s;
        s.memory = ServoMemory();
        servo->controllerServos()[0] = s;
        StartWindow();
        w->Brevak_Control_Click();
        w->cmd_connect_Click();
        ASSERT_TRUE(w->Comm.portOpen());
        ASSERT_EQ(w->CtrlMode, 1);
        servo->clearReceived();
    }

    // Live writes and moves on the direct route go out without waiting; their echoes come back
    // a moment later. A user's next click comes after them, and so does the test's.
    void Settle() {
        Pump(80);
        servo->clearReceived();
    }

    vs::ServoState& ServoOnRoute() {
        return w->CtrlMode == 0 ? servo->direct() : servo->controllerServos()[0];
    }

    // The packets seen whose command byte (byte 1 direct, byte 0 through the controller) is one
    // of the given ones.
    std::vector<Bytes> SeenWith(std::initializer_list<uint8_t> commands) const {
        std::vector<Bytes> out;
        for (const auto& p : servo->received()) {
            const uint8_t c = p.bytes.size() == 7 ? p.bytes[1] : p.bytes[0];
            for (uint8_t want : commands)
                if (c == want) out.push_back(p.bytes);
        }
        return out;
    }

    // Statuses, the last first, until one equal to text; -1 when none.
    int LastIndexOf(const QString& text) const {
        for (int i = static_cast<int>(statuses.size()) - 1; i >= 0; --i)
            if (statuses[static_cast<std::size_t>(i)] == text) return i;
        return -1;
    }

    // Servo Program or the factory reset (what: "Program" or "Reset") ended in its error: the
    // status line says so and never said OK, the link is closed, and a box after the prompt
    // tells the user. Needs RecordStatus() before the operation.
    void ExpectFailed(const QString& what) {
        const QString error = QStringLiteral("Servo %1 error!").arg(what);
        EXPECT_EQ(w->StatusText(), QLatin1Char(' ') + error);
        EXPECT_EQ(LastIndexOf(QStringLiteral(" Servo %1 OK!").arg(what)), -1);
        EXPECT_FALSE(w->Comm.portOpen());
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_EQ(boxes[1].text, error);
        EXPECT_EQ(boxes[1].icon, MsgIcon::Exclamation);
        EXPECT_EQ(boxes[1].buttons, MsgButtons::Ok);
    }

    std::vector<QString> statuses;
};

} // namespace verrano::test
