// The servo link against the virtual servo: senders, replies by kind, waits and their bounds,
// connecting and disconnecting on both routes, the controller handshake, route and port choices.
#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QLockFile>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QStatusBar>
#include <QSysInfo>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include "fixture.h"
#include "ui_frm_Set.h"
#include "window/frmTip.h"

namespace verrano::test {
namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kProbe{0x80, 0xE7, 0x00, 0x00, 0x99, 0x00, 0x00};
const Bytes kClose{0x80, 0xEF, 0x00, 0x00, 0x91, 0x00, 0x00};
const Bytes kCentre{0x80, 0xF6, 0x05, 0xDC, 0xA9, 0x00, 0x00};

// What a screen reader does with a control: one of its actions through the accessibility
// interface, as the accessibility bridge calls it.
void Act(QObject* control, const QString& action) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(control);
    ASSERT_NE(iface, nullptr);
    ASSERT_NE(iface->actionInterface(), nullptr);
    ASSERT_TRUE(iface->actionInterface()->actionNames().contains(action))
        << iface->actionInterface()->actionNames().join(QLatin1Char(',')).toStdString();
    iface->actionInterface()->doAction(action);
}

// A menu item as the reader finds it: a child of its menu's interface.
QObject* MenuItem(QMenu* menu, QAction* item) {
    QAccessibleInterface* m = QAccessible::queryAccessibleInterface(menu);
    for (int i = 0; m && i < m->childCount(); ++i)
        if (m->child(i)->object() == item) return item;
    ADD_FAILURE() << "no such item in the menu";
    return item;
}

const QString kPress = QAccessibleActionInterface::pressAction();
const QString kToggle = QAccessibleActionInterface::toggleAction();

class LinkTest : public WindowTest {
protected:
    // Connects on the direct route and lets the centre move and its echo arrive.
    void ConnectDirectKeepingPackets() {
        w->cmd_connect_Click();
        PumpUntil([&] { return servo->packetCount() >= 3; }, 500);
        Pump(30);
    }
    void ConnectControllerKeepingPackets(int port = 0) {
        servo->controllerServos()[port].version = 110;
        servo->controllerServos()[port].memory = vs::VirtualServo::FactoryImage(0);
        w->Brevak_Control_Click();
        w->opt_servo[static_cast<std::size_t>(port)]->setChecked(true);
        w->cmd_connect_Click();
    }
};

TEST_F(LinkTest, DirectConnectToVersion110SendsTwoProbesAndCentres) {
    StartWindow();
    servo->direct().version = 110;
    ConnectDirectKeepingPackets();
    ASSERT_TRUE(w->Comm.portOpen());
    EXPECT_EQ(Seen(), (std::vector<Bytes>{kProbe, kProbe, kCentre}));
    EXPECT_EQ(w->StatusText(), "Connect OK! - QEL Servo Motor Ver- 110");
    EXPECT_EQ(w->ui->cmd_connect->text(), "NotConnect");
    EXPECT_TRUE(w->ui->cmd_Servo_Read->isEnabled());
    EXPECT_TRUE(w->ui->cmd_Servo_Save->isEnabled());
    EXPECT_FALSE(w->bParamsRead);
    EXPECT_EQ(w->RxMode, 100);
    EXPECT_EQ(w->RepeatTick, 40);
    EXPECT_EQ(w->Timer1.interval(), 40);
    // The line: the servo sees the speed and the stop bits; the rest only the port can tell.
    for (const auto& p : servo->received()) {
        EXPECT_EQ(p.baud, 19200);
        EXPECT_EQ(p.stopBits, 2);
    }
    EXPECT_TRUE(w->Comm.framing() ==
                (SerialControl::Framing{19200, QSerialPort::NoParity, QSerialPort::Data8,
                                        QSerialPort::TwoStop}));
    EXPECT_EQ(ReadFile("zosys.dat"), QByteArray("\"0\"\r\n\"False\"\r\n\"True\"\r\n\"False\"\r\n"
                                                "\"0\"\r\n\"0\"\r\n\"0\"\r\n"));
}

TEST_F(LinkTest, VersionRuleAcceptsOnly101To114) {
    StartWindow();
    for (int version : {100, 101, 114, 115}) {
        SCOPED_TRACE(version);
        const bool accepted = version >= 101 && version <= 114;
        servo->direct().version = static_cast<uint8_t>(version);
        servo->clearReceived();
        boxes.clear();
        QFile::remove(dir.filePath("zosys.dat"));
        w->cmd_connect_Click();
        EXPECT_EQ(w->Comm.portOpen(), accepted);
        if (accepted) {
            EXPECT_TRUE(QFile::exists(dir.filePath("zosys.dat")));
            w->cmd_connect_Click(); // disconnect again
            EXPECT_FALSE(w->Comm.portOpen());
        } else {
            EXPECT_EQ(w->StatusText(), "Connect error");
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].text, "NotConnect");
            EXPECT_EQ(boxes[0].title, "Verrano");
            EXPECT_EQ(w->ui->cmd_connect->text(), "Connect");
            EXPECT_FALSE(w->ui->cmd_Servo_Read->isEnabled());
            // A failed connect leaves the settings file alone.
            EXPECT_FALSE(QFile::exists(dir.filePath("zosys.dat")));
        }
    }
}

