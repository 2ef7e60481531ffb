// The screen: its size and resolution, and the table of cursors the program uses
// (negative indexes are the system's cursors; the program adds its own at other indexes).
#pragma once

#include <windows.h>

#include <functional>
#include <map>

#include "framework/Graphics.h"

class TComponent;
class TForm;
class TWinControl;

using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;

class TScreen {
public:
    // Asks the system nothing: the program's start-up loads the cursors (LoadCursors).
    TScreen() = default;

    // Logical pixels per inch of the screen (LOGPIXELSY), read on first use.
    int PixelsPerInch() const;
    int Width() const { return GetSystemMetrics(SM_CXSCREEN); }
    int Height() const { return GetSystemMetrics(SM_CYSCREEN); }
    // The desktop without the task bar, else the whole screen.
    RECT WorkAreaRect() const;

    // Puts the system's cursors into the table (at their negative indexes).
    void LoadCursors();
    // The font of hints (the system's status font).
    TFont* HintFont() { return &FHintFont; }
    // Reads again what the screen keeps of the system's metrics: the pixels per inch and
    // the hint font (start-up, and a change of the system's settings while the
    // application's UpdateMetricSettings is on).
    void GetMetricSettings();
    // The cursor at `index`; the arrow for an index with none.
    HCURSOR Cursors(TCursor index) const;
    // Installs a cursor at `index` (nullptr removes a program cursor).
    void SetCursors(TCursor index, HCURSOR cursor);
    // The cursor shown over the whole program (crDefault: each window's own).
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor cursor);

    // The control with the keyboard focus and its form (raised when they change).
    TWinControl* ActiveControl() const { return FActiveControl; }
    TForm* ActiveForm() const { return FActiveForm; }
    std::function<void(TComponent* sender)> OnActiveControlChange;
    std::function<void(TComponent* sender)> OnActiveFormChange;

private:
    friend class TWinControl;
    friend class TForm;
    // Note a change and raise its event.
    void SetActiveForm(TForm* form);
    void SetActiveControl(TWinControl* control);
    TWinControl* FActiveControl = nullptr;
    TForm* FActiveForm = nullptr;
    mutable int FPixelsPerInch = 0;
    TFont FHintFont;
    TCursor FCursor = crDefault;
    std::map<TCursor, HCURSOR> FCursors;
};

extern TScreen* Screen;
