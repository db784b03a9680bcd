// Start-up of the settings window from no settings file and from saved ones, and the one exit
// procedure behind the Exit button, the Exit menu item and the close box.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fixture.h"
#include "link/pure/packets.h"
#include "params/pure/factory_images.h"
#include "platform/plain_file.h"
#include "ui_frm_Set.h"
#include "window/frmTip.h"

namespace verrano::test {
namespace {

using Bytes = std::vector<uint8_t>;

const QByteArray
    kDefaultFile("\"0\"\r\n\"False\"\r\n\"True\"\r\n\"False\"\r\n\"0\"\r\n\"0\"\r\n\"0\"\r\n");
const Bytes kClose{0x80, 0xEF, 0x00, 0x00, 0x91, 0x00, 0x00};

QByteArray SettingsFile(const QStringList& values) {
    QByteArray out;
    for (const QString& v : values)
        out += "\"" + v.toLatin1() + "\"\r\n";
    return out;
}

// Files by the bytes of their names, which need not be valid text.
bool WriteBytes(const QByteArray& path, const QByteArray& bytes) {
    FILE* out = std::fopen(path.constData(), "wb");
    if (!out) return false;
    const bool wrote = std::fwrite(bytes.constData(), 1, bytes.size(), out) == size_t(bytes.size());
    return std::fclose(out) == 0 && wrote;
}

QByteArray ReadBytes(const QByteArray& path) {
    QByteArray out;
    if (FILE* in = std::fopen(path.constData(), "rb")) {
        char buf[4096];
        while (const size_t n = std::fread(buf, 1, sizeof buf, in))
            out.append(buf, static_cast<qsizetype>(n));
        std::fclose(in);
    }
    return out;
}

std::vector<QByteArray> Names(const QByteArray& folder) {
    std::vector<QByteArray> names;
    if (DIR* d = ::opendir(folder.constData())) {
        while (const dirent* e = ::readdir(d))
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                names.emplace_back(e->d_name);
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

class StartupTest : public WindowTest {
protected:
    std::vector<Bytes> SeenSettled(int count) {
        PumpUntil([&] { return servo->packetCount() >= count; });
        Pump(100); // anything that should not have come gets its chance to show
        return Seen();
    }
    QString ModelTitle() const { return w->ui->ServoType1->title(); }
    std::vector<QString> CheckedModels() const {
        std::vector<QString> out;
        for (QAction* a : {w->ui->Tavrik, w->ui->Bellun, w->ui->Quorrin, w->ui->Dimmar})
            if (a->isChecked()) out.push_back(a->objectName());
        return out;
    }
};

TEST_F(StartupTest, FirstStartWritesTheDefaultFileAndASecondStartReadsItBack) {
    ASSERT_FALSE(QFile::exists(dir.filePath("zosys.dat")));
    StartWindow();

    EXPECT_EQ(ReadFile("zosys.dat"), kDefaultFile);
    EXPECT_EQ(kDefaultFile.size(), 46);
    ASSERT_EQ(w->ui->Combo1->count(), 16);
    EXPECT_EQ(w->ui->Combo1->itemText(0), "COM1");
    EXPECT_EQ(w->ui->Combo1->itemText(15), "COM16");
    EXPECT_EQ(w->ui->Combo1->currentIndex(), 0);
    EXPECT_TRUE(w->opt_time[1]->isChecked());
    EXPECT_FALSE(w->opt_time[0]->isChecked() || w->opt_time[2]->isChecked());
    EXPECT_EQ(w->RepeatTick, 40);
    EXPECT_EQ(w->Timer1.interval(), 40);
    EXPECT_EQ(w->CtrlMode, 0);
    EXPECT_EQ(w->CtrlServoPort, 0);
    EXPECT_TRUE(w->ui->PC_Control->isChecked());
    EXPECT_FALSE(w->ui->Brevak_Control->isChecked());
    EXPECT_EQ(w->ui->Control_Option->title(), "PC");
    EXPECT_EQ(w->MotorType, 0);
    EXPECT_EQ(CheckedModels(), std::vector<QString>{"Tavrik"});
    // No model handler ran: the label keeps its design caption without the rating.
    EXPECT_EQ(w->ui->lab_motor_type->text(), "Tavrik");
    EXPECT_EQ(ModelTitle(), "Tavrik 7.4Kg");
    EXPECT_EQ(w->PerfLevel, 1);
    EXPECT_FALSE(w->bCtrlServoLinked);
    EXPECT_FALSE(w->ui->HScroll_zero->isEnabled());
    EXPECT_FALSE(w->ui->HScroll_Limit_min->isEnabled());
    EXPECT_FALSE(w->ui->HScroll_Limit_max->isEnabled());
    EXPECT_FALSE(w->ui->cmd_Servo_Read->isEnabled());
    EXPECT_FALSE(w->ui->cmd_Servo_Save->isEnabled());
    EXPECT_FALSE(w->Comm.portOpen());
    EXPECT_FALSE(w->Timer1.enabled() || w->Timer2.enabled() || w->Timer3.enabled());
    EXPECT_TRUE(w->StatusText().isEmpty());
    EXPECT_EQ(w->windowTitle(), "Verrano  - v 1.0.2");
    EXPECT_TRUE(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    // The factory images are built: every image ends in 255.
    ASSERT_NE(DefaultsFor(3), nullptr);
    EXPECT_EQ(ImageByte((*DefaultsFor(3))[45]), std::optional<uint8_t>(255));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(servo->packetCount(), 0);
    const int directHeight = w->height();

    // A second start reads the file and ends in the same state, leaving the file as it was.
    w.reset();
    StartWindow();
    EXPECT_EQ(ReadFile("zosys.dat"), kDefaultFile);
    EXPECT_EQ(w->ui->Combo1->currentIndex(), 0);
    EXPECT_TRUE(w->opt_time[1]->isChecked());
    EXPECT_EQ(w->RepeatTick, 40);
    EXPECT_EQ(w->Timer1.interval(), 40);
    EXPECT_EQ(w->CtrlMode, 0);
    EXPECT_TRUE(w->opt_servo[0]->isChecked());
    EXPECT_EQ(w->MotorType, 0);
    EXPECT_EQ(w->ui->lab_motor_type->text(), "Tavrik 7.4Kg");
    EXPECT_EQ(w->height(), directHeight);
    EXPECT_EQ(w->windowTitle(), "Verrano  - v 1.0.2");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(StartupTest, SavedControllerRouteOpensTheTallerWindowWithItsPort) {
    StartWindow(SettingsFile({"3", "True", "False", "False", "1", "17", "0"}));
    EXPECT_EQ(w->CtrlMode, 1);
    EXPECT_EQ(w->CtrlServoPort, 17);
    EXPECT_TRUE(w->opt_servo[17]->isChecked());
    EXPECT_FALSE(w->opt_servo[0]->isChecked());
    EXPECT_TRUE(w->ui->Brevak_Control->isChecked());
    EXPECT_FALSE(w->ui->PC_Control->isChecked());
    EXPECT_EQ(w->ui->Control_Option->title(), "Brevak");
    EXPECT_FALSE(w->ui->Frame2->isEnabled());
    EXPECT_FALSE(w->ui->chk_id_move->isEnabled());
    EXPECT_EQ(w->ui->Combo1->currentIndex(), 3);
    EXPECT_EQ(w->RepeatTick, 10);
    EXPECT_EQ(w->Timer1.interval(), 10);
    EXPECT_FALSE(w->Comm.portOpen());
    EXPECT_EQ(servo->packetCount(), 0);
    const int controllerHeight = w->height();
    w->PC_Control_Click();
    EXPECT_LT(w->height(), controllerHeight);
}

TEST_F(StartupTest, AnyRouteByteButZeroOpensTheControllerRoute) {
    for (const char* route : {"2", "255"}) {
        w.reset();
        StartWindow(SettingsFile({"0", "False", "True", "False", route, "5", "0"}));
        EXPECT_EQ(w->CtrlMode, 1) << route;
        EXPECT_TRUE(w->ui->Brevak_Control->isChecked()) << route;
        EXPECT_EQ(w->ui->Control_Option->title(), "Brevak") << route;
        EXPECT_TRUE(w->opt_servo[5]->isChecked()) << route;
        // The next write records the route in force.
        w->cmd_exit_Click();
        EXPECT_EQ(ReadFile("zosys.dat"),
                  SettingsFile({"0", "False", "True", "False", "1", "5", "0"}))
            << route;
    }
}

TEST_F(StartupTest, SavedModelIsChosenAndUnknownModelFallsBackToTavrik) {
    StartWindow(SettingsFile({"0", "False", "False", "True", "0", "0", "3"}));
    EXPECT_EQ(w->MotorType, 3);
    EXPECT_EQ(CheckedModels(), std::vector<QString>{"Dimmar"});
    EXPECT_EQ(ModelTitle(), "Dimmar 13Kg");
    EXPECT_EQ(w->ui->lab_motor_type->text(), "Dimmar 13Kg");
    EXPECT_EQ(w->RepeatTick, 100);

    // Code 9 names no model: no handler runs, the design check mark stays and MotorType is 0.
    w.reset();
    StartWindow(SettingsFile({"0", "False", "True", "False", "0", "0", "9"}));
    EXPECT_EQ(w->MotorType, 0);
    EXPECT_EQ(CheckedModels(), std::vector<QString>{"Tavrik"});
    EXPECT_EQ(ModelTitle(), "Tavrik 7.4Kg");
    EXPECT_EQ(w->ui->lab_motor_type->text(), "Tavrik");
    // The next write records the model actually in force.
    w->cmd_exit_Click();
    EXPECT_TRUE(ReadFile("zosys.dat").endsWith("\"0\"\r\n"));
}

TEST_F(StartupTest, ShortAndBadFilesStartWithSafeValues) {
    // Three lines: the rest reads as empty; with no timing class chosen "Mid" is taken.
    StartWindow("\"2\"\r\n\"False\"\r\n\"False\"\r\n");
    EXPECT_EQ(w->ui->Combo1->currentIndex(), 2);
    EXPECT_FALSE(w->opt_time[2]->isChecked());
    EXPECT_TRUE(w->opt_time[1]->isChecked());
    EXPECT_EQ(w->RepeatTick, 40);
    EXPECT_EQ(w->CtrlMode, 0);
    EXPECT_EQ(w->CtrlServoPort, 0);
    EXPECT_EQ(w->MotorType, 0);
    EXPECT_EQ(ModelTitle(), "Tavrik 7.4Kg");
    EXPECT_TRUE(boxes.empty());

    // Values that can't be taken are replaced by their line's default.
    w.reset();
    const QByteArray bad = SettingsFile({"x", "maybe", "True", "False", "abc", "99", "300"});
    StartWindow(bad);
    EXPECT_EQ(w->ui->Combo1->currentIndex(), 0);
    EXPECT_TRUE(w->opt_time[1]->isChecked());
    EXPECT_EQ(w->RepeatTick, 40);
    EXPECT_EQ(w->CtrlMode, 0);
    EXPECT_EQ(w->CtrlServoPort, 0);
    EXPECT_TRUE(w->opt_servo[0]->isChecked());
    EXPECT_EQ(w->MotorType, 0);
    EXPECT_EQ(w->windowTitle(), "Verrano  - v 1.0.2");
    // Start-up only reads: the user's file stays as it was until the next regular write.
    EXPECT_EQ(ReadFile("zosys.dat"), bad);

    // No port selected is a value of its own, kept through the next write.
    w.reset();
    StartWindow(SettingsFile({"-1", "False", "True", "False", "0", "0", "0"}));
    EXPECT_EQ(w->ui->Combo1->currentIndex(), -1);
    w->cmd_exit_Click();
    EXPECT_TRUE(ReadFile("zosys.dat").startsWith("\"-1\"\r\n"));

    // Binary rubbish and an empty file.
    for (const QByteArray& junk : {QByteArray("\0\xff\x01\"\"\r\n,,,\n", 12), QByteArray("")}) {
        w.reset();
        StartWindow(junk);
        EXPECT_EQ(w->RepeatTick, 40);
        EXPECT_EQ(w->CtrlMode, 0);
        EXPECT_EQ(w->MotorType, 0);
    }
}

TEST_F(StartupTest, SettingsThatCannotBeWrittenAreReportedAndStartUpAndExitGoOn) {
    // A directory where the file should be: it can be neither read nor replaced.
    ASSERT_TRUE(QDir(dir.path()).mkdir("zosys.dat"));
    StartWindow();
    EXPECT_EQ(w->windowTitle(), "Verrano  - v 1.0.2");
    EXPECT_EQ(w->RepeatTick, 40);
    EXPECT_EQ(w->ui->Combo1->currentIndex(), 0);
    EXPECT_EQ(w->CtrlMode, 0);
    boxes.clear();
    w->cmd_exit_Click();
    EXPECT_TRUE(ended);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "zosys.dat save error!");
    EXPECT_EQ(boxes[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(boxes[0].icon, MsgIcon::Exclamation);
    EXPECT_TRUE(QFileInfo(dir.filePath("zosys.dat")).isDir());
}

TEST_F(StartupTest, ReadOnlyDirectoryKeepsTheOldFileWhole) {
    QFile::Permissions writable = QFile::permissions(dir.path());
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                          QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    QFile probe(dir.filePath("probe"));
    if (probe.open(QIODevice::WriteOnly)) { // a user that writes anywhere can't test this
        probe.close();
        probe.remove();
        QFile::setPermissions(dir.path(), writable);
        GTEST_SKIP() << "the directory stays writable for this user";
    }

    // First start: the default file can't be written; the user is told and start-up goes on.
    StartWindow();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "zosys.dat save error!");
    EXPECT_EQ(boxes[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(w->RepeatTick, 40);
    EXPECT_EQ(w->windowTitle(), "Verrano  - v 1.0.2");
    w->cmd_exit_Click();
    EXPECT_TRUE(ended);
    EXPECT_EQ(boxes.size(), 2u);
    QFile::setPermissions(dir.path(), writable);

    // An existing file in a directory that turned read-only is left whole by a failed write.
    w.reset();
    ended = false;
    boxes.clear();
    const QByteArray saved = SettingsFile({"5", "False", "True", "False", "0", "0", "2"});
    StartWindow(saved);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    w->Dimmar_Click();
    w->cmd_exit_Click();
    QFile::setPermissions(dir.path(), writable);
    EXPECT_TRUE(ended);
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(ReadFile("zosys.dat"), saved);
}

TEST_F(StartupTest, ANamedPipeOrDeviceCalledZosysDatIsNeverReplaced) {
    const QByteArray fifo = QFile::encodeName(dir.filePath("zosys.dat"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    StartWindow();
    EXPECT_EQ(w->RepeatTick, 40);
    EXPECT_EQ(w->ui->Combo1->currentIndex(), 0);
    w->cmd_exit_Click();
    EXPECT_TRUE(ended);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "zosys.dat save error!");
    EXPECT_EQ(boxes[1].text, "zosys.dat save error!");
    struct stat st {};
    ASSERT_EQ(::lstat(fifo.constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    // A link to a device is no better.
    w.reset();
    boxes.clear();
    ASSERT_TRUE(QFile::remove(dir.filePath("zosys.dat")));
    ASSERT_TRUE(QFile::link("/dev/null", dir.filePath("zosys.dat")));
    StartWindow();
    w->cmd_exit_Click();
    EXPECT_EQ(boxes.size(), 2u);
    EXPECT_EQ(QFileInfo(dir.filePath("zosys.dat")).symLinkTarget(), "/dev/null");
}

TEST_F(StartupTest, ALinkIsFollowedOnlyWhereTheSystemWouldFollowIt) {
    if (::geteuid() != 0) GTEST_SKIP() << "a link owned by another user needs root to make";
    // A link that another user planted in a shared sticky folder, pointing at a file of ours.
    const QByteArray victim = "\"keep\"\r\n";
    WriteFile("victim", victim);
    ASSERT_TRUE(QDir(dir.path()).mkdir("shared"));
    const QByteArray shared = QFile::encodeName(dir.filePath("shared"));
    const QByteArray link = QFile::encodeName(dir.filePath("shared/zosys.dat"));
    ASSERT_EQ(::chmod(shared.constData(), 01777), 0);
    ASSERT_EQ(::symlink("../victim", link.constData()), 0);
    ASSERT_EQ(::lchown(link.constData(), 65534, 65534), 0);
    QDir::setCurrent(dir.filePath("shared"));
    StartWindow();
    w->Dimmar_Click();
    w->cmd_exit_Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "zosys.dat save error!");
    EXPECT_EQ(ReadFile("victim"), victim);
    EXPECT_TRUE(QFileInfo(QString::fromLocal8Bit(link)).isSymLink());

    // The same link is followed in a folder that isn't shared, or when it is the user's own.
    const QByteArray dimmar = SettingsFile({"0", "False", "True", "False", "0", "0", "3"});
    for (bool own : {false, true}) {
        SCOPED_TRACE(own ? "own link" : "folder not shared");
        WriteFile("victim", victim);
        if (own)
            ASSERT_EQ(::lchown(link.constData(), ::geteuid(), ::getegid()), 0);
        else
            ASSERT_EQ(::chmod(shared.constData(), 0755), 0);
        w.reset();
        boxes.clear();
        StartWindow();
        w->Dimmar_Click();
        w->cmd_exit_Click();
        EXPECT_TRUE(boxes.empty());
        EXPECT_EQ(ReadFile("victim"), dimmar);
        EXPECT_TRUE(QFileInfo(QString::fromLocal8Bit(link)).isSymLink());
        ASSERT_EQ(::chmod(shared.constData(), 01777), 0);
    }
}

// Another user's link put in place between the check and the write, after the user's own link
// was followed or where nothing stood: the name checked is replaced, the file linked to is not.
TEST_F(StartupTest, ALinkPlantedAfterTheCheckIsReplacedNotFollowed) {
    const QByteArray victim = "\"keep\"\r\n";
    const QByteArray dimmar = SettingsFile({"0", "False", "True", "False", "0", "0", "3"});
    const QByteArray settings = QFile::encodeName(dir.filePath("zosys.dat"));
    const QByteArray real = QFile::encodeName(dir.filePath("real.dat"));
    struct Case {
        const char* what;
        bool ownLink;              // zosys.dat is the user's link to real.dat
        const QByteArray& planted; // where the link to the victim appears
    };
    for (const Case& c :
         {Case{"nothing there", false, settings}, Case{"behind the user's own link", true, real}}) {
        SCOPED_TRACE(c.what);
        ::unlink(settings.constData());
        ::unlink(real.constData());
        WriteFile("victim", victim);
        if (c.ownLink) {
            WriteFile("real.dat", dimmar);
            ASSERT_EQ(::symlink("real.dat", settings.constData()), 0);
        }
        w.reset();
        boxes.clear();
        StartWindow();
        w->Dimmar_Click();
        bool planted = false;
        SetPlainFileCheckedHook([&] {
            ::unlink(c.planted.constData());
            planted = ::symlink("victim", c.planted.constData()) == 0;
        });
        w->cmd_exit_Click();
        SetPlainFileCheckedHook(nullptr);
        EXPECT_TRUE(planted);
        EXPECT_TRUE(boxes.empty());
        EXPECT_EQ(ReadFile("victim"), victim);
        EXPECT_FALSE(QFileInfo(QString::fromLocal8Bit(c.planted)).isSymLink());
        EXPECT_EQ(ReadBytes(c.planted), dimmar);
        EXPECT_EQ(QFileInfo(dir.filePath("zosys.dat")).isSymLink(), c.ownLink);
    }
}

// The user's own link to a file whose name is not valid UTF-8 is read and written through, by
// the bytes of its name.
TEST_F(StartupTest, ALinkToANameInAnotherEncodingIsReadAndWrittenThrough) {
    const QByteArray folder = QFile::encodeName(dir.path());
    const QByteArray target("real\xff.dat");
    ASSERT_TRUE(WriteBytes(folder + '/' + target,
                           SettingsFile({"2", "False", "True", "False", "0", "0", "3"})));
    ASSERT_EQ(::symlink(target.constData(), (folder + "/zosys.dat").constData()), 0);
    StartWindow();
    EXPECT_EQ(w->MotorType, 3);
    EXPECT_EQ(w->ui->Combo1->currentIndex(), 2);
    w->Bellun_Click();
    w->cmd_exit_Click();
    EXPECT_TRUE(boxes.empty());
    // The exit wrote the same file, and nothing beside it.
    EXPECT_EQ(ReadBytes(folder + '/' + target),
              SettingsFile({"2", "False", "True", "False", "0", "0", "1"}));
    EXPECT_EQ(Names(folder), (std::vector<QByteArray>{target, "zosys.dat"}));
}

TEST_F(StartupTest, ExitWithThePortClosedSendsNothingAndWritesTheSettings) {
    StartWindow();
    w->ui->Combo1->setCurrentIndex(4);
    w->opt_time[2]->setChecked(true);
    w->Bellun_Click();
    int ends = 0;
    w->onEnd = [&] { ++ends; };
    w->cmd_exit_Click();
    EXPECT_EQ(ends, 1);
    EXPECT_TRUE(w->bUnloading);
    EXPECT_EQ(ReadFile("zosys.dat"), SettingsFile({"4", "False", "False", "True", "0", "0", "1"}));
    Pump(100);
    EXPECT_EQ(servo->packetCount(), 0);
    // The menu item and the close box find the program already ending.
    w->Exit_Click();
    w->close();
    EXPECT_EQ(ends, 1);
}

TEST_F(StartupTest, ExitWithThePortOpenClosesTheLinkOnBothRoutes) {
    StartWindow();
    ConnectDirect();
    w->Exit_Click();
    EXPECT_TRUE(ended);
    EXPECT_FALSE(w->Comm.portOpen());
    EXPECT_EQ(SeenSettled(1), std::vector<Bytes>{kClose});
    EXPECT_EQ(ReadFile("zosys.dat"), kDefaultFile);

    // Through the controller the link-closing command is still the direct packet.
    w.reset();
    ended = false;
    StartWindow();
    ConnectController(6);
    w->cmd_exit_Click();
    EXPECT_TRUE(ended);
    EXPECT_FALSE(w->Comm.portOpen());
    const auto seen = SeenSettled(1);
    EXPECT_EQ(seen, std::vector<Bytes>{kClose});
    ASSERT_FALSE(servo->received().empty());
    EXPECT_TRUE(servo->received().front().direct);
    EXPECT_EQ(ReadFile("zosys.dat"), SettingsFile({"0", "False", "True", "False", "1", "6", "0"}));
}

TEST_F(StartupTest, CloseBoxBehavesAsExit) {
    StartWindow();
    ConnectDirect();
    w->Cable_Click();
    QPointer<frmTip> tip = w->cableWindow;
    ASSERT_TRUE(tip);
    int ends = 0;
    w->onEnd = [&] { ++ends; };
    w->close();
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(w->Comm.portOpen());
    EXPECT_EQ(SeenSettled(1), std::vector<Bytes>{kClose});
    EXPECT_TRUE(QFile::exists(dir.filePath("zosys.dat")));
    EXPECT_TRUE(PumpUntil([&] { return tip.isNull(); }));
    w->close();
    w->cmd_exit_Click();
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(servo->packetCount(), 1);
}

TEST_F(StartupTest, ExitDuringAWaitEndsTheOperationThere) {
    StartWindow();
    ConnectDirect();
    servo->setFault(vs::Fault::Silent);
    QTimer::singleShot(100, w.get(), [this] { w->Exit_Click(); });
    w->cmd_Servo_Read_Click();
    EXPECT_TRUE(ended);
    EXPECT_FALSE(w->Comm.portOpen());
    const auto seen = SeenSettled(2);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0][1], 0xE1); // the first read, never answered
    EXPECT_EQ(seen[1], kClose);
    EXPECT_EQ(ReadFile("zosys.dat"), kDefaultFile);
}

TEST_F(StartupTest, ABoxRaisedByExitInsideAWaitIsAnsweredByItsButton) {
    StartWindow();
    w->show();
    ConnectDirect();
    // The exit's settings write fails, so the exit shows a box in the middle of the read's wait.
    ASSERT_TRUE(QFile::remove(dir.filePath("zosys.dat")));
    ASSERT_TRUE(QDir(dir.path()).mkdir("zosys.dat"));
    SetMsgBoxAnswerer(nullptr);
    servo->setFault(vs::Fault::Silent);
    int readClicks = 0;
    QObject::connect(w->ui->cmd_Servo_Read, &QPushButton::clicked, [&] { ++readClicks; });

    QString shown;
    bool rescued = false;
    QTimer answer;
    answer.setInterval(10);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        answer.stop();
        shown = box->text();
        Click(w->ui->cmd_Servo_Read); // behind the box the window still refuses
        Click(box->button(QMessageBox::Ok));
    });
    answer.start();
    // A box that the click could not reach is closed after a while, so the test ends.
    QTimer rescue;
    rescue.setSingleShot(true);
    QObject::connect(&rescue, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            rescued = true;
            box->done(QMessageBox::Ok);
        }
    });
    rescue.start(2000);
    QTimer::singleShot(100, w.get(), [this] { Click(w->ui->cmd_exit); });

    w->cmd_Servo_Read_Click();
    EXPECT_EQ(shown, "zosys.dat save error!");
    EXPECT_FALSE(rescued) << "the box's OK button never took the click";
    EXPECT_EQ(readClicks, 0);
    EXPECT_TRUE(ended);
    EXPECT_FALSE(w->Comm.portOpen());
}

} // namespace
} // namespace verrano::test
