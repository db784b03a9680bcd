// The packet senders of the settings window: every command leaves through these, by one rule
// (discard waiting input, then write the whole packet), and none of them waits.
#include <QByteArray>

#include "link/pure/packets.h"
#include "window/frm_Set.h"

namespace verrano {

namespace {
template <std::size_t N> QByteArray ToBytes(const std::array<uint8_t, N>& packet) {
    return QByteArray(reinterpret_cast<const char*>(packet.data()), static_cast<int>(N));
}
} // namespace

uint8_t frm_Set::CalcChecksum(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
    return verrano::CalcChecksum(b0, b1, b2, b3);
}

void frm_Set::SendRaw(const QByteArray& packet) {
    // A reply to an earlier command that nobody took is dropped here, so it can't be taken for
    // the answer to this one.
    Comm.setInBufferCount(0);
    if (packet.size() == static_cast<int>(kDirectPacketSize) &&
        static_cast<uint8_t>(packet[0]) == kDirectHeader)
        lastDirectPacket = packet;
    // On the direct route the echo ahead of each answer tells whose it is.
    if (CtrlMode != kRouteDirect) ++AnswersOwed;
    Comm.output(packet);
}

void frm_Set::SendServoPacket(uint8_t command, uint8_t data1, uint8_t data2) {
    if (!Comm.portOpen()) return;
    SendRaw(ToBytes(MakeDirectPacket(command, data1, data2)));
}

void frm_Set::SendControllerPacket(uint8_t command, uint8_t data1, uint8_t data2, uint8_t port) {
    if (!Comm.portOpen()) return;
    SendRaw(ToBytes(MakeControllerPacket(command, data1, data2, port)));
}

void frm_Set::SendMoveById(int id, int position) {
    RxMode = reply::Ack;
    if (!Comm.portOpen()) return;
    SendRaw(ToBytes(
        MakeDirectPacket(static_cast<uint8_t>(id), PositionHigh(position), PositionLow(position))));
}

void frm_Set::SendMove(int position) {
    RxMode = reply::Ack;
    if (!Comm.portOpen()) return;
    if (CtrlMode == kRouteDirect) {
        SendRaw(
            ToBytes(MakeDirectPacket(cmd::Move, PositionHigh(position), PositionLow(position))));
        return;
    }
    // Through the controller a move goes out only once the controller confirmed the servo.
    if (!bCtrlServoLinked) return;
    SendRaw(ToBytes(MakeControllerPacket(cmd::Move, PositionHigh(position), PositionLow(position),
                                         CtrlServoPort)));
}

} // namespace verrano
