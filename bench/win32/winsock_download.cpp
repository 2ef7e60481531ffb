// A 10 MB download from a server on 127.0.0.1 through the Winsock port (socket notices,
// the dispatcher, its ring and the availability notification to a handler that reads
// every block), beside the same download through a plain blocking socket. Prints the rate
// and the processor time of each, and the ratio. Run under Wine by `make bench`.
#include <winsock2.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "BenchClock.h"
#include "comm/CommExcept.h"
#include "comm/CommTestKit.h"
#include "comm/WinsockPort.h"

using namespace quiro::comm::test;
using namespace quiro::bench;

namespace {

constexpr size_t kBytes = 10 << 20;
constexpr int kRounds = 5;

Sample Measure(const std::function<size_t(uint16_t)>& download, const std::string& payload) {
  TestServer sender([&](SOCKET s) { SendAll(s, payload); });
  double t0 = Now(), c0 = CpuSeconds();
  size_t got = download(sender.Port());
  Sample s{Now() - t0, CpuSeconds() - c0};
  if (got != payload.size()) std::fprintf(stderr, "short download: %zu of %zu bytes\n", got, payload.size());
  return s;
}

// Reads as large as the port's own (InSize 32768).
size_t PlainDownload(uint16_t port) {
  SOCKET s = ConnectTo(port);
  std::vector<char> buf(32768);
  size_t total = 0;
  for (int n; (n = ::recv(s, buf.data(), int(buf.size()), 0)) > 0;) total += size_t(n);
  ::closesocket(s);
  return total;
}

size_t PortDownload(uint16_t p, uint16_t inSize) {
  TLinkWinsockPort port;
  port.SetDeviceLayer(dlWinsock);
  port.Telnet = false;
  port.SetInSize(inSize);
  size_t total = 0;
  bool closed = false;
  std::vector<char> buf(65536);
  port.SetOnTriggerAvail([&](TComponent*, uint16_t n) {
    port.GetBlock(buf.data(), n);
    total += n;
  });
  port.OnWsDisconnect = [&](TComponent*) { closed = true; };
  port.SetWsAddress("127.0.0.1");
  port.SetWsPort(std::to_string(p));
  port.SetOpen(true);
  MSG m;
  while (!closed && GetMessageA(&m, nullptr, 0, 0) > 0) {
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
  return total;
}

}  // namespace

// With arguments, one kind of download only, for a profiler or a call count:
// `plain [rounds]` or `<InSize> [rounds]`.
int main(int argc, char** argv) {
  InitLinkLibrary();
  std::string payload = PatternBytes(kBytes, 1);
  double mb = double(kBytes) / (1 << 20);
  if (argc > 1) {
    std::string what = argv[1];
    int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : kRounds;
    std::vector<Sample> runs;
    for (int r = 0; r < rounds; ++r)
      runs.push_back(what == "plain" ? Measure(PlainDownload, payload)
                                     : Measure([&](uint16_t p) { return PortDownload(p, uint16_t(std::atoi(what.c_str()))); }, payload));
    Sample m = Median(runs);
    std::printf("10 MB download from 127.0.0.1, %s, median of %d: %8.1f MB/s  cpu %.3f s\n", what.c_str(), rounds,
                mb / m.seconds, m.cpu);
    return 0;
  }
  // The port with the component's default input queue (InSize 4096), and as the main
  // window has it (32768).
  const uint16_t sizes[] = {4096, 32768};
  std::vector<Sample> plain, port[2];
  for (int r = 0; r < kRounds; ++r) {
    plain.push_back(Measure(PlainDownload, payload));
    for (int i = 0; i < 2; ++i)
      port[i].push_back(Measure([&](uint16_t p) { return PortDownload(p, sizes[i]); }, payload));
  }
  Sample a = Median(plain);
  std::printf("10 MB download from 127.0.0.1, median of %d\n", kRounds);
  std::printf("  plain socket                %8.1f MB/s  cpu %.3f s\n", mb / a.seconds, a.cpu);
  for (int i = 0; i < 2; ++i) {
    Sample b = Median(port[i]);
    std::printf("  Winsock port, InSize %5u  %8.1f MB/s  cpu %.3f s   port/plain: time x%.2f cpu x%.2f\n",
                unsigned(sizes[i]), mb / b.seconds, b.cpu, b.seconds / a.seconds, b.cpu / std::max(a.cpu, 1e-6));
  }
  return 0;
}
