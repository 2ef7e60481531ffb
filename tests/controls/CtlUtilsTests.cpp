// Control utilities on real bitmaps, resources, cursors and windows, read back pixel by
// pixel where they draw.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "controls/CtlUtils.h"
#include "controls/StrUtils.h"
#include "controls/XcConst.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"

namespace {

TColor PixelOf(TBitmap& b, int x, int y) {
    GdiFlush();
    const auto* p = static_cast<const uint8_t*>(b.ScanLine(y)) + x * 4;
    return static_cast<TColor>(p[2] | (p[1] << 8) | (p[0] << 16));
}

void Fill(TBitmap& b, int w, int h, TColor color) {
    b.SetPixelFormat(pf32bit);
    b.SetSize(w, h);
    b.Canvas()->Brush()->SetColor(color);
    b.Canvas()->FillRect(RECT{0, 0, w, h});
}

// A 4 x 4 picture in the key colour with a red diagonal and a green bottom-left corner.
void MakePicture(TBitmap& pic, TColor key) {
    Fill(pic, 4, 4, key);
    for (int i = 0; i < 4; ++i) pic.Canvas()->SetPixel(i, i, clRed);
    pic.Canvas()->SetPixel(0, 3, clLime);
}

TEST(TransparentDrawing, KeyColourPixelsLeaveTheFillAlone) {
    TBitmap pic;
    MakePicture(pic, clFuchsia);
    TBitmap dest;
    Fill(dest, 8, 8, clNavy);
    DrawBitmapTransparent(dest.Canvas(), 2, 2, &pic, clFuchsia);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const int px = x - 2, py = y - 2;
            TColor want = clNavy;
            if (px >= 0 && px < 4 && py >= 0 && py < 4) {
                if (px == py)
                    want = clRed;
                else if (px == 0 && py == 3)
                    want = clLime;
            }
            EXPECT_EQ(PixelOf(dest, x, y), want) << x << "," << y;
        }
    // Stretched twice as large: every source pixel becomes a 2 x 2 block.
    Fill(dest, 8, 8, clNavy);
    StretchBitmapRectTransparent(dest.Canvas(), 0, 0, 8, 8, RECT{0, 0, 4, 4}, &pic, clFuchsia);
    EXPECT_EQ(PixelOf(dest, 3, 3), clRed);
    EXPECT_EQ(PixelOf(dest, 5, 1), clNavy);
    EXPECT_EQ(PixelOf(dest, 1, 7), clLime);
    // clDefault leaves out the bottom-left colour (green here); clNone draws everything.
    Fill(dest, 4, 4, clNavy);
    DrawBitmapTransparent(dest.Canvas(), 0, 0, &pic, clDefault);
    EXPECT_EQ(PixelOf(dest, 0, 3), clNavy);
    EXPECT_EQ(PixelOf(dest, 1, 0), clFuchsia);
    DrawBitmapTransparent(dest.Canvas(), 0, 0, &pic, clNone);
    EXPECT_EQ(PixelOf(dest, 0, 3), clLime);
}

TEST(DisabledDrawing, ShapeInShadowOverItsHighlightOnTheBackColour) {
    // A 2 x 2 black square at (1, 1) on a white outline colour.
    TBitmap pic;
    Fill(pic, 5, 5, clWhite);
    for (int y = 1; y <= 2; ++y)
        for (int x = 1; x <= 2; ++x) pic.Canvas()->SetPixel(x, y, clBlack);
    for (bool highlight : {true, false}) {
        auto disabled =
            CreateDisabledBitmapEx(&pic, clWhite, clSilver, clYellow, clGray, highlight);
        disabled->SetPixelFormat(pf32bit);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 5; ++x) {
                const bool shape = x >= 1 && x <= 2 && y >= 1 && y <= 2;
                const bool below = x >= 2 && x <= 3 && y >= 2 && y <= 3;
                TColor want = shape ? clGray : (below && highlight ? clYellow : clSilver);
                EXPECT_EQ(PixelOf(*disabled, x, y), want) << x << "," << y << " " << highlight;
            }
    }
    // The checkered brush pattern: colour 2 where row and column have the same parity.
    auto pattern = CreateTwoColorsBrushPattern(clBlack, clWhite);
    pattern->SetPixelFormat(pf32bit);
    EXPECT_EQ(PixelOf(*pattern, 2, 4), clWhite);
    EXPECT_EQ(PixelOf(*pattern, 3, 4), clBlack);
}

