// Fuzzes the receive handler's rules: arbitrary chunks under every reply kind on both routes.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "link/pure/packets.h"
#include "link/pure/reply_rules.h"

using namespace verrano;

// The first two bytes choose the reply kind (signed 16-bit) and the route; the rest is the chunk.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const int rxMode = static_cast<int16_t>((data[0] << 8) | data[1]);
    const std::vector<uint8_t> chunk(data + 2, data + size);
    const uint8_t* p = chunk.empty() ? nullptr : chunk.data();
    for (int route : {kRouteDirect, kRouteController}) {
        const ReplyAction a = ClassifyReply(route, rxMode, p, chunk.size());
        // Against a last request made of the chunk's own head, the echo always matches.
        if (chunk.size() == 7) {
            const std::vector<uint8_t> head(chunk.begin(), chunk.begin() + 5);
            if (ClassifyReply(route, rxMode, p, chunk.size(), head.data()).kind != a.kind)
                std::abort();
        }
        using Kind = ReplyAction::Kind;
        const bool accepted = route == kRouteDirect ? chunk.size() == 7 : !chunk.empty();
        if ((a.kind == Kind::Drop) == accepted) std::abort();
        if (a.kind == Kind::Param && (a.paramIndex < 0 || a.paramIndex > 18)) std::abort();
        if (a.kind != Kind::Param && a.paramIndex != -1) std::abort();
        if (a.kind == Kind::ProbeOk && (a.answer < 110 || a.answer > 115)) std::abort();
        if (a.kind == Kind::Linked && a.answer != 0) std::abort();
    }
    (void)ConnectOkText(data[0]);
    (void)PortProbeText(data[1], data[0]);
    return 0;
}
