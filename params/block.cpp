// Filling the working parameter block from the window before programming, and showing a flags
// byte as the direction.
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>

#include "params/pure/param_block.h"
#include "ui_frm_Set.h"
#include "window/frm_Set.h"

namespace verrano {

void frm_Set::BuildParamBlock() {
    const int zero = ui->HScroll_zero->value();
    ui->txt_zero->setText(QString::number(zero));
    const auto [high, low] = EncodeCentreTrim(zero);
    ParamBlock[block::ZeroHigh] = high;
    ParamBlock[block::ZeroLow] = low;

    ParamBlock[block::LimitLeft] = static_cast<uint8_t>(ui->HScroll_Limit_min->value());
    ParamBlock[block::LimitRight] = static_cast<uint8_t>(ui->HScroll_Limit_max->value());

    // Only the shown set follows the option buttons; the other two go out as the block holds them.
    SetDampParam();
    SetHoldParam();
    SetPunchParam();

    // Bits 1..7 are the servo's own and pass through from the last decoded flags byte.
    FlagBits[0] = opt_dir[0]->isChecked() ? 1 : 0;
    FlagByte = EncodeFlags(FlagBits);
    ParamBlock[block::Flags] = FlagByte;

    // The ID text is written only from HScroll_id (0..127); should it ever hold something else,
    // the scroll bar it mirrors is the value to trust.
    bool ok = false;
    const int id = ui->txt_id->text().trimmed().toInt(&ok);
    ParamBlock[block::Id] =
        static_cast<uint8_t>(ok && id >= 0 && id <= kIdMax ? id : ui->HScroll_id->value());

    ParamBlock[block::Check] = CheckByte(ParamRef, ParamBlock);
}

void frm_Set::ShowDirection(uint8_t flagByte) {
    FlagByte = flagByte;
    FlagBits = DecodeFlags(flagByte);
    // opt_dir has no handler: selecting a direction sends nothing.
    opt_dir[FlagBits[0] == 1 ? 0 : 1]->setChecked(true);
}

} // namespace verrano
