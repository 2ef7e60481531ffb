#include "console/core/ConsoleStatusText.h"

namespace {

std::string Join(std::initializer_list<std::string_view> parts) {
    std::string s;
    for (std::string_view p : parts)
        s += p;
    return s;
}

}  // namespace

std::string ResolvingLine(std::string_view name) { return Join({"Resolving ", name, "..."}); }

std::string FoundAddressLine(std::string_view name) {
    return Join({"Found IP address for ", name, "..."});
}

std::string CannotFindAddressLine(std::string_view name) {
    return Join({"Cannot find IP address for ", name, "..."});
}

std::string TryingLine(std::string_view address, std::string_view port) {
    return Join({"Trying ", address, " (PORT:", port, ")..."});
}

std::string ConnectedLine(std::string_view address) {
    return Join({"Connected to ", address, "..."});
}

std::string CannotConnectLine(std::string_view address, std::string_view port,
                              std::string_view error) {
    return Join({"Cannot connect to ", address, " (PORT:", port, ")... [", error, "]"});
}

std::string InvalidPortLine(int port) {
    return Join({"Error: Invalid port number! [", std::to_string(port), "]"});
}

std::string ResolvingProxyLine(std::string_view proxy) {
    return Join({"Resolving Proxy Server (", proxy, ")..."});
}

std::string FoundProxyAddressLine(std::string_view proxy) {
    return Join({"Found IP address for Proxy Server (", proxy, ")..."});
}

std::string TryingProxyLine(std::string_view address, std::string_view port) {
    return Join({"Trying Proxy Server at ", address, " (PORT:", port, ")..."});
}

std::string InvalidSocksServerLine(std::string_view proxy) {
    return Join({"Error: Invalid SOCKS Server IP! [", proxy, "]"});
}

std::string ConnectedToProxyLine(int proxyType, std::string_view address) {
    std::string_view server = proxyType == 2   ? "SOCKS4 Server"
                              : proxyType == 3 ? "SOCKS5 Server"
                                               : "Proxy Server";
    return Join({"Connected to ", server, " (", address, ")..."});
}

std::string CannotConnectProxyLine(std::string_view address, std::string_view port,
                                   std::string_view error) {
    return Join({"Cannot connect to Proxy Server at ", address, " (PORT:", port, ")... [", error,
                 "]"});
}

std::string RequestingConnectionLine(std::string_view address, std::string_view port) {
    return Join({"Requesting connection to ", address, " (PORT:", port, ")..."});
}

std::string DialingLine(std::string_view hostName, std::string_view number) {
    if (hostName.empty())
        return Join({"Dialing ", number, "..."});
    return Join({"Dialing ", hostName, " (", number, ")..."});
}

std::string DialConnectedLine(std::string_view number, std::string_view bpsRate) {
    return Join({"Connected to ", number, " (", bpsRate, "bps)..."});
}

std::vector<std::string> SessionEndLines(bool cancelledCall) {
    return {"", "", cancelledCall ? "Connection cancelled..." : "Connection closed..."};
}

std::string SendingStoppedLine(size_t sent, size_t total) {
    return "[ Sending stopped: " + std::to_string(sent) + " of " + std::to_string(total) + " bytes sent ]";
}

std::vector<std::string> PrintFailedLines(std::string_view step, std::string_view reason, std::string_view fileName) {
    std::string first = "[ Printing failed while " + std::string(step);
    if (!reason.empty()) first += ": " + std::string(reason);
    return {first + " ]", "[ The print data is kept in " + std::string(fileName) + " ]"};
}

std::vector<std::string> PrintFileWriteFailedLines(std::string_view reason, std::string_view fileName) {
    std::string first = "[ Writing the print file failed";
    if (!reason.empty()) first += ": " + std::string(reason);
    return {first + " ]",
            "[ What was written before is kept in " + std::string(fileName) + "; the rest of the print data is lost ]"};
}
