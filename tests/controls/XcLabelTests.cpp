// Shadow labels under real windows: the shadow's pixels lie where its position says, auto
// size counts only shadows to the right and below, and the label tracks the mouse and
// hands its accelerator to its focus control.
#include <windows.h>

#include <climits>

#include "ControlKit.h"
#include "controls/XcLabel.h"
#include "framework/StdCtrls.h"

using namespace uitest;

namespace {

struct Box {
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    void Add(int x, int y) {
        left = std::min(left, x);
        top = std::min(top, y);
        right = std::max(right, x);
        bottom = std::max(bottom, y);
    }
};

class Labels : public ControlForm {
public:
    TXcLabel* Make(const char* caption, int x, int y, TShadowPosition pos, int size) {
        auto* l = new TXcLabel(form);
        l->SetParent(form);
        l->Font()->SetName("Arial");
        l->Font()->SetSize(16);
        l->Font()->SetStyle(fsBold);
        l->Font()->SetColor(clBlack);
        l->SetColor(clWhite);
        l->SetShadowColor(clRed);
        l->SetShadowSize(static_cast<uint8_t>(size));
        l->SetShadowPos(pos);
        l->SetBounds(x, y, 10, 10);
        l->SetCaption(caption);
        return l;
    }
    // The black (text) and red (shadow) pixels of a label, in form client coordinates.
    void Pixels(TXcLabel* l, Box& text, Box& shadow) {
        HDC dc = GetDC(form->Handle());
        for (int y = l->Top(); y < l->Top() + l->Height(); ++y)
            for (int x = l->Left(); x < l->Left() + l->Width(); ++x) {
                COLORREF c = GetPixel(dc, x, y);
                int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
                if (r < 60 && g < 60 && b < 60) text.Add(x, y);
                if (r > 200 && g < 80 && b < 80) shadow.Add(x, y);
            }
        ReleaseDC(form->Handle(), dc);
    }
};

TEST_F(Labels, ShadowPixelsAtTheirOffset) {
    TXcLabel* rb = Make("HIH", 10, 10, spRightBottom, 3);
    TXcLabel* lt = Make("HIH", 10, 60, spLeftTop, 2);
    TXcLabel* lb = Make("HIH", 150, 10, spLeftBottom, 3);
    // As the windows use them: default colours and shadow, a Korean caption.
    auto* hint = new TXcLabel(form);
    hint->SetParent(form);
    hint->SetBounds(10, 120, 10, 10);
    hint->Font()->SetName("Courier New");
    hint->SetShadowPos(spLeftBottom);
    hint->SetCaption("ESC : \\x1B  \xC7\xD1\xB1\xDB");
    ShowForm();
    Shot("shadow-labels");
    Box t, s;
    Pixels(rb, t, s);
    EXPECT_EQ(s.right, t.right + 3);
    EXPECT_EQ(s.bottom, t.bottom + 3);
    Box t2, s2;
    Pixels(lt, t2, s2);
    EXPECT_EQ(s2.left, t2.left - 2);
    EXPECT_EQ(s2.top, t2.top - 2);

    // Auto size: shadows to the right and below widen and heighten the label, shadows to
    // the left and above do not.
    TXcLabel* plain = Make("HIH", 150, 60, spLeftTop, 0);
    EXPECT_EQ(rb->Width() - plain->Width(), 3);
    EXPECT_EQ(rb->Height() - plain->Height(), 3);
    EXPECT_EQ(lt->Width(), plain->Width());
    EXPECT_EQ(lt->Height(), plain->Height());
    EXPECT_EQ(lb->Width(), plain->Width());
    EXPECT_EQ(lb->Height() - plain->Height(), 3);
    // An empty caption keeps one line's height.
    TXcLabel* empty = Make("", 150, 100, spLeftTop, 0);
    EXPECT_EQ(empty->Height(), plain->Height());
}

TEST_F(Labels, RightJustifiedKeepsItsRightEdgeAndDisabledIsEngraved) {
    TXcLabel* right = Make("ab", 100, 10, spRightBottom, 1);
    right->SetAlignment(taRightJustify);
    right->SetCaption("a");
    int edge = right->Left() + right->Width();
    right->SetCaption("a much longer caption");
    EXPECT_EQ(right->Left() + right->Width(), edge);
    EXPECT_LT(right->Left(), 100);

    TXcLabel* engraved = Make("OFF", 10, 60, spLeftTop, 0);
    engraved->SetColor(clBtnFace);
    engraved->SetEnabled(false);
    ShowForm();
    Box t, s;
    Pixels(engraved, t, s);
    EXPECT_EQ(t.right, INT_MIN);  // no black: gray text over a highlight shadow
    Shot("shadow-labels-right-and-disabled");
}

// A new caption of the same size is painted too (the size alone asks for no repaint).
TEST_F(Labels, ANewCaptionIsPainted) {
    TXcLabel* key = Make("F1", 10, 10, spLeftTop, 1);
    ShowForm();
    ValidateRect(form->Handle(), nullptr);
    key->SetCaption("F2");
    RECT dirty{};
    GetUpdateRect(form->Handle(), &dirty, FALSE);
    const RECT bounds = key->BoundsRect();
    RECT both{};
    EXPECT_TRUE(IntersectRect(&both, &dirty, &bounds));
    EXPECT_TRUE(EqualRect(&both, &bounds));
}

TEST_F(Labels, MouseTrackingAndAccelerator) {
    TXcLabel* name = Make("&Name", 10, 10, spLeftBottom, 1);
    auto* edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetBounds(10, 60, 100, 21);
    auto* other = new TEdit(form);
    other->SetParent(form);
    other->SetBounds(10, 90, 100, 21);
    name->SetFocusControl(edit);
    int enters = 0, leaves = 0;
    name->OnMouseEnter = [&](TComponent*) { ++enters; };
    name->OnMouseLeave = [&](TComponent*) { ++leaves; };
    ShowForm();
    other->SetFocus();
    HWND wnd = form->Handle();
    PostMessageA(wnd, WM_MOUSEMOVE, 0, MAKELPARAM(name->Left() + 3, name->Top() + 3));
    Pump();
    EXPECT_TRUE(name->MouseInside());
    PostMessageA(wnd, WM_MOUSEMOVE, 0, MAKELPARAM(300, 200));
    Pump();
    EXPECT_FALSE(name->MouseInside());
    EXPECT_EQ(enters, 1);
    EXPECT_EQ(leaves, 1);

    PressKey('N', ssAlt, other->Handle());
    EXPECT_EQ(form->ActiveControl(), edit);
}

}  // namespace
