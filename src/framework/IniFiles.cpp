#include "framework/IniFiles.h"

#include <windows.h>

#include "framework/core/Strings.h"
#include "framework/core/SysUtils.h"

namespace {

std::string Name(std::string_view name) { return std::string(TrimIni(name)); }

// GetPrivateProfileString into a buffer that grows until the answer fits. `key` null
// lists the keys of the section.
std::string ProfileString(const char* section, const char* key, const char* fallback,
                          const std::string& file) {
    std::vector<char> buf(1024);
    for (;;) {
        DWORD n = GetPrivateProfileStringA(section, key, fallback, buf.data(),
                                           static_cast<DWORD>(buf.size()), file.c_str());
        // A full buffer comes back as size - 1 (size - 2 for lists): try a bigger one.
        size_t limit = buf.size() - ((section && key) ? 1 : 2);
        if (n < limit || buf.size() >= (1u << 24)) return std::string(buf.data(), n);
        buf.resize(buf.size() * 4);
    }
}

// A list of names, each ended by a NUL, the list by an empty name (as every caller of the
// system reads it: a key with an empty name ends the list early).
std::vector<std::string> SplitList(const std::string& list) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start < list.size()) {
        size_t end = list.find('\0', start);
        if (end == std::string::npos) end = list.size();
        if (end == start) break;
        out.emplace_back(list, start, end - start);
        start = end + 1;
    }
    return out;
}

bool HoldsLineBreak(std::string_view value) {
    return value.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

}  // namespace

TIniFile::TIniFile(std::string fileName) : FFileName(std::move(fileName)) {}

bool TIniFile::Written(bool ok) {
    if (ok) return true;
    const DWORD error = GetLastError();
    char text[512];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                             0, text, sizeof text, nullptr);
    while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r' || text[n - 1] == ' ')) --n;
    FWriteFailure = n > 0 ? std::string(text, n) : "Error " + std::to_string(error) + ".";
    return false;
}

void TIniFile::WriteError() const { throw EIniFileException("Unable to write to " + FFileName); }

std::optional<std::string> TIniFile::ReadValue(std::string_view section,
                                               std::string_view key) const {
    std::string s = Name(section), k = Name(key);
    // The system gives the fallback for a missing key: two different fallbacks tell a
    // missing key from one whose value equals a fallback.
    static const char kFirst[] = "\x01\x02missing";
    static const char kSecond[] = "\x01\x03missing";
    std::string v = ProfileString(s.c_str(), k.c_str(), kFirst, FFileName);
    if (v != kFirst) return v;
    v = ProfileString(s.c_str(), k.c_str(), kSecond, FFileName);
    if (v != kSecond) return v;
    return std::nullopt;
}

bool TIniFile::WriteValue(std::string_view section, std::string_view key, std::string_view value) {
    if (HoldsLineBreak(value)) return false;
    std::string s = Name(section), k = Name(key), v(value);
    if (s.empty() || k.empty()) return false;
    return Written(WritePrivateProfileStringA(s.c_str(), k.c_str(), v.c_str(), FFileName.c_str()) != 0);
}

bool TIniFile::DeleteSection(std::string_view section) {
    std::string s = Name(section);
    if (!HasSection(s)) return true;
    return Written(WritePrivateProfileStringA(s.c_str(), nullptr, nullptr, FFileName.c_str()) != 0);
}

std::vector<std::string> TIniFile::ListSections() const {
    std::vector<char> buf(4096);
    for (;;) {
        DWORD n = GetPrivateProfileSectionNamesA(buf.data(), static_cast<DWORD>(buf.size()),
                                                 FFileName.c_str());
        if (n < buf.size() - 2 || buf.size() >= (1u << 24))
            return SplitList(std::string(buf.data(), n));
        buf.resize(buf.size() * 4);
    }
}

std::vector<std::string> TIniFile::ListKeys(std::string_view section) const {
    std::string s = Name(section);
    return SplitList(ProfileString(s.c_str(), nullptr, "", FFileName));
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 const std::string& fallback) const {
    return ReadValue(section, key).value_or(fallback);
}

int TIniFile::ReadInteger(std::string_view section, std::string_view key, int fallback) const {
    auto v = ReadValue(section, key);
    return v ? StrToIntDef(*v, fallback) : fallback;
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
    return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    if (!WriteValue(section, key, value)) WriteError();
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void TIniFile::ReadSections(TStrings* strings) const {
    strings->BeginUpdate();
    strings->Clear();
    for (const std::string& s : ListSections()) strings->Add(s);
    strings->EndUpdate();
}

void TIniFile::ReadSection(std::string_view section, TStrings* strings) const {
    strings->BeginUpdate();
    strings->Clear();
    for (const std::string& k : ListKeys(section)) strings->Add(k);
    strings->EndUpdate();
}

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const {
    return ReadValue(section, key).has_value();
}

void TIniFile::EraseSection(std::string_view section) {
    if (!DeleteSection(section)) WriteError();
}

bool TIniFile::DeleteKey(std::string_view section, std::string_view key) {
    std::string s = Name(section), k = Name(key);
    if (!ReadValue(s, k)) return true;
    return WritePrivateProfileStringA(s.c_str(), k.c_str(), nullptr, FFileName.c_str()) != 0;
}

void TIniFile::UpdateFile() { WritePrivateProfileStringA(nullptr, nullptr, nullptr, FFileName.c_str()); }
