#include "engines/Win32FileStore.h"

#include <climits>

TWin32FileStore::~TWin32FileStore() {
    for (auto& f : FFiles) CloseHandle(f.second);
}

int TWin32FileStore::Adopt(HANDLE file) {
    if (file == INVALID_HANDLE_VALUE) return -1;
    // Wraps only after 2^31 files; a number still open then is passed over.
    for (;; ++FNextHandle) {
        if (FNextHandle == INT_MAX) FNextHandle = 1;
        if (!FFiles.count(FNextHandle)) break;
    }
    const int handle = FNextHandle++;
    FFiles[handle] = file;
    return handle;
}

HANDLE TWin32FileStore::Find(int handle) const {
    auto it = FFiles.find(handle);
    return it == FFiles.end() ? INVALID_HANDLE_VALUE : it->second;
}

// Windows itself refuses to write or replace a read-only file; Wine running as root does
// not, so the store asks first.
static bool ReadOnly(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

int TWin32FileStore::Create(const std::string& path) {
    if (path.empty() || ReadOnly(path)) return -1;
    return Adopt(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
}

int TWin32FileStore::OpenExisting(const std::string& path, bool forWriting) {
    if (path.empty()) return -1;
    if (forWriting && ReadOnly(path)) return -1;
    // Others may read and write a file we read, and only read one we write.
    const DWORD access = forWriting ? GENERIC_WRITE : GENERIC_READ;
    const DWORD share = forWriting ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE;
    return Adopt(CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
}

int32_t TWin32FileStore::Read(int handle, uint8_t* buffer, uint32_t len) {
    HANDLE file = Find(handle);
    if (file == INVALID_HANDLE_VALUE || (buffer == nullptr && len > 0)) return -1;
    // The count must fit the result.
    if (len > INT32_MAX) len = INT32_MAX;
    DWORD got = 0;
    if (!ReadFile(file, buffer, len, &got, nullptr)) return -1;
    return static_cast<int32_t>(got);
}

bool TWin32FileStore::Write(int handle, const uint8_t* data, uint32_t len) {
    HANDLE file = Find(handle);
    if (file == INVALID_HANDLE_VALUE || (data == nullptr && len > 0)) return false;
    while (len > 0) {
        DWORD written = 0;
        if (!WriteFile(file, data, len, &written, nullptr)) return false;
        // A call that writes nothing would loop for ever: a failure, but one the system
        // gives no reason for (what it last said belongs to an earlier call).
        if (written == 0 || written > len) {
            SetLastError(ERROR_SUCCESS);
            return false;
        }
        data += written;
        len -= written;
    }
    return true;
}

bool TWin32FileStore::Seek(int handle, uint64_t position) {
    HANDLE file = Find(handle);
    if (file == INVALID_HANDLE_VALUE || position > static_cast<uint64_t>(INT64_MAX)) return false;
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(position);
    return SetFilePointerEx(file, to, nullptr, FILE_BEGIN) != 0;
}

int64_t TWin32FileStore::Size(int handle) {
    HANDLE file = Find(handle);
    LARGE_INTEGER size;
    if (file == INVALID_HANDLE_VALUE || !GetFileSizeEx(file, &size)) return -1;
    return size.QuadPart;
}

void TWin32FileStore::Close(int handle) {
    auto it = FFiles.find(handle);
    if (it == FFiles.end()) return;
    CloseHandle(it->second);
    FFiles.erase(it);
}

bool TWin32FileStore::Remove(const std::string& path) {
    return !path.empty() && DeleteFileA(path.c_str()) != 0;
}