TEST(GradientFill, BandsReachTheCanvas) {
    TBitmap dest;
    Fill(dest, 4, 10, clWhite);
    GradientFillRect(dest.Canvas(), RECT{0, 0, 4, 10}, clBlack, clRed, fdTopToBottom, 3);
    EXPECT_EQ(PixelOf(dest, 0, 0), clBlack);
    EXPECT_EQ(PixelOf(dest, 3, 4), 0x000080);
    EXPECT_EQ(PixelOf(dest, 1, 9), clRed);
}

TEST(Resources, MissingOnesNameThemselvesAndCursorsGetTheirPlaces) {
    TApplication app;
    InitXcControls();
    auto message = [](auto&& load) {
        try {
            load();
        } catch (const EResNotFound& e) {
            return e.Message;
        }
        return std::string("loaded");
    };
    EXPECT_EQ(message([] { MakeBitmap("NOSUCHBITMAP"); }), "Resource NOSUCHBITMAP not found");
    EXPECT_EQ(message([] { MakeBitmapID(4711); }), "Resource 4711 not found");
    EXPECT_EQ(message([] { DefineCursor(GetModuleHandleA(nullptr), "NOSUCHCURSOR"); }),
              "Resource NOSUCHCURSOR not found");
    // 32760: the system's check mark.
    EXPECT_EQ(message([] { MakeModuleBitmap(nullptr, MAKEINTRESOURCEA(32760)); }), "loaded");
    EXPECT_EQ(MakeIcon("NOSUCHICON"), nullptr);
    EXPECT_EQ(LoadAniCursor(GetModuleHandleA(nullptr), "NOSUCHCURSOR"), nullptr);

    // The library's own cursors, from the program's resources: the hand points with the
    // tip of its finger.
    HCURSOR hand = LoadCursorA(GetModuleHandleA(nullptr), "XC_HANDCUR");
    ASSERT_NE(hand, nullptr);
    EXPECT_EQ(Screen->Cursors(crXcHand), hand);
    EXPECT_NE(Screen->Cursors(crXcDrag), Screen->Cursors(crArrow));
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(hand, &info));
    EXPECT_EQ(info.xHotspot * 100 + info.yHotspot, 600u);
    DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    const TCursor first = DefineCursor(GetModuleHandleA(nullptr), "XC_DRAGCUR");
    const TCursor second = DefineCursor(GetModuleHandleA(nullptr), "XC_DRAGCUR");
    EXPECT_GE(first, 100);
    EXPECT_EQ(second, first + 1);
    Screen->SetCursors(first, nullptr);
    Screen->SetCursors(second, nullptr);
}

TEST(WaitCursor, NestsAndExtraStopsChangeNothing) {
    Screen->SetCursor(crIBeam);
    StartWait();
    StartWait();
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
    StopWait();
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
    StopWait();
    EXPECT_EQ(Screen->Cursor(), crIBeam);
    StopWait();
    EXPECT_EQ(Screen->Cursor(), crIBeam);
    Screen->SetCursor(crDefault);
}

TEST(Windows, CentringKeepsTheWindowOnTheScreenAndEdgesCount) {
    TApplication app;
    TForm form(nullptr);
    form.SetBounds(10, 10, 200, 100);
    HWND h = form.Handle();
    CenterWindow(h);
    RECT r;
    GetWindowRect(h, &r);
    EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 200) / 2);
    EXPECT_EQ(WidthOf(r), 200);
    SetWindowPos(h, nullptr, 0, 0, GetSystemMetrics(SM_CXSCREEN) + 50, 100, SWP_NOZORDER);
    CenterWindow(h);
    GetWindowRect(h, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(WindowClassName(h), "QuiroForm");
    EXPECT_TRUE(PointInRect(POINT{10, 20}, RECT{0, 0, 10, 20}));
    EXPECT_FALSE(PointInRect(POINT{11, 20}, RECT{0, 0, 10, 20}));
    const POINT triangle[] = {{0, 0}, {10, 0}, {0, 10}};
    EXPECT_TRUE(PointInPolyRgn(POINT{2, 2}, triangle, 3));
    EXPECT_FALSE(PointInPolyRgn(POINT{8, 8}, triangle, 3));
}

