// The telnet road of a session, directly or through a proxy: from the address to an open
// connection (ConnectDirect, ResolveProxyServer, the name-lookup and connect handlers),
// with the status lines in their order. The main window feeds it the events of its lookup
// socket and port and carries out the actions it returns; the common steps of those
// handlers (focus, QuickLinks, the ZModem trigger) stay the main window's.
//
// Every way a session can fail on this road ends with a status line and a Disconnect: a
// name that cannot be found, a SOCKS server that is not a numeric address, a port that no
// connection can use, and a connection that is refused, times out or cannot be opened
// (PortFailed, with the error's text).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "console/core/ProxyNegotiation.h"
#include "console/core/SessionActions.h"

struct ConsoleSettings;

class TelnetRoad {
public:
    enum State { Idle, Resolving, Trying, Connected, Ended };

    // Starts the road for `address` (host or host:port, after ParseAddressScheme). The
    // proxy of `settings` is used unless `local` is set or ProxyType is 0.
    SessionActions Start(const std::string& address, bool local, const ConsoleSettings& settings);
    // The lookup socket's events.
    SessionActions NameResolved(const std::string& resolvedAddress);
    SessionActions NameLookupFailed();
    // The port connected (OnWsConnect): the connect lines, the telnet offers or the first
    // proxy request, and the closing empty line.
    SessionActions PortConnected();
    // The connection could not be made: the port reported an error while connecting, or
    // opening it raised. Ignored once connected (a lost connection closes the port).
    SessionActions PortFailed(const std::string& errorText);
    // A received block while Negotiating(): the proxy's, consumed and never shown; the
    // bytes after the proxy's final reply, and any block once the tunnel stands, are the
    // host's (ToConsole).
    SessionActions ProxyNegotiate(const uint8_t* data, size_t length);
    // The port closed (OnWsDisconnect): a negotiation cut short says so.
    SessionActions PortClosed();

    // True while received blocks belong to the proxy negotiation.
    bool Negotiating() const { return negotiation_ && negotiation_->Active(); }
    State GetState() const { return state_; }
    int ProxyType() const { return proxyType_; }
    // The target host (without the port) and port, as split from the address.
    const std::string& Host() const { return host_; }
    int32_t Port() const { return port_; }

private:
    SessionActions TryAddress(const std::string& address);
    SessionActions Fail(std::string line);

    State state_ = Idle;
    int proxyType_ = ProxyNone;
    std::string host_;
    int32_t port_ = 23;
    std::string lookupName_;
    std::string proxyHost_;
    std::string wsAddress_;
    std::string wsPort_;
    ProxySetup setup_;
    std::optional<ProxyNegotiation> negotiation_;
};
