// Tests of the settings window as built: design values of every control, frame placement,
// exclusive option groups, the value helpers and the wiring of events without a signal.
#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStatusBar>
#include <gtest/gtest.h>

#include "fixture.h"
#include "ui_frm_Set.h"
#include "window/frm_Set.h"
#include "window/twips.h"

namespace verrano::test {
namespace {

QString Caption(QWidget* w) {
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
    return QString();
}

struct Control {
    const char* name;
    const char* caption; // nullptr: no caption to check
    bool enabled;
    const char* tip;      // "" for none
    bool checked = false; // option buttons and the check box
};

const Control kControls[] = {
    {"Label4", "Center", true, "136"},
    {"txt_zero", "0", false, "136"},
    {"Label1", "Left", true, "137"},
    {"txt_left_limit", "180", false, "137"},
    {"Label2", "Right", true, "138"},
    {"txt_right_limit", "180", false, "138"},
    {"opt_dir_0", "Normal", true, "139", true},
    {"opt_dir_1", "Reverse", true, "140"},
    {"cmd_move_10", "-90", true, "141"},
    {"cmd_move_55", "-45", true, "142"},
    {"cmd_move_100", "0", true, "143"},
    {"cmd_move_145", "+45", true, "144"},
    {"cmd_move_190", "+90", true, "145"},
    {"Label5_0", "-", true, ""},
    {"txt_Repeat_0", "45", true, "146"},
    {"cmd_Repeat", "Repeat", true, "147"},
    {"Label5_1", "+", true, ""},
    {"txt_Repeat_1", "45", true, "148"},
    {"opt_Special_3", "User", true, "149", true},
    {"opt_Special_0", "Standard", true, "150"},
    {"cmd_Performance_low", "<", true, ""},
    {"cmd_Performance_hi", ">", true, ""},
    {"Label3_0", "D-Gain:", true, ""},
    {"Label3_1", "Dead Zone:", true, ""},
    {"Label3_2", "P-Gain:", true, ""},
    {"Label6", " (0 ~127)", true, "151"},
    {"txt_id", "0", false, "152"},
    {"chk_id_move", "Servo ID Move", true, ""},
    {"lab_motor_type", "Tavrik", true, "현재 설정된 모터타입"},
    {"Frame3", "Time", true, "128"},
    {"opt_time_0", "High", true, "129"},
    {"opt_time_1", "Mid", true, "130", true},
    {"opt_time_2", "Low", true, "131"},
    {"Combo1", nullptr, true, "132"},
    {"cmd_connect", "Connect", true, "127"},
    {"cmd_Servo_Read", "Servo Read", false, "133"},
    {"cmd_Servo_Save", "Servo Save", false, "134"},
    {"cmd_exit", "Exit", true, "114"},
    {"Frame2", "Position Setting", true, ""},
    {"Frame5", "Move and Direction ", true, ""},
    {"Frame4", "Servo Performance", true, ""},
    {"Frame1", "Servo ID ", true, ""},
    {"Frame9", "Servo Port", true, ""},
    {"Label7_0", "G6A", true, ""},
    {"Label7_1", "G6B", true, ""},
    {"Label7_2", "G6C", true, ""},
    {"Label7_3", "G6D", true, ""},
};

TEST(WindowLayout, DesignStateOfEveryControl) {
    frm_Set w;
    EXPECT_EQ(w.windowTitle(), "Verrano ");
    EXPECT_EQ(w.StatusText(), "");

    for (const Control& c : kControls) {
        SCOPED_TRACE(c.name);
        auto* widget = w.findChild<QWidget*>(c.name);
        ASSERT_NE(widget, nullptr);
        if (c.caption) EXPECT_EQ(Caption(widget), QString::fromUtf8(c.caption));
        EXPECT_EQ(widget->isEnabled(), c.enabled);
        EXPECT_EQ(widget->toolTip(), QString::fromUtf8(c.tip));
        if (auto* b = qobject_cast<QAbstractButton*>(widget); b && b->isCheckable())
            EXPECT_EQ(b->isChecked(), c.checked);
    }
    EXPECT_EQ(w.ui->Combo1->count(), 0);

    // Performance rows "1" "2" "3" with "2" selected and bold; controller ports "0" to "23".
    for (const auto* row : {&w.opt_Damp, &w.opt_Hold, &w.opt_Punch}) {
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ((*row)[i]->text(), QString::number(i + 1));
            EXPECT_EQ((*row)[i]->isChecked(), i == 1);
            EXPECT_EQ((*row)[i]->font().bold(), i == 1);
        }
    }
    for (int i = 0; i < 24; ++i) {
        EXPECT_EQ(w.opt_servo[i]->text(), QString::number(i));
        EXPECT_EQ(w.opt_servo[i]->isChecked(), i == 0);
        EXPECT_EQ(w.opt_servo[i]->parentWidget(), w.ui->Frame9);
    }
    // The upper row holds ports 0-5 and 12-17, the lower 6-11 and 18-23, left to right.
    EXPECT_LT(w.opt_servo[0]->y(), w.opt_servo[6]->y());
    EXPECT_EQ(w.opt_servo[0]->y(), w.opt_servo[12]->y());
    EXPECT_LT(w.opt_servo[5]->x(), w.opt_servo[12]->x());
    EXPECT_EQ(w.opt_Special[1], nullptr);
    EXPECT_EQ(w.opt_Special[2], nullptr);

