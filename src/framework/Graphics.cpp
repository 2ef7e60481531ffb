#include "framework/Graphics.h"

#include "framework/Controls.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

uint32_t Win32SystemColor(int index) { return GetSysColor(index); }

[[maybe_unused]] const bool gLookupInstalled = [] {
    InstallSystemColorLookup();
    return true;
}();

int ScreenLogPixels() {
    static int ppi = [] {
        HDC dc = GetDC(nullptr);
        int v = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
        if (dc) ReleaseDC(nullptr, dc);
        return v > 0 ? v : 96;
    }();
    return ppi;
}

}  // namespace

// The classic mask method (XOR, AND with the mask, XOR), with a mask made by comparing
// every source pixel to the transparent colour.
void BltTransparent(HDC dest, int x, int y, int w, int h, HDC src, int sx, int sy, int sw,
                    int sh, COLORREF transparent) {
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return;
    HDC maskDC = CreateCompatibleDC(nullptr);
    HBITMAP mask = CreateBitmap(sw, sh, 1, 1, nullptr);
    if (!maskDC || !mask) {
        if (mask) DeleteObject(mask);
        if (maskDC) DeleteDC(maskDC);
        throw EOutOfResources("Out of system resources");
    }
    HGDIOBJ oldMask = SelectObject(maskDC, mask);
    COLORREF oldSrcBk = SetBkColor(src, transparent);
    BitBlt(maskDC, 0, 0, sw, sh, src, sx, sy, SRCCOPY);  // 1 where transparent
    SetBkColor(src, oldSrcBk);
    COLORREF oldText = SetTextColor(dest, RGB(0, 0, 0));
    COLORREF oldBk = SetBkColor(dest, RGB(255, 255, 255));
    int oldMode = SetStretchBltMode(dest, COLORONCOLOR);
    StretchBlt(dest, x, y, w, h, src, sx, sy, sw, sh, SRCINVERT);
    StretchBlt(dest, x, y, w, h, maskDC, 0, 0, sw, sh, SRCAND);
    StretchBlt(dest, x, y, w, h, src, sx, sy, sw, sh, SRCINVERT);
    SetStretchBltMode(dest, oldMode);
    SetTextColor(dest, oldText);
    SetBkColor(dest, oldBk);
    SelectObject(maskDC, oldMask);
    DeleteObject(mask);
    DeleteDC(maskDC);
}

namespace {

const int kRop2[] = {R2_BLACK,       R2_WHITE,       R2_NOP,         R2_NOT,
                     R2_COPYPEN,     R2_NOTCOPYPEN,  R2_MERGEPENNOT, R2_MASKPENNOT,
                     R2_MERGENOTPEN, R2_MASKNOTPEN,  R2_MERGEPEN,    R2_NOTMERGEPEN,
                     R2_MASKPEN,     R2_NOTMASKPEN,  R2_XORPEN,      R2_NOTXORPEN};

}  // namespace

void InstallSystemColorLookup() { SetSystemColorLookup(&Win32SystemColor); }

COLORREF ColorToGdi(TColor color) {
    if (color == clNone || color == clDefault) return RGB(0, 0, 0);
    return static_cast<COLORREF>(ColorToRGB(color)) & 0xFFFFFFu;
}

// ---- TGraphicsObject and the tools ------------------------------------------------------

TGraphicsObject::~TGraphicsObject() { TGraphicsObject::FreeHandle(); }

void TGraphicsObject::FreeHandle() {
    if (FHandle) DeleteObject(FHandle);
    FHandle = nullptr;
}

void TGraphicsObject::Changed() {
    if (FCanvas) FCanvas->ToolChanging(this);
    FreeHandle();
    if (OnChange) OnChange(this);
}

TFont::TFont() : FPixelsPerInch(ScreenLogPixels()) { FHeight = -MulDiv(8, FPixelsPerInch, 72); }

void TFont::SetName(const std::string& name) {
    if (!name.empty()) Change(FName, name);
}

int TFont::Size() const { return -MulDiv(FHeight, 72, FPixelsPerInch); }

void TFont::SetSize(int points) { SetHeight(-MulDiv(points, FPixelsPerInch, 72)); }

void TFont::SetHeight(int pixels) {
    Change(FHeight, pixels);
}

void TFont::SetStyle(TFontStyles style) {
    Change(FStyle, style);
}

