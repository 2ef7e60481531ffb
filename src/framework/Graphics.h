// Graphics: fonts, brushes, pens, canvases over device contexts, and bitmaps.
//
// A canvas draws with its own TFont, TBrush and TPen; their handles are made when first
// needed and selected into the device context before each drawing call. The canvas's text
// colour is its font colour and its background colour its brush colour, so that a
// monochrome bitmap copied onto a colour surface comes out in those two colours (0 bits in
// the text colour, 1 bits in the background colour).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "framework/core/Colors.h"
#include "framework/core/Exception.h"

class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};
class EInvalidGraphicOperation : public Exception {
public:
    using Exception::Exception;
};
class EOutOfResources : public Exception {
public:
    using Exception::Exception;
};
class EResNotFound : public Exception {
public:
    using Exception::Exception;
};

// Installs GetSysColor as the system-colour lookup of ColorToRGB. Done once at start-up
// by this unit; callable again after a lookup was replaced.
void InstallSystemColorLookup();

// A colour as GDI wants it (system colours resolved; clNone and clDefault give black).
COLORREF ColorToGdi(TColor color);

// Copies (stretching as needed) the source rectangle onto the destination, leaving the
// destination's pixels where the source has the colour `transparent`. Throws
// EOutOfResources when the mask cannot be made.
void BltTransparent(HDC dest, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh,
                    COLORREF transparent);

class TWinControl;

// ---- Fonts, brushes, pens ---------------------------------------------------------------

class TCanvas;

// Base of the drawing tools: a lazily made GDI handle and a change notice.
class TGraphicsObject {
public:
    virtual ~TGraphicsObject();
    TGraphicsObject(const TGraphicsObject&) = delete;
    TGraphicsObject& operator=(const TGraphicsObject&) = delete;

    // Told after every change of a property.
    std::function<void(TGraphicsObject* sender)> OnChange;

protected:
    TGraphicsObject() = default;
    // Drops the handle (the canvas that uses it deselects it first) and tells OnChange.
    void Changed();
    // Stores a property value and tells Changed() when it differs from the old one.
    template <class T>
    void Change(T& field, const T& value) {
        if (field == value) return;
        field = value;
        Changed();
    }
    virtual void FreeHandle();

    friend class TCanvas;
    HGDIOBJ FHandle = nullptr;
    TCanvas* FCanvas = nullptr;  // the canvas this object belongs to, if any
};

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
using TFontCharset = uint8_t;

class TFont : public TGraphicsObject {
public:
    TFont();

    const std::string& Name() const { return FName; }
    void SetName(const std::string& name);
    // Size in points, through the pixels per inch the font was made for (the screen's).
    int Size() const;
    void SetSize(int points);
    // Height in pixels; negative values are the character height without leading.
    int Height() const { return FHeight; }
    void SetHeight(int pixels);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles style);
    TColor Color() const { return FColor; }
    void SetColor(TColor color);
    TFontCharset Charset() const { return FCharset; }
    void SetCharset(TFontCharset charset);
    TFontPitch Pitch() const { return FPitch; }
    void SetPitch(TFontPitch pitch);
    int PixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int ppi);

    // Copies every property, then one change notice.
    void Assign(const TFont& source);
    HFONT Handle();
    // Takes the properties of an existing font handle (the handle itself stays the caller's).
    void SetHandle(HFONT font);

private:
    std::string FName = "MS Sans Serif";
    int FHeight = -11;
    TFontStyles FStyle = 0;
    TColor FColor = clWindowText;
    TFontCharset FCharset = DEFAULT_CHARSET;
    TFontPitch FPitch = fpDefault;
    int FPixelsPerInch = 96;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal,
                   bsCross, bsDiagCross };

class TBrush : public TGraphicsObject {
public:
    TColor Color() const { return FColor; }
    void SetColor(TColor color);
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle style);
    void Assign(const TBrush& source);
    HBRUSH Handle();

private:
    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode { pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot,
                pmMaskPenNot, pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask,
                pmNotMask, pmXor, pmNotXor };

