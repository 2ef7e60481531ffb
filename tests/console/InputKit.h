// What the end-to-end tests of the user's input share: a scripted host that records what
// the program sends, the program started against it with its console focused, and the
// clipboard.
#pragma once

#include <atomic>
#include <mutex>

#include "ProgramKit.h"
#include "comm/CommTestKit.h"
#include "framework/Clipbrd.h"

namespace quiro::console::test {

using namespace quiro::comm::test;

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
        return PumpUntil([&] { return Received().substr(std::min(from, Received().size())) == bytes; }, ms);
    }
    void Send(const std::string& bytes) {
        std::lock_guard<std::mutex> lock(m_);
        if (socket_ != INVALID_SOCKET) SendAll(socket_, bytes);
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
            SendAll(s, greeting_);
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
    TestServer server_;
};

// The program connected to `host`, its console focused; `s` holds its state once
// `ready` is on the screen.
inline bool StartFocused(QuiroProgram& q, const std::string& ready, ProbeState& s) {
    return q.Window() &&
           q.WaitFor([&](const ProbeState& st) { return st.Int("connected") == 1 && st.Find(ready) >= 0; }, 20000,
                     &s) &&
           Focus(q.Window()) && q.WaitFor([](const ProbeState& st) { return st.Int("consoleFocused") == 1; }, 5000, &s);
}

// The clipboard, which the program may hold for a moment: tried until it opens.
inline bool WithClipboard(const std::function<void(TClipboard&)>& use) {
    return PumpUntil([&] {
        try {
            use(*Clipboard());
            return true;
        } catch (const std::exception&) {
            return false;
        }
    });
}

// A cell's centre on the screen.
inline POINT CellCentre(const ProbeState& s, int line, int column) {
    const int w = s.Int("cellWidth"), h = s.Int("cellHeight");
    return POINT{s.Int("paintBoxLeft") + s.Int("horizontalOffset") + column * w + w / 2,
                 s.Int("paintBoxTop") + (line - s.Int("firstDisplayedLine")) * h + h / 2};
}

}  // namespace quiro::console::test
