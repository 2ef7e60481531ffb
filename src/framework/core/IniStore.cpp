#include "framework/core/IniStore.h"

#include <algorithm>

bool IIniStore::HasSection(std::string_view section) const {
    const std::vector<std::string> names = ListSections();
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string& n) { return SameIniName(n, section); });
}

bool IsIniBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view TrimIni(std::string_view s) {
    while (!s.empty() && IsIniBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsIniBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool SameIniName(std::string_view a, std::string_view b) {
    a = TrimIni(a);
    b = TrimIni(b);
    if (a.size() != b.size()) return false;
    auto lower = [](unsigned char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
    };
    for (size_t i = 0; i < a.size(); ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if (ca >= 0x81 && ca <= 0xFE) {
            // A double-byte character: both bytes must match as they stand.
            if (cb != ca) return false;
            if (++i < a.size() && a[i] != b[i]) return false;
        } else if (lower(ca) != lower(cb)) {
            return false;
        }
    }
    return true;
}

std::string_view UnquoteIniValue(std::string_view raw) {
    std::string_view v = TrimIni(raw);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        v = v.substr(1, v.size() - 2);
    }
    return v;
}

std::optional<std::string> EncodeIniValue(std::string_view value) {
    if (value.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) {
        return std::nullopt;
    }
    if (UnquoteIniValue(value) == value) return std::string(value);
    std::string quoted;
    quoted.reserve(value.size() + 2);
    quoted.push_back('"');
    quoted.append(value);
    quoted.push_back('"');
    return quoted;
}

std::string IniFilePath(std::string_view folder, std::string_view fileName) {
    std::string path(folder);
    if (!path.empty() && path.back() != '\\' && path.back() != '/') path.push_back('\\');
    path.append(fileName);
    return path;
}
