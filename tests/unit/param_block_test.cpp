// Tests of the parameter block's encodings, set positions and check byte.
#include "params/pure/param_block.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace verrano;

TEST(ParamBlock, CentreTrimRoundTrips) {
    using Bytes = std::pair<uint8_t, uint8_t>;
    EXPECT_EQ(EncodeCentreTrim(0), (Bytes{0x00, 0x00}));
    EXPECT_EQ(EncodeCentreTrim(200), (Bytes{0x00, 0xC8}));
    EXPECT_EQ(EncodeCentreTrim(-1), (Bytes{0xFF, 0xFF}));
    EXPECT_EQ(EncodeCentreTrim(-28), (Bytes{0xFF, 0xE4}));
    EXPECT_EQ(EncodeCentreTrim(-200), (Bytes{0xFF, 0x38}));
    for (int z = -200; z <= 200; ++z) {
        const auto [hi, lo] = EncodeCentreTrim(z);
        EXPECT_EQ(DecodeCentreTrim(hi, lo), z);
    }
    EXPECT_EQ(DecodeCentreTrim(0x80, 0x00), -32768);
    EXPECT_EQ(DecodeCentreTrim(0x7F, 0xFF), 32767);
}

TEST(ParamBlock, FlagsDecodeAndRebuild) {
    FlagBitArray bits = DecodeFlags(41);
    EXPECT_EQ(bits, (FlagBitArray{1, 0, 0, 1, 0, 1, 0, 0}));
    EXPECT_EQ(EncodeFlags(bits), 41); // "Normal"
    bits[0] = 0;
    EXPECT_EQ(EncodeFlags(bits), 40); // "Reverse" keeps bits 1..7
    EXPECT_EQ(EncodeFlags(FlagBitArray{}), 0);
    for (int v = 0; v < 256; ++v)
        EXPECT_EQ(EncodeFlags(DecodeFlags(static_cast<uint8_t>(v))), v);
}

TEST(ParamBlock, PerfSetPositions) {
    const auto s1 = PerfSet(1);
    EXPECT_EQ((std::array{s1.dgain, s1.deadzone, s1.pgain, s1.companion}),
              (std::array{4, 5, 6, 7}));
    const auto s2 = PerfSet(2);
    EXPECT_EQ((std::array{s2.dgain, s2.deadzone, s2.pgain, s2.companion}),
              (std::array{11, 12, 13, 14}));
    const auto s3 = PerfSet(3);
    EXPECT_EQ((std::array{s3.dgain, s3.deadzone, s3.pgain, s3.companion}),
              (std::array{15, 16, 17, 18}));
    EXPECT_EQ(PerfSet(0).dgain, 4);
    EXPECT_EQ(PerfSet(9).dgain, 4);
    // Each set's addresses run downward in the servo's memory.
    EXPECT_EQ(kBlockAddress[s2.dgain], 34);
    EXPECT_EQ(kBlockAddress[s3.companion], 36);
    EXPECT_EQ(kBlockAddress[block::Check], addr::Check);
}

TEST(ParamBlock, CheckByteKeepsTheSumAsRead) {
    // Sums 1000 as read and 700 for the new bytes other than index 10: 232 - 188 = 44.
    ParamBytes ref{};
    ref.fill(0);
    int remaining = 1000;
    for (auto& b : ref) {
        b = static_cast<uint8_t>(std::min(remaining, 255));
        remaining -= b;
    }
    ParamBytes block{};
    block[0] = 200;
    block[1] = 200;
    block[2] = 200;
    block[3] = 100;
    block[block::Check] = 77; // ignored
    EXPECT_EQ(CheckByte(ref, block), 44);

    // a = 10, b = 200: 10 - 200 + 256 = 66.
    ParamBytes ref2{};
    ref2[0] = 10;
    ParamBytes block2{};
    block2[4] = 200;
    EXPECT_EQ(CheckByte(ref2, block2), 66);

    // An unchanged block reproduces its own check byte.
    const ParamBytes tavrik{0,   0,  180, 180, 30,  3,  180, 80,  41, 0,
                            207, 50, 4,   200, 100, 10, 2,   160, 60};
    EXPECT_EQ(CheckByte(tavrik, tavrik), 207);
    // Any edit keeps the 19-byte sum.
    ParamBytes edited = tavrik;
    edited[0] = 0xFF;
    edited[1] = 0x38;
    edited[8] = 40;
    edited[block::Check] = CheckByte(tavrik, edited);
    const auto sum = [](const ParamBytes& b) {
        return std::accumulate(b.begin(), b.end(), 0) % 256;
    };
    EXPECT_EQ(sum(edited), sum(tavrik));
}