TEST_F(LinkTest, ConnectFailuresWithoutAnAnsweringServo) {
    StartWindow();
    // Echo only: the cable is there but no servo answers; the echo's zero is no version.
    servo->setFault(vs::Fault::EchoOnly);
    w->cmd_connect_Click();
    EXPECT_FALSE(w->Comm.portOpen());
    EXPECT_EQ(w->StatusText(), "Connect error");
    // Silent: nothing at all comes back; the connect ends within its short waits.
    servo->setFault(vs::Fault::Silent);
    QElapsedTimer t;
    t.start();
    w->cmd_connect_Click();
    EXPECT_FALSE(w->Comm.portOpen());
    EXPECT_LT(t.elapsed(), 1500);
    // A port that doesn't exist is the error trap: status only, no message box.
    boxes.clear();
    qputenv("VERRANO_COM2", QByteArray("/nonexistent/serial-device"));
    w->ui->Combo1->setCurrentIndex(1);
    ::testing::internal::CaptureStderr();
    w->cmd_connect_Click();
    const std::string said = ::testing::internal::GetCapturedStderr();
    qunsetenv("VERRANO_COM2");
    EXPECT_FALSE(w->Comm.portOpen());
    EXPECT_EQ(w->StatusText(), "Connect error");
    EXPECT_TRUE(boxes.empty());
    // The fixed status text leaves out why; standard error names the device and the reason.
    EXPECT_NE(said.find("COM2 (/nonexistent/serial-device): No such file or directory"),
              std::string::npos)
        << said;
}

// A port locked through its lock file: standard error names the file, its owner and its process.
TEST_F(LinkTest, APortLockedByALockFileSaysWhoseLockItIs) {
    StartWindow();
    const QString lockFile = PortLockFile(servo->devicePath());
    ASSERT_FALSE(lockFile.isEmpty());
    // Held by a running program of the same user, as a second copy of this one would hold it.
    QLockFile held(lockFile);
    ASSERT_TRUE(held.tryLock(0)) << lockFile.toStdString();
    ::testing::internal::CaptureStderr();
    w->cmd_connect_Click();
    const std::string said = ::testing::internal::GetCapturedStderr();
    held.unlock();
    EXPECT_FALSE(w->Comm.portOpen());
    EXPECT_EQ(w->StatusText(), "Connect error");
    const passwd* me = ::getpwuid(::geteuid());
    ASSERT_NE(me, nullptr);
    const QString expected = QStringLiteral("Permission error while locking the device; lock file "
                                            "%1, owned by %2, held by process %3, which is running")
                                 .arg(lockFile, QString::fromLocal8Bit(me->pw_name))
                                 .arg(::getpid());
    EXPECT_NE(said.find(expected.toStdString()), std::string::npos) << said;
}

TEST_F(LinkTest, ALockLeftByAnotherUsersRunNamesItsOwner) {
    if (::geteuid() != 0) GTEST_SKIP() << "a lock file of another user needs root to make";
    StartWindow();
    // The lock a killed run as root left behind, in the shared lock folder, which an ordinary
    // user can't remove.
    const pid_t gone = ::fork();
    if (gone == 0) ::_exit(0);
    ASSERT_GT(gone, 0);
    ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);
    const QString lockFile = PortLockFile(servo->devicePath());
    struct Removed {
        QString file;
        ~Removed() { QFile::remove(file); }
    } removed{lockFile};
    {
        QFile lock(lockFile);
        ASSERT_TRUE(lock.open(QIODevice::WriteOnly | QIODevice::NewOnly)) << lockFile.toStdString();
        lock.write(QByteArray::number(gone) + "\nverrano\n" + QSysInfo::machineHostName().toUtf8() +
                   "\n");
    }
    const QString expected =
        QStringLiteral(
            "lock file %1, owned by root, left by process %2, which is no longer running")
            .arg(lockFile)
            .arg(gone);
    EXPECT_EXIT(
        {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
            w->cmd_connect_Click();
            ::_exit(w->StatusText() == "Connect error" && w->Comm.errorString().endsWith(expected)
                        ? 0
                        : 1);
        },
        ::testing::ExitedWithCode(0), "which is no longer running");
}

TEST_F(LinkTest, DisconnectOnBothRoutes) {
    StartWindow();
    ConnectDirectKeepingPackets();
    servo->clearReceived();
    w->ui->HScroll_zero->setEnabled(true);
    w->cmd_connect_Click();
    EXPECT_FALSE(w->Comm.portOpen());
    ASSERT_TRUE(PumpUntil([&] { return servo->packetCount() >= 1; }, 500));
    EXPECT_EQ(Seen(), std::vector<Bytes>{kClose});
    EXPECT_EQ(w->StatusText(), "");
    EXPECT_EQ(w->ui->cmd_connect->text(), "Connect");
    EXPECT_FALSE(w->ui->cmd_Servo_Read->isEnabled());
    EXPECT_FALSE(w->ui->HScroll_zero->isEnabled());

    ConnectControllerKeepingPackets(0);
    ASSERT_TRUE(w->Comm.portOpen());
    EXPECT_TRUE(w->bCtrlServoLinked);
    servo->clearReceived();
    w->cmd_connect_Click();
    Pump(100);
    EXPECT_FALSE(w->Comm.portOpen());
    EXPECT_TRUE(Seen().empty()); // nothing is sent on the controller route
    EXPECT_FALSE(w->bCtrlServoLinked);
}

