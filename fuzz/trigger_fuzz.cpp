// The data-trigger matcher against the plain statement of what it must find: the first
// bytes choose the case folding and the pattern, the rest is the stream.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "comm/core/TriggerOracle.h"
#include "comm/core/Triggers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  bool ignoreCase = data[0] & 0x80;
  size_t len = 1 + (data[0] & 0x7F) % kMaxTriggerLen;
  if (size < 1 + len) return 0;
  const uint8_t* pattern = data + 1;
  const uint8_t* stream = data + 1 + len;
  size_t streamSize = size - 1 - len;

  TDataTriggerMatcher m;
  m.Init(pattern, len, ignoreCase);
  auto expected = quiro::comm::BruteForceTriggerMatches(pattern, len, ignoreCase, stream, streamSize);
  size_t next = 0;
  for (size_t i = 0; i < streamSize; ++i) {
    bool hit = m.MatchDataTrigger(stream[i]);
    bool want = next < expected.size() && expected[next] == i;
    if (hit != want) std::abort();
    if (hit) ++next;
    if (m.PartialLength() >= len) std::abort();
  }
  if (next != expected.size()) std::abort();
  return 0;
}
