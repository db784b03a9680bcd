// The settings window worked from the keyboard alone: what Tab reaches on each route, the option
// groups as single Tab stops, what a screen reader calls them, arrow keys on the scroll bars and
// option buttons, the focus mark of a scroll bar, the trims' labels clicked by keys, and F10 and
// Alt opening the menu bar.
#include <QAccessible>
#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>

#include "fixture.h"
#include "ui_frm_Set.h"
#include "window/frmTip.h"

namespace verrano::test {
namespace {

class KeyboardTest : public WindowTest {
protected:
    void StartActive() {
        StartWindow();
        w->show();
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    }

    static QWidget* Focus() { return QApplication::focusWidget(); }

    static void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        // An open menu takes the keys, as it grabs them on screen.
        QWidget* target = QApplication::activePopupWidget();
        if (!target) target = Focus() ? Focus() : QApplication::activeWindow();
        QTest::keyClick(target, static_cast<Qt::Key>(key), mods);
    }

    // Tabs (or Shift+Tabs) on from the focused control until the focus comes back to it; the
    // controls passed on the way, in order.
    static std::vector<QWidget*> TabRound(bool backwards = false) {
        std::vector<QWidget*> seen;
        QWidget* start = Focus();
        for (int i = 0; i < 100; ++i) {
            Key(backwards ? Qt::Key_Backtab : Qt::Key_Tab,
                backwards ? Qt::ShiftModifier : Qt::NoModifier);
            if (Focus() == start || !Focus()) break;
            seen.push_back(Focus());
        }
        return seen;
    }

    static bool Has(const std::vector<QWidget*>& seen, const QWidget* widget) {
        return std::find(seen.begin(), seen.end(), widget) != seen.end();
    }

    // Every group of option buttons is passed once, on its chosen button.
    template <std::size_t N>
    static void ExpectOneStopOnChosen(const std::vector<QWidget*>& seen,
                                      const std::array<QRadioButton*, N>& group, const char* name) {
        int stops = 0;
        for (QRadioButton* b : group) {
            if (!b || !Has(seen, b)) continue;
            ++stops;
            EXPECT_TRUE(b->isChecked())
                << name << ": Tab lands on " << b->objectName().toStdString();
        }
        EXPECT_EQ(stops, 1) << name;
    }

