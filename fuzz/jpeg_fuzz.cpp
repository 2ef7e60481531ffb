// Feeds arbitrary bytes to the JPEG decoder: it must return (never end the process), and
// its result must be consistent whatever the bytes.
#include <cstddef>
#include <cstdint>

#include "framework/core/JpegDecode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quiro::framework::JpegLimits limits;
  limits.maxPixels = 1u << 20;  // keeps each run quick; the rules are the same
  limits.maxWorkMemory = 64u * 1024 * 1024;
  limits.maxScans = 200;
  quiro::framework::JpegPicture p = quiro::framework::DecodeJpeg(data, size, limits);
  if (p.HasPixels()) {
    if (p.width <= 0 || p.height <= 0 || static_cast<uint64_t>(p.width) * p.height > limits.maxPixels ||
        p.bgr.size() != static_cast<size_t>(p.width) * static_cast<size_t>(p.height) * 3 || p.completeRows < 0 ||
        p.completeRows > p.height)
      __builtin_trap();
  } else if (p.message.empty() || !p.bgr.empty()) {
    __builtin_trap();
  }
  return 0;
}
