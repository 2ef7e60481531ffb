#include "controls/FileUtil.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <vector>

#include "controls/CtlUtils.h"
#include "controls/core/DateUtil.h"
#include "controls/core/XcProgress.h"
#include "framework/Forms.h"
#include "framework/WindowUtils.h"
#include "framework/core/Streams.h"
#include "framework/core/SysUtils.h"

namespace {

constexpr DWORD kCopyBlock = 8192;
constexpr WORD kHelpButtonId = 0xFFFF;

// A file handle closed at the end of the scope.
class FileHandle {
public:
    explicit FileHandle(HANDLE h) : FHandle(h) {}
    ~FileHandle() {
        if (Valid()) CloseHandle(FHandle);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool Valid() const { return FHandle != INVALID_HANDLE_VALUE; }
    operator HANDLE() const { return FHandle; }

private:
    HANDLE FHandle;
};

// A directory search closed at the end of the scope.
class Search {
public:
    explicit Search(const std::string& mask) : FHandle(FindFirstFileA(mask.c_str(), &Data)) {}
    ~Search() {
        if (Found()) FindClose(FHandle);
    }
    Search(const Search&) = delete;
    Search& operator=(const Search&) = delete;
    bool Found() const { return FHandle != INVALID_HANDLE_VALUE; }
    bool Next() { return FindNextFileA(FHandle, &Data) != 0; }
    bool IsFolder() const { return (Data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    // "." and ".." and other names starting with a dot, and volume labels.
    bool Skipped() const { return Data.cFileName[0] == '.' || (Data.dwFileAttributes & 8) != 0; }

    WIN32_FIND_DATAA Data{};

private:
    HANDLE FHandle;
};

std::string ExpandFileName(const std::string& name) {
    char buf[MAX_PATH * 4];
    DWORD n = GetFullPathNameA(name.c_str(), sizeof buf, buf, nullptr);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : name;
}

template <class Get>
std::string SystemFolder(Get get) {
    char buf[1024];
    UINT n = get(buf, sizeof buf);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
}

void ClearReadOnly(const std::string& name) {
    DWORD attrs = GetFileAttributesA(name.c_str());
    if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesA(name.c_str(), attrs & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
}

// One file copied or moved by the shell, with its own progress and questions.
void ShellCopyOrMove(const std::string& fileName, const std::string& destName, bool move,
                     bool noConfirmation) {
    TXcFileOperator op(nullptr);
    op.Source = fileName;
    op.Destination = destName;
    if (move)
        op.Operation = AnsiCompareText(ExtractFilePath(ExpandFileName(fileName)),
                                       ExtractFilePath(ExpandFileName(destName))) == 0
                           ? foRename
                           : foMove;
    op.Options &= ~FileOperFlag(flAllowUndo);
    if (noConfirmation) op.Options |= FileOperFlag(flNoConfirmation);
    if (!op.Execute() || op.Aborted()) Abort();
}

// A list of names for the shell: each ";" or "|" ends a name, the list ends with two NULs.
std::string NameList(const std::string& names) {
    std::string list = names;
    for (char& c : list)
        if (c == ';' || c == '|') c = '\0';
    list.push_back('\0');
    list.push_back('\0');
    return list;
}

// Converts every backslash-separated part of a path with `convert` (which names one entry
// by its full path), from the right; the drive stays as it is.
std::string ConvertPath(const std::string& path, std::string (*convert)(const std::string&)) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at; (at = path.find('\\', start)) != std::string::npos; start = at + 1)
        parts.push_back(path.substr(start, at - start));
    parts.push_back(path.substr(start));
    std::string result;
    for (size_t i = parts.size(); i-- > 0;) {
        std::string head;
        for (size_t k = 0; k <= i; ++k) head += (k ? "\\" : "") + parts[k];
        std::string part = parts[i];
        bool drive = i == 0 && (part.empty() || part.back() == ':');
        if (!drive && part != "." && part != "..") {
            std::string converted = convert(head);
            if (!converted.empty()) part = converted;
        }
        result = i + 1 == parts.size() ? part : part + "\\" + result;
    }
    return result;
}

// Runs a system dialog with the program's other windows disabled, then makes the window
// that was active before active again.
template <class Run>
auto RunModally(Run run) {
    HWND active = GetActiveWindow();
    TDisabledWindows disabled;
    auto result = run();
    disabled.Restore();
    if (active && IsWindow(active)) SetActiveWindow(active);
    return result;
}

// The owner of the shell's dialogs: the application's window, else the active one.
HWND OwnerWindow() {
    HWND app = Application ? Application->Handle() : nullptr;
    return app ? app : GetActiveWindow();
}

std::string SpecialFolder(int folder) {
    char path[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathA(nullptr, path, folder, FALSE)) return {};
    return path;
}

}  // namespace

// ---- Folders and files ------------------------------------------------------------------

bool DirExists(const std::string& name) {
    DWORD attrs = GetFileAttributesA(name.c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY);
}

void ForceDirectories(std::string dir) {
    if (!dir.empty() && dir.back() == '\\') dir.pop_back();
    if (dir.size() < 3 || DirExists(dir)) return;
    std::string parent = ExtractFilePath(dir);
    if (parent.size() > 1 && parent.back() == '\\') parent.pop_back();
    if (parent == dir) return;
    ForceDirectories(parent);
    CreateDirectoryA(dir.c_str(), nullptr);
}

void CopyFile(const std::string& fileName, const std::string& destName, TComponent* progress) {
    CopyFileEx(fileName, destName, false, progress, false);
}

void CopyFileEx(const std::string& fileName, const std::string& destName, bool overwriteReadOnly,
                TComponent* progress, bool shellDialog) {
    if (shellDialog) {
        ShellCopyOrMove(fileName, destName, false, overwriteReadOnly);
        return;
    }
    std::string dest = destName;
    if (DirExists(dest)) dest = NormalDir(dest) + ExtractFileName(fileName);
    FileHandle source(CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!source.Valid()) throw EFOpenError(Format("Cannot open file %s", fileName));
    LARGE_INTEGER size{};
    GetFileSizeEx(source, &size);
    if (progress) {
        SetProgressMax(progress, size.QuadPart);
        SetProgressMin(progress, 0);
        SetProgressValue(progress, 0);
    }
    ForceDirectories(ExtractFilePath(dest));
    if (overwriteReadOnly) ClearReadOnly(dest);
    // Windows refuses to replace a read-only file; Wine running as root would not.
    else if (HasAttr(dest, FILE_ATTRIBUTE_READONLY))
        throw EFCreateError(Format("Cannot create file %s", dest));
    FileHandle target(CreateFileA(dest.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!target.Valid()) throw EFCreateError(Format("Cannot create file %s", dest));
    std::vector<char> buffer(kCopyBlock);
    int64_t copied = 0;
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(source, buffer.data(), kCopyBlock, &read, nullptr))
            throw EReadError("Stream read error");
        DWORD written = 0;
        if (read > 0 &&
            (!WriteFile(target, buffer.data(), read, &written, nullptr) || written != read))
            throw EWriteError("Stream write error");
        copied += read;
        if (progress) SetProgressValue(progress, copied);
        if (read < kCopyBlock) break;
    }
    FILETIME created, accessed, modified;
    if (GetFileTime(source, &created, &accessed, &modified))
        SetFileTime(target, nullptr, nullptr, &modified);
    if (progress) SetProgressValue(progress, 0);
}

void MoveFile(const std::string& fileName, const std::string& destName) {
    const std::string dest = ExpandFileName(destName);
    if (MoveFileA(fileName.c_str(), dest.c_str())) return;
    DWORD error = GetLastError();
    if (error != ERROR_NOT_SAME_DEVICE) RaiseWin32Error(error);
    // Another volume: a copy, then the source goes; never over an existing file.
    if (GetFileAttributesA(dest.c_str()) != INVALID_FILE_ATTRIBUTES)
        RaiseWin32Error(ERROR_ALREADY_EXISTS);
    ClearReadOnly(fileName);
    CopyFileEx(fileName, dest, false, nullptr, false);
    if (!DeleteFileA(fileName.c_str())) RaiseWin32Error(GetLastError());
}

void MoveFileEx(const std::string& fileName, const std::string& destName, bool shellDialog) {
    if (shellDialog)
        ShellCopyOrMove(fileName, destName, true, false);
    else
        MoveFile(fileName, destName);
}

int64_t GetFileSize(const std::string& fileName) {
    Search s(ExpandFileName(fileName));
    if (!s.Found()) return -1;
    return (static_cast<int64_t>(s.Data.nFileSizeHigh) << 32) | s.Data.nFileSizeLow;
}

TDateTime FileDateTime(const std::string& fileName) {
    Search s(ExpandFileName(fileName));
    FILETIME local;
    SYSTEMTIME st;
    if (!s.Found() || !FileTimeToLocalFileTime(&s.Data.ftLastWriteTime, &local) ||
        !FileTimeToSystemTime(&local, &st))
        return NullDate;
    TDateTime date, time;
    if (!TryEncodeDate(st.wYear, st.wMonth, st.wDay, date) ||
        !TryEncodeTime(st.wHour, st.wMinute, st.wSecond, st.wMilliseconds, time))
        return NullDate;
    return date + time;
}

bool HasAttr(const std::string& fileName, DWORD attr) {
    DWORD attrs = GetFileAttributesA(fileName.c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & attr) == attr;
}

bool DeleteFiles(const std::string& fileMask) {
    const std::string folder = ExtractFilePath(fileMask);
    Search s(fileMask);
    if (!s.Found()) return true;
    do {
        if (s.IsFolder() || s.Skipped()) continue;
        if (!DeleteFileA((folder + s.Data.cFileName).c_str())) return false;
    } while (s.Next());
    return true;
}

bool DeleteFilesEx(const std::vector<std::string>& fileMasks) {
    for (const std::string& mask : fileMasks)
        if (!DeleteFiles(mask)) return false;
    return true;
}

bool ClearDir(const std::string& path, bool remove) {
    if (!DirExists(path)) return false;
    const std::string folder = NormalDir(path);
    bool all = true;
    bool ended = true;
    {
        Search s(folder + "*.*");
        if (s.Found()) {
            do {
                if (s.Skipped()) continue;
                const std::string name = folder + s.Data.cFileName;
                if (s.IsFolder()) {
                    all = ClearDir(name, true) && all;
                } else {
                    ClearReadOnly(name);
                    all = DeleteFileA(name.c_str()) && all;
                }
            } while (s.Next());
            ended = GetLastError() == ERROR_NO_MORE_FILES;
        }
    }
    const std::string bare = RemoveBackSlash(path);
    const bool drive = bare.size() == 2 && bare[1] == ':';
    if (remove && all && ended && !drive) all = RemoveDirectoryA(bare.c_str()) != 0;
    return all && ended;
}

std::string GetTempDir() {
    return SystemFolder([](LPSTR buf, UINT size) { return GetTempPathA(size, buf); });
}
std::string GetWindowsDir() {
    return SystemFolder([](LPSTR buf, UINT size) { return GetWindowsDirectoryA(buf, size); });
}
std::string GetSystemDir() {
    return SystemFolder([](LPSTR buf, UINT size) { return GetSystemDirectoryA(buf, size); });
}

DWORD FileLock(HANDLE handle, int64_t offset, int64_t lockSize) {
    if (LockFile(handle, static_cast<DWORD>(offset), static_cast<DWORD>(offset >> 32),
                 static_cast<DWORD>(lockSize), static_cast<DWORD>(lockSize >> 32)))
        return 0;
    return GetLastError();
}

DWORD FileUnlock(HANDLE handle, int64_t offset, int64_t lockSize) {
    if (UnlockFile(handle, static_cast<DWORD>(offset), static_cast<DWORD>(offset >> 32),
                   static_cast<DWORD>(lockSize), static_cast<DWORD>(lockSize >> 32)))
        return 0;
    return GetLastError();
}

std::string ShortToLongFileName(const std::string& shortName) {
    Search s(shortName);
    if (!s.Found()) return {};
    return s.Data.cFileName[0] ? s.Data.cFileName : s.Data.cAlternateFileName;
}

std::string LongToShortFileName(const std::string& longName) {
    Search s(longName);
    if (!s.Found()) return {};
    return s.Data.cAlternateFileName[0] ? s.Data.cAlternateFileName : s.Data.cFileName;
}

std::string ShortToLongPath(const std::string& shortName) {
    return ConvertPath(shortName, &ShortToLongFileName);
}

std::string LongToShortPath(const std::string& longName) {
    return ConvertPath(longName, &LongToShortFileName);
}

bool CreateFileLink(const std::string& fileName, const std::string& displayName, int folder) {
    const std::string dir = SpecialFolder(folder);
    if (dir.empty()) return false;
    const bool comStarted = SUCCEEDED(CoInitialize(nullptr));
    bool ok = false;
    IShellLinkA* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link)))) {
        link->SetPath(fileName.c_str());
        link->SetIconLocation(fileName.c_str(), 0);
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            const std::string target = dir + "\\" + displayName + ".lnk";
            std::wstring wide(target.size() + 1, L'\0');
            int n = MultiByteToWideChar(CP_ACP, 0, target.c_str(), -1, wide.data(),
                                        static_cast<int>(wide.size()));
            ok = n > 0 && SUCCEEDED(file->Save(wide.c_str(), TRUE));
            file->Release();
        }
        link->Release();
    }
    if (comStarted) CoUninitialize();
    return ok;
}

