// Printers of the test's Wine prefix. Wine's local spooler writes a job to its printer's
// port when the port is a host path, and hands it to a host command when the port is "|"
// and the command. A port in a folder that does not exist makes a printer that refuses its
// jobs (they fail when they end).
#pragma once

#include <windows.h>
#include <winspool.h>

#include <fstream>
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

// A printer with the prefix's PostScript driver and the description of a plain A4 printer,
// made the default (the system's print dialog lists printers only then); removed again
// with the object.
class PostScriptPrinter {
public:
    explicit PostScriptPrinter(std::string port = "FILE:") {
        char folder[MAX_PATH] = {}, system[MAX_PATH] = {};
        DWORD size = 0;
        GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(folder), sizeof folder, &size);
        std::string ppd = std::string(folder) + "\\quiro-test.ppd";
        std::ofstream(ppd, std::ios::binary) << "*PPD-Adobe: \"4.3\"\n*NickName: \"Quiro Test\"\n";
        GetSystemDirectoryA(system, MAX_PATH);
        std::string driverFile = std::string(system) + "\\wineps.drv";
        char driver[] = "Quiro Test Driver", processor[] = "WinPrint", type[] = "RAW";
        DRIVER_INFO_3A di{};
        di.cVersion = 3;
        di.pName = driver;
        di.pDriverPath = di.pConfigFile = driverFile.data();
        di.pDataFile = ppd.data();
        AddPrinterDriverExA(nullptr, 3, reinterpret_cast<BYTE*>(&di), APD_COPY_NEW_FILES);
        PRINTER_INFO_2A pi{};
        pi.pPrinterName = name;
        pi.pPortName = port.data();
        pi.pDriverName = driver;
        pi.pPrintProcessor = processor;
        pi.pDatatype = type;
        handle = AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&pi));
        if (handle) SetDefaultPrinterA(name);
    }
    ~PostScriptPrinter() {
        if (handle) DeletePrinter(handle), ClosePrinter(handle);
    }
    PostScriptPrinter(const PostScriptPrinter&) = delete;
    PostScriptPrinter& operator=(const PostScriptPrinter&) = delete;

    char name[32] = "Quiro Test Printer";
    HANDLE handle = nullptr;
};

}  // namespace quiro::test
