#include "framework/Registry.h"

#include <vector>

TRegistry::TRegistry(REGSAM access) : FAccess(access) {}

TRegistry::~TRegistry() { CloseKey(); }

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
    if (r != ERROR_SUCCESS) return false;
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

bool TRegistry::DeleteValue(const std::string& name) {
    return FCurrentKey && RegDeleteValueA(FCurrentKey, name.c_str()) == ERROR_SUCCESS;
}

std::optional<int> TRegistry::TryReadInteger(const std::string& name) const {
    if (!FCurrentKey) return std::nullopt;
    DWORD type = 0, value = 0, size = sizeof value;
    if (RegQueryValueExA(FCurrentKey, name.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
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

void TRegistry::WriteInteger(const std::string& name, int value) {
    DWORD v = static_cast<DWORD>(value);
    if (!FCurrentKey || RegSetValueExA(FCurrentKey, name.c_str(), 0, REG_DWORD,
                                       reinterpret_cast<const BYTE*>(&v), sizeof v) != ERROR_SUCCESS)
        throw ERegistryException("Failed to set data for '" + name + "'");
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
    if (!FCurrentKey ||
        RegSetValueExA(FCurrentKey, name.c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1)) != ERROR_SUCCESS)
        throw ERegistryException("Failed to set data for '" + name + "'");
}
