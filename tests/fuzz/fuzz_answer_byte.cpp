// Fuzzes the reduction of received chunks to their answer byte on both routes.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "link/pure/packets.h"

using namespace verrano;

namespace {
void Check(const uint8_t* chunk, size_t size) {
    // Copy into a buffer of exactly the chunk's size so any read past it is caught.
    const std::vector<uint8_t> copy(chunk, chunk + size);
    const uint8_t* p = copy.empty() ? nullptr : copy.data();
    const auto direct = AnswerByte(kRouteDirect, p, size);
    if (direct.has_value() != (size == kDirectPacketSize)) std::abort();
    if (direct && *direct != copy[5]) std::abort();
    const auto controller = AnswerByte(kRouteController, p, size);
    if (controller.has_value() != (size > 0)) std::abort();
    if (controller && *controller != copy[0]) std::abort();
}
} // namespace

// The input is cut into chunks: each chunk's length is the byte in front of it (mod 16), the
// way a serial line hands over whatever has arrived.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Check(data, size);
    size_t pos = 0;
    while (pos < size) {
        const size_t want = data[pos++] % 16;
        const size_t take = want < size - pos ? want : size - pos;
        Check(data + pos, take);
        pos += take;
    }
    return 0;
}