    struct Bar {
        QScrollBar* bar;
        int min, max, small, large, value;
    };
    for (const Bar& b :
         {Bar{w.ui->HScroll_zero, -200, 200, 2, 10, 0},
          Bar{w.ui->HScroll_Limit_min, 170, 230, 1, 10, 180},
          Bar{w.ui->HScroll_Limit_max, 170, 230, 1, 10, 180},
          Bar{w.ui->HScroll1, 600, 2400, 10, 50, 1500}, Bar{w.ui->HScroll_id, 0, 127, 1, 1, 0}}) {
        SCOPED_TRACE(b.bar->objectName().toStdString());
        EXPECT_EQ(b.bar->orientation(), Qt::Horizontal);
        EXPECT_EQ(b.bar->minimum(), b.min);
        EXPECT_EQ(b.bar->maximum(), b.max);
        EXPECT_EQ(b.bar->singleStep(), b.small);
        EXPECT_EQ(b.bar->pageStep(), b.large);
        EXPECT_EQ(b.bar->value(), b.value);
        EXPECT_TRUE(b.bar->isEnabled());
        EXPECT_FALSE(b.bar->hasTracking());
    }
    EXPECT_LT(w.ui->HScroll_Limit_min->x(), w.ui->HScroll_Limit_max->x());

    // Frames and the top-level controls stand where the design puts them (twips).
    struct Place {
        QWidget* w;
        int left, top, width, height;
    };
    for (const Place& p :
         {Place{w.ui->Picture1, 60, 60, 2265, 2445}, Place{w.ui->Frame2, 2340, 60, 2595, 1395},
          Place{w.ui->Frame5, 2340, 1500, 2595, 1695}, Place{w.ui->Frame4, 4980, 60, 2595, 1695},
          Place{w.ui->Frame1, 4980, 1800, 2595, 975},
          Place{w.ui->lab_motor_type, 5100, 2880, 1635, 255},
          Place{w.ui->Frame3, 60, 2640, 2235, 555}, Place{w.ui->Combo1, 60, 3300, 1155, 315},
          Place{w.ui->cmd_connect, 1260, 3300, 1305, 315},
          Place{w.ui->cmd_Servo_Read, 2820, 3300, 1245, 315},
          Place{w.ui->cmd_Servo_Save, 4320, 3300, 1245, 315},
          Place{w.ui->cmd_exit, 6300, 3300, 1275, 315}, Place{w.ui->Frame9, 60, 3660, 7515, 795}}) {
        SCOPED_TRACE(p.w->objectName().toStdString());
        EXPECT_EQ(p.w->parentWidget(), w.ui->centralwidget);
        EXPECT_EQ(p.w->geometry(), TwipsRect(p.left, p.top, p.width, p.height));
    }
    // Every control inside a frame lies wholly within it.
    for (QGroupBox* frame : w.ui->centralwidget->findChildren<QGroupBox*>()) {
        for (QWidget* child : frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            SCOPED_TRACE(child->objectName().toStdString());
            EXPECT_TRUE(frame->rect().contains(child->geometry()));
        }
    }

