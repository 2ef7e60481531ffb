// A 10 MB ZModem download from sz behind the inetutils telnet server: through the program
// (quiro_probe.exe, its download started by sz's own announcement) beside lrzsz's rz on a
// plain telnet client, in the same run and over the same server. Wall time from the
// connection to the whole file on disk, and processor time (the program's whole process;
// rz's own, as its shell counts it, the telnet client beside it not included); prints both
// and their ratios. Run under Wine by `make bench`.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "BenchClock.h"
#include "comm/CommTestKit.h"
#include "console/ProgramKit.h"

using namespace quiro::bench;
using namespace quiro::comm::test;
using namespace quiro::console::test;

namespace {

constexpr size_t kBytes = 10 << 20;
constexpr int kRounds = 3;
constexpr DWORD kLimit = 300000;

int64_t FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA d{};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d)) return -1;
  return (int64_t(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The host: sz sends the file as soon as someone connects.
void Serve(TelnetHost& host, const std::string& payload) {
  host.Write("big.bin", payload);
  CreateDirectoryA(host.Path("in").c_str(), nullptr);
}

// The children's user and system times from the shell's `times` ("0m0.01s 0m0.02s" twice,
// the shell's own line first).
double ChildCpu(const std::string& times) {
  double total = 0;
  size_t line = times.find('\n');
  if (line == std::string::npos) return -1;
  int minutes;
  double seconds;
  const char* p = times.c_str() + line + 1;
  for (int i = 0; i < 2; ++i) {
    int used = 0;
    if (std::sscanf(p, " %dm%lfs%n", &minutes, &seconds, &used) != 2) return -1;
    total += minutes * 60 + seconds;
    p += used;
  }
  return total;
}

Sample ThroughProgram(const std::string& payload) {
  TelnetHost host("exec sz -e big.bin\n");
  Serve(host, payload);
  std::string folder = host.Path("in");
  for (char& c : folder)
    if (c == '/') c = '\\';
  Settings()->WriteString("DownloadDir", folder);
  Settings()->WriteInteger("ZModemShowFinishDialog", 0);
  QuiroProgram q;
  if (!q.Window()) return {-1, -1};
  const double c0 = q.State().Int("processorMillis") / 1e3;
  const std::string file = folder + "\\big.bin";
  double t0 = Now();
  q.Connect("127.0.0.1:" + host.Port());
  ProbeState s;
  if (!PumpUntil([&] { return FileSize(file) == int64_t(kBytes); }, kLimit) ||
      !q.WaitFor([](const ProbeState& st) { return st.Int("transferRunning") == 0; }, kLimit, &s))
    return {-1, -1};
  Sample r{Now() - t0, s.Int("processorMillis") / 1e3 - c0};
  if (ReadFile(file) != payload) std::fprintf(stderr, "the program's copy differs\n");
  q.Close();
  return r;
}

Sample ThroughRz(const std::string& payload) {
  TelnetHost host("exec sz -e big.bin\n");
  Serve(host, payload);
  std::string cmd = std::string(QUIRO_COMM_PEER) + " telnet " + host.Port() + " /bin/sh -c \"cd " + host.Dir() +
                    "/in && rz -q; times > ../cpu; touch ../done\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  double t0 = Now();
  if (!CreateProcessA(("Z:" + std::string(QUIRO_COMM_PEER)).c_str(), cmd.data(), nullptr, nullptr, FALSE, 0,
                      nullptr, nullptr, &si, &pi))
    return {-1, -1};
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  if (!PumpUntil([&] { return FileSize(host.Path("done")) >= 0; }, kLimit)) return {-1, -1};
  Sample r{Now() - t0, ChildCpu(ReadFile(host.Path("cpu")))};
  if (ReadFile(host.Path("in/big.bin")) != payload) std::fprintf(stderr, "rz's copy differs\n");
  return r;
}

}  // namespace

int main() {
  const std::string payload = PatternBytes(kBytes, 21);
  DeleteSettings();
  std::vector<Sample> program, rz;
  for (int r = 0; r < kRounds; ++r) {
    program.push_back(ThroughProgram(payload));
    rz.push_back(ThroughRz(payload));
  }
  DeleteSettings();
  Sample a = Median(program), b = Median(rz);
  double mb = double(kBytes) / (1 << 20);
  std::printf("10 MB ZModem download from sz through the telnet server, median of %d\n", kRounds);
  std::printf("  quiro_probe.exe   %6.2f s  %6.2f MB/s  cpu %.2f s\n", a.seconds, mb / a.seconds, a.cpu);
  std::printf("  rz                %6.2f s  %6.2f MB/s  cpu %.2f s\n", b.seconds, mb / b.seconds, b.cpu);
  std::printf("  program/rz: time x%.2f cpu x%.2f\n", a.seconds / b.seconds, a.cpu / std::max(b.cpu, 1e-6));
  return 0;
}
