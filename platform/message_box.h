// Modal message boxes with OK or Yes/No, an optional exclamation icon and a title; answerable
// by tests through an injected answerer so that nothing blocks.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace verrano {

enum class MsgButtons { Ok, YesNo };
enum class MsgIcon { None, Exclamation };
enum class MsgResult { Ok, Yes, No };
// Which button Return presses: the first (OK, Yes) or the second (No).
enum class MsgDefault { First, Second };

struct MsgBoxRecord {
    QString text;
    QString title;
    MsgButtons buttons = MsgButtons::Ok;
    MsgIcon icon = MsgIcon::None;
    MsgDefault defaultButton = MsgDefault::First;
};

constexpr const char* kProgramTitle = "Verrano";

// Yes/No boxes have Yes as the default button unless defaultButton says No.
MsgResult MsgBox(QWidget* parent, const QString& text, MsgButtons buttons = MsgButtons::Ok,
                 MsgIcon icon = MsgIcon::None,
                 const QString& title = QString::fromLatin1(kProgramTitle),
                 MsgDefault defaultButton = MsgDefault::First);

// With an answerer set, no box is shown: the answerer sees the box and gives the answer.
using MsgBoxAnswerer = std::function<MsgResult(const MsgBoxRecord&)>;
void SetMsgBoxAnswerer(MsgBoxAnswerer answerer);

} // namespace verrano
