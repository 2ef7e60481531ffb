// The caret helper, and files dropped on a window.
#include <gtest/gtest.h>
#include <windows.h>

#include <shlobj.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/Caret.h"
#include "framework/FileDrop.h"
#include "framework/Forms.h"

namespace {

GUITHREADINFO ThreadInfo() {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetCurrentThreadId(), &info);
    return info;
}

TEST(Caret, FollowsItsControlAndLeavesAnotherControlsCaretAlone) {
    TApplication app;
    auto* form = app.CreateForm<TForm>();
    form->Show();
    auto* a = new TWinControl(form);
    auto* b = new TWinControl(form);
    a->SetParent(form);
    b->SetParent(form);
    a->SetBounds(0, 0, 100, 50);
    TCaret caret(a);
    caret.Create(8, 16);
    caret.MoveTo(24, 32);
    GUITHREADINFO info = ThreadInfo();
    EXPECT_EQ(info.hwndCaret, a->Handle());
    RECT expected{24, 32, 32, 48};
    EXPECT_TRUE(EqualRect(&info.rcCaret, &expected));

    // A shown caret inverts its cell (white becomes black); nothing here lets it blink.
    HDC dc = GetDC(a->Handle());
    RECT all{0, 0, 100, 50};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    auto shown = [&] { return GetPixel(dc, 27, 40) == RGB(0, 0, 0); };
    EXPECT_FALSE(shown());
    // Hiding twice and showing once shows it: the system counts, the helper does not.
    caret.Show();
    EXPECT_TRUE(shown());
    EXPECT_TRUE(caret.Hide());  // it was shown
    EXPECT_FALSE(caret.Hide());
    EXPECT_FALSE(shown());
    caret.Show();
    EXPECT_TRUE(shown());
    ReleaseDC(a->Handle(), dc);

    TCaret other(b);
    other.Create(2, 10);
    EXPECT_FALSE(caret.Visible());
    // Hiding and showing a caret another window took leaves that one as it is.
    b->SetBounds(0, 60, 100, 50);
    HDC bdc = GetDC(b->Handle());
    FillRect(bdc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    other.Show();
    EXPECT_FALSE(caret.Hide());
    EXPECT_EQ(GetPixel(bdc, 1, 5), RGB(0, 0, 0));
    other.Hide();
    caret.Show();
    EXPECT_EQ(GetPixel(bdc, 1, 5), RGB(255, 255, 255));
    ReleaseDC(b->Handle(), bdc);
    caret.Destroy();
    caret.MoveTo(1, 1);
    EXPECT_TRUE(other.Created());
    EXPECT_EQ(ThreadInfo().rcCaret.top, 0);
    other.Destroy();
    EXPECT_EQ(ThreadInfo().hwndCaret, nullptr);
}

// A drop block as the shell hands it over: DROPFILES, then each name ended by a NUL, and
// one NUL more.
HDROP MakeDrop(const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& n : names) list += n + '\0';
    HGLOBAL block = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() + 1);
    auto* files = static_cast<DROPFILES*>(GlobalLock(block));
    files->pFiles = sizeof(DROPFILES);
    std::memcpy(files + 1, list.data(), list.size());
    GlobalUnlock(block);
    return static_cast<HDROP>(block);
}

class DropForm : public TForm {
public:
    explicit DropForm(TComponent* owner) : TForm(owner) {}
    TDropFilesEvent OnDropFiles;
    void WndProc(TMessage& m) override {
        if (HandleDropFiles(m, OnDropFiles)) return;
        TForm::WndProc(m);
    }
};

TEST(FileDrop, EveryNameOfAnyLengthReachesTheHandlerAndTheDropIsReleased) {
    TApplication app;
    std::vector<std::string> errors;
    app.OnException = [&](TComponent*, std::exception_ptr e) {
        errors.push_back(TApplication::ExceptionMessage(e));
    };
    auto* form = app.CreateForm<DropForm>();
    HWND h = form->Handle();

    const std::vector<std::string> names = {
        "C:\\a.txt",
        "C:\\" + std::string(120, 'd') + "\\" + std::string(200, 'f') + ".txt",  // > MAX_PATH
        "C:\\\xC7\xD1\xB1\xDB.txt",  // Korean, code page 949
    };
    std::vector<std::string> got;
    form->OnDropFiles = [&](const std::vector<std::string>& n) { got = n; };
    HDROP drop = MakeDrop(names);
    EXPECT_EQ(SendMessageA(h, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0), 0);
    EXPECT_EQ(got, names);
    EXPECT_EQ(GlobalSize(drop), 0u);  // freed

    // A failing handler: the drop is released all the same.
    form->OnDropFiles = [](const std::vector<std::string>&) {
        throw std::runtime_error("handler failed");
    };
    drop = MakeDrop({"C:\\b.txt"});
    SendMessageA(h, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    EXPECT_EQ(errors, std::vector<std::string>{"handler failed"});
    EXPECT_EQ(GlobalSize(drop), 0u);
}

}  // namespace
