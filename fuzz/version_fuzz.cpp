// The version resource walk over any bytes: it stays inside them and ends.
#include <cstddef>
#include <cstdint>
#include <span>

#include "windows/core/VersionInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    (void)FindFileVersion(std::span<const uint8_t>(data, size));
    return 0;
}
