// Talking a telnet session through a proxy: the requests of the three kinds of proxy, and
// the negotiation that reads the proxy's replies and ends when the tunnel stands.
//
// ProxyType 1 is a TIS-style proxy (it greets, is sent one text line "[command ]host
// port", and its answer is shown on the console); 2 is SOCKS 4 (CONNECT); 3 is SOCKS 5
// (RFC 1928, with the user/password method of RFC 1929). Replies are read to their exact
// length however the blocks split them; the bytes after the final reply are the host's and
// go on to the console.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "console/core/SessionActions.h"

enum ProxyKind { ProxyNone = 0, ProxyTis = 1, ProxySocks4 = 2, ProxySocks5 = 3 };

using Ipv4Address = std::array<uint8_t, 4>;  // network order

// "host port\r\n", or "command host port\r\n" when a connect command is set.
std::vector<uint8_t> BuildTisRequest(std::string_view command, std::string_view host,
                                     int32_t port);
// 04 01, port (high byte first), address, the user ID up to any NUL, 00.
std::vector<uint8_t> BuildSocks4Connect(const Ipv4Address& target, uint16_t port,
                                        std::string_view userId);
// 05 02 00 02: no authentication or user/password.
std::vector<uint8_t> BuildSocks5Greeting();
// 01, length and user, length and password; std::nullopt when either is over 255 bytes.
std::optional<std::vector<uint8_t>> BuildSocks5UserPassword(std::string_view user,
                                                            std::string_view password);
// 05 01 00 01, address, port (high byte first).
std::vector<uint8_t> BuildSocks5Connect(const Ipv4Address& target, uint16_t port);

struct ProxySetup {
    int kind = ProxyNone;       // ProxyKind
    std::string targetHost;     // as the user gave it (TIS request, status lines)
    uint16_t targetPort = 23;
    Ipv4Address targetAddress{};  // SOCKS: the target's resolved address
    std::string userId;
    std::string password;
    std::string connectCommand;  // TIS
};

class ProxyNegotiation {
public:
    explicit ProxyNegotiation(ProxySetup setup);

    // The port has connected to the proxy at `proxyAddress`: the status lines and the
    // first request (a TIS proxy speaks first).
    SessionActions Connected(std::string_view proxyAddress);
    // One received block. While Active() every byte is the proxy's; the bytes after the
    // final reply come back as ToConsole. When not Active() the whole block is the host's.
    SessionActions Receive(const uint8_t* data, size_t length);
    // The connection ended before the tunnel stood.
    SessionActions ConnectionLost();

    // -1 when the negotiation is over; 0 waiting for the first reply; SOCKS 5: 1 waiting
    // for the CONNECT reply, 2 for the authentication reply; TIS: 1 waiting for the answer
    // to the request.
    int Stage() const { return stage_; }
    bool Active() const { return stage_ >= 0; }

private:
    size_t ReplyLength() const;
    void Decide(SessionActions& out);
    void RequestConnection(SessionActions& out);
    void End(SessionActions& out, std::string line, bool granted);

    ProxySetup setup_;
    int stage_ = 0;
    std::vector<uint8_t> reply_;
};
