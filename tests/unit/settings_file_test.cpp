// Tests of the system settings file: its exact text, and the reader on short and damaged files.
#include "window/pure/settings_file.h"

#include <gtest/gtest.h>

using namespace verrano;

namespace {
void ExpectSame(const SystemSettings& a, const SystemSettings& b) {
    EXPECT_EQ(a.portIndex, b.portIndex);
    EXPECT_EQ(a.timeHigh, b.timeHigh);
    EXPECT_EQ(a.timeMid, b.timeMid);
    EXPECT_EQ(a.timeLow, b.timeLow);
    EXPECT_EQ(a.ctrlMode, b.ctrlMode);
    EXPECT_EQ(a.ctrlServoPort, b.ctrlServoPort);
    EXPECT_EQ(a.motorType, b.motorType);
}
} // namespace

TEST(SettingsFile, DefaultContentIs46Bytes) {
    const std::string text = FormatSystemSettings(DefaultSystemSettings());
    EXPECT_EQ(text, "\"0\"\r\n\"False\"\r\n\"True\"\r\n\"False\"\r\n\"0\"\r\n\"0\"\r\n\"0\"\r\n");
    EXPECT_EQ(text.size(), 46u);
    const SettingsParse back = ParseSystemSettings(text);
    ExpectSame(back.settings, DefaultSystemSettings());
    EXPECT_TRUE(back.replacedLines.empty());
    EXPECT_FALSE(back.timingFallback);
}

TEST(SettingsFile, Com3LowBellun) {
    SystemSettings s;
    s.portIndex = 2;
    s.timeMid = false;
    s.timeLow = true;
    s.motorType = 1;
    const std::string text = FormatSystemSettings(s);
    EXPECT_EQ(text, "\"2\"\r\n\"False\"\r\n\"False\"\r\n\"True\"\r\n\"0\"\r\n\"0\"\r\n\"1\"\r\n");
    ExpectSame(ParseSystemSettings(text).settings, s);

    SystemSettings c;
    c.portIndex = -1;
    c.ctrlMode = 1;
    c.ctrlServoPort = 23;
    c.timeMid = false;
    c.timeHigh = true;
    const SettingsParse back = ParseSystemSettings(FormatSystemSettings(c));
    ExpectSame(back.settings, c);
    EXPECT_TRUE(back.replacedLines.empty());

    // As an editor that writes a byte-order mark first saves it.
    const SettingsParse marked = ParseSystemSettings("\xEF\xBB\xBF" + text);
    ExpectSame(marked.settings, s);
    EXPECT_TRUE(marked.replacedLines.empty());
}

TEST(SettingsFile, ShortFilesCountMissingLinesAsEmpty) {
    // Three lines: COM3, High False, Mid True; the rest read as empty.
    const SettingsParse three = ParseSystemSettings("\"2\"\r\n\"False\"\r\n\"True\"\r\n");
    EXPECT_EQ(three.settings.portIndex, 2);
    EXPECT_TRUE(three.settings.timeMid);
    EXPECT_FALSE(three.settings.timeLow);
    EXPECT_EQ(three.settings.ctrlMode, 0);
    EXPECT_EQ(three.settings.ctrlServoPort, 0);
    EXPECT_EQ(three.settings.motorType, 0);
    EXPECT_TRUE(three.replacedLines.empty());
    EXPECT_FALSE(three.timingFallback);

    // Two lines leave no timing class: "Mid" is chosen, and that is reported.
    const SettingsParse two = ParseSystemSettings("\"5\"\r\n\"False\"\r\n");
    EXPECT_EQ(two.settings.portIndex, 5);
    EXPECT_TRUE(two.timingFallback);
    EXPECT_TRUE(two.settings.timeMid);
    EXPECT_FALSE(two.settings.timeHigh);

    const SettingsParse empty = ParseSystemSettings("");
    EXPECT_EQ(empty.settings.portIndex, 0);
    EXPECT_TRUE(empty.timingFallback);
    EXPECT_TRUE(empty.replacedLines.empty());
}

