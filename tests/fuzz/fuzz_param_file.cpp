// Fuzzes the parameter file reader: it must never crash and must keep its own promises.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "params/pure/param_file.h"

using namespace verrano;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ParamFileParse r = ParseParamFile(text);
    if (r.values.size() > static_cast<size_t>(kBlockSize)) std::abort();
    using E = ParamFileParse::Error;
    if (r.error == E::None && r.badField != -1) std::abort();
    if (r.error == E::BadField && r.badField != static_cast<int>(r.values.size())) std::abort();
    if (r.error == E::TooManyFields && (r.badField != kBlockSize || r.values.size() != 19))
        std::abort();
    // A complete file that was taken must survive a write and a second read unchanged.
    if (r.error == E::None && r.values.size() == static_cast<size_t>(kBlockSize)) {
        ParamBytes block{};
        for (int i = 0; i < kBlockSize; ++i)
            block[i] = r.values[i];
        const ParamFileParse again = ParseParamFile(FormatParamFile(block));
        if (again.error != E::None || again.values != r.values) std::abort();
    }
    return 0;
}