void TFont::SetColor(TColor color) {
    // The colour is the context's text colour, not part of the font: the handle stays (a
    // font made anew for each colour costs as much as the text drawn in it).
    if (color == FColor) return;
    FColor = color;
    if (OnChange) OnChange(this);
}

void TFont::SetCharset(TFontCharset charset) {
    Change(FCharset, charset);
}

void TFont::SetPitch(TFontPitch pitch) {
    Change(FPitch, pitch);
}

void TFont::SetPixelsPerInch(int ppi) {
    if (ppi > 0) FPixelsPerInch = ppi;
}

void TFont::Assign(const TFont& source) {
    if (&source == this) return;
    if (FName == source.FName && FPixelsPerInch == source.FPixelsPerInch && FHeight == source.FHeight &&
        FStyle == source.FStyle && FCharset == source.FCharset && FPitch == source.FPitch) {
        SetColor(source.FColor);
        return;
    }
    FName = source.FName;
    FPixelsPerInch = source.FPixelsPerInch;
    FHeight = source.FHeight;
    FStyle = source.FStyle;
    FColor = source.FColor;
    FCharset = source.FCharset;
    FPitch = source.FPitch;
    Changed();
}

HFONT TFont::Handle() {
    if (!FHandle) {
        LOGFONTA lf{};
        lf.lfHeight = FHeight;
        lf.lfWeight = (FStyle & fsBold) ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = (FStyle & fsItalic) ? 1 : 0;
        lf.lfUnderline = (FStyle & fsUnderline) ? 1 : 0;
        lf.lfStrikeOut = (FStyle & fsStrikeOut) ? 1 : 0;
        lf.lfCharSet = FCharset;
        lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
        lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
        lf.lfQuality = DEFAULT_QUALITY;
        lf.lfPitchAndFamily = FPitch == fpFixed      ? FIXED_PITCH
                              : FPitch == fpVariable ? VARIABLE_PITCH
                                                     : DEFAULT_PITCH;
        std::strncpy(lf.lfFaceName, FName.c_str(), LF_FACESIZE - 1);
        FHandle = CreateFontIndirectA(&lf);
        if (!FHandle) FHandle = GetStockObject(SYSTEM_FONT);
    }
    return static_cast<HFONT>(FHandle);
}

void TFont::SetHandle(HFONT font) {
    LOGFONTA lf{};
    if (!font || GetObjectA(font, sizeof lf, &lf) != sizeof lf) return;
    FName = lf.lfFaceName;
    FHeight = lf.lfHeight;
    FStyle = (lf.lfWeight >= FW_BOLD ? fsBold : 0u) | (lf.lfItalic ? fsItalic : 0u) |
             (lf.lfUnderline ? fsUnderline : 0u) | (lf.lfStrikeOut ? fsStrikeOut : 0u);
    FCharset = lf.lfCharSet;
    int pitch = lf.lfPitchAndFamily & 3;
    FPitch = pitch == FIXED_PITCH ? fpFixed : pitch == VARIABLE_PITCH ? fpVariable : fpDefault;
    Changed();
}

void TBrush::SetColor(TColor color) {
    if (color == FColor && FStyle != bsClear) return;
    FColor = color;
    if (FStyle == bsClear) FStyle = bsSolid;
    Changed();
}

void TBrush::SetStyle(TBrushStyle style) {
    Change(FStyle, style);
}

void TBrush::Assign(const TBrush& source) {
    if (&source == this) return;
    FColor = source.FColor;
    FStyle = source.FStyle;
    Changed();
}

HBRUSH TBrush::Handle() {
    if (!FHandle) {
        if (FStyle == bsClear)
            FHandle = GetStockObject(NULL_BRUSH);
        else if (FStyle == bsSolid)
            FHandle = CreateSolidBrush(ColorToGdi(FColor));
        else
            FHandle = CreateHatchBrush(FStyle - bsHorizontal, ColorToGdi(FColor));
        if (!FHandle) throw EOutOfResources("Out of system resources");
    }
    return static_cast<HBRUSH>(FHandle);
}

void TPen::SetColor(TColor color) {
    Change(FColor, color);
}

void TPen::SetWidth(int width) {
    if (width >= 0) Change(FWidth, width);
}

void TPen::SetStyle(TPenStyle style) {
    Change(FStyle, style);
}

void TPen::SetMode(TPenMode mode) {
    Change(FMode, mode);
}

