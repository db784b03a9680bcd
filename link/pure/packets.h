// Packet forms of the servo line: the 7-byte direct packet, the 4-byte controller packet, and the
// answer byte that a received chunk is reduced to.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace verrano {

// Command bytes, as they stand in byte 1 of a direct packet or byte 0 of a controller packet.
namespace cmd {
constexpr uint8_t Read = 0xE1;          // direct: read one byte of servo memory
constexpr uint8_t Write = 0xE2;         // direct: write one byte of servo memory
constexpr uint8_t LiveWrite = 0xE4;     // direct: write one working value (address | 0x80)
constexpr uint8_t Probe = 0xE7;         // direct: connect probe, answers the version
constexpr uint8_t Close = 0xEF;         // direct: close the link
constexpr uint8_t Move = 0xF6;          // direct or controller: move to a position
constexpr uint8_t CtrlRead = 0xF1;      // controller: read one byte
constexpr uint8_t CtrlWrite = 0xF2;     // controller: write one byte
constexpr uint8_t CtrlLiveWrite = 0xF4; // controller: live write
constexpr uint8_t CtrlProbe = 0xF7;     // controller: version of the servo on a port
constexpr uint8_t LinkStep = 0xD0;      // controller: link step of the handshake
constexpr uint8_t WakeUp = 0xFA;        // controller: wake-up (whole packet of four 0xFA)
} // namespace cmd

constexpr uint8_t kDirectHeader = 0x80;
constexpr std::size_t kDirectPacketSize = 7;
constexpr std::size_t kControllerPacketSize = 4;

using DirectPacket = std::array<uint8_t, kDirectPacketSize>;
using ControllerPacket = std::array<uint8_t, kControllerPacketSize>;

constexpr ControllerPacket kWakeUpPacket{cmd::WakeUp, cmd::WakeUp, cmd::WakeUp, cmd::WakeUp};

// Servo positions: 600 (-90 degrees) .. 2400 (+90 degrees), 1500 at the centre.
constexpr int kPositionMin = 600;
constexpr int kPositionCentre = 1500;
constexpr int kPositionMax = 2400;

// The byte that makes b0..b3 and itself sum to 0 modulo 256.
uint8_t CalcChecksum(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3);

// [0x80, command, d1, d2, checksum, 0, 0]. A move by ID passes the ID as the command.
DirectPacket MakeDirectPacket(uint8_t command, uint8_t d1, uint8_t d2);

// [command, d1, d2, port].
ControllerPacket MakeControllerPacket(uint8_t command, uint8_t d1, uint8_t d2, uint8_t port);

// A position goes on the wire high byte first.
uint8_t PositionHigh(int position);
uint8_t PositionLow(int position);

// Route codes.
constexpr int kRouteDirect = 0;
constexpr int kRouteController = 1;

// The answer byte A1 of a received chunk: on the direct route only a chunk of exactly 7 bytes
// counts (its sixth byte); through the controller the first byte of any non-empty chunk.
// Returns nothing when the chunk is to be dropped.
std::optional<uint8_t> AnswerByte(int ctrlMode, const uint8_t* chunk, std::size_t size);

// Reply kinds: what the sender expects the next reply to be.
namespace reply {
constexpr int Version = 0;
constexpr int FirstParam = 1;
constexpr int LastParam = 19;
constexpr int PortProbe = 51;
constexpr int ResetReadBack = 99;
constexpr int Ack = 100;
constexpr int ControllerLink = 101;
} // namespace reply

// A connect accepts versions 101..114; programming and the factory reset need 110 or more.
constexpr bool VersionConnects(int version) {
    return version > 100 && version < 115;
}
constexpr int kMinProgrammableVersion = 110;
// A port-probe answer within 110..115 keeps the link.
constexpr bool PortProbeAccepts(int version) {
    return version >= 110 && version <= 115;
}

} // namespace verrano
