// Compares two byte strings and, when they differ, says where (not the bytes themselves:
// they may be megabytes).
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace quiro::comm::test {

inline ::testing::AssertionResult Same(const std::string& got, const std::string& want) {
  if (got == want) return ::testing::AssertionSuccess();
  size_t i = 0;
  while (i < got.size() && i < want.size() && got[i] == want[i]) ++i;
  return ::testing::AssertionFailure() << got.size() << " bytes against " << want.size() << ", first difference at "
                                       << i;
}

}  // namespace quiro::comm::test