bool DeleteFileLink(const std::string& displayName, int folder) {
    const std::string dir = SpecialFolder(folder);
    return !dir.empty() && DeleteFileA((dir + "\\" + displayName + ".lnk").c_str());
}

// ---- TBrowseFolderDlg -------------------------------------------------------------------

TBrowseFolderDlg::TBrowseFolderDlg(TComponent* owner) : TComponent(owner) {}

bool TBrowseFolderDlg::Execute() {
    FPreselect = TFolderPreselect(BrowseKind == bfFolders && DirExists(FolderName) ? FolderName
                                                                                   : "");
    const bool comStarted = SUCCEEDED(CoInitialize(nullptr));
    LPITEMIDLIST root = nullptr;
    if (!DesktopRoot || BrowseKind == bfComputers) {
        int folder = BrowseKind == bfComputers ? CSIDL_NETWORK : CSIDL_DRIVES;
        if (FAILED(SHGetSpecialFolderLocation(nullptr, folder, &root))) {
            if (comStarted) CoUninitialize();
            throw Exception("The shell cannot show this folder");
        }
    }
    char displayName[MAX_PATH + 1] = {};
    BROWSEINFOA info{};
    info.hwndOwner = OwnerWindow();
    info.pidlRoot = root;
    info.pszDisplayName = displayName;
    info.lpszTitle = DialogText.empty() ? nullptr : DialogText.c_str();
    info.ulFlags = BrowseKind == bfFolders ? (BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS)
                                           : BIF_BROWSEFORCOMPUTER;
    info.lpfn = &TBrowseFolderDlg::Callback;
    info.lParam = reinterpret_cast<LPARAM>(this);
    LPITEMIDLIST item = RunModally([&] { return SHBrowseForFolderA(&info); });
    FHandle = nullptr;
    FSubclass.reset();
    bool chosen = item != nullptr;
    if (item) {
        if (BrowseKind == bfFolders) {
            char path[MAX_PATH] = {};
            chosen = SHGetPathFromIDListA(item, path) != 0;
            FCurrentPath = RemoveBackSlash(path);
        } else {
            FCurrentPath = displayName;
        }
        if (chosen) FolderName = FCurrentPath;
        FDisplayName = displayName;
        FImageIndex = info.iImage;
        CoTaskMemFree(item);
    }
    if (root) CoTaskMemFree(root);
    if (comStarted) CoUninitialize();
    return chosen;
}