void TPen::Assign(const TPen& source) {
    if (&source == this) return;
    FColor = source.FColor;
    FWidth = source.FWidth;
    FStyle = source.FStyle;
    FMode = source.FMode;
    Changed();
}

HPEN TPen::Handle() {
    if (!FHandle) {
        FHandle = CreatePen(static_cast<int>(FStyle), FWidth, ColorToGdi(FColor));
        if (!FHandle) throw EOutOfResources("Out of system resources");
    }
    return static_cast<HPEN>(FHandle);
}

// ---- TCanvas ----------------------------------------------------------------------------

TCanvas::TCanvas() {
    InitializeCriticalSection(&FLock);
    FFont.FCanvas = this;
    FBrush.FCanvas = this;
    FPen.FCanvas = this;
}

TCanvas::~TCanvas() {
    DeselectTools();
    FFont.FCanvas = FBrush.FCanvas = FPen.FCanvas = nullptr;
    DeleteCriticalSection(&FLock);
}

HDC TCanvas::Handle() {
    if (!FHandle) CreateHandle();
    if (!FHandle) throw EInvalidGraphicOperation("Canvas does not allow drawing");
    return FHandle;
}

void TCanvas::SetHandle(HDC dc) {
    if (dc == FHandle) return;
    DeselectTools();
    FHandle = dc;
}

void TCanvas::CreateHandle() {}

void TCanvas::FreeHandle() {
    DeselectTools();
    FHandle = nullptr;
}

void TCanvas::DeselectTools() {
    if (FHandle) {
        if (FOldFont) SelectObject(FHandle, FOldFont);
        if (FOldBrush) SelectObject(FHandle, FOldBrush);
        if (FOldPen) SelectObject(FHandle, FOldPen);
    }
    FOldFont = FOldBrush = FOldPen = nullptr;
    FSelFont = FSelBrush = FSelPen = nullptr;
}

// Only the changing tool leaves the context (its handle is about to go): selecting a font
// again costs the system a lookup of the font, and a brush changes with every colour.
void TCanvas::ToolChanging(TGraphicsObject* tool) {
    auto deselect = [this](HGDIOBJ& old, HGDIOBJ& selected) {
        if (FHandle && old) SelectObject(FHandle, old);
        old = selected = nullptr;
    };
    if (tool == &FFont) deselect(FOldFont, FSelFont);
    if (tool == &FBrush) deselect(FOldBrush, FSelBrush);
    if (tool == &FPen) deselect(FOldPen, FSelPen);
}

void TCanvas::RequireTools() {
    HDC dc = Handle();
    HGDIOBJ font = FFont.Handle();
    if (font != FSelFont) {
        HGDIOBJ old = SelectObject(dc, font);
        if (!FOldFont) FOldFont = old;
        FSelFont = font;
    }
    HGDIOBJ brush = FBrush.Handle();
    if (brush != FSelBrush) {
        HGDIOBJ old = SelectObject(dc, brush);
        if (!FOldBrush) FOldBrush = old;
        FSelBrush = brush;
    }
    HGDIOBJ pen = FPen.Handle();
    if (pen != FSelPen) {
        HGDIOBJ old = SelectObject(dc, pen);
        if (!FOldPen) FOldPen = old;
        FSelPen = pen;
    }
    SetTextColor(dc, ColorToGdi(FFont.Color()));
    SetBkColor(dc, ColorToGdi(FBrush.Color()));
    SetBkMode(dc, FBrush.Style() == bsClear ? TRANSPARENT : OPAQUE);
    SetROP2(dc, kRop2[FPen.Mode()]);
}

void TCanvas::FillRect(const RECT& rect) {
    RequireTools();
    ::FillRect(FHandle, &rect, FBrush.Handle());
}

void TCanvas::FrameRect(const RECT& rect) {
    RequireTools();
    ::FrameRect(FHandle, &rect, FBrush.Handle());
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    RequireTools();
    ::Rectangle(FHandle, x1, y1, x2, y2);
}

void TCanvas::MoveTo(int x, int y) {
    RequireTools();
    MoveToEx(FHandle, x, y, nullptr);
}

void TCanvas::LineTo(int x, int y) {
    RequireTools();
    ::LineTo(FHandle, x, y);
}

POINT TCanvas::PenPos() {
    POINT p{0, 0};
    GetCurrentPositionEx(Handle(), &p);
    return p;
}

void TCanvas::DrawFocusRect(const RECT& rect) {
    RequireTools();
    ::DrawFocusRect(FHandle, &rect);
}

