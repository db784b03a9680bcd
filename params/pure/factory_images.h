// Factory images of the servo memory (46 bytes) for the four models, held as decimal texts the way
// the reset sends them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "params/pure/param_block.h"

namespace verrano {

constexpr int kImageSize = 46;
constexpr int kImageChecksumAddress = 44;
using ImageTexts = std::array<std::string, kImageSize>;
using ServoImage = std::array<uint8_t, kImageSize>;

// Module-level images, filled once by InitModelDefaults().
extern ImageTexts DefaultsTavrik;
extern ImageTexts DefaultsBellun;
extern ImageTexts DefaultsQuorrin;
extern ImageTexts DefaultsDimmar;

void InitModelDefaults();

// The image of a model code 0..3 (after InitModelDefaults), or nullptr.
const ImageTexts* DefaultsFor(int motorType);

// An image entry with surrounding blanks trimmed, as a byte; nothing when it is not 0..255.
std::optional<uint8_t> ImageByte(const std::string& text);

// The image as bytes (entries that don't convert become 0).
ServoImage ImageBytes(const ImageTexts& texts);

// (256 - sum(bytes 0..43) mod 256) mod 256.
uint8_t ImageChecksum(const ServoImage& image);

// The parameter block that a servo holding the image holds: the image's bytes at the block's
// addresses, in block order.
ParamBytes ImageBlock(const ServoImage& image);

} // namespace verrano
