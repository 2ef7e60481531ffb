// Transfers with lrzsz over a socket pair, directly or through the damaging relay: our
// engine against sz or rz, and sz against rz on the same damage for comparison.
#pragma once

#include <memory>
#include <mutex>

#include "PeerHarness.h"

namespace peer {

using quiro::zmtool::SessionEnd;

// How long a peer may take to end once the line is closed (a loaded machine may be slow
// to run it; the wait ends as soon as it has).
constexpr int kPeerExitMs = 60000;

struct Outcome {
    SessionEnd end = SessionEnd::LineClosed;
    bool ok = false;  // the side on our end of the line reported success
    int status = 0;   // our engine's status word
    int64_t startPosition = 0;
    int peerExit = 0;
    Bytes sent;  // what our engine wrote
    std::string lastName;
    uint64_t ms = 0;  // until our end was done
};

struct Options {
    uint32_t relaySeed = 0;  // 0: direct line
    unsigned faultOneIn = 20000;
    uint32_t bytesPerSec = 0;  // the relay's speed each way; 0: as fast as it goes
    uint32_t clockSpeed = 1;   // our engine's idle periods are this many times shorter
    uint32_t limitMs = 0;      // our end gives up after this long; 0: no limit
};

// A socket pair, or two with the relay between them. Through the relay the socket
// buffers are small, as a serial or modem line's would be.
struct PeerLine {
    int ours = -1, theirs = -1;
    std::unique_ptr<FaultRelay> relay;

    explicit PeerLine(const Options& o)
    {
        int sv[2];
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv);
        ours = sv[0];
        theirs = sv[1];
        if (!o.relaySeed)
            return;
        int sv2[2];
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv2);
        for (int fd : {sv[0], sv[1], sv2[0], sv2[1]}) {
            int size = 16384;
            ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
        }
        relay = std::make_unique<FaultRelay>(sv[1], sv2[0], o.relaySeed, o.faultOneIn,
                                             o.bytesPerSec);
        theirs = sv2[1];
    }
    ~PeerLine()
    {
        CloseOurs();
        relay.reset();
    }
    void CloseOurs()
    {
        if (ours >= 0)
            ::close(ours);
        ours = -1;
    }
};

// Our engine against one lrzsz child: `peerArgs` run in `peerDir`; our side uses `ourDir`
// and, when sending, `upload` (names inside ourDir). Our output queue is the size of the
// comm port's default output ring; our sender's pump runs unpaced.
inline Outcome Transfer(bool sending, const std::vector<std::string>& peerArgs,
                        const std::string& peerDir, const std::string& ourDir,
                        const std::vector<std::string>& upload = {}, const Options& o = {})
{
    using namespace quiro::zmtool;
    PeerLine pl(o);
    pid_t pid = Spawn(peerArgs, peerDir, pl.theirs);
    ::close(pl.theirs);

    Outcome run;
    const uint64_t t0 = MonotonicClock::RealMs();
    {
        PosixFileStore files;
        MonotonicClock clock(o.clockSpeed);
        RecordingLine line(pl.ours, pl.ours, 8192);
        LoopTimer timer(0);
        IDravelZModem zm;
        zm.SetFileStore(&files);
        zm.SetClock(&clock);
        SessionOptions opt;
        opt.checkIntervalMs = o.clockSpeed > 1 ? 50 : 700;
        opt.limitMs = o.limitMs;
        opt.onTurn = [&] {
            if (!zm.FileName().empty())
                run.lastName = zm.FileName();
        };
        if (sending) {
            zm.Start(&line, IDravelZModem::DirectionSend, ourDir + "/", upload.at(0));
            for (size_t i = 1; i < upload.size(); ++i)
                zm.QueueFile(ourDir + "/", upload[i]);
            zm.StartSender(&timer);
            run.end = RunSession(zm, line, &timer, opt);
        } else {
            zm.Start(&line, IDravelZModem::DirectionReceive, ourDir + "/", "");
            zm.SendZRINIT();
            run.end = RunSession(zm, line, nullptr, opt);
        }
        run.ms = MonotonicClock::RealMs() - t0;
        run.ok = SessionSucceeded(zm, run.end);
        run.status = zm.Status();
        run.startPosition = zm.StartPosition();
        run.sent = line.sent;
    }
    pl.CloseOurs();
    pl.relay.reset();
    run.peerExit = Reap(pid, kPeerExitMs);
    return run;
}

