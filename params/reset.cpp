// The factory reset: the chosen model's 46-byte memory image written into the servo, address by
// address, then a read of the checksum address, which through the controller the controller's
// own read of its port follows.
#include <QAction>
#include <QLabel>
#include <array>
#include <optional>

#include "link/pure/packets.h"
#include "params/pure/factory_images.h"
#include "params/pure/step_tables.h"
#include "platform/message_box.h"
#include "ui_frm_Set.h"
#include "window/frm_Set.h"

namespace verrano {

namespace {

// A reset that stops part way leaves the servo's memory checksum unbalanced: tell the user and
// close the link as a disconnect does (which clears the status line, hence first).
void ResetFailed(frm_Set& w) {
    if (w.Comm.portOpen()) w.cmd_connect_Click();
    w.SetStatusText(QStringLiteral(" Servo Reset error!"));
    MsgBox(&w, QStringLiteral("Servo Reset error!"), MsgButtons::Ok, MsgIcon::Exclamation);
}

// One exchange of the reset: request, its answer, one pacing tick. False when no answer came or
// the program is ending.
bool Exchange(frm_Set& w, uint8_t command, uint8_t data1, uint8_t data2) {
    if (!w.Comm.portOpen()) return false;
    w.bReplyReady = false;
    w.SendServoPacket(command, data1, data2);
    if (w.ReplyWait() == frm_Set::WaitEnd::GaveUp) return false;
    w.bTickDone = false;
    w.TickPause();
    return !w.bUnloading;
}

} // namespace

void frm_Set::ServoReset_Click() {
    if (!Comm.portOpen()) {
        MsgBox(this, QStringLiteral("Not CommPort Open!"));
        return;
    }
    if (RxBuf[0] < kMinProgrammableVersion) {
        MsgBox(this, QStringLiteral("Servo ver-%1 not Reset !").arg(RxBuf[0]), MsgButtons::Ok,
               MsgIcon::Exclamation);
        return;
    }
    const QString prompt = ui->lab_motor_type->text() + QStringLiteral(" Servo Reset Program OK?");
    if (MsgBox(this, prompt, MsgButtons::YesNo, MsgIcon::None,
               QString::fromLatin1(kProgramTitle)) != MsgResult::Yes)
        return;
    // The box waits for the user; the program may have been told to end meanwhile.
    if (bUnloading) return;

    // The model comes from the menu's check marks, the first checked item in menu order.
    const std::array<QAction*, model::Count> items{ui->Tavrik, ui->Bellun, ui->Quorrin, ui->Dimmar};
    for (int i = 0; i < model::Count; ++i) {
        if (items[static_cast<std::size_t>(i)]->isChecked()) {
            MotorType = static_cast<uint8_t>(i);
            break;
        }
    }
    const ImageTexts* image = DefaultsFor(MotorType);
    if (image == nullptr) return ResetFailed(*this);
    DefaultParams = *image;

    // Every entry is converted before the first write, so a bad entry can't leave the servo
    // half reset.
    ServoImage bytes{};
    for (int a = 0; a < kImageSize; ++a) {
        const std::optional<uint8_t> b = ImageByte(DefaultParams[static_cast<std::size_t>(a)]);
        if (!b) return ResetFailed(*this);
        bytes[static_cast<std::size_t>(a)] = *b;
    }

    // Through the controller an answer still owed to a move would be taken for the first write's.
    TakeOwedAnswer();
    if (bUnloading) return;

    SetStatusText(QStringLiteral(" Wait! >>"));
    RxMode = reply::Ack;
    // The reset speaks to the servo directly on either route.
    for (int a = 0; a < kImageSize; ++a) {
        if (!Exchange(*this, cmd::Write, static_cast<uint8_t>(a),
                      bytes[static_cast<std::size_t>(a)])) {
            if (bUnloading) return;
            return ResetFailed(*this);
        }
        AppendStatus(QStringLiteral(">"));
    }

    // On the direct cable the read-back is what tells a servo from a cable with nothing on it: a
    // bare cable echoes every write as if it were acknowledged, but reads back 0 where the image
    // has its checksum.
    const uint8_t checksum = bytes[kImageChecksumAddress];
    RxBuf[1] = static_cast<uint8_t>(~checksum);
    RxMode = reply::ResetReadBack;
    if (!Exchange(*this, cmd::Read, kImageChecksumAddress, 0)) {
        if (bUnloading) return;
        return ResetFailed(*this);
    }
    if (CtrlMode != kRouteDirect) {
        // What a controller answers to a packet it forwards is its own affair, so nothing above
        // tells whether a servo took the image. Its own read of the port does: an empty port
        // answers 0, which no image holds as its checksum.
        const bool checksumReadBack = ReadsBack(kImageChecksumAddress, checksum);
        if (bUnloading) return;
        if (!checksumReadBack) return ResetFailed(*this);
    } else if (RxBuf[1] != checksum) {
        return ResetFailed(*this);
    }
    // The check byte of the next Servo Program balances the memory against the block the servo
    // holds, and that is now the image's. The window and the working block stay as they were.
    ParamRef = ImageBlock(bytes);
    // Whatever answers next answers a command of its own, never a version request.
    RxMode = reply::Ack;
    SetStatusText(QStringLiteral(" Servo Reset OK!"));
}

} // namespace verrano
