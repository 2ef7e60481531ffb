// Combo edits under real windows: Alt+Down clicks the button (also when it is too narrow to
// show), the text keeps clear of it; a file-name edit takes a built drop of files (long
// paths whole); a directory edit opens the folder browser, which a timer answers.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "ControlKit.h"
#include "controls/FileEdit.h"
#include "framework/ExtCtrls.h"
#include "engines/ScratchFolder.h"
#include "framework/Timers.h"

using namespace uitest;

namespace {

// A drop of `names` as the shell builds it: a DROPFILES header, then the names, each
// ending in NUL, and one more NUL.
HDROP MakeDrop(const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& n : names) list += n + '\0';
    list += '\0';
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + list.size());
    auto* drop = static_cast<DROPFILES*>(GlobalLock(mem));
    drop->pFiles = sizeof(DROPFILES);
    memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list.data(), list.size());
    GlobalUnlock(mem);
    return static_cast<HDROP>(mem);
}

class ComboEdits : public ControlForm {};

class TestPopup : public TPopupWindow {
public:
    using TPopupWindow::TPopupWindow;
    TPopupValue GetValue() override { return value; }
    void SetValue(const TPopupValue& v) override { value = v; }
    TPopupValue value;
};

// A combo edit with a popup of its own; it notes the area its paints cover.
class PopupEdit : public TComboEdit {
public:
    explicit PopupEdit(TComponent* owner) : TComboEdit(owner) {
        FPopup = new TestPopup(this);
        FPopup->SetBounds(0, 0, 80, 60);
        FPopup->CloseUpHandler = [this](TComponent* sender, bool accept) { PopupCloseUp(sender, accept); };
    }
    void WndProc(TMessage& m) override {
        if (m.Msg == WM_PAINT && !m.WParam) GetUpdateRect(Handle(), &painted, FALSE);
        TComboEdit::WndProc(m);
    }
    RECT painted{};
};

