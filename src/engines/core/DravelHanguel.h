// TDravelHanguel: the console's Hangul keyboard automaton and text renderer.
//
// This header holds the composition half: the main window's key handling feeds every key
// character to InputChar, sends GetOutput after every key, shows the syllable in progress
// and routes Backspace here first. The composing itself is HangulComposer's.
//
// The drawing half (PaintText, the bitmap fonts, the composition canvas and position,
// ShowComposition/HideComposition) joins this class in the section marked below. It
// shares two fields with the composition half:
//   - the code page (SetCodePage/GetCodePage, 1252 at construction) and whether the
//     bitmap fonts are loaded (SetBitmapFontsLoaded, to be called by the font loading and
//     freeing): the automaton composes only with code page 949 or with bitmap fonts;
//   - the composition redraw: EndComposition, ResetComposition, Backspace and leaving
//     Hangul mode call the hook set with SetCompositionRedraw (the drawing half sets it
//     to redraw the spot).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "engines/core/GlyphComposer.h"
#include "engines/core/HangulComposer.h"
#include "engines/core/MonoImage.h"

class TCanvas;  // framework/Graphics.h: the drawing half works on the Win32 side only

class TDravelHanguel {
public:
    TDravelHanguel();

    // One key character (a WM_CHAR code, mapped to the US layout in Hangul mode); returns
    // 1 when output is ready. Control characters are never output: the caller sends them
    // itself after the output. Backspace does nothing here (see Backspace).
    int InputChar(unsigned char c);
    // All finished bytes; empties the output.
    std::string GetOutput();
    int IsOutputReady() const { return FComposer.HasOutput() ? 1 : 0; }

    // The syllable in progress as one KS C 5601 code (0xA1A1 when empty).
    uint16_t GetComposingChar() const;
    // The syllable in progress as KS C 5601 bytes (empty when nothing is composed). A
    // 3-set vowel with a lone final is two jamo (4 bytes); send these bytes, not
    // GetComposingChar, when flushing the syllable from outside.
    std::string GetComposingText() const;
    // 1 when Hangul mode is on and a syllable is in progress.
    int IsComposing() const;
    // Drops the syllable in progress (nothing is output).
    void EndComposition();
    // On a change: leaving Hangul flushes the syllable, entering resets. Returns 1 when
    // output is ready.
    int SetHanguelMode(int mode);
    int GetHanguelMode() const { return FHanguelMode; }
    void SetKeyboardLayout(int layout) { FComposer.SetLayout(layout); }
    int GetKeyboardLayout() const { return FComposer.Layout(); }
    // Empties the output and drops the syllable in progress.
    void ResetComposition();
    // 1 when the key undid part of the syllable; 0 when the caller sends the backspace.
    int Backspace();
    // The current Johab syllable as one KS C 5601 code (the empty syllable gives 0xA1A1).
    uint16_t JohabToKsc() const;

    // Shift (for Shift+Space) and Caps Lock; without a key state both read as up.
    void SetKeyState(const quiro::engines::HangulKeyState* keys) { FKeys = keys; }
    void SetCompositionRedraw(std::function<void()> redraw) { FRedraw = std::move(redraw); }

    void SetCodePage(int codePage) { FCodePage = codePage; }
    int GetCodePage() const { return FCodePage; }
    void SetBitmapFontsLoaded(int loaded) { FBitmapFontsLoaded = loaded ? 1 : 0; }
    int AreBitmapFontsLoaded() const { return FBitmapFontsLoaded; }
    // Whether keys are composed at all (code page 949 or bitmap fonts loaded).
    int IsAutomatonActive() const { return FCodePage == 949 || FBitmapFontsLoaded; }

    // ---- Drawing half (text renderer, bitmap fonts, composition display) ----
    // Its operations go here and its fields at the end of the private section; it is
    // implemented in a file of its own (engines/DravelHanguelDraw.cpp, Win32 only).

    // The redraw hook refers to this object: it must not be copied.
    TDravelHanguel(const TDravelHanguel&) = delete;
    TDravelHanguel& operator=(const TDravelHanguel&) = delete;

    // Draws the text with its top-left corner at (x, y) in the canvas's text (font) and
    // background (brush) colours. With the bitmap fonts loaded the whole text is composed
    // off-screen and reaches the canvas in one transfer, n bytes as n * 8 x 16 pixels;
    // otherwise it goes out in the canvas's font, as ANSI text with code page 1252 and
    // converted from the code page to Unicode with any other. With a cell width set, the
    // Windows font's characters are placed on the cell grid (a double-byte character
    // takes two cells) whatever their own advance.
    void PaintText(TCanvas* canvas, int x, int y, const std::string& text);
    void SetCellWidth(int width) { FCellWidth = width; }

    // Loads "FontASCII", "FontKSC5601" and "FontHanja" from the bitmap resources of
    // `module` (an HINSTANCE; null means the program itself). 1 when the fonts are loaded
    // (also when they were already); 0 when a resource is missing or is not a font of the
    // expected size, and BitmapFontError says which and why. Nothing changes on failure.
    int LoadBitmapFonts(void* module);
    void FreeBitmapFonts();
    const std::string& BitmapFontError() const { return FFontError; }
    // The loaded fonts (empty images when none are loaded).
    const BitmapFontSet& BitmapFonts() const { return FFonts; }

    // Where the syllable in progress is shown. Setting a canvas also makes it the
    // composition redraw (SetCompositionRedraw): the spot then follows every change of
    // the syllable; null stops both.
    void SetCompositionCanvas(TCanvas* canvas);
    TCanvas* GetCompositionCanvas() const { return FCompositionCanvas; }
    void SetCompositionPos(int x, int y) {
        FCompositionX = x;
        FCompositionY = y;
    }
    // With Hangul mode on, a syllable in progress and a canvas: draws the syllable's
    // KS C 5601 pair at the composition position (Show) or two spaces over it (Hide).
    void ShowComposition();
    void HideComposition();

private:
    void RedrawComposition();

    // ---- Composition half ----

    quiro::engines::HangulComposer FComposer;
    int FHanguelMode = 0;
    int FCodePage = 1252;
    int FBitmapFontsLoaded = 0;
    const quiro::engines::HangulKeyState* FKeys = nullptr;
    std::function<void()> FRedraw;

    // ---- Drawing half ----

    void UpdateCompositionSpot();
    void DrawCompositionText(const std::string& text);

    BitmapFontSet FFonts;
    MonoImage FLine;  // the composed line of the last PaintText (its storage is reused)
    int FCellWidth = 0;  // the console's cell width for the Windows font (0: the font's own)
    std::string FFontError;
    TCanvas* FCompositionCanvas = nullptr;
    int FCompositionX = 0;
    int FCompositionY = 0;
    bool FCompositionShown = false;  // the spot shows a syllable drawn by this object
};