TEST_F(LinkTest, ControllerHandshakeAndVersionPolls) {
    StartWindow();
    ConnectControllerKeepingPackets(3);
    ASSERT_TRUE(w->Comm.portOpen());
    EXPECT_EQ(w->CtrlServoPort, 3);
    const auto seen = Seen();
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen[0], (Bytes{0xFA, 0xFA, 0xFA, 0xFA}));
    EXPECT_EQ(seen[1], (Bytes{0xD0, 0, 0, 3}));
    EXPECT_EQ(seen[2], (Bytes{0xF7, 0, 0, 3}));
    EXPECT_EQ(seen.size(), 3u); // 110 at the first poll ends the polling
    for (const auto& p : servo->received()) {
        EXPECT_EQ(p.baud, 9600);
        EXPECT_EQ(p.stopBits, 2);
    }
    EXPECT_TRUE(w->Comm.framing() ==
                (SerialControl::Framing{9600, QSerialPort::NoParity, QSerialPort::Data8,
                                        QSerialPort::TwoStop}));
    EXPECT_EQ(w->StatusText(), "Connect OK! - QEL Servo Motor Ver- 110");
    w->cmd_connect_Click();

    // A servo answering 105 to every poll is polled ten times and accepted.
    servo->clearReceived();
    servo->controllerServos()[3].version = 105;
    w->cmd_connect_Click();
    EXPECT_TRUE(w->Comm.portOpen());
    int polls = 0;
    for (const auto& p : Seen())
        polls += p[0] == 0xF7;
    EXPECT_EQ(polls, 10);
    w->cmd_connect_Click();

    // When the tenth poll goes unanswered the connect fails, whatever came before.
    servo->clearReceived();
    servo->versionPollAnswers() = {105, 105, 105, 105, 105, 105, 105, 105, 105, -1};
    w->cmd_connect_Click();
    EXPECT_FALSE(w->Comm.portOpen());
    EXPECT_EQ(w->StatusText(), "Connect error");
}

TEST_F(LinkTest, HandshakeGivesUpOnAControllerThatStopsAnswering) {
    StartWindow();
    // No answer to the wake-up: the connect fails after the handshake time-out.
    servo->setFault(vs::Fault::Silent);
    w->Brevak_Control_Click();
    QElapsedTimer t;
    t.start();
    w->cmd_connect_Click();
    EXPECT_FALSE(w->Comm.portOpen());
    EXPECT_GE(t.elapsed(), 900);
    EXPECT_LT(t.elapsed(), 3000);
    // The wake-up is answered, the link steps never: ten bounded link steps, ten polls.
    servo->setFault(vs::Fault::SilentAfterN, 1);
    servo->clearReceived();
    t.restart();
    w->cmd_connect_Click();
    EXPECT_FALSE(w->Comm.portOpen());
    EXPECT_LT(t.elapsed(), 4000);
    int steps = 0;
    for (const auto& p : Seen())
        steps += p[0] == 0xD0;
    EXPECT_EQ(steps, 10);
}

TEST_F(LinkTest, RepliesAreTakenByKind) {
    StartWindow();
    ConnectDirectKeepingPackets();
    ASSERT_TRUE(w->Comm.portOpen());

    // Kind 100: an accepted chunk only sets the ready flag.
    const auto ref = w->ParamRef;
    w->RxMode = 100;
    w->bReplyReady = false;
    w->SendServoPacket(0xE1, 0x13, 0);
    ASSERT_EQ(w->ReplyWait(), frm_Set::WaitEnd::Reply);
    EXPECT_EQ(w->ParamRef, ref);
    EXPECT_EQ(w->RxBuf[0], 110);

    // Kind 3: the value lands in ParamRef(2).
    w->RxMode = 3;
    w->bReplyReady = false;
    w->SendServoPacket(0xE1, 0x13, 0);
    ASSERT_EQ(w->ReplyWait(), frm_Set::WaitEnd::Reply);
    EXPECT_EQ(w->ParamRef[2], 180);

    // Kind 0 with answer 0 keeps the status text.
    w->SetStatusText("unchanged");
    servo->direct().version = 0;
    w->RxMode = 0;
    w->bReplyReady = false;
    w->SendServoPacket(0xE7, 0, 0);
    ASSERT_EQ(w->ReplyWait(), frm_Set::WaitEnd::Reply);
    EXPECT_EQ(w->RxBuf[0], 0);
    EXPECT_EQ(w->StatusText(), "unchanged");

    // A 9-byte chunk on the direct route is no reply: the wait gives up, nothing stored.
    servo->setFault(vs::Fault::WrongLength);
    servo->setWrongLength(9);
    w->RxMode = 0;
    w->bReplyReady = false;
    servo->direct().version = 112;
    w->SendServoPacket(0xE7, 0, 0);
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(w->ReplyWait(), frm_Set::WaitEnd::GaveUp);
    EXPECT_GE(t.elapsed(), 900);
    EXPECT_LT(t.elapsed(), 2000);
    EXPECT_FALSE(w->bReplyReady);
    EXPECT_EQ(w->RxBuf[0], 0);
}

