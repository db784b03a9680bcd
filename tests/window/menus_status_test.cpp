// Tests of the menus and the status line: hovering the menus leaves the status line as the
// program set it, the choice menus mark only the chosen item, and the status bar has no grip.
#include <QAction>
#include <QCoreApplication>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QSizeGrip>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <gtest/gtest.h>

#include "fixture.h"
#include "ui_frm_Set.h"
#include "window/frm_Set.h"

namespace verrano::test {
namespace {

void Send(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? button : Qt::NoButton;
    QMouseEvent e(type, at, widget->mapToGlobal(at), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &e);
}

// Counts the status tips that reach the window, so a test knows its hover really produced some.
class StatusTipCounter : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::StatusTip) ++count;
        return false;
    }
};

class StatusLine : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        StartWindow();
        w->show();
        w->installEventFilter(&tips);
    }

    // The pointer goes over a menu title, opens its menu with a click and passes over each item,
    // as a user's pointer does: the menu bar and the menu send their status tips themselves.
    void HoverMenu(QMenu* menu) {
        QMenuBar* bar = w->menuBar();
        const QPoint title = bar->actionGeometry(menu->menuAction()).center();
        Send(bar, QEvent::MouseMove, title, Qt::NoButton);
        Send(bar, QEvent::MouseButtonPress, title, Qt::LeftButton);
        Send(bar, QEvent::MouseButtonRelease, title, Qt::LeftButton);
        ASSERT_TRUE(menu->isVisible());
        for (QAction* item : menu->actions()) {
            if (item->isSeparator()) continue;
            // A menu ignores the first few movements after it opens.
            for (int i = 0; i < 8; ++i)
                Send(menu, QEvent::MouseMove, menu->actionGeometry(item).center(), Qt::NoButton);
            EXPECT_EQ(menu->activeAction(), item);
        }
        menu->hide();
    }

    StatusTipCounter tips;
};

TEST_F(StatusLine, StaysAsSetWhateverMenusAndStatusTipsDo) {
    ConnectDirect();
    const std::string connected = "Connect OK! - QEL Servo Motor Ver- 110";
    ASSERT_EQ(w->StatusText().toStdString(), connected);

    for (QMenu* menu : {w->ui->File1, w->ui->ServoType1, w->ui->Control_Option, w->ui->Help}) {
        SCOPED_TRACE(menu->objectName().toStdString());
        HoverMenu(menu);
        EXPECT_EQ(w->StatusText().toStdString(), connected);
        EXPECT_EQ(w->ui->StatusBar1->currentMessage().toStdString(), connected);
        EXPECT_EQ(w->ui->StatusBar1->accessibleName().toStdString(), connected);
    }
    EXPECT_GT(tips.count, 0);

    // A status tip with a text of its own, from a control, changes nothing either.
    QStatusTipEvent tip(QStringLiteral("elsewhere"));
    QCoreApplication::sendEvent(w->ui->cmd_exit, &tip);
    EXPECT_EQ(w->ui->StatusBar1->currentMessage().toStdString(), connected);
}

TEST_F(StatusLine, ProgressMarksAppendToTheTextAfterAHover) {
    // A transfer under way: the menus stay open to the user, so Exit can be reached.
    w->SetStatusText(QStringLiteral(" Wait! >>"));
    HoverMenu(w->ui->File1);
    w->AppendStatus(QStringLiteral(">"));
    EXPECT_EQ(w->StatusText().toStdString(), " Wait! >>>");
    EXPECT_EQ(w->ui->StatusBar1->currentMessage().toStdString(), " Wait! >>>");
    EXPECT_EQ(w->ui->StatusBar1->accessibleName().toStdString(), " Wait! >>>");
}

TEST_F(StatusLine, HasNoSizeGripInTheFixedSizeWindow) {
    for (const QSizeGrip* grip : w->ui->StatusBar1->findChildren<QSizeGrip*>())
        EXPECT_FALSE(grip->isVisible());
}

// The row of a menu item as the menu draws it.
QImage Row(QMenu* menu, QAction* item) {
    return menu->grab().toImage().copy(menu->actionGeometry(item));
}

// Only the chosen item carries a mark: every other item looks exactly like one that cannot be
// checked at all, with no empty box where a mark could go.
void ExpectOnlyTheChosenItemMarked(QMenu* menu) {
    SCOPED_TRACE(menu->objectName().toStdString());
    menu->popup(QPoint(0, 0));
    ASSERT_TRUE(menu->isVisible());
    int marked = 0;
    for (QAction* item : menu->actions()) {
        SCOPED_TRACE(item->text().toStdString());
        const bool chosen = item->isChecked();
        marked += chosen;
        const QImage shown = Row(menu, item);
        item->setCheckable(false);
        const QImage plain = Row(menu, item);
        item->setCheckable(true);
        ASSERT_EQ(item->isChecked(), chosen);
        if (chosen)
            EXPECT_FALSE(shown == plain) << "no mark on the chosen item";
        else
            EXPECT_TRUE(shown == plain) << "a mark or an empty box on an item not chosen";
    }
    EXPECT_EQ(marked, 1);
    menu->hide();
}

using MenuMarks = WindowTest;

TEST_F(MenuMarks, OnlyTheChosenModelAndRouteShowAMark) {
    StartWindow();
    w->show();
    ExpectOnlyTheChosenItemMarked(w->ui->ServoType1);
    ExpectOnlyTheChosenItemMarked(w->ui->Control_Option);
    w->Quorrin_Click();
    w->Brevak_Control_Click();
    ExpectOnlyTheChosenItemMarked(w->ui->ServoType1);
    ExpectOnlyTheChosenItemMarked(w->ui->Control_Option);
}

// A click on an item, the chosen one included, runs its handler, which leaves exactly its own item
// checked; the factory reset reads the model from these marks.
TEST_F(MenuMarks, ChoosingAnItemChecksItAloneAndRunsItsHandler) {
    StartWindow();
    const std::array<QAction*, 4> models{w->ui->Tavrik, w->ui->Bellun, w->ui->Quorrin,
                                         w->ui->Dimmar};
    for (int code : {2, 2, 0, 0, 3, 1}) {
        SCOPED_TRACE(code);
        w->MotorType = 9;
        models[static_cast<std::size_t>(code)]->trigger();
        EXPECT_EQ(w->MotorType, code);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(models[static_cast<std::size_t>(i)]->isChecked(), i == code);
        EXPECT_EQ(w->ui->ServoType1->title(), models[static_cast<std::size_t>(code)]->text());
    }

    const std::array<QAction*, 2> routes{w->ui->PC_Control, w->ui->Brevak_Control};
    for (int mode : {1, 1, 0, 0, 1}) {
        SCOPED_TRACE(mode);
        w->CtrlMode = 9;
        routes[static_cast<std::size_t>(mode)]->trigger();
        EXPECT_EQ(w->CtrlMode, mode);
        EXPECT_EQ(w->ui->PC_Control->isChecked(), mode == 0);
        EXPECT_EQ(w->ui->Brevak_Control->isChecked(), mode == 1);
        EXPECT_EQ(w->ui->Control_Option->title(), routes[static_cast<std::size_t>(mode)]->text());
    }
}

} // namespace
} // namespace verrano::test
