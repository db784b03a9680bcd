// The four factory images of the servo memory, kept as the decimal texts that the reset sends.
#include "params/pure/factory_images.h"

#include <charconv>

namespace verrano {

ImageTexts DefaultsTavrik;
ImageTexts DefaultsBellun;
ImageTexts DefaultsQuorrin;
ImageTexts DefaultsDimmar;

namespace {
// Address n of the servo memory at index n (comments give the first address of each row). The
// values are factory constants, checksums at address 44 included; nothing derives them.
constexpr std::array<const char*, kImageSize> kTavrik{{
    /*  0 */ "80",  "180", "3",   "30",  "1",   "1",   "255", "0",
    /*  8 */ "0",   "2",   "38",  "9",   "146", "0",   "16",  "3",
    /* 16 */ "240", "5",   "220", "180", "180", "19",  "136", "0",
    /* 24 */ "0",   "5",   "220", "41",  "40",  "210", "5",   "100",
    /* 32 */ "200", "4",   "50",  "1",   "60",  "160", "2",   "10",
    /* 40 */ "1",   "0",   "10",  "2",   "207", "255",
}};

constexpr std::array<const char*, kImageSize> kBellun{{
    /*  0 */ "20",  "100", "4",   "5",   "2",   "1",   "255", "0",
    /*  8 */ "0",   "2",   "38",  "9",   "146", "0",   "16",  "3",
    /* 16 */ "240", "5",   "220", "180", "180", "19",  "136", "0",
    /* 24 */ "0",   "5",   "220", "41",  "40",  "210", "10",  "30",
    /* 32 */ "120", "4",   "7",   "2",   "10",  "80",  "4",   "3",
    /* 40 */ "2",   "0",   "10",  "2",   "179", "255",
}};

constexpr std::array<const char*, kImageSize> kQuorrin{{
    /*  0 */ "20",  "100", "4",   "5",   "2",   "1",   "255", "0",
    /*  8 */ "0",   "2",   "38",  "9",   "146", "0",   "16",  "3",
    /* 16 */ "240", "5",   "220", "180", "180", "19",  "136", "0",
    /* 24 */ "0",   "5",   "220", "41",  "40",  "210", "10",  "30",
    /* 32 */ "120", "4",   "7",   "2",   "10",  "80",  "4",   "3",
    /* 40 */ "2",   "0",   "10",  "2",   "179", "255",
}};

constexpr std::array<const char*, kImageSize> kDimmar{{
    /*  0 */ "80",  "180", "4",   "10",  "2",   "1",   "255", "255",
    /*  8 */ "228", "2",   "38",  "9",   "146", "0",   "16",  "3",
    /* 16 */ "240", "5",   "220", "190", "185", "19",  "136", "0",
    /* 24 */ "0",   "5",   "220", "41",  "40",  "210", "10",  "100",
    /* 32 */ "200", "5",   "15",  "2",   "60",  "160", "3",   "5",
    /* 40 */ "2",   "0",   "10",  "2",   "14",  "255",
}};

void Fill(ImageTexts& target, const std::array<const char*, kImageSize>& source) {
    for (int i = 0; i < kImageSize; ++i)
        target[i] = source[i];
}
} // namespace

void InitModelDefaults() {
    Fill(DefaultsTavrik, kTavrik);
    Fill(DefaultsBellun, kBellun);
    Fill(DefaultsQuorrin, kQuorrin);
    Fill(DefaultsDimmar, kDimmar);
}

const ImageTexts* DefaultsFor(int motorType) {
    switch (motorType) {
    case 0:
        return &DefaultsTavrik;
    case 1:
        return &DefaultsBellun;
    case 2:
        return &DefaultsQuorrin;
    case 3:
        return &DefaultsDimmar;
    default:
        return nullptr;
    }
}

std::optional<uint8_t> ImageByte(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && text[begin] == ' ')
        ++begin;
    while (end > begin && text[end - 1] == ' ')
        --end;
    if (begin == end) return std::nullopt;
    unsigned value = 0;
    const char* first = text.data() + begin;
    const char* last = text.data() + end;
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc{} || ptr != last || value > 255) return std::nullopt;
    return static_cast<uint8_t>(value);
}

ServoImage ImageBytes(const ImageTexts& texts) {
    ServoImage image{};
    for (int i = 0; i < kImageSize; ++i)
        image[i] = ImageByte(texts[i]).value_or(0);
    return image;
}

uint8_t ImageChecksum(const ServoImage& image) {
    unsigned sum = 0;
    for (int i = 0; i < kImageChecksumAddress; ++i)
        sum += image[i];
    return static_cast<uint8_t>((256 - sum % 256) % 256);
}

ParamBytes ImageBlock(const ServoImage& image) {
    ParamBytes block{};
    for (int i = 0; i < kBlockSize; ++i)
        block[static_cast<std::size_t>(i)] = image[kBlockAddress[static_cast<std::size_t>(i)]];
    return block;
}

} // namespace verrano
