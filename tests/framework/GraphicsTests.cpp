// Canvas, bitmaps and windowless controls, checked by reading the pixels back.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "framework/Forms.h"
#include "framework/GraphicControl.h"
#include "framework/Graphics.h"
#include "framework/Screen.h"

namespace {

// Pixel (x, y) of a 32-bit DIB as 0x00BBGGRR, the layout TColor uses.
TColor PixelOf(TBitmap& b, int x, int y) {
    const auto* p = static_cast<const uint8_t*>(b.ScanLine(y)) + x * 4;
    return static_cast<TColor>(p[2] | (p[1] << 8) | (p[0] << 16));
}

// A monochrome 8 x 2 glyph: black (0 bits) at (1, 0) and (6, 1), white elsewhere.
void MakeGlyph(TBitmap& glyph) {
    glyph.SetMonochrome(true);
    glyph.SetSize(8, 2);
    glyph.Canvas()->SetPixel(1, 0, clBlack);
    glyph.Canvas()->SetPixel(6, 1, clBlack);
}

void ExpectGlyphIn(TBitmap& dest, TColor text, TColor back) {
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 8; ++x) {
            bool ink = (x == 1 && y == 0) || (x == 6 && y == 1);
            EXPECT_EQ(PixelOf(dest, x, y), ink ? text : back) << x << "," << y;
        }
}

TEST(Canvas, MonochromeGlyphTakesTheTextAndBackgroundColours) {
    TBitmap glyph;
    MakeGlyph(glyph);
    ASSERT_TRUE(glyph.Monochrome());

    TBitmap dest;
    dest.SetPixelFormat(pf32bit);
    dest.SetSize(8, 2);
    TCanvas* c = dest.Canvas();
    c->Font()->SetColor(clYellow);
    c->Brush()->SetColor(clNavy);
    RECT r{0, 0, 8, 2};
    c->CopyRect(r, glyph.Canvas(), r);
    ExpectGlyphIn(dest, clYellow, clNavy);

    // A plain block copy on the handle after RequireTools colours it the same way, also
    // after the colours changed (as the terminal does for every run).
    c->Font()->SetColor(clWhite);
    c->Brush()->SetColor(clMaroon);
    c->RequireTools();
    BitBlt(c->Handle(), 0, 0, 8, 2, glyph.Canvas()->Handle(), 0, 0, SRCCOPY);
    ExpectGlyphIn(dest, clWhite, clMaroon);

    // Draw shows a monochrome picture as it is.
    c->Draw(0, 0, &glyph);
    ExpectGlyphIn(dest, clBlack, clWhite);
}

TEST(Canvas, BrushCopyAndTransparentDrawLeaveOutOneColour) {
    TBitmap src;
    src.SetSize(4, 1);
    src.Canvas()->SetPixel(0, 0, clFuchsia);
    src.Canvas()->SetPixel(1, 0, clRed);
    src.Canvas()->SetPixel(2, 0, clFuchsia);
    src.Canvas()->SetPixel(3, 0, clLime);

    TBitmap dest;
    dest.SetSize(4, 1);
    dest.Canvas()->Brush()->SetColor(clTeal);
    RECT r{0, 0, 4, 1};
    dest.Canvas()->BrushCopy(r, &src, r, clFuchsia);
    std::vector<TColor> got;
    for (int x = 0; x < 4; ++x) got.push_back(PixelOf(dest, x, 0));
    EXPECT_EQ(got, (std::vector<TColor>{clTeal, clRed, clTeal, clLime}));

    dest.Canvas()->FillRect(r);  // teal everywhere
    dest.Canvas()->SetPixel(0, 0, clGray);
    src.Transparent = true;
    src.SetTransparentColor(clFuchsia);
    dest.Canvas()->Draw(0, 0, &src);
    got.clear();
    for (int x = 0; x < 4; ++x) got.push_back(PixelOf(dest, x, 0));
    EXPECT_EQ(got, (std::vector<TColor>{clGray, clRed, clTeal, clLime}));

    // tmAuto takes the bottom-left pixel.
    src.SetTransparentColor(clDefault);
    EXPECT_EQ(src.TransparentColor(), clFuchsia);
}

TEST(Bitmap, ResizeKeepsPixelsAndFormatsBehave) {
    TBitmap b;
    b.SetSize(2, 2);
    b.Canvas()->SetPixel(1, 1, clBlue);
    b.SetSize(3, 3);
    EXPECT_EQ(PixelOf(b, 1, 1), clBlue);
    EXPECT_EQ(PixelOf(b, 2, 2), clWhite);
    EXPECT_THROW(b.ScanLine(3), EInvalidGraphicOperation);

    b.SetPixelFormat(pf24bit);
    const auto* p = static_cast<const uint8_t*>(b.ScanLine(1)) + 3;
    EXPECT_EQ(p[0], 0xFF);  // blue byte first
    EXPECT_EQ(p[2], 0x00);

    b.SetMonochrome(true);  // non-white becomes black (0)
    EXPECT_THROW(b.ScanLine(0), EInvalidGraphicOperation);
    EXPECT_EQ(b.Canvas()->Pixels(1, 1), clBlack);
    EXPECT_EQ(b.Canvas()->Pixels(0, 0), clWhite);

    TBitmap copy;
    copy.Assign(&b);
    EXPECT_TRUE(copy.Monochrome());
    EXPECT_EQ(copy.Canvas()->Pixels(1, 1), clBlack);
}

