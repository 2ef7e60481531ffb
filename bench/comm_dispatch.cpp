// Receive throughput of the dispatcher: device reads into the ring, data-trigger scanning
// and the availability notification, with a handler that reads every byte.
#include <benchmark/benchmark.h>

#include <deque>
#include <string>

#include "comm/core/Dispatcher.h"
#include "comm/core/Triggers.h"

namespace {

class MemoryDevice : public TLinkBaseDispatcher {
 public:
  std::string pending;
  int32_t EscapeComFunction(int32_t) override { return 0; }
  int32_t FlushCom(int32_t) override { return 0; }
  int32_t GetComError(TLinkComStat& s) override {
    s = {};
    s.cbInQue = uint32_t(pending.size());
    return 0;
  }
  uint32_t GetComEventMask(int32_t) override { return 0; }
  int32_t GetComState(TLinkDCB&) override { return 0; }
  int32_t ReadCom(uint8_t* buf, int32_t size) override {
    size_t n = std::min(size_t(size), pending.size());
    pending.copy(reinterpret_cast<char*>(buf), n);
    pending.erase(0, n);
    return int32_t(n);
  }
  int32_t SetComState(TLinkDCB&) override { return 0; }
  int32_t WriteCom(const uint8_t*, int32_t size) override { return size; }
  bool WaitComEvent(uint32_t&, void*) override { return true; }
  bool SetupCom(int32_t, int32_t) override { return true; }
  void StartDispatcher() override {}
  void StopDispatcher() override {}
  intptr_t OpenCom(const char*, int32_t, int32_t) override { return 1; }
  int32_t CloseCom() override { return 0; }
  void ProcessCommunications() override {}
};

void ReadAll(void* self, uint32_t msg, uint32_t count, int32_t) {
  static uint8_t sink[8192];
  if (msg == LinkMsgTriggerAvail) static_cast<MemoryDevice*>(self)->GetBlock(sink, count);
}

void BM_ReceiveWithTriggers(benchmark::State& state) {
  MemoryDevice dev;
  dev.InitPort("X", 115200, 0, 8, 1, 4096, 4096, true, true);
  dev.RegisterEventTriggerHandler({&ReadAll, &dev});
  dev.ChangeLengthTrigger(1);
  for (int i = 0; i < state.range(0); ++i) dev.AddDataTrigger(i == 0 ? "**\x18" "B01" : "rz\r", true);
  std::string block;
  for (int i = 0; i < 1024; ++i) block += "\x1B[1;33m*** BBS \xB0\xA1\xB3\xAA ***";
  block.resize(4096);
  for (auto _ : state) {
    dev.pending = block;
    dev.ProcessComEvent(evRxChar);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(block.size()));
}
BENCHMARK(BM_ReceiveWithTriggers)->Arg(0)->Arg(1)->Arg(4);

void BM_MatcherOnly(benchmark::State& state) {
  TDataTriggerMatcher m;
  std::string p = "**\x18" "B01";
  m.Init(reinterpret_cast<const uint8_t*>(p.data()), p.size(), false);
  std::string data(4096, '*');
  size_t hits = 0;
  for (auto _ : state) {
    for (char c : data) hits += m.MatchDataTrigger(uint8_t(c));
  }
  benchmark::DoNotOptimize(hits);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
}
BENCHMARK(BM_MatcherOnly);

}  // namespace
