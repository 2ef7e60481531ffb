// Control utilities shared by the library's controls: bitmaps, icons and cursors from
// resources, transparent and "disabled" drawing, window placement and activation, dialog
// units, cell text, the nested wait cursor and errors of the system. The portable half
// (text fitting, command lines, gradient bands) is controls/core/CtlUtils.h.
//
// Routines that make a bitmap return a new TBitmap the caller owns; icons and cursors are
// handles the caller destroys.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>

#include "controls/core/CtlUtils.h"
#include "framework/Controls.h"
#include "framework/Dialogs.h"
#include "framework/Forms.h"
#include "framework/GraphicControl.h"
#include "framework/Graphics.h"
#include "framework/Screen.h"
#include "framework/core/SysUtils.h"

// A failure of a system call, with its error code.
class EWin32Error : public Exception {
public:
    EWin32Error(std::string message, DWORD code) : Exception(std::move(message)), ErrorCode(code) {}
    DWORD ErrorCode;
};

// ---- Resources and images ---------------------------------------------------------------

// Throws EResNotFound "Resource NAME not found" (an integer identifier in decimal).
[[noreturn]] void ResourceNotFound(LPCSTR name);
// A bitmap resource of `module` (by name or MAKEINTRESOURCE); with module 0 one of the
// system's bitmaps (OBM_...). A missing one throws EResNotFound.
std::unique_ptr<TBitmap> MakeModuleBitmap(HINSTANCE module, LPCSTR name);
std::unique_ptr<TBitmap> MakeBitmap(LPCSTR name);  // of the program's own module
std::unique_ptr<TBitmap> MakeBitmapID(WORD id);
// An icon resource; nullptr when there is none.
HICON MakeModuleIcon(HINSTANCE module, LPCSTR name);
HICON MakeIcon(LPCSTR name);
HICON MakeIconID(WORD id);
// Copies cell `index` of `source` cut into cols x rows equal cells (at least 1 each) into
// `dest`, with the source's transparency settings.
void AssignBitmapCell(TBitmap* source, TBitmap* dest, int cols, int rows, int index);
// The icon drawn on a bitmap of its size filled with `back`, which is its transparent
// colour.
std::unique_ptr<TBitmap> CreateBitmapFromIcon(HICON icon, TColor back);
// An icon with the pixels of `transparent` (the bitmap's own transparent colour for
// clDefault) masked out.
HICON CreateIconFromBitmap(TBitmap* bitmap, TColor transparent);
// An animated cursor resource (type 21), loaded through a temporary file; nullptr when the
// resource is missing.
HCURSOR LoadAniCursor(HINSTANCE module, LPCSTR name);
// Loads a cursor resource (plain, else animated) and installs it in Screen at the first
// free index from 100 up; returns the index. A missing one throws EResNotFound.
TCursor DefineCursor(HINSTANCE module, LPCSTR name);

// ---- Transparent and disabled drawing ---------------------------------------------------

// The source stretched onto the destination, the pixels of `transparent` left out; with a
// palette it is selected and realised first.
void StretchBltTransparent(HDC dest, int x, int y, int w, int h, HPALETTE palette, HDC src, int sx,
                           int sy, int sw, int sh, TColor transparent);
void DrawTransparentBitmap(HDC dc, HBITMAP bitmap, int x, int y, TColor transparent);
// On a canvas: the whole bitmap, a rectangle of it, or a rectangle stretched to w x h (a
// size below 1 meaning the rectangle's own). clNone draws opaque, clDefault leaves out the
// colour of the bitmap's bottom-left pixel.
void DrawBitmapTransparent(TCanvas* dest, int x, int y, TBitmap* bitmap, TColor transparent);
void DrawBitmapRectTransparent(TCanvas* dest, int x, int y, RECT rect, TBitmap* bitmap,
                               TColor transparent);
void StretchBitmapRectTransparent(TCanvas* dest, int x, int y, int w, int h, RECT rect,
                                  TBitmap* bitmap, TColor transparent);