TColor TCanvas::Pixels(int x, int y) {
    COLORREF c = GetPixel(Handle(), x, y);
    return c == CLR_INVALID ? clNone : static_cast<TColor>(c);
}

void TCanvas::SetPixel(int x, int y, TColor color) {
    RequireTools();
    ::SetPixel(FHandle, x, y, ColorToGdi(color));
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
    RequireTools();
    ::TextOutA(FHandle, x, y, text.data(), static_cast<int>(text.size()));
}

void TCanvas::TextRect(const RECT& rect, int x, int y, const std::string& text) {
    RequireTools();
    UINT options = ETO_CLIPPED | (FBrush.Style() != bsClear ? ETO_OPAQUE : 0);
    ExtTextOutA(FHandle, x, y, options, &rect, text.data(), static_cast<UINT>(text.size()),
                nullptr);
}

SIZE TCanvas::TextExtent(const std::string& text) {
    RequireTools();
    SIZE s{0, 0};
    GetTextExtentPoint32A(FHandle, text.data(), static_cast<int>(text.size()), &s);
    return s;
}

void TCanvas::Draw(int x, int y, TBitmap* bitmap) {
    if (!bitmap || bitmap->Empty()) return;
    RECT r{x, y, x + bitmap->Width(), y + bitmap->Height()};
    StretchDraw(r, bitmap);
}

void TCanvas::StretchDraw(const RECT& dest, TBitmap* bitmap) {
    if (!bitmap || bitmap->Empty()) return;
    RequireTools();
    HDC src = bitmap->Canvas()->Handle();
    int w = dest.right - dest.left, h = dest.bottom - dest.top;
    if (bitmap->Transparent) {
        BltTransparent(FHandle, dest.left, dest.top, w, h, src, 0, 0, bitmap->Width(),
                       bitmap->Height(), ColorToGdi(bitmap->TransparentColor()));
        return;
    }
    // A monochrome picture is drawn as it is: black and white.
    COLORREF oldText = 0, oldBk = 0;
    if (bitmap->Monochrome()) {
        oldText = SetTextColor(FHandle, RGB(0, 0, 0));
        oldBk = SetBkColor(FHandle, RGB(255, 255, 255));
    }
    int oldMode = SetStretchBltMode(FHandle, COLORONCOLOR);
    StretchBlt(FHandle, dest.left, dest.top, w, h, src, 0, 0, bitmap->Width(), bitmap->Height(),
               FCopyMode);
    SetStretchBltMode(FHandle, oldMode);
    if (bitmap->Monochrome()) {
        SetTextColor(FHandle, oldText);
        SetBkColor(FHandle, oldBk);
    }
}

void TCanvas::CopyRect(const RECT& dest, TCanvas* canvas, const RECT& source) {
    if (!canvas) return;
    RequireTools();
    canvas->RequireTools();
    int oldMode = SetStretchBltMode(FHandle, COLORONCOLOR);
    StretchBlt(FHandle, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top,
               canvas->FHandle, source.left, source.top, source.right - source.left,
               source.bottom - source.top, FCopyMode);
    SetStretchBltMode(FHandle, oldMode);
}

void TCanvas::BrushCopy(const RECT& dest, TBitmap* bitmap, const RECT& source, TColor color) {
    if (!bitmap || bitmap->Empty()) return;
    RequireTools();
    if (FBrush.Style() != bsClear) ::FillRect(FHandle, &dest, FBrush.Handle());
    BltTransparent(FHandle, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top,
                   bitmap->Canvas()->Handle(), source.left, source.top,
                   source.right - source.left, source.bottom - source.top, ColorToGdi(color));
}

RECT TCanvas::ClipRect() {
    RECT r{0, 0, 0, 0};
    GetClipBox(Handle(), &r);
    return r;
}

void TCanvas::Lock() {
    EnterCriticalSection(&FLock);
    ++FLockCount;
}

void TCanvas::Unlock() {
    --FLockCount;
    LeaveCriticalSection(&FLock);
}

bool TCanvas::TryLock() {
    if (!TryEnterCriticalSection(&FLock)) return false;
    ++FLockCount;
    return true;
}

// ---- TBitmap ----------------------------------------------------------------------------

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
    FCanvas.reset();
    FreeImage();
}