TEST_F(LinkTest, ControllerPortProbe) {
    StartWindow();
    servo->controllerServos()[3] = vs::ServoState{112, vs::VirtualServo::FactoryImage(0)};
    servo->controllerServos()[4] = vs::ServoState{105, vs::VirtualServo::FactoryImage(0)};
    servo->controllerServos()[5] = vs::ServoState{120, vs::VirtualServo::FactoryImage(0)};
    ConnectControllerKeepingPackets(0);
    ASSERT_TRUE(w->Comm.portOpen());
    w->bParamsRead = true;

    servo->clearReceived();
    w->opt_servo[3]->setChecked(true);
    EXPECT_FALSE(w->bParamsRead);
    EXPECT_EQ(w->CtrlServoPort, 3);
    EXPECT_EQ(w->RxMode, 51);
    ASSERT_TRUE(PumpUntil([&] { return w->bReplyReady && w->RxBuf[0] == 112; }));
    EXPECT_EQ(Seen(), std::vector<Bytes>{(Bytes{0xF7, 0, 0, 3})});
    EXPECT_EQ(w->StatusText(), " 3  : Servo Motor Ver- 112");
    EXPECT_TRUE(w->Comm.portOpen());

    for (int port : {4, 5}) {
        SCOPED_TRACE(port);
        ConnectControllerKeepingPackets(0);
        ASSERT_TRUE(w->Comm.portOpen());
        w->opt_servo[static_cast<std::size_t>(port)]->setChecked(true);
        ASSERT_TRUE(PumpUntil([&] { return !w->Comm.portOpen(); }));
        EXPECT_EQ(w->StatusText(), "NotConnect");
    }

    // A port without a servo: the controller answers the probe with 0.
    ConnectControllerKeepingPackets(0);
    ASSERT_TRUE(w->Comm.portOpen());
    w->opt_servo[6]->setChecked(true);
    ASSERT_TRUE(PumpUntil([&] { return !w->Comm.portOpen(); }));
    EXPECT_EQ(w->StatusText(), "Not Servo Motor => NotConnect");
    EXPECT_EQ(w->RxBuf[0], 0);

    // With the port closed a port choice sends nothing but still forgets the read.
    servo->clearReceived();
    w->bParamsRead = true;
    w->opt_servo[7]->setChecked(true);
    Pump(50);
    EXPECT_TRUE(Seen().empty());
    EXPECT_FALSE(w->bParamsRead);
    EXPECT_EQ(w->CtrlServoPort, 7);
}

TEST_F(LinkTest, APortProbeIsAnsweredBeforeTheNextCommand) {
    // Through the controller nothing tells one answer from another, so the probe's answer must
    // come in under its own kind, and no earlier answer under it, however quickly the user goes on.
    StartWindow();
    servo->controllerServos()[3] = vs::ServoState{112, vs::VirtualServo::FactoryImage(0)};
    ConnectControllerKeepingPackets(0);
    ASSERT_TRUE(w->Comm.portOpen());
    Pump(50);
    const auto pick = [&] { w->opt_Damp[w->opt_Damp[0]->isChecked() ? 2 : 0]->setChecked(true); };

    // A move, and the port chosen at once: the move's acknowledgement is no "no servo" answer.
    w->cmd_move_10_Click();
    Click(w->opt_servo[3]);
    pick();
    Pump(50);
    EXPECT_TRUE(w->Comm.portOpen());
    EXPECT_EQ(w->RxBuf[0], 112);
    EXPECT_EQ(w->StatusText(), " 3  : Servo Motor Ver- 112");

    // An empty port, and an option picked at once: the link closes as the probe's answer says,
    // and the pick finds it closed.
    servo->clearReceived();
    Click(w->opt_servo[6]);
    pick();
    Pump(50);
    EXPECT_FALSE(w->Comm.portOpen());
    EXPECT_EQ(w->StatusText(), "Not Servo Motor => NotConnect");
    EXPECT_EQ(Seen(), std::vector<Bytes>{(Bytes{0xF7, 0, 0, 6})});
}

