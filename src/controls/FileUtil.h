// File utilities: folders, copies and moves with progress, deletions, names, shortcuts,
// the shell's folder browser and its file operations. Name rules that need no system are
// in controls/core/FileNames.h.
//
// The system header names CopyFile, CopyFileEx, MoveFile and MoveFileEx as macros; this
// header takes them back for the routines below (call the system's as CopyFileA, ...).
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "controls/CtlUtils.h"
#include "controls/core/FileNames.h"
#include "framework/Controls.h"
#include "framework/Dialogs.h"
#include "framework/WindowUtils.h"
#include "framework/core/DateTime.h"
#include "framework/core/Streams.h"

#undef CopyFile
#undef CopyFileEx
#undef MoveFile
#undef MoveFileEx

// Whether a folder of that name exists.
bool DirExists(const std::string& name);
// Creates the folder and every missing folder above it; failures are not reported.
void ForceDirectories(std::string dir);

// Copies a file in blocks of 8192 bytes, giving it the source's date and time; into a
// folder when `destName` is one. A progress control (see XcProgress.h) gets the size as
// its maximum and the bytes copied as its value after each block, and 0 at the end. With
// `overwriteReadOnly` a read-only destination is replaced. With `shellDialog` the shell
// copies, showing its own progress (EAbort when it fails or the user stops it). Failures
// throw EFOpenError, EFCreateError, EReadError or EWriteError; every handle is closed on
// every path.
void CopyFile(const std::string& fileName, const std::string& destName, TComponent* progress);
void CopyFileEx(const std::string& fileName, const std::string& destName, bool overwriteReadOnly,
                TComponent* progress, bool shellDialog);
// Renames or moves a file. Only when the destination is on another volume is it copied
// and the source deleted. An existing destination is never replaced: that, and every
// other failure, throws EWin32Error.
void MoveFile(const std::string& fileName, const std::string& destName);
void MoveFileEx(const std::string& fileName, const std::string& destName, bool shellDialog);

// The size; -1 when there is no such file.
int64_t GetFileSize(const std::string& fileName);
// The time of the last change, in local time; NullDate when there is no such file.
TDateTime FileDateTime(const std::string& fileName);
// Whether the attributes can be read and hold all bits of `attr`.
bool HasAttr(const std::string& fileName, DWORD attr);
// Deletes the files (not folders, not names starting with ".") that match the mask; stops
// at the first that cannot go. Whether all went.
bool DeleteFiles(const std::string& fileMask);
bool DeleteFilesEx(const std::vector<std::string>& fileMasks);
// Deletes everything in the folder (sub-folders too, read-only files included, names
// starting with "." left alone); with `remove` also the folder itself (not a bare drive)
// when all went. Whether all went.
bool ClearDir(const std::string& path, bool remove);
std::string GetTempDir();
std::string GetWindowsDir();
std::string GetSystemDir();
// 0 on success, else the system's error code.
DWORD FileLock(HANDLE handle, int64_t offset, int64_t lockSize);
DWORD FileUnlock(HANDLE handle, int64_t offset, int64_t lockSize);
// The long (or short 8.3) name of an existing file or folder, without its folder; ""
// when there is none.
std::string ShortToLongFileName(const std::string& shortName);
std::string LongToShortFileName(const std::string& longName);
// Every part of the path converted (a drive stays; a part not found stays as written).
std::string ShortToLongPath(const std::string& shortName);
std::string LongToShortPath(const std::string& longName);
// A shortcut "displayName.lnk" to the file in a special folder (CSIDL_...), and its removal.
bool CreateFileLink(const std::string& fileName, const std::string& displayName, int folder);
bool DeleteFileLink(const std::string& displayName, int folder);

// ---- The shell's folder browser ---------------------------------------------------------

enum TBrowseKind { bfFolders, bfComputers };
enum TDialogPosition { dpDefault, dpScreenCenter };

class TBrowseFolderDlg : public TComponent {
public:
    explicit TBrowseFolderDlg(TComponent* owner);

    bool DesktopRoot = true;  // else the drives (folders) or the network (computers)
    TBrowseKind BrowseKind = bfFolders;
    TDialogPosition Position = dpScreenCenter;
    std::string DialogText;  // above the tree
    // In: the folder selected at first (when it exists); out: the chosen folder, without
    // a trailing backslash, or the chosen computer.
    std::string FolderName;
    int HelpContext = 0;  // not 0: a "&Help" button that asks the application's help
    TNotifyEvent OnInitialized;
    TNotifyEvent OnSelChanged;

    // Runs the dialog with the program's other windows disabled; whether an item was chosen.
    bool Execute();
    // The running dialog (0 when none).
    HWND Handle() const { return FHandle; }
    int ImageIndex() const { return FImageIndex; }
    const std::string& DisplayName() const { return FDisplayName; }
    // The item selected while the dialog runs ("" for one that is no folder).
    const std::string& CurrentPath() const { return FCurrentPath; }

private:
    static int CALLBACK Callback(HWND wnd, UINT msg, LPARAM param, LPARAM data);
    void Initialized(HWND wnd);
    void SelChanged(LPARAM item);
    void DialogMessage(TMessage& m);

    HWND FHandle = nullptr;
    std::string FDisplayName;
    std::string FCurrentPath;
    int FImageIndex = -1;
    TFolderPreselect FPreselect{""};  // brings the running dialog to FolderName
    std::unique_ptr<TWindowSubclass> FSubclass;  // on the running dialog
};

bool BrowseDirectory(std::string& folderName, const std::string& dlgText, int helpContext);
bool BrowseComputer(std::string& computerName, const std::string& dlgText, int helpContext);

// ---- The shell's file operations --------------------------------------------------------

enum TFileOperation { foCopy, foDelete, foMove, foRename };
enum TFileOperFlag {
    flAllowUndo,
    flConfirmMouse,
    flFilesOnly,
    flMultiDest,
    flNoConfirmation,
    flNoConfirmMkDir,
    flRenameOnCollision,
    flSilent,
    flSimpleProgress,
    flNoErrorUI
};
using TFileOperFlags = unsigned;  // bit (1 << TFileOperFlag) per flag
constexpr TFileOperFlags FileOperFlag(TFileOperFlag f) {
    return 1u << f;
}

class TXcFileOperator : public TComponent {
public:
    explicit TXcFileOperator(TComponent* owner) : TComponent(owner) {}

    TFileOperation Operation = foCopy;
    TFileOperFlags Options = FileOperFlag(flAllowUndo) | FileOperFlag(flNoConfirmMkDir);
    std::string ProgressTitle;
    // Names separated by ";" or "|".
    std::string Source;
    std::string Destination;

    // Runs the operation with the program's other windows disabled; whether it succeeded.
    bool Execute();
    // Whether the user stopped some part of the last run.
    bool Aborted() const { return FAborted; }

private:
    bool FAborted = false;
};
