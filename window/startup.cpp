// Start-up of the settings window (Form_Load) and the one exit procedure that ends the program.
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRadioButton>
#include <QScrollBar>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "link/pure/packets.h"
#include "params/pure/factory_images.h"
#include "platform/exit_signals.h"
#include "platform/message_box.h"
#include "platform/window_placement.h"
#include "ui_frm_Set.h"
#include "window/frmTip.h"
#include "window/frm_Set.h"
#include "window/pure/settings_file.h"

namespace verrano {

namespace {
constexpr int kPortCount = 16;
} // namespace

void frm_Set::Form_Load() {
    LocalizeForm();

    DialStartup();

    // List index i - 1 holds port i; nothing is selected until the settings say so.
    for (int i = 1; i <= kPortCount; ++i)
        ui->Combo1->addItem(QStringLiteral("COM%1").arg(i));
    ui->Combo1->setCurrentIndex(-1);

    // CtrlMode is still 0 here, so this is the direct route's size.
    ResizeForRoute();

    if (FYFileFine(QString::fromLatin1(kSettingsFileName)))
        LoadSystemSettings();
    else
        WriteDefaultSettings();

    // Each test on its own: with no class selected RepeatTick keeps its value.
    if (opt_time[0]->isChecked()) RepeatTick = 10;
    if (opt_time[1]->isChecked()) RepeatTick = 40;
    if (opt_time[2]->isChecked()) RepeatTick = 100;

    setWindowTitle(windowTitle() + QStringLiteral(" - v ") +
                   QString::number(VERRANO_VERSION_MAJOR) + QLatin1Char('.') +
                   QString::number(VERRANO_VERSION_MINOR) + QLatin1Char('.') +
                   QString::number(VERRANO_VERSION_PATCH));

    // A saved model code that names no model: the menu still has its design check on Tavrik.
    if (MotorType > 3) MotorType = 0;

    PerfLevel = 1;

    InitModelDefaults();

    ui->HScroll_Limit_max->setEnabled(false);
    ui->HScroll_Limit_min->setEnabled(false);
    ui->HScroll_zero->setEnabled(false);

    MakeTopmost(this);

    bCtrlServoLinked = false;

    // The port is closed, so this only sets the menu, the position controls and the size.
    if (CtrlMode != 0)
        Brevak_Control_Click();
    else
        PC_Control_Click();
}

void frm_Set::cmd_exit_Click() {
    // The close box, the button and the menu item can all arrive while a wait processes events;
    // the first one ends the program, the others find nothing left to do.
    if (bUnloading) return;
    bUnloading = true;

    if (Comm.portOpen()) {
        // Always the direct packet, whatever the route; no reply is awaited.
        RxMode = reply::Ack;
        SendServoPacket(0xEF, 0, 0);
        Comm.setPortOpen(false);
    }

    errno = 0;
    const bool saved = SaveSystemSettings();
    const int reason = errno;
    // The link is closed and the file written or given up: what is left ends the program or
    // waits for the user, so a signal from now on ends the program rather than wait.
    ExitSignals::EndAtNextSignal();
    if (!saved) {
        if (ExitSignals::Requested()) {
            // The session is ending (a logout, a service manager): nobody is there to answer a
            // box, so the failure goes where such a session's messages are kept.
            std::fprintf(stderr, "verrano: cannot write %s: %s\n",
                         QFile::encodeName(
                             QFileInfo(QString::fromLatin1(kSettingsFileName)).absoluteFilePath())
                             .constData(),
                         reason != 0 ? std::strerror(reason) : "not written");
        } else {
            MsgBox(this, QStringLiteral("zosys.dat save error!"), MsgButtons::Ok,
                   MsgIcon::Exclamation);
        }
    }

    // Every window goes with the program, the cable window too.
    if (cableWindow) cableWindow->close();

    if (onEnd) {
        onEnd();
        return;
    }
    hide();
    QCoreApplication::exit(0);
}

void frm_Set::Exit_Click() {
    cmd_exit_Click();
}

bool frm_Set::FYFileFine(const QString& fileName) {
    return FileExists(fileName);
}

} // namespace verrano