TEST_F(LinkTest, RouteSwitchClosesTheLinkAndResizes) {
    StartWindow();
    const int shortHeight = w->height();
    ConnectDirectKeepingPackets();
    ASSERT_TRUE(w->Comm.portOpen());
    servo->clearReceived();
    w->ui->chk_id_move->setChecked(true);
    w->Brevak_Control_Click();
    EXPECT_FALSE(w->Comm.portOpen());
    ASSERT_TRUE(PumpUntil([&] { return servo->packetCount() >= 1; }, 500));
    EXPECT_EQ(Seen(), std::vector<Bytes>{kClose});
    EXPECT_EQ(w->CtrlMode, 1);
    EXPECT_TRUE(w->ui->Brevak_Control->isChecked());
    EXPECT_FALSE(w->ui->PC_Control->isChecked());
    EXPECT_EQ(w->ui->Control_Option->title(), "Brevak");
    EXPECT_FALSE(w->ui->Frame2->isEnabled());
    EXPECT_FALSE(w->ui->chk_id_move->isEnabled());
    EXPECT_TRUE(w->ui->chk_id_move->isChecked());
    EXPECT_EQ(w->height() - shortHeight, 855 / 15);
    // The settings file still holds the old route: the disconnect wrote it before the switch.
    EXPECT_TRUE(ReadFile("zosys.dat").contains("\"0\"\r\n\"0\"\r\n\"0\"\r\n"));

    w->PC_Control_Click();
    EXPECT_EQ(w->CtrlMode, 0);
    EXPECT_EQ(w->ui->Control_Option->title(), "PC");
    EXPECT_TRUE(w->ui->Frame2->isEnabled());
    EXPECT_EQ(w->height(), shortHeight);
}

TEST_F(LinkTest, SendersFollowTheSendRule) {
    StartWindow();
    // Port closed: the move senders still announce an acknowledgement and send nothing.
    w->RxMode = 7;
    w->SendMove(1500);
    EXPECT_EQ(w->RxMode, 100);
    w->RxMode = 7;
    w->SendMoveById(5, 1500);
    EXPECT_EQ(w->RxMode, 100);
    Pump(50);
    EXPECT_EQ(servo->packetCount(), 0);

    // Through the controller without a confirmed link a move sends nothing and discards nothing.
    ConnectControllerKeepingPackets(0);
    ASSERT_TRUE(w->Comm.portOpen());
    w->Comm.setRThreshold(100); // let the next answer wait in the buffer
    w->SendControllerPacket(0xF1, 0x13, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return w->Comm.inBufferCount() >= 2; }));
    const int before = servo->packetCount();
    w->bCtrlServoLinked = false;
    w->SendMove(1500);
    Pump(50);
    EXPECT_EQ(servo->packetCount(), before);
    EXPECT_EQ(w->Comm.inBufferCount(), 2);
    // A move by ID goes out as a direct packet whatever the route.
    w->SendMoveById(5, 1500);
    ASSERT_TRUE(PumpUntil([&] { return servo->packetCount() > before; }));
    EXPECT_EQ(Seen().back(), (Bytes{0x80, 0x05, 0x05, 0xDC, 0x9A, 0x00, 0x00}));
    EXPECT_EQ(w->Comm.inBufferCount(), 0);
}

TEST_F(LinkTest, WaitFormsAndTheirBounds) {
    StartWindow();
    QElapsedTimer t;
    // A stale ready flag ends WaitReply at once.
    w->bReplyReady = true;
    t.start();
    w->WaitReply();
    EXPECT_LT(t.elapsed(), 50);
    // No reply: about one reply time-out, and the time-out flag is cleared again.
    w->bReplyReady = false;
    t.restart();
    w->WaitReply();
    EXPECT_GE(t.elapsed(), 90);
    EXPECT_LT(t.elapsed(), 400);
    EXPECT_FALSE(w->bReplyTimeout);
    // A tick pause at "Mid" lasts about 40 ms and leaves the time-out flag set.
    w->opt_time_Click(1);
    w->bTickDone = false;
    t.restart();
    w->TickPause();
    EXPECT_GE(t.elapsed(), 35);
    EXPECT_LT(t.elapsed(), 300);
    EXPECT_TRUE(w->bReplyTimeout);
    // The version-poll wait doesn't clear that stale flag, so it ends at once...
    t.restart();
    w->VersionPollWait();
    EXPECT_LT(t.elapsed(), 50);
    EXPECT_FALSE(w->bReplyTimeout);
    // ...while WaitReply clears it first and waits normally.
    w->bTickDone = false;
    w->TickPause();
    t.restart();
    w->WaitReply();
    EXPECT_GE(t.elapsed(), 90);
    // The reply wait gives up after its bound when nothing comes.
    t.restart();
    EXPECT_EQ(w->ReplyWait(), frm_Set::WaitEnd::GaveUp);
    EXPECT_GE(t.elapsed(), 950);
    EXPECT_LT(t.elapsed(), 2000);
    // All timers are off after every wait.
    EXPECT_FALSE(w->Timer1.enabled());
    EXPECT_FALSE(w->Timer2.enabled());
    EXPECT_FALSE(w->Timer3.enabled());
}

TEST_F(LinkTest, InputIsRefusedDuringAWaitButExitGetsThrough) {
    StartWindow();
    w->show();
    ConnectDirectKeepingPackets();
    ASSERT_TRUE(w->Comm.portOpen());
    servo->setFault(vs::Fault::Silent);
    servo->clearReceived();
    bool readClicked = false;
    QObject::connect(w->ui->cmd_Servo_Read, &QPushButton::clicked, [&] { readClicked = true; });
    QTimer::singleShot(50, [&] { Click(w->ui->cmd_Servo_Read); });
    QTimer::singleShot(150, [&] { Click(w->ui->cmd_exit); });
    w->bReplyReady = false;
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(w->ReplyWait(), frm_Set::WaitEnd::GaveUp);
    EXPECT_LT(t.elapsed(), 600); // the exit ended the wait
    EXPECT_FALSE(readClicked);
    EXPECT_TRUE(ended);
    EXPECT_FALSE(w->Comm.portOpen());
    ASSERT_TRUE(PumpUntil([&] { return servo->packetCount() >= 1; }, 500));
    EXPECT_EQ(Seen(), std::vector<Bytes>{kClose});
    // Outside a wait the same click works.
    EXPECT_FALSE(w->guard.active());
}

