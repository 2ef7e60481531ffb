// One form with one of every control of the library, as the settings dialog and the address
// book will hold them: each one draws something in its own place (not an empty face), and
// the form is kept as a picture (build/win32/artifacts/controls/demo-form.bmp).
#include <windows.h>

#include <cstdint>
#include <set>
#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

#include "ControlKit.h"
#include "controls/ComboEdit.h"
#include "controls/DateEdit.h"
#include "controls/DatePick.h"
#include "controls/FileEdit.h"
#include "controls/XcButtons.h"
#include "controls/XcCombos.h"
#include "controls/XcCtrls.h"
#include "controls/XcLabel.h"
#include "controls/XcSecret.h"
#include "controls/XcSpin.h"

using namespace uitest;

namespace {

#define K_HOSTNAME "\xC8\xA3\xBD\xBA\xC6\xAE\xB8\xED"  // host name
#define K_HANGUL "\xC7\xD1\xB1\xDB"                  // Hangul

class ControlsDemo : public ControlForm {
public:
    template <class T>
    T* Put(int x, int y, int w, int h) {
        auto* c = new T(form);
        c->SetParent(form);
        c->SetBounds(x, y, w, h);
        placed.push_back({typeid(T).name(), RECT{x, y, x + w, y + h}});
        return c;
    }
    // How many colours the form's client area shows inside `r` (a sample of its pixels,
    // from one copy of the screen: pixel by pixel the system may ask the display each time).
    int ColoursIn(const RECT& r) {
        TBitmap copy;
        copy.SetPixelFormat(pf24bit);
        copy.SetSize(r.right - r.left, r.bottom - r.top);
        HDC dc = GetDC(form->Handle());
        BitBlt(copy.Canvas()->Handle(), 0, 0, copy.Width(), copy.Height(), dc, r.left, r.top,
               SRCCOPY);
        ReleaseDC(form->Handle(), dc);
        std::set<uint32_t> seen;
        for (int y = 1; y < copy.Height() - 1; y += 2) {
            auto* row = static_cast<uint8_t*>(copy.ScanLine(y));
            for (int x = 1; x < copy.Width() - 1; x += 2)
                seen.insert(row[x * 3] | (row[x * 3 + 1] << 8) | (row[x * 3 + 2] << 16));
        }
        return static_cast<int>(seen.size());
    }
    std::vector<std::pair<std::string, RECT>> placed;
};

TEST_F(ControlsDemo, EveryControlDrawsInItsPlace) {
    form->SetBounds(700, 560, 560, 420);

    auto* caption = Put<TXcLabel>(10, 10, 120, 20);
    caption->SetAutoSize(false);
    caption->SetCaption(K_HOSTNAME);
    caption->SetShadowPos(spRightBottom);
    caption->SetShadowColor(clGray);
    caption->Font()->SetStyle(fsBold);
    auto* margin = Put<TXcSpinEdit>(140, 8, 80, 21);
    margin->SetButtonKind(bkStandard);
    margin->SetMaxValue(99);
    margin->SetValue(12);
    auto* ratio = Put<TXcSpinEdit>(230, 8, 80, 23);
    ratio->SetValueType(vtFloat);
    ratio->SetValue(1.5);
    ratio->SetEnabled(false);
    auto* colour = Put<TColorComboBox>(320, 8, 110, 21);
    colour->SetColorValue(clTeal);
    auto* font = Put<TFontComboBox>(440, 8, 100, 21);
    font->SetOptions(FontListOption(foFixedPitchOnly));
    font->SetFontName("DejaVu Sans Mono");

    auto* hosts = Put<TTextListBox>(10, 40, 150, 90);
    hosts->SetColor(clInfoBk);
    for (const char* s : {"bbs.example.kr", K_HANGUL ".example.kr:23", "phone://0123"})
        hosts->Items()->Add(s);
    hosts->SetItemIndex(1);
    auto* checks = Put<TXcCheckListBox>(170, 40, 140, 90);
    for (const char* s : {"Echo", "Beep", K_HANGUL, "Log"}) checks->Items()->Add(s);
    checks->SetChecked(0, true);
    checks->SetState(2, cbGrayed);
    checks->SetItemEnabled(3, false);
    auto* calendar = Put<TXcCalendar>(320, 40, 220, 130);
    calendar->SetCalendarDate(EncodeDate(2024, 2, 29));

    TBitmap glyph;
    glyph.SetSize(16, 16);
    glyph.Canvas()->Brush()->SetColor(clFuchsia);
    glyph.Canvas()->FillRect(RECT{0, 0, 16, 16});
    glyph.Canvas()->Brush()->SetColor(clNavy);
    glyph.Canvas()->FillRect(RECT{3, 3, 13, 13});
    auto* open = Put<TXcSpeedButton>(10, 140, 70, 25);
    open->SetGlyph(&glyph);
    open->SetLayout(blGlyphLeft);
    open->SetCaption("Open");
    auto* down = Put<TXcSpeedButton>(85, 140, 25, 25);
    down->SetCaption("1");
    down->SetGroupIndex(1);
    down->SetDown(true);
    auto* off = Put<TXcSpeedButton>(115, 140, 25, 25);
    off->SetGlyph(&glyph);
    off->SetEnabled(false);

    auto* combo = Put<TComboEdit>(10, 180, 150, 21);
    combo->SetGlyphKind(gkEllipsis);
    combo->SetText("ellipsis");
    auto* file = Put<TFilenameEdit>(170, 180, 180, 21);
    file->SetText("C:\\Quiro\\capture.txt");
    auto* dir = Put<TDirectoryEdit>(360, 180, 180, 21);
    dir->SetText("C:\\Quiro\\down");
    dir->SetEnabled(false);
    auto* date = Put<TDateEdit>(360, 210, 180, 21);
    date->SetDate(EncodeDate(2024, 12, 25));

    auto* panel = Put<TSecretPanel>(10, 240, 530, 120);
    for (const char* s : {"Quiro 2", K_HANGUL " terminal"}) panel->Lines()->Add(s);
    auto* inside = new TXcLabel(panel);
    inside->SetParent(panel);
    inside->SetBounds(10, 10, 200, 20);
    inside->SetCaption("a panel at rest shows its children");
    ShowForm();

    for (auto& [kind, r] : placed)
        EXPECT_GT(ColoursIn(r), 2) << kind << " at " << r.left << "," << r.top;
    Shot("demo-form");
    date->DoClick();  // the calendar drops down over the panel
    ASSERT_TRUE(date->PopupVisible());
    Shot("demo-form-date-popup");
}

}  // namespace