// A copy with the pixels of `color` made `newColor`.
std::unique_ptr<TBitmap> ChangeBitmapColor(TBitmap* bitmap, TColor color, TColor newColor);
// The embossed "disabled" picture: on `backColor`, every pixel that is not `outlineColor`
// in `shadow`, and (with `drawHighlight`) the same shape one pixel right and down in
// `highlight` beneath it.
std::unique_ptr<TBitmap> CreateDisabledBitmapEx(TBitmap* bitmap, TColor outlineColor,
                                                TColor backColor, TColor highlight, TColor shadow,
                                                bool drawHighlight);
// With the button face, highlight and shadow colours.
std::unique_ptr<TBitmap> CreateDisabledBitmap(TBitmap* bitmap, TColor outlineColor);
// Image `index` in the disabled style: its shape in `highlight` at (x + 1, y + 1) when
// asked, then in `grey` at (x, y).
void ImageListDrawDisabled(HIMAGELIST images, TCanvas* canvas, int x, int y, int index,
                           TColor highlight, TColor grey, bool drawHighlight);
// An 8 x 8 bitmap in color1 with color2 on the pixels whose row and column have the same
// parity.
std::unique_ptr<TBitmap> CreateTwoColorsBrushPattern(TColor color1, TColor color2);
// ANDs the rectangle with a diagonal hatch.
void ShadeRect(HDC dc, const RECT& rect);
// Inverts a screen rectangle / draws `width` nested focus rectangles on the screen.
void PaintInverseRect(POINT p1, POINT p2);
void DrawInvertFrame(RECT screenRect, int width);
// Paints what lies beneath `control` (its parent's background and the windowless controls
// before it) into `canvas`, so that the control can look transparent.
void CopyParentImage(TControl* control, TCanvas* canvas);
// Fills the rectangle with the bands of GradientBands.
void GradientFillRect(TCanvas* canvas, const RECT& rect, TColor startColor, TColor endColor,
                      TFillDirection direction, int colors);
// A font handle like `font` turned by `angle` degrees (the caller deletes it).
HFONT CreateRotatedFont(TFont* font, int angle);
// The colour's RGB value, palette-relative.
COLORREF PaletteColor(TColor color);
int PaletteEntries(HPALETTE palette);

// ---- Geometry and windows ---------------------------------------------------------------

inline int WidthOf(const RECT& r) {
    return r.right - r.left;
}
inline int HeightOf(const RECT& r) {
    return r.bottom - r.top;
}
// Edges included.
inline bool PointInRect(POINT p, const RECT& r) {
    return p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom;
}
bool PointInPolyRgn(POINT p, const POINT* points, int count);
int DialogUnitsToPixelsX(int units);
int DialogUnitsToPixelsY(int units);
int PixelsToDialogUnitsX(int pixels);
int PixelsToDialogUnitsY(int pixels);
// Centres a control in its parent's client area (a form without parent on the screen),
// never left of or above 0.
void CenterControl(TControl* control);
// Moves a window to the middle of the screen, kept inside it.
void CenterWindow(HWND window);
// Puts a form into a control as a frameless child: docked by `align`, or (alNone) at its
// own position moved by the control's; shown when asked.
void MergeForm(TWinControl* control, TForm* form, TAlign align, bool show);
void ShowMDIClientEdge(HWND client, bool show);
RECT ScreenWorkArea();
std::string WindowClassName(HWND window);
// Shows the window without the system's minimise and maximise animation.
void ShowWinNoAnimate(HWND window, int showCmd);
// Brings an enabled window to the front; with `restore` a visible, not maximised one is
// restored; then it gets the focus.
void SwitchToWindow(HWND window, bool restore);
void ActivateWindow(HWND window);
// The window of an earlier instance by class name and/or title (both empty: none).
HWND FindPrevInstance(const std::string& mainFormClass, const std::string& title);
// Activates the top-level window of an earlier instance (restoring it when minimised)
// when it is the main window of a program on this framework; whether it did.
bool ActivatePrevInstance(const std::string& mainFormClass, const std::string& title);
// Whether the active window belongs to this thread.
bool IsForegroundTask();
// Whether the mouse counts as over a windowless control now: the control is enabled, it is
// what lies under the cursor in its parent, and the program is in the foreground.
bool MouseOverControl(TControl* control);

