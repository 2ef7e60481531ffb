// What the end-to-end tests check of a session (beside ProgramKit.h, which the benchmarks
// share without the test framework).
#pragma once

#include <gtest/gtest.h>

#include <atomic>

#include "ProgramKit.h"

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

}  // namespace quiro::console::test
