#include "comm/core/TapiBinding.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "comm/core/CommErrors.h"

namespace {

struct FakeLoader : ILinkLibraryLoader {
  bool present = true;
  std::set<std::string> missing;
  int loads = 0, frees = 0;
  std::vector<std::string> lookups;
  void* Load(const char* name) override {
    ++loads;
    return present && std::string(name) == "TAPI32" ? this : nullptr;
  }
  void* GetProc(void*, const char* name) override {
    lookups.push_back(name);
    return missing.count(name) ? nullptr : reinterpret_cast<void*>(lookups.size());
  }
  void Free(void*) override { ++frees; }
};

TEST(TapiBinding, MissingLibraryOrEntryPoint) {
  FakeLoader loader;
  loader.present = false;
  {
    TLinkTapiBinding tapi(loader);
    int32_t code = 0;
    EXPECT_EQ(tapi.Entry(teInitialize, code), nullptr);
    EXPECT_EQ(code, ecTapiLoadFail);
    EXPECT_EQ(tapi.Entry(teMakeCall, code), nullptr);
    EXPECT_EQ(loader.loads, 2);  // tried again on the next call
  }
  EXPECT_EQ(loader.frees, 0);
  loader.present = true;
  loader.missing = {"lineGetTranslateCaps"};
  {
    TLinkTapiBinding tapi(loader);
    int32_t code = 1;
    EXPECT_NE(tapi.Entry(teInitialize, code), nullptr);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(tapi.Entry(teGetTranslateCaps, code), nullptr);
    EXPECT_EQ(code, ecTapiGetAddrFail);
    ASSERT_EQ(loader.lookups.size(), size_t(teCount));  // all looked up once, in order
    EXPECT_EQ(loader.lookups.front(), "lineGenerateTone");
    EXPECT_EQ(loader.lookups[teNegotiateAPIVersion], "lineNegotiateAPIVersion");
  }
  EXPECT_EQ(loader.frees, 1);
}

TEST(TapiBinding, VariableSizeRecordsGrowToWhatIsNeeded) {
  std::vector<uint32_t> seen;
  std::vector<uint8_t> record;
  auto call = [&](uint8_t* r) -> int32_t {
    uint32_t total = r[0] | r[1] << 8 | r[2] << 16 | uint32_t(r[3]) << 24;
    seen.push_back(total);
    if (total < 300) return kLineErrStructureTooSmall;
    r[4] = uint8_t(2000 & 0xFF);  // needs 2000 bytes
    r[5] = uint8_t(2000 >> 8);
    return 0;
  };
  EXPECT_EQ(TapiCallDyn(240, call, record), 0);
  EXPECT_EQ(seen, (std::vector<uint32_t>{240, 1024, 2000}));
  EXPECT_EQ(record.size(), 2000u);
  EXPECT_EQ(TapiCallDyn(36, [](uint8_t*) { return -5; }, record), -5);
  EXPECT_TRUE(record.empty());
}

}  // namespace
