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

#include <atomic>
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
// it had to be killed or died of a signal).
inline int Reap(pid_t pid, int timeoutMs)
{
    int pidfd = int(::syscall(SYS_pidfd_open, pid, 0));
    if (pidfd >= 0) {
        pollfd p = {pidfd, POLLIN, 0};
        ::poll(&p, 1, timeoutMs);
        ::close(pidfd);
    }
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Copies bytes both ways between two descriptors, now and then dropping, flipping or
// holding back bytes, from a seeded generator. Stops when either side hangs up.
class FaultRelay {
public:
    FaultRelay(int a, int b, uint32_t seed, unsigned oneIn) : a_(a), b_(b), rng_(seed), oneIn_(oneIn)
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
    struct Dir {
        int from, to;
        std::deque<uint8_t> q;
        uint64_t heldUntil = 0;
    };
    void Pass(Dir& d, const uint8_t* buf, ssize_t n)
    {
        for (ssize_t i = 0; i < n; ++i) {
            uint8_t c = buf[i];
            unsigned r = unsigned(rng_() % oneIn_);
            if (r == 0) {
                ++faults_;
                continue;  // dropped
            }
            if (r == 1) {
                ++faults_;
                c ^= uint8_t(1u << (rng_() % 8));
            }
            if (r == 2) {
                ++faults_;
                d.heldUntil = quiro::zmtool::MonotonicClock::RealMs() + 5 + rng_() % 60;
            }
            d.q.push_back(c);
        }
    }
    void Run()
    {
        Dir dirs[2] = {{a_, b_, {}, 0}, {b_, a_, {}, 0}};
        uint8_t buf[8192];
        while (!stop_) {
            uint64_t now = quiro::zmtool::MonotonicClock::RealMs();
            pollfd p[4];
            int n = 0;
            for (Dir& d : dirs) {
                p[n++] = {d.from, d.q.size() < 65536 ? short(POLLIN) : short(0), 0};
                p[n++] = {d.to, (!d.q.empty() && now >= d.heldUntil) ? short(POLLOUT) : short(0), 0};
            }
            ::poll(p, 4, 10);
            for (int k = 0; k < 2; ++k) {
                Dir& d = dirs[k];
                if (p[2 * k].revents & (POLLIN | POLLHUP | POLLERR)) {
                    ssize_t got = ::read(d.from, buf, sizeof buf);
                    if (got <= 0) {
                        ::shutdown(d.to, SHUT_RDWR);
                        return;
                    }
                    Pass(d, buf, got);
                }
                if ((p[2 * k + 1].revents & POLLOUT) && !d.q.empty()) {
                    size_t m = std::min<size_t>(d.q.size(), sizeof buf);
                    std::copy(d.q.begin(), d.q.begin() + long(m), buf);
                    ssize_t put = ::send(d.to, buf, m, MSG_NOSIGNAL | MSG_DONTWAIT);
                    if (put > 0)
                        d.q.erase(d.q.begin(), d.q.begin() + put);
                }
            }
        }
    }
    int a_, b_;
    std::mt19937 rng_;
    unsigned oneIn_;
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
