// The receive handler's rules on raw chunks: which chunks count as replies on each route and
// what each reply kind makes of the answer byte.
#include <gtest/gtest.h>

#include "link/pure/reply_rules.h"

namespace verrano {
namespace {

using Kind = ReplyAction::Kind;

ReplyAction Classify(int route, int rxMode, std::vector<uint8_t> chunk) {
    return ClassifyReply(route, rxMode, chunk.data(), chunk.size());
}

TEST(ReplyRules, DirectRouteTakesOnlySevenByteChunks) {
    const auto version = Classify(0, 0, {0x80, 0xE7, 0x00, 0x00, 0x99, 0x6E, 0x00});
    EXPECT_EQ(version.kind, Kind::Version);
    EXPECT_EQ(version.answer, 110);
    EXPECT_EQ(Classify(0, 0, {0x80, 0xE7, 0x00, 0x00, 0x99, 0x6E, 0x00, 0x00, 0x00}).kind,
              Kind::Drop);
    EXPECT_EQ(Classify(0, 0, {0x80, 0xE7, 0x00, 0x00, 0x99, 0x6E}).kind, Kind::Drop);
    EXPECT_EQ(Classify(0, 100, {}).kind, Kind::Drop);
    EXPECT_EQ(ClassifyReply(0, 0, nullptr, 7).kind, Kind::Drop);
}

TEST(ReplyRules, DirectRouteDropsTheEchoOfAnotherPacket) {
    const std::vector<uint8_t> read{0x80, 0xE1, 0x13, 0x00, 0x8C, 0x00, 0x00};
    const std::vector<uint8_t> moveEcho{0x80, 0xF6, 0x05, 0xDC, 0xA9, 0x00, 0x00};
    std::vector<uint8_t> answer = read;
    answer[5] = 180;
    const auto own = ClassifyReply(0, 3, answer.data(), answer.size(), read.data());
    EXPECT_EQ(own.kind, Kind::Param);
    EXPECT_EQ(own.answer, 180);
    // The late echo of the centre move must not be taken for the read's answer.
    EXPECT_EQ(ClassifyReply(0, 3, moveEcho.data(), moveEcho.size(), read.data()).kind, Kind::Drop);
    // Only bytes 0..4 are compared; the controller route has no echo to compare.
    answer[6] = 0x55;
    EXPECT_EQ(ClassifyReply(0, 3, answer.data(), answer.size(), read.data()).kind, Kind::Param);
    EXPECT_EQ(ClassifyReply(1, 3, moveEcho.data(), 2, read.data()).kind, Kind::Param);

    // The move's echo and the read's answer arriving as one 14-byte chunk: the read's frame counts.
    std::vector<uint8_t> both = moveEcho;
    both.insert(both.end(), answer.begin(), answer.end());
    const auto joined = ClassifyReply(0, 3, both.data(), both.size(), read.data());
    EXPECT_EQ(joined.kind, Kind::Param);
    EXPECT_EQ(joined.answer, 180);
    // Without the read's echo among the frames, or with a torn frame, nothing is taken.
    std::vector<uint8_t> twoMoves = moveEcho;
    twoMoves.insert(twoMoves.end(), moveEcho.begin(), moveEcho.end());
    EXPECT_EQ(ClassifyReply(0, 3, twoMoves.data(), 14, read.data()).kind, Kind::Drop);
    EXPECT_EQ(ClassifyReply(0, 3, both.data(), 13, read.data()).kind, Kind::Drop);
    EXPECT_EQ(ClassifyReply(0, 3, both.data(), 14).kind, Kind::Drop);
}

TEST(ReplyRules, ControllerRouteTakesTheFirstByteOfAnyChunk) {
    EXPECT_EQ(Classify(1, 101, {0x00, 0x00}).kind, Kind::Linked);
    EXPECT_EQ(Classify(1, 101, {0x01, 0x00}).kind, Kind::Nothing);
    const auto param = Classify(1, 19, {0xB4, 0x00, 0x00});
    EXPECT_EQ(param.kind, Kind::Param);
    EXPECT_EQ(param.paramIndex, 18);
    EXPECT_EQ(param.answer, 0xB4);
    EXPECT_EQ(Classify(1, 1, {0x07}).paramIndex, 0);
    EXPECT_EQ(Classify(1, 0, {}).kind, Kind::Drop);
}

TEST(ReplyRules, PortProbeAnswers) {
    EXPECT_EQ(Classify(1, 51, {0, 0}).kind, Kind::ProbeNoServo);
    for (int v : {1, 105, 109, 116, 120, 255})
        EXPECT_EQ(Classify(1, 51, {uint8_t(v), 0}).kind, Kind::ProbeRefused) << v;
    for (int v : {110, 112, 115})
        EXPECT_EQ(Classify(1, 51, {uint8_t(v), 0}).kind, Kind::ProbeOk) << v;
    // The probe answer is read by the route's rule, even on the direct route.
    EXPECT_EQ(Classify(0, 51, {0x80, 0xF7, 0, 0, 0, 112, 0}).kind, Kind::ProbeOk);
}

TEST(ReplyRules, KindsThatKeepNothing) {
    for (int kind : {20, 50, 52, 99, 100, 102, -1, 32767})
        EXPECT_EQ(Classify(1, kind, {0, 0}).kind, Kind::Nothing) << kind;
}

TEST(ReplyRules, StatusTexts) {
    EXPECT_EQ(ConnectOkText(110), "Connect OK! - QEL Servo Motor Ver- 110");
    EXPECT_EQ(PortProbeText(5, 110), " 5  : Servo Motor Ver- 110");
    EXPECT_EQ(PortProbeText(23, 112), " 23  : Servo Motor Ver- 112");
}

} // namespace
} // namespace verrano
