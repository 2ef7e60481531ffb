// Colour and font combo boxes under real windows: the swatches are the console palette's
// colours, a colour outside it is kept, the fixed-pitch font list holds only fixed-pitch
// faces, a font name the list lacks is kept, and a font change refills the list.
#include <windows.h>

#include <string>

#include "ControlKit.h"
#include "controls/XcCombos.h"
#include "framework/core/SysUtils.h"

using namespace uitest;

namespace {

#define K_NANUM_GOTHIC_CODING "\xB3\xAA\xB4\xAE\xB0\xED\xB5\xF1\xC4\xDA\xB5\xF9"

class Combos : public ControlForm {
public:
    void SetUp() override {
        ControlForm::SetUp();
        colors = new TColorComboBox(form);
        colors->SetParent(form);
        colors->SetBounds(10, 10, 150, 21);
        colors->SetDropDownCount(16);
        colors->OnChange = [this](TComponent*) { ++colorChanges; };
        editable = new TColorComboBox(form);
        editable->SetParent(form);
        editable->SetStyle(csDropDown);
        editable->SetBounds(200, 10, 150, 21);
        fonts = new TFontComboBox(form);
        fonts->SetParent(form);
        fonts->SetOptions(FontListOption(foFixedPitchOnly));
        fonts->SetBounds(200, 50, 200, 21);
        fonts->OnChange = [this](TComponent*) { ++fontChanges; };
        ShowForm();
    }
    static std::string ItemText(HWND combo, int i) {
        char buf[256] = {};
        SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
        return buf;
    }
    TColorComboBox* colors = nullptr;
    TColorComboBox* editable = nullptr;
    TFontComboBox* fonts = nullptr;
    int colorChanges = 0, fontChanges = 0;
};

TEST_F(Combos, ColourSwatchesAreThePalettesColours) {
    HWND combo = colors->Handle();
    ASSERT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 16);
    EXPECT_EQ(ItemText(combo, 0), "Black");
    EXPECT_EQ(ItemText(combo, 15), "White");
    colors->SetColorValue(clRed);
    SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetComboBoxInfo(combo, &info));
    for (int i = 0; i < 16; ++i) {
        SendMessageA(info.hwndList, LB_SETTOPINDEX, static_cast<WPARAM>(i), 0);
        UpdateWindow(info.hwndList);
        RECT item{};
        SendMessageA(info.hwndList, LB_GETITEMRECT, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&item));
        auto want = static_cast<COLORREF>(SendMessageA(combo, CB_GETITEMDATA, i, 0));
        // The swatch's middle, and its outline 2 pixels in from the item's left edge.
        EXPECT_EQ(PixelAt(info.hwndList, item.left + 13, (item.top + item.bottom) / 2), want)
            << i;
        EXPECT_EQ(PixelAt(info.hwndList, item.left + 2, (item.top + item.bottom) / 2),
                  GetSysColor(COLOR_WINDOWTEXT))
            << i;
    }
    SendMessageA(info.hwndList, LB_SETTOPINDEX, 0, 0);
    Shot("color-combo-dropped");
    SendMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);
    Pump();
}

TEST_F(Combos, ColoursInAndOutsideTheList) {
    HWND combo = colors->Handle();
    colors->SetColorValue(clRed);
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 9);
    EXPECT_EQ(colorChanges, 1);
    colors->SetColorValue(clRed);  // already selected: no change
    EXPECT_EQ(colorChanges, 1);
    colors->SetColorValue(0x123456);  // not one of the 16
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(colors->ColorValue(), 0x123456);
    EXPECT_EQ(colorChanges, 2);

    // Chosen by the user: the value follows.
    SendMessageA(combo, CB_SETCURSEL, 4, 0);
    SendMessageA(form->Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
    EXPECT_EQ(colors->ColorValue(), clNavy);
    EXPECT_EQ(colorChanges, 3);

    // An editable one shows a colour it lacks by name and reads a typed name back.
    editable->SetColorValue(0x00123456);
    char text[64] = {};
    GetWindowTextA(editable->Handle(), text, sizeof text);
    EXPECT_STREQ(text, "$00123456");
    int typed = 0;
    editable->OnChange = [&](TComponent*) { ++typed; };
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetComboBoxInfo(editable->Handle(), &info));
    SetWindowTextA(info.hwndItem, "");
    for (char c : std::string("teal")) PostMessageA(info.hwndItem, WM_CHAR, c, 1);
    Pump();
    EXPECT_EQ(editable->ColorValue(), clTeal);
    EXPECT_EQ(typed, 1);  // once the value changed
}

TEST_F(Combos, FixedPitchFontsOnlyAndNamesKept) {
    HWND combo = fonts->Handle();
    int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    ASSERT_GT(count, 0);
    std::string coding;  // the Korean face's name as the system lists it
    HDC dc = GetDC(nullptr);
    for (int i = 0; i < count; ++i) {
        std::string name = ItemText(combo, i);
        if (name == "NanumGothicCoding" || name == K_NANUM_GOTHIC_CODING) coding = name;
        // Each face, made and measured: fixed pitch (the flag is set for variable pitch).
        LOGFONTA lf{};
        lf.lfHeight = -12;
        lf.lfCharSet = DEFAULT_CHARSET;
        lstrcpynA(lf.lfFaceName, name.c_str(), LF_FACESIZE);
        HFONT font = CreateFontIndirectA(&lf);
        HGDIOBJ old = SelectObject(dc, font);
        TEXTMETRICA tm{};
        GetTextMetricsA(dc, &tm);
        SelectObject(dc, old);
        DeleteObject(font);
        EXPECT_EQ(tm.tmPitchAndFamily & TMPF_FIXED_PITCH, 0) << name;
    }
    ReleaseDC(nullptr, dc);
    ASSERT_FALSE(coding.empty()) << "the Korean fixed-pitch font of setup";
    EXPECT_EQ(fonts->Items()->IndexOf("NanumGothic"), -1);  // proportional

    fonts->SetFontName(AnsiLowerCase(coding));  // the listed face, in any case
    EXPECT_EQ(fontChanges, 1);
    EXPECT_EQ(fonts->FontName(), coding);
    EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), count);
    const std::string chosen = coding;

    // A font change fills the list again (the stray item goes) and keeps the choice.
    fonts->Items()->Add("Zz stray item");
    SendMessageA(form->Handle(), WM_FONTCHANGE, 0, 0);
    EXPECT_EQ(fonts->Items()->IndexOf("Zz stray item"), -1);
    EXPECT_EQ(fonts->FontName(), chosen);
    EXPECT_EQ(fontChanges, 1);

    // A face the list lacks is kept: what reads it back gets the name, not "".
    fonts->SetFontName("NanumGothic");
    EXPECT_EQ(fonts->FontName(), "NanumGothic");
    EXPECT_GE(SendMessageA(combo, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(fontChanges, 2);
    SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
    Pump();
    Shot("font-combo-dropped");
    SendMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);
}

}  // namespace
