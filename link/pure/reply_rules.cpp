// The receive handler's rules: answer byte by route, then the action by reply kind.
#include "link/pure/reply_rules.h"

#include "link/pure/packets.h"

#include <algorithm>

namespace verrano {

namespace {
// The header, command, two data bytes and checksum come back as sent.
constexpr std::size_t kEchoBytes = 5;
} // namespace

ReplyAction ClassifyReply(int ctrlMode, int rxMode, const uint8_t* chunk, std::size_t size,
                          const uint8_t* lastRequest) {
    ReplyAction action;
    if (ctrlMode == kRouteDirect && lastRequest != nullptr && chunk != nullptr && size > 0 &&
        size % kDirectPacketSize == 0) {
        // The echo of an unawaited command (a live write, a move) can arrive in the same chunk
        // as the answer to the request after it. Each 7-byte frame is one echoed packet; the
        // one that echoes the last request carries its answer.
        const uint8_t* frame = nullptr;
        for (std::size_t at = size; at >= kDirectPacketSize; at -= kDirectPacketSize) {
            const uint8_t* candidate = chunk + at - kDirectPacketSize;
            if (std::equal(candidate, candidate + kEchoBytes, lastRequest)) {
                frame = candidate;
                break;
            }
        }
        if (frame == nullptr) return action;
        chunk = frame;
        size = kDirectPacketSize;
    }
    const auto a1 = AnswerByte(ctrlMode, chunk, size);
    if (!a1) return action;
    action.answer = *a1;
    if (rxMode == reply::Version) {
        action.kind = ReplyAction::Kind::Version;
    } else if (rxMode >= reply::FirstParam && rxMode <= reply::LastParam) {
        action.kind = ReplyAction::Kind::Param;
        action.paramIndex = rxMode - 1;
    } else if (rxMode == reply::PortProbe) {
        if (*a1 == 0)
            action.kind = ReplyAction::Kind::ProbeNoServo;
        else if (!PortProbeAccepts(*a1))
            action.kind = ReplyAction::Kind::ProbeRefused;
        else
            action.kind = ReplyAction::Kind::ProbeOk;
    } else if (rxMode == reply::ControllerLink && *a1 == 0) {
        action.kind = ReplyAction::Kind::Linked;
    } else {
        action.kind = ReplyAction::Kind::Nothing;
    }
    return action;
}

std::string ConnectOkText(int version) {
    return "Connect OK! - QEL Servo Motor Ver- " + std::to_string(version);
}

std::string PortProbeText(int port, int version) {
    return " " + std::to_string(port) + "  : Servo Motor Ver- " + std::to_string(version);
}

} // namespace verrano