// A windowless control that knows whether the mouse is over it and says so when the mouse
// comes and goes (the shadow label's and the speed button's hover).
class TMouseTrackingControl : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;
    bool MouseInside() const { return FMouseInside; }
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    void WndProc(TMessage& message) override;

protected:
    virtual void MouseEnter();
    virtual void MouseLeave();
    // Looks again where the mouse is (after presses, releases, enabling, showing).
    void UpdateTracking();
    // While true the mouse leaving does not count (a button still held on the control).
    virtual bool HoldsMouse() const { return false; }
    // The mouse counts as outside from now on, without a notice.
    void ForgetMouse() { FMouseInside = false; }

private:
    bool FMouseInside = false;
};
// Removes one pending message of that kind; a WM_QUIT so removed is posted again.
void KillMessage(HWND window, UINT msg);

// ---- Text, strings and errors -----------------------------------------------------------

// MinimizeText with the canvas's text widths.
std::string MinimizeText(const std::string& text, TCanvas* canvas, int maxWidth);
// The font's metrics on the screen.
TEXTMETRICA FontMetrics(TFont* font);
// The average width of the letters A..Z a..z and their height.
SIZE GetAveCharSize(TCanvas* canvas);
// Cell text: left at rect.left + dx, right 3 pixels from the right edge, or centred, top
// at rect.top + dy, drawn directly when the text has no line break and the brush is a
// pure colour of the device; otherwise (word breaks, line breaks, a dithered colour)
// composed on a scratch bitmap through DrawText and copied into the rectangle.
void WriteText(TCanvas* canvas, RECT rect, int dx, int dy, const std::string& text, UINT alignment,
               bool wordBreak);
enum TVertAlignment { vaTopJustify, vaCenter, vaBottomJustify };
void DrawCellTextEx(TCanvas* canvas, RECT rect, const std::string& text, UINT alignment,
                    TVertAlignment vertAlignment, bool wordBreak);
void DrawCellText(TCanvas* canvas, RECT rect, const std::string& text, UINT alignment,
                  TVertAlignment vertAlignment);
void DrawCellBitmap(TCanvas* canvas, RECT rect, TBitmap* bitmap);
// Zero-filled blocks of the system's global heap: none for a size of 0 or less. A block
// reallocated keeps its bytes and is zero-filled where it grew; when that fails the
// result is none and the old block stays as it was. FreeMemo frees and clears the pointer.
void* AllocMemo(long size);
void* ReallocMemo(void* block, long size);
void FreeMemo(void*& block);
long GetMemoSize(void* block);
// An environment variable (the name matched with its case).
std::string GetEnvVar(const std::string& name);
// LoadLibrary without the system's error boxes; throws EWin32Error when it fails.
HMODULE LoadDLL(const std::string& name);
// Calls the library's "DllRegisterServer"; whether it succeeded.
bool RegisterServer(const std::string& name);
void Beep();
// Processes messages until `ms` milliseconds have passed.
void Delay(DWORD ms);
// "Function not yet implemented" in a box, then Abort.
[[noreturn]] void NotImplemented();
int MsgBox(const std::string& caption, const std::string& text, UINT flags);
// The framework's message dialog (MessageDlg).
int MsgDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext);
// The hourglass over the program while at least one StartWait is not yet stopped.
void StartWait();
void StopWait();
// The system's text for an error code, without its closing line break.
std::string Win32ErrorText(DWORD code);
// Throws EWin32Error "Win32 Error.  Code: N.\n<system text>" for a code that is not 0;
// CheckWin32 does so with the last error when `ok` is false.
void RaiseWin32Error(DWORD code);
void CheckWin32(bool ok);
inline const std::string& ResStr(const std::string& s) {
    return s;
}
// "Windows 95 4.00.950 ..." / "Windows NT 5.01.2600 Service Pack 3".
std::string GetWindowsVersion();

// A canvas on the whole screen (one context, taken on first use); after SetOrigin(x, y)
// drawing at 0, 0 lands on the screen point (x, y).
class TScreenCanvas : public TCanvas {
public:
    ~TScreenCanvas() override;
    void SetOrigin(int x, int y);

protected:
    void CreateHandle() override;
    void FreeHandle() override;

private:
    HDC FDC = nullptr;
};
