// A settings window started in a scratch directory, with COM1 wired to a virtual servo and every
// message box and file dialog answered by the test.
#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMouseEvent>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <deque>
#include <gtest/gtest.h>
#include <memory>
#include <signal.h>
#include <sys/resource.h>
#include <vector>

#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "platform/resource_strings.h"
#include "virtual_servo.h"
#include "window/frm_Set.h"

namespace verrano::test {

// A left click in the middle of the widget, through the application's event filters as a user's
// click goes.
inline void Click(QWidget* widget) {
    const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        oldCwd = QDir::currentPath();
        QDir::setCurrent(dir.path());
        servo = std::make_unique<vs::VirtualServo>();
        QString error;
        ASSERT_TRUE(servo->start(&error)) << error.toStdString();
        servo->direct().memory = vs::VirtualServo::FactoryImage(0);
        qputenv("VERRANO_COM1", servo->devicePath().toLocal8Bit());
        SetMsgBoxAnswerer([this](const MsgBoxRecord& box) {
            boxes.push_back(box);
            if (!answers.empty()) {
                MsgResult r = answers.front();
                answers.pop_front();
                return r;
            }
            return box.buttons == MsgButtons::YesNo ? MsgResult::Yes : MsgResult::Ok;
        });
        FileDialog::SetAnswerer([this](bool save, const QString&) {
            dialogs.push_back(save);
            return nextPath;
        });
        SetLanguageOverride(1033);
    }

    void TearDown() override {
        w.reset();
        servo.reset();
        SetMsgBoxAnswerer(nullptr);
        FileDialog::SetAnswerer(nullptr);
        SetLanguageOverride(0);
        QDir::setCurrent(oldCwd);
        qunsetenv("VERRANO_COM1");
    }

    // Writes a settings file first when content is given (raw bytes, lines as they stand).
    void StartWindow(const QByteArray& settings = QByteArray()) {
        if (!settings.isNull()) WriteFile("zosys.dat", settings);
        w = std::make_unique<frm_Set>();
        w->onEnd = [this] { ended = true; };
        w->Form_Load();
    }

    // Connects on the direct route to a servo of version 110; the probes and the centre move
    // have arrived and are forgotten.
    void ConnectDirect() {
        servo->direct().version = 110;
        w->cmd_connect_Click();
        ASSERT_TRUE(w->Comm.portOpen());
        ASSERT_TRUE(PumpUntil([&] { return servo->packetCount() >= 3; }));
        servo->clearReceived();
    }

    // Connects through the controller to a Tavrik of version 110 on the port; the handshake's
    // packets are forgotten.
    void ConnectController(int port) {
        servo->controllerServos()[port].version = 110;
        servo->controllerServos()[port].memory = vs::VirtualServo::FactoryImage(0);
        w->Brevak_Control_Click();
        w->opt_servo[static_cast<std::size_t>(port)]->setChecked(true);
        w->cmd_connect_Click();
        ASSERT_TRUE(w->Comm.portOpen());
        ASSERT_TRUE(w->bCtrlServoLinked);
        Pump(50);
        servo->clearReceived();
    }

    void WriteFile(const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }

    QByteArray ReadFile(const QString& name) {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::ReadOnly)) return QByteArray();
        return f.readAll();
    }

    // Processes events for about ms milliseconds, so late bytes and timers get their turn. A
    // ticking timer wakes the sleeping loop, so waiting costs no processor time.
    static void Pump(int ms) {
        PumpUntil([] { return false; }, ms);
    }

    // Processes events until the condition holds or ms pass; the condition's last value.
    template <typename F> static bool PumpUntil(F condition, int ms = 3000) {
        QElapsedTimer t;
        t.start();
        QTimer tick;
        tick.start(5);
        while (!condition() && t.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return condition();
    }

    // For a child process: every write past bytes fails, as on a full disk, without root.
    static void LimitFileSize(rlim_t bytes) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, bytes};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }

    // The packets the servo saw, as byte vectors.
    std::vector<std::vector<uint8_t>> Seen() const {
        std::vector<std::vector<uint8_t>> out;
        for (const auto& p : servo->received())
            out.push_back(p.bytes);
        return out;
    }

    QTemporaryDir dir;
    QString oldCwd;
    std::unique_ptr<vs::VirtualServo> servo;
    std::unique_ptr<frm_Set> w;
    std::vector<MsgBoxRecord> boxes;
    std::deque<MsgResult> answers;
    std::vector<bool> dialogs;
    QString nextPath;
    bool ended = false;
};

} // namespace verrano::test
