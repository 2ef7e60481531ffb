// Running real peers for the engines: child processes on one end of a socket pair, a
// fault-injecting relay, temporary directories and file helpers. Linux only.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "../ZmPosix.h"

namespace peer {

using Bytes = std::vector<uint8_t>;

struct TempDir {
    std::string path;
    TempDir()
    {
        char tmpl[] = "/tmp/quiro-peer-XXXXXX";
        path = ::mkdtemp(tmpl) ? tmpl : "";
    }
    ~TempDir()
    {
        if (!path.empty())
            std::system(("rm -rf '" + path + "'").c_str());
    }
    std::string Sub(const std::string& name) const
    {
        std::string p = path + "/" + name;
        ::mkdir(p.c_str(), 0755);
        return p;
    }
};

inline Bytes RandomBytes(size_t n, uint32_t seed)
{
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto& c : b)
        c = uint8_t(rng());
    return b;
}

inline void WriteFile(const std::string& path, const Bytes& b)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()),
                                                std::streamsize(b.size()));
}

inline bool ReadFile(const std::string& path, Bytes& out)
{
    std::ifstream f(path, std::ios::binary);
    if (!f)
        return false;
    out.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    return true;
}

// A child with `fd` as its standard input and output, started in `cwd`.
inline pid_t Spawn(const std::vector<std::string>& argv, const std::string& cwd, int fd)
{
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(cwd.c_str()) != 0)
            ::_exit(127);
        ::dup2(fd, 0);
        ::dup2(fd, 1);
        int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 2);
        ::syscall(SYS_close_range, 3u, ~0u, 0u);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    return pid;
}

