// A folder of its own in the system's temporary folder for one test, removed with
// everything in it (read-only files included) when the test ends.
#pragma once

#include <windows.h>

#include <string>

class ScratchFolder {
public:
    ScratchFolder() {
        static int count = 0;
        char temp[MAX_PATH + 1] = {};
        GetTempPathA(sizeof temp, temp);
        FPath = std::string(temp) + "quiro scratch " + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(++count) + "\\";
        CreateDirectoryA(FPath.c_str(), nullptr);
    }
    ~ScratchFolder() {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((FPath + "*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::string name = FPath + found.cFileName;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
                SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(name.c_str());
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(FPath.c_str());
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Ends with a backslash.
    const std::string& Path() const { return FPath; }
    std::string operator/(const std::string& name) const { return FPath + name; }

private:
    std::string FPath;
};
