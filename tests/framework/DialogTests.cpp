// The common dialogs, driven from a timer that ticks inside each dialog's own loop: it
// finds the dialog by its class, types into it and presses a button; the results are read
// back from the components.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "UiTestKit.h"
#include "framework/Dialogs.h"
#include "framework/Forms.h"
#include "framework/Libraries.h"
#include "framework/Printers.h"
#include "framework/Timers.h"
#include "framework/WinePrinterKit.h"
#include "framework/core/TempDir.h"

namespace {

constexpr int kFileNameBox = 0x47c, kFindWhat = 0x480, kReplaceWith = 0x481, kMatchCase = 0x411,
              kReplaceAll = 0x401;

BOOL CALLBACK NoteDialog(HWND h, LPARAM lp) {
    char cls[16] = {};
    GetClassNameA(h, cls, sizeof cls);
    if (std::string(cls) != "#32770" || !IsWindowVisible(h) || !IsWindowEnabled(h)) return TRUE;
    *reinterpret_cast<HWND*>(lp) = h;
    return FALSE;
}

void Press(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Runs `execute` while a timer acts once on the dialog window ("#32770") the thread shows,
// as soon as `ready` holds for it: `text` into the control `box` (none: 0), then the button
// `button`. A dialog still open after ten seconds is cancelled and fails the test.
bool Drive(const std::function<bool()>& execute, int button, int box = 0,
           const std::string& text = "", const std::function<void(HWND)>& look = nullptr,
           const std::function<bool(HWND)>& ready = nullptr) {
    TTimer timer;
    DWORD start = GetTickCount();
    bool acted = false;
    timer.SetInterval(40);
    timer.SetOnTimer([&](TComponent*) {
        HWND dialog = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), &NoteDialog, reinterpret_cast<LPARAM>(&dialog));
        if (!dialog) return;
        if (GetTickCount() - start > 10000) {
            ADD_FAILURE() << "a dialog was left open";
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        }
        if (acted || (ready && !ready(dialog))) return;
        if (look) look(dialog);
        if (box) SetDlgItemTextA(dialog, box, text.c_str());
        Press(dialog, button);
        acted = true;
    });
    bool result = execute();
    EXPECT_TRUE(acted) << "no dialog was shown";
    return result;
}

class Dialogs : public ::testing::Test {
protected:
    void SetUp() override {
        StartLibraries();
        app.OnException = [this](TComponent*, std::exception_ptr e) {
            errors.push_back(TApplication::ExceptionMessage(e));
        };
        form = app.CreateForm<TForm>();
        other = app.CreateForm<TForm>();
        other->Show();
        form->Show();
    }
    void TearDown() override { EXPECT_TRUE(errors.empty()) << errors.front(); }
    std::string MakeFile(const std::string& name) {
        std::ofstream(dir.Path(name)) << "x";
        return dir.Path(name);
    }

    TApplication app;
    TForm* form = nullptr;
    TForm* other = nullptr;
    TempDir dir;
    std::vector<std::string> errors;
};

TEST_F(Dialogs, FileDialogsReturnWhatWasChosenWithTheProgramDisabledMeanwhile) {
    std::string file = MakeFile("one.txt");
    TOpenDialog open(form);
    open.Filter = "All (*.*)|*.*|Text (*.txt)|*.txt";
    open.FilterIndex = 2;
    open.InitialDir = dir.Dir();
    bool otherEnabled = true, handleKnown = false;
    int closes = 0;
    open.OnShow = [&](TComponent*) { handleKnown = IsWindow(open.Handle()) != FALSE; };
    open.OnClose = [&](TComponent*) { ++closes; };
    ASSERT_TRUE(Drive([&] { return open.Execute(); }, IDOK, kFileNameBox, "one.txt",
                      [&](HWND) { otherEnabled = IsWindowEnabled(other->Handle()) != FALSE; }));
    EXPECT_FALSE(otherEnabled);
    EXPECT_TRUE(IsWindowEnabled(other->Handle()));
    EXPECT_TRUE(handleKnown);
    EXPECT_EQ(open.Handle(), nullptr);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(open.FileName, file);
    EXPECT_EQ(open.Files()->Text(), file + "\r\n");
    EXPECT_EQ(open.FilterIndex, 2);
    EXPECT_FALSE(Drive([&] { return open.Execute(); }, IDCANCEL));
    EXPECT_EQ(open.FileName, file);

    // Three names of 200 characters: far beyond a MAX_PATH buffer together.
    std::string typed, expected;
    for (char c : std::string("abc")) {
        std::string name = std::string(196, c) + ".txt";
        expected += MakeFile(name) + "\r\n";
        typed += "\"" + name + "\" ";
    }
    open.Options |= ofAllowMultiSelect | ofFileMustExist;
    ASSERT_TRUE(Drive([&] { return open.Execute(); }, IDOK, kFileNameBox, typed));
    EXPECT_EQ(open.Files()->Text(), expected);

    TSavePictureDialog save(form);
    EXPECT_EQ(save.Filter, kPictureFilter);
    save.Filter = "Text (*.txt)|*.txt";
    save.DefaultExt = ".txt";
    save.InitialDir = dir.Dir();
    ASSERT_TRUE(Drive([&] { return save.Execute(); }, IDOK, kFileNameBox, "report"));
    EXPECT_EQ(save.FileName, dir.Path("report.txt"));
}

