// A transfer at full speed over a socat pseudo-terminal pair linked in as two COM ports:
// through the serial device layer (the dispatcher's three threads, the ring and the
// availability notification to a window on the main thread that reads every block; the
// output ring and its thread), beside a plain overlapped ReadFile/WriteFile loop on the
// same pair. Prints the rate and the processor time of each direction, and the ratios.
// Run under Wine by `make bench`.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "BenchClock.h"
#include "comm/CommExcept.h"
#include "comm/CommTestKit.h"
#include "comm/SerialPair.h"
#include "comm/Win32Device.h"

using namespace quiro::comm::test;
using namespace quiro::bench;

namespace {

constexpr size_t kBytes = 4 << 20;
constexpr int kRounds = 3;

Sample Measure(const std::function<void()>& run) {
  double t0 = Now(), c0 = CpuSeconds();
  run();
  return {Now() - t0, CpuSeconds() - c0};
}

// The plain end: one overlapped handle, raw 8-bit line, reads that wait for some data.
class TPlainPort {
 public:
  explicit TPlainPort(const std::string& name) : h_(OpenRawPort(name)) {
    event_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    COMMTIMEOUTS t{};
    t.ReadIntervalTimeout = 1;
    SetCommTimeouts(h_, &t);
  }
  ~TPlainPort() {
    CloseHandle(event_);
    CloseHandle(h_);
  }
  void WriteAll(const std::string& data) {
    for (size_t i = 0; i < data.size(); i += 8192) Io(false, const_cast<char*>(data.data() + i), DWORD(std::min<size_t>(8192, data.size() - i)));
  }
  size_t ReadAll(size_t want) {
    std::vector<char> buf(32768);
    size_t total = 0;
    while (total < want) {
      DWORD n = Io(true, buf.data(), DWORD(buf.size()));
      if (n == DWORD(-1)) break;
      total += n;
    }
    return total;
  }

 private:
  DWORD Io(bool read, char* buf, DWORD len) {
    OVERLAPPED ov{};
    ov.hEvent = event_;
    ResetEvent(event_);
    DWORD n = 0;
    BOOL ok = read ? ReadFile(h_, buf, len, &n, &ov) : WriteFile(h_, buf, len, &n, &ov);
    if (!ok && GetLastError() == ERROR_IO_PENDING) ok = GetOverlappedResult(h_, &ov, &n, TRUE);
    return ok ? n : DWORD(-1);
  }
  HANDLE h_, event_;
};

void Report(const char* what, const Sample& s, const Sample* base) {
  double mb = double(kBytes) / (1 << 20);
  std::printf("  %-34s %7.2f MB/s  cpu %.3f s", what, mb / s.seconds, s.cpu);
  if (base) std::printf("   layer/plain: time x%.2f cpu x%.2f", s.seconds / base->seconds, s.cpu / std::max(base->cpu, 1e-6));
  std::printf("\n");
}

}  // namespace

// With arguments, one direction through one end only, for a profiler or a call count:
// `plain-in|layer-in|plain-out|layer-out [rounds]`.
int main(int argc, char** argv) {
  InitLinkLibrary();
  std::string only = argc > 1 ? argv[1] : "";
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : kRounds;
  auto want = [&](const char* what) { return only.empty() || only == what; };
  TSerialPair pair(61, 62);
  if (!pair.Ready()) {
    std::fprintf(stderr, "no socat pair (run under the Wine harness)\n");
    return 1;
  }
  std::string payload = PatternBytes(kBytes, 1);
  std::vector<Sample> plainIn, plainOut, layerIn, layerOut;
  for (int r = 0; r < rounds; ++r) {
    {
      TPlainPort nearEnd(pair.Near()), farEnd(pair.Far());
      if (want("plain-in"))
        plainIn.push_back(Measure([&] {
          std::thread writer([&] { farEnd.WriteAll(payload); });
          nearEnd.ReadAll(payload.size());
          writer.join();
        }));
      if (want("plain-out"))
        plainOut.push_back(Measure([&] {
          std::thread reader([&] { farEnd.ReadAll(payload.size()); });
          nearEnd.WriteAll(payload);
          reader.join();
        }));
    }
    if (!want("layer-in") && !want("layer-out")) continue;
    TLinkWin32Dispatcher d;
    d.InitPort(pair.Near().c_str(), 115200, parNone, 8, 1, 8192, 32768, true, true);
    TLineWindow window(d);
    TPlainPort farEnd(pair.Far());
    if (want("layer-in")) {
      layerIn.push_back(Measure([&] {
        std::thread writer([&] { farEnd.WriteAll(payload); });
        PumpUntil([&] { return window.got.size() >= payload.size(); }, 600000);
        writer.join();
      }));
      if (window.got != payload) std::fprintf(stderr, "received bytes differ\n");
    }
    if (want("layer-out"))
      layerOut.push_back(Measure([&] {
        std::thread reader([&] { farEnd.ReadAll(payload.size()); });
        for (size_t i = 0; i < payload.size();) {
          uint32_t n = uint32_t(std::min<size_t>(4096, payload.size() - i));
          if (d.PutBlock(reinterpret_cast<const uint8_t*>(payload.data() + i), n) == 0)
            i += n;
          else
            Sleep(1);  // the output ring is full: let the output thread write
        }
        reader.join();
      }));
    d.DonePort();
  }
  std::printf("%zu MB each way over a socat pseudo-terminal pair, median of %d\n", kBytes >> 20, rounds);
  auto report = [&](const char* what, const std::vector<Sample>& runs, const std::vector<Sample>& base) {
    if (runs.empty()) return;
    Sample s = Median(runs), b = base.empty() ? Sample{} : Median(base);
    Report(what, s, base.empty() ? nullptr : &b);
  };
  report("plain ReadFile loop, receiving", plainIn, {});
  report("serial layer, receiving", layerIn, plainIn);
  report("plain WriteFile loop, sending", plainOut, {});
  report("serial layer, sending", layerOut, plainOut);
  return 0;
}
