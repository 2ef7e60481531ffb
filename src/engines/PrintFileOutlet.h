// The printer controller's files and printer on Win32: the temporary print file ("Q2@"
// and a unique number in the system's temporary folder), the configured print file, and
// the raw print job that sends a finished temporary file to the configured printer.
#pragma once

#include <functional>
#include <string>
#include <utility>

#include "engines/Win32FileStore.h"
#include "engines/core/PrinterController.h"
#include "framework/core/RawPrintJob.h"

class TPrintFileOutlet : public PrinterOutlet {
public:
    // The name the print jobs carry in the spooler.
    static constexpr const char* kDocumentName = "Quiro 2 [Print]";

    explicit TPrintFileOutlet(std::string printerName = {})
        : FPrinterName(std::move(printerName)) {}
    // Every file still open is closed with the outlet.
    TPrintFileOutlet(const TPrintFileOutlet&) = delete;
    TPrintFileOutlet& operator=(const TPrintFileOutlet&) = delete;

    // The printer of PrintRawFile (the setting "PrinterName").
    void SetPrinterName(const std::string& name) { FPrinterName = name; }
    const std::string& PrinterName() const { return FPrinterName; }

    int CreateTemporaryPrintFile(std::string* name) override;
    int CreatePrintFile(const std::string& name) override;
    void WritePrintFile(int handle, const uint8_t* data, size_t size) override;
    void ClosePrintFile(int handle) override;
    // One "RAW" job; true when it was written whole. Otherwise OnRawPrintFailed hears of
    // it, with the file that still holds the data.
    bool PrintRawFile(const std::string& name) override;
    std::function<void(const RawPrintOutcome& outcome, const std::string& fileName)> OnRawPrintFailed;
    void DeletePrintFile(const std::string& name) override;

    // How many files are open (for the owner's checks and the tests).
    size_t OpenFileCount() const { return FFiles.OpenCount(); }

private:
    std::string FPrinterName;
    TWin32FileStore FFiles;
};
