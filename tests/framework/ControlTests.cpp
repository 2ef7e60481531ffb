// Windows made from CreateParams, superclassed system controls, and subclassed foreign
// windows.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "framework/Forms.h"
#include "framework/Libraries.h"
#include "framework/ProgressBar.h"
#include "framework/WindowUtils.h"

namespace {

class EditControl : public TWinControl {
public:
    explicit EditControl(TComponent* owner) : TWinControl(owner) {}
    int setTexts = 0;
    void WndProc(TMessage& m) override {
        if (m.Msg == WM_SETTEXT) ++setTexts;
        TWinControl::WndProc(m);
    }

protected:
    void CreateParams(TCreateParams& p) override {
        TWinControl::CreateParams(p);
        p.WinClassName = "QuiroTestEdit";
        p.SystemClassName = "EDIT";
        p.Style |= ES_AUTOHSCROLL | WS_BORDER;
    }
};

TEST(WinControl, HandleIsMadeWhenNeededWithTheParentsFirst) {
    TApplication app;
    auto* form = app.CreateForm<TForm>();
    auto* edit = new EditControl(form);
    edit->SetParent(form);
    edit->SetBounds(10, 20, 100, 24);
    edit->SetText("before");
    EXPECT_FALSE(form->HandleAllocated());
    HWND h = edit->Handle();
    ASSERT_TRUE(h);
    EXPECT_TRUE(form->HandleAllocated());
    EXPECT_EQ(GetParent(h), form->Handle());
    EXPECT_EQ(edit->Text(), "before");
    RECT r;
    GetWindowRect(h, &r);
    EXPECT_EQ(r.right - r.left, 100);
    EXPECT_EQ(TWinControl::FromHandle(h), edit);
}

TEST(WinControl, SuperclassedSystemControlUsesTheSystemProcedure) {
    TApplication app;
    auto* form = app.CreateForm<TForm>();
    auto* edit = new EditControl(form);
    edit->SetParent(form);
    edit->HandleNeeded();
    edit->SetText("\xc7\xd1\xb1\xdb");  // Korean, code page 949
    EXPECT_EQ(edit->setTexts, 1);
    char buf[16] = {};
    GetWindowTextA(edit->Handle(), buf, sizeof buf);
    EXPECT_STREQ(buf, "\xc7\xd1\xb1\xdb");
    // An EDIT answers EM_GETLIMITTEXT itself: proof the system procedure runs.
    EXPECT_GT(SendMessageA(edit->Handle(), EM_GETLIMITTEXT, 0, 0), 0);
}

// A control is found by its window's handle only while that window is its own: not by the
// window it had before it was made again, nor by one destroyed behind its back, nor once
// it is freed.
TEST(WinControl, RecreateKeepsTextAndFreeingTheParentFreesChildren) {
    TApplication app;
    auto* form = app.CreateForm<TForm>();
    auto* edit = new EditControl(form);
    edit->SetParent(form);
    edit->SetText("kept");
    HWND before = edit->Handle();
    edit->RecreateWnd();
    EXPECT_NE(edit->Handle(), before);
    EXPECT_FALSE(IsWindow(before));
    EXPECT_EQ(TWinControl::FromHandle(before), nullptr);
    EXPECT_EQ(TWinControl::FromHandle(edit->Handle()), edit);
    EXPECT_EQ(edit->Text(), "kept");

    HWND gone = edit->Handle();
    DestroyWindow(gone);
    EXPECT_FALSE(edit->HandleAllocated());
    EXPECT_EQ(TWinControl::FromHandle(gone), nullptr);
    HWND child = edit->Handle();
    EXPECT_EQ(TWinControl::FindControl(child), edit);
    EXPECT_EQ(TWinControl::FindControl(GetDesktopWindow()), nullptr);
    delete form;
    EXPECT_FALSE(IsWindow(child));
    EXPECT_EQ(TWinControl::FromHandle(child), nullptr);
    EXPECT_EQ(app.ComponentCount(), 0);
}

// A control may swap a windowed part of itself for another while its parent lives on (a
// spin edit's button kind): the freed part leaves the tab order, which is walked again the
// next time the form shows or the focus moves.
TEST(WinControl, FreeingAChildTakesItOutOfTheTabOrder) {
    TApplication app;
    auto* form = app.CreateForm<TForm>();
    auto* first = new EditControl(form);
    auto* part = new TWinControl(form);
    auto* inner = new EditControl(part);
    auto* last = new EditControl(form);
    first->SetParent(form);
    part->SetParent(form);
    inner->SetParent(part);
    last->SetParent(form);
    for (TWinControl* c : std::initializer_list<TWinControl*>{first, part, inner, last})
        c->SetTabStop(true);
    ASSERT_EQ(last->TabOrder(), 2);
    form->Show();
    ASSERT_EQ(form->FindNextControl(first, true, true), part);

    delete part;  // with its own child
    EXPECT_EQ(last->TabOrder(), 1);
    EXPECT_EQ(form->FindNextControl(first, true, true), last);
    EXPECT_EQ(form->FindNextControl(last, false, true), first);
    delete first;
    EXPECT_EQ(last->TabOrder(), 0);
    EXPECT_EQ(form->FindNextControl(nullptr, true, true), last);
}

TEST(WindowSubclass, ChainsInFrontOfAForeignWindow) {
    TApplication app;
    HWND foreign = CreateWindowExA(0, "STATIC", "x", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(foreign);
    std::vector<std::string> log;
    TWindowSubclass* outerPtr = nullptr;
    TWindowSubclass* innerPtr = nullptr;
    TWindowSubclass inner([&](TMessage& m) {
        if (m.Msg == WM_SETTEXT) log.push_back("inner");
        innerPtr->CallPrevious(m);
    });
    TWindowSubclass outer([&](TMessage& m) {
        if (m.Msg == WM_SETTEXT) log.push_back("outer");
        outerPtr->CallPrevious(m);
    });
    innerPtr = &inner;
    outerPtr = &outer;
    WNDPROC original = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(foreign, GWLP_WNDPROC));
    inner.Attach(foreign);
    outer.Attach(foreign);
    SetWindowTextA(foreign, "y");
    EXPECT_EQ(log, (std::vector<std::string>{"outer", "inner"}));
    char buf[8] = {};
    GetWindowTextA(foreign, buf, sizeof buf);
    EXPECT_STREQ(buf, "y");  // the original procedure stored it
    outer.Detach();
    inner.Detach();
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(foreign, GWLP_WNDPROC)), original);
    DestroyWindow(foreign);
}

