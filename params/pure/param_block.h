// The 19-byte parameter block: servo addresses of its bytes, the performance-set positions, the
// centre-trim and flags encodings, and the check byte.
#pragma once

#include <array>
#include <cstdint>
#include <utility>

namespace verrano {

constexpr int kBlockSize = 19;
using ParamBytes = std::array<uint8_t, kBlockSize>;

// Block index -> servo memory address; also the order on the wire and in a parameter file.
constexpr std::array<uint8_t, kBlockSize> kBlockAddress{0x07, 0x08, 0x13, 0x14, 0x03, 0x02, 0x01,
                                                        0x00, 0x1B, 0x29, 0x2C, 0x22, 0x21, 0x20,
                                                        0x1F, 0x27, 0x26, 0x25, 0x24};

namespace block {
constexpr int ZeroHigh = 0;
constexpr int ZeroLow = 1;
constexpr int LimitLeft = 2;
constexpr int LimitRight = 3;
constexpr int Flags = 8;
constexpr int Id = 9;
constexpr int Check = 10;
} // namespace block

// Servo addresses that the live writes use (with 0x80 added on the wire).
namespace addr {
constexpr uint8_t ZeroHigh = 0x07;
constexpr uint8_t ZeroLow = 0x08;
constexpr uint8_t LimitLeft = 0x13;
constexpr uint8_t LimitRight = 0x14;
constexpr uint8_t DGain1 = 0x03;
constexpr uint8_t DeadZone1 = 0x02;
constexpr uint8_t PGain1 = 0x01;
constexpr uint8_t Companion1 = 0x00;
constexpr uint8_t Check = 0x2C;
constexpr uint8_t LiveFlag = 0x80;
} // namespace addr

// Block positions of one performance set, in the order D-Gain, Dead Zone, P-Gain, companion.
struct PerfSetPositions {
    int dgain;
    int deadzone;
    int pgain;
    int companion;
};

// perfLevel 1..3; anything else is treated as 1.
PerfSetPositions PerfSet(int perfLevel);

// Window ranges the block's fields must fit to be shown.
constexpr int kZeroMin = -200;
constexpr int kZeroMax = 200;
constexpr int kLimitMin = 170;
constexpr int kLimitMax = 230;
constexpr int kIdMax = 127;

// Signed 16-bit centre trim, high byte first, two's complement.
std::pair<uint8_t, uint8_t> EncodeCentreTrim(int zero);
int DecodeCentreTrim(uint8_t high, uint8_t low);

// Bits of the option flags byte, element i = bit i (0 or 1). Bit 0 set means Normal direction.
using FlagBitArray = std::array<uint8_t, 8>;
FlagBitArray DecodeFlags(uint8_t flagByte);
uint8_t EncodeFlags(const FlagBitArray& bits);

// The check byte that makes the block's 19 bytes sum, modulo 256, to the same value as the block
// as last read: (sum(ref) - sum(block without index 10)) mod 256.
uint8_t CheckByte(const ParamBytes& reference, const ParamBytes& block);

} // namespace verrano
