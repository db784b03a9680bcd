// Tests of the position dial, the hover help pictures and the cable window with its printing.
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>

#include "fixture.h"
#include "platform/picture_box.h"
#include "platform/printer.h"
#include "ui_frmTip.h"
#include "ui_frm_Set.h"
#include "window/frmTip.h"
#include "window/pure/dial_geometry.h"

namespace verrano::test {
namespace {

// The picture number of ImageList2 that the dial box shows, 0 for none of them.
int ShownPicture(const frm_Set& w) {
    const qint64 key = w.ui->Picture1->pictureKey();
    for (int n = 1; n <= w.ImageList2.Count(); ++n)
        if (w.ImageList2.Picture(n).cacheKey() == key) return n;
    return 0;
}

int VisibleNeedles(const frm_Set& w) {
    return int(w.Line2->isVisible()) + int(w.Line3->isVisible()) + int(w.Line4->isVisible()) +
           int(w.Line5->isVisible());
}

// The needle starts at the dial centre and ends 1000 twips out at angleDeg.
void ExpectNeedleAt(const LineControl* line, double angleDeg, const char* name) {
    SCOPED_TRACE(name);
    const auto end = PolarPoint({kDialCentreX, kDialCentreY}, angleDeg, kDialRadius);
    ASSERT_TRUE(end.has_value());
    EXPECT_NEAR(line->X1(), kDialCentreX, 1e-3);
    EXPECT_NEAR(line->Y1(), kDialCentreY, 1e-3);
    EXPECT_NEAR(line->X2(), (*end)[0], 1e-3);
    EXPECT_NEAR(line->Y2(), (*end)[1], 1e-3);
}

void MoveOver(QWidget* widget) {
    const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
    QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

void PressKey(QWidget* widget, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
}

// Closed windows go on the next turn of the event loop.
void FlushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

int CableWindowCount() {
    int n = 0;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (qobject_cast<frmTip*>(top)) ++n;
    return n;
}

int PdfPageCount(const QByteArray& pdf) {
    int pages = 0;
    for (qsizetype at = pdf.indexOf("/Type /Page"); at >= 0;
         at = pdf.indexOf("/Type /Page", at + 1)) {
        const qsizetype next = at + qsizetype(qstrlen("/Type /Page"));
        if (next >= pdf.size() || pdf[next] != 's') ++pages;
    }
    return pages;
}

// A print system at the toolkit's seam whose default-printer query can stall as a print server
// that doesn't answer (for 5 s at most, so that a window blocked on it still ends the test).
class FakePrintSystem : public PrintSystem {
public:
    QString defaultPrinter() override {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(5), [this] { return !stalled_; });
        return QStringLiteral("Fake");
    }
    bool print(const QString&, const PrintPage&, QString*) override {
        pages += 1;
        return true;
    }
    void release() {
        {
            std::lock_guard lock(mutex_);
            stalled_ = false;
        }
        changed_.notify_all();
    }

    std::atomic<int> pages{0};

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stalled_ = true;
};

} // namespace

TEST(Dial, StartUpStepsLeaveTheIdlePictureAndLevelHiddenNeedles) {
    frm_Set w;
    w.DialStartup();

    ASSERT_EQ(w.ImageList2.Count(), 12);
    EXPECT_EQ(w.ImageList2.ImageSize(), QSize(146, 159));
    for (int n = 1; n <= 12; ++n)
        EXPECT_FALSE(w.ImageList2.Picture(n).isNull()) << n;

    EXPECT_EQ(ShownPicture(w), 12);
    EXPECT_EQ(w.ui->Picture1->drawnArcCount(), 0);
    EXPECT_EQ(VisibleNeedles(w), 0);
    // The limit needles stand level, as limit value 190 would put them, not 175 and 365.
    ExpectNeedleAt(w.Line4, 360, "Line4");
    ExpectNeedleAt(w.Line2, 180, "Line2");
    ExpectNeedleAt(w.Line3, 270, "Line3");
    ExpectNeedleAt(w.Line5, 270, "Line5");
    EXPECT_NEAR(w.Line4->X2(), 2110, 1e-3);
    EXPECT_NEAR(w.Line2->X2(), 110, 1e-3);
    EXPECT_NEAR(w.Line3->Y2(), 285, 1e-3);

    // A second run reuses the pictures already loaded.
    const qint64 idleKey = w.ImageList2.Picture(12).cacheKey();
    w.DialStartup();
    EXPECT_EQ(w.ImageList2.Picture(12).cacheKey(), idleKey);
}

TEST(Dial, ShowDialDrawsOneArcHowEverOftenItRuns) {
    frm_Set w;
    w.DialStartup();
    for (int i = 0; i < 3; ++i)
        w.ShowDial();
    EXPECT_EQ(ShownPicture(w), 1);
    EXPECT_EQ(w.ui->Picture1->drawnArcCount(), 1);
    EXPECT_EQ(VisibleNeedles(w), 4);

    // Needles keep their places through hiding and showing.
    w.HideDialNeedles();
    EXPECT_EQ(VisibleNeedles(w), 0);
    ExpectNeedleAt(w.Line4, 360, "Line4 after hiding");
}

TEST_F(WindowTest, HoverShowsTheHelpPictureOfTheControlUnderThePointer) {
    StartWindow();
    ASSERT_EQ(ShownPicture(*w), 12);

    // P-Gain "2", then the bare part of the move frame: picture 9, then the dial.
    w->opt_Punch_MouseMove(1);
    EXPECT_EQ(ShownPicture(*w), 9);
    EXPECT_EQ(VisibleNeedles(*w), 0);
    w->Frame5_MouseMove();
    EXPECT_EQ(ShownPicture(*w), 1);
    EXPECT_EQ(w->ui->Picture1->drawnArcCount(), 1);
    EXPECT_EQ(VisibleNeedles(*w), 4);
    ExpectNeedleAt(w->Line2, 180, "Line2");
    ExpectNeedleAt(w->Line4, 360, "Line4");

    // Each row: the pictures by index; Dead Zone runs backwards, widest band for step "3".
    const int damp[3] = {2, 3, 4}, hold[3] = {7, 6, 5}, punch[3] = {8, 9, 10}, row[3] = {2, 6, 10};
    for (int i = 0; i < 3; ++i) {
        w->Frame2_MouseMove();
        w->opt_Damp_MouseMove(i);
        EXPECT_EQ(ShownPicture(*w), damp[i]) << "opt_Damp " << i;
        EXPECT_EQ(VisibleNeedles(*w), 0);
        EXPECT_EQ(w->ui->Picture1->drawnArcCount(), 0) << "the picture covers the arc";
        w->Frame1_MouseMove();
        w->opt_Hold_MouseMove(i);
        EXPECT_EQ(ShownPicture(*w), hold[i]) << "opt_Hold " << i;
        EXPECT_EQ(VisibleNeedles(*w), 0);
        w->opt_Punch_MouseMove(i);
        EXPECT_EQ(ShownPicture(*w), punch[i]) << "opt_Punch " << i;
        w->Label3_MouseMove(i);
        EXPECT_EQ(ShownPicture(*w), row[i]) << "Label3 " << i;
    }
    // The Dead Zone label shows the middle picture whatever step is chosen.
    w->opt_Hold[2]->setChecked(true);
    w->Label3_MouseMove(1);
    EXPECT_EQ(ShownPicture(*w), 6);

    w->Frame2_MouseMove();
    w->Frame4_MouseMove();
    EXPECT_EQ(ShownPicture(*w), 2);
    EXPECT_EQ(VisibleNeedles(*w), 0);

    // The bare window clears the arc and hides the needles; the window's focus keeps them.
    w->Frame5_MouseMove();
    w->Form_MouseMove();
    EXPECT_EQ(ShownPicture(*w), 12);
    EXPECT_EQ(w->ui->Picture1->drawnArcCount(), 0);
    EXPECT_EQ(VisibleNeedles(*w), 0);
    w->Frame5_MouseMove();
    w->Form_GotFocus();
    EXPECT_EQ(ShownPicture(*w), 12);
    EXPECT_EQ(w->ui->Picture1->drawnArcCount(), 0);
    EXPECT_EQ(VisibleNeedles(*w), 4);
}

TEST_F(WindowTest, HoverEventsReachTheHandlersAndControlsWithoutOneChangeNothing) {
    StartWindow();
    MoveOver(w->opt_Punch[1]);
    EXPECT_EQ(ShownPicture(*w), 9);
    MoveOver(w->Label3[1]);
    EXPECT_EQ(ShownPicture(*w), 6);

    for (QWidget* quiet :
         {static_cast<QWidget*>(w->ui->cmd_Performance_hi),
          static_cast<QWidget*>(w->ui->cmd_Performance_low),
          static_cast<QWidget*>(w->opt_Special[0]), static_cast<QWidget*>(w->opt_Special[3]),
          static_cast<QWidget*>(w->ui->Picture1)}) {
        MoveOver(quiet);
        EXPECT_EQ(ShownPicture(*w), 6) << quiet->objectName().toStdString();
        EXPECT_EQ(VisibleNeedles(*w), 0) << quiet->objectName().toStdString();
    }
}

TEST_F(WindowTest, NeedlesMovedWhileHiddenShowAtTheirNewAnglesWithTheDial) {
    StartWindow();
    ASSERT_EQ(VisibleNeedles(*w), 0);

    frm_Set::PlaceNeedle(w->Line5, TestAngle(1515));
    w->ui->HScroll_Limit_max->setEnabled(true);
    ASSERT_TRUE(frm_Set::SetScrollValue(w->ui->HScroll_Limit_max, 199));
    EXPECT_EQ(VisibleNeedles(*w), 0) << "moving a needle does not show it";

    w->Frame2_MouseMove();
    EXPECT_EQ(VisibleNeedles(*w), 4);
    ExpectNeedleAt(w->Line5, -88, "Line5"); // 268.5 rounds to the even 268
    ExpectNeedleAt(w->Line4, 356, "Line4"); // 355.5 rounds to the even 356
}

TEST_F(WindowTest, CableViewKeepsOneWindowOnTopAndEveryWayOutUnloadsIt) {
    StartWindow();
    ASSERT_EQ(CableWindowCount(), 0);

    w->Cable_Click();
    QPointer<frmTip> first = w->cableWindow;
    ASSERT_TRUE(first);
    w->Cable_Click();
    EXPECT_EQ(w->cableWindow, first);
    EXPECT_EQ(CableWindowCount(), 1);

    EXPECT_TRUE(first->isVisible());
    EXPECT_FALSE(first->isModal());
    EXPECT_EQ(first->parentWidget(), nullptr);
    EXPECT_EQ(first->windowTitle(), QStringLiteral("QEL DATA  CABLE"));
    EXPECT_EQ(first->size(), QSize(302, 198));
    EXPECT_TRUE(first->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(first->ui->Picture1->pictureKey(), first->ImageList1.Picture(1).cacheKey());
    EXPECT_EQ(first->ImageList1.Picture(1).size(), QSize(295, 154));
    EXPECT_TRUE(first->ui->cmdOK->isDefault());
    EXPECT_EQ(first->ui->cmdOK->text(), QStringLiteral("OK"));
    EXPECT_EQ(first->ui->cmd_print->text(), QStringLiteral("Print"));
    // The settings window stays usable next to it.
    EXPECT_TRUE(w->isEnabled());

    PressKey(first, Qt::Key_Escape);
    FlushDeletes();
    EXPECT_FALSE(first) << "Esc unloads the window";
    EXPECT_FALSE(w->cableWindow);

    // Loaded again: its load handler shows the drawing and keeps it on top again.
    w->Cable_Click();
    QPointer<frmTip> second = w->cableWindow;
    ASSERT_TRUE(second);
    EXPECT_TRUE(second->isVisible());
    EXPECT_TRUE(second->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(second->ui->Picture1->pictureKey(), second->ImageList1.Picture(1).cacheKey());
    second->ui->cmdOK->setFocus();
    PressKey(second, Qt::Key_Return);
    FlushDeletes();
    EXPECT_FALSE(second) << "Enter presses OK";

    w->Cable_Click();
    QPointer<frmTip> third = w->cableWindow;
    ASSERT_TRUE(third);
    third->close();
    FlushDeletes();
    EXPECT_FALSE(third) << "closing by the title bar unloads it too";

    // A window still open goes with the settings window.
    w->Cable_Click();
    QPointer<frmTip> last = w->cableWindow;
    w.reset();
    EXPECT_FALSE(last);
    EXPECT_EQ(CableWindowCount(), 0);
}

TEST_F(WindowTest, PrintSendsOnePageAndAFailedJobSaysSo) {
    StartWindow();
    w->Cable_Click();
    QPointer<frmTip> tip = w->cableWindow;
    ASSERT_TRUE(tip);

    const QString pdf = dir.filePath("cable.pdf");
    SetPrintToFile(pdf);
    tip->ui->cmd_print->click();
    EXPECT_TRUE(boxes.empty());
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    EXPECT_EQ(PdfPageCount(bytes), 1);
    EXPECT_TRUE(tip) << "printing leaves the window open";

    // A job that cannot be written fails like a missing printer.
    SetPrintToFile(dir.filePath("no-such-dir/cable.pdf"));
    tip->ui->cmd_print->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Print error!"));
    EXPECT_EQ(boxes[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(boxes[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(boxes[0].title, QStringLiteral("Verrano"));

    // With the default printer and none installed, the same message.
    SetPrintToFile(QString());
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        tip->ui->cmd_print->click();
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_EQ(boxes[1].text, QStringLiteral("Print error!"));
    }
}

// The print system is asked off the window's thread: both windows go on taking events, the
// input guard applies as in any wait, and Exit ends a wait that would otherwise run its bound.
TEST_F(WindowTest, PrintWithAPrintServerThatDoesNotAnswerKeepsTheWindowsGoing) {
    StartWindow();
    w->show();
    w->Cable_Click();
    QPointer<frmTip> tip = w->cableWindow;
    ASSERT_TRUE(tip);
    std::vector<std::shared_ptr<FakePrintSystem>> systems;
    const auto install = [&] {
        systems.push_back(std::make_shared<FakePrintSystem>());
        SetPrintSystem(systems.back());
        return systems.back();
    };
    // Released, a stalled query ends; until the worker has let go of the fake, a new job waits.
    // Once it has, the test's own references are left: its variable, the list, the installed one.
    const auto workerGone = [](const std::shared_ptr<FakePrintSystem>& system) {
        system->release();
        return PumpUntil([&] { return system.use_count() <= 3; }, 6000);
    };
    struct Restore {
        std::vector<std::shared_ptr<FakePrintSystem>>& systems;
        ~Restore() {
            for (auto& s : systems)
                s->release();
            SetPrintSystem(nullptr);
        }
    } restore{systems};

    auto stalled = install();
    tip->printBoundMs = 300;
    int ticks = 0;
    bool guarded = true;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        ++ticks;
        guarded = guarded && w->guard.active();
    });
    timer.start(20);
    QElapsedTimer clock;
    clock.start();
    tip->ui->cmd_print->click();
    EXPECT_LT(clock.elapsed(), 3000);
    timer.stop();
    EXPECT_GE(ticks, 5) << "no events were taken while the printer was asked";
    EXPECT_TRUE(guarded);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Print error!"));
    ASSERT_TRUE(workerGone(stalled));
    EXPECT_EQ(stalled->pages, 0) << "a page the user was told had failed came out later";

    stalled = install();
    tip->printBoundMs = 60000;
    QTimer::singleShot(100, [&] { Click(w->ui->cmd_exit); });
    clock.restart();
    tip->ui->cmd_print->click();
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_TRUE(ended);
    EXPECT_EQ(boxes.size(), 1u) << "the program's end is no print error";
    EXPECT_TRUE(!tip || !tip->isVisible());
    ASSERT_TRUE(workerGone(stalled));
    EXPECT_EQ(stalled->pages, 0);
}

} // namespace verrano::test