int CALLBACK TBrowseFolderDlg::Callback(HWND wnd, UINT msg, LPARAM param, LPARAM data) {
    auto* self = reinterpret_cast<TBrowseFolderDlg*>(data);
    GuardCallback([&] {
        self->FPreselect.Notify(wnd, msg, param);
        if (msg == BFFM_INITIALIZED)
            self->Initialized(wnd);
        else if (msg == BFFM_SELCHANGED) {
            self->FHandle = wnd;
            self->SelChanged(param);
        }
    });
    return 0;
}

void TBrowseFolderDlg::Initialized(HWND wnd) {
    FHandle = wnd;
    if (Position == dpScreenCenter) CenterWindow(wnd);
    FSubclass = std::make_unique<TWindowSubclass>([this](TMessage& m) { DialogMessage(m); });
    FSubclass->Attach(wnd);
    if (BrowseKind == bfComputers)
        SendMessageA(wnd, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(FolderName.c_str()));
    if (HelpContext != 0) {
        if (HWND ok = FindWindowExA(wnd, nullptr, "BUTTON", nullptr)) {
            RECT r;
            GetWindowRect(ok, &r);
            MapWindowPoints(nullptr, wnd, reinterpret_cast<POINT*>(&r), 2);
            HWND help = CreateWindowExA(0, "BUTTON", "&Help", 0x54010000, 12, r.top, WidthOf(r),
                                        HeightOf(r), wnd, reinterpret_cast<HMENU>(kHelpButtonId),
                                        GetModuleHandleA(nullptr), nullptr);
            SendMessageA(help, WM_SETFONT, SendMessageA(wnd, WM_GETFONT, 0, 0), 0);
        }
    }
    if (OnInitialized) OnInitialized(this);
}