    EXPECT_TRUE(w.ui->Frame2->font().bold());
    EXPECT_FALSE(w.ui->Frame3->font().bold());
    EXPECT_DOUBLE_EQ(w.ui->lab_motor_type->font().pointSizeF(), 12.0);
    EXPECT_TRUE(w.ui->lab_motor_type->font().bold());
    EXPECT_DOUBLE_EQ(w.ui->cmd_move_10->font().pointSizeF(), 8.25);
    EXPECT_TRUE(w.ui->cmd_Performance_hi->font().bold());
    EXPECT_DOUBLE_EQ(w.ui->Combo1->font().pointSizeF(), 9.75);

    // Menus in menu-bar order, separators where the design has them.
    struct Menu {
        QMenu* menu;
        const char* title;
        std::vector<const char*> items; // "-" a separator
    };
    const Menu menus[] = {
        {w.ui->File1, "File", {"Open", "Save", "-", "Servo Reset", "-", "Exit"}},
        {w.ui->ServoType1,
         "Tavrik 7.4Kg",
         {"Tavrik 7.4Kg", "Bellun 30Kg", "Quorrin 30Kg", "Dimmar 13Kg"}},
        {w.ui->Control_Option, "PC", {"PC", "Brevak"}},
        {w.ui->Help, "Help", {"Cable View"}},
    };
    const QList<QAction*> bar = w.menuBar()->actions();
    ASSERT_EQ(bar.size(), 4);
    for (int m = 0; m < 4; ++m) {
        const Menu& menu = menus[m];
        SCOPED_TRACE(menu.title);
        EXPECT_EQ(bar[m], menu.menu->menuAction());
        EXPECT_EQ(menu.menu->title(), menu.title);
        const QList<QAction*> items = menu.menu->actions();
        ASSERT_EQ(items.size(), static_cast<qsizetype>(menu.items.size()));
        for (qsizetype i = 0; i < items.size(); ++i) {
            if (QString(menu.items[i]) == "-")
                EXPECT_TRUE(items[i]->isSeparator());
            else
                EXPECT_EQ(items[i]->text(), menu.items[i]);
            EXPECT_TRUE(items[i]->shortcut().isEmpty());
        }
    }
    EXPECT_TRUE(w.ui->Tavrik->isChecked());
    EXPECT_FALSE(w.ui->Bellun->isChecked());
    EXPECT_TRUE(w.ui->PC_Control->isChecked());
    EXPECT_FALSE(w.ui->Brevak_Control->isChecked());
}

TEST(WindowLayout, OptionGroupsAreIndependent) {
    frm_Set w;
    {
        // The handlers are not under test here; exclusivity is the buttons' own.
        const QSignalBlocker block(w.opt_Damp[2]);
        w.opt_Damp[2]->setChecked(true);
    }
    EXPECT_EQ(frm_Set::SelectedIndex(w.opt_Damp.data(), 3), 2);
    EXPECT_EQ(frm_Set::SelectedIndex(w.opt_Hold.data(), 3), 1);
    EXPECT_EQ(frm_Set::SelectedIndex(w.opt_Punch.data(), 3), 1);
    EXPECT_TRUE(w.opt_Special[3]->isChecked());
    EXPECT_TRUE(w.opt_dir[0]->isChecked());
    EXPECT_TRUE(w.opt_time[1]->isChecked());
    EXPECT_TRUE(w.opt_servo[0]->isChecked());
    EXPECT_EQ(frm_Set::SelectedIndex(w.opt_Special.data(), 4), 3);
}

TEST(WindowLayout, ValueHelpers) {
    QScrollBar bar(Qt::Horizontal);
    bar.setRange(170, 230);
    bar.setValue(180);
    int changes = 0;
    QObject::connect(&bar, &QScrollBar::valueChanged, [&] { ++changes; });
    EXPECT_FALSE(frm_Set::SetScrollValue(&bar, 231));
    EXPECT_FALSE(frm_Set::SetScrollValue(&bar, 169));
    EXPECT_EQ(bar.value(), 180);
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(frm_Set::SetScrollValue(&bar, 230));
    EXPECT_TRUE(frm_Set::SetScrollValue(&bar, 170));
    EXPECT_EQ(bar.value(), 170);
    EXPECT_EQ(changes, 2);

    QWidget group;
    QRadioButton a(&group), b(&group);
    a.setChecked(true);
    frm_Set::SetOptionValue(&a, false);
    EXPECT_FALSE(a.isChecked());
    EXPECT_FALSE(b.isChecked());
    EXPECT_TRUE(a.autoExclusive()); // still one group afterwards
    frm_Set::SetOptionValue(&b, true);
    frm_Set::SetOptionValue(&a, true);
    EXPECT_TRUE(a.isChecked());
    EXPECT_FALSE(b.isChecked());
    EXPECT_EQ(frm_Set::SelectedIndex(std::array<const QRadioButton*, 2>{&a, &b}.data(), 2), 0);

    frm_Set w;
    w.SetStatusText(" Wait! >>");
    w.AppendStatus(">");
    EXPECT_EQ(w.StatusText(), " Wait! >>>");
    EXPECT_EQ(w.ui->StatusBar1->accessibleName(), " Wait! >>>");
}

using WindowWiring = WindowTest;

void MoveOver(QWidget* widget, QPoint at) {
    QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &move);
}

