#include "console/core/TelnetRoad.h"

#include "console/core/AddressScheme.h"
#include "console/core/ConsoleSettings.h"
#include "console/core/ConsoleStatusText.h"
#include "framework/core/SysUtils.h"

SessionActions TelnetRoad::Start(const std::string& address, bool local,
                                 const ConsoleSettings& settings) {
    *this = TelnetRoad();
    HostPort target = SplitHostPort(address);
    host_ = target.host;
    port_ = target.port;
    proxyType_ = local ? ProxyNone : settings.ProxyType;
    if (proxyType_ < ProxyNone || proxyType_ > ProxySocks5)
        proxyType_ = ProxyNone;
    if (!IsValidPort(port_))
        return Fail(InvalidPortLine(port_));

    if (proxyType_ != ProxyNone) {
        setup_.kind = proxyType_;
        setup_.targetHost = host_;
        setup_.targetPort = uint16_t(port_);
        setup_.userId = settings.ProxyUserID;
        setup_.password = settings.ProxyPassword;
        setup_.connectCommand = settings.ProxyConnectCommand;
        proxyHost_ = settings.ProxyHostAddress;
    }
    switch (proxyType_) {
    case ProxyNone:
        wsPort_ = IntToStr(port_);
        lookupName_ = host_;
        if (ParseInetAddress(host_))
            return TryAddress(host_);
        state_ = Resolving;
        return {SessionAction::Line(ResolvingLine(host_)), SessionAction::Lookup(host_, wsPort_)};
    case ProxyTis: {
        // The proxy resolves the target; only a proxy given by name is looked up here. The
        // port is a number from now on (23 for anything else), in the setting too. A name
        // that cannot be found is reported as the target's.
        wsPort_ = IntToStr(StrToIntDef(settings.ProxyPort, 23));
        lookupName_ = host_;
        SessionActions out;
        if (wsPort_ != settings.ProxyPort)
            out.push_back(SessionAction::ProxyPort(wsPort_));
        SessionActions next;
        if (ParseInetAddress(proxyHost_)) {
            next = TryAddress(proxyHost_);
        } else {
            state_ = Resolving;
            next = {SessionAction::Line(ResolvingProxyLine(proxyHost_)),
                    SessionAction::Lookup(proxyHost_, wsPort_)};
        }
        out.insert(out.end(), next.begin(), next.end());
        return out;
    }
    default:
        // SOCKS: the server by its numeric address; the target resolved here, as the
        // requests carry its address.
        if (!ParseInetAddress(proxyHost_))
            return Fail(InvalidSocksServerLine(proxyHost_));
        wsPort_ = settings.ProxyPort;
        lookupName_ = host_;
        if (auto ip = ParseInetAddress(host_)) {
            setup_.targetAddress = *ip;
            return TryAddress(proxyHost_);
        }
        state_ = Resolving;
        return {SessionAction::Line(ResolvingLine(host_)), SessionAction::Lookup(host_, wsPort_)};
    }
}

SessionActions TelnetRoad::TryAddress(const std::string& address) {
    state_ = Trying;
    wsAddress_ = address;
    std::string line = proxyType_ == ProxyNone ? TryingLine(wsAddress_, wsPort_)
                                               : TryingProxyLine(wsAddress_, wsPort_);
    return {SessionAction::Do(SessionAction::ClearPendingLine), SessionAction::Line(line),
            SessionAction::Open(wsAddress_, wsPort_)};
}

SessionActions TelnetRoad::Fail(std::string line) {
    state_ = Ended;
    return {SessionAction::Line(std::move(line)), SessionAction::Do(SessionAction::Disconnect)};
}

SessionActions TelnetRoad::NameResolved(const std::string& resolvedAddress) {
    if (state_ != Resolving)
        return {};
    if (proxyType_ == ProxyNone || proxyType_ == ProxyTis) {
        SessionActions out = {SessionAction::Line(proxyType_ == ProxyNone
                                                      ? FoundAddressLine(host_)
                                                      : FoundProxyAddressLine(proxyHost_))};
        SessionActions next = TryAddress(resolvedAddress);
        out.insert(out.end(), next.begin(), next.end());
        return out;
    }
    auto ip = ParseInetAddress(resolvedAddress);
    if (!ip)
        return NameLookupFailed();
    setup_.targetAddress = *ip;
    return TryAddress(proxyHost_);
}

SessionActions TelnetRoad::NameLookupFailed() {
    if (state_ != Resolving)
        return {};
    return Fail(CannotFindAddressLine(lookupName_));
}

SessionActions TelnetRoad::PortConnected() {
    if (state_ != Trying)
        return {};
    state_ = Connected;
    SessionActions out;
    if (proxyType_ == ProxyNone) {
        out = {SessionAction::Line(ConnectedLine(wsAddress_)),
               SessionAction::Do(SessionAction::SendTelnetOffers)};
    } else {
        negotiation_.emplace(setup_);
        out = negotiation_->Connected(wsAddress_);
    }
    out.push_back(SessionAction::Line(""));
    return out;
}

SessionActions TelnetRoad::PortFailed(const std::string& errorText) {
    if (state_ != Trying)
        return {};
    return Fail(proxyType_ == ProxyNone ? CannotConnectLine(wsAddress_, wsPort_, errorText)
                                        : CannotConnectProxyLine(wsAddress_, wsPort_, errorText));
}

SessionActions TelnetRoad::ProxyNegotiate(const uint8_t* data, size_t length) {
    if (Negotiating())
        return negotiation_->Receive(data, length);
    if (length == 0)
        return {};
    return {SessionAction::Console(std::vector<uint8_t>(data, data + length))};
}

SessionActions TelnetRoad::PortClosed() {
    state_ = Ended;
    return negotiation_ ? negotiation_->ConnectionLost() : SessionActions{};
}
