// ZModem throughput: frame encoding and decoding, the checksums, a real download from sz
// compared with rz, and the sender's 100 ms pacing.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>

#include "../tools/zm/peer/PeerHarness.h"
#include "engines/core/CrcTables.h"
#include "engines/core/ZModem.h"

using namespace quiro::engines;
using namespace quiro::engines::zproto;
using namespace quiro::zmtool;

namespace {

constexpr size_t SixteenMiB = 16u << 20;

const peer::Bytes& Random16()
{
    static const peer::Bytes data = peer::RandomBytes(SixteenMiB, 42);
    return data;
}

void BM_EncodeSubpackets(benchmark::State& state)
{
    const EscapeMode mode{state.range(0) != 0, false};
    const peer::Bytes& data = Random16();
    std::vector<uint8_t> out;
    for (auto _ : state) {
        for (size_t off = 0; off < data.size(); off += 1024) {
            out.clear();
            AppendDataSubpacket32(out, data.data() + off, 1024, ZCRCG, mode);
            benchmark::DoNotOptimize(out.data());
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
    state.SetLabel(mode.escapeControls ? "escape controls" : "plain");
}
BENCHMARK(BM_EncodeSubpackets)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Receiving: a whole ZFILE/ZDATA stream of 16 MiB, in 8 KiB blocks through ProcessBytes
// (arg 1) or byte by byte through ProcessByte (arg 0), into a store that only counts.
struct CountingFiles : FileStore {
    uint64_t written = 0;
    int Create(const std::string&) override { return 1; }
    int OpenExisting(const std::string&, bool) override { return -1; }
    int32_t Read(int, uint8_t*, uint32_t) override { return -1; }
    bool Write(int, const uint8_t*, uint32_t n) override { written += n; return true; }
    bool Seek(int, uint64_t) override { return true; }
    int64_t Size(int) override { return 0; }
    void Close(int) override {}
    bool Remove(const std::string&) override { return true; }
};

struct NullLine : ByteChannel {
    bool IsOpen() const override { return true; }
    bool IsWinsock() const override { return false; }
    uint32_t OutputFree() const override { return 1u << 20; }
    bool PutBlock(const uint8_t*, uint32_t) override { return true; }
};

void BM_DecodeStream(benchmark::State& state)
{
    const EscapeMode mode{state.range(0) != 0, false};
    const bool blocks = state.range(1) != 0;
    const peer::Bytes& data = Random16();
    std::vector<uint8_t> stream;
    uint8_t zero[4] = {0, 0, 0, 0};
    AppendBinaryHeader32(stream, ZFILE, zero, mode);
    std::string info = "f.bin";
    info += '\0';
    info += std::to_string(data.size()) + " 0 0 0 1";
    AppendDataSubpacket32(stream, reinterpret_cast<const uint8_t*>(info.data()), info.size(), ZCRCW, mode);
    AppendBinaryHeader32(stream, ZDATA, zero, mode);
    for (size_t off = 0; off < data.size(); off += 1024)
        AppendDataSubpacket32(stream, data.data() + off, 1024,
                              off + 1024 < data.size() ? ZCRCG : ZCRCE, mode);
    for (auto _ : state) {
        NullLine line;
        CountingFiles files;
        IDravelZModem zm;
        zm.SetFileStore(&files);
        zm.Start(&line, IDravelZModem::DirectionReceive, "d", "");
        if (blocks) {
            for (size_t off = 0; off < stream.size(); off += 8192)
                zm.ProcessBytes(stream.data() + off, std::min<size_t>(8192, stream.size() - off));
        } else {
            for (uint8_t b : stream)
                zm.ProcessByte(b);
        }
        if (files.written != data.size())
            state.SkipWithError("stream not received whole");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
    state.counters["wire_bytes"] = double(stream.size());
    state.SetLabel(std::string(mode.escapeControls ? "escape controls" : "plain") +
                   (blocks ? ", blocks" : ", bytes"));
}
BENCHMARK(BM_DecodeStream)->ArgsProduct({{0, 1}, {1, 0}})->Unit(benchmark::kMillisecond);

void BM_Crc16(benchmark::State& state)
{
    const peer::Bytes& data = Random16();
    for (auto _ : state)
        benchmark::DoNotOptimize(Crc16Of(data.data(), data.size()));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
}
BENCHMARK(BM_Crc16)->Unit(benchmark::kMillisecond);

void BM_Crc32(benchmark::State& state)
{
    const peer::Bytes& data = Random16();
    for (auto _ : state)
        benchmark::DoNotOptimize(Crc32Of(data.data(), data.size()));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
}
BENCHMARK(BM_Crc32)->Unit(benchmark::kMillisecond);

double CpuMs(const rusage& r)
{
    return (r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1000.0 +
           (r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1000.0;
}

struct Timing {
    double wallMs = 0, cpuMs = 0;
    bool ok = false;
};

// sz sends `file` from `src`; either our engine (in this process) or rz receives into `dst`.
Timing DownloadFromSz(const std::string& src, const std::string& dst, bool ours)
{
    int sv[2];
    ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv);
    Timing t;
    uint64_t t0 = MonotonicClock::RealMs();
    pid_t sz = peer::Spawn({"sz", "-q", "big.bin"}, src, sv[1]);
    if (ours) {
        ::close(sv[1]);
        rusage before, after;
        ::getrusage(RUSAGE_SELF, &before);
        PosixFileStore files;
        MonotonicClock clock;
        FdChannel line(sv[0], sv[0]);
        IDravelZModem zm;
        zm.SetFileStore(&files);
        zm.SetClock(&clock);
        zm.Start(&line, IDravelZModem::DirectionReceive, dst + "/", "");
        zm.SendZRINIT();
        SessionEnd end = RunSession(zm, line, nullptr);
        ::getrusage(RUSAGE_SELF, &after);
        t.ok = SessionSucceeded(zm, end);
        t.cpuMs = CpuMs(after) - CpuMs(before);
        ::close(sv[0]);
    } else {
        pid_t rz = peer::Spawn({"rz", "-q", "-y"}, dst, sv[0]);
        ::close(sv[0]);
        ::close(sv[1]);
        int status = 0;
        rusage ru{};
        ::wait4(rz, &status, 0, &ru);
        t.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        t.cpuMs = CpuMs(ru);
    }
    int status = 0;
    rusage ru{};
    ::wait4(sz, &status, 0, &ru);
    t.wallMs = double(MonotonicClock::RealMs() - t0);
    return t;
}

double Median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// A 10 MB download from sz, received by our engine and by rz in turns; the medians of the
// runs (the machine may be busy with other work).
void BM_DownloadFromSzVersusRz(benchmark::State& state)
{
    peer::TempDir tmp;
    std::string src = tmp.Sub("src"), ours = tmp.Sub("ours"), theirs = tmp.Sub("theirs");
    peer::WriteFile(src + "/big.bin", peer::RandomBytes(10000000, 7));
    std::vector<double> oursWall, rzWall, oursCpu, rzCpu;
    for (auto _ : state) {
        Timing a = DownloadFromSz(src, ours, true);
        Timing b = DownloadFromSz(src, theirs, false);
        ::unlink((ours + "/big.bin").c_str());
        ::unlink((theirs + "/big.bin").c_str());
        if (!a.ok || !b.ok)
            state.SkipWithError("a download failed");
        oursWall.push_back(a.wallMs);
        rzWall.push_back(b.wallMs);
        oursCpu.push_back(a.cpuMs);
        rzCpu.push_back(b.cpuMs);
    }
    const double ow = Median(oursWall), rw = Median(rzWall), oc = Median(oursCpu),
                 rc = Median(rzCpu);
    state.counters["ours_wall_ms"] = ow;
    state.counters["rz_wall_ms"] = rw;
    state.counters["ours_cpu_ms"] = oc;
    state.counters["rz_cpu_ms"] = rc;
    state.counters["cpu_ratio"] = rc > 0 ? oc / rc : 0;
    state.counters["wall_ratio"] = rw > 0 ? ow / rw : 0;
}
BENCHMARK(BM_DownloadFromSzVersusRz)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

// Upload to rz with the sender's pump at its real 100 ms interval (arg 1) and unpaced
// (arg 0): the pacing caps an upload near 10 KB/s.
void BM_UploadPacing(benchmark::State& state)
{
    const bool paced = state.range(0) != 0;
    peer::TempDir tmp;
    std::string src = tmp.Sub("src"), dst = tmp.Sub("dst");
    const size_t size = 30000;
    peer::WriteFile(src + "/up.bin", peer::RandomBytes(size, 3));
    uint64_t ticks = 0;
    for (auto _ : state) {
        int sv[2];
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv);
        pid_t rz = peer::Spawn({"rz", "-q", "-y"}, dst, sv[1]);
        ::close(sv[1]);
        PosixFileStore files;
        MonotonicClock clock;
        FdChannel line(sv[0], sv[0]);
        LoopTimer timer(paced ? -1 : 0);
        IDravelZModem zm;
        zm.SetFileStore(&files);
        zm.SetClock(&clock);
        zm.Start(&line, IDravelZModem::DirectionSend, src + "/", "up.bin");
        zm.StartSender(&timer);
        SessionEnd end = RunSession(zm, line, &timer);
        ::close(sv[0]);
        peer::Reap(rz, 5000);
        ticks = timer.Ticks();
        if (!SessionSucceeded(zm, end))
            state.SkipWithError("upload failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(size));
    state.counters["ticks"] = double(ticks);
    state.SetLabel(paced ? "100 ms pump" : "pump every turn");
}
BENCHMARK(BM_UploadPacing)->Arg(1)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
