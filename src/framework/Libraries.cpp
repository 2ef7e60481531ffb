#include "framework/Libraries.h"

#include <commctrl.h>
#include <ole2.h>

#include "framework/Screen.h"
#include "framework/SysLocale.h"

namespace {

struct LibraryState {
    bool started = false;
    bool ole = false;  // OleInitialize succeeded: OleUninitialize is owed
    HMODULE richEdit = nullptr;
    int richEditVersion = 1;
};

LibraryState gState;

// A module handle below 32 is an old-style error number, not a module.
HMODULE LoadQuietly(const char* name) {
    HMODULE module = LoadLibraryA(name);
    return reinterpret_cast<UINT_PTR>(module) < 32 ? nullptr : module;
}

void LoadRichEdit() {
    // No "file not found" box from the system when a library is missing.
    UINT oldMode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
    gState.richEditVersion = 1;
    gState.richEdit = LoadQuietly("RICHED20.DLL");
    if (gState.richEdit) {
        gState.richEditVersion = 2;
        OSVERSIONINFOA version{};
        version.dwOSVersionInfoSize = sizeof version;
        if (GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT &&
            version.dwMajorVersion >= 5)
            gState.richEditVersion = 3;
    } else {
        gState.richEdit = LoadQuietly("RICHED32.DLL");
    }
    SetErrorMode(oldMode);
}

}  // namespace

void StartLibraries() {
    if (gState.started) return;
    gState.started = true;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_COOL_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    // Without OLE the rich edit works, only without embedded objects.
    gState.ole = SUCCEEDED(OleInitialize(nullptr));
    LoadRichEdit();
    Screen->LoadCursors();
    Screen->GetMetricSettings();
    LoadSystemLocale();
}

void StopLibraries() {
    if (!gState.started) return;
    if (gState.ole) {
        // What the program put on the clipboard through OLE (the rich edit's copies) is
        // handed over as plain clipboard data while its object's code is still loaded:
        // the text stays on the clipboard, and OLE's shutdown finds no object to release.
        OleFlushClipboard();
        OleUninitialize();
    }
    if (gState.richEdit) FreeLibrary(gState.richEdit);
    gState = LibraryState{};
}

int RichEditVersion() {
    return gState.richEditVersion;
}

HMODULE RichEditLibrary() {
    return gState.richEdit;
}
