#include "controls/core/AppUtils.h"

#include "controls/core/StrUtils.h"
#include "framework/core/Strings.h"
#include "framework/core/SysUtils.h"

namespace {

constexpr size_t kMaxIniLine = 4096;

void CheckLineLength(std::string_view s) {
    if (s.size() > kMaxIniLine) throw Exception("Line too long");
}

}  // namespace

std::string IniReadString(const IIniStore* store, std::string_view section, std::string_view key,
                          const std::string& fallback) {
    if (!store) return fallback;
    return store->ReadValue(section, key).value_or(fallback);
}

bool IniWriteString(IIniStore* store, std::string_view section, std::string_view key,
                    std::string_view value) {
    if (!store) return false;
    if (!store->TrimsValues()) return store->WriteValue(section, key, value);
    std::optional<std::string> text = EncodeIniValue(value);
    return text && store->WriteValue(section, key, *text);
}

int IniReadInteger(const IIniStore* store, std::string_view section, std::string_view key,
                   int fallback) {
    if (!store) return fallback;
    std::optional<std::string> v = store->ReadValue(section, key);
    return v ? StrToIntDef(*v, fallback) : fallback;
}

bool IniWriteInteger(IIniStore* store, std::string_view section, std::string_view key, int value) {
    return IniWriteString(store, section, key, IntToStr(value));
}

bool IniReadBool(const IIniStore* store, std::string_view section, std::string_view key,
                 bool fallback) {
    return IniReadInteger(store, section, key, fallback ? 1 : 0) != 0;
}

bool IniWriteBool(IIniStore* store, std::string_view section, std::string_view key, bool value) {
    return IniWriteString(store, section, key, value ? "1" : "0");
}

bool IniEraseSection(IIniStore* store, std::string_view section) {
    return store && store->DeleteSection(section);
}

bool IniDeleteKey(IIniStore* store, std::string_view section, std::string_view key) {
    return store && store->DeleteKey(section, key);
}

void IniReadSections(const IIniStore* store, TStrings* sections) {
    sections->Clear();
    if (!store) return;
    for (const std::string& name : store->ListSections()) sections->Add(name);
}

std::string StrToIniStr(std::string_view str) {
    CheckLineLength(str);
    std::string out;
    for (size_t i = 0; i < str.size(); ++i) {
        char c = str[i];
        if (c == '\r' || c == '\n') {
            // A pair of different break characters is one break.
            if (i + 1 < str.size() && (str[i + 1] == '\r' || str[i + 1] == '\n') && str[i + 1] != c)
                ++i;
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

std::string IniStrToStr(std::string_view str) {
    CheckLineLength(str);
    return ReplaceStr(str, "\\n", "\r\n");
}

std::string FormatPlacementNumbers(const std::array<int, 4>& n) {
    return Format("%d,%d,%d,%d", n[0], n[1], n[2], n[3]);
}

std::array<int, 4> ParsePlacementNumbers(std::string_view text,
                                         const std::array<int, 4>& fallback) {
    std::array<int, 4> out = fallback;
    for (int i = 0; i < 4; ++i) out[i] = StrToIntDef(ExtractWord(i + 1, text, " ,"), fallback[i]);
    return out;
}

std::string ScreenSizeKey(std::string_view key, int screenWidth, int screenHeight) {
    return std::string(key) + Format("(%dx%d)", screenWidth, screenHeight);
}

TWindowState WindowStateFromShowCmd(int showCmd, TWindowState fallback) {
    switch (showCmd) {
        case 1:
        case 5:
        case 9:
            return wsNormal;
        case 2:
        case 6:
        case 7:
            return wsMinimized;
        case 3:
            return wsMaximized;
        default:
            return fallback;
    }
}

std::string DefaultIniName(std::string_view exePath) {
    std::string name = ExtractFileName(exePath);
    std::string ext = ExtractFileExt(name);
    return name.substr(0, name.size() - ext.size()) + ".INI";
}

std::string DefaultIniRegKey(std::string_view exePath, std::string_view company,
                             std::string_view title, bool useTitle) {
    std::string key = "Software\\";
    if (!company.empty()) key += std::string(company) + "\\";
    if (useTitle) return key + std::string(title);
    std::string name = ExtractFileName(exePath);
    return key + name.substr(0, name.size() - ExtractFileExt(name).size());
}

std::string GetUniqueFileNameInDir(std::string_view path, std::string_view mask) {
    std::string folder(path);
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
    auto name = [&](int32_t n) -> std::optional<std::string> {
        try {
            return FormatV(mask, {n});
        } catch (const EConvertError&) {
            return std::nullopt;
        }
    };
    auto taken = [&](const std::string& n) {
        return FileExists(folder + n) || DirectoryExists(folder + n);
    };
    std::optional<std::string> first = name(0), second = name(1);
    if (!first || !second) return {};
    if (*first == *second) return taken(*first) ? std::string() : *first;  // no number in it
    for (int32_t n = 0;; ++n) {
        std::optional<std::string> candidate = name(n);
        if (candidate && !taken(*candidate)) return *candidate;
        if (n == INT32_MAX) return {};
    }
}
