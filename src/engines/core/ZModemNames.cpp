#include "engines/core/ZModemNames.h"

#include <cstdint>

namespace quiro::engines {
namespace {

bool IsLeadByte(uint8_t b) { return b >= 0x81 && b <= 0xFE; }

bool IsTrailByte(uint8_t b)
{
    return (b >= 0x41 && b <= 0x5A) || (b >= 0x61 && b <= 0x7A) || (b >= 0x81 && b <= 0xFE);
}

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

bool IsDeviceName(const std::string& name)
{
    // Windows opens the device whatever the extension, and ignores trailing spaces.
    std::string stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    for (char& c : stem)
        c = Upper(c);
    static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$",
                                          "CLOCK$"};
    for (const char* d : devices)
        if (stem == d)
            return true;
    if (stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
        stem[3] >= '0' && stem[3] <= '9')
        return true;
    return false;
}

// Cuts s to at most max bytes without splitting a double-byte character.
std::string CutBytes(const std::string& s, size_t max)
{
    size_t i = 0;
    while (i < s.size()) {
        size_t w = (IsLeadByte(static_cast<uint8_t>(s[i])) && i + 1 < s.size()) ? 2 : 1;
        if (i + w > max)
            break;
        i += w;
    }
    return s.substr(0, i);
}

}  // namespace

std::string SafeReceivedName(std::string_view announced)
{
    // Last path component. A trail byte of KS C 5601 is never '/', '\' or ':', so the
    // bytes can be searched as they stand.
    size_t cut = announced.find_last_of("/\\:");
    std::string_view last = cut == std::string_view::npos ? announced : announced.substr(cut + 1);
    if (last.empty() || last == "." || last == "..")
        return {};

    std::string name;
    name.reserve(last.size());
    for (size_t i = 0; i < last.size(); ++i) {
        uint8_t b = static_cast<uint8_t>(last[i]);
        if (IsLeadByte(b) && i + 1 < last.size() && IsTrailByte(static_cast<uint8_t>(last[i + 1]))) {
            name += last[i];
            name += last[++i];
            continue;
        }
        bool bad = b < 0x20 || b == 0x7F || b == 0xFF || b == '<' || b == '>' || b == '"' ||
                   b == '|' || b == '?' || b == '*';
        name += bad ? '_' : static_cast<char>(b);
    }
    if (name.size() > MaxReceivedNameLength) {
        size_t dot = name.rfind('.');
        std::string ext = (dot != std::string::npos && dot > 0 && name.size() - dot <= 16)
                              ? name.substr(dot) : std::string();
        name = CutBytes(name.substr(0, name.size() - ext.size()),
                        MaxReceivedNameLength - ext.size()) + ext;
    }
    if (name[0] == '.')
        name[0] = '_';
    for (size_t i = name.size(); i > 0 && (name[i - 1] == '.' || name[i - 1] == ' '); --i)
        name[i - 1] = '_';
    if (IsDeviceName(name))
        return {};
    return name;
}

std::string NumberedName(const std::string& name, int n)
{
    size_t dot = name.rfind('.');
    if (dot == 0 || dot == std::string::npos)
        dot = name.size();
    std::string suffix = "_" + std::to_string(n);
    std::string stem = name.substr(0, dot);
    std::string ext = name.substr(dot);
    if (stem.size() + suffix.size() + ext.size() > MaxReceivedNameLength)
        stem = CutBytes(stem, MaxReceivedNameLength - suffix.size() - ext.size());
    return stem + suffix + ext;
}

}  // namespace quiro::engines
