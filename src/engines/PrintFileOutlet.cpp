#include "engines/PrintFileOutlet.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>

#include "framework/Printers.h"

int TPrintFileOutlet::CreateTemporaryPrintFile(std::string* name) {
    char folder[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathA(sizeof folder, folder);
    if (n == 0 || n > MAX_PATH) return -1;
    char path[MAX_PATH + 1] = {};
    // With 0 for the number the system picks one that is free and creates the file.
    if (GetTempFileNameA(folder, "Q2@", 0, path) == 0) return -1;
    const int handle = FFiles.Create(path);
    if (handle < 0) {
        FFiles.Remove(path);
        return -1;
    }
    if (name) *name = path;
    return handle;
}

int TPrintFileOutlet::CreatePrintFile(const std::string& name) {
    return FFiles.Create(name);
}

void TPrintFileOutlet::WritePrintFile(int handle, const uint8_t* data, size_t size) {
    if (data == nullptr) return;
    while (size > 0) {
        const uint32_t part = static_cast<uint32_t>(std::min<size_t>(size, UINT32_MAX));
        // A failure is not reported: the rest of the job is lost, the session goes on.
        if (!FFiles.Write(handle, data, part)) return;
        data += part;
        size -= part;
    }
}

void TPrintFileOutlet::ClosePrintFile(int handle) {
    FFiles.Close(handle);
}

bool TPrintFileOutlet::PrintRawFile(const std::string& name) {
    const RawPrintOutcome outcome = ::PrintRawFile(FPrinterName, name, kDocumentName);
    if (!outcome.Ok() && OnRawPrintFailed) OnRawPrintFailed(outcome, name);
    return outcome.Ok();
}

void TPrintFileOutlet::DeletePrintFile(const std::string& name) {
    if (!name.empty()) DeleteFileA(name.c_str());
}
