// The library's list boxes under real windows: the horizontal extent follows the widest
// item through adds, deletes, emptying and a new font; items of any length read whole;
// check states follow clicks and keys, the radio rule, a new window and a stored section.
#include <windows.h>

#include <string>

#include "ControlKit.h"
#include "controls/XcCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/IniFiles.h"
#include "framework/core/TempDir.h"

using namespace uitest;

namespace {

// The width the system gives `text` and one "x" in the list box's font.
int Measured(HWND list, const std::string& text) {
    std::string s = text + "x";
    HDC dc = GetDC(list);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32A(dc, s.c_str(), static_cast<int>(s.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    return size.cx;
}

int Extent(HWND list) {
    return static_cast<int>(SendMessageA(list, LB_GETHORIZONTALEXTENT, 0, 0));
}

class ListBoxes : public ControlForm {
public:
    void SetUp() override {
        ControlForm::SetUp();
        text = new TTextListBox(form);
        text->SetParent(form);
        text->SetBounds(10, 10, 120, 110);
        checks = new TXcCheckListBox(form);
        checks->SetParent(form);
        checks->SetBounds(150, 10, 150, 110);
        checks->OnClickCheck = [this](TComponent*) { ++clicks; };
        ShowForm();
    }
    TTextListBox* text = nullptr;
    TXcCheckListBox* checks = nullptr;
    int clicks = 0;
};

TEST_F(ListBoxes, ExtentFollowsTheWidestItem) {
    HWND list = text->Handle();
    const std::string narrow = "one", wide = "a much longer item than the box is wide",
                      middle = "a middle-sized item here";
    text->Items()->Add(narrow);
    EXPECT_EQ(Extent(list), Measured(list, narrow));
    text->Items()->Add(wide);  // wider than all: at once
    EXPECT_EQ(Extent(list), Measured(list, wide));
    text->Items()->Insert(0, middle);
    EXPECT_EQ(Extent(list), Measured(list, wide));
    text->Items()->Delete(1);  // narrower: the extent stays
    EXPECT_EQ(Extent(list), Measured(list, wide));

    // Deleting the widest scrolls back to the left edge and measures the rest again.
    SendMessageA(list, WM_HSCROLL, SB_PAGERIGHT, 0);
    ASSERT_GT(GetScrollPos(list, SB_HORZ), 0);
    Shot("text-list-box");
    text->Items()->Delete(1);
    EXPECT_EQ(GetScrollPos(list, SB_HORZ), 0);
    EXPECT_EQ(Extent(list), Measured(list, middle));

    // Messages that fail change nothing (and measure nothing).
    EXPECT_EQ(SendMessageA(list, LB_DELETESTRING, 7, 0), LB_ERR);
    EXPECT_EQ(SendMessageA(list, LB_INSERTSTRING, 7, reinterpret_cast<LPARAM>("x")), LB_ERR);
    EXPECT_EQ(Extent(list), Measured(list, middle));

    // A new font measures again with it.
    text->Font()->SetSize(16);
    EXPECT_EQ(Extent(list), Measured(list, middle));
    EXPECT_GT(Extent(list), 150);

    text->Items()->Clear();
    EXPECT_EQ(Extent(list), 0);
}

TEST_F(ListBoxes, LongItemsReadWhole) {
    auto* own = new TXcListBox(form);
    own->SetParent(form);
    own->SetAutoScroll(true);
    const std::string longItem(5000, 'W');
    own->Items()->Add("short");
    own->Items()->Add(longItem);
    EXPECT_EQ(own->Items()->Strings(1), longItem);
    EXPECT_EQ(Extent(own->Handle()), Measured(own->Handle(), longItem));
    EXPECT_EQ(text->Items()->Add(longItem), 0);  // the framework's list box reads it whole too
    EXPECT_EQ(text->Items()->Strings(0), longItem);
    EXPECT_THROW(own->Items()->Strings(2), EStringListError);
}

TEST_F(ListBoxes, CheckStatesByClickKeysRadioRuleAndNewWindow) {
    for (const char* s : {"alpha", "beta", "gamma", "delta"}) checks->Items()->Add(s);
    HWND list = checks->Handle();
    RECT item = checks->ItemRect(1);
    ClickAt(list, item.left + 3, (item.top + item.bottom) / 2);  // in the check band
    EXPECT_TRUE(checks->Checked(1));
    EXPECT_EQ(clicks, 1);
    ClickAt(list, item.left + 60, (item.top + item.bottom) / 2);  // on the text: selects only
    EXPECT_TRUE(checks->Checked(1));
    EXPECT_EQ(checks->ItemIndex(), 1);

    checks->AllowGrayed = true;
    PostMessageA(list, WM_CHAR, ' ', 1);  // the current item: checked -> unchecked
    PostMessageA(list, WM_CHAR, ' ', 1);  // -> grayed
    Pump();
    EXPECT_EQ(checks->State(1), cbGrayed);
    checks->SetItemEnabled(3, false);
    PostMessageA(list, WM_CHAR, '+', 1);  // every enabled item
    Pump();
    EXPECT_TRUE(checks->Checked(0) && checks->Checked(1) && checks->Checked(2));
    EXPECT_FALSE(checks->Checked(3));
    Shot("check-list-box");

    // The states and enabled flags survive a new window.
    checks->SetSorted(true);
    EXPECT_EQ(checks->Items()->Strings(0), "alpha");
    EXPECT_TRUE(checks->Checked(checks->Items()->IndexOf("gamma")));
    EXPECT_FALSE(checks->ItemEnabled(checks->Items()->IndexOf("delta")));

    // Radio buttons: exactly one checked, the first that was; it cannot be unchecked.
    checks->SetCheckKind(ckRadioButtons);
    EXPECT_EQ(checks->CheckedIndex(), 0);
    checks->SetChecked(0, false);
    EXPECT_EQ(checks->CheckedIndex(), 0);
    checks->SetChecked(2, true);
    EXPECT_EQ(checks->CheckedIndex(), 2);
    EXPECT_FALSE(checks->Checked(0));
    Shot("check-list-box-radio");
}

// Automatic drag: a press on a selected item of a multi-select list keeps the selection
// and drags it to a control that takes it; let go where it started, it is a click; Esc
// cancels a drag under way.
TEST_F(ListBoxes, SelectionIsDraggedToAControlThatTakesIt) {
    auto* list = new TXcListBox(form);
    list->SetParent(form);
    list->SetBounds(10, 130, 120, 80);
    list->SetMultiSelect(true);
    list->DragMode = dmAutomatic;
    for (const char* s : {"a", "b", "c", "d"}) list->Items()->Add(s);
    auto* target = new TPanel(form);
    target->SetParent(form);
    target->SetBounds(150, 130, 100, 60);
    TControl* dropped = nullptr;
    TControl* ended = target;
    int overs = 0;
    target->OnDragOver = [&](TComponent*, TControl* source, int, int, TDragState, bool& accept) {
        ++overs;
        accept = source == list;
    };
    target->OnDragDrop = [&](TComponent*, TControl* source, int, int) { dropped = source; };
    list->OnEndDrag = [&](TComponent*, TControl* on, int, int) { ended = on; };
    list->SetSelected(0, true);
    list->SetSelected(2, true);
    ToFront();
    const RECT item = list->ItemRect(2);
    const POINT at{item.left + 10, (item.top + item.bottom) / 2};
    const POINT start = list->ClientToScreen(at), over = target->ClientToScreen(POINT{50, 30});
    auto press = [&] {
        SetCursorPos(start.x, start.y);
        SendMessageA(list->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    };

    press();
    EXPECT_TRUE(list->Dragging());
    EXPECT_EQ(list->SelCount(), 2);
    SetCursorPos(over.x, over.y);
    SendMessageA(GetCapture(), WM_MOUSEMOVE, 0, 0);
    EXPECT_GT(overs, 0);
    SendMessageA(GetCapture(), WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(dropped, list);
    EXPECT_EQ(ended, target);
    EXPECT_FALSE(list->Dragging());
    EXPECT_EQ(list->SelCount(), 2);

    dropped = nullptr;
    press();
    SendMessageA(GetCapture(), WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(ended, nullptr);
    EXPECT_EQ(dropped, nullptr);
    EXPECT_EQ(list->SelCount(), 1);
    EXPECT_TRUE(list->Selected(2));

    list->SetSelected(0, true);
    press();
    SetCursorPos(over.x, over.y);
    SendMessageA(GetCapture(), WM_MOUSEMOVE, 0, 0);
    PressKey(VK_ESCAPE);
    EXPECT_FALSE(list->Dragging());
    EXPECT_EQ(dropped, nullptr);
    SetCursorPos(5, 1015);
}

// Painted into a given context (a copy of the control), the items are drawn as the
// control draws them: the selection in button face while the list has no focus.
TEST_F(ListBoxes, PaintIntoAContextDrawsTheItemsAsTheControlDoes) {
    auto* list = new TXcListBox(form);
    list->SetParent(form);
    list->SetBounds(10, 130, 120, 80);
    for (const char* s : {"first", "second"}) list->Items()->Add(s);
    list->SetGraySelection(true);
    list->SetItemIndex(1);
    text->SetFocus();
    TBitmap copy;
    copy.SetPixelFormat(pf32bit);
    copy.SetSize(list->ClientWidth(), list->ClientHeight());
    copy.Canvas()->Brush()->SetColor(clRed);
    copy.Canvas()->FillRect(RECT{0, 0, copy.Width(), copy.Height()});
    list->Perform(WM_PAINT, reinterpret_cast<WPARAM>(copy.Canvas()->Handle()), 0);
    const RECT second = list->ItemRect(1);
    const int y = (second.top + second.bottom) / 2;
    EXPECT_EQ(ColorToRGB(copy.Canvas()->Pixels(copy.Width() - 3, y)), ColorToRGB(clBtnFace));
    EXPECT_EQ(ColorToRGB(copy.Canvas()->Pixels(copy.Width() - 3, 2)), ColorToRGB(clWindow));
    int ink = 0;  // the text
    for (int x = 0; x < 40; ++x)
        for (int dy = -4; dy <= 4; ++dy)
            ink += ColorToRGB(copy.Canvas()->Pixels(x, y + dy)) != ColorToRGB(clBtnFace);
    EXPECT_GT(ink, 5);
}

// A moved item takes its check state and enabled flag along; a check list whose items
// all fit shows no vertical scroll range.
TEST_F(ListBoxes, MovedItemsKeepTheirStates) {
    for (const char* s : {"a", "b", "c"}) checks->Items()->Add(s);
    checks->SetState(0, cbGrayed);
    checks->SetItemEnabled(0, false);
    checks->Items()->SetObjects(0, reinterpret_cast<void*>(7));
    checks->Items()->Move(0, 2);
    EXPECT_EQ(checks->Items()->Text(), "b\r\nc\r\na\r\n");
    EXPECT_EQ(checks->State(2), cbGrayed);
    EXPECT_FALSE(checks->ItemEnabled(2));
    EXPECT_EQ(checks->Items()->Objects(2), reinterpret_cast<void*>(7));
    EXPECT_EQ(checks->State(0), cbUnchecked);
    EXPECT_TRUE(checks->ItemEnabled(0));
    checks->RecreateWnd();
    int low = -1, high = -1;
    GetScrollRange(checks->Handle(), SB_VERT, &low, &high);
    EXPECT_EQ(high, 0);
}

TEST_F(ListBoxes, CheckStatesKeptInAnIniFile) {
    for (const char* s : {"a", "b", "c"}) checks->Items()->Add(s);
    checks->SetName("Checks");
    checks->SetState(0, cbChecked);
    checks->SetState(2, cbGrayed);
    TempDir dir;
    TIniFile ini(dir.Path("states.ini"));
    checks->SaveStates(ini);
    checks->ApplyState(cbUnchecked, false);
    EXPECT_FALSE(checks->Checked(0));
    checks->RestoreStates(ini);
    EXPECT_EQ(checks->State(0), cbChecked);
    EXPECT_EQ(checks->State(1), cbUnchecked);
    EXPECT_EQ(checks->State(2), cbGrayed);
}

}  // namespace
