#include "console/core/ProxyNegotiation.h"

#include <utility>

#include "console/core/ConsoleStatusText.h"

namespace {

void Append(std::vector<uint8_t>& out, std::string_view s) { out.insert(out.end(), s.begin(), s.end()); }

void AppendPort(std::vector<uint8_t>& out, uint16_t port) {
    out.push_back(uint8_t(port >> 8));
    out.push_back(uint8_t(port));
}

constexpr const char* kSocks5Failures[] = {
    "General SOCKS Server Failure...", "Connection Not Allowed by Ruleset...",
    "Network Unreachable...",          "Host Unreachable...",
    "Connection Refused...",           "TTL Expired...",
    "Command Not Supported...",        "Error: Address Type Not Supported...",
};

constexpr const char* kUnknownResponse = "Unknown Server Response...";

// SOCKS 5 CONNECT reply: VER REP RSV ATYP, the bound address by its type, the port.
constexpr size_t kSocks5ReplyHead = 4;

}  // namespace

std::vector<uint8_t> BuildTisRequest(std::string_view command, std::string_view host,
                                     int32_t port) {
    std::vector<uint8_t> out;
    if (!command.empty()) {
        Append(out, command);
        out.push_back(' ');
    }
    Append(out, host);
    out.push_back(' ');
    Append(out, std::to_string(port));
    Append(out, "\r\n");
    return out;
}

std::vector<uint8_t> BuildSocks4Connect(const Ipv4Address& target, uint16_t port,
                                        std::string_view userId) {
    std::vector<uint8_t> out = {4, 1};
    AppendPort(out, port);
    out.insert(out.end(), target.begin(), target.end());
    Append(out, userId.substr(0, userId.find('\0')));
    out.push_back(0);
    return out;
}

std::vector<uint8_t> BuildSocks5Greeting() { return {5, 2, 0, 2}; }

std::optional<std::vector<uint8_t>> BuildSocks5UserPassword(std::string_view user,
                                                            std::string_view password) {
    if (user.size() > 255 || password.size() > 255)
        return std::nullopt;
    std::vector<uint8_t> out = {1, uint8_t(user.size())};
    Append(out, user);
    out.push_back(uint8_t(password.size()));
    Append(out, password);
    return out;
}

std::vector<uint8_t> BuildSocks5Connect(const Ipv4Address& target, uint16_t port) {
    std::vector<uint8_t> out = {5, 1, 0, 1};
    out.insert(out.end(), target.begin(), target.end());
    AppendPort(out, port);
    return out;
}

ProxyNegotiation::ProxyNegotiation(ProxySetup setup) : setup_(std::move(setup)) {
    if (setup_.kind < ProxyTis || setup_.kind > ProxySocks5)
        stage_ = -1;
}

SessionActions ProxyNegotiation::Connected(std::string_view proxyAddress) {
    SessionActions out = {SessionAction::Line(ConnectedToProxyLine(setup_.kind, proxyAddress))};
    if (setup_.kind == ProxySocks4) {
        out.push_back(SessionAction::Line(
            RequestingConnectionLine(setup_.targetHost, std::to_string(setup_.targetPort))));
        out.push_back(SessionAction::SendBytes(
            BuildSocks4Connect(setup_.targetAddress, setup_.targetPort, setup_.userId)));
    } else if (setup_.kind == ProxySocks5) {
        out.push_back(SessionAction::SendBytes(BuildSocks5Greeting()));
    }
    return out;
}

size_t ProxyNegotiation::ReplyLength() const {
    if (setup_.kind == ProxySocks4)
        return 8;
    if (stage_ != 1)
        return 2;  // method choice, authentication status
    if (reply_.size() < kSocks5ReplyHead)
        return kSocks5ReplyHead;
    switch (reply_[3]) {
    case 1: return kSocks5ReplyHead + 4 + 2;
    case 4: return kSocks5ReplyHead + 16 + 2;
    case 3: return reply_.size() < kSocks5ReplyHead + 1 ? kSocks5ReplyHead + 1
                                                        : kSocks5ReplyHead + 1 + reply_[4] + 2;
    default: return kSocks5ReplyHead;  // unknown address type: nothing more can be measured
    }
}

