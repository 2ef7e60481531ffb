#include "framework/Registry.h"

#include <cstring>
#include <vector>

TRegistry::TRegistry(REGSAM access) : FAccess(access) {}

TRegistry::~TRegistry() {
    CloseKey();
}

void TRegistry::SetRootKey(HKEY root) {
    CloseKey();
    FRootKey = root;
}

HKEY TRegistry::KeyFor(const std::string& key, std::string& path) const {
    bool absolute = !key.empty() && key.front() == '\\';
    std::string rel = absolute ? key.substr(1) : key;
    if (absolute || !FCurrentKey) {
        path = rel;
        return FRootKey;
    }
    path = FCurrentPath.empty() ? rel : FCurrentPath + "\\" + rel;
    return FCurrentKey;
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
    std::string path;
    HKEY parent = KeyFor(key, path);
    std::string rel = !key.empty() && key.front() == '\\' ? key.substr(1) : key;
    HKEY opened = nullptr;
    LONG r;
    if (canCreate)
        r = RegCreateKeyExA(parent, rel.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, FAccess,
                            nullptr, &opened, nullptr);
    else
        r = RegOpenKeyExA(parent, rel.c_str(), 0, FAccess, &opened);
    if (r != ERROR_SUCCESS) {
        FLastError = r;
        return false;
    }
    CloseKey();
    FCurrentKey = opened;
    FCurrentPath = path;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
    REGSAM saved = FAccess;
    FAccess = KEY_READ;
    bool ok = OpenKey(key, false);
    FAccess = saved;
    return ok;
}

void TRegistry::CloseKey() {
    if (FCurrentKey) RegCloseKey(FCurrentKey);
    FCurrentKey = nullptr;
    FCurrentPath.clear();
}