TEST_F(LinkTest, AccessibilityActionsDuringAReadAreRefused) {
    StartWindow();
    w->show();
    ConnectDirectKeepingPackets();
    ASSERT_TRUE(w->Comm.portOpen());
    servo->clearReceived();
    std::vector<QString> statuses;
    bool acted = false;
    bool actedInWait = false;
    QObject::connect(w->ui->StatusBar1, &QStatusBar::messageChanged, w.get(),
                     [&](const QString& text) {
                         statuses.push_back(text);
                         if (acted || text != QStringLiteral(" Wait! >>>>")) return;
                         acted = true;
                         // The reader's calls come in as events, taken while the read waits.
                         QTimer::singleShot(0, w.get(), [&] {
                             Act(w->ui->cmd_Servo_Read, kPress);
                             Act(w->ui->cmd_connect, kPress);
                             // Hidden on this route, so not even offered.
                             QAccessible::queryAccessibleInterface(w->opt_servo[3])
                                 ->actionInterface()
                                 ->doAction(kToggle);
                             Act(w->opt_time[0], kToggle);
                             Act(MenuItem(w->ui->Control_Option, w->ui->Brevak_Control), kPress);
                             Act(MenuItem(w->ui->ServoType1, w->ui->Dimmar), kPress);
                             QAccessible::queryAccessibleInterface(w->ui->HScroll1)
                                 ->valueInterface()
                                 ->setCurrentValue(2000);
                             // The trims' labels, pressed or given Space, unlock nothing.
                             Act(w->ui->Label4, kPress);
                             QTest::keyClick(w->ui->Label1, Qt::Key_Space);
                             actedInWait = w->guard.active();
                         });
                     });
    w->cmd_Servo_Read_Click();
    Pump(300); // a press clicks the button a moment after it
    ASSERT_TRUE(actedInWait);

    const auto seen = Seen();
    const auto reads = std::count_if(seen.begin(), seen.end(),
                                     [](const Bytes& p) { return p.size() == 7 && p[1] == 0xE1; });
    EXPECT_EQ(reads, 20); // the nineteen values and the left limit read back
    EXPECT_EQ(w->StatusText(), " Servo Read OK!");
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), QStringLiteral(" Servo Read OK!")), 1);
    for (const QString& s : statuses)
        EXPECT_FALSE(s.startsWith(QStringLiteral(" Servo Read OK!>"))) << s.toStdString();
    EXPECT_TRUE(w->Comm.portOpen());
    EXPECT_TRUE(w->opt_servo[0]->isChecked());
    EXPECT_FALSE(w->opt_servo[3]->isChecked());
    EXPECT_EQ(w->CtrlServoPort, 0);
    EXPECT_TRUE(w->opt_time[1]->isChecked());
    EXPECT_EQ(w->CtrlMode, 0);
    EXPECT_TRUE(w->ui->PC_Control->isChecked());
    EXPECT_FALSE(w->ui->Brevak_Control->isChecked());
    EXPECT_TRUE(w->ui->Tavrik->isChecked());
    EXPECT_FALSE(w->ui->Dimmar->isChecked());
    EXPECT_EQ(w->MotorType, 0);
    EXPECT_EQ(w->ui->HScroll1->value(), 1500);
    EXPECT_FALSE(w->ui->HScroll_zero->isEnabled());
    EXPECT_FALSE(w->ui->HScroll_Limit_min->isEnabled());
    EXPECT_TRUE(std::none_of(seen.begin(), seen.end(), [](const Bytes& p) {
        return p.size() == 7 && p[1] == 0xE4;
    })) << "a live write during the read";

    // Outside a wait the reader's actions work as before; a trim's label is a button named by its
    // caption, and pressing it unlocks the trim and writes it.
    servo->clearReceived();
    QAccessibleInterface* center = QAccessible::queryAccessibleInterface(w->ui->Label4);
    EXPECT_EQ(center->role(), QAccessible::Button);
    EXPECT_EQ(center->text(QAccessible::Name), "Center");
    Act(w->ui->Label4, kPress);
    EXPECT_TRUE(w->ui->HScroll_zero->isEnabled());
    ASSERT_TRUE(PumpUntil([&] { return servo->packetCount() >= 3; }, 500));
    const Bytes write = Seen().front();
    EXPECT_EQ(Bytes(write.begin() + 1, write.begin() + 3), (Bytes{0xE4, 0x87}));
    servo->clearReceived();
    Act(w->opt_time[0], kToggle);
    EXPECT_TRUE(w->opt_time[0]->isChecked());
    Act(MenuItem(w->ui->ServoType1, w->ui->Dimmar), kPress);
    EXPECT_EQ(w->MotorType, 3);
    Act(w->ui->cmd_connect, kPress);
    EXPECT_TRUE(PumpUntil([&] { return !w->Comm.portOpen(); }, 1000));
}