void TBitmap::FreeImage() {
    if (FCanvas) FCanvas->FreeContext();
    if (FHandle) DeleteObject(FHandle);
    FHandle = nullptr;
    FBits = nullptr;
    FStride = 0;
    FWidth = FHeight = 0;
}

void TBitmap::Changed() {
    if (OnChange) OnChange(this);
}

HBITMAP TBitmap::MakeBitmap(int width, int height, TPixelFormat format, void** bits) {
    *bits = nullptr;
    if (width <= 0 || height <= 0) return nullptr;
    HBITMAP h = nullptr;
    if (format == pf1bit) {
        h = CreateBitmap(width, height, 1, 1, nullptr);
    } else if (format == pfDevice) {
        HDC screen = GetDC(nullptr);
        h = CreateCompatibleBitmap(screen, width, height);
        ReleaseDC(nullptr, screen);
    } else {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = width;
        bi.bmiHeader.biHeight = -height;  // rows from the top
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = format == pf24bit ? 24 : 32;
        bi.bmiHeader.biCompression = BI_RGB;
        h = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, bits, nullptr, 0);
    }
    if (!h) throw EOutOfResources("Out of system resources");
    return h;
}

void TBitmap::TakeHandle(HBITMAP bitmap, int topDown) {
    FreeImage();
    if (!bitmap) return;
    DIBSECTION ds{};
    if (GetObjectA(bitmap, sizeof ds, &ds) == sizeof ds && ds.dsBm.bmBits) {
        int bpp = ds.dsBmih.biBitCount;
        if (bpp == 24 || bpp == 32) {
            FHandle = bitmap;
            FBits = ds.dsBm.bmBits;
            FStride = ds.dsBm.bmWidthBytes;
            FTopDown = topDown >= 0 ? topDown == 1 : ds.dsBmih.biHeight < 0;
            FWidth = ds.dsBm.bmWidth;
            FHeight = ds.dsBm.bmHeight;
            FPixelFormat = bpp == 24 ? pf24bit : pf32bit;
            return;
        }
        // Other DIB sections become 32-bit ones (1-bit ones monochrome bitmaps).
        FPixelFormat = bpp == 1 ? pf1bit : pf32bit;
        int w = ds.dsBm.bmWidth, h = ds.dsBm.bmHeight;
        void* bits = nullptr;
        HBITMAP copy = MakeBitmap(w, h, FPixelFormat, &bits);
        HDC a = CreateCompatibleDC(nullptr), b = CreateCompatibleDC(nullptr);
        HGDIOBJ oa = SelectObject(a, bitmap), ob = SelectObject(b, copy);
        BitBlt(b, 0, 0, w, h, a, 0, 0, SRCCOPY);
        SelectObject(a, oa);
        SelectObject(b, ob);
        DeleteDC(a);
        DeleteDC(b);
        DeleteObject(bitmap);
        bitmap = copy;
        topDown = 1;  // made here
    }
    BITMAP bm{};
    GetObjectA(bitmap, sizeof bm, &bm);
    FHandle = bitmap;
    FWidth = bm.bmWidth;
    FHeight = bm.bmHeight;
    DIBSECTION again{};
    if (GetObjectA(bitmap, sizeof again, &again) == sizeof again && again.dsBm.bmBits) {
        FBits = again.dsBm.bmBits;
        FStride = again.dsBm.bmWidthBytes;
        FTopDown = topDown >= 0 ? topDown == 1 : again.dsBmih.biHeight < 0;
        FPixelFormat = again.dsBmih.biBitCount == 24 ? pf24bit : pf32bit;
    } else {
        FPixelFormat = bm.bmBitsPixel == 1 ? pf1bit : pfDevice;
    }
}

