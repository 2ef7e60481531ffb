#include <gtest/gtest.h>

#include <random>
#include <string>

#include "comm/core/TriggerOracle.h"
#include "comm/core/Triggers.h"

using quiro::comm::BruteForceTriggerMatches;

namespace {

std::vector<size_t> Feed(const std::string& pattern, bool ignoreCase, const std::string& data) {
  TDataTriggerMatcher m;
  m.Init(reinterpret_cast<const uint8_t*>(pattern.data()), pattern.size(), ignoreCase);
  std::vector<size_t> ends;
  for (size_t i = 0; i < data.size(); ++i)
    if (m.MatchDataTrigger(uint8_t(data[i]))) ends.push_back(i);
  return ends;
}

std::vector<size_t> Oracle(const std::string& pattern, bool ignoreCase, const std::string& data) {
  return BruteForceTriggerMatches(reinterpret_cast<const uint8_t*>(pattern.data()), pattern.size(),
                                  ignoreCase, reinterpret_cast<const uint8_t*>(data.data()), data.size());
}

const std::string kZModem = std::string("**") + '\x18' + "B01";

TEST(DataTriggerMatcher, KnownCases) {
  using V = std::vector<size_t>;
  struct Row {
    std::string pattern;
    bool ignoreCase;
    std::string data;
    V ends;
  } rows[] = {
      {"aab", false, "aaab", V{3}},
      {"aa", false, "aaaa", V{1, 3}},  // cleared after a match: no overlap
      {"abab", false, "abababab", V{3, 7}},
      {"rz\r", true, "RZ\r rz\r", V{2, 6}},
      {kZModem, false, std::string(40, '*') + '\x18' + "B01", V{43}},
      {kZModem, false, std::string(23, '*') + '\x18' + "B0" + '*' + '*' + '\x18' + "B01", V{31}},
      {"\xB0\xA1", true, "\xB0\xA1\xB0\xC1", V{1}},  // bytes above 0x7F are not folded
  };
  for (const auto& r : rows) {
    EXPECT_EQ(Feed(r.pattern, r.ignoreCase, r.data), r.ends) << r.pattern;
    EXPECT_EQ(Oracle(r.pattern, r.ignoreCase, r.data), r.ends) << r.pattern;
  }
}

// A row of asterisks longer than the pattern used to overrun the partial-match counters
// and then miss the ZModem header; the state never grows past the pattern now.
TEST(DataTriggerMatcher, LongRunsOfTheFirstByte) {
  TDataTriggerMatcher m;
  m.Init(reinterpret_cast<const uint8_t*>(kZModem.data()), kZModem.size(), false);
  for (int i = 0; i < 10000; ++i) {
    EXPECT_FALSE(m.MatchDataTrigger('*'));
    EXPECT_LE(m.PartialLength(), 2u);
  }
  for (char c : std::string("\x18" "B0")) EXPECT_FALSE(m.MatchDataTrigger(uint8_t(c)));
  EXPECT_TRUE(m.MatchDataTrigger('1'));
  EXPECT_EQ(m.PartialLength(), 0u);
}

TEST(DataTriggerMatcher, AgreesWithTheOracleOnRandomStreams) {
  std::mt19937 rng(20261206);
  for (int round = 0; round < 3000; ++round) {
    // Small alphabets make overlaps and near misses common.
    int alphabet = 1 + int(rng() % 4);
    auto byte = [&] { return char('a' + rng() % alphabet - (rng() % 3 == 0 ? 32 : 0)); };
    std::string pattern(1 + rng() % kMaxTriggerLen, ' ');
    for (auto& c : pattern) c = byte();
    std::string data(rng() % 300, ' ');
    for (auto& c : data) c = byte();
    bool ignoreCase = rng() % 2;
    ASSERT_EQ(Feed(pattern, ignoreCase, data), Oracle(pattern, ignoreCase, data))
        << "pattern " << pattern << " data " << data << " ignoreCase " << ignoreCase;
  }
}

}  // namespace