void TBrowseFolderDlg::SelChanged(LPARAM item) {
    auto* pidl = reinterpret_cast<LPCITEMIDLIST>(item);
    if (BrowseKind == bfFolders) {
        char path[MAX_PATH] = {};
        if (pidl && SHGetPathFromIDListA(pidl, path)) {
            FCurrentPath = path;
            SendMessageA(FHandle, BFFM_ENABLEOK, 0, DirExists(FCurrentPath));
        } else {
            FCurrentPath.clear();
            SendMessageA(FHandle, BFFM_ENABLEOK, 0, FALSE);
        }
    } else {
        SHFILEINFOA fi{};
        if (pidl && SHGetFileInfoA(reinterpret_cast<LPCSTR>(pidl), 0, &fi, sizeof fi,
                                   SHGFI_PIDL | SHGFI_DISPLAYNAME))
            FCurrentPath = fi.szDisplayName;
    }
    if (OnSelChanged) OnSelChanged(this);
}

void TBrowseFolderDlg::DialogMessage(TMessage& m) {
    if (m.Msg == WM_COMMAND && LOWORD(m.WParam) == kHelpButtonId && HIWORD(m.WParam) == 0 &&
        HelpContext != 0) {
        if (Application) Application->HelpContext(HelpContext);
        m.Result = 0;
        return;
    }
    if (m.Msg == WM_NCDESTROY) FHandle = nullptr;
    FSubclass->CallPrevious(m);
}

