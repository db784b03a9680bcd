// Parameter files: saving the working block, and loading one into the block and the window.
#include <QFileInfo>
#include <QScrollBar>
#include <string>

#include "params/pure/param_block.h"
#include "params/pure/param_file.h"
#include "platform/message_box.h"
#include "platform/plain_file.h"
#include "ui_frm_Set.h"
#include "window/frm_Set.h"

namespace verrano {

namespace {

const QString kFilter = QStringLiteral("QEL Servo set (*.qel)|*.qel");

// A parameter file is a few hundred bytes; anything far larger is not one, and reading it whole
// would only cost memory.
constexpr qint64 kMaxParamFileBytes = 64 * 1024;

void LoadFailed(frm_Set& w) {
    MsgBox(&w, QStringLiteral("File Load error!"), MsgButtons::Ok, MsgIcon::Exclamation);
}

// The window can show the block only when its centre trim and limits fit their scroll bars.
bool Showable(const ParamBytes& block) {
    const int zero = DecodeCentreTrim(block[block::ZeroHigh], block[block::ZeroLow]);
    const auto limitFits = [](int v) { return v >= kLimitMin && v <= kLimitMax; };
    return zero >= kZeroMin && zero <= kZeroMax && limitFits(block[block::LimitLeft]) &&
           limitFits(block[block::LimitRight]);
}

} // namespace

void frm_Set::save_Click() {
    CMMD.Filter = kFilter;
    // Without its extension the file would not show in the open dialog's filter.
    CMMD.DefaultExt = QStringLiteral("qel");
    CMMD.ShowSave(this);
    const QString path = CMMD.FileName.trimmed();
    if (path.isEmpty()) return;
    const QString title = CMMD.FileTitle;

    // Written beside the old file and swapped in whole, so a failed save leaves it intact. A
    // folder that takes no new files can still hold one the user may replace: that file is then
    // written in place.
    const std::string text = FormatParamFile(ParamBlock);
    if (!SavePlainFile(path, QByteArray(text.data(), static_cast<qsizetype>(text.size())), true)) {
        MsgBox(this, QStringLiteral("File Save error!"));
        return;
    }
    SetStatusText(title + QStringLiteral(" - Save OK"));
}

void frm_Set::open_Click() {
    CMMD.Filter = kFilter;
    CMMD.ShowOpen(this);
    const QString path = CMMD.FileName.trimmed();
    if (path.isEmpty()) return;
    const QString title = CMMD.FileTitle.isEmpty() ? QFileInfo(path).fileName() : CMMD.FileTitle;

    // Anything but a regular file (a FIFO would wait for a writer) is refused like an unreadable
    // one, before it is opened.
    QByteArray bytes;
    if (!ReadPlainFile(path, kMaxParamFileBytes, &bytes) || bytes.size() > kMaxParamFileBytes)
        return LoadFailed(*this);

    // The whole file is checked before anything changes, so a bad file leaves the block and the
    // window exactly as they were.
    const ParamFileParse parse =
        ParseParamFile(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (parse.error != ParamFileParse::Error::None) return LoadFailed(*this);
    ParamBytes loaded = ParamBlock; // a short file keeps the entries beyond its last field
    for (std::size_t k = 0; k < parse.values.size() && k < loaded.size(); ++k)
        loaded[k] = parse.values[k];
    if (!Showable(loaded)) return LoadFailed(*this);

    ParamBlock = loaded;
    ShowLoadedParams();
    if (bUnloading) return;
    SetStatusText(title + QStringLiteral(" - Load OK!"));
}

void frm_Set::ShowLoadedParams() {
    // Each value shown raises its control's handler (live trims, option picks). open_Click has
    // checked that the values fit; a bar that refuses one stops the showing here.
    const int zero = DecodeCentreTrim(ParamBlock[block::ZeroHigh], ParamBlock[block::ZeroLow]);
    if (!SetScrollValue(ui->HScroll_zero, zero) || bUnloading) return;
    if (!SetScrollValue(ui->HScroll_Limit_min, ParamBlock[block::LimitLeft]) || bUnloading) return;
    if (!SetScrollValue(ui->HScroll_Limit_max, ParamBlock[block::LimitRight]) || bUnloading) return;
    ShowParamOptions();
    if (bUnloading) return;
    ShowDirection(ParamBlock[block::Flags]);
}

} // namespace verrano
