// Tests that need a part of the test harness (the Wine prefix with its serial lines, the
// telephony test double). Run by hand without it, such a test is skipped; under make test
// the harness is there by design (QUIRO_REQUIRE_HARNESS=1), so a part that is missing fails
// the test instead of letting it pass unseen.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

inline bool HarnessRequired() {
  const char* required = std::getenv("QUIRO_REQUIRE_HARNESS");
  return required && std::string(required) == "1";
}

// In a test body or SetUp: skips, or fails under make test, when present is false.
#define QUIRO_NEEDS_HARNESS(present, what)                                   \
  do {                                                                       \
    if (!(present)) {                                                        \
      if (HarnessRequired()) FAIL() << (what) << " is not in place";         \
      GTEST_SKIP() << (what) << " is not in place";                          \
    }                                                                        \
  } while (0)

inline bool InWinePrefix() {
  const char* prefix = std::getenv("WINEPREFIX");
  return prefix && *prefix;
}

// The telephony test double is loaded in place of the system's "tapi32.dll" (the ctest
// entries that want it set the override, which scripts/wine-run hands to Wine).
inline bool TelephonyDoubleInPlace() {
  const char* overrides = std::getenv("WINEDLLOVERRIDES");
  return overrides && std::string(overrides).find("tapi32=n") != std::string::npos;
}

// The system code page the harness gives Wine: 949 (Korean) unless the ctest entry runs
// under another one and says which (QUIRO_EXPECT_ACP).
inline unsigned HarnessCodePage() {
  const char* expected = std::getenv("QUIRO_EXPECT_ACP");
  return expected && std::atoi(expected) > 0 ? static_cast<unsigned>(std::atoi(expected)) : 949u;
}
