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

class ParamsTest : public WindowTest {
protected:
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

    // A window linked through the controller to the servo on port 0 (a factory Tavrik).
    void StartController() {
        vs::ServoState s;
        s.memory = vs::VirtualServo::FactoryImage(0);
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

    std::vector<QString> statuses;
};

} // namespace verrano::test