TEST(Memory, BlocksAreZeroFilledAndKeepTheirBytes) {
    EXPECT_EQ(AllocMemo(0), nullptr);
    void* block = AllocMemo(16);
    ASSERT_NE(block, nullptr);
    EXPECT_GE(GetMemoSize(block), 16);
    EXPECT_TRUE(CompareMem(block, std::string(16, '\0').data(), 16));
    std::memcpy(block, "0123456789abcdef", 16);
    block = ReallocMemo(block, 64);
    ASSERT_NE(block, nullptr);
    EXPECT_TRUE(CompareMem(block, "0123456789abcdef", 16));
    EXPECT_TRUE(CompareMem(static_cast<char*>(block) + 16, std::string(48, '\0').data(), 48));
    FreeMemo(block);
    EXPECT_EQ(block, nullptr);
    EXPECT_EQ(GetMemoSize(block), 0);
    FreeMemo(block);  // twice: nothing
}

// Only the main window of a program on this framework is activated; a window of another
// kind with the title is left alone.
TEST(Windows, EarlierInstanceIsTheFrameworksMainWindow) {
    TApplication app;
    const std::string title = "Earlier instance " + std::to_string(GetCurrentProcessId());
    HWND other = CreateWindowExA(0, "STATIC", title.c_str(), WS_POPUP, 0, 0, 10, 10, nullptr,
                                 nullptr, nullptr, nullptr);
    EXPECT_FALSE(ActivatePrevInstance("", title));
    DestroyWindow(other);
    auto* form = app.CreateForm<TForm>();
    form->SetCaption(title);
    form->SetBounds(30, 30, 200, 100);
    form->Show();
    ShowWindow(form->Handle(), SW_MINIMIZE);
    EXPECT_TRUE(ActivatePrevInstance("QuiroForm", title));
    EXPECT_FALSE(IsIconic(form->Handle()));
    EXPECT_FALSE(ActivatePrevInstance("", ""));
}

TEST(Win32Errors, CodeAndSystemText) {
    try {
        RaiseWin32Error(ERROR_FILE_NOT_FOUND);
        ADD_FAILURE();
    } catch (const EWin32Error& e) {
        EXPECT_EQ(e.ErrorCode, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
        EXPECT_EQ(e.Message.rfind("Win32 Error.  Code: 2.\n", 0), 0u);
        EXPECT_GT(e.Message.size(), 24u);
    }
    EXPECT_NO_THROW(RaiseWin32Error(0));
    EXPECT_THROW(LoadDLL("no-such-library.dll"), EWin32Error);
    EXPECT_EQ(CompText("abc", "ABC"), 0);
    EXPECT_EQ(CompStr("a", "b"), -1);
    EXPECT_EQ(OemToAnsiStr(StrToOem("plain text")), "plain text");
}

}  // namespace

namespace {

TEST(Windows, MergedFormIsAFramelessChildOfTheControl) {
    TApplication app;
    auto* host = app.CreateForm<TForm>();
    host->SetBounds(60, 60, 400, 300);
    auto* dock = new TPanel(host);
    dock->SetParent(host);
    dock->SetBounds(20, 30, 200, 150);
    dock->SetBevelOuter(bvNone);
    host->Show();
    auto* docked = new TForm(host);
    docked->SetBounds(0, 0, 120, 80);
    MergeForm(dock, docked, alClient, true);
    EXPECT_EQ(GetParent(docked->Handle()), dock->Handle());
    EXPECT_TRUE(GetWindowLongA(docked->Handle(), GWL_STYLE) & WS_CHILD);
    EXPECT_FALSE(GetWindowLongA(docked->Handle(), GWL_STYLE) & WS_CAPTION);
    EXPECT_TRUE(IsWindowVisible(docked->Handle()));
    EXPECT_EQ(docked->Width(), dock->ClientWidth());
    EXPECT_EQ(docked->Height(), dock->ClientHeight());

    auto* placed = new TForm(host);
    placed->SetBounds(5, 6, 50, 40);
    MergeForm(host, placed, alNone, false);  // at its place plus the control's
    EXPECT_EQ(GetParent(placed->Handle()), host->Handle());
    EXPECT_FALSE(IsWindowVisible(placed->Handle()));
    EXPECT_EQ(placed->Left(), 5 + host->Left());
}

}  // namespace
