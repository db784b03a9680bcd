// Window tests of BuildParamBlock: the block rebuilt from the window, the centre-trim and flags
// encodings, where the ID comes from, and the check byte against the block as read.
#include <numeric>

#include "params_support.h"

namespace verrano::test {
namespace {

class ParamsBlock : public ParamsTest {};

unsigned SumMod256(const ParamBytes& b) {
    return std::accumulate(b.begin(), b.end(), 0u) % 256;
}

TEST_F(ParamsBlock, ReproducesTheBlockAsRead) {
    StartDirect();
    w->cmd_Servo_Read_Click();
    ASSERT_EQ(w->StatusText(), " Servo Read OK!");
    ASSERT_EQ(w->ParamRef, kServoBlock);
    w->ParamBlock.fill(0xAA);
    // Sets 2 and 3 go out as the block holds them; everything else comes from the window.
    for (std::size_t i = 11; i < kServoBlock.size(); ++i)
        w->ParamBlock[i] = kServoBlock[i];
    w->BuildParamBlock();
    EXPECT_EQ(w->ParamBlock, kServoBlock);
}

TEST_F(ParamsBlock, EncodesTrimFlagsAndIdFromTheWindow) {
    StartWindow();
    auto* zero = Find<QScrollBar>("HScroll_zero");
    auto* txtZero = Find<QLineEdit>("txt_zero");
    const std::pair<int, std::pair<uint8_t, uint8_t>> trims[] = {
        {-200, {0xFF, 0x38}}, {-1, {0xFF, 0xFF}}, {0, {0x00, 0x00}}, {200, {0x00, 0xC8}}};
    for (const auto& [value, bytes] : trims) {
        ASSERT_TRUE(frm_Set::SetScrollValue(zero, value));
        w->BuildParamBlock();
        EXPECT_EQ(w->ParamBlock[0], bytes.first) << value;
        EXPECT_EQ(w->ParamBlock[1], bytes.second) << value;
        EXPECT_EQ(txtZero->text(), QString::number(value));
    }

    // Bits 1..7 are 0 while no flags byte was ever decoded.
    w->opt_dir[1]->setChecked(true);
    w->BuildParamBlock();
    EXPECT_EQ(w->ParamBlock[8], 0);
    w->opt_dir[0]->setChecked(true);
    w->BuildParamBlock();
    EXPECT_EQ(w->ParamBlock[8], 1);

    // Flags 41 decoded shows Normal; rebuilt as 41 with Normal and 40 with Reverse.
    w->ShowDirection(41);
    EXPECT_TRUE(w->opt_dir[0]->isChecked());
    w->BuildParamBlock();
    EXPECT_EQ(w->ParamBlock[8], 41);
    w->opt_dir[1]->setChecked(true);
    w->BuildParamBlock();
    EXPECT_EQ(w->ParamBlock[8], 40);
    w->ShowDirection(40);
    EXPECT_TRUE(w->opt_dir[1]->isChecked());

    // The ID comes from the window, not from the block.
    w->ParamBlock[9] = 77;
    ASSERT_TRUE(frm_Set::SetScrollValue(Find<QScrollBar>("HScroll_id"), 5));
    EXPECT_EQ(Find<QLineEdit>("txt_id")->text(), "5");
    w->BuildParamBlock();
    EXPECT_EQ(w->ParamBlock[9], 5);

    // Limits straight from their bars.
    ASSERT_TRUE(frm_Set::SetScrollValue(Find<QScrollBar>("HScroll_Limit_min"), 170));
    ASSERT_TRUE(frm_Set::SetScrollValue(Find<QScrollBar>("HScroll_Limit_max"), 230));
    w->BuildParamBlock();
    EXPECT_EQ(w->ParamBlock[2], 170);
    EXPECT_EQ(w->ParamBlock[3], 230);
}

TEST_F(ParamsBlock, CheckByteKeepsTheSumOfTheBlockAsRead) {
    StartWindow();
    // The block as read sums to 1000 (232 modulo 256).
    w->ParamRef.fill(0);
    w->ParamRef[0] = 250;
    w->ParamRef[2] = 250;
    w->ParamRef[3] = 250;
    w->ParamRef[4] = 250;
    ASSERT_EQ(SumMod256(w->ParamRef), 232u);
    w->BuildParamBlock();
    EXPECT_EQ(SumMod256(w->ParamBlock), 232u);

    // Only the shown set follows the options; the other sets stay as the block holds them.
    w->PerfLevel = 2;
    w->ParamBlock[4] = 1;
    w->ParamBlock[15] = 99;
    w->ParamBlock[18] = 98;
    w->BuildParamBlock();
    EXPECT_EQ(w->ParamBlock[4], 1);
    EXPECT_EQ(w->ParamBlock[11], 30); // Tavrik D-Gain "2"
    EXPECT_EQ(w->ParamBlock[15], 99);
    EXPECT_EQ(w->ParamBlock[18], 98);
    EXPECT_EQ(SumMod256(w->ParamBlock), 232u);
}

} // namespace
} // namespace verrano::test