TEST(SettingsFile, KeepsUnknownModelCodes) {
    const SettingsParse r = ParseSystemSettings(
        "\"0\"\r\n\"False\"\r\n\"True\"\r\n\"False\"\r\n\"0\"\r\n\"0\"\r\n\"9\"\r\n");
    EXPECT_EQ(r.settings.motorType, 9);
    EXPECT_TRUE(r.replacedLines.empty());
}

TEST(SettingsFile, KeepsEveryRouteByte) {
    // The route line is a byte: 0 is the direct route, anything else the controller.
    for (const char* route : {"1", "2", "128", "255"}) {
        const std::string text = std::string("\"0\"\r\n\"False\"\r\n\"True\"\r\n\"False\"\r\n\"") +
                                 route + "\"\r\n\"0\"\r\n\"0\"\r\n";
        const SettingsParse r = ParseSystemSettings(text);
        EXPECT_EQ(r.settings.ctrlMode, std::stoi(route)) << route;
        EXPECT_TRUE(r.replacedLines.empty()) << route;
    }
}

TEST(SettingsFile, ReplacesValuesItCannotTake) {
    const SettingsParse r = ParseSystemSettings(
        "\"16\"\r\n\"maybe\"\r\n\"\"\r\n\"yes\"\r\n\"256\"\r\n\"24\"\r\n\"256\"\r\n");
    EXPECT_EQ(r.replacedLines, (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
    ExpectSame(r.settings, DefaultSystemSettings());
    EXPECT_FALSE(r.timingFallback); // line 3 fell back to its default "True"

    const SettingsParse neg = ParseSystemSettings(
        "\"-2\"\r\n\"False\"\r\n\"False\"\r\n\"True\"\r\n\"-1\"\r\n\"x\"\r\n\"-1\"\r\n");
    EXPECT_EQ(neg.replacedLines, (std::vector<int>{1, 5, 6, 7}));
    EXPECT_EQ(neg.settings.portIndex, 0);
    EXPECT_TRUE(neg.settings.timeLow);
    EXPECT_EQ(neg.settings.motorType, 0);
}

TEST(SettingsFile, TruthValuesAndTimingGroup) {
    // Any letter case, and numbers as the platform reads them.
    const SettingsParse r = ParseSystemSettings(
        "\"15\"\r\n\"TRUE\"\r\n\"false\"\r\n\"0\"\r\n\"1\"\r\n\"23\"\r\n\"3\"\r\n");
    EXPECT_TRUE(r.replacedLines.empty());
    EXPECT_TRUE(r.settings.timeHigh);
    EXPECT_FALSE(r.settings.timeMid);
    EXPECT_EQ(r.settings.portIndex, 15);
    EXPECT_EQ(r.settings.ctrlMode, 1);
    EXPECT_EQ(r.settings.ctrlServoPort, 23);
    EXPECT_EQ(r.settings.motorType, 3);

    // More than one "True": the group keeps the last, as applying the lines in order does.
    const SettingsParse many = ParseSystemSettings("\"0\"\r\n\"True\"\r\n\"-1\"\r\n\"False\"\r\n");
    EXPECT_FALSE(many.settings.timeHigh);
    EXPECT_TRUE(many.settings.timeMid);
    EXPECT_FALSE(many.settings.timeLow);
    EXPECT_FALSE(many.timingFallback);

    // Comma form and unquoted values read the same; fields after the seventh are ignored.
    const SettingsParse commas = ParseSystemSettings("1,False,False,True,0,4,2,junk,more");
    EXPECT_TRUE(commas.replacedLines.empty());
    EXPECT_EQ(commas.settings.portIndex, 1);
    EXPECT_TRUE(commas.settings.timeLow);
    EXPECT_EQ(commas.settings.ctrlServoPort, 4);
    EXPECT_EQ(commas.settings.motorType, 2);
}
