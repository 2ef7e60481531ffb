// What the connection roads ask the main window to do, in order. The roads decide; the
// main window carries each action out with its port, lookup socket and console.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct SessionAction {
    enum Kind : uint8_t {
        StatusLine,        // text: one line appended to the console (ConsoleStatusLine)
        ClearPendingLine,  // empty the terminal's pending line
        StartLookup,       // text: the name to resolve; port: the lookup socket's port text
        OpenPort,          // text: WsAddress, port: WsPort; then open the port
        Send,              // bytes: to the host (SendString)
        SendTelnetOffers,  // the telnet object's WILL offers, when the terminal has one
        ToConsole,         // bytes: host data for the console road (ConsoleDataReceived)
        Disconnect,        // end the session (as MAIN_BTN_Disconnect does)
        StoreProxyPort,    // text: the proxy port as the road used it, into the ProxyPort setting
    };
    Kind kind;
    std::string text;
    std::string port;
    std::vector<uint8_t> bytes;

    static SessionAction Line(std::string text) { return {StatusLine, std::move(text), {}, {}}; }
    static SessionAction Lookup(std::string name, std::string port) {
        return {StartLookup, std::move(name), std::move(port), {}};
    }
    static SessionAction Open(std::string address, std::string port) {
        return {OpenPort, std::move(address), std::move(port), {}};
    }
    static SessionAction SendBytes(std::vector<uint8_t> bytes) {
        return {Send, {}, {}, std::move(bytes)};
    }
    static SessionAction Console(std::vector<uint8_t> bytes) {
        return {ToConsole, {}, {}, std::move(bytes)};
    }
    static SessionAction Do(Kind kind) { return {kind, {}, {}, {}}; }
    static SessionAction ProxyPort(std::string port) { return {StoreProxyPort, std::move(port), {}, {}}; }

    bool operator==(const SessionAction&) const = default;
};

using SessionActions = std::vector<SessionAction>;
