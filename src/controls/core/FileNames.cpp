#include "controls/core/FileNames.h"

#include "framework/core/SysUtils.h"

namespace {

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// Whether a path part names a device: its name up to the first dot, trailing blanks
// ignored, is one of the reserved names.
bool IsDeviceName(std::string_view part) {
    std::string base = AnsiUpperCase(part.substr(0, part.find('.')));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
    return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) &&
           base[3] >= '1' && base[3] <= '9';
}

}  // namespace

std::string NormalDir(std::string_view dirName) {
    std::string out(dirName);
    if (out.size() == 1 && IsLetter(out[0])) return out + ":\\";
    if (!out.empty() && out.back() != ':' && out.back() != '\\') out += '\\';
    return out;
}

std::string RemoveBackSlash(std::string_view dirName) {
    std::string out(dirName);
    bool driveRoot = out.size() == 3 && out[1] == ':' && out[2] == '\\';
    if (out.size() > 1 && out.back() == '\\' && !driveRoot) out.pop_back();
    return out;
}

bool ValidFileName(std::string_view fileName) {
    if (fileName.empty()) return false;
    size_t start = fileName.size() >= 2 && IsLetter(fileName[0]) && fileName[1] == ':' ? 2 : 0;
    size_t partStart = start;
    for (size_t i = start; i <= fileName.size(); ++i) {
        if (i < fileName.size() && IsDoubleBytePair(fileName, i)) {
            ++i;
            continue;
        }
        if (i == fileName.size() || IsSeparator(fileName[i])) {
            std::string_view part = fileName.substr(partStart, i - partStart);
            if (IsDeviceName(part)) return false;
            if (i == fileName.size() && (part.empty() || part == "." || part == "..")) return false;
            partStart = i + 1;
            continue;
        }
        auto c = static_cast<unsigned char>(fileName[i]);
        if (c < 32 ||
            std::string_view("<>:\"|?*").find(static_cast<char>(c)) != std::string_view::npos)
            return false;
    }
    return true;
}
