// POSIX surroundings for the ZModem engine: a file store over file descriptors, a line
// over a pair of descriptors (pipe, socket, standard input and output) with an output
// queue like the comm port's, a monotonic clock, a pump timer, and the event loop that
// drives one session. Header-only so that the tool, the peer tests and the benchmark can
// all use it without another library.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "engines/core/ZModem.h"

namespace quiro::zmtool {

using quiro::engines::ByteChannel;
using quiro::engines::Clock;
using quiro::engines::FileStore;
using quiro::engines::PumpTimer;
using quiro::engines::StatusOutlet;

// The engine builds Windows paths (directory + '\' + name); here '\' is '/'.
inline std::string NativePath(std::string p)
{
    std::replace(p.begin(), p.end(), '\\', '/');
    return p;
}

class PosixFileStore : public FileStore {
public:
    int Create(const std::string& path) override
    {
        return ::open(NativePath(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    }
    int OpenExisting(const std::string& path, bool forWriting) override
    {
        int fd = ::open(NativePath(path).c_str(), (forWriting ? O_WRONLY : O_RDONLY) | O_CLOEXEC);
        struct stat st;
        if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
            ::close(fd);
            return -1;
        }
        return fd;
    }
    int32_t Read(int h, uint8_t* buf, uint32_t len) override
    {
        ssize_t r;
        do
            r = ::read(h, buf, len);
        while (r < 0 && errno == EINTR);
        return r < 0 ? -1 : static_cast<int32_t>(r);
    }
    bool Write(int h, const uint8_t* data, uint32_t len) override
    {
        while (len > 0) {
            ssize_t r = ::write(h, data, len);
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0)
                return false;
            data += r;
            len -= static_cast<uint32_t>(r);
        }
        return true;
    }
    bool Seek(int h, uint64_t pos) override
    {
        return ::lseek(h, static_cast<off_t>(pos), SEEK_SET) == static_cast<off_t>(pos);
    }
    int64_t Size(int h) override
    {
        struct stat st;
        return ::fstat(h, &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
    }
    void Close(int h) override { ::close(h); }
    bool Remove(const std::string& path) override
    {
        return ::unlink(NativePath(path).c_str()) == 0;
    }
};

// Real milliseconds, optionally sped up (tests shorten the engine's 10 s idle periods)
// and started anywhere (to cross the 32-bit wrap).
class MonotonicClock : public Clock {
public:
    explicit MonotonicClock(uint32_t speed = 1, uint32_t origin = 0)
        : speed_(speed), origin_(origin), base_(RealMs()) {}
    uint32_t NowMs() override
    {
        return origin_ + static_cast<uint32_t>((RealMs() - base_) * speed_);
    }
    static uint64_t RealMs()
    {
        timespec ts;
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return uint64_t(ts.tv_sec) * 1000 + uint64_t(ts.tv_nsec) / 1000000;
    }

private:
    uint32_t speed_, origin_;
    uint64_t base_;
};

// The sender's pump. With interval override 0 it fires at every turn of the loop (the
// engine still sends at most one block a call and only when the line has room).
class LoopTimer : public PumpTimer {
public:
    explicit LoopTimer(int overrideInterval = -1) : override_(overrideInterval) {}
    void SetInterval(uint32_t ms) override { interval_ = override_ >= 0 ? uint32_t(override_) : ms; }
    void SetEnabled(bool on) override
    {
        if (on && !enabled_)
            due_ = MonotonicClock::RealMs() + interval_;
        enabled_ = on;
    }
    bool Enabled() const override { return enabled_; }
    void SetHandler(std::function<void()> h) override { handler_ = std::move(h); }