bool BrowseDirectory(std::string& folderName, const std::string& dlgText, int helpContext) {
    TBrowseFolderDlg dialog(Application);
    dialog.DialogText = dlgText;
    dialog.FolderName = folderName;
    dialog.HelpContext = helpContext;
    if (!dialog.Execute()) return false;
    folderName = dialog.FolderName;
    return true;
}

bool BrowseComputer(std::string& computerName, const std::string& dlgText, int helpContext) {
    TBrowseFolderDlg dialog(Application);
    dialog.BrowseKind = bfComputers;
    dialog.DialogText = dlgText;
    dialog.FolderName = computerName;
    dialog.HelpContext = helpContext;
    if (!dialog.Execute()) return false;
    computerName = dialog.FolderName;
    return true;
}

// ---- TXcFileOperator --------------------------------------------------------------------

bool TXcFileOperator::Execute() {
    static const UINT kFunctions[] = {FO_COPY, FO_DELETE, FO_MOVE, FO_RENAME};
    static const FILEOP_FLAGS kFlags[] = {
        FOF_ALLOWUNDO,      FOF_CONFIRMMOUSE,   FOF_FILESONLY,         FOF_MULTIDESTFILES,
        FOF_NOCONFIRMATION, FOF_NOCONFIRMMKDIR, FOF_RENAMEONCOLLISION, FOF_SILENT,
        FOF_SIMPLEPROGRESS, FOF_NOERRORUI};
    const std::string from = Source.empty() ? std::string() : NameList(Source);
    const std::string to = Destination.empty() ? std::string() : NameList(Destination);
    SHFILEOPSTRUCTA op{};
    op.hwnd = OwnerWindow();
    op.wFunc = kFunctions[Operation];
    op.pFrom = from.empty() ? nullptr : from.c_str();
    op.pTo = to.empty() ? nullptr : to.c_str();
    for (int f = flAllowUndo; f <= flNoErrorUI; ++f)
        if (Options & FileOperFlag(static_cast<TFileOperFlag>(f))) op.fFlags |= kFlags[f];
    op.lpszProgressTitle = ProgressTitle.c_str();
    const int result = RunModally([&] { return SHFileOperationA(&op); });
    FAborted = op.fAnyOperationsAborted != 0;
    return result == 0;
}