TEST(Bitmap, MissingResourceNamesTheResource) {
    TBitmap b;
    try {
        b.LoadFromResourceName(GetModuleHandleA(nullptr), "NO_SUCH_BITMAP");
        FAIL() << "no exception";
    } catch (const EResNotFound& e) {
        EXPECT_EQ(e.Message, "Resource NO_SUCH_BITMAP not found");
    }
    EXPECT_THROW(b.LoadFromResourceID(GetModuleHandleA(nullptr), 4711), EResNotFound);
    EXPECT_TRUE(b.Empty());
}

TEST(Bitmap, FilesRoundTripInColourAndMonochrome) {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    std::string path = std::string(dir) + "quiro-bitmap-test.bmp";
    TBitmap colour;
    colour.SetSize(5, 3);  // an odd width: rows are padded in the file
    colour.Canvas()->SetPixel(4, 0, clRed);
    colour.Canvas()->SetPixel(0, 2, clBlue);
    colour.SaveToFile(path);
    TBitmap back;
    back.LoadFromFile(path);
    EXPECT_EQ(back.Width(), 5);
    EXPECT_EQ(back.Canvas()->Pixels(4, 0), clRed);
    EXPECT_EQ(back.Canvas()->Pixels(0, 2), clBlue);
    EXPECT_EQ(back.Canvas()->Pixels(1, 1), clWhite);

    TBitmap glyph;
    MakeGlyph(glyph);
    glyph.SaveToFile(path);
    back.LoadFromFile(path);
    EXPECT_TRUE(back.Monochrome());
    EXPECT_EQ(back.Canvas()->Pixels(1, 0), clBlack);
    EXPECT_EQ(back.Canvas()->Pixels(6, 0), clWhite);

    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fputs("not a bitmap", f);
    std::fclose(f);
    EXPECT_THROW(back.LoadFromFile(path), EInvalidGraphic);
    EXPECT_EQ(back.Width(), 8);  // unchanged
    DeleteFileA(path.c_str());
    EXPECT_THROW(back.LoadFromFile(path), EInvalidGraphic);
}

// The system's own modules hold bitmaps: a two-colour one from user32, a colour strip of
// tool images from comctl32.
TEST(Bitmap, LoadsMonochromeAndColourResources) {
    TBitmap mono;
    mono.LoadFromResourceID(GetModuleHandleA("user32.dll"), 32760);  // a window-frame glyph
    EXPECT_TRUE(mono.Monochrome());
    EXPECT_GT(mono.Width(), 0);

    HMODULE comctl = LoadLibraryA("comctl32.dll");
    ASSERT_TRUE(comctl);
    TBitmap strip;
    strip.LoadFromResourceID(comctl, 120);  // the small standard tool images
    ASSERT_FALSE(strip.Monochrome());
    EXPECT_EQ(strip.Height(), 16);
    // The rows ScanLine gives are the rows the canvas sees.
    int bytes = strip.PixelFormat() == pf24bit ? 3 : 4;
    int differing = 0;
    for (int y = 0; y < strip.Height(); ++y)
        for (int x = 0; x < strip.Width(); x += 7) {
            const auto* p = static_cast<const uint8_t*>(strip.ScanLine(y)) + x * bytes;
            TColor scan = static_cast<TColor>(p[2] | (p[1] << 8) | (p[0] << 16));
            differing += scan != strip.Canvas()->Pixels(x, y);
        }
    EXPECT_EQ(differing, 0);
}

TEST(Font, SizeFollowsPixelsPerInchAndChangesReachTheCanvas) {
    TFont f;
    EXPECT_EQ(f.PixelsPerInch(), Screen->PixelsPerInch());
    f.SetPixelsPerInch(96);
    f.SetSize(10);
    EXPECT_EQ(f.Height(), -13);
    EXPECT_EQ(f.Size(), 10);
    f.SetPixelsPerInch(120);
    f.SetSize(9);
    EXPECT_EQ(f.Height(), -15);
    int changes = 0;
    f.OnChange = [&](TGraphicsObject*) { ++changes; };
    f.SetStyle(fsBold | fsItalic);
    f.SetStyle(fsBold | fsItalic);  // no change, no notice
    EXPECT_EQ(changes, 1);

    TBitmap b;
    b.SetSize(200, 50);
    TCanvas* c = b.Canvas();
    c->Font()->SetHeight(-10);
    int small = c->TextHeight("Wg");
    c->Font()->SetHeight(-30);  // the selected font is replaced
    EXPECT_GT(c->TextHeight("Wg"), small);
    EXPECT_EQ(ColorToRGB(clBtnFace), static_cast<TColor>(GetSysColor(COLOR_BTNFACE)));
}

