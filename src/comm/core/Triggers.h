// Trigger records of the dispatcher and the data-trigger matcher.
#pragma once

#include <cstddef>
#include <cstdint>

#include "comm/core/LinkUtil.h"

enum TTriggerType : uint8_t { ttNone = 0, ttAvail = 1, ttTimer = 2, ttData = 3, ttStatus = 4 };

// Port notification messages; the high word of lParam is the dispatcher's Handle.
enum : uint32_t {
  LinkMsgTriggerAvail = 0x7E01,   // wParam = byte count
  LinkMsgTriggerData = 0x7E02,    // wParam = trigger handle, low word of lParam = pattern length
  LinkMsgTriggerTimer = 0x7E03,   // wParam = trigger handle
  LinkMsgTriggerStatus = 0x7E04,  // wParam = trigger handle, low word of lParam = count (kinds 3, 4)
  // Told once by a serial or telephony dispatcher when its line failed: the device went
  // away (a removed adapter, a pseudo-terminal whose other side closed), a write failed,
  // or one of its threads met an error it could not handle; after what came in before was
  // offered. wParam = the library code of the failure, made positive; the data is 0. The
  // dispatcher goes on with its timers and reads nothing more.
  LinkMsgLineLost = 0x7E05,
};

// Status trigger kinds (the low 3 bits of a status trigger's handle).
enum : uint8_t {
  stNotActive = 0,
  stModem = 1,
  stLine = 2,
  stOutBuffFree = 3,
  stOutBuffUsed = 4,
  stOutSent = 5,
};

inline constexpr uint16_t kAvailTriggerHandle = 1;
inline constexpr size_t kMaxTriggerLen = 21;

inline uint8_t LinkUpCase(uint8_t c) { return c >= 'a' && c <= 'z' ? uint8_t(c - 32) : c; }

// Finds one pattern in a byte stream fed one byte at a time, so that a pattern split over
// several reads is still found. It follows every partial match in progress at once (the
// longest one and, through the fall-back table, all the shorter ones that are its
// borders), so overlapping starts are never lost ("aab" is found in "aaab") and the state
// never outgrows the pattern. After a match the state is cleared: the next match must
// start after the end of this one.
class TDataTriggerMatcher {
 public:
  // Upper-cases the pattern when ignoreCase; len must be 1..kMaxTriggerLen.
  void Init(const uint8_t* pattern, size_t len, bool ignoreCase);
  bool MatchDataTrigger(uint8_t c);  // true when c completes the pattern
  void Reset() { state_ = 0; }

  size_t Length() const { return len_; }
  bool IgnoreCase() const { return ignoreCase_; }
  const uint8_t* Pattern() const { return pattern_; }
  size_t PartialLength() const { return state_; }

 private:
  uint8_t pattern_[kMaxTriggerLen] = {};
  uint8_t fallback_[kMaxTriggerLen + 1] = {};  // longest proper border of pattern[0..i)
  uint8_t len_ = 0;
  uint8_t state_ = 0;  // length of the longest partial match in progress
  bool ignoreCase_ = false;
};

struct TTimerTrigger {
  uint16_t Handle = 0;
  EventTimer Timer;
  int32_t Ticks = 0;
  bool Enabled = false;
};

struct TDataTrigger {
  uint16_t Handle = 0;
  TDataTriggerMatcher Matcher;
  bool Matched = false;
};

struct TStatusTrigger {
  uint16_t Handle = 0;
  uint8_t Kind = 0;
  uint16_t Value = 0;  // kind 1: reference status (low byte) and mask (high byte); 2: error mask; 3, 4: threshold
  bool Enabled = false;
  bool Hit = false;
};
