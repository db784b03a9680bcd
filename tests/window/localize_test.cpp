// The localiser: design ids become tooltips in the user's language, and its rules for captions,
// menus and ids it can't use.
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>

#include "fixture.h"
#include "ui_frm_Set.h"
#include "window/pure/string_table.h"

namespace verrano::test {
namespace {

class LocalizeTest : public WindowTest {
protected:
    QString Tip(const char* name) const {
        auto* widget = w->findChild<QWidget*>(QString::fromLatin1(name));
        return widget ? widget->toolTip() : QStringLiteral("<missing %1>").arg(name);
    }
    // No control is left showing a bare id.
    void ExpectNoBareIds() const {
        for (QWidget* widget : w->findChildren<QWidget*>())
            EXPECT_FALSE(StrictNumber(widget->toolTip().toStdString()).has_value())
                << widget->objectName().toStdString() << ": " << widget->toolTip().toStdString();
    }
};

TEST_F(LocalizeTest, EnglishTooltipsReplaceTheDesignIds) {
    StartWindow();
    EXPECT_EQ(Tip("cmd_exit"), "Exit");
    EXPECT_EQ(Tip("cmd_connect"), "Servo Right Position Setting");
    EXPECT_EQ(Tip("Frame3"), "Comport Time");
    EXPECT_EQ(Tip("opt_time_0"), "Desktop computer");
    EXPECT_EQ(Tip("opt_time_2"), "Usb to serial 1.1");
    EXPECT_EQ(Tip("Combo1"), "Comport Select");
    EXPECT_EQ(Tip("cmd_Servo_Save"), "Servo Parameter Program");
    EXPECT_EQ(Tip("txt_zero"), "Servo Mid  Position Setting");
    EXPECT_EQ(Tip("cmd_move_190"), "Servo Right 90 Degree  Position Setting");
    EXPECT_EQ(Tip("cmd_Repeat"), "Servo  Move Repeat ");
    EXPECT_EQ(Tip("opt_Special_3"), "User Parameter");
    EXPECT_EQ(Tip("txt_id"), "Servo ID Setting");
    // Labels take theirs from the table too.
    EXPECT_EQ(Tip("Label6"), "Servo ID Setting (0~ 127)");
    EXPECT_EQ(Tip("Label4"), "Servo Mid  Position Setting");
    EXPECT_EQ(Tip("Label1"), "Servo Left Position Setting");
    EXPECT_EQ(Tip("Label2"), "Servo Right Position Setting");
    // A fixed text is no id and stays.
    EXPECT_EQ(Tip("lab_motor_type"), QString::fromUtf8("현재 설정된 모터타입"));
    ExpectNoBareIds();

    // Captions and menus keep their design texts.
    EXPECT_EQ(w->ui->cmd_exit->text(), "Exit");
    EXPECT_EQ(w->ui->Label4->text(), "Center");
    EXPECT_EQ(w->ui->Frame3->title(), "Time");
    EXPECT_EQ(w->ui->File1->title(), "File");
    EXPECT_EQ(w->ui->Exit->text(), "Exit");
    EXPECT_EQ(w->ui->Cable->text(), "Cable View");
    EXPECT_EQ(w->windowTitle(), "Verrano  - v 1.0.2");
}

TEST_F(LocalizeTest, KoreanAndJapaneseUsers) {
    SetLanguageOverride(lang::Korean);
    StartWindow();
    EXPECT_EQ(Tip("opt_time_2"), QString::fromUtf8("통신속도 usb to serial 1.0"));
    EXPECT_EQ(Tip("cmd_exit"), QString::fromUtf8("프로그램종료"));
    EXPECT_EQ(Tip("Label6"), QString::fromUtf8("모터 아이디설정 한계 0~127 사이"));
    EXPECT_EQ(Tip("opt_dir_1"), QString::fromUtf8("서보모터제어반대방향 -전원 재부팅 후 적용"));
    EXPECT_EQ(w->ui->cmd_exit->text(), "Exit");
    ExpectNoBareIds();

    w.reset();
    SetLanguageOverride(lang::Japanese);
    StartWindow();
    EXPECT_EQ(Tip("opt_time_2"), "Usb to serial 1.1");
    EXPECT_EQ(Tip("Label6"), "Servo ID Setting (0~ 127)");
}

TEST_F(LocalizeTest, RulesForNumbersTagsAndMenus) {
    w = std::make_unique<frm_Set>();
    w->ui->cmd_connect->setToolTip("134abc"); // leading number
    w->ui->Frame3->setToolTip(" \t134");      // blanks before it are skipped
    w->ui->cmd_Repeat->setToolTip("0");       // 0 names nothing
    w->ui->cmd_move_10->setToolTip("99");     // not in the table
    w->ui->cmd_move_55->setToolTip("hello");  // no number at all
    w->ui->cmd_move_100->setToolTip("70000"); // beyond 16 bits
    w->ui->Exit->setText("114");              // a menu caption that is a number
    w->ui->open->setText("114 Open");         // a menu caption only begins with one
    w->ui->cmd_Servo_Read->setProperty("Tag", "112");
    w->ui->Frame1->setProperty("Tag", "112x"); // other controls: leading number
    w->ui->Label5_0->setProperty("Tag", "112");
    w->ui->Label5_1->setProperty("Tag", "112x"); // labels: the whole text only
    w->setProperty("Tag", "113");
    w->LocalizeForm();

    EXPECT_EQ(w->ui->cmd_connect->toolTip(), "Servo Parameter Program");
    EXPECT_EQ(w->ui->Frame3->toolTip(), "Servo Parameter Program");
    EXPECT_EQ(w->ui->cmd_Repeat->toolTip(), "0");
    EXPECT_EQ(w->ui->cmd_move_10->toolTip(), "99");
    EXPECT_EQ(w->ui->cmd_move_55->toolTip(), "hello");
    EXPECT_EQ(w->ui->cmd_move_100->toolTip(), "70000");
    EXPECT_EQ(w->ui->Exit->text(), "Exit");
    EXPECT_EQ(w->ui->open->text(), "114 Open");
    EXPECT_EQ(w->ui->File1->title(), "File");
    EXPECT_EQ(w->ui->cmd_Servo_Read->text(), "Connect");
    EXPECT_EQ(w->ui->Frame1->title(), "Connect");
    EXPECT_EQ(w->ui->Label5_0->text(), "Connect");
    EXPECT_EQ(w->ui->Label5_1->text(), "+");
    EXPECT_EQ(w->ui->Label6->text(), " (0 ~127)"); // no Tag: caption stays
    EXPECT_EQ(w->windowTitle(), "Not Connect");
    EXPECT_TRUE(boxes.empty());
}

} // namespace
} // namespace verrano::test