// sz in `src` sends to rz in `dst`; the one on our end of the line (rz for a download, sz
// for an upload) decides `ok` by its exit status.
inline Outcome PeerTransfer(bool upload, const std::vector<std::string>& szArgs,
                            const std::string& src, const std::vector<std::string>& rzArgs,
                            const std::string& dst, const Options& o = {})
{
    using quiro::zmtool::MonotonicClock;
    PeerLine pl(o);
    const uint64_t t0 = MonotonicClock::RealMs();
    pid_t ourEnd = upload ? Spawn(szArgs, src, pl.ours) : Spawn(rzArgs, dst, pl.ours);
    pid_t theirEnd = upload ? Spawn(rzArgs, dst, pl.theirs) : Spawn(szArgs, src, pl.theirs);
    ::close(pl.theirs);
    pl.CloseOurs();
    Outcome run;
    int exit = Reap(ourEnd, o.limitMs ? int(o.limitMs) : 600000);
    run.ms = MonotonicClock::RealMs() - t0;
    run.ok = exit == 0;
    run.end = exit < 0 ? SessionEnd::TimedOut : SessionEnd::Finished;
    run.peerExit = Reap(theirEnd, kPeerExitMs);
    return run;
}

// A download (sz to our end) or an upload (our end to rz) of a random file through the
// damaging relay. Both ends time out after 1 s of silence (the peers with -t 10, our
// engine with its clock ten times faster).
struct NoisyCase {
    bool upload = false;
    size_t size = 300000;
    unsigned faultOneIn = 10000;
    uint32_t bytesPerSec = 100000;
    uint32_t seed = 1;
    uint32_t limitMs = 120000;
};

struct NoisyResult {
    bool ok = false;
    bool wrongBytes = false;  // reported OK, but the file that arrived differs
    uint64_t ms = 0;
    int status = 0;  // our engine's, when it ran
};

// `ours`: our engine on our end of the line, else rz or sz.
inline NoisyResult NoisyTransfer(const NoisyCase& c, bool ours)
{
    TempDir tmp;
    std::string src = tmp.Sub("src"), dst = tmp.Sub("dst");
    const Bytes data = RandomBytes(c.size, c.seed);
    WriteFile(src + "/big.bin", data);
    Options o;
    o.relaySeed = c.seed;
    o.faultOneIn = c.faultOneIn;
    o.bytesPerSec = c.bytesPerSec;
    o.clockSpeed = 10;
    o.limitMs = c.limitMs;
    const std::vector<std::string> sz = {"sz", "-q", "-t", "10", "big.bin"};
    const std::vector<std::string> rz = {"rz", "-q", "-t", "10"};
    Outcome run = !ours      ? PeerTransfer(c.upload, sz, src, rz, dst, o)
                  : c.upload ? Transfer(true, rz, dst, src, {"big.bin"}, o)
                             : Transfer(false, sz, src, dst, {}, o);
    NoisyResult r;
    r.ok = run.ok;
    r.ms = run.ms;
    r.status = run.status;
    Bytes got;
    if (r.ok)
        r.wrongBytes = !ReadFile(dst + "/big.bin", got) || got != data;
    return r;
}

// Every case with our engine and with lrzsz, `jobs` transfers at a time (each one mostly
// waits for its line). Results in the order of `cases`: {ours, lrzsz}.
inline std::vector<std::pair<NoisyResult, NoisyResult>> NoisyTransfers(
    const std::vector<NoisyCase>& cases, unsigned jobs)
{
    std::vector<std::pair<NoisyResult, NoisyResult>> results(cases.size());
    std::mutex m;
    size_t next = 0;
    auto worker = [&] {
        for (;;) {
            size_t k;
            {
                std::lock_guard<std::mutex> lock(m);
                if (next == 2 * cases.size())
                    return;
                k = next++;
            }
            NoisyResult r = NoisyTransfer(cases[k / 2], k % 2 == 0);
            (k % 2 == 0 ? results[k / 2].first : results[k / 2].second) = r;
        }
    };
    std::vector<std::thread> pool;
    for (unsigned i = 0; i < std::max(1u, jobs); ++i)
        pool.emplace_back(worker);
    for (std::thread& t : pool)
        t.join();
    return results;
}

}  // namespace peer
