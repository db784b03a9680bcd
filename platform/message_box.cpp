// Modal message boxes over QMessageBox, with an answerer that stands in for the user in tests.
#include "platform/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "platform/window_placement.h"

namespace verrano {

namespace {

MsgBoxAnswerer& Answerer() {
    static MsgBoxAnswerer answerer;
    return answerer;
}

// The answer when nobody can be asked: the harmless one.
MsgResult NoAnswer(MsgButtons buttons) {
    return buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Ok;
}

} // namespace

void SetMsgBoxAnswerer(MsgBoxAnswerer answerer) {
    Answerer() = std::move(answerer);
}

MsgResult MsgBox(QWidget* parent, const QString& text, MsgButtons buttons, MsgIcon icon,
                 const QString& title, MsgDefault defaultButton) {
    if (Answerer()) return Answerer()(MsgBoxRecord{text, title, buttons, icon, defaultButton});

    if (QCoreApplication::closingDown() ||
        !qobject_cast<QApplication*>(QCoreApplication::instance()))
        return NoAnswer(buttons);

    QMessageBox box(icon == MsgIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                    title, text, QMessageBox::NoButton, parent);
    if (buttons == MsgButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(defaultButton == MsgDefault::Second ? QMessageBox::No
                                                                 : QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
    const int answer = box.exec();
    ReactivateOwner(parent);
    if (buttons == MsgButtons::Ok) return MsgResult::Ok;
    return answer == QMessageBox::Yes ? MsgResult::Yes : MsgResult::No;
}

} // namespace verrano
