// Files by path over the kernel's file calls, for the transfer engine and the printer
// controller's print files. Handles are the store's own small numbers; they count up and
// are never given twice while the store lives, so a handle kept after Close finds nothing
// instead of a newer file. Every file still open is closed when the store goes.
#pragma once

#include <windows.h>

#include <map>

#include "engines/core/ZModemLinks.h"

class TWin32FileStore : public quiro::engines::FileStore {
public:
    TWin32FileStore() = default;
    ~TWin32FileStore() override;
    TWin32FileStore(const TWin32FileStore&) = delete;
    TWin32FileStore& operator=(const TWin32FileStore&) = delete;

    // Created or truncated, for writing; others may read it meanwhile.
    int Create(const std::string& path) override;
    int OpenExisting(const std::string& path, bool forWriting) override;
    int32_t Read(int handle, uint8_t* buffer, uint32_t len) override;
    // False when the file did not take it all: for a handle of the store, GetLastError()
    // then tells why, or is 0 when a call took nothing without an error (a device on a
    // time-out, as a printer port can).
    bool Write(int handle, const uint8_t* data, uint32_t len) override;
    bool Seek(int handle, uint64_t position) override;
    int64_t Size(int handle) override;
    void Close(int handle) override;
    bool Remove(const std::string& path) override;

    // How many files are open.
    size_t OpenCount() const { return FFiles.size(); }

private:
    int Adopt(HANDLE file);
    HANDLE Find(int handle) const;

    std::map<int, HANDLE> FFiles;
    int FNextHandle = 1;
};