void TBitmap::SetSize(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == FWidth && height == FHeight) return;
    void* bits = nullptr;
    HBITMAP h = MakeBitmap(width, height, FPixelFormat, &bits);
    if (h) {
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, h);
        PatBlt(dc, 0, 0, width, height, WHITENESS);
        if (FHandle) {
            if (FCanvas) FCanvas->FreeContext();
            HDC src = CreateCompatibleDC(nullptr);
            HGDIOBJ os = SelectObject(src, FHandle);
            BitBlt(dc, 0, 0, std::min(width, FWidth), std::min(height, FHeight), src, 0, 0,
                   SRCCOPY);
            SelectObject(src, os);
            DeleteDC(src);
        }
        SelectObject(dc, old);
        DeleteDC(dc);
    }
    TPixelFormat format = FPixelFormat;
    TakeHandle(h, 1);
    FPixelFormat = format;
    Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
    if (format == FPixelFormat) return;
    int w = FWidth, h = FHeight;
    if (!FHandle) {
        FPixelFormat = format;
        return;
    }
    void* bits = nullptr;
    HBITMAP copy = MakeBitmap(w, h, format, &bits);
    if (FCanvas) FCanvas->FreeContext();
    HDC a = CreateCompatibleDC(nullptr), b = CreateCompatibleDC(nullptr);
    HGDIOBJ oa = SelectObject(a, FHandle), ob = SelectObject(b, copy);
    SetBkColor(a, RGB(255, 255, 255));  // colour to monochrome: white becomes 1
    SetTextColor(b, RGB(0, 0, 0));
    SetBkColor(b, RGB(255, 255, 255));
    BitBlt(b, 0, 0, w, h, a, 0, 0, SRCCOPY);
    SelectObject(a, oa);
    SelectObject(b, ob);
    DeleteDC(a);
    DeleteDC(b);
    TakeHandle(copy, 1);
    FPixelFormat = format;
    Changed();
}

HBITMAP TBitmap::Handle() { return FHandle; }

void TBitmap::SetHandle(HBITMAP bitmap) {
    if (bitmap == FHandle) return;
    TakeHandle(bitmap);
    Changed();
}

HBITMAP TBitmap::ReleaseHandle() {
    if (FCanvas) FCanvas->FreeContext();
    HBITMAP h = FHandle;
    FHandle = nullptr;
    FreeImage();
    return h;
}

TCanvas* TBitmap::Canvas() {
    if (!FCanvas) FCanvas = std::make_unique<TBitmapCanvas>(this);
    return FCanvas.get();
}

void* TBitmap::ScanLine(int row) {
    if (!FBits) throw EInvalidGraphicOperation("Scan line of a device-dependent bitmap");
    if (row < 0 || row >= FHeight) throw EInvalidGraphicOperation("Scan line index out of range");
    GdiFlush();
    int index = FTopDown ? row : FHeight - 1 - row;
    return static_cast<uint8_t*>(FBits) + static_cast<size_t>(index) * static_cast<size_t>(FStride);
}

int TBitmap::RowBytes() const { return FStride; }

