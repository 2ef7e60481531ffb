// The printer controller's files on Win32: the temporary print file ("Q2@" and a unique
// number in the system's temporary folder) and the configured print file. Sending a
// finished temporary file to the printer is the owner's (OnPrintRawFile).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "engines/Win32FileStore.h"
#include "engines/core/PrinterController.h"

class TPrintFileOutlet : public PrinterOutlet {
public:
    TPrintFileOutlet() = default;
    // Every file still open is closed with the outlet.
    TPrintFileOutlet(const TPrintFileOutlet&) = delete;
    TPrintFileOutlet& operator=(const TPrintFileOutlet&) = delete;

    int CreateTemporaryPrintFile(std::string* name) override;
    int CreatePrintFile(const std::string& name) override;
    // False when the file did not take it all (what it took stays in it); OnWriteFailed then
    // hears of it with the system's error (0 when the file took nothing without one) and
    // the file's name.
    bool WritePrintFile(int handle, const uint8_t* data, size_t size) override;
    std::function<void(uint32_t error, const std::string& fileName)> OnWriteFailed;
    void ClosePrintFile(int handle) override;
    // The owner's raw print job; true when it went out whole. Without one nothing is printed
    // and the file stays.
    bool PrintRawFile(const std::string& name) override;
    std::function<bool(const std::string& fileName)> OnPrintRawFile;
    void DeletePrintFile(const std::string& name) override;

    // How many files are open (for the owner's checks and the tests).
    size_t OpenFileCount() const { return FFiles.OpenCount(); }

private:
    int Open(const std::string& name);

    TWin32FileStore FFiles;
    std::map<int, std::string> FNames;  // of the open files, for the report of a failed write
};
