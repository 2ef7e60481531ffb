// Proxy replies of any content, cut into blocks anywhere. A SOCKS negotiation must come to
// the same actions however its input is split (the host's bytes joined), and once it is
// over every block is the host's, unchanged.
//
// Input: a byte choosing the proxy kind, a byte for the length of the user ID, then the
// proxy's bytes as blocks: a length byte and that many bytes, repeated.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "console/core/ProxyNegotiation.h"

namespace {

ProxySetup Setup(uint8_t kind, uint8_t userLength) {
    ProxySetup s;
    s.kind = 1 + kind % 3;
    s.targetHost = "bbs.example";
    s.targetPort = 2323;
    s.targetAddress = {10, 1, 2, 3};
    s.userId = std::string(size_t(userLength) * 2, 'u');
    s.password = "secret";
    s.connectCommand = kind & 4 ? "connect" : "";
    return s;
}

// The actions with consecutive host bytes joined.
SessionActions Joined(const SessionActions& actions) {
    SessionActions out;
    for (const SessionAction& a : actions) {
        if (a.kind == SessionAction::ToConsole && !out.empty() &&
            out.back().kind == SessionAction::ToConsole)
            out.back().bytes.insert(out.back().bytes.end(), a.bytes.begin(), a.bytes.end());
        else
            out.push_back(a);
    }
    return out;
}

void Check(bool ok) {
    if (!ok)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const ProxySetup setup = Setup(data[0], data[1]);
    data += 2;
    size -= 2;

    ProxyNegotiation split(setup);
    SessionActions splitOut = split.Connected("10.0.0.9");
    std::vector<uint8_t> stream;
    for (size_t i = 0; i < size;) {
        const size_t length = data[i++];
        const size_t n = std::min(length, size - i);
        const uint8_t* block = data + i;
        bool wasActive = split.Active();
        SessionActions out = split.Receive(block, n);
        for (const SessionAction& a : out) {
            Check(a.kind != SessionAction::Send || a.bytes.size() <= 255 + 255 + 3 ||
                  setup.kind == ProxyTis);
            Check(a.kind != SessionAction::Disconnect || !split.Active());
        }
        if (!wasActive)
            Check(n == 0 ? out.empty() : out.size() == 1 && out[0].bytes == std::vector<uint8_t>(block, block + n));
        Check(split.Stage() >= -1 && split.Stage() <= 2);
        splitOut.insert(splitOut.end(), out.begin(), out.end());
        stream.insert(stream.end(), block, block + n);
        i += n;
    }
    if (setup.kind != ProxyTis) {  // a TIS proxy's steps are its blocks
        ProxyNegotiation whole(setup);
        SessionActions wholeOut = whole.Connected("10.0.0.9");
        SessionActions rest = whole.Receive(stream.data(), stream.size());
        wholeOut.insert(wholeOut.end(), rest.begin(), rest.end());
        Check(Joined(wholeOut) == Joined(splitOut));
        Check(whole.Stage() == split.Stage());
    }
    split.ConnectionLost();
    Check(!split.Active());
    return 0;
}
