// Speed buttons under real windows: clicks, exclusive groups, the repeat of a held button,
// flat buttons gray until the mouse comes, a generated disabled glyph, and glyph lists
// shared by size.
#include <windows.h>

#include <vector>

#include "ControlKit.h"
#include "controls/XcButtons.h"

using namespace uitest;

namespace {

// A red 10 x 10 square on magenta (transparent), 16 x 16.
void RedSquare(TBitmap& glyph) {
    glyph.SetSize(16, 16);
    glyph.Canvas()->Brush()->SetColor(clFuchsia);
    glyph.Canvas()->FillRect(RECT{0, 0, 16, 16});
    glyph.Canvas()->Brush()->SetColor(clRed);
    glyph.Canvas()->FillRect(RECT{3, 3, 13, 13});
}

class SpeedButtons : public ControlForm {
public:
    void SetUp() override {
        ControlForm::SetUp();
        RedSquare(glyph);
    }
    TXcSpeedButton* Make(int x, int y, const char* caption = "") {
        auto* b = new TXcSpeedButton(form);
        b->SetParent(form);
        b->SetBounds(x, y, 25, 25);
        b->SetCaption(caption);
        return b;
    }
    void Click(TXcSpeedButton* b) { ClickAt(form->Handle(), b->Left() + 5, b->Top() + 5); }
    COLORREF Pixel(TXcSpeedButton* b, int x, int y) {
        return PixelAt(form->Handle(), b->Left() + x, b->Top() + y);
    }
    TBitmap glyph;
};

TEST_F(SpeedButtons, ClicksGroupsAndModalResult) {
    TXcSpeedButton* plain = Make(10, 10, "Go");
    int clicks = 0;
    plain->OnClick = [&](TComponent*) { ++clicks; };
    std::vector<TXcSpeedButton*> group{Make(50, 10, "1"), Make(80, 10, "2"), Make(110, 10, "3")};
    for (auto* b : group) b->SetGroupIndex(1);
    ShowForm();

    Click(plain);
    EXPECT_EQ(clicks, 1);
    HWND wnd = form->Handle();
    PostMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(15, 15));  // pressed inside,
    PostMessageA(wnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(200, 200));  // let go outside
    PostMessageA(wnd, WM_LBUTTONUP, 0, MAKELPARAM(200, 200));
    Pump();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(plain->State(), rbsUp);
    plain->ButtonClick();
    EXPECT_EQ(clicks, 2);
    plain->ModalResult = mrOk;
    Click(plain);
    EXPECT_EQ(form->ModalResult, mrOk);

    Click(group[0]);
    EXPECT_TRUE(group[0]->Down());
    Click(group[1]);
    EXPECT_TRUE(group[1]->Down());
    EXPECT_FALSE(group[0]->Down());
    Click(group[1]);  // a down button stays down
    EXPECT_TRUE(group[1]->Down());
    EXPECT_EQ(group[1]->State(), rbsExclusive);
    group[1]->SetAllowAllUp(true);  // told to the group
    EXPECT_TRUE(group[2]->AllowAllUp());
    Click(group[1]);
    EXPECT_FALSE(group[0]->Down() || group[1]->Down() || group[2]->Down());
    group[2]->SetDown(true);
    EXPECT_TRUE(group[2]->Down());
    plain->SetDown(true);  // not in a group
    EXPECT_FALSE(plain->Down());
    Shot("speed-buttons-group");
}

TEST_F(SpeedButtons, HeldButtonRepeats) {
    TXcSpeedButton* repeat = Make(10, 10, "+");
    repeat->SetAllowTimer(true);
    std::vector<DWORD> clicks;
    repeat->OnClick = [&](TComponent*) { clicks.push_back(GetTickCount()); };
    ShowForm();
    DWORD pressed = 0;
    size_t held = 0;
    for (int attempt = 0; attempt < 5; ++attempt) {
        clicks.clear();
        ToFront();
        pressed = GetTickCount();
        if (HoldLeftButton(
                form->Handle(), POINT{15, 15}, [&] { return clicks.size() >= 3; },
                [&] { held = clicks.size(); }))
            break;
    }
    EXPECT_EQ(clicks.size(), held + 1);  // and once more on the release inside
    ASSERT_GE(clicks.size(), 4u);
    EXPECT_GE(clicks[0] - pressed, 450u);
    EXPECT_LT(clicks[0] - pressed, 2000u);
    for (size_t i = 1; i < held; ++i) {
        EXPECT_GE(clicks[i] - clicks[i - 1], 80u) << i;
        EXPECT_LT(clicks[i] - clicks[i - 1], 1000u) << i;
    }
}