void ClickOn(QWidget* widget) {
    const QPoint at(2, 2);
    for (QEvent::Type t : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent e(t, at, widget->mapToGlobal(at), Qt::LeftButton,
                      t == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                      Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &e);
    }
}

TEST_F(WindowWiring, SignalsAndFilteredEventsReachTheirHandlers) {
    StartWindow();

    // Option buttons: selecting runs the handler, deselecting does not.
    w->opt_time[2]->setChecked(true);
    EXPECT_EQ(w->RepeatTick, 100);
    w->RepeatTick = 7;
    w->opt_time[0]->setChecked(true);
    EXPECT_EQ(w->RepeatTick, 10);

    // A value assigned by code raises Change at once.
    ASSERT_TRUE(frm_Set::SetScrollValue(w->ui->HScroll_id, 5));
    EXPECT_EQ(w->ui->txt_id->text(), "5");

    // Label click unlocks its trim; the trim locks again when the focus moves on, but not when
    // the whole window loses it.
    ClickOn(w->ui->Label4);
    EXPECT_TRUE(w->ui->HScroll_zero->isEnabled());
    EXPECT_FALSE(w->ui->HScroll_Limit_min->isEnabled());
    QFocusEvent away(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(w->ui->HScroll_zero, &away);
    EXPECT_TRUE(w->ui->HScroll_zero->isEnabled());
    QFocusEvent moved(QEvent::FocusOut, Qt::MouseFocusReason);
    QCoreApplication::sendEvent(w->ui->HScroll_zero, &moved);
    EXPECT_FALSE(w->ui->HScroll_zero->isEnabled());

    // Hover: the bare part of a frame shows the dial, an option hides its needles, and a
    // position over a control inside a frame is not the frame's.
    MoveOver(w->ui->Frame5, QPoint(3, w->ui->cmd_move_10->y() + 5));
    EXPECT_TRUE(w->Line5->isVisible());
    MoveOver(w->opt_Punch[1], QPoint(3, 3));
    EXPECT_FALSE(w->Line5->isVisible());
    MoveOver(w->ui->Frame5, w->ui->cmd_move_10->geometry().center());
    EXPECT_FALSE(w->Line5->isVisible());

    // Menu items.
    w->ui->Brevak_Control->trigger();
    EXPECT_EQ(w->CtrlMode, 1);
    EXPECT_FALSE(w->ui->Label4->isEnabled());
    ClickOn(w->ui->Label4); // disabled on the controller route: no unlock
    EXPECT_FALSE(w->ui->HScroll_zero->isEnabled());
    w->ui->PC_Control->trigger();
    EXPECT_EQ(w->CtrlMode, 0);
}

} // namespace
} // namespace verrano::test
