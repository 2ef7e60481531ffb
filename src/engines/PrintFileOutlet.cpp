#include "engines/PrintFileOutlet.h"

#include <windows.h>

#include <algorithm>

int TPrintFileOutlet::Open(const std::string& name) {
    const int handle = FFiles.Create(name);
    if (handle >= 0) FNames[handle] = name;
    return handle;
}

int TPrintFileOutlet::CreateTemporaryPrintFile(std::string* name) {
    char folder[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathA(sizeof folder, folder);
    if (n == 0 || n > MAX_PATH) return -1;
    char path[MAX_PATH + 1] = {};
    // With 0 for the number the system picks one that is free and creates the file.
    if (GetTempFileNameA(folder, "Q2@", 0, path) == 0) return -1;
    const int handle = Open(path);
    if (handle < 0) {
        FFiles.Remove(path);
        return -1;
    }
    if (name) *name = path;
    return handle;
}

int TPrintFileOutlet::CreatePrintFile(const std::string& name) {
    return Open(name);
}

bool TPrintFileOutlet::WritePrintFile(int handle, const uint8_t* data, size_t size) {
    const auto file = FNames.find(handle);
    if (file == FNames.end() || (data == nullptr && size > 0)) return false;
    while (size > 0) {
        const uint32_t part = static_cast<uint32_t>(std::min<size_t>(size, UINT32_MAX));
        if (!FFiles.Write(handle, data, part)) {
            const DWORD error = GetLastError();
            if (OnWriteFailed) OnWriteFailed(error, file->second);
            return false;
        }
        data += part;
        size -= part;
    }
    return true;
}

void TPrintFileOutlet::ClosePrintFile(int handle) {
    FFiles.Close(handle);
    FNames.erase(handle);
}

bool TPrintFileOutlet::PrintRawFile(const std::string& name) {
    return OnPrintRawFile && OnPrintRawFile(name);
}

void TPrintFileOutlet::DeletePrintFile(const std::string& name) {
    if (!name.empty()) DeleteFileA(name.c_str());
}