    // Milliseconds until the next tick (-1: disabled).
    int64_t Until(uint64_t now) const
    {
        if (!enabled_ || !handler_)
            return -1;
        return due_ > now ? int64_t(due_ - now) : 0;
    }
    void FireIfDue(uint64_t now)
    {
        if (Until(now) != 0)
            return;
        due_ = now + interval_;
        ++ticks_;
        handler_();
    }
    uint64_t Ticks() const { return ticks_; }
    uint32_t Interval() const { return interval_; }

private:
    int override_;
    uint32_t interval_ = 100;
    bool enabled_ = false;
    uint64_t due_ = 0;
    uint64_t ticks_ = 0;
    std::function<void()> handler_;
};

// A line over descriptors with a bounded output queue, like the comm port's buffer.
class FdChannel : public ByteChannel {
public:
    FdChannel(int inFd, int outFd, uint32_t capacity = 16384, bool winsock = false)
        : in_(inFd), out_(outFd), capacity_(capacity), winsock_(winsock)
    {
        ::fcntl(in_, F_SETFL, ::fcntl(in_, F_GETFL) | O_NONBLOCK);
        ::fcntl(out_, F_SETFL, ::fcntl(out_, F_GETFL) | O_NONBLOCK);
    }
    bool IsOpen() const override { return open_; }
    bool IsWinsock() const override { return winsock_; }
    uint32_t OutputFree() const override { return capacity_ - Pending(); }
    bool PutBlock(const uint8_t* data, uint32_t len) override
    {
        if (!open_ || len > OutputFree())
            return false;
        if (head_ > 0 && head_ == queue_.size()) {
            queue_.clear();
            head_ = 0;
        }
        queue_.insert(queue_.end(), data, data + len);
        sent_ += len;
        return true;
    }

    uint32_t Pending() const { return static_cast<uint32_t>(queue_.size() - head_); }
    int InFd() const { return in_; }
    int OutFd() const { return out_; }
    uint64_t BytesQueued() const { return sent_; }
    void Close() { open_ = false; }

