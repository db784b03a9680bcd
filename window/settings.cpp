// The system settings file "zosys.dat": reading and applying it at start-up, writing it whole.
#include <QByteArray>
#include <QComboBox>
#include <QRadioButton>
#include <string>
#include <string_view>

#include "platform/message_box.h"
#include "platform/plain_file.h"
#include "ui_frm_Set.h"
#include "window/frm_Set.h"
#include "window/pure/settings_file.h"

namespace verrano {

namespace {

// A file written by this program is 46 to 60 bytes; anything far larger is not one of ours and
// only its first lines would count anyway.
constexpr qint64 kMaxSettingsBytes = 64 * 1024;

// Replaced whole or not at all, so a full disk or a crash in the middle never leaves a truncated
// settings file behind; something that isn't a regular file of that name is never replaced.
bool WriteSettingsFile(const SystemSettings& settings) {
    const std::string text = FormatSystemSettings(settings);
    return SavePlainFile(QString::fromLatin1(kSettingsFileName),
                         QByteArray(text.data(), static_cast<qsizetype>(text.size())));
}

// Assigning True raises the button's click even when it is already the selected one (Qt only
// signals a change), so the handler's state is set up either way.
void AssignOption(frm_Set& w, QRadioButton* button, bool value, void (frm_Set::*click)(int),
                  int index) {
    const bool wasSelected = button->isChecked();
    frm_Set::SetOptionValue(button, value);
    if (value && wasSelected) (w.*click)(index);
}

void WarnSaveFailed(QWidget* parent) {
    MsgBox(parent, QStringLiteral("zosys.dat save error!"), MsgButtons::Ok, MsgIcon::Exclamation);
}

} // namespace

void frm_Set::LoadSystemSettings() {
    SystemSettings s = DefaultSystemSettings();
    // A file that exists but can't be read (no permission, a FIFO or a directory of that name)
    // starts the program with the defaults; it is not overwritten here.
    QByteArray bytes;
    if (ReadPlainFile(QString::fromLatin1(kSettingsFileName), kMaxSettingsBytes, &bytes)) {
        bytes.truncate(kMaxSettingsBytes);
        s = ParseSystemSettings(std::string_view(bytes.constData(), bytes.size())).settings;
    }

    // The port list has no handler: assigning the index only selects (or, with -1, clears).
    ui->Combo1->setCurrentIndex(s.portIndex);

    // One exclusive group, set in line order; True raises opt_time_Click.
    AssignOption(*this, opt_time[0], s.timeHigh, &frm_Set::opt_time_Click, 0);
    AssignOption(*this, opt_time[1], s.timeMid, &frm_Set::opt_time_Click, 1);
    AssignOption(*this, opt_time[2], s.timeLow, &frm_Set::opt_time_Click, 2);

    CtrlMode = static_cast<uint8_t>(s.ctrlMode);
    CtrlServoPort = static_cast<uint8_t>(s.ctrlServoPort);
    MotorType = static_cast<uint8_t>(s.motorType);

    switch (MotorType) {
    case 0:
        Tavrik_Click();
        break;
    case 1:
        Bellun_Click();
        break;
    case 2:
        Quorrin_Click();
        break;
    case 3:
        Dimmar_Click();
        break;
    default:
        break; // no such model: start-up falls back to Tavrik
    }

    if (CtrlMode != 0)
        Brevak_Control_Click();
    else
        PC_Control_Click();

    // Raises opt_servo_Click, which takes the port index back into CtrlServoPort.
    AssignOption(*this, opt_servo[CtrlServoPort], true, &frm_Set::opt_servo_Click, CtrlServoPort);
}

bool frm_Set::SaveSystemSettings() {
    SystemSettings s;
    s.portIndex = ui->Combo1->currentIndex();
    s.timeHigh = opt_time[0]->isChecked();
    s.timeMid = opt_time[1]->isChecked();
    s.timeLow = opt_time[2]->isChecked();
    s.ctrlMode = CtrlMode;
    s.ctrlServoPort = CtrlServoPort;
    s.motorType = MotorType;
    return WriteSettingsFile(s);
}

void frm_Set::SaveSystemSettingsOrWarn() {
    if (!SaveSystemSettings()) WarnSaveFailed(this);
}

void frm_Set::WriteDefaultSettings() {
    ui->Combo1->setCurrentIndex(0);
    AssignOption(*this, opt_time[1], true, &frm_Set::opt_time_Click, 1);
    // The file holds the fixed defaults, not the window's state; no route, port or model handler
    // runs, so those controls keep their design state.
    if (!WriteSettingsFile(DefaultSystemSettings())) WarnSaveFailed(this);
    CtrlMode = 0;
    CtrlServoPort = 0;
}

} // namespace verrano