TEST_F(LinkTest, AReadersPressIsJudgedWhenItsClickComes) {
    StartWindow();
    w->show();
    ConnectDirect();
    std::vector<QString> statuses;
    QObject::connect(w->ui->StatusBar1, &QStatusBar::messageChanged, w.get(),
                     [&](const QString& text) { statuses.push_back(text); });
    // A press shows the button down a moment before it clicks; a second press in that moment
    // clicks inside the wait that the first one started, and is refused there.
    Act(w->ui->cmd_Servo_Read, kPress);
    QTimer::singleShot(40, [&] { Act(w->ui->cmd_connect, kPress); });
    ASSERT_TRUE(PumpUntil([&] { return w->StatusText().startsWith(" Servo Read "); }, 5000));
    Pump(200);
    EXPECT_EQ(w->StatusText(), " Servo Read OK!");
    EXPECT_TRUE(w->Comm.portOpen());
    EXPECT_EQ(w->ui->cmd_connect->text(), "NotConnect");
    EXPECT_FALSE(w->ui->cmd_connect->isDown());
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), QStringLiteral(" Servo Read OK!")), 1);
}

TEST_F(LinkTest, AReaderCanDoNothingWithControlsOutOfSightOrLocked) {
    StartWindow();
    w->show();
    ConnectDirect();
    w->bParamsRead = true;

    // The port buttons are hidden on the direct route: no action is offered, none is taken.
    QAccessibleInterface* port = QAccessible::queryAccessibleInterface(w->opt_servo[5]);
    ASSERT_TRUE(port->state().invisible);
    EXPECT_TRUE(port->actionInterface()->actionNames().isEmpty());
    port->actionInterface()->doAction(kToggle);
    port->actionInterface()->doAction(QAccessibleActionInterface::setFocusAction());
    // A trim is locked until its label is clicked.
    QAccessibleInterface* zero = QAccessible::queryAccessibleInterface(w->ui->HScroll_zero);
    ASSERT_FALSE(w->ui->HScroll_zero->isEnabled());
    zero->valueInterface()->setCurrentValue(100);
    Pump(100);
    EXPECT_FALSE(w->opt_servo[5]->isChecked());
    EXPECT_EQ(w->CtrlServoPort, 0);
    EXPECT_TRUE(w->bParamsRead);
    EXPECT_NE(QApplication::focusWidget(), w->opt_servo[5]);
    EXPECT_EQ(w->ui->HScroll_zero->value(), 0);
    EXPECT_EQ(w->ui->txt_zero->text(), "0");
    EXPECT_TRUE(Seen().empty());

    // In sight and unlocked, both take the reader's input.
    w->Label4_Click();
    zero->valueInterface()->setCurrentValue(100);
    EXPECT_EQ(w->ui->txt_zero->text(), "100");
    w->Brevak_Control_Click();
    Act(w->opt_servo[5], kToggle);
    EXPECT_EQ(w->CtrlServoPort, 5);
}

// Beyond presses and toggles: the focus, the text boxes, the port list and the cable window.
TEST_F(LinkTest, DuringAWaitAReaderChangesNothingElseEither) {
    StartWindow();
    w->show();
    ConnectDirectKeepingPackets();
    const auto write = [](QLineEdit* box, const QString& text) {
        QAccessibleInterface* i = QAccessible::queryAccessibleInterface(box);
        i->setText(QAccessible::Value, text);
        if (QAccessibleEditableTextInterface* e = i->editableTextInterface())
            e->insertText(0, text);
    };
    // The ID box only mirrors its bar, wait or not; what it says is what a move by ID addresses.
    write(w->ui->txt_id, QStringLiteral("5"));
    EXPECT_EQ(w->ui->txt_id->text(), "0");

    w->Cable_Click();
    QPointer<QWidget> tip = w->cableWindow.data();
    ASSERT_TRUE(tip && tip->isVisible());
    auto* ok = tip->findChild<QPushButton*>(QStringLiteral("cmdOK"));
    auto* print = tip->findChild<QPushButton*>(QStringLiteral("cmd_print"));
    ASSERT_TRUE(ok && print);
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    // An unlocked trim with the keys locks itself again when it loses them.
    w->Label4_Click();
    w->ui->HScroll_zero->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), w->ui->HScroll_zero);

    servo->setFault(vs::Fault::Silent);
    const QString focus = QAccessibleActionInterface::setFocusAction();
    QTimer::singleShot(30, [&] {
        Act(w->ui->Label1, focus);
        Act(w->ui->HScroll1, focus);
        Act(w->ui->cmd_move_100, focus);
        write(w->txt_Repeat[0], QStringLiteral("90"));
        write(w->txt_Repeat[1], QStringLiteral("10"));
        Act(w->ui->Combo1, QAccessibleActionInterface::showMenuAction());
        Act(print, kPress);
        Act(ok, kPress);
    });
    w->bReplyReady = false;
    EXPECT_EQ(w->ReplyWait(), frm_Set::WaitEnd::GaveUp);
    Pump(200);
    EXPECT_EQ(QApplication::focusWidget(), w->ui->HScroll_zero);
    EXPECT_TRUE(w->ui->HScroll_zero->isEnabled());
    EXPECT_EQ(w->txt_Repeat[0]->text(), "45");
    EXPECT_EQ(w->txt_Repeat[1]->text(), "45");
    EXPECT_FALSE(w->ui->Combo1->view()->isVisible());
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_TRUE(boxes.empty()) << boxes.front().text.toStdString();
    ASSERT_TRUE(tip);
    EXPECT_TRUE(tip->isVisible());

    // Outside the wait they go through.
    Act(w->ui->HScroll1, focus);
    EXPECT_EQ(QApplication::focusWidget(), w->ui->HScroll1);
    EXPECT_FALSE(w->ui->HScroll_zero->isEnabled());
    write(w->txt_Repeat[0], QStringLiteral("30"));
    EXPECT_EQ(w->txt_Repeat[0]->text(), "3030");
    Act(ok, kPress);
    EXPECT_TRUE(PumpUntil([&] { return !tip; }));
}