    // Writes what the descriptor takes now; a broken line closes the channel.
    void Flush()
    {
        while (Pending() > 0) {
            ssize_t r = ::write(out_, queue_.data() + head_, Pending());
            if (r < 0 && errno == EINTR)
                continue;
            if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                break;
            if (r <= 0) {
                open_ = false;
                queue_.clear();
                head_ = 0;
                return;
            }
            head_ += size_t(r);
        }
        if (head_ == queue_.size()) {
            queue_.clear();
            head_ = 0;
        } else if (head_ > 65536) {
            queue_.erase(queue_.begin(), queue_.begin() + long(head_));
            head_ = 0;
        }
    }

private:
    int in_, out_;
    uint32_t capacity_;
    bool winsock_;
    bool open_ = true;
    std::vector<uint8_t> queue_;
    size_t head_ = 0;
    uint64_t sent_ = 0;
};

struct SessionOptions {
    uint32_t checkIntervalMs = 700;   // how often CheckTimeout runs (the front end's timer)
    uint32_t finishGraceMs = 1000;    // receiver: wait this long for the sender's "OO"
    uint32_t drainMs = 3000;          // at the end: time allowed to get the last bytes out
    uint32_t limitMs = 0;             // give up (abort) after this long; 0: no limit
    std::function<void()> onTurn;     // after every turn of the loop (progress display)
};

enum class SessionEnd { Finished, Aborted, TimedOut, LineClosed };

// RunSession's pause after a short read while a file streams in.
constexpr long StreamNapNs = 250000;

// Runs one transfer to its end. The engine must have been started (Start and SendZRINIT
// or StartSender with `timer`).
inline SessionEnd RunSession(IDravelZModem& zm, FdChannel& line, LoopTimer* timer,
                             const SessionOptions& opt = {})
{
    const uint64_t started = MonotonicClock::RealMs();
    uint64_t nextCheck = started + opt.checkIntervalMs;
    uint64_t graceEnd = 0;
    int afterFinish = 0;
    bool inputOpen = true;
    SessionEnd end = SessionEnd::LineClosed;
    std::vector<uint8_t> buf(65536);

    for (;;) {
        uint64_t now = MonotonicClock::RealMs();
        if (zm.State() == IDravelZModem::StateAborted) {
            end = SessionEnd::Aborted;
            break;
        }
        if (zm.State() == IDravelZModem::StateFinished) {
            end = SessionEnd::Finished;
            // Give the peer a moment to take the last frames and hang up.
            if (!inputOpen || afterFinish >= 2)
                break;
            if (graceEnd == 0)
                graceEnd = now + opt.finishGraceMs;
            if (now >= graceEnd)
                break;
        }
        if (!inputOpen && line.Pending() == 0 && zm.State() != IDravelZModem::StateFinished) {
            end = SessionEnd::LineClosed;
            break;
        }
        if (opt.limitMs && now - started >= opt.limitMs && zm.State() != IDravelZModem::StateFinished) {
            zm.Abort();
            line.Flush();
            end = SessionEnd::TimedOut;
            break;
        }

        int64_t wait = int64_t(nextCheck > now ? nextCheck - now : 0);
        if (timer) {
            int64_t t = timer->Until(now);
            // A tick only helps when the line has room for it.
            if (t >= 0 && line.OutputFree() > IDravelZModem::SenderMinFree)
                wait = std::min(wait, t);
        }
        if (graceEnd)
            wait = std::min<int64_t>(wait, graceEnd > now ? int64_t(graceEnd - now) : 0);

        pollfd fds[2];
        int n = 0;
        int inIdx = -1, outIdx = -1;
        if (inputOpen) {
            fds[n] = {line.InFd(), POLLIN, 0};
            inIdx = n++;
        }
        if (line.Pending() > 0) {
            if (inIdx >= 0 && line.OutFd() == line.InFd()) {
                fds[inIdx].events |= POLLOUT;
                outIdx = inIdx;
            } else {
                fds[n] = {line.OutFd(), POLLOUT, 0};
                outIdx = n++;
            }
        }
        int r = ::poll(fds, nfds_t(n), int(wait));
        if (r < 0 && errno != EINTR)
            break;

        if (outIdx >= 0 && (fds[outIdx].revents & (POLLOUT | POLLERR | POLLHUP)))
            line.Flush();
        if (inIdx >= 0 && (fds[inIdx].revents & (POLLIN | POLLHUP | POLLERR))) {
            ssize_t got = ::read(line.InFd(), buf.data(), buf.size());
            if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR)) {
                inputOpen = false;
                line.Close();
            }
            bool done = false;
            // The block goes in whole, but cut before every 'O' so that the closing "OO"
            // after the transfer has ended is counted.
            const uint8_t* p = buf.data();
            const uint8_t* stop = p + (got > 0 ? got : 0);
            while (p < stop && !done) {
                const void* o = std::memchr(p, 'O', size_t(stop - p));
                const uint8_t* cut = o ? static_cast<const uint8_t*>(o) : stop;
                size_t taken = zm.ProcessBytes(p, size_t(cut - p));
                if (p + taken < cut) {
                    done = true;
                    break;
                }
                p = cut;
                if (p == stop)
                    break;
                if (zm.State() == IDravelZModem::StateFinished)
                    ++afterFinish;
                done = zm.ProcessByte(*p++) == 0;
            }
            line.Flush();
            // In the middle of a subpacket the sender streams and waits for nothing from us:
            // when a read found little, give the line a moment to fill. Waking up for every
            // few kilobytes costs both ends a context switch each time (a fast sender was
            // slowed by a third).
            if (!done && got > 0 && size_t(got) < buf.size() / 4 &&
                zm.State() == IDravelZModem::StateFileData) {
                timespec nap = {0, StreamNapNs};
                ::nanosleep(&nap, nullptr);
            }
            if (done) {
                end = zm.State() == IDravelZModem::StateFinished ? SessionEnd::Finished
                                                                 : SessionEnd::Aborted;
                // ProcessByte cleaned up; the state tells how it ended.
                break;
            }
        }
        now = MonotonicClock::RealMs();
        if (timer) {
            timer->FireIfDue(now);
            line.Flush();
        }
        if (now >= nextCheck) {
            nextCheck = now + opt.checkIntervalMs;
            if (zm.CheckTimeout()) {
                end = zm.State() == IDravelZModem::StateFinished ? SessionEnd::Finished
                      : zm.Status() == ZModemTimedOut            ? SessionEnd::TimedOut
                                                                 : SessionEnd::Aborted;
                line.Flush();
                break;
            }
            line.Flush();
        }
        if (opt.onTurn)
            opt.onTurn();
    }

    // Let the last frames (ZFIN, "OO", the cancel string) reach the peer.
    uint64_t drainEnd = MonotonicClock::RealMs() + opt.drainMs;
    while (line.IsOpen() && line.Pending() > 0) {
        uint64_t now = MonotonicClock::RealMs();
        if (now >= drainEnd)
            break;
        pollfd p = {line.OutFd(), POLLOUT, 0};
        ::poll(&p, 1, int(drainEnd - now));
        line.Flush();
    }
    zm.Cleanup();
    return end;
}

// Whether a finished session moved every file through.
inline bool SessionSucceeded(const IDravelZModem& zm, SessionEnd end)
{
    return end == SessionEnd::Finished && zm.Status() == ZModemRunning &&
           zm.SkippedFiles() == 0 && zm.IncompleteFiles() == 0;
}

}  // namespace quiro::zmtool