// Waits for the child up to timeoutMs, then kills it. Returns its exit status (-1 when
// it had to be killed or died of a signal). The wait ends as soon as the child does: on its
// pidfd, else (a kernel or sandbox without pidfd_open) by asking every few milliseconds;
// a signal that interrupts the wait does not cut it short.
inline int Reap(pid_t pid, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    auto left = [&] {
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        return int(std::max<int64_t>(0, ms.count()));
    };
    int status = 0;
    pid_t done = 0;
    int pidfd = int(::syscall(SYS_pidfd_open, pid, 0));
    while ((done = ::waitpid(pid, &status, WNOHANG)) == 0 && left() > 0) {
        if (pidfd >= 0) {
            pollfd p = {pidfd, POLLIN, 0};
            ::poll(&p, 1, left());
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    if (pidfd >= 0)
        ::close(pidfd);
    if (done == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Copies bytes both ways between two descriptors at a line's speed (`bytesPerSec` each
// way, 0 = as fast as they go) and damages them on the way, from a seeded generator: about
// one byte in `oneIn` is dropped, has a bit flipped or is duplicated. Reads stop while
// `window` bytes wait in one direction, so that together with the socket buffers a fast
// sender has tens of kilobytes in flight, as on a real line. When one side hangs up, what
// it sent still arrives and the other side's line stays up (a host goes on after its
// transfer program ends); what is sent to a side that hung up is lost.
class FaultRelay {
public:
    FaultRelay(int a, int b, uint32_t seed, unsigned oneIn, uint32_t bytesPerSec = 0,
               size_t window = 16384)
        : a_(a), b_(b), rng_(seed), oneIn_(oneIn), rate_(bytesPerSec), window_(window)
    {
        thread_ = std::thread([this] { Run(); });
    }
    ~FaultRelay()
    {
        stop_ = true;
        thread_.join();
        ::close(a_);
        ::close(b_);
    }
    unsigned Faults() const { return faults_; }

private:
    static constexpr size_t Burst = 2048;
    struct Dir {
        int from, to;
        std::deque<uint8_t> q;
        bool hungUp = false;
        size_t credit = Burst;  // bytes the line may carry now
    };
    void Pass(Dir& d, const uint8_t* buf, ssize_t n)
    {
        for (ssize_t i = 0; i < n; ++i) {
            uint8_t c = buf[i];
            if (rng_() % oneIn_ == 0) {
                ++faults_;
                switch (rng_() % 3) {
                case 0: continue;  // dropped
                case 1: c ^= uint8_t(1u << (rng_() % 8)); break;
                default: d.q.push_back(c); break;  // duplicated
                }
            }
            d.q.push_back(c);
        }
    }
    // Sends what the line's speed allows and d.to takes within `waitMs`; false when
    // nothing went.
    bool Forward(Dir& d, int waitMs)
    {
        pollfd p = {d.to, POLLOUT, 0};
        if (d.q.empty() || ::poll(&p, 1, waitMs) <= 0)
            return false;
        uint8_t out[8192];
        size_t m = std::min<size_t>(d.q.size(), sizeof out);
        if (rate_)
            m = std::min(m, d.credit);
        if (m == 0)
            return false;
        std::copy(d.q.begin(), d.q.begin() + long(m), out);
        ssize_t put = ::send(d.to, out, m, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (put < 0 && errno != EAGAIN && errno != EINTR)
            d.q.clear();  // that side hung up
        if (put <= 0)
            return false;
        d.q.erase(d.q.begin(), d.q.begin() + put);
        d.credit -= std::min(d.credit, size_t(put));
        return true;
    }
    void Run()
    {
        Dir dirs[2] = {{a_, b_, {}}, {b_, a_, {}}};
        uint8_t buf[8192];
        uint64_t last = quiro::zmtool::MonotonicClock::RealMs();
        while (!stop_ && !(dirs[0].hungUp && dirs[1].hungUp)) {
            uint64_t now = quiro::zmtool::MonotonicClock::RealMs();
            for (Dir& d : dirs)
                d.credit = std::min<size_t>(Burst, d.credit + size_t((now - last) * rate_ / 1000));
            last = now;
            pollfd p[4];
            int n = 0;
            bool waiting = false;  // for the line rather than for the descriptors
            for (int k = 0; k < 2; ++k) {
                Dir& d = dirs[k];
                const bool toGone = dirs[1 - k].hungUp;  // d.to is the other one's d.from
                if (toGone)
                    d.q.clear();
                const bool send = !d.q.empty() && (!rate_ || d.credit > 0);
                waiting |= !d.q.empty() && !send;
                p[n++] = {d.hungUp ? -1 : d.from, d.q.size() < window_ ? short(POLLIN) : short(0), 0};
                p[n++] = {toGone ? -1 : d.to, send ? short(POLLOUT) : short(0), 0};
            }
            ::poll(p, 4, waiting ? 1 : 10);
            for (int k = 0; k < 2; ++k) {
                Dir& d = dirs[k];
                if (p[2 * k].revents & (POLLIN | POLLHUP | POLLERR)) {
                    ssize_t got = ::read(d.from, buf, sizeof buf);
                    if (got > 0) {
                        Pass(d, buf, got);
                    } else if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
                        d.hungUp = true;
                        d.credit = SIZE_MAX;  // the rest goes out at once
                        while (Forward(d, 200)) {
                        }
                    }
                }
                if (p[2 * k + 1].revents & (POLLOUT | POLLHUP | POLLERR))
                    Forward(d, 0);
            }
        }
    }
    int a_, b_;
    std::mt19937 rng_;
    unsigned oneIn_;
    uint32_t rate_;
    size_t window_;
    std::atomic<bool> stop_{false};
    std::atomic<unsigned> faults_{0};
    std::thread thread_;
};

// A line that also keeps a copy of everything the engine sent.
class RecordingLine : public quiro::zmtool::FdChannel {
public:
    using FdChannel::FdChannel;
    bool PutBlock(const uint8_t* d, uint32_t n) override
    {
        if (!FdChannel::PutBlock(d, n))
            return false;
        sent.insert(sent.end(), d, d + n);
        return true;
    }
    Bytes sent;
};

inline size_t Count(const Bytes& hay, const std::string& needle)
{
    size_t n = 0;
    for (size_t i = 0; i + needle.size() <= hay.size(); ++i)
        if (std::equal(needle.begin(), needle.end(), hay.begin() + long(i)))
            ++n;
    return n;
}

}  // namespace peer