// Notes the first TrueType face with a plain name.
int CALLBACK NoteFace(const LOGFONTA* lf, const TEXTMETRICA*, DWORD type, LPARAM lp) {
    if (!(type & TRUETYPE_FONTTYPE) || static_cast<unsigned char>(lf->lfFaceName[0]) >= 0x80 ||
        lf->lfFaceName[0] == '@')
        return 1;
    *reinterpret_cast<std::string*>(lp) = lf->lfFaceName;
    return 0;
}

TEST_F(Dialogs, FontAndColourDialogsGiveBackTheirChoice) {
    std::string face;
    LOGFONTA all{};
    all.lfCharSet = DEFAULT_CHARSET;
    HDC dc = GetDC(nullptr);
    EnumFontFamiliesExA(dc, &all, &NoteFace, reinterpret_cast<LPARAM>(&face), 0);
    ReleaseDC(nullptr, dc);
    ASSERT_FALSE(face.empty());
    TFontDialog font(form);
    font.Font()->SetName(face);
    font.Font()->SetSize(14);
    font.Font()->SetStyle(fsBold);
    font.Font()->SetColor(clRed);
    int changes = 0;
    font.Font()->OnChange = [&](TGraphicsObject*) { ++changes; };
    EXPECT_FALSE(Drive([&] { return font.Execute(); }, IDCANCEL));
    EXPECT_EQ(changes, 0);
    ASSERT_TRUE(Drive([&] { return font.Execute(); }, IDOK));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(font.Font()->Name(), face);
    EXPECT_EQ(font.Font()->Size(), 14);
    EXPECT_EQ(font.Font()->Style(), fsBold);
    EXPECT_EQ(font.Font()->Color(), clRed);

    TColorDialog color(form);
    color.Color = clTeal;
    color.CustomColors[3] = RGB(1, 2, 3);
    ASSERT_TRUE(Drive([&] { return color.Execute(); }, IDOK));
    EXPECT_EQ(color.Color, static_cast<TColor>(RGB(0, 128, 128)));
    EXPECT_EQ(color.CustomColors[3], RGB(1, 2, 3));
}

TEST_F(Dialogs, PrintDialogSelectsThePrinterItReturns) {
    quiro::test::PostScriptPrinter added;
    ASSERT_TRUE(added.handle) << "no printer could be added to the Wine prefix";
    TPrintDialog print(form);
    print.Copies = 3;
    print.Collate = true;
    ASSERT_TRUE(Drive([&] { return print.Execute(); }, IDOK));
    EXPECT_EQ(Printer()->PrinterName(), added.name);
    EXPECT_EQ(print.Copies, 3);
    EXPECT_TRUE(print.Collate);
    TPrinterSetupDialog setup(form);
    EXPECT_FALSE(Drive([&] { return setup.Execute(); }, IDCANCEL));
    EXPECT_EQ(Printer()->PrinterName(), added.name);
    Printer()->SelectPrinter("");
}