class TPen : public TGraphicsObject {
public:
    TColor Color() const { return FColor; }
    void SetColor(TColor color);
    int Width() const { return FWidth; }
    void SetWidth(int width);
    TPenStyle Style() const { return FStyle; }
    void SetStyle(TPenStyle style);
    TPenMode Mode() const { return FMode; }
    void SetMode(TPenMode mode);
    void Assign(const TPen& source);
    HPEN Handle();

private:
    TColor FColor = clBlack;
    int FWidth = 1;
    TPenStyle FStyle = psSolid;
    TPenMode FMode = pmCopy;
};

// ---- Canvas -----------------------------------------------------------------------------

class TBitmap;

class TCanvas {
public:
    TCanvas();
    virtual ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    // The device context; a canvas without one asks CreateHandle (which throws for a plain
    // canvas: it draws only on a context it was given).
    HDC Handle();
    bool HandleAllocated() const { return FHandle != nullptr; }
    // Draws on `dc` from now on (nullptr: none). The context stays the caller's.
    void SetHandle(HDC dc);

    TFont* Font() { return &FFont; }
    TBrush* Brush() { return &FBrush; }
    TPen* Pen() { return &FPen; }
    // The raster operation of CopyRect, Draw and StretchDraw (SRCCOPY at first).
    DWORD CopyMode() const { return FCopyMode; }
    void SetCopyMode(DWORD rop) { FCopyMode = rop; }

    void FillRect(const RECT& rect);
    void FrameRect(const RECT& rect);
    void Rectangle(int x1, int y1, int x2, int y2);
    void Rectangle(const RECT& r) { Rectangle(r.left, r.top, r.right, r.bottom); }
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    POINT PenPos();
    void DrawFocusRect(const RECT& rect);

    TColor Pixels(int x, int y);
    void SetPixel(int x, int y, TColor color);

    void TextOut(int x, int y, const std::string& text);
    // Text drawn at (x, y) clipped to `rect`; an opaque brush fills the rectangle first.
    void TextRect(const RECT& rect, int x, int y, const std::string& text);
    SIZE TextExtent(const std::string& text);
    int TextWidth(const std::string& text) { return TextExtent(text).cx; }
    int TextHeight(const std::string& text) { return TextExtent(text).cy; }

    // The bitmap at (x, y), with its transparency colour left out when Transparent.
    void Draw(int x, int y, TBitmap* bitmap);
    void StretchDraw(const RECT& dest, TBitmap* bitmap);
    // Copies `source` of another canvas into `dest` with CopyMode, stretching as needed.
    void CopyRect(const RECT& dest, TCanvas* canvas, const RECT& source);
    // Copies part of a bitmap with the pixels of `color` replaced by this canvas's brush.
    void BrushCopy(const RECT& dest, TBitmap* bitmap, const RECT& source, TColor color);

    RECT ClipRect();

    // Serialises drawing from several threads; nests on one thread.
    void Lock();
    void Unlock();
    bool TryLock();
    int LockCount() const { return FLockCount; }

    // The context with the tools this canvas draws with selected (done by every call).
    void RequireTools();

protected:
    virtual void CreateHandle();
    // Deselects the tools and forgets the context.
    virtual void FreeHandle();

private:
    friend class TGraphicsObject;
    void ToolChanging(TGraphicsObject* tool);
    void DeselectTools();

    HDC FHandle = nullptr;
    TFont FFont;
    TBrush FBrush;
    TPen FPen;
    HGDIOBJ FSelFont = nullptr, FSelBrush = nullptr, FSelPen = nullptr;
    HGDIOBJ FOldFont = nullptr, FOldBrush = nullptr, FOldPen = nullptr;
    DWORD FCopyMode = SRCCOPY;
    POINT FPenPos{0, 0};
    CRITICAL_SECTION FLock;
    int FLockCount = 0;
};

// ---- Bitmaps ----------------------------------------------------------------------------

// pfDevice and pf1bit are device-dependent bitmaps (a 1-bit one is "monochrome": copied
// onto colour it takes the destination's text and background colours); the others are
// DIB sections whose pixels ScanLine reaches.
enum TPixelFormat { pfDevice, pf1bit, pf24bit, pf32bit };
enum TTransparentMode { tmAuto, tmFixed };

