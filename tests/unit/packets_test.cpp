// Tests of the packet forms, the checksum and the answer byte of received chunks.
#include "link/pure/packets.h"

#include <gtest/gtest.h>

#include <vector>

using namespace verrano;

TEST(Packets, ChecksumMakesFirstFiveBytesSumToZero) {
    EXPECT_EQ(CalcChecksum(0x80, 0xE7, 0x00, 0x00), 0x99);
    // A sum that is already a multiple of 256 gives 0, never 256 truncated by accident.
    EXPECT_EQ(CalcChecksum(0x80, 0x80, 0x00, 0x00), 0x00);
    EXPECT_EQ(CalcChecksum(0, 0, 0, 0), 0x00);
    EXPECT_EQ(CalcChecksum(0xFF, 0xFF, 0xFF, 0xFF), 0x04);
    for (int b1 = 0; b1 < 256; b1 += 7)
        for (int b2 = 0; b2 < 256; b2 += 13) {
            const auto p =
                MakeDirectPacket(static_cast<uint8_t>(b1), static_cast<uint8_t>(b2), 0x5A);
            EXPECT_EQ((p[0] + p[1] + p[2] + p[3] + p[4]) % 256, 0);
        }
}

TEST(Packets, WorkedDirectPackets) {
    EXPECT_EQ(MakeDirectPacket(cmd::Probe, 0, 0), (DirectPacket{0x80, 0xE7, 0, 0, 0x99, 0, 0}));
    EXPECT_EQ(MakeDirectPacket(cmd::Close, 0, 0), (DirectPacket{0x80, 0xEF, 0, 0, 0x91, 0, 0}));
    EXPECT_EQ(MakeDirectPacket(cmd::Read, 0x07, 0),
              (DirectPacket{0x80, 0xE1, 0x07, 0, 0x98, 0, 0}));
    const int centre = kPositionCentre;
    EXPECT_EQ(MakeDirectPacket(cmd::Move, PositionHigh(centre), PositionLow(centre)),
              (DirectPacket{0x80, 0xF6, 0x05, 0xDC, 0xA9, 0, 0}));
    // A move by ID puts the ID where the command goes.
    EXPECT_EQ(MakeDirectPacket(5, PositionHigh(centre), PositionLow(centre)),
              (DirectPacket{0x80, 0x05, 0x05, 0xDC, 0x9A, 0, 0}));
}

TEST(Packets, ControllerPacketsAndPositions) {
    EXPECT_EQ(MakeControllerPacket(cmd::Move, PositionHigh(1500), PositionLow(1500), 5),
              (ControllerPacket{0xF6, 0x05, 0xDC, 0x05}));
    EXPECT_EQ(kWakeUpPacket, (ControllerPacket{0xFA, 0xFA, 0xFA, 0xFA}));
    EXPECT_EQ(PositionHigh(600), 0x02);
    EXPECT_EQ(PositionLow(600), 0x58);
    EXPECT_EQ(PositionHigh(2400), 0x09);
    EXPECT_EQ(PositionLow(2400), 0x60);
    EXPECT_EQ(PositionHigh(255), 0x00);
    EXPECT_EQ(PositionLow(256), 0x00);
}

TEST(Packets, AnswerByteDirectRouteNeedsExactlySevenBytes) {
    const std::vector<uint8_t> reply{0x80, 0xE7, 0x00, 0x00, 0x99, 0x6E, 0x00};
    EXPECT_EQ(AnswerByte(kRouteDirect, reply.data(), reply.size()), 110);
    const std::vector<uint8_t> nine{0x80, 0xE7, 0x00, 0x00, 0x99, 0x6E, 0x00, 0x01, 0x02};
    EXPECT_EQ(AnswerByte(kRouteDirect, nine.data(), nine.size()), std::nullopt);
    EXPECT_EQ(AnswerByte(kRouteDirect, reply.data(), 6), std::nullopt);
    EXPECT_EQ(AnswerByte(kRouteDirect, reply.data(), 0), std::nullopt);
    EXPECT_EQ(AnswerByte(kRouteDirect, nullptr, 7), std::nullopt);
}

TEST(Packets, AnswerByteControllerRouteTakesFirstByte) {
    const std::vector<uint8_t> ack{0x00, 0x00};
    EXPECT_EQ(AnswerByte(kRouteController, ack.data(), ack.size()), 0);
    const std::vector<uint8_t> one{0x70};
    EXPECT_EQ(AnswerByte(kRouteController, one.data(), one.size()), 0x70);
    const std::vector<uint8_t> seven{0x6E, 1, 2, 3, 4, 5, 6};
    EXPECT_EQ(AnswerByte(kRouteController, seven.data(), seven.size()), 0x6E);
    EXPECT_EQ(AnswerByte(kRouteController, ack.data(), 0), std::nullopt);
}

TEST(Packets, VersionRules) {
    EXPECT_FALSE(VersionConnects(100));
    EXPECT_TRUE(VersionConnects(101));
    EXPECT_TRUE(VersionConnects(114));
    EXPECT_FALSE(VersionConnects(115));
    EXPECT_FALSE(PortProbeAccepts(109));
    EXPECT_TRUE(PortProbeAccepts(110));
    EXPECT_TRUE(PortProbeAccepts(115));
    EXPECT_FALSE(PortProbeAccepts(116));
}
