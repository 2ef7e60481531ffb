// The console text renderer on Win32: the built-in fonts from the resources, PaintText
// against the composer's image, the Windows-font path through code page 949, and the
// composition spot.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engines/core/DravelHanguel.h"
#include "engines/core/GlyphComposer.h"
#include "engines/core/MonoImage.h"
#include "framework/Graphics.h"

namespace {

// A 32-bit top-down DIB section in a memory context, with a canvas drawing on it.
class Surface {
public:
    Surface(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        bits_ = static_cast<uint32_t*>(bits);
        old_ = SelectObject(dc_, bitmap_);
        canvas_.SetHandle(dc_);
    }
    ~Surface() {
        canvas_.SetHandle(nullptr);
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    bool Ok() const { return bits_ != nullptr; }
    TCanvas* Canvas() { return &canvas_; }
    HDC Dc() const { return dc_; }
    void Fill(COLORREF c) {
        GdiFlush();
        for (int i = 0; i < width_ * height_; ++i) bits_[i] = ToPixel(c);
    }
    COLORREF At(int x, int y) const {
        GdiFlush();
        const uint32_t p = bits_[y * width_ + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    int Width() const { return width_; }
    int Height() const { return height_; }
    bool SameAs(const Surface& other) const {
        GdiFlush();
        return std::equal(bits_, bits_ + width_ * height_, other.bits_);
    }

private:
    static uint32_t ToPixel(COLORREF c) {
        return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    }
    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    uint32_t* bits_ = nullptr;
    TCanvas canvas_;
};

// The fonts as the build wrote them, read from the files rather than the resources.
MonoImage FontFile(const char* name) {
    std::ifstream in(std::string(QUIRO_BINARY_DIR) + "/fonts/" + name + ".bmp", std::ios::binary);
    std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
    MonoImage image;
    std::string error;
    EXPECT_TRUE(DecodeMonoDib(data.data(), data.size(), image, &error)) << name << ": " << error;
    return image;
}

const BitmapFontSet& FontFiles() {
    static const BitmapFontSet fonts{FontFile("FontASCII"), FontFile("FontKSC5601"),
                                     FontFile("FontHanja")};
    return fonts;
}

void SetColours(TCanvas* canvas, TColor text, TColor background) {
    canvas->Font()->SetColor(text);
    canvas->Brush()->SetColor(background);
}

// Checks that the w x h area at (x, y) shows `image` in the two colours, pixel for pixel.
::testing::AssertionResult ShowsImage(const Surface& s, int x, int y, const MonoImage& image,
                                      COLORREF ink, COLORREF paper) {
    for (int py = 0; py < image.Height(); ++py)
        for (int px = 0; px < image.Width(); ++px) {
            const COLORREF want = image.Ink(px, py) ? ink : paper;
            const COLORREF got = s.At(x + px, y + py);
            if (got != want)
                return ::testing::AssertionFailure() << "pixel (" << px << ", " << py << ") is "
                                                     << std::hex << got << ", not " << want;
        }
    return ::testing::AssertionSuccess();
}

// Checks that nothing outside the area was touched.
::testing::AssertionResult OnlyInside(const Surface& s, const RECT& area, COLORREF fill) {
    for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x) {
            if (x >= area.left && x < area.right && y >= area.top && y < area.bottom) continue;
            if (s.At(x, y) != fill)
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << ") outside the text was drawn";
        }
    return ::testing::AssertionSuccess();
}

constexpr COLORREF kFill = RGB(0x12, 0x34, 0x56);  // none of the colours drawn

}  // namespace

TEST(TextRendererFonts, LoadFromTheProgramsResourcesAndFree) {
    TDravelHanguel h;
    ASSERT_EQ(h.LoadBitmapFonts(nullptr), 1) << h.BitmapFontError();
    EXPECT_EQ(h.AreBitmapFontsLoaded(), 1);
    EXPECT_EQ(h.IsAutomatonActive(), 1);
    // The resources are the fonts the build generated, bit for bit.
    EXPECT_EQ(h.BitmapFonts().ascii.Bits(), FontFiles().ascii.Bits());
    EXPECT_EQ(h.BitmapFonts().ksc5601.Bits(), FontFiles().ksc5601.Bits());
    EXPECT_EQ(h.BitmapFonts().hanja.Bits(), FontFiles().hanja.Bits());
    EXPECT_EQ(h.LoadBitmapFonts(nullptr), 1);  // already loaded

    h.FreeBitmapFonts();
    EXPECT_EQ(h.AreBitmapFontsLoaded(), 0);
    EXPECT_TRUE(h.BitmapFonts().ascii.Empty());
    EXPECT_EQ(h.IsAutomatonActive(), 0);
}

TEST(TextRendererFonts, AModuleWithoutTheFontsFailsAndChangesNothing) {
    TDravelHanguel h;
    EXPECT_EQ(h.LoadBitmapFonts(GetModuleHandleA("kernel32.dll")), 0);
    EXPECT_NE(h.BitmapFontError().find("FontASCII"), std::string::npos) << h.BitmapFontError();
    EXPECT_EQ(h.AreBitmapFontsLoaded(), 0);
    EXPECT_EQ(h.IsAutomatonActive(), 0);
}

TEST(TextRendererPaint, EachRunTakesItsOwnColours) {
    // A line painted as the terminal does: one call per run of equal colours. Which cell
    // each byte shows is the composer's table (GlyphComposerTests).
    TDravelHanguel h;
    ASSERT_EQ(h.LoadBitmapFonts(nullptr), 1) << h.BitmapFontError();
    const GlyphComposer composer(FontFiles());
    struct Run {
        std::string text;
        TColor fg, bg;
    } runs[] = {{"ls -l ", clSilver, clBlack},
                {"\xC7\xD1\xB1\xDB", clWhite, clMaroon},
                {"[\xC1\xA4]", clLime, clBlue},
                {"ok", clBlack, clWhite}};
    Surface s(200, 16);
    ASSERT_TRUE(s.Ok());
    s.Fill(kFill);
    int x = 0;
    for (const Run& r : runs) {
        SetColours(s.Canvas(), r.fg, r.bg);
        h.PaintText(s.Canvas(), x, 0, r.text);
        x += static_cast<int>(r.text.size()) * 8;
    }
    x = 0;
    for (const Run& r : runs) {
        SCOPED_TRACE(r.text);
        MonoImage want;
        composer.ComposeLine(r.text, want);
        EXPECT_TRUE(ShowsImage(s, x, 0, want, ColorToGdi(r.fg), ColorToGdi(r.bg)));
        x += want.Width();
    }
    EXPECT_TRUE(OnlyInside(s, RECT{0, 0, x, 16}, kFill));
}

// The Windows-font path needs a font with Hangul: NanumGothicCoding (Debian's fonts-nanum,
// which Wine finds through fontconfig).
TEST(TextRendererPaint, WindowsFontDrawsKoreanThroughCodePage949) {
    const wchar_t expected[] = L"A\xD55C\xAE00 \xAC00!";  // what the bytes below stand for
    const std::string bytes = "A\xC7\xD1\xB1\xDB \xB0\xA1!";
    const int n = static_cast<int>(wcslen(expected));

    TDravelHanguel h;
    h.SetCodePage(949);
    Surface painted(160, 24), direct(160, 24);
    ASSERT_TRUE(painted.Ok() && direct.Ok());
    for (Surface* s : {&painted, &direct}) {
        s->Fill(kFill);
        s->Canvas()->Font()->SetName("NanumGothicCoding");
        s->Canvas()->Font()->SetHeight(-16);
        s->Canvas()->Font()->SetCharset(HANGUL_CHARSET);
        SetColours(s->Canvas(), clWhite, clGreen);
    }
    h.PaintText(painted.Canvas(), 3, 2, bytes);
    direct.Canvas()->RequireTools();
    TextOutW(direct.Dc(), 3, 2, expected, n);
    EXPECT_TRUE(painted.SameAs(direct));

    // The font is really there and covers the syllables (no missing-glyph boxes).
    char face[LF_FACESIZE] = {};
    GetTextFaceA(painted.Dc(), sizeof face, face);
    EXPECT_STREQ(face, "NanumGothicCoding");
    WORD glyphs[8] = {};
    ASSERT_EQ(GetGlyphIndicesW(painted.Dc(), expected, n, glyphs, GGI_MARK_NONEXISTING_GLYPHS),
              static_cast<DWORD>(n));
    for (int i = 0; i < n; ++i) EXPECT_NE(glyphs[i], 0xFFFF) << "character " << i;

    // On the console's cell grid a Hangul character takes two cells whatever the font's
    // own advance: the '!' after six double-byte and two single-byte cells is where a
    // '!' alone at that cell is drawn.
    constexpr int kCell = 11;  // not the font's width
    h.SetCellWidth(kCell);
    Surface grid(160, 24), alone(160, 24);
    ASSERT_TRUE(grid.Ok() && alone.Ok());
    for (Surface* s : {&grid, &alone}) {
        s->Fill(kFill);
        s->Canvas()->Font()->Assign(*painted.Canvas()->Font());
        SetColours(s->Canvas(), clWhite, clGreen);
    }
    h.PaintText(grid.Canvas(), 3, 2, bytes);
    h.PaintText(alone.Canvas(), 3 + 8 * kCell, 2, "!");
    int differing = 0;
    for (int y = 0; y < 24; ++y)
        for (int x = 3 + 8 * kCell; x < 3 + 9 * kCell; ++x) differing += grid.At(x, y) != alone.At(x, y);
    EXPECT_EQ(differing, 0);
    h.SetCellWidth(0);

    // A code page the system does not have still shows the text (as ANSI text).
    Surface unknown(160, 24), ansi(160, 24);
    ASSERT_TRUE(unknown.Ok() && ansi.Ok());
    h.SetCodePage(12345);
    TDravelHanguel ansiPainter;  // code page 1252: TextOut
    for (Surface* s : {&unknown, &ansi}) {
        s->Fill(kFill);
        s->Canvas()->Font()->Assign(*painted.Canvas()->Font());
        SetColours(s->Canvas(), clWhite, clGreen);
    }
    h.PaintText(unknown.Canvas(), 3, 2, bytes);
    ansiPainter.PaintText(ansi.Canvas(), 3, 2, bytes);
    EXPECT_TRUE(unknown.SameAs(ansi));
    int drawn = 0;
    for (int x = 3; x < 60; ++x) drawn += unknown.At(x, 10) == ColorToGdi(clWhite);
    EXPECT_GT(drawn, 0);
}

TEST(TextRendererComposition, ShowHideAndRedrawAtTheSpot) {
    TDravelHanguel h;
    ASSERT_EQ(h.LoadBitmapFonts(nullptr), 1) << h.BitmapFontError();
    const GlyphComposer composer(FontFiles());
    Surface s(64, 40);
    ASSERT_TRUE(s.Ok());
    s.Fill(kFill);
    SetColours(s.Canvas(), clWhite, clBlack);
    const COLORREF ink = ColorToGdi(clWhite), paper = ColorToGdi(clBlack);
    MonoImage ga, gak, spaces;
    composer.ComposeLine("\xB0\xA1", ga);
    composer.ComposeLine("\xB0\xA2", gak);
    composer.ComposeLine("  ", spaces);
    const RECT spot{24, 16, 40, 32};

    // Nothing without a canvas or outside Hangul mode.
    h.SetHanguelMode(1);
    h.InputChar('r');
    h.InputChar('k');
    h.ShowComposition();
    h.SetCompositionCanvas(s.Canvas());
    h.SetCompositionPos(spot.left, spot.top);
    h.SetHanguelMode(0);
    h.ShowComposition();
    h.HideComposition();
    EXPECT_TRUE(OnlyInside(s, RECT{0, 0, 0, 0}, kFill));

    h.SetHanguelMode(1);
    h.InputChar('r');
    h.InputChar('k');
    h.ShowComposition();
    EXPECT_TRUE(ShowsImage(s, spot.left, spot.top, ga, ink, paper));
    h.HideComposition();  // two spaces: 16 pixels of paper
    EXPECT_TRUE(ShowsImage(s, spot.left, spot.top, spaces, ink, paper));
    EXPECT_TRUE(OnlyInside(s, spot, kFill));

    // Every change of the syllable redraws the spot; when it is gone the spot is cleared.
    h.ShowComposition();
    h.InputChar('r');  // 각
    h.ShowComposition();
    EXPECT_TRUE(ShowsImage(s, spot.left, spot.top, gak, ink, paper));
    h.Backspace();  // 가, redrawn by the automaton
    EXPECT_TRUE(ShowsImage(s, spot.left, spot.top, ga, ink, paper));
    h.Backspace();  // ㄱ
    h.Backspace();  // empty
    EXPECT_EQ(h.IsComposing(), 0);
    EXPECT_TRUE(ShowsImage(s, spot.left, spot.top, spaces, ink, paper));
    EXPECT_TRUE(OnlyInside(s, spot, kFill));

    // Without a canvas the automaton no longer draws.
    s.Fill(kFill);
    h.SetCompositionCanvas(nullptr);
    h.InputChar('r');
    h.ResetComposition();
    EXPECT_TRUE(OnlyInside(s, RECT{0, 0, 0, 0}, kFill));
}
