// Encodings of the parameter block's fields and the check byte that keeps the memory checksum.
#include "params/pure/param_block.h"

namespace verrano {

PerfSetPositions PerfSet(int perfLevel) {
    switch (perfLevel) {
    case 2:
        return {11, 12, 13, 14};
    case 3:
        return {15, 16, 17, 18};
    default:
        return {4, 5, 6, 7};
    }
}

std::pair<uint8_t, uint8_t> EncodeCentreTrim(int zero) {
    const auto u = static_cast<uint16_t>(zero); // two's complement of a negative trim
    return {static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u & 0xFF)};
}

int DecodeCentreTrim(uint8_t high, uint8_t low) {
    const int raw = high * 256 + low;
    return high >= 128 ? raw - 65536 : raw;
}

FlagBitArray DecodeFlags(uint8_t flagByte) {
    FlagBitArray bits{};
    for (int i = 0; i < 8; ++i)
        bits[i] = static_cast<uint8_t>((flagByte >> i) & 1);
    return bits;
}

uint8_t EncodeFlags(const FlagBitArray& bits) {
    unsigned value = 0;
    for (int i = 0; i < 8; ++i)
        if (bits[i] == 1) value += 1u << i;
    return static_cast<uint8_t>(value);
}

uint8_t CheckByte(const ParamBytes& reference, const ParamBytes& block) {
    unsigned a = 0;
    for (uint8_t b : reference)
        a += b;
    unsigned b = 0;
    for (int i = 0; i < kBlockSize; ++i)
        if (i != block::Check) b += block[i];
    // Keeping the block's byte sum equal to the one read keeps the servo's memory checksum valid.
    return static_cast<uint8_t>((a % 256 + 256 - b % 256) % 256);
}

} // namespace verrano
