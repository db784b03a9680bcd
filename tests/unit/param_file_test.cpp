// Tests of the parameter file format, the field reader and the tolerant parser.
#include "params/pure/param_file.h"

#include <gtest/gtest.h>

using namespace verrano;

namespace {
const ParamBytes kTavrik{0,   0,  180, 180, 30,  3,  180, 80,  41, 0,
                         207, 50, 4,   200, 100, 10, 2,   160, 60};
const char* const kTavrikFile =
    "\"0\"\r\n\"0\"\r\n\"180\"\r\n\"180\"\r\n\"30\"\r\n\"3\"\r\n\"180\"\r\n"
    "\"80\"\r\n\"41\"\r\n\"0\"\r\n\"207\"\r\n\"50\"\r\n\"4\"\r\n\"200\"\r\n"
    "\"100\"\r\n\"10\"\r\n\"2\"\r\n\"160\"\r\n\"60\"\r\n";
std::vector<uint8_t> Values(const ParamBytes& b) {
    return {b.begin(), b.end()};
}
} // namespace

TEST(ParamFile, WritesTheTavrikExampleLineByLine) {
    EXPECT_EQ(FormatParamFile(kTavrik), kTavrikFile);
    EXPECT_EQ(QuotedLine("  12 "), "\"12\"\r\n");
    EXPECT_EQ(QuotedLine(""), "\"\"\r\n");
    const ParamFileParse back = ParseParamFile(kTavrikFile);
    EXPECT_EQ(back.error, ParamFileParse::Error::None);
    EXPECT_EQ(back.values, Values(kTavrik));
}

TEST(ParamFile, AcceptsOtherSeparatorsAndLineEnds) {
    const auto expect = Values(kTavrik);
    EXPECT_EQ(ParseParamFile("0,0,180,180,30,3,180,80,41,0,207,50,4,200,100,10,2,160,60").values,
              expect);
    EXPECT_EQ(ParseParamFile("\"0\",\"0\",180, 180 ,30,3,180,80,41,0\n207,50,4,200,100\r10,2,160,"
                             "\" 60 \"\n\n")
                  .values,
              expect);
    std::string lf = kTavrikFile;
    std::erase(lf, '\r');
    EXPECT_EQ(ParseParamFile(lf).values, expect);
}

TEST(ParamFile, EmptyAndShortFiles) {
    const ParamFileParse empty = ParseParamFile("");
    EXPECT_EQ(empty.error, ParamFileParse::Error::None);
    EXPECT_TRUE(empty.values.empty());
    EXPECT_TRUE(ParseParamFile("\r\n  \r\n").values.empty());
    const ParamFileParse shortFile = ParseParamFile("\"1\"\r\n\"2\"\r\n\"3\"\r\n");
    EXPECT_EQ(shortFile.error, ParamFileParse::Error::None);
    EXPECT_EQ(shortFile.values, (std::vector<uint8_t>{1, 2, 3}));
}

TEST(ParamFile, RefusesWhatIsNotAByte) {
    for (const char* bad : {"256", "-1", "+1", "12.5", "1e2", "abc", "\"\"", "1 2", "0x10"}) {
        const std::string text = std::string("\"7\"\r\n") + bad + "\r\n\"9\"\r\n";
        const ParamFileParse r = ParseParamFile(text);
        EXPECT_EQ(r.error, ParamFileParse::Error::BadField) << bad;
        EXPECT_EQ(r.badField, 1) << bad;
        EXPECT_EQ(r.values, (std::vector<uint8_t>{7})) << bad;
    }
    // A blank line in the middle is an empty field, not skipped.
    EXPECT_EQ(ParseParamFile("1\r\n\r\n2\r\n").error, ParamFileParse::Error::BadField);
    EXPECT_EQ(ParseParamFile(" 007 ").values, (std::vector<uint8_t>{7}));
}

TEST(ParamFile, TwentiethFieldIsTooMany) {
    const std::string text = std::string(kTavrikFile) + "\"5\"\r\n";
    const ParamFileParse r = ParseParamFile(text);
    EXPECT_EQ(r.error, ParamFileParse::Error::TooManyFields);
    EXPECT_EQ(r.badField, 19);
    EXPECT_EQ(r.values, Values(kTavrik)); // all 19 were taken before the refusal
}

TEST(ParamFile, FieldReaderRules) {
    using V = std::vector<std::string>;
    EXPECT_EQ(ReadFields(""), V{});
    EXPECT_EQ(ReadFields("a\r\n"), V{"a"});
    EXPECT_EQ(ReadFields("\"a,b\" , c"), (V{"a,b", "c"}));
    EXPECT_EQ(ReadFields("  x  \ty\t"), V{"x  \ty"});
    EXPECT_EQ(ReadFields("\"q\"junk,2"), (V{"q", "2"}));
    EXPECT_EQ(ReadFields("\"open"), V{"open"});
    EXPECT_EQ(ReadFields("1,,2"), (V{"1", "", "2"}));
    EXPECT_EQ(ReadFields("1,2,"), (V{"1", "2", ""}));
    EXPECT_EQ(ReadFields("1\r\r2"), (V{"1", "", "2"}));
}