class Box : public TPaintBox {
public:
    using TPaintBox::TPaintBox;
    std::vector<std::string> log;
    void WndProc(TMessage& m) override {
        POINT p{static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam))};
        if (m.Msg == WM_LBUTTONDOWN) log.push_back("down " + std::to_string(p.x) + "," + std::to_string(p.y));
        if (m.Msg == WM_LBUTTONUP) log.push_back("up " + std::to_string(p.x) + "," + std::to_string(p.y));
        if (m.Msg == WM_MOUSEMOVE) log.push_back("move " + std::to_string(p.x) + "," + std::to_string(p.y));
        if (m.Msg == CM_MOUSEENTER) log.push_back("enter");
        if (m.Msg == CM_MOUSELEAVE) log.push_back("leave");
        TPaintBox::WndProc(m);
    }
};

Box* AddBox(TForm* form, int x, int y, int w, int h) {
    auto* box = new Box(form);
    box->SetParent(form);
    box->SetBounds(x, y, w, h);
    return box;
}

TEST(GraphicControl, PaintsInsideTheParentsPaintAtItsPlace) {
    TApplication app;
    auto* form = app.CreateForm<TForm>();
    auto* a = AddBox(form, 2, 1, 3, 2);
    a->OnPaint = [&](TComponent*) {
        a->Canvas()->Brush()->SetColor(clRed);
        a->Canvas()->FillRect(RECT{-10, -10, 100, 100});  // clipped to the control
    };
    auto* b = AddBox(form, 4, 1, 2, 1);  // overlaps a, painted after it
    b->OnPaint = [&](TComponent*) {
        b->Canvas()->Brush()->SetColor(clBlue);
        b->Canvas()->FillRect(RECT{0, 0, 2, 1});
    };
    form->HandleNeeded();

    TBitmap surface;
    surface.SetSize(8, 4);
    form->PaintControls(surface.Canvas()->Handle());
    std::vector<std::string> rows;
    for (int y = 0; y < 4; ++y) {
        std::string row;
        for (int x = 0; x < 8; ++x) {
            TColor c = PixelOf(surface, x, y);
            row += c == clRed ? 'r' : c == clBlue ? 'b' : c == clWhite ? '.' : '?';
        }
        rows.push_back(row);
    }
    EXPECT_EQ(rows, (std::vector<std::string>{"........", "..rrbb..", "..rrr...", "........"}));
}

// A failing paint handler reaches the application, and the context it painted into gets
// its origin and clipping back.
TEST(GraphicControl, FailingPaintRestoresTheContext) {
    TApplication app;
    std::vector<std::string> errors;
    app.OnException = [&](TComponent*, std::exception_ptr e) {
        errors.push_back(TApplication::ExceptionMessage(e));
    };
    auto* form = app.CreateForm<TForm>();
    form->SetBounds(0, 0, 200, 150);
    auto* bad = AddBox(form, 10, 10, 20, 20);
    bad->OnPaint = [](TComponent*) { throw Exception("paint failed"); };
    form->Show();
    HWND h = form->Handle();
    InvalidateRect(h, nullptr, TRUE);
    UpdateWindow(h);
    EXPECT_EQ(errors, std::vector<std::string>{"paint failed"});

    TBitmap surface;
    surface.SetSize(40, 40);
    HDC dc = surface.Canvas()->Handle();
    EXPECT_THROW(form->PaintControls(dc), Exception);
    POINT origin{-1, -1};
    GetViewportOrgEx(dc, &origin);
    EXPECT_EQ(origin.x, 0);
    EXPECT_EQ(origin.y, 0);
    form->Hide();
}

TEST(GraphicControl, MouseGoesToTheControlUnderItAndStaysWithAPress) {
    TApplication app;
    auto* form = app.CreateForm<TForm>();
    auto* a = AddBox(form, 10, 10, 20, 20);
    auto* top = AddBox(form, 25, 25, 10, 10);
    auto* off = AddBox(form, 50, 50, 10, 10);
    off->SetEnabled(false);
    form->HandleNeeded();

    form->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(12, 13));
    form->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(12, 13));
    form->Perform(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, 100));  // outside: still a's
    form->Perform(WM_LBUTTONUP, 0, MAKELPARAM(5, 100));
    form->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(27, 27));           // the topmost of two
    form->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(55, 55));  // disabled: nobody
    EXPECT_EQ(a->log, (std::vector<std::string>{"enter", "move 2,3", "down 2,3", "leave",
                                                "move -5,90", "up -5,90"}));
    EXPECT_EQ(top->log, (std::vector<std::string>{"enter", "move 2,2"}));
    EXPECT_TRUE(off->log.empty());
    delete top;  // a freed control is forgotten by its parent
    form->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(27, 27));
    EXPECT_EQ(a->log.back(), "move 17,17");
}

}  // namespace