    void ExpectAllGroupsReached(const std::vector<QWidget*>& seen, bool ports) {
        ExpectOneStopOnChosen(seen, w->opt_time, "opt_time");
        ExpectOneStopOnChosen(seen, w->opt_dir, "opt_dir");
        ExpectOneStopOnChosen(seen, w->opt_Damp, "opt_Damp");
        ExpectOneStopOnChosen(seen, w->opt_Hold, "opt_Hold");
        ExpectOneStopOnChosen(seen, w->opt_Punch, "opt_Punch");
        ExpectOneStopOnChosen(seen, w->opt_Special, "opt_Special");
        if (ports) ExpectOneStopOnChosen(seen, w->opt_servo, "opt_servo");
    }
};

TEST_F(KeyboardTest, PortButtonsOutOfSightTakeNoKeys) {
    StartActive();
    EXPECT_FALSE(w->ui->Frame9->isVisible());
    w->ui->cmd_exit->setFocus(Qt::TabFocusReason);
    const auto direct = TabRound();
    ASSERT_FALSE(direct.empty());
    for (QWidget* f : direct) {
        EXPECT_FALSE(w->ui->Frame9->isAncestorOf(f)) << f->objectName().toStdString();
        EXPECT_TRUE(f->isVisible()) << f->objectName().toStdString();
    }

    // Through the controller the ports show and Tab reaches them.
    w->Brevak_Control_Click();
    EXPECT_TRUE(w->ui->Frame9->isVisible());
    w->opt_servo[5]->setChecked(true);
    w->ui->cmd_exit->setFocus(Qt::TabFocusReason);
    const auto controller = TabRound();
    EXPECT_TRUE(std::any_of(controller.begin(), controller.end(),
                            [&](QWidget* f) { return w->ui->Frame9->isAncestorOf(f); }));

    // Back to the direct route with the focus on a port: it moves to a control in sight, and an
    // arrow key there leaves the port and the read parameters alone.
    w->opt_servo[5]->setFocus(Qt::TabFocusReason);
    w->bParamsRead = true;
    w->PC_Control_Click();
    ASSERT_NE(Focus(), nullptr);
    EXPECT_TRUE(Focus()->isVisible() && Focus()->isEnabled());
    EXPECT_FALSE(w->ui->Frame9->isAncestorOf(Focus()));
    Key(Qt::Key_Right);
    Key(Qt::Key_Down);
    EXPECT_EQ(w->CtrlServoPort, 5);
    EXPECT_TRUE(w->bParamsRead);

    // To the controller route with the focus on a trim: the trims are disabled there, so the
    // focus moves on to a control that can take it.
    w->Label4_Click();
    w->ui->HScroll_zero->setFocus(Qt::TabFocusReason);
    w->Brevak_Control_Click();
    ASSERT_NE(Focus(), nullptr);
    EXPECT_TRUE(Focus()->isVisible() && Focus()->isEnabled());
}

TEST_F(KeyboardTest, EachOptionGroupIsOneTabStopOnItsChosenButton) {
    StartActive();
    w->Brevak_Control_Click();
    w->ui->cmd_exit->setFocus(Qt::TabFocusReason);
    const auto forward = TabRound();
    ExpectAllGroupsReached(forward, true);
    // The nested rows come after "<" and ">", each on its own.
    const auto at = [&](const QWidget* x) { return std::find(forward.begin(), forward.end(), x); };
    EXPECT_LT(at(w->ui->cmd_Performance_hi), at(w->opt_Damp[1]));
    EXPECT_LT(at(w->opt_Damp[1]), at(w->opt_Hold[1]));
    EXPECT_LT(at(w->opt_Hold[1]), at(w->opt_Punch[1]));
    ExpectAllGroupsReached(TabRound(true), true);

    // A choice made by code moves the group's stop with it.
    w->opt_Hold[2]->setChecked(true);
    w->opt_time[0]->setChecked(true);
    w->opt_servo[17]->setChecked(true);
    const auto again = TabRound();
    ExpectAllGroupsReached(again, true);
    EXPECT_TRUE(Has(again, w->opt_Hold[2]));

    // Arrow keys move within a group, choose as they go, and run the group's
    // handler.
    w->opt_Damp[1]->setFocus(Qt::TabFocusReason);
    const uint8_t dampBefore = w->ParamBlock[4];
    Key(Qt::Key_Right);
    EXPECT_EQ(Focus(), w->opt_Damp[2]);
    EXPECT_TRUE(w->opt_Damp[2]->isChecked());
    EXPECT_NE(w->ParamBlock[4], dampBefore);
    Key(Qt::Key_Right); // the end of the row: nothing further
    EXPECT_TRUE(w->opt_Damp[2]->isChecked());
    EXPECT_TRUE(w->opt_Hold[2]->isChecked());
    EXPECT_TRUE(w->opt_Punch[1]->isChecked());

    // "User" and "Standard" are a group of their own, apart from the rows below
    // them.
    w->opt_Special[3]->setChecked(true);
    w->opt_Special[3]->setFocus(Qt::TabFocusReason);
    Key(Qt::Key_Right);
    EXPECT_EQ(Focus(), w->opt_Special[0]);
    EXPECT_TRUE(w->opt_Special[0]->isChecked());
    EXPECT_TRUE(w->opt_Damp[2]->isChecked());
    EXPECT_TRUE(w->opt_Hold[2]->isChecked());
    Key(Qt::Key_Down); // no row of the frame below is part of this group
    EXPECT_EQ(Focus(), w->opt_Special[0]);

    // Code can still leave a group with none chosen (a settings file may say so); the group
    // stays exclusive and Tab then stops on its first button.
    frm_Set::SetOptionValue(w->opt_time[0], false);
    EXPECT_EQ(frm_Set::SelectedIndex(w->opt_time.data(), 3), -1);
    w->ui->cmd_exit->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(Has(TabRound(), w->opt_time[0]));
    w->opt_time[2]->setChecked(true);
    w->opt_time[1]->setChecked(true);
    EXPECT_FALSE(w->opt_time[2]->isChecked());

    w->opt_servo[17]->setFocus(Qt::TabFocusReason);
    Key(Qt::Key_Down);
    EXPECT_TRUE(w->opt_servo[23]->isChecked());
    EXPECT_EQ(w->CtrlServoPort, 23);
    Key(Qt::Key_Left);
    EXPECT_EQ(w->CtrlServoPort, 22);
}

// The arrow keys in a performance row or on a trim write to the servo at once, so a reader must
// say which row, trim or box has the keys, with the captions the window shows beside them.
TEST_F(KeyboardTest, AReaderTellsThePerformanceRowsTrimsAndBoxesApart) {
    StartWindow();
    const auto text = [](QWidget* control, QAccessible::Text t) {
        return QAccessible::queryAccessibleInterface(control)->text(t).toStdString();
    };
    const std::pair<const std::array<QRadioButton*, 3>&, QString> rows[] = {
        {w->opt_Damp, QStringLiteral("D-Gain")},
        {w->opt_Hold, QStringLiteral("Dead Zone")},
        {w->opt_Punch, QStringLiteral("P-Gain")},
    };
    for (const auto& [row, caption] : rows) {
        EXPECT_EQ(text(row[0]->parentWidget(), QAccessible::Name), caption.toStdString());
        for (std::size_t i = 0; i < row.size(); ++i) {
            EXPECT_EQ(text(row[i], QAccessible::Name), std::to_string(i + 1));
            EXPECT_EQ(text(row[i], QAccessible::Description), caption.toStdString());
        }
    }
    const std::pair<QWidget*, const char*> named[] = {
        {w->ui->HScroll_zero, "Center"},     {w->ui->HScroll_Limit_min, "Left"},
        {w->ui->HScroll_Limit_max, "Right"}, {w->ui->txt_zero, "Center"},
        {w->ui->txt_left_limit, "Left"},     {w->ui->txt_right_limit, "Right"},
        {w->txt_Repeat[0], "Repeat -"},      {w->txt_Repeat[1], "Repeat +"},
    };
    for (const auto& [control, name] : named)
        EXPECT_EQ(text(control, QAccessible::Name), name) << control->objectName().toStdString();
    // A box's tooltip still tells more.
    EXPECT_EQ(text(w->ui->txt_zero, QAccessible::Description), "Servo Mid  Position Setting");
}

TEST_F(KeyboardTest, ArrowKeysMoveScrollBarsAsTheDesignDoes) {
    StartActive();
    w->Label4_Click();
    w->Label1_Click();
    w->Label2_Click();
    for (QScrollBar* bar : {w->ui->HScroll1, w->ui->HScroll_id, w->ui->HScroll_zero,
                            w->ui->HScroll_Limit_min, w->ui->HScroll_Limit_max}) {
        const std::string name = bar->objectName().toStdString();
        bar->setEnabled(true); // a trim locks itself when the last one lost the focus
        frm_Set::SetScrollValue(bar, (bar->minimum() + bar->maximum() + 1) / 2);
        bar->setFocus(Qt::TabFocusReason);
        ASSERT_EQ(Focus(), bar) << name;
        const int v = bar->value();
        const int step = bar->singleStep();
        Key(Qt::Key_Right);
        EXPECT_EQ(bar->value(), v + step) << name;
        Key(Qt::Key_Up);
        EXPECT_EQ(bar->value(), v + 2 * step) << name;
        Key(Qt::Key_Left);
        EXPECT_EQ(bar->value(), v + step) << name;
        Key(Qt::Key_Down);
        EXPECT_EQ(bar->value(), v) << name;
        // The page keys and the wheel went this way already and stay so.
        Key(Qt::Key_PageDown);
        EXPECT_EQ(bar->value(), v + bar->pageStep()) << name;
        Key(Qt::Key_PageUp);
        EXPECT_EQ(bar->value(), v) << name;
        QWheelEvent down(QPointF(5, 5), bar->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                         Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(bar, &down);
        EXPECT_GT(bar->value(), v) << name;
    }
    // With Shift, Ctrl or Alt held the bar still takes the arrows, and turns them no other way.
    QScrollBar* slider = w->ui->HScroll1;
    slider->setFocus(Qt::TabFocusReason);
    for (const auto mods : {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier}) {
        frm_Set::SetScrollValue(slider, 1500);
        Key(Qt::Key_Right, mods);
        EXPECT_EQ(slider->value(), 1510) << mods;
        Key(Qt::Key_Down, mods);
        Key(Qt::Key_Left, mods);
        EXPECT_EQ(slider->value(), 1490) << mods;
    }
    // The Change handlers ran: the test needle follows the slider and the ID its
    // bar.
    EXPECT_EQ(w->ui->txt_id->text(), QString::number(w->ui->HScroll_id->value()));
}

TEST_F(KeyboardTest, AFocusedScrollBarShowsAFocusMark) {
    StartActive();
    QScrollBar* bar = w->ui->HScroll1;
    w->ui->cmd_connect->setFocus(Qt::TabFocusReason);
    const QImage without = bar->grab().toImage();
    bar->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(bar->hasFocus());
    const QImage with = bar->grab().toImage();
    EXPECT_NE(with, without);
}

TEST_F(KeyboardTest, TrimLabelsUnlockTheirBarsFromTheKeys) {
    StartActive();
    QScrollBar* zero = w->ui->HScroll_zero;
    // Tab reaches each label just before its bar; the locked bars take no Tab stop.
    w->ui->cmd_exit->setFocus(Qt::TabFocusReason);
    const auto round = TabRound();
    const auto at = [&](const QWidget* x) { return std::find(round.begin(), round.end(), x); };
    EXPECT_LT(at(w->ui->Label4), at(w->ui->Label1));
    EXPECT_LT(at(w->ui->Label1), at(w->ui->Label2));
    EXPECT_LT(at(w->ui->Label2), round.end());
    EXPECT_FALSE(Has(round, zero));

    // Reached by Tab, the label shows that it has the keys.
    w->ui->Label4->setFocus(Qt::OtherFocusReason);
    Key(Qt::Key_Tab, Qt::ShiftModifier);
    const QImage without = w->ui->Label4->grab().toImage();
    Key(Qt::Key_Tab);
    ASSERT_EQ(Focus(), w->ui->Label4);
    EXPECT_NE(w->ui->Label4->grab().toImage(), without);

    // Space runs the click: the bar unlocks and the trim is shown afresh, the focus stays; Tab
    // then lands on the bar, which the arrows move, and leaving it locks it again.
    w->ui->txt_zero->clear();
    Key(Qt::Key_Space);
    EXPECT_TRUE(zero->isEnabled());
    EXPECT_EQ(w->ui->txt_zero->text(), "0");
    EXPECT_EQ(Focus(), w->ui->Label4);
    Key(Qt::Key_Tab);
    ASSERT_EQ(Focus(), zero);
    Key(Qt::Key_Right);
    EXPECT_EQ(w->ui->txt_zero->text(), "2");
    Key(Qt::Key_Tab);
    EXPECT_FALSE(zero->isEnabled());
    ASSERT_EQ(Focus(), w->ui->Label1);
    Key(Qt::Key_Return);
    EXPECT_TRUE(w->ui->HScroll_Limit_min->isEnabled());
    Key(Qt::Key_Tab);
    EXPECT_EQ(Focus(), w->ui->HScroll_Limit_min);
    Key(Qt::Key_Tab);
    ASSERT_EQ(Focus(), w->ui->Label2);
    EXPECT_FALSE(w->ui->HScroll_Limit_min->isEnabled());
    Key(Qt::Key_Enter, Qt::KeypadModifier);
    Key(Qt::Key_Tab);
    EXPECT_EQ(Focus(), w->ui->HScroll_Limit_max);

    // A click by the pointer still leaves the focus where it was.
    w->ui->cmd_connect->setFocus(Qt::TabFocusReason);
    Click(w->ui->Label4);
    EXPECT_TRUE(zero->isEnabled());
    EXPECT_EQ(Focus(), w->ui->cmd_connect);

    // Through the controller the labels are disabled: no Tab stop, no key.
    w->Brevak_Control_Click();
    w->ui->cmd_exit->setFocus(Qt::TabFocusReason);
    const auto controller = TabRound();
    for (QWidget* label :
         std::initializer_list<QWidget*>{w->ui->Label4, w->ui->Label1, w->ui->Label2}) {
        EXPECT_FALSE(Has(controller, label)) << label->objectName().toStdString();
        QTest::keyClick(label, Qt::Key_Space);
    }
    EXPECT_FALSE(zero->isEnabled() || w->ui->HScroll_Limit_min->isEnabled() ||
                 w->ui->HScroll_Limit_max->isEnabled());
}

TEST_F(KeyboardTest, F10AndAltOpenTheMenuBar) {
    StartActive();
    QMenuBar* bar = w->menuBar();
    w->ui->cmd_connect->setFocus(Qt::TabFocusReason);

    Key(Qt::Key_F10);
    EXPECT_EQ(QApplication::activePopupWidget(), w->ui->File1);
    Key(Qt::Key_Escape);
    Key(Qt::Key_Escape);
    ASSERT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(bar->activeAction(), nullptr);

    // Alt alone puts the menu bar under the keys, and the title under them shows it; Down opens
    // the menu under the mark.
    const QImage idle = bar->grab().toImage();
    QTest::keyClick(Focus(), Qt::Key_Alt, Qt::AltModifier);
    EXPECT_EQ(bar->activeAction(), w->ui->File1->menuAction());
    EXPECT_NE(bar->grab().toImage(), idle);
    Key(Qt::Key_Right);
    Key(Qt::Key_Down);
    EXPECT_EQ(QApplication::activePopupWidget(), w->ui->ServoType1);
    Key(Qt::Key_Escape);
    Key(Qt::Key_Escape);

    // The captions carry no mnemonic letters.
    for (QAction* a : bar->actions())
        EXPECT_FALSE(a->text().contains(QLatin1Char('&'))) << a->text().toStdString();
}

TEST_F(KeyboardTest, TheMenuBarGivesTheKeysBackWhereTheyWere) {
    StartActive();
    QMenuBar* bar = w->menuBar();
    QScrollBar* zero = w->ui->HScroll_zero;
    // An unlocked trim locks itself when it loses the keys, but not when the menu bar borrows them.
    w->Label4_Click();
    zero->setFocus(Qt::TabFocusReason);
    const auto back = [&] {
        return QApplication::activePopupWidget() == nullptr && bar->activeAction() == nullptr &&
               Focus() == zero && zero->isEnabled();
    };

    // F10 again leaves the bar: from the first menu, from the second, from the bar that Alt put
    // under the keys.
    Key(Qt::Key_F10);
    ASSERT_EQ(QApplication::activePopupWidget(), w->ui->File1);
    Key(Qt::Key_F10);
    EXPECT_TRUE(back());
    Key(Qt::Key_F10);
    Key(Qt::Key_Right);
    ASSERT_EQ(QApplication::activePopupWidget(), w->ui->ServoType1);
    Key(Qt::Key_F10);
    EXPECT_TRUE(back());
    QTest::keyClick(Focus(), Qt::Key_Alt, Qt::AltModifier);
    ASSERT_NE(bar->activeAction(), nullptr);
    EXPECT_TRUE(zero->isEnabled());
    Key(Qt::Key_F10);
    EXPECT_TRUE(back());
    // So does Escape, once for the menu and once for the bar.
    Key(Qt::Key_F10);
    Key(Qt::Key_Escape);
    Key(Qt::Key_Escape);
    EXPECT_TRUE(back());
    Key(Qt::Key_Right);
    EXPECT_EQ(w->ui->txt_zero->text(), "2");
    Key(Qt::Key_Tab);
    EXPECT_FALSE(zero->isEnabled());
}

TEST_F(KeyboardTest, TheCableWindowFromTheKeysAndBack) {
    StartActive();
    w->ui->cmd_connect->setFocus(Qt::TabFocusReason);
    Key(Qt::Key_F10);
    for (int i = 0; i < 3; ++i)
        Key(Qt::Key_Right);
    ASSERT_EQ(QApplication::activePopupWidget(), w->ui->Help);
    Key(Qt::Key_Down);
    Key(Qt::Key_Return);
    QPointer<QWidget> tip = w->cableWindow.data();
    ASSERT_TRUE(tip);
    ASSERT_TRUE(PumpUntil([&] { return QApplication::activeWindow() == tip; }));
    auto* ok = tip->findChild<QPushButton*>(QStringLiteral("cmdOK"));
    auto* print = tip->findChild<QPushButton*>(QStringLiteral("cmd_print"));
    ASSERT_TRUE(Focus() == ok || Focus() == print);
    Key(Qt::Key_Tab);
    ASSERT_TRUE(Focus() == ok || Focus() == print);
    if (Focus() == print) Key(Qt::Key_Tab);
    ASSERT_EQ(Focus(), ok);

    // OK from the keys closes it; the settings window has the keys again where they were.
    Key(Qt::Key_Space);
    ASSERT_TRUE(PumpUntil([&] { return !tip; }));
    EXPECT_TRUE(PumpUntil([&] { return QApplication::activeWindow() == w.get(); }, 500));
    EXPECT_EQ(Focus(), w->ui->cmd_connect);
}

TEST_F(KeyboardTest, DuringAWaitTheKeysReachExitThroughTheMenus) {
    StartActive();
    QMenuBar* bar = w->menuBar();
    servo->direct().version = 110;
    w->cmd_connect_Click();
    ASSERT_TRUE(w->Comm.portOpen());
    Pump(100);
    servo->setFault(vs::Fault::Silent);
    w->ui->cmd_connect->setFocus(Qt::TabFocusReason);

    bool opened = false, refused = false, byAlt = false;
    QTimer::singleShot(30, [&] {
        ASSERT_TRUE(w->guard.active());
        Key(Qt::Key_F10);
        opened = QApplication::activePopupWidget() == w->ui->File1;
        // The keys move along the menus, but choose nothing that the wait refuses.
        Key(Qt::Key_Down);
        Key(Qt::Key_Return);
        Key(Qt::Key_Right);
        Key(Qt::Key_Down);
        Key(Qt::Key_Down);
        Key(Qt::Key_Space);
        refused = QApplication::activePopupWidget() == w->ui->ServoType1 && dialogs.empty() &&
                  w->MotorType == 0;
        Key(Qt::Key_Escape);
        Key(Qt::Key_Escape);
        // Alt puts the bar under the keys too, and Exit is chosen.
        QTest::keyClick(Focus(), Qt::Key_Alt, Qt::AltModifier);
        byAlt = bar->activeAction() == w->ui->File1->menuAction();
        Key(Qt::Key_Down);
        Key(Qt::Key_Up);
        Key(Qt::Key_Return);
    });
    w->bReplyReady = false;
    EXPECT_EQ(w->ReplyWait(), frm_Set::WaitEnd::GaveUp);
    EXPECT_TRUE(opened);
    EXPECT_TRUE(refused);
    EXPECT_TRUE(byAlt);
    EXPECT_TRUE(ended);
    EXPECT_FALSE(w->Comm.portOpen());
}

} // namespace
} // namespace verrano::test
