// TRegistry: one open key under a root key (HKEY_CURRENT_USER at first) and its values.
//
// Integers and booleans are DWORD values, strings REG_SZ. Reading an integer or boolean
// that is missing throws ERegistryException "Failed to get data for 'NAME'" (a value of
// another type: "Invalid data type for 'NAME'"), so a missing value is never taken for 0;
// a missing string reads as empty. Failed writes throw "Failed to set data for 'NAME'";
// LastError() keeps the system's code of the last open or write that failed.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/Exception.h"
#include "framework/core/IniStore.h"

class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

class TRegistry {
public:
    explicit TRegistry(REGSAM access = KEY_READ | KEY_WRITE);
    ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    HKEY RootKey() const { return FRootKey; }
    // Closes the open key and uses `root` from now on.
    void SetRootKey(HKEY root);
    HKEY CurrentKey() const { return FCurrentKey; }
    const std::string& CurrentPath() const { return FCurrentPath; }

    // Opens `key` (relative to the open key unless it starts with a backslash or none is
    // open), creating it when `canCreate`. False when it cannot.
    bool OpenKey(const std::string& key, bool canCreate);
    bool OpenKeyReadOnly(const std::string& key);
    void CloseKey();
    bool KeyExists(const std::string& key);
    bool DeleteKey(const std::string& key);

    bool ValueExists(const std::string& name) const;
    // The names of the open key's values (none when no key is open).
    std::vector<std::string> GetValueNames() const;
    bool DeleteValue(const std::string& name);

    int ReadInteger(const std::string& name) const;
    bool ReadBool(const std::string& name) const { return ReadInteger(name) != 0; }
    std::string ReadString(const std::string& name) const;
    // The DWORD value, or nothing when it is missing or of another type.
    std::optional<int> TryReadInteger(const std::string& name) const;

    void WriteInteger(const std::string& name, int value);
    void WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }
    void WriteString(const std::string& name, const std::string& value);

    // The system's error code of the last OpenKey or write that failed (0: none failed).
    LONG LastError() const { return FLastError; }

private:
    HKEY KeyFor(const std::string& key, std::string& path) const;
    void SetValue(const std::string& name, DWORD type, const void* data, DWORD size);

    REGSAM FAccess;
    HKEY FRootKey = HKEY_CURRENT_USER;
    HKEY FCurrentKey = nullptr;
    std::string FCurrentPath;
    LONG FLastError = ERROR_SUCCESS;
};

// TRegIniFile: a registry key used like an INI file: each section is a sub-key of it, each
// key a string value. Values are stored and read back exactly as given (no trimming, no
// quotes); a DWORD value reads as its decimal text. Deleting a section deletes its sub-key
// with everything below it.
class TRegIniFile : public IIniStore {
public:
    explicit TRegIniFile(std::string keyName, HKEY root = HKEY_CURRENT_USER);

    const std::string& FileName() const { return FKeyName; }

    std::optional<std::string> ReadValue(std::string_view section,
                                         std::string_view key) const override;
    bool WriteValue(std::string_view section, std::string_view key,
                    std::string_view value) override;
    bool DeleteSection(std::string_view section) override;
    bool DeleteKey(std::string_view section, std::string_view key) override;
    std::vector<std::string> ListSections() const override;
    std::vector<std::string> ListKeys(std::string_view section) const override;
    bool TrimsValues() const override { return false; }

private:
    std::string Path(std::string_view section) const;

    std::string FKeyName;
    HKEY FRoot;
};
