// The status lines that the connection roads append to the console (ConsoleStatusLine):
// one place for their wording. Names and addresses are put in as they stand.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Telnet road.
std::string ResolvingLine(std::string_view name);         // "Resolving NAME..."
std::string FoundAddressLine(std::string_view name);      // "Found IP address for NAME..."
std::string CannotFindAddressLine(std::string_view name); // "Cannot find IP address for NAME..."
std::string TryingLine(std::string_view address, std::string_view port);
std::string ConnectedLine(std::string_view address);      // "Connected to ADDRESS..."
// A connection that could not be made (refused, timed out, the port could not be opened),
// with the error's own text.
std::string CannotConnectLine(std::string_view address, std::string_view port,
                              std::string_view error);
// A target port that no TCP connection can use.
std::string InvalidPortLine(int port);

// Proxy road.
std::string ResolvingProxyLine(std::string_view proxy);
std::string FoundProxyAddressLine(std::string_view proxy);
std::string TryingProxyLine(std::string_view address, std::string_view port);
std::string InvalidSocksServerLine(std::string_view proxy);
// "Connected to Proxy Server (A)...", "... SOCKS4 Server ...", "... SOCKS5 Server ..." by
// ProxyType 1, 2, 3.
std::string ConnectedToProxyLine(int proxyType, std::string_view address);
std::string CannotConnectProxyLine(std::string_view address, std::string_view port,
                                   std::string_view error);
std::string RequestingConnectionLine(std::string_view address, std::string_view port);

// Telephone road.
std::string DialingLine(std::string_view hostName, std::string_view number);
std::string DialConnectedLine(std::string_view number, std::string_view bpsRate);
inline constexpr std::string_view SettingConsoleLine = "Setting console...";

// The end of every session: two empty lines, then "Connection cancelled..." for a call
// cancelled before it connected, else "Connection closed...".
std::vector<std::string> SessionEndLines(bool cancelledCall);

// Sent text that the session's end cut short (a long paste, a batch from the editor):
// "[ Sending stopped: SENT of TOTAL bytes sent ]".
std::string SendingStoppedLine(size_t sent, size_t total);

// A print job that did not go out whole: the step that failed with the system's reason,
// and the file that keeps the data.
std::vector<std::string> PrintFailedLines(std::string_view step, std::string_view reason, std::string_view fileName);
// A print file that did not take the data (a full disk): the system's reason, and the file
// that keeps what was written before; the rest of the job is lost.
std::vector<std::string> PrintFileWriteFailedLines(std::string_view reason, std::string_view fileName);