TEST_F(SpeedButtons, FlatGrayUntilHoveredDisabledEmbossedListsShared) {
    TXcSpeedButton* flat = Make(10, 10);
    flat->SetFlat(true);
    flat->SetGlyph(&glyph);
    TXcSpeedButton* plain = Make(50, 10);
    plain->SetGlyph(&glyph);
    TXcSpeedButton* disabled = Make(90, 10);
    disabled->SetGlyph(&glyph);
    disabled->SetEnabled(false);
    TXcSpeedButton* captioned = Make(130, 10, "OK");
    captioned->SetBounds(130, 10, 60, 25);
    captioned->SetLayout(blGlyphLeft);
    captioned->SetGlyph(&glyph);
    ShowForm();

    const COLORREF face = GetSysColor(COLOR_BTNFACE), red = RGB(255, 0, 0);
    EXPECT_EQ(Pixel(plain, 12, 12), red);
    EXPECT_EQ(Pixel(flat, 12, 12), RGB(0x4C, 0x4C, 0x4C));  // gray while not hovered
    EXPECT_EQ(Pixel(flat, 0, 0), face);                       // and no frame
    Shot("speed-buttons-flat-inactive");
    PostMessageA(form->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(flat->Left() + 5, flat->Top() + 5));
    Pump();
    EXPECT_TRUE(flat->MouseInside());
    EXPECT_EQ(Pixel(flat, 12, 12), red);
    EXPECT_EQ(Pixel(flat, 0, 0), GetSysColor(COLOR_BTNHIGHLIGHT));
    Shot("speed-buttons-flat-hovered");

    // A disabled button with one glyph: its embossed shape, no colour of its own.
    bool shadow = false;
    for (int y = 5; y < 20; ++y)
        for (int x = 5; x < 20; ++x) {
            EXPECT_NE(Pixel(disabled, x, y), red);
            shadow |= Pixel(disabled, x, y) == GetSysColor(COLOR_BTNSHADOW);
        }
    EXPECT_TRUE(shadow);

    // Glyphs of one size share one image list.
    int a = -1, b = -1;
    HIMAGELIST first = plain->ButtonGlyph()->StateImage(rbsUp, a);
    HIMAGELIST second = captioned->ButtonGlyph()->StateImage(rbsUp, b);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    EXPECT_NE(a, b);
}

// New system colours drop the state images (made again at the next paint); the dither
// pattern of exclusive buttons goes with the last button.
TEST_F(SpeedButtons, SystemColoursRemakeTheImagesAndTheLastButtonTakesThePattern) {
    TXcSpeedButton* b = Make(10, 10);
    b->SetGlyph(&glyph);
    TXcSpeedButton* down = Make(40, 10, "x");
    down->SetGroupIndex(2);
    down->SetDown(true);
    ShowForm();
    UpdateWindow(form->Handle());
    EXPECT_TRUE(b->ButtonGlyph()->HasStateImages());
    EXPECT_TRUE(TXcSpeedButton::SharedBrushExists());
    SendMessageA(form->Handle(), WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_FALSE(b->ButtonGlyph()->HasStateImages());
    UpdateWindow(form->Handle());
    EXPECT_TRUE(b->ButtonGlyph()->HasStateImages());
    EXPECT_TRUE(TXcSpeedButton::SharedBrushExists());
    delete b;
    EXPECT_TRUE(TXcSpeedButton::SharedBrushExists());
    delete down;
    EXPECT_FALSE(TXcSpeedButton::SharedBrushExists());
}

}  // namespace
