#include "comm/core/Triggers.h"

void TDataTriggerMatcher::Init(const uint8_t* pattern, size_t len, bool ignoreCase) {
  if (len > kMaxTriggerLen) len = kMaxTriggerLen;
  len_ = uint8_t(len);
  ignoreCase_ = ignoreCase;
  state_ = 0;
  for (size_t i = 0; i < len; ++i) pattern_[i] = ignoreCase ? LinkUpCase(pattern[i]) : pattern[i];
  fallback_[0] = 0;
  if (len > 0) fallback_[1] = 0;
  uint8_t k = 0;
  for (size_t i = 1; i < len; ++i) {
    while (k > 0 && pattern_[i] != pattern_[k]) k = fallback_[k];
    if (pattern_[i] == pattern_[k]) ++k;
    fallback_[i + 1] = k;
  }
}

bool TDataTriggerMatcher::MatchDataTrigger(uint8_t c) {
  if (len_ == 0) return false;
  if (ignoreCase_) c = LinkUpCase(c);
  while (state_ > 0 && pattern_[state_] != c) state_ = fallback_[state_];
  if (pattern_[state_] == c) ++state_;
  if (state_ == len_) {
    state_ = 0;
    return true;
  }
  return false;
}
