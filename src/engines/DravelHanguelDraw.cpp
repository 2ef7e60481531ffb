// TDravelHanguel, drawing half: console text with the built-in bitmap fonts or a Windows
// font, and the syllable in progress at the cursor.
#include <windows.h>

#include <string>
#include <vector>

#include "engines/core/DravelHanguel.h"
#include "engines/core/GlyphComposer.h"
#include "engines/core/MonoImage.h"
#include "framework/Graphics.h"

namespace {

// A 1-bpp DIB header with a two-entry colour table: index 0 (paper) in the background
// colour, index 1 (ink) in the text colour.
struct MonoBitmapInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colours[2];
};

RGBQUAD ToQuad(COLORREF c) {
    RGBQUAD q{};
    q.rgbRed = GetRValue(c);
    q.rgbGreen = GetGValue(c);
    q.rgbBlue = GetBValue(c);
    return q;
}

// Copies a line image to (x, y) of dc in one transfer, in dc's text and background colours.
void BlitLine(HDC dc, int x, int y, const MonoImage& line) {
    if (line.Empty()) return;
    MonoBitmapInfo info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = line.Width();
    info.header.biHeight = -line.Height();  // top-down, as MonoImage keeps its rows
    info.header.biPlanes = 1;
    info.header.biBitCount = 1;
    info.header.biCompression = BI_RGB;
    info.header.biClrUsed = 2;
    info.colours[0] = ToQuad(GetBkColor(dc));
    info.colours[1] = ToQuad(GetTextColor(dc));
    StretchDIBits(dc, x, y, line.Width(), line.Height(), 0, 0, line.Width(), line.Height(),
                  line.Bits().data(), reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS,
                  SRCCOPY);
}

// Reads one font from the module's bitmap resources.
bool LoadFontResource(HMODULE module, const char* name, MonoImage& out, std::string* error) {
    HRSRC res = FindResourceA(module, name, RT_BITMAP);
    HGLOBAL mem = res ? LoadResource(module, res) : nullptr;
    const void* data = mem ? LockResource(mem) : nullptr;
    if (data == nullptr) {
        *error = std::string("bitmap resource ") + name + " not found";
        return false;
    }
    std::string why;
    if (!DecodeMonoDib(static_cast<const uint8_t*>(data), SizeofResource(module, res), out, &why)) {
        *error = std::string(name) + ": " + why;
        return false;
    }
    return true;
}

}  // namespace

int TDravelHanguel::LoadBitmapFonts(void* module) {
    if (FBitmapFontsLoaded) return 1;
    HMODULE m = module ? static_cast<HMODULE>(module) : GetModuleHandleA(nullptr);
    BitmapFontSet fonts;
    std::string error;
    if (!LoadFontResource(m, "FontASCII", fonts.ascii, &error) ||
        !LoadFontResource(m, "FontKSC5601", fonts.ksc5601, &error) ||
        !LoadFontResource(m, "FontHanja", fonts.hanja, &error)) {
        FFontError = error;
        return 0;
    }
    error = GlyphComposer::CheckFonts(fonts);
    if (!error.empty()) {
        FFontError = error;
        return 0;
    }
    FFonts = std::move(fonts);
    FFontError.clear();
    SetBitmapFontsLoaded(1);
    return 1;
}

void TDravelHanguel::FreeBitmapFonts() {
    FFonts = BitmapFontSet();
    FLine = MonoImage();
    SetBitmapFontsLoaded(0);
}

void TDravelHanguel::PaintText(TCanvas* canvas, int x, int y, const std::string& text) {
    if (canvas == nullptr || text.empty()) return;
    // Selects the canvas's font and sets its text and background colours on the context.
    canvas->RequireTools();
    HDC dc = canvas->Handle();
    if (FBitmapFontsLoaded) {
        GlyphComposer(FFonts).ComposeLine(text, FLine);
        BlitLine(dc, x, y, FLine);
    } else if (FCodePage == 1252) {
        canvas->TextOut(x, y, text);
    } else {
        const UINT cp = static_cast<UINT>(FCodePage);
        const DWORD flags = MB_PRECOMPOSED | MB_USEGLYPHCHARS;
        if (FCellWidth <= 0 || !IsValidCodePage(cp)) {
            // Every byte gives at most one UTF-16 unit.
            std::vector<wchar_t> wide(text.size());
            const int n = MultiByteToWideChar(cp, flags, text.data(), static_cast<int>(text.size()),
                                              wide.data(), static_cast<int>(wide.size()));
            if (n > 0)
                TextOutW(dc, x, y, wide.data(), n);
            else
                canvas->TextOut(x, y, text);  // a code page the system lacks: shown as ANSI
            return;
        }
        // Character by character, so that each gets the advance of its cells: a font whose
        // Hangul is narrower or wider than two cells still leaves the next character in
        // its column.
        std::vector<wchar_t> wide;
        std::vector<INT> advances;
        wide.reserve(text.size());
        advances.reserve(text.size());
        for (size_t i = 0; i < text.size();) {
            const size_t len = i + 1 < text.size() && IsDBCSLeadByteEx(cp, static_cast<BYTE>(text[i])) ? 2 : 1;
            wchar_t unit[2];
            int n = MultiByteToWideChar(cp, flags, text.data() + i, static_cast<int>(len), unit, 2);
            if (n <= 0) {
                unit[0] = static_cast<BYTE>(text[i]) < 0x80 ? static_cast<wchar_t>(text[i]) : L'?';
                n = 1;
            }
            for (int k = 0; k < n; ++k) {
                wide.push_back(unit[k]);
                advances.push_back(k == 0 ? static_cast<INT>(len) * FCellWidth : 0);
            }
            i += len;
        }
        ExtTextOutW(dc, x, y, 0, nullptr, wide.data(), static_cast<UINT>(wide.size()), advances.data());
    }
}

void TDravelHanguel::SetCompositionCanvas(TCanvas* canvas) {
    FCompositionCanvas = canvas;
    FCompositionShown = false;
    if (canvas)
        SetCompositionRedraw([this] { UpdateCompositionSpot(); });
    else
        SetCompositionRedraw(nullptr);
}

void TDravelHanguel::DrawCompositionText(const std::string& text) {
    PaintText(FCompositionCanvas, FCompositionX, FCompositionY, text);
}

void TDravelHanguel::ShowComposition() {
    if (!IsComposing() || FCompositionCanvas == nullptr) return;
    const uint16_t code = GetComposingChar();
    DrawCompositionText(std::string{static_cast<char>(code >> 8), static_cast<char>(code)});
    FCompositionShown = true;
}

void TDravelHanguel::HideComposition() {
    if (!IsComposing() || FCompositionCanvas == nullptr) return;
    DrawCompositionText("  ");
    FCompositionShown = false;
}

// The syllable changed: show what is in progress now. When the syllable is gone (ended,
// reset, or taken apart by Backspace) the picture this object left at the spot is covered
// with two spaces, so that no stale syllable stays on the screen.
void TDravelHanguel::UpdateCompositionSpot() {
    if (FCompositionCanvas == nullptr) return;
    if (IsComposing()) {
        ShowComposition();
    } else if (FCompositionShown) {
        DrawCompositionText("  ");
        FCompositionShown = false;
    }
}