TEST_F(LinkTest, DuringAWaitTheReaderStillReachesExitAndABox) {
    StartWindow();
    w->show();
    ConnectDirectKeepingPackets();
    ASSERT_TRUE(w->Comm.portOpen());
    servo->setFault(vs::Fault::Silent);

    // A box raised inside the wait takes the reader's press.
    QMessageBox::StandardButton answer = QMessageBox::NoButton;
    QTimer::singleShot(30, [&] {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Verrano"), QStringLiteral("Go on?"),
                        QMessageBox::Yes | QMessageBox::No, w.get());
        QTimer::singleShot(30, [&] { Act(box.button(QMessageBox::No), kPress); });
        answer = static_cast<QMessageBox::StandardButton>(box.exec());
    });
    w->bReplyReady = false;
    EXPECT_EQ(w->ReplyWait(), frm_Set::WaitEnd::GaveUp);
    EXPECT_EQ(answer, QMessageBox::No);

    // The menu's "Exit" ends the program inside the wait.
    QTimer::singleShot(50, [&] { Act(MenuItem(w->ui->File1, w->ui->Exit), kPress); });
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(w->ReplyWait(), frm_Set::WaitEnd::GaveUp);
    EXPECT_LT(t.elapsed(), 600);
    EXPECT_TRUE(ended);
    EXPECT_FALSE(w->Comm.portOpen());
}

TEST_F(LinkTest, UnplugWhileConnectedClosesTheLink) {
    StartWindow();
    w->cmd_connect_Click();
    ASSERT_TRUE(w->Comm.portOpen());
    QFile::remove(dir.filePath("zosys.dat"));
    servo->vanish();
    ASSERT_TRUE(PumpUntil([&] { return !w->Comm.portOpen(); }));
    EXPECT_EQ(w->StatusText(), "Connect error");
    EXPECT_EQ(w->ui->cmd_connect->text(), "Connect");
    EXPECT_FALSE(w->ui->cmd_Servo_Read->isEnabled());
    EXPECT_TRUE(QFile::exists(dir.filePath("zosys.dat")));
}

TEST_F(LinkTest, PortLostDuringAConnectFailsItOnceAndRecordsNothing) {
    // Direct: the adapter goes with the first probe. Controller: after the wake-up's answer.
    for (const bool controller : {false, true}) {
        SCOPED_TRACE(controller ? "controller" : "direct");
        w.reset();
        boxes.clear();
        servo = std::make_unique<vs::VirtualServo>();
        ASSERT_TRUE(servo->start());
        qputenv("VERRANO_COM1", servo->devicePath().toLocal8Bit());
        StartWindow();
        ASSERT_TRUE(QFile::remove(dir.filePath("zosys.dat")));
        if (controller) {
            servo->controllerServos()[0].version = 110;
            w->Brevak_Control_Click();
        }
        servo->setFault(vs::Fault::Vanish, controller ? 1 : 0);
        w->cmd_connect_Click();
        ASSERT_TRUE(w->Comm.errorString().contains("lost")) << "the loss came after the connect";
        EXPECT_FALSE(w->Comm.portOpen());
        EXPECT_EQ(w->StatusText(), "Connect error");
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "NotConnect");
        EXPECT_EQ(w->ui->cmd_connect->text(), "Connect");
        EXPECT_FALSE(w->ui->cmd_Servo_Read->isEnabled());
        Pump(100);
        EXPECT_FALSE(QFile::exists(dir.filePath("zosys.dat"))) << "a failed connect wrote it";
        EXPECT_EQ(boxes.size(), 1u);
    }
}

TEST_F(LinkTest, TimingClassSetsThePacingPeriod) {
    StartWindow();
    w->opt_time_Click(0);
    EXPECT_EQ(w->RepeatTick, 10);
    w->opt_time_Click(2);
    EXPECT_EQ(w->RepeatTick, 100);
    EXPECT_EQ(w->Timer1.interval(), 100);
    w->opt_time_Click(7);
    EXPECT_EQ(w->RepeatTick, 100);
    EXPECT_EQ(w->Timer1.interval(), 100);
    EXPECT_FALSE(w->Timer1.enabled());
}

} // namespace
} // namespace verrano::test