SessionActions ProxyNegotiation::Receive(const uint8_t* data, size_t length) {
    SessionActions out;
    size_t i = 0;
    while (Active() && i < length) {
        if (setup_.kind == ProxyTis) {
            if (stage_ == 0) {
                // The proxy's greeting, whatever it says: it is ready for the request.
                out.push_back(SessionAction::SendBytes(BuildTisRequest(
                    setup_.connectCommand, setup_.targetHost, setup_.targetPort)));
                out.push_back(SessionAction::Line("Requesting> "));
                stage_ = 1;
                i = length;
            } else {
                // Its answer (connected or refused) is shown with what follows.
                out.push_back(SessionAction::Do(SessionAction::SendTelnetOffers));
                stage_ = -1;
            }
            continue;
        }
        while (i < length && reply_.size() < ReplyLength())
            reply_.push_back(data[i++]);
        if (reply_.size() == ReplyLength()) {
            Decide(out);
            reply_.clear();
        }
    }
    if (i < length)
        out.push_back(SessionAction::Console(std::vector<uint8_t>(data + i, data + length)));
    return out;
}

void ProxyNegotiation::End(SessionActions& out, std::string line, bool granted) {
    out.push_back(SessionAction::Line(std::move(line)));
    if (granted)
        out.push_back(SessionAction::Do(SessionAction::SendTelnetOffers));
    stage_ = -1;
}

void ProxyNegotiation::RequestConnection(SessionActions& out) {
    out.push_back(SessionAction::Line(
        RequestingConnectionLine(setup_.targetHost, std::to_string(setup_.targetPort))));
    out.push_back(
        SessionAction::SendBytes(BuildSocks5Connect(setup_.targetAddress, setup_.targetPort)));
    stage_ = 1;
}

void ProxyNegotiation::Decide(SessionActions& out) {
    const uint8_t code = reply_[1];
    if (setup_.kind == ProxySocks4) {
        switch (code) {
        case 90: return End(out, "Request Granted...", true);
        case 91: return End(out, "Request Rejected or Failed...", false);
        case 92: return End(out, "Request Rejected - Error #92...", false);
        case 93: return End(out, "Request Rejected - Error #93...", false);
        default: return End(out, kUnknownResponse, false);
        }
    }
    if (stage_ == 0) {  // the method the server chose
        if (code == 0)
            return RequestConnection(out);
        if (code == 2) {
            if (auto request = BuildSocks5UserPassword(setup_.userId, setup_.password)) {
                out.push_back(SessionAction::SendBytes(std::move(*request)));
                stage_ = 2;
                return;
            }
            End(out, "Error: Proxy user ID or password is longer than 255 bytes!", false);
            out.push_back(SessionAction::Do(SessionAction::Disconnect));
            return;
        }
        return End(out, code == 0xFF ? "No Acceptable Methods..." : kUnknownResponse, false);
    }
    if (stage_ == 2) {  // the user/password status
        if (code == 0)
            return RequestConnection(out);
        return End(out, kUnknownResponse, false);
    }
    // The CONNECT reply.
    if (reply_[3] != 1 && reply_[3] != 3 && reply_[3] != 4) {
        // Where the host's data begins cannot be told: the session cannot go on.
        End(out, kUnknownResponse, false);
        out.push_back(SessionAction::Do(SessionAction::Disconnect));
        return;
    }
    if (code == 0)
        return End(out, "Request Granted...", true);
    End(out, code <= 8 ? kSocks5Failures[code - 1] : kUnknownResponse, false);
}

SessionActions ProxyNegotiation::ConnectionLost() {
    if (!Active())
        return {};
    stage_ = -1;
    return {SessionAction::Line("Proxy Server Failed...")};
}
