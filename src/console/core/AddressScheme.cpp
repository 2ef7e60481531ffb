#include "console/core/AddressScheme.h"

#include <algorithm>

#include "console/core/AddressBookFile.h"
#include "console/core/ConsoleSettings.h"
#include "framework/core/Strings.h"
#include "framework/core/SysUtils.h"

namespace {

bool HasPrefixNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && AnsiCompareText(text.substr(0, prefix.size()), prefix) == 0;
}

std::string_view StripTrailingSlashes(std::string_view s) {
    while (!s.empty() && s.back() == '/')
        s.remove_suffix(1);
    return s;
}

// One part of a numeric address: decimal, octal after "0" or hexadecimal after "0x".
bool ParseAddressPart(std::string_view part, uint32_t& value) {
    if (part.empty())
        return false;
    unsigned base = 10;
    if (part.size() > 1 && part[0] == '0' && (part[1] == 'x' || part[1] == 'X')) {
        base = 16;
        part.remove_prefix(2);
        if (part.empty())
            return false;
    } else if (part.size() > 1 && part[0] == '0') {
        base = 8;
        part.remove_prefix(1);
    }
    uint64_t v = 0;
    for (char c : part) {
        unsigned d;
        if (c >= '0' && c <= '9')
            d = unsigned(c - '0');
        else if (c >= 'a' && c <= 'f')
            d = unsigned(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            d = unsigned(c - 'A' + 10);
        else
            return false;
        if (d >= base)
            return false;
        v = v * base + d;
        if (v > 0xFFFFFFFFu)
            return false;
    }
    value = static_cast<uint32_t>(v);
    return true;
}

}  // namespace

SessionTarget ResolveSessionTarget(const IIniStore& book, std::string_view text,
                                   const ConsoleSettings& settings) {
    SessionTarget t;
    if (std::optional<HostEntry> entry = text.empty() ? std::nullopt : LoadHostEntry(book, text)) {
        t.hostName = entry->Name;
        t.address = entry->Address;
        t.flags = {entry->ConvertJOHABtoKSC5601, entry->SendENTERasCRLF, entry->AddLFToReceivedCR,
                   entry->EnableLineAutoWrap, entry->EnableLocalEcho};
        return t;
    }
    t.address = std::string(text);
    t.flags = {settings.ConvertToKSC5601, settings.SendENTERasCRLF, settings.AddLFToReceivedCR,
               settings.LineAutoWrap, settings.DoLocalEcho};
    return t;
}

std::string SessionCaption(std::string_view hostName, std::string_view address) {
    if (hostName.empty())
        return std::string(address);
    return std::string(hostName) + ": " + std::string(address);
}

AddressScheme ParseAddressScheme(std::string_view text) {
    AddressScheme r;
    if (HasPrefixNoCase(text, "com://")) {
        r.kind = ConnectionSerial;
        r.address = std::string(text.substr(0, 6)) +
                    std::string(StripTrailingSlashes(text.substr(6)));
        return r;
    }
    bool telephone = AnsiUpperCase(text) == AnsiLowerCase(text) &&
                     text.find('.') == std::string_view::npos &&
                     (text.empty() || static_cast<unsigned char>(text[0]) < 0x80);
    r.kind = telephone ? ConnectionTelephony : ConnectionWinsock;
    if (HasPrefixNoCase(text, "telnet://")) {
        text.remove_prefix(9);
        r.kind = ConnectionWinsock;
    } else if (HasPrefixNoCase(text, "local://")) {
        text.remove_prefix(8);
        r.kind = ConnectionWinsock;
        r.local = true;
    } else if (HasPrefixNoCase(text, "phone://")) {
        text.remove_prefix(8);
        r.kind = ConnectionTelephony;
    }
    r.address = std::string(StripTrailingSlashes(text));
    return r;
}

HostPort SplitHostPort(std::string_view address) {
    HostPort r;
    size_t colon = address.find(':');
    if (colon == std::string_view::npos) {
        r.host = std::string(address);
        return r;
    }
    r.host = std::string(address.substr(0, colon));
    r.port = StrToIntDef(address.substr(colon + 1), 23);
    return r;
}

std::optional<std::array<uint8_t, 4>> ParseInetAddress(std::string_view text) {
    uint32_t parts[4];
    size_t count = 0;
    while (true) {
        size_t dot = text.find('.');
        if (count == 4 || !ParseAddressPart(text.substr(0, dot), parts[count]))
            return std::nullopt;
        ++count;
        if (dot == std::string_view::npos)
            break;
        text.remove_prefix(dot + 1);
    }
    // Every part but the last is one byte; the last fills the bytes that remain.
    for (size_t i = 0; i + 1 < count; ++i)
        if (parts[i] > 0xFF)
            return std::nullopt;
    const int lastBytes = 5 - static_cast<int>(count);
    if (lastBytes < 4 && parts[count - 1] >> (8 * lastBytes))
        return std::nullopt;
    uint32_t value = parts[count - 1];
    for (size_t i = 0; i + 1 < count; ++i)
        value |= parts[i] << (8 * (3 - i));
    return std::array<uint8_t, 4>{uint8_t(value >> 24), uint8_t(value >> 16),
                                  uint8_t(value >> 8), uint8_t(value)};
}

bool AddAddressToQuickLinks(TStrings& items, const std::string& text) {
    if (text.empty())
        return false;
    int i = items.IndexOf(text);
    if (i == 0)
        return false;
    if (i > 0)
        items.Delete(i);
    items.Insert(0, text);
    while (items.Count() > QuickLinksMax)
        items.Delete(items.Count() - 1);
    return true;
}

int FindCompletion(const TStrings& items, std::string_view prefix) {
    for (int i = 0; i < items.Count(); ++i) {
        std::string item = items.Strings(i);
        if (AnsiCompareStr(std::string_view(item).substr(0, std::min(item.size(), prefix.size())),
                           prefix) == 0)
            return i;
    }
    return -1;
}
