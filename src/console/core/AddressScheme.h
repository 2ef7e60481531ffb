// Addresses as the user types them into the address box: the scheme that picks the road,
// the host:port split, numeric IPv4 addresses, and the box's recent-address list
// (QuickLinks) with its completion.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class IIniStore;
class TStrings;
struct ConsoleSettings;

// The terminal's flags for one session.
struct SessionFlags {
    bool convertJohab = false;
    bool sendEnterAsCrLf = false;
    bool addLfToCr = false;
    bool lineAutoWrap = true;
    bool localEcho = false;

    bool operator==(const SessionFlags&) const = default;
};

// What the Connect button starts from the address box's text: the address-book entry of
// that name (its address and flags), or else the text itself with the global flags.
struct SessionTarget {
    std::string hostName;  // the entry's name; empty when the text is an address
    std::string address;   // still with its scheme
    SessionFlags flags;
};
SessionTarget ResolveSessionTarget(const IIniStore& book, std::string_view text,
                                   const ConsoleSettings& settings);
// The session's caption: "host name: address", or the address alone.
std::string SessionCaption(std::string_view hostName, std::string_view address);

// How a session is carried.
enum ConnectionKind {
    ConnectionWinsock = 1,    // telnet, directly or through a proxy
    ConnectionTelephony = 2,  // a dialled modem
    ConnectionSerial = 3,     // a serial cable ("com://")
};

struct AddressScheme {
    ConnectionKind kind = ConnectionWinsock;
    // Without a "telnet://", "local://" or "phone://" scheme and without trailing '/'.
    // A serial address keeps its "com://" (the caption shows it, OpenComPort reads it).
    std::string address;
    bool local = false;  // "local://": telnet without the proxy
};

// The road of an address. Schemes are matched without regard to case, before anything is
// stripped: "telnet://" and "local://" are telnet, "phone://" dials what follows, "com://"
// is serial (also with nothing after it, so that the serial road reports the missing port).
// Without a scheme, a text with no letter, no '.' and a first byte below 0x80 (a telephone
// number, or empty) is dialled; anything else is a telnet host.
AddressScheme ParseAddressScheme(std::string_view text);

struct HostPort {
    std::string host;
    int32_t port = 23;
};
// Splits "host:port" at the first ':'. No ':' gives port 23; the text after it is read
// with StrToIntDef, 23 when it is no number.
HostPort SplitHostPort(std::string_view address);
// True for a port a TCP connection can use (1..65535).
inline bool IsValidPort(int32_t port) { return port >= 1 && port <= 65535; }

// A numeric IPv4 address in the forms inet_addr takes (1 to 4 parts of decimal, octal
// "0..." or hexadecimal "0x..." numbers, the last part filling the remaining bytes), in
// network order; std::nullopt for a host name or anything else.
std::optional<std::array<uint8_t, 4>> ParseInetAddress(std::string_view text);

// The recent-address list keeps at most this many addresses.
inline constexpr int QuickLinksMax = 20;

// Moves `text` to the top of `items` (found without regard to ASCII case, as the list's
// IndexOf finds): a new address is inserted at the top and the list cut to QuickLinksMax;
// a listed one moves to the top; the top one changes nothing. True when the list changed
// and is to be saved (its Text() as the setting "QuickLinks"). An empty text changes nothing.
bool AddAddressToQuickLinks(TStrings& items, const std::string& text);

// Completion while typing: the index of the first item whose first prefix.size() bytes
// equal `prefix` (case-sensitively), or -1.
int FindCompletion(const TStrings& items, std::string_view prefix);
