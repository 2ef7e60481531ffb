// A printer of the test's Wine prefix whose jobs land in a file of the host: Wine's local
// spooler writes a job to its printer's port when the port is a host path. A port in a
// folder that does not exist makes a printer that refuses its jobs (they fail when they
// end).
#pragma once

#include <windows.h>

#include <string>

namespace quiro::test {

inline const char* const kWinePrintersKey = "System\\CurrentControlSet\\Control\\Print\\Printers\\";

// Adds (or changes) the printer `name` with its port at `hostPath`.
inline bool SetFilePrinter(const std::string& name, const std::string& hostPath) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, (kWinePrintersKey + name).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    bool ok = true;
    for (auto [value, text] : {std::pair<const char*, std::string>{"Name", name}, {"Port", hostPath},
                               {"Print Processor", "winprint"}, {"Datatype", "RAW"}})
        ok = ok && RegSetValueExA(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                  DWORD(text.size() + 1)) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

inline void RemovePrinter(const std::string& name) {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, (kWinePrintersKey + name).c_str());
}

}  // namespace quiro::test
