#include "engines/PrintFileOutlet.h"

#include <climits>

#include "framework/Printers.h"

TPrintFileOutlet::~TPrintFileOutlet() {
    for (auto& f : FFiles) CloseHandle(f.second);
}

int TPrintFileOutlet::Adopt(HANDLE file) {
    if (file == INVALID_HANDLE_VALUE) return -1;
    // Handles count up and never repeat while this outlet lives (wrap after 2^31 files).
    if (FNextHandle == INT_MAX) FNextHandle = 1;
    const int handle = FNextHandle++;
    FFiles[handle] = file;
    return handle;
}

int TPrintFileOutlet::CreateTemporaryPrintFile(std::string* name) {
    char folder[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathA(sizeof folder, folder);
    if (n == 0 || n > MAX_PATH) return -1;
    char path[MAX_PATH + 1] = {};
    // With 0 for the number the system picks one that is free and creates the file.
    if (GetTempFileNameA(folder, "Q2@", 0, path) == 0) return -1;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DeleteFileA(path);
        return -1;
    }
    if (name) *name = path;
    return Adopt(file);
}

int TPrintFileOutlet::CreatePrintFile(const std::string& name) {
    if (name.empty()) return -1;
    return Adopt(CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
}

void TPrintFileOutlet::WritePrintFile(int handle, const uint8_t* data, size_t size) {
    auto it = FFiles.find(handle);
    if (it == FFiles.end() || data == nullptr) return;
    while (size > 0) {
        DWORD written = 0;
        if (!WriteFile(it->second, data, static_cast<DWORD>(size), &written, nullptr) ||
            written == 0)
            return;  // not reported: the rest of the job is lost, the session goes on
        data += written;
        size -= written;
    }
}

void TPrintFileOutlet::ClosePrintFile(int handle) {
    auto it = FFiles.find(handle);
    if (it == FFiles.end()) return;
    CloseHandle(it->second);
    FFiles.erase(it);
}

void TPrintFileOutlet::PrintRawFile(const std::string& name) {
    ::PrintRawFile(FPrinterName, name, kDocumentName);
}

void TPrintFileOutlet::DeletePrintFile(const std::string& name) {
    if (!name.empty()) DeleteFileA(name.c_str());
}
