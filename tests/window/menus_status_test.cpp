// Tests of the menus and the status line: hovering the menus leaves the status line as the
// program set it, and the status bar has no grip.
#include <QAction>
#include <QCoreApplication>
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

} // namespace
} // namespace verrano::test
