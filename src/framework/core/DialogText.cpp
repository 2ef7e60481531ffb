#include "framework/core/DialogText.h"

#include <cstring>

#include "framework/core/SysUtils.h"

namespace {

// "X:...", "\\server\..." or "\dir".
bool IsFullPath(const std::string& name) {
    if (name.size() >= 2 && name[1] == ':') return true;
    return !name.empty() && (name[0] == '\\' || name[0] == '/');
}

// The folder and the name with one delimiter between them (ExtractFilePath keeps a folder
// whole when it already ends with one, and never takes a double-byte character's trail
// byte for one).
std::string JoinPath(const std::string& folder, const std::string& name) {
    bool ends = ExtractFilePath(folder).size() == folder.size() && folder.back() != ':';
    return folder + (ends ? "" : "\\") + name;
}

}  // namespace

std::string DialogFilterList(const std::string& filter) {
    if (filter.empty()) return std::string();
    std::string list = filter;
    for (char& c : list)
        if (c == '|') c = '\0';
    list.append(2, '\0');
    return list;
}

std::string DialogDefaultExt(const std::string& ext) {
    size_t start = ext.find_first_not_of('.');
    return start == std::string::npos ? std::string() : ext.substr(start);
}

std::vector<std::string> DialogFileNames(const char* buffer, size_t size) {
    std::vector<std::string> parts;
    size_t i = 0;
    while (i < size && buffer[i] != '\0') {
        size_t n = strnlen(buffer + i, size - i);
        parts.emplace_back(buffer + i, n);
        i += n + 1;
    }
    if (parts.size() <= 1) return parts;
    std::vector<std::string> names;
    names.reserve(parts.size() - 1);
    for (size_t k = 1; k < parts.size(); ++k)
        names.push_back(IsFullPath(parts[k]) ? parts[k] : JoinPath(parts[0], parts[k]));
    return names;
}