TEST(WindowSubclass, WindowDestroyedUnderneath) {
    TApplication app;
    HWND foreign = CreateWindowExA(0, "STATIC", "x", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
    TWindowSubclass* self = nullptr;
    TWindowSubclass sub([&](TMessage& m) { self->CallPrevious(m); });
    self = &sub;
    sub.Attach(foreign);
    DestroyWindow(foreign);
    EXPECT_EQ(sub.Window(), nullptr);
}

}  // namespace

namespace {

// The progress bar keeps its range and position in the object: set before the window
// exists, they reach it when it is made; the position stays inside the range.
TEST(ProgressBar, RangeAndPositionReachTheWindow) {
    TApplication app;
    StartLibraries();
    TForm form(nullptr);
    auto* bar = new TProgressBar(&form);
    bar->SetParent(&form);
    bar->SetMax(100000);
    bar->SetPosition(250000);
    EXPECT_EQ(bar->Position(), 100000);
    bar->SetMin(10);
    bar->SetPosition(5);
    EXPECT_EQ(bar->Position(), 10);
    HWND h = bar->Handle();
    PBRANGE range{};
    SendMessageA(h, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iLow, 10);
    EXPECT_EQ(range.iHigh, 100000);
    bar->SetPosition(70000);
    EXPECT_EQ(SendMessageA(h, PBM_GETPOS, 0, 0), 70000);
}

}  // namespace
