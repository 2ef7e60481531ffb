// The plain statement of what a data trigger finds, for checking the matcher: the end
// positions of the pattern in a stream, where a match only counts when it starts after
// the end of the previous one (the matcher's state is cleared at each match).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "comm/core/Triggers.h"

namespace quiro::comm {

inline std::vector<size_t> BruteForceTriggerMatches(const uint8_t* pattern, size_t len, bool ignoreCase,
                                                    const uint8_t* data, size_t size) {
  std::vector<size_t> ends;
  if (len == 0) return ends;
  auto fold = [&](uint8_t c) { return ignoreCase ? LinkUpCase(c) : c; };
  size_t start = 0;
  for (size_t i = 0; i < size; ++i) {
    if (i + 1 < start + len) continue;
    size_t k = 0;
    while (k < len && fold(data[i + 1 - len + k]) == fold(pattern[k])) ++k;
    if (k == len) {
      ends.push_back(i);
      start = i + 1;
    }
  }
  return ends;
}

}  // namespace quiro::comm