bool TRegistry::KeyExists(const std::string& key) {
    std::string path;
    HKEY parent = KeyFor(key, path);
    std::string rel = !key.empty() && key.front() == '\\' ? key.substr(1) : key;
    HKEY k = nullptr;
    if (RegOpenKeyExA(parent, rel.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

bool TRegistry::DeleteKey(const std::string& key) {
    std::string path;
    HKEY parent = KeyFor(key, path);
    std::string rel = !key.empty() && key.front() == '\\' ? key.substr(1) : key;
    return RegDeleteKeyA(parent, rel.c_str()) == ERROR_SUCCESS;
}

bool TRegistry::ValueExists(const std::string& name) const {
    if (!FCurrentKey) return false;
    return RegQueryValueExA(FCurrentKey, name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

std::vector<std::string> TRegistry::GetValueNames() const {
    std::vector<std::string> names;
    if (!FCurrentKey) return names;
    char name[16384];  // the longest value name the registry allows, and its NUL
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (RegEnumValueA(FCurrentKey, i, name, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.emplace_back(name, size);
    }
    return names;
}

bool TRegistry::DeleteValue(const std::string& name) {
    return FCurrentKey && RegDeleteValueA(FCurrentKey, name.c_str()) == ERROR_SUCCESS;
}

std::optional<int> TRegistry::TryReadInteger(const std::string& name) const {
    if (!FCurrentKey) return std::nullopt;
    DWORD type = 0, value = 0, size = sizeof value;
    if (RegQueryValueExA(FCurrentKey, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value),
                         &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return std::nullopt;
    return static_cast<int>(value);
}

int TRegistry::ReadInteger(const std::string& name) const {
    if (auto v = TryReadInteger(name)) return *v;
    DWORD type = 0;
    if (FCurrentKey && RegQueryValueExA(FCurrentKey, name.c_str(), nullptr, &type, nullptr,
                                        nullptr) == ERROR_SUCCESS)
        throw ERegistryException("Invalid data type for '" + name + "'");
    throw ERegistryException("Failed to get data for '" + name + "'");
}

std::string TRegistry::ReadString(const std::string& name) const {
    if (!FCurrentKey) return std::string();
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(FCurrentKey, name.c_str(), nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS)
        return std::string();
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        throw ERegistryException("Invalid data type for '" + name + "'");
    std::vector<char> buf(size + 1, '\0');
    DWORD got = size;
    if (RegQueryValueExA(FCurrentKey, name.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(buf.data()), &got) != ERROR_SUCCESS)
        throw ERegistryException("Failed to get data for '" + name + "'");
    std::string s(buf.data(), got);
    while (!s.empty() && s.back() == '\0') s.pop_back();  // the stored terminator
    return s;
}

void TRegistry::SetValue(const std::string& name, DWORD type, const void* data, DWORD size) {
    const LONG r = FCurrentKey ? RegSetValueExA(FCurrentKey, name.c_str(), 0, type,
                                                static_cast<const BYTE*>(data), size)
                               : ERROR_INVALID_HANDLE;
    if (r == ERROR_SUCCESS) return;
    FLastError = r;
    throw ERegistryException("Failed to set data for '" + name + "'");
}

void TRegistry::WriteInteger(const std::string& name, int value) {
    const DWORD v = static_cast<DWORD>(value);
    SetValue(name, REG_DWORD, &v, sizeof v);
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
    SetValue(name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

// ---- TRegIniFile ------------------------------------------------------------------------

namespace {

// Deletes a key with all its sub-keys (RegDeleteKey refuses keys that have some).
bool DeleteTree(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | KEY_WRITE, &key) != ERROR_SUCCESS)
        return RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS;
    std::vector<std::string> children;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD n = sizeof name;
        if (RegEnumKeyExA(key, i, name, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        children.emplace_back(name, n);
    }
    RegCloseKey(key);
    for (const std::string& child : children)
        if (!DeleteTree(root, path + "\\" + child)) return false;
    return RegDeleteKeyA(root, path.c_str()) == ERROR_SUCCESS;
}

std::vector<std::string> EnumNames(HKEY root, const std::string& path, bool keys) {
    std::vector<std::string> out;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return out;
    std::vector<char> name(16384);
    for (DWORD i = 0;; ++i) {
        DWORD n = static_cast<DWORD>(name.size());
        LONG r = keys ? RegEnumKeyExA(key, i, name.data(), &n, nullptr, nullptr, nullptr, nullptr)
                      : RegEnumValueA(key, i, name.data(), &n, nullptr, nullptr, nullptr, nullptr);
        if (r != ERROR_SUCCESS) break;
        out.emplace_back(name.data(), n);
    }
    RegCloseKey(key);
    return out;
}

}  // namespace

TRegIniFile::TRegIniFile(std::string keyName, HKEY root)
    : FKeyName(std::move(keyName)), FRoot(root) {}

std::string TRegIniFile::Path(std::string_view section) const {
    return section.empty() ? FKeyName : FKeyName + "\\" + std::string(section);
}

std::optional<std::string> TRegIniFile::ReadValue(std::string_view section,
                                                  std::string_view key) const {
    HKEY k = nullptr;
    if (RegOpenKeyExA(FRoot, Path(section).c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
        return std::nullopt;
    std::string name(key);
    DWORD type = 0, size = 0;
    std::optional<std::string> result;
    if (RegQueryValueExA(k, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        std::vector<BYTE> data(size + 1);
        if (RegQueryValueExA(k, name.c_str(), nullptr, &type, data.data(), &size) ==
            ERROR_SUCCESS) {
            if (type == REG_DWORD && size == sizeof(DWORD)) {
                DWORD v;
                std::memcpy(&v, data.data(), sizeof v);
                result = std::to_string(static_cast<int32_t>(v));
            } else if (type == REG_SZ || type == REG_EXPAND_SZ) {
                std::string text(reinterpret_cast<char*>(data.data()), size);
                while (!text.empty() && text.back() == '\0') text.pop_back();
                result = text;
            }
        }
    }
    RegCloseKey(k);
    return result;
}

bool TRegIniFile::WriteValue(std::string_view section, std::string_view key,
                             std::string_view value) {
    HKEY k = nullptr;
    if (RegCreateKeyExA(FRoot, Path(section).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_WRITE, nullptr, &k, nullptr) != ERROR_SUCCESS)
        return false;
    std::string name(key), text(value);
    LONG r = RegSetValueExA(k, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>(text.size() + 1));
    RegCloseKey(k);
    return r == ERROR_SUCCESS;
}

bool TRegIniFile::DeleteSection(std::string_view section) {
    if (section.empty()) return false;
    return DeleteTree(FRoot, Path(section));
}

bool TRegIniFile::DeleteKey(std::string_view section, std::string_view key) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(FRoot, Path(section).c_str(), 0, KEY_SET_VALUE, &k) != ERROR_SUCCESS)
        return true;  // no section, no key
    std::string name(key);
    LONG r = RegDeleteValueA(k, name.c_str());
    RegCloseKey(k);
    return r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND;
}

std::vector<std::string> TRegIniFile::ListSections() const {
    return EnumNames(FRoot, FKeyName, true);
}

std::vector<std::string> TRegIniFile::ListKeys(std::string_view section) const {
    return EnumNames(FRoot, Path(section), false);
}
