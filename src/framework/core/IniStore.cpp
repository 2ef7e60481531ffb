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

std::string FoldIniName(std::string_view name) {
    name = TrimIni(name);
    std::string folded(name);
    for (size_t i = 0; i < folded.size(); ++i) {
        const auto c = static_cast<unsigned char>(folded[i]);
        if (c >= 0x81 && c <= 0xFE) {
            ++i;  // a double-byte character: both bytes as they stand
        } else if (c >= 'A' && c <= 'Z') {
            folded[i] = static_cast<char>(c - 'A' + 'a');
        }
    }
    return folded;
}

bool SameIniName(std::string_view a, std::string_view b) {
    return TrimIni(a).size() == TrimIni(b).size() && FoldIniName(a) == FoldIniName(b);
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
