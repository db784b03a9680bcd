// Tests of the string table resource, its loader and the two id readings.
#include "window/pure/string_table.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace verrano;

namespace {
StringTable LoadResource() {
    std::ifstream in(std::string(VERRANO_SOURCE_DIR) + "/resources/strings.tsv", std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    StringTable table;
    std::string error;
    EXPECT_TRUE(table.Parse(buffer.str(), &error)) << error;
    return table;
}
} // namespace

TEST(StringTable, ResourceHoldsEveryIdInThreeLanguages) {
    const StringTable table = LoadResource();
    EXPECT_EQ(table.Size(), 52u * 3u);
    for (int id = 101; id <= 152; ++id) {
        const auto en = table.Lookup(id, lang::English);
        const auto ja = table.Lookup(id, lang::Japanese);
        const auto ko = table.Lookup(id, lang::Korean);
        ASSERT_TRUE(en && ja && ko) << id;
        EXPECT_EQ(*en, *ja) << id;
        EXPECT_FALSE(ko->empty()) << id;
    }
    EXPECT_EQ(table.Lookup(99, lang::English), std::nullopt);
    EXPECT_EQ(table.Lookup(153, lang::Korean), std::nullopt);
    EXPECT_EQ(table.Lookup(114, 1031), std::nullopt);
}

TEST(StringTable, TextsStandExactly) {
    const StringTable table = LoadResource();
    const auto en = [&](int id) { return table.Lookup(id, lang::English).value_or("?"); };
    const auto ko = [&](int id) { return table.Lookup(id, lang::Korean).value_or("?"); };
    EXPECT_EQ(en(114), "Exit");
    EXPECT_EQ(ko(114), "프로그램종료");
    EXPECT_EQ(en(131), "Usb to serial 1.1");
    EXPECT_EQ(ko(131), "통신속도 usb to serial 1.0");
    EXPECT_EQ(en(134), "Servo Parameter Program");
    // Doubled and trailing blanks are part of the texts.
    EXPECT_EQ(en(117), "ComPort Select ");
    EXPECT_EQ(en(120), "Parameter File Open ");
    EXPECT_EQ(en(147), "Servo  Move Repeat ");
    EXPECT_EQ(en(125), "Servo Mid  Position Setting");
    EXPECT_EQ(en(136), "Servo Mid  Position Setting");
    EXPECT_EQ(en(141), "Servo Left  90 Degree  Position Setting");
    EXPECT_EQ(en(145), "Servo Right 90 Degree  Position Setting");
    EXPECT_EQ(en(148), "Servo  Right Move Limit Repeat");
    EXPECT_EQ(en(104), "Right Limt");
    EXPECT_EQ(en(151), "Servo ID Setting (0~ 127)");
    EXPECT_EQ(ko(140), "서보모터제어반대방향 -전원 재부팅 후 적용");
    EXPECT_EQ(ko(152), "모터 아이디설정");
}

TEST(StringTable, ParserRules) {
    StringTable t;
    std::string error;
    EXPECT_TRUE(t.Parse("\xEF\xBB\xBF# comment\r\n\r\n1\t1033\t a\tb \r\n2\t1042\t\n", &error));
    EXPECT_EQ(t.Lookup(1, 1033), " a\tb ");
    EXPECT_EQ(t.Lookup(2, 1042), "");
    EXPECT_FALSE(t.Parse("3\t1033\tok\nfour\t1033\tx\n5\t1033\ty\n", &error));
    EXPECT_NE(error.find("line 2"), std::string::npos) << error;
    EXPECT_EQ(t.Lookup(3, 1033), "ok"); // rows before the bad one stay
    EXPECT_EQ(t.Lookup(5, 1033), std::nullopt);
    EXPECT_FALSE(t.Parse("6\t1033\n"));
    EXPECT_FALSE(t.Parse("1\t1033\tagain\n")); // duplicate of an entry already held
}

TEST(StringTable, StrictNumber) {
    EXPECT_EQ(StrictNumber("134"), 134);
    EXPECT_EQ(StrictNumber(" 134 "), 134);
    EXPECT_EQ(StrictNumber("-5"), -5);
    EXPECT_EQ(StrictNumber("2.5"), 2);
    EXPECT_EQ(StrictNumber("3.5"), 4);
    EXPECT_EQ(StrictNumber("32767"), 32767);
    EXPECT_EQ(StrictNumber("-32768"), -32768);
    EXPECT_EQ(StrictNumber("32768"), std::nullopt);
    EXPECT_EQ(StrictNumber("32767.5"), std::nullopt);
    EXPECT_EQ(StrictNumber(""), std::nullopt);
    EXPECT_EQ(StrictNumber("File"), std::nullopt);
    EXPECT_EQ(StrictNumber("-"), std::nullopt);
    EXPECT_EQ(StrictNumber("134x"), std::nullopt);
}

TEST(StringTable, LeadingNumber) {
    EXPECT_EQ(LeadingNumber("134"), 134);
    EXPECT_EQ(LeadingNumber("134 Servo"), 134);
    EXPECT_EQ(LeadingNumber("134abc"), 134);
    EXPECT_EQ(LeadingNumber(" \t1 3\n4."), 134);
    EXPECT_EQ(LeadingNumber(""), 0);
    EXPECT_EQ(LeadingNumber("Exit"), 0);
    EXPECT_EQ(LeadingNumber("-"), 0);
    EXPECT_EQ(LeadingNumber("0"), 0);
    EXPECT_EQ(LeadingNumber("-7z"), -7);
    EXPECT_EQ(LeadingNumber("2.5.1"), 2);
    EXPECT_EQ(LeadingNumber("0.5"), 0);
    EXPECT_EQ(LeadingNumber("1.5"), 2);
    EXPECT_EQ(LeadingNumber("40000"), std::nullopt);
    EXPECT_EQ(LeadingNumber(std::string(400, '9')), std::nullopt);
}
