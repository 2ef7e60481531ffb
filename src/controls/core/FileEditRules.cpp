#include "controls/core/FileEditRules.h"

#include "controls/core/CtlUtils.h"

std::string ExtFilename(std::string_view name) {
    if (name.find(' ') != std::string_view::npos && (name.empty() || name.front() != '"'))
        return "\"" + std::string(name) + "\"";
    return std::string(name);
}

std::string ClipFilename(std::string_view name,
                         const std::function<bool(const std::string&)>& exists) {
    std::string s(name);
    if (exists(s)) return s;
    std::string exe, params;
    SplitCommandLine(name, exe, params);
    return exe;
}

std::string MapDirList(std::string_view text, bool multiple,
                       const std::function<std::string(const std::string&)>& convert) {
    if (!multiple) return convert(std::string(text));
    std::string out;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(';', start);
        std::string piece(text.substr(start, end == std::string_view::npos ? end : end - start));
        std::string converted = convert(piece);
        if (!converted.empty()) out += (out.empty() ? "" : ";") + converted;
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return out;
}

std::string AddDirToList(std::string_view text, std::string_view dir, bool multiple) {
    if (text.empty() || !multiple) return std::string(dir);
    return std::string(text) + ";" + std::string(dir);
}

std::string DirDialogStart(std::string_view text, std::string_view initialDir,
                           const std::function<bool(const std::string&)>& dirExists) {
    std::string start(text.empty() ? initialDir : text);
    if (start.empty() || !dirExists(start)) return "\\";
    return start;
}
