// File utilities in a scratch tree, the shell's file operations and its folder browser.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "controls/FileUtil.h"
#include "controls/XcConst.h"
#include "controls/core/XcProgress.h"
#include "engines/ScratchFolder.h"
#include "framework/Forms.h"
#include "framework/Libraries.h"
#include "framework/ProgressBar.h"
#include "framework/Timers.h"
#include "framework/core/TempDir.h"

namespace {

void Write(const std::string& name, const std::string& bytes) {
    std::ofstream(name, std::ios::binary) << bytes;
}

std::string Read(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Exists(const std::string& name) {
    return GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A progress control that notes what it is told.
struct ProgressProbe : TComponent {
    using TComponent::TComponent;
    int64_t Max = -1;
    std::vector<int64_t> Values;
};

void DeclareProbe() {
    static bool done = false;
    if (done) return;
    done = true;
    RegisterProps<ProgressProbe>([](ProgressProbe& p, TPropInfoList& list) {
        list.Add(IntegerProp(
            "Max", [&p] { return p.Max; }, [&p](int64_t v) { p.Max = v; }));
        list.Add(IntegerProp(
            "Min", [] { return int64_t{0}; }, [](int64_t) {}));
        list.Add(IntegerProp(
            "Value", [&p] { return p.Values.empty() ? 0 : p.Values.back(); },
            [&p](int64_t v) { p.Values.push_back(v); }));
    });
    RegisterProgressControl<ProgressProbe>("Max", "Min", "Value");
}

TEST(FileUtil, FoldersAreMadeAndCleared) {
    ScratchFolder scratch;
    const std::string deep = scratch / "a\\b\\c";
    ForceDirectories(deep + "\\");
    EXPECT_TRUE(DirExists(deep));
    Write(deep + "\\x.txt", "x");
    Write(scratch / "a\\ro.txt", "r");
    SetFileAttributesA((scratch / "a\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(HasAttr(scratch / "a\\ro.txt", FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(ClearDir(scratch / "a", true));
    EXPECT_FALSE(DirExists(scratch / "a"));
    EXPECT_FALSE(ClearDir(scratch / "missing", true));

    Write(scratch / "one.log", "1");
    Write(scratch / "two.log", "2");
    Write(scratch / "keep.txt", "k");
    Write(scratch / ".hidden.log", "h");
    CreateDirectoryA((scratch / "dir.log").c_str(), nullptr);
    EXPECT_TRUE(DeleteFilesEx({scratch / "*.log", scratch / "none.*"}));
    EXPECT_FALSE(Exists(scratch / "one.log") || Exists(scratch / "two.log"));
    EXPECT_TRUE(Exists(scratch / "keep.txt") && Exists(scratch / ".hidden.log"));
    EXPECT_TRUE(DirExists(scratch / "dir.log"));
    RemoveDirectoryA((scratch / "dir.log").c_str());
    EXPECT_EQ(GetFileSize(scratch / "keep.txt"), 1);
    EXPECT_EQ(GetFileSize(scratch / "gone.txt"), -1);
    EXPECT_NEAR(FileDateTime(scratch / "keep.txt"), Now(), 1.0 / 24);
    EXPECT_EQ(FileDateTime(scratch / "gone.txt"), 0);
    EXPECT_TRUE(DirExists(GetTempDir()) && DirExists(GetWindowsDir()) && DirExists(GetSystemDir()));
}

TEST(FileUtil, CopyInBlocksWithProgress) {
    DeclareProbe();
    ScratchFolder scratch;
    std::string data(3 * 8192, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
    Write(scratch / "src.bin", data);
    FILETIME old{};
    SYSTEMTIME st{2001, 2, 0, 3, 4, 5, 6, 0};
    SystemTimeToFileTime(&st, &old);
    {
        HANDLE h = CreateFileA((scratch / "src.bin").c_str(), GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        SetFileTime(h, nullptr, nullptr, &old);
        CloseHandle(h);
    }
    ProgressProbe probe(nullptr);
    CopyFile(scratch / "src.bin", scratch / "sub\\dst.bin", &probe);
    EXPECT_EQ(Read(scratch / "sub\\dst.bin"), data);
    EXPECT_EQ(probe.Max, 3 * 8192);
    EXPECT_EQ(probe.Values, (std::vector<int64_t>{0, 8192, 16384, 24576, 24576, 0}));
    EXPECT_EQ(FileDateTime(scratch / "sub\\dst.bin"), FileDateTime(scratch / "src.bin"));

    // Into a folder; with the real progress bar, left at 0 with the size as its maximum.
    TApplication app;
    StartLibraries();
    InitXcControls();
    TProgressBar bar(nullptr);
    CopyFileEx(scratch / "src.bin", scratch / "sub", false, &bar, false);
    EXPECT_EQ(Read(scratch / "sub\\src.bin"), data);
    EXPECT_EQ(bar.Max(), 3 * 8192);
    EXPECT_EQ(bar.Position(), 0);
    ClearDir(scratch / "sub", true);
}

TEST(FileUtil, FailedCopiesCloseWhatTheyOpened) {
    ScratchFolder scratch;
    Write(scratch / "src.txt", "source");
    Write(scratch / "ro.txt", "read-only");
    SetFileAttributesA((scratch / "ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    try {
        CopyFile(scratch / "src.txt", scratch / "ro.txt", nullptr);
        ADD_FAILURE();
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message, "Cannot create file " + (scratch / "ro.txt"));
    }
    // Nothing holds the source any more: it opens exclusively.
    HANDLE h = CreateFileA((scratch / "src.txt").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    EXPECT_THROW(CopyFile(scratch / "nothing.txt", scratch / "x.txt", nullptr), EFOpenError);
    // Allowed to, it replaces the read-only file.
    CopyFileEx(scratch / "src.txt", scratch / "ro.txt", true, nullptr, false);
    EXPECT_EQ(Read(scratch / "ro.txt"), "source");
}

TEST(FileUtil, MovesNeverReplaceAFile) {
    ScratchFolder scratch;
    Write(scratch / "a.txt", "A");
    Write(scratch / "b.txt", "B");
    EXPECT_THROW(MoveFile(scratch / "a.txt", scratch / "b.txt"), EWin32Error);
    EXPECT_EQ(Read(scratch / "a.txt") + Read(scratch / "b.txt"), "AB");
    MoveFile(scratch / "a.txt", scratch / "c.txt");
    EXPECT_FALSE(Exists(scratch / "a.txt"));
    EXPECT_EQ(Read(scratch / "c.txt"), "A");
    EXPECT_THROW(MoveFile(scratch / "a.txt", scratch / "d.txt"), EWin32Error);
}

TEST(FileUtil, ShortAndLongNames) {
    ScratchFolder scratch;
    CreateDirectoryA((scratch / "Long Folder Name").c_str(), nullptr);
    const std::string longName = scratch / "Long Folder Name\\A Long File Name.text";
    Write(longName, "x");
    const std::string shortPath = LongToShortPath(longName);
    const std::string shortFile = LongToShortFileName(longName);
    EXPECT_LE(shortFile.size(), 12u);
    EXPECT_EQ(shortPath.substr(shortPath.size() - shortFile.size()), shortFile);
    EXPECT_EQ(ShortToLongFileName(shortPath), "A Long File Name.text");
    EXPECT_EQ(AnsiCompareText(ShortToLongPath(shortPath), longName), 0);
    EXPECT_EQ(ShortToLongFileName(scratch / "none"), "");
    DeleteFileA(longName.c_str());
    RemoveDirectoryA((scratch / "Long Folder Name").c_str());
}

TEST(FileOperator, CopiesEveryNameOfTheList) {
    ScratchFolder scratch;
    Write(scratch / "one.txt", "1");
    Write(scratch / "two.txt", "2");
    CreateDirectoryA((scratch / "to").c_str(), nullptr);
    TXcFileOperator op(nullptr);
    op.Source = scratch / "one.txt" + ";" + (scratch / "two.txt");
    op.Destination = scratch / "to";
    op.Options = FileOperFlag(flNoConfirmation) | FileOperFlag(flSilent) |
                 FileOperFlag(flNoErrorUI) | FileOperFlag(flNoConfirmMkDir);
    EXPECT_TRUE(op.Execute());
    EXPECT_FALSE(op.Aborted());
    EXPECT_EQ(Read(scratch / "to\\one.txt") + Read(scratch / "to\\two.txt"), "12");
    op.Operation = foDelete;
    op.Source = scratch / "to\\one.txt|" + (scratch / "to\\two.txt");
    op.Destination.clear();
    EXPECT_TRUE(op.Execute());
    EXPECT_FALSE(Exists(scratch / "to\\one.txt") || Exists(scratch / "to\\two.txt"));
    RemoveDirectoryA((scratch / "to").c_str());
}

// The browser opens on the folder given and a timer presses OK. The folder lies where no
// other program works (the browser finds a path by the time stamps of the folders on the
// way too, under Wine).
TEST(FolderBrowser, ReturnsThePreselectedFolder) {
    TApplication app;
    StartLibraries();
    TempDir quiet("C:\\");
    const std::string folder = quiet.Path("picked");
    CreateDirectoryA(folder.c_str(), nullptr);
    TBrowseFolderDlg dialog(nullptr);
    dialog.FolderName = folder;
    dialog.DialogText = "Download folder";
    dialog.HelpContext = 7;
    bool initialized = false;
    std::string selectedWhenShown;
    HWND help = nullptr;
    dialog.OnInitialized = [&](TComponent*) {
        initialized = true;
        help = GetDlgItem(dialog.Handle(), 0xFFFF);
    };
    // OK once the dialog has set itself up and shows the folder (or after ten seconds).
    TTimer presser(nullptr);
    presser.SetInterval(50);
    const DWORD start = GetTickCount();
    presser.SetOnTimer([&](TComponent*) {
        if (!initialized || !dialog.Handle()) return;
        if (AnsiCompareText(dialog.CurrentPath(), folder) != 0 && GetTickCount() - start < 10000)
            return;
        selectedWhenShown = dialog.CurrentPath();
        presser.SetEnabled(false);
        PostMessageA(dialog.Handle(), WM_COMMAND, IDOK, 0);
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_TRUE(initialized);
    EXPECT_NE(help, nullptr);
    EXPECT_EQ(AnsiCompareText(selectedWhenShown, folder), 0) << selectedWhenShown;
    EXPECT_EQ(AnsiCompareText(dialog.FolderName, folder), 0);
    EXPECT_NE(dialog.FolderName.back(), '\\');
    EXPECT_EQ(dialog.Handle(), nullptr);
    RemoveDirectoryA(folder.c_str());
}

}  // namespace
