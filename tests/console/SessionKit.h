// What the end-to-end tests check of a session and the hosts they talk to (beside
// ProgramKit.h, which the benchmarks share without the test framework).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>

#include "ProgramKit.h"
#include "comm/CommTestKit.h"

namespace quiro::console::test {

// The session has ended: "Connection closed..." is the last line and the flag is down.
inline bool Ended(const ProbeState& s) {
    return !s.lines.empty() && s.lines.back().text == "Connection closed..." && s.Int("connected") == 0;
}

// The serial session on COM5 (one end of a socat pair) is open.
inline bool Com5Ready(const ProbeState& s) { return s.Find("COM5 Ready!") >= 0; }

// The session is over: the controls are back, the caption too, and no message box is up.
inline void ExpectDisconnected(QuiroProgram& q, const ProbeState& s) {
    EXPECT_EQ(s.Str("connectEnabled") + s.Str("addressEnabled") + s.Str("disconnectEnabled"), "110");
    EXPECT_EQ(s.Str("caption"), "Quiro 2");
    EXPECT_EQ(q.OtherWindows(), 0) << "an error box is up";
}

// Reads what arrives on `s` until `enough` holds or `ms` pass; `count` follows the size.
inline void Receive(SOCKET s, std::string& into, const std::function<bool()>& enough, DWORD ms,
                    std::atomic<size_t>* count = nullptr) {
    char buf[8192];
    for (DWORD start = GetTickCount(); !enough() && GetTickCount() - start < ms;) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(s, &set);
        timeval tv{0, 50000};
        if (select(0, &set, nullptr, nullptr, &tv) != 1) continue;
        int n = recv(s, buf, sizeof buf, 0);
        if (n <= 0) return;
        into.append(buf, size_t(n));
        if (count) *count = into.size();
    }
}

// A host on 127.0.0.1: after the program's telnet offers it sends `greeting`, then keeps
// what arrives (while Reading is set) until it goes.
class RecordingHost {
public:
    explicit RecordingHost(std::string greeting, int receiveBuffer = 0)
        : greeting_(std::move(greeting)), server_([this, receiveBuffer](SOCKET s) { Serve(s, receiveBuffer); }) {}
    ~RecordingHost() { done_ = true; }

    uint16_t Port() const { return server_.Port(); }
    std::string Received() {
        std::lock_guard<std::mutex> lock(m_);
        return received_;
    }
    // Waits until what arrived after `from` bytes equals `bytes`.
    bool Gets(size_t from, const std::string& bytes, DWORD ms = 10000) {
        return comm::test::PumpUntil([&] { return Received().substr(std::min(from, Received().size())) == bytes; }, ms);
    }
    void Send(const std::string& bytes) {
        std::lock_guard<std::mutex> lock(m_);
        if (socket_ != INVALID_SOCKET) comm::test::SendAll(socket_, bytes);
    }
    std::atomic<bool> Reading{true};

private:
    void Serve(SOCKET s, int receiveBuffer) {
        if (receiveBuffer) setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&receiveBuffer), sizeof receiveBuffer);
        std::string offers;
        char buf[65536];
        while (offers.find("\xFF\xFB\x1F") == std::string::npos && !done_) {
            int n = recv(s, buf, sizeof buf, 0);
            if (n <= 0) return;
            offers.append(buf, size_t(n));
        }
        {
            std::lock_guard<std::mutex> lock(m_);
            comm::test::SendAll(s, greeting_);
            socket_ = s;
        }
        while (!done_) {
            fd_set set;
            FD_ZERO(&set);
            FD_SET(s, &set);
            timeval tv{0, 20000};
            if (!Reading || select(0, &set, nullptr, nullptr, &tv) != 1) {
                if (!Reading) Sleep(10);  // a host that does not read
                continue;
            }
            int n = recv(s, buf, sizeof buf, 0);
            std::lock_guard<std::mutex> lock(m_);
            if (n <= 0) break;
            received_.append(buf, size_t(n));
        }
        std::lock_guard<std::mutex> lock(m_);
        socket_ = INVALID_SOCKET;
    }

    std::string greeting_;
    std::mutex m_;
    std::string received_;
    SOCKET socket_ = INVALID_SOCKET;
    std::atomic<bool> done_{false};
    comm::test::TestServer server_;
};

// The program connected to `host`, its console focused and the display's events for it
// taken in (keys injected next never meet them half-way); `s` holds its state once `ready`
// is on the screen.
inline bool StartFocused(QuiroProgram& q, const std::string& ready, ProbeState& s) {
    return q.Window() &&
           q.WaitFor([&](const ProbeState& st) { return st.Int("connected") == 1 && st.Find(ready) >= 0; }, 20000,
                     &s) &&
           q.Focus(q.Window()) && q.WaitFor([](const ProbeState& st) { return st.Int("consoleFocused") == 1; }, 5000, &s);
}

}  // namespace quiro::console::test