// A press on another control closes the popup without taking its value; the press on
// the edit's own button closes it taking the value. The popup repaints the edit's text
// at once, not its button.
TEST_F(ComboEdits, APressElsewhereClosesThePopup) {
    auto* edit = new PopupEdit(form);
    edit->SetParent(form);
    edit->SetBounds(10, 10, 150, 21);
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(10, 50, 150, 40);
    ShowForm();
    auto* popup = static_cast<TestPopup*>(edit->Popup());
    edit->DoClick();
    ASSERT_TRUE(edit->PopupVisible());
    popup->value = "taken";
    edit->Button()->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    edit->Button()->Perform(WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    EXPECT_FALSE(edit->PopupVisible());
    EXPECT_EQ(edit->Caption(), "taken");
    edit->DoClick();
    ASSERT_TRUE(edit->PopupVisible());
    popup->value = "not taken";
    panel->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    panel->Perform(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_FALSE(edit->PopupVisible());
    EXPECT_EQ(edit->Caption(), "taken");

    ValidateRect(edit->Handle(), nullptr);
    popup->InvalidateEditor();
    EXPECT_EQ(edit->painted.left, 0);
    EXPECT_EQ(edit->painted.right, edit->ClientWidth() - edit->ButtonWidth() - 2);
    RECT left{};
    EXPECT_FALSE(GetUpdateRect(edit->Handle(), &left, FALSE));  // painted at once
}


TEST_F(ComboEdits, AltDownClicksTheButtonAndTheTextKeepsClear) {
    auto* edit = new TComboEdit(form);
    edit->SetParent(form);
    edit->SetBounds(10, 10, 150, 21);
    edit->SetGlyphKind(gkEllipsis);
    int clicks = 0;
    edit->OnButtonClick = [&](TComponent*) { ++clicks; };
    auto* drop = new TComboEdit(form);
    drop->SetParent(form);
    drop->SetBounds(10, 40, 150, 21);
    drop->SetGlyphKind(gkDropDown);
    drop->SetText("drop-down kind");
    ShowForm();
    edit->SetFocus();
    PressKey(VK_DOWN, ssAlt, edit->Handle());
    EXPECT_EQ(clicks, 1);
    ClickAt(edit->Button()->Parent()->Handle(), 5, 5);  // the button
    EXPECT_EQ(clicks, 2);

    RECT r{};
    SendMessageA(edit->Handle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
    EXPECT_LE(r.right, edit->ClientWidth() - edit->ButtonWidth() - 2);
    EXPECT_EQ(drop->ButtonWidth(), GetSystemMetrics(SM_CXVSCROLL));
    edit->SetHeight(4);  // raised to the text height, four borders and one
    EXPECT_GE(edit->Height(), 13);
    Shot("combo-edits");

    // One pixel wide the button hides, but the key still clicks it.
    edit->SetButtonWidth(1);
    EXPECT_FALSE(IsWindowVisible(edit->Button()->Parent()->Handle()));
    PressKey(VK_DOWN, ssAlt, edit->Handle());
    EXPECT_EQ(clicks, 3);
    edit->SetReadOnly(true);  // read-only: the button does nothing...
    PressKey(VK_DOWN, ssAlt, edit->Handle());
    EXPECT_EQ(clicks, 3);
    edit->ButtonWhenReadOnly = true;  // ...unless told otherwise
    PressKey(VK_DOWN, ssAlt, edit->Handle());
    EXPECT_EQ(clicks, 4);
}

TEST_F(ComboEdits, FileEditTakesDroppedFilesWhole) {
    auto* edit = new TFilenameEdit(form);
    edit->SetParent(form);
    edit->SetBounds(10, 10, 250, 21);
    edit->SetAcceptFiles(true);
    int drops = 0;
    edit->OnDropFiles = [&](TComponent*) { ++drops; };
    ShowForm();
    EXPECT_TRUE(GetWindowLongA(edit->Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);

    std::string longPath = "C:\\";
    for (int i = 0; i < 12; ++i) longPath += std::string(24, static_cast<char>('a' + i)) + "\\";
    longPath += "file.txt";
    ASSERT_GT(longPath.size(), 300u);
    SendMessageA(edit->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({longPath})), 0);
    EXPECT_EQ(edit->FileName(), longPath);
    EXPECT_EQ(drops, 1);

    // Several files: the first only, unless several may be chosen.
    const std::vector<std::string> three{"C:\\one.txt", "C:\\My Files\\two.txt", "C:\\three.txt"};
    SendMessageA(edit->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(three)), 0);
    EXPECT_EQ(edit->FileName(), "C:\\one.txt");
    EXPECT_EQ(edit->DialogFiles()->Count(), 0);
    edit->SetDialogOptions(ofAllowMultiSelect);
    SendMessageA(edit->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(three)), 0);
    EXPECT_EQ(edit->FileName(), "C:\\one.txt");
    EXPECT_EQ(edit->DialogFiles()->Text(), "C:\\one.txt\r\nC:\\My Files\\two.txt\r\nC:\\three.txt\r\n");

    // A name with a blank is shown quoted and read back without the quotes.
    edit->SetFileName("C:\\My Files\\two.txt");
    EXPECT_EQ(edit->Caption(), "\"C:\\My Files\\two.txt\"");
    EXPECT_EQ(edit->FileName(), "C:\\My Files\\two.txt");
    EXPECT_THROW(edit->SetFileName("C:\\bad|name.txt"), EComboEditError);
    // A new kind of dialog keeps the old one's settings.
    edit->Dialog()->Title = "Pick";
    edit->SetDialogKind(dkSave);
    EXPECT_NE(dynamic_cast<TSaveDialog*>(edit->Dialog()), nullptr);
    EXPECT_EQ(edit->Dialog()->Title, "Pick");
    EXPECT_EQ(edit->Dialog()->Filter, "All files (*.*)|*.*");
    Shot("file-edit");
}

BOOL CALLBACK NoteDialog(HWND h, LPARAM lp) {
    char cls[16] = {};
    GetClassNameA(h, cls, sizeof cls);
    if (std::string(cls) != "#32770" || !IsWindowVisible(h)) return TRUE;
    *reinterpret_cast<HWND*>(lp) = h;
    return FALSE;
}

// The dialog window ("#32770") the thread shows, if any.
HWND ShownDialog() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &NoteDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

// The button of a file-name edit: the dialog opens at the edit's file (its folder and
// name), with the edit's help topic, title and filter; the choice comes back through the
// after-dialog event and is shown quoted when it holds a blank.
TEST_F(ComboEdits, FileEditButtonPreselectsTheFileAndQuotesTheChoice) {
    ScratchFolder scratch;  // its name holds blanks
    const std::string old = scratch / "old.prn", chosen = scratch / "print file.prn";
    CloseHandle(CreateFileA(old.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    auto* edit = new TFilenameEdit(form);
    edit->SetParent(form);
    edit->SetBounds(10, 10, 250, 21);
    edit->HelpContext = 42;
    edit->SetDialogTitle("Print to a file");
    edit->SetFilter("Print files (*.prn)|*.prn");
    edit->SetFileName(old);
    ShowForm();
    EXPECT_TRUE(GetWindowLongA(edit->Handle(), GWL_STYLE) & ES_OEMCONVERT);

    std::string before, after, shownName, shownDir, shownTitle;
    bool accepted = false;
    int shown = 0;
    edit->OnBeforeDialog = [&](TComponent*, std::string& name, bool&) { before = name; };
    edit->OnAfterDialog = [&](TComponent*, std::string& name, bool& action) {
        after = name;
        accepted = action;
    };
    edit->Dialog()->OnShow = [&](TComponent*) {
        ++shown;
        shownName = edit->Dialog()->FileName;
        shownDir = edit->Dialog()->InitialDir;
        shownTitle = edit->Dialog()->Title;
    };
    TTimer chooser(nullptr);
    chooser.SetInterval(50);
    chooser.SetOnTimer([&](TComponent*) {
        HWND dialog = ShownDialog();
        if (!dialog || !shown) return;
        chooser.SetEnabled(false);
        SetDlgItemTextA(dialog, 0x47c, chosen.c_str());
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    });
    edit->DoClick();
    EXPECT_EQ(before, old);  // without the quotes
    EXPECT_EQ(shownName, old);
    EXPECT_EQ(shownDir, scratch.Path());
    EXPECT_EQ(shownTitle, "Print to a file");
    EXPECT_EQ(edit->Dialog()->HelpContext, 42);
    EXPECT_TRUE(accepted);
    EXPECT_EQ(AnsiCompareText(after, chosen), 0) << after;
    EXPECT_EQ(AnsiCompareText(edit->Caption(), "\"" + chosen + "\""), 0) << edit->Caption();
    EXPECT_EQ(AnsiCompareText(edit->FileName(), chosen), 0);
    EXPECT_EQ(AnsiCompareText(edit->InitialDir(), scratch.Path()), 0);
}

// The label of the tree item selected in a folder browser.
std::string SelectedFolder(HWND dialog) {
    HWND tree = FindWindowExA(dialog, nullptr, "SysTreeView32", nullptr);
    if (!tree) {
        HWND child = nullptr;
        while (!tree && (child = FindWindowExA(dialog, child, nullptr, nullptr)))
            tree = FindWindowExA(child, nullptr, "SysTreeView32", nullptr);
    }
    if (!tree) return std::string();
    auto item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    char text[MAX_PATH] = {};
    TVITEMA tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = sizeof text;
    if (item) SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
    return text;
}

TEST_F(ComboEdits, DirectoryEditOpensTheFolderBrowser) {
    ScratchFolder scratch;
    const std::string first = scratch / "first", second = scratch / "second";
    CreateDirectoryA(first.c_str(), nullptr);
    CreateDirectoryA(second.c_str(), nullptr);
    auto* edit = new TDirectoryEdit(form);
    edit->SetParent(form);
    edit->SetBounds(10, 10, 250, 21);
    edit->DialogKind = dkWin32;
    edit->DialogText = "Choose a directory for upload.";
    edit->MultipleDirs = true;
    edit->SetText(first);
    std::string before;
    edit->OnBeforeDialog = [&](TComponent*, std::string& name, bool&) {
        before = name;
        name = second;  // the browser opens there
    };
    ShowForm();
    edit->SetFocus();
    edit->SetSelStart(static_cast<int>(first.size()));  // the caret at the end, nothing selected
    // OK once the browser shows the folder it was given (or after two seconds).
    TTimer presser(nullptr);
    presser.SetInterval(50);
    int waited = 0;
    std::string shown;
    presser.SetOnTimer([&](TComponent*) {
        HWND dialog = nullptr;
        for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, "#32770", nullptr));) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == GetCurrentProcessId() && IsWindowVisible(w)) dialog = w;
        }
        if (!dialog) return;
        shown = SelectedFolder(dialog);
        if (shown != "second" && ++waited < 40) return;
        presser.SetEnabled(false);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    edit->DoClick();
    EXPECT_EQ(before, first);
    EXPECT_EQ(shown, "second");
    // Several directories: the chosen one is added after ";".
    EXPECT_EQ(AnsiCompareText(edit->Caption(), first + ";" + second), 0) << edit->Caption();
    EXPECT_EQ(AnsiCompareText(edit->InitialDir, second), 0);
    RemoveDirectoryA(first.c_str());
    RemoveDirectoryA(second.c_str());
}

}  // namespace
