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
//   - the composition redraw: EndComposition, ResetComposition and Backspace call the
//     hook set with SetCompositionRedraw (the drawing half sets it to redraw the spot).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "engines/core/HangulComposer.h"

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
    // implemented in a file of its own.

private:
    void RedrawComposition();

    // ---- Composition half ----

    quiro::engines::HangulComposer FComposer;
    int FHanguelMode = 0;
    int FCodePage = 1252;
    int FBitmapFontsLoaded = 0;
    const quiro::engines::HangulKeyState* FKeys = nullptr;
    std::function<void()> FRedraw;
};