class TBitmapCanvas;

class TBitmap {
public:
    TBitmap();
    ~TBitmap();
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetWidth(int w) { SetSize(w, FHeight); }
    void SetHeight(int h) { SetSize(FWidth, h); }
    // New size; pixels inside both sizes are kept, new ones are white.
    void SetSize(int width, int height);
    bool Empty() const { return FHandle == nullptr; }

    TPixelFormat PixelFormat() const { return FPixelFormat; }
    void SetPixelFormat(TPixelFormat format);
    bool Monochrome() const { return FPixelFormat == pf1bit; }
    void SetMonochrome(bool mono) { SetPixelFormat(mono ? pf1bit : pf32bit); }

    // The bitmap handle (made when needed); the bitmap keeps owning it.
    HBITMAP Handle();
    // Takes ownership of `bitmap` (nullptr frees the current one).
    void SetHandle(HBITMAP bitmap);
    // Gives up ownership of the handle and leaves the bitmap empty.
    HBITMAP ReleaseHandle();

    // A canvas drawing on the bitmap (a memory context, made on first use).
    TCanvas* Canvas();

    // Start of pixel row `row` (0 at the top) of a DIB section; EInvalidGraphicOperation
    // for device-dependent bitmaps or a row outside the bitmap.
    void* ScanLine(int row);
    // Bytes from one row to the next of a DIB section.
    int RowBytes() const;

    // Loads a bitmap resource by name or by integer identifier (MAKEINTRESOURCE). A
    // missing resource throws EResNotFound "Resource NAME not found". 1-bit resources
    // become monochrome bitmaps, others DIB sections.
    void LoadFromResourceName(HINSTANCE instance, const std::string& name);
    void LoadFromResourceID(HINSTANCE instance, int id);

    // Windows bitmap files (.bmp). Loading a file that is no bitmap throws EInvalidGraphic;
    // saving writes 24-bit pixels (a monochrome bitmap: 1-bit, black and white).
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);

    void Assign(TBitmap* source);

    bool Transparent = false;
    TTransparentMode TransparentMode = tmAuto;
    // With tmAuto, the colour of the bottom-left pixel; with tmFixed the one set.
    TColor TransparentColor();
    void SetTransparentColor(TColor color);

    std::function<void(TBitmap* sender)> OnChange;

private:
    friend class TBitmapCanvas;
    void FreeImage();
    void Load(HINSTANCE instance, LPCSTR name, const std::string& shownName);
    // `topDown`: how the rows of a DIB section lie when known (1 from the top, 0 from the
    // bottom); -1 asks the header, whose height sign not every system keeps.
    void TakeHandle(HBITMAP bitmap, int topDown = -1);
    HBITMAP MakeBitmap(int width, int height, TPixelFormat format, void** bits);
    void Changed();

    HBITMAP FHandle = nullptr;
    void* FBits = nullptr;
    bool FTopDown = true;
    int FStride = 0;
    int FWidth = 0, FHeight = 0;
    TPixelFormat FPixelFormat = pf32bit;
    TColor FTransparentColor = clDefault;
    std::unique_ptr<TBitmapCanvas> FCanvas;
};

// The canvas of a bitmap: a memory context holding the bitmap while it is allocated.
class TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(TBitmap* bitmap) : FBitmap(bitmap) {}
    ~TBitmapCanvas() override;
    // Lets go of the memory context so that the bitmap may change.
    void FreeContext() { FreeHandle(); }

protected:
    void CreateHandle() override;
    void FreeHandle() override;

private:
    TBitmap* FBitmap;
    HDC FDC = nullptr;
    HGDIOBJ FOldBitmap = nullptr;
};

// A canvas over a window's client area while it exists (GetDC on first use).
class TControlCanvas : public TCanvas {
public:
    explicit TControlCanvas(TWinControl* control) : FControl(control) {}
    ~TControlCanvas() override;
    // Releases the window's context (call when the window goes).
    void FreeContext() { FreeHandle(); }

protected:
    void CreateHandle() override;
    void FreeHandle() override;

private:
    TWinControl* FControl;
    HWND FWnd = nullptr;
    HDC FDC = nullptr;
};