void TBitmap::Load(HINSTANCE instance, LPCSTR name, const std::string& shownName) {
    auto h = static_cast<HBITMAP>(LoadImageA(instance, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!h) throw EResNotFound("Resource " + shownName + " not found");
    DIBSECTION ds{};
    if (GetObjectA(h, sizeof ds, &ds) == sizeof ds && ds.dsBmih.biBitCount == 1) {
        // Monochrome resources stay monochrome bitmaps, coloured when copied.
        DeleteObject(h);
        h = static_cast<HBITMAP>(LoadImageA(instance, name, IMAGE_BITMAP, 0, 0, LR_MONOCHROME));
        if (!h) throw EResNotFound("Resource " + shownName + " not found");
    }
    TakeHandle(h);
    Changed();
}

void TBitmap::LoadFromResourceName(HINSTANCE instance, const std::string& name) {
    Load(instance, name.c_str(), name);
}

void TBitmap::LoadFromResourceID(HINSTANCE instance, int id) {
    Load(instance, MAKEINTRESOURCEA(id), std::to_string(id));
}

void TBitmap::LoadFromFile(const std::string& fileName) {
    auto h = static_cast<HBITMAP>(
        LoadImageA(nullptr, fileName.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    if (!h) {
        if (GetFileAttributesA(fileName.c_str()) == INVALID_FILE_ATTRIBUTES)
            throw EInvalidGraphic("Cannot open file \"" + fileName + "\"");
        throw EInvalidGraphic("Bitmap image is not valid");
    }
    TakeHandle(h);
    Changed();
}

void TBitmap::SaveToFile(const std::string& fileName) {
    if (!FHandle) throw EInvalidGraphicOperation("Cannot save an empty bitmap");
    const bool mono = Monochrome();
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD colors[2];
    } info{};
    info.h.biSize = sizeof info.h;
    info.h.biWidth = FWidth;
    info.h.biHeight = FHeight;  // rows from the bottom, as files keep them
    info.h.biPlanes = 1;
    info.h.biBitCount = mono ? 1 : 24;
    info.h.biCompression = BI_RGB;
    const DWORD stride = ((static_cast<DWORD>(FWidth) * info.h.biBitCount + 31) / 32) * 4;
    std::vector<uint8_t> pixels(static_cast<size_t>(stride) * static_cast<size_t>(FHeight));
    if (FCanvas) FCanvas->FreeContext();  // GetDIBits wants the bitmap out of any context
    HDC dc = GetDC(nullptr);
    int rows = GetDIBits(dc, FHandle, 0, static_cast<UINT>(FHeight), pixels.data(),
                         reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    if (rows != FHeight) throw EInvalidGraphicOperation("Cannot read the bitmap's pixels");
    if (mono) {
        info.colors[0] = RGBQUAD{0, 0, 0, 0};
        info.colors[1] = RGBQUAD{255, 255, 255, 0};
    }
    const DWORD headerSize = sizeof(BITMAPFILEHEADER) + sizeof info.h + (mono ? 2 * sizeof(RGBQUAD) : 0);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = headerSize;
    file.bfSize = headerSize + static_cast<DWORD>(pixels.size());
    info.h.biSizeImage = static_cast<DWORD>(pixels.size());
    HANDLE f = CreateFileA(fileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) throw EInvalidGraphicOperation("Cannot create file \"" + fileName + "\"");
    DWORD written = 0;
    bool ok = WriteFile(f, &file, sizeof file, &written, nullptr) && written == sizeof file &&
              WriteFile(f, &info, headerSize - sizeof file, &written, nullptr) &&
              written == headerSize - sizeof file &&
              WriteFile(f, pixels.data(), static_cast<DWORD>(pixels.size()), &written, nullptr) &&
              written == pixels.size();
    CloseHandle(f);
    if (!ok) {
        DeleteFileA(fileName.c_str());
        throw EInvalidGraphicOperation("Cannot write file \"" + fileName + "\"");
    }
}

void TBitmap::Assign(TBitmap* source) {
    if (!source || source == this) return;
    FreeImage();
    FPixelFormat = source->FPixelFormat;
    Transparent = source->Transparent;
    TransparentMode = source->TransparentMode;
    FTransparentColor = source->FTransparentColor;
    if (source->FHandle) {
        void* bits = nullptr;
        HBITMAP h = MakeBitmap(source->FWidth, source->FHeight, FPixelFormat, &bits);
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, h);
        HDC src = source->Canvas()->Handle();
        BitBlt(dc, 0, 0, source->FWidth, source->FHeight, src, 0, 0, SRCCOPY);
        SelectObject(dc, old);
        DeleteDC(dc);
        TPixelFormat format = FPixelFormat;
        TakeHandle(h, 1);
        FPixelFormat = format;
    }
    Changed();
}

TColor TBitmap::TransparentColor() {
    if (TransparentMode == tmFixed && FTransparentColor != clDefault) return FTransparentColor;
    if (!FHandle) return clDefault;
    return Canvas()->Pixels(0, FHeight - 1);
}

void TBitmap::SetTransparentColor(TColor color) {
    FTransparentColor = color;
    TransparentMode = color == clDefault ? tmAuto : tmFixed;
}

// ---- Canvases of bitmaps and windows ----------------------------------------------------

TBitmapCanvas::~TBitmapCanvas() { TBitmapCanvas::FreeHandle(); }

void TBitmapCanvas::CreateHandle() {
    FDC = CreateCompatibleDC(nullptr);
    if (!FDC) throw EOutOfResources("Out of system resources");
    if (FBitmap->FHandle) FOldBitmap = SelectObject(FDC, FBitmap->FHandle);
    SetHandle(FDC);
}

void TBitmapCanvas::FreeHandle() {
    TCanvas::FreeHandle();
    if (FDC) {
        if (FOldBitmap) SelectObject(FDC, FOldBitmap);
        DeleteDC(FDC);
    }
    FDC = nullptr;
    FOldBitmap = nullptr;
}

TControlCanvas::~TControlCanvas() { TControlCanvas::FreeHandle(); }

void TControlCanvas::CreateHandle() {
    FWnd = FControl->Handle();
    FDC = GetDC(FWnd);
    if (!FDC) throw EOutOfResources("Out of system resources");
    SetHandle(FDC);
}

void TControlCanvas::FreeHandle() {
    TCanvas::FreeHandle();
    if (FDC) ReleaseDC(FWnd, FDC);
    FDC = nullptr;
    FWnd = nullptr;
}