// Runs the application's loop until `done`, within a bound.
bool LoopUntil(TApplication& app, const std::function<bool()>& done) {
    for (DWORD start = GetTickCount(); !done(); app.ProcessMessages()) {
        if (GetTickCount() - start > 10000) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return true;
}

TEST_F(Dialogs, FindAndReplaceAreModelessAndTheirKeysPassTheLoop) {
    TFindDialog find(form);
    find.SetPosition(POINT{30, 40});
    std::vector<std::string> found;
    int closes = 0;
    find.OnFind = [&](TComponent*) { found.push_back(find.FindText); };
    find.OnClose = [&](TComponent*) { ++closes; };
    ASSERT_TRUE(find.Execute());  // returns at once
    HWND h = find.Handle();
    EXPECT_EQ(find.Position().x, 30);
    EXPECT_EQ(find.Position().y, 40);
    EXPECT_EQ(GetWindow(h, GW_OWNER), form->Handle());
    // Enter in the text box presses the default button only through IsDialogMessage.
    HWND edit = GetDlgItem(h, kFindWhat);
    SetWindowTextA(edit, "hay");
    SendDlgItemMessageA(h, kMatchCase, BM_SETCHECK, BST_CHECKED, 0);
    PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(LoopUntil(app, [&] { return !found.empty(); }));
    EXPECT_EQ(found, std::vector<std::string>{"hay"});
    EXPECT_EQ(find.Options & (frFindNext | frMatchCase | frDown),
              frFindNext | frMatchCase | frDown);
    PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(LoopUntil(app, [&] { return closes == 1; }));
    EXPECT_EQ(find.Handle(), nullptr);
    EXPECT_FALSE(IsWindow(h));

    auto* replace = new TReplaceDialog(form);
    replace->FindText = "old";
    replace->ReplaceText = "new";
    std::string replaced;
    replace->OnReplace = [&](TComponent*) {
        if (replace->Options & frReplaceAll)
            replaced = replace->FindText + ">" + replace->ReplaceText;
    };
    ASSERT_TRUE(replace->Execute());
    h = replace->Handle();
    SetDlgItemTextA(h, kReplaceWith, "newer");
    Press(h, kReplaceAll);
    ASSERT_TRUE(LoopUntil(app, [&] { return !replaced.empty(); }));
    EXPECT_EQ(replaced, "old>newer");
    delete replace;  // takes its open window with it
    EXPECT_FALSE(IsWindow(h));
}

// The text of the item selected in the folder browser's tree.
std::string SelectedFolderName(HWND dialog) {
    HWND tree = FindWindowExA(dialog, nullptr, "SysTreeView32", nullptr);
    for (HWND child = nullptr; !tree && (child = FindWindowExA(dialog, child, nullptr, nullptr));)
        tree = FindWindowExA(child, nullptr, "SysTreeView32", nullptr);
    char text[MAX_PATH] = {};
    TVITEMA item{};
    item.mask = TVIF_TEXT;
    item.hItem = tree ? TreeView_GetSelection(tree) : nullptr;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    if (item.hItem) SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return text;
}

// The folder browser finds a path in its tree by the items' time stamps too (under Wine):
// the folders on the way must be ones no other program changes meanwhile, and suites
// running beside this one work in the temporary folder.
TEST_F(Dialogs, SelectDirectoryStartsAtTheGivenFolder) {
    TempDir quiet("C:\\");
    std::string folder = quiet.Path("sub");
    CreateDirectoryA(folder.c_str(), nullptr);
    auto showsIt = [](HWND dialog) { return SelectedFolderName(dialog) == "sub"; };
    ASSERT_TRUE(Drive([&] { return SelectDirectory(folder, sdAllowCreate, 0); }, IDOK, 0, "",
                      nullptr, showsIt));
    EXPECT_EQ(folder, quiet.Path("sub"));
    EXPECT_FALSE(Drive([&] { return SelectDirectory(folder, 0, 0); }, IDCANCEL, 0, "", nullptr,
                       showsIt));
    EXPECT_EQ(folder, quiet.Path("sub"));
}

}  // namespace

namespace {

// The buttons of a window, left to right, by their captions.
std::vector<std::string> ButtonCaptions(HWND dialog) {
    std::vector<std::pair<int, std::string>> found;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char cls[32] = {}, text[32] = {};
        GetClassNameA(c, cls, sizeof cls);
        if (std::string(cls).find("Button") == std::string::npos) continue;
        GetWindowTextA(c, text, sizeof text);
        RECT r;
        GetWindowRect(c, &r);
        found.emplace_back(r.left, text);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> captions;
    for (auto& f : found) captions.push_back(f.second);
    return captions;
}

TEST_F(Dialogs, MessageDialogShowsItsButtonsInOrderAndGivesThePressedOnesResult) {
    std::vector<std::string> captions;
    TTimer timer(nullptr);
    timer.SetInterval(50);
    int step = 0;
    timer.SetOnTimer([&](TComponent*) {
        HWND dialog = FindWindowA(nullptr, step == 0 ? "Confirm" : "Error");
        if (!dialog || !IsWindowVisible(dialog)) return;
        if (step++ == 0) {
            captions = ButtonCaptions(dialog);
            int colours = 0;
            uitest::SaveScreenshot(dialog, std::string(QUIRO_BINARY_DIR) + "/artifacts/message-dialog.bmp",
                                   colours);
            for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
                char text[32] = {};
                GetWindowTextA(c, text, sizeof text);
                if (std::string(text) == "&All") PostMessageA(c, BM_CLICK, 0, 0);
            }
        } else {
            PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 1);  // no Cancel: Esc is No
            timer.SetEnabled(false);
        }
    });
    CreateDirectoryA((std::string(QUIRO_BINARY_DIR) + "/artifacts").c_str(), nullptr);
    int result = MessageDlg("Overwrite \"one.txt\"?", mtConfirmation,
                            MsgDlgButton(mbYes) | MsgDlgButton(mbNo) | MsgDlgButton(mbAll), 0);
    EXPECT_EQ(result, mrAll);
    EXPECT_EQ(captions, (std::vector<std::string>{"&Yes", "&No", "&All"}));
    result = MessageDlg("Disk full.", mtError, MsgDlgButton(mbOK) | MsgDlgButton(mbNo), 0);
    EXPECT_EQ(result, mrNo);
}

}  // namespace
