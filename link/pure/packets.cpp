// Builds the direct and controller packets and reduces received chunks to their answer byte.
#include "link/pure/packets.h"

namespace verrano {

uint8_t CalcChecksum(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
    const unsigned sum = unsigned{b0} + b1 + b2 + b3;
    // The outer modulo keeps a sum that is already a multiple of 256 at 0 rather than 256.
    return static_cast<uint8_t>((256 - sum % 256) % 256);
}

DirectPacket MakeDirectPacket(uint8_t command, uint8_t d1, uint8_t d2) {
    return DirectPacket{
        kDirectHeader, command, d1, d2, CalcChecksum(kDirectHeader, command, d1, d2), 0, 0};
}

ControllerPacket MakeControllerPacket(uint8_t command, uint8_t d1, uint8_t d2, uint8_t port) {
    return ControllerPacket{command, d1, d2, port};
}

// Positions travel as an unsigned 16-bit count; callers keep them within 600..2400.
uint8_t PositionHigh(int position) {
    return static_cast<uint8_t>(static_cast<uint16_t>(position) >> 8);
}

uint8_t PositionLow(int position) {
    return static_cast<uint8_t>(static_cast<uint16_t>(position) & 0xFF);
}

std::optional<uint8_t> AnswerByte(int ctrlMode, const uint8_t* chunk, std::size_t size) {
    if (chunk == nullptr || size == 0) return std::nullopt;
    if (ctrlMode == kRouteDirect) {
        // The cable echoes our own 7-byte request with the servo's answer in its zero bytes; any
        // other length is a torn or foreign chunk and must not end a wait.
        if (size != kDirectPacketSize) return std::nullopt;
        return chunk[5];
    }
    return chunk[0];
}

} // namespace verrano
