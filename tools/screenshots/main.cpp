// Renders the settings window and the cable window offscreen, connected to a virtual servo, and
// saves them as the README's pictures: verrano-screenshots <folder>.
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPixmap>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>

#include "platform/message_box.h"
#include "platform/resource_strings.h"
#include "ui_frm_Set.h"
#include "virtual_servo.h"
#include "window/frmTip.h"
#include "window/frm_Set.h"

namespace {

// Lets queued paints, late bytes and timers run before a picture is taken.
void Settle(int ms) {
    QElapsedTimer t;
    t.start();
    QTimer tick;
    tick.start(5);
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

bool Save(QWidget* widget, const QString& folder, const QString& name) {
    Settle(100);
    const QString path = QDir(folder).filePath(name);
    if (!widget->grab().save(path, "PNG", 9)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char** argv) {
    // Set before the application object exists, so no display is needed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Verrano"));
    if (argc < 2) {
        std::fprintf(stderr, "usage: verrano-screenshots <folder>\n");
        return 2;
    }
    const QString folder = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(folder));
        return 1;
    }

    // The window keeps its settings file in the working directory; a scratch one keeps the
    // caller's directory clean.
    QTemporaryDir scratch;
    if (!scratch.isValid() || !QDir::setCurrent(scratch.path())) {
        std::fprintf(stderr, "no scratch directory\n");
        return 1;
    }

    verrano::vs::VirtualServo servo;
    QString error;
    if (!servo.start(&error)) {
        std::fprintf(stderr, "virtual servo: %s\n", qPrintable(error));
        return 1;
    }
    servo.direct().memory = verrano::vs::VirtualServo::FactoryImage(0);
    qputenv("VERRANO_COM1", servo.devicePath().toLocal8Bit());

    // The README is in English; boxes are answered so nothing waits for a click.
    verrano::SetLanguageOverride(1033);
    verrano::SetMsgBoxAnswerer([](const verrano::MsgBoxRecord& box) {
        std::printf("message: %s\n", qPrintable(box.text));
        return box.buttons == verrano::MsgButtons::YesNo ? verrano::MsgResult::Yes
                                                         : verrano::MsgResult::Ok;
    });

    bool ok = true;
    {
        verrano::frm_Set w;
        w.onEnd = [] {};
        w.Form_Load();
        w.show();
        Settle(100);

        w.cmd_connect_Click();
        w.cmd_Servo_Read_Click();
        // A failed read would put a broken window in the README.
        if (!w.bParamsRead) {
            std::fprintf(stderr, "servo read failed: %s\n", qPrintable(w.StatusText()));
            return 1;
        }
        w.Form_MouseMove();
        ok &= Save(&w, folder, QStringLiteral("window.png"));

        w.opt_Punch_MouseMove(1);
        ok &= Save(&w, folder, QStringLiteral("window-help-picture.png"));

        // Moved trims and a test move, so the needles spread apart from their start positions.
        verrano::frm_Set::SetScrollValue(w.ui->HScroll_zero, -200);
        verrano::frm_Set::SetScrollValue(w.ui->HScroll_Limit_max, 215);
        w.cmd_move_55_Click();
        Settle(50);
        w.Frame2_MouseMove();
        ok &= Save(&w, folder, QStringLiteral("window-dial.png"));

        w.Brevak_Control_Click();
        Settle(200);
        ok &= Save(&w, folder, QStringLiteral("window-controller.png"));

        w.Cable_Click();
        if (w.cableWindow)
            ok &= Save(w.cableWindow, folder, QStringLiteral("cable-window.png"));
        else
            ok = false;
    }

    verrano::SetMsgBoxAnswerer(nullptr);
    return ok ? 0 : 1;
}
